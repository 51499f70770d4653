// driftline-cli --help-man: the manual page from the registered commands' summaries and usages.
#include "cli/Climanpage.h"

#include "cli/Clicommand.h"
#include "suite/Manpage.h"
#include "Version.h"

#include <algorithm>
#include <cstring>

namespace driftline::cli {

std::string CliManPage()
{
    auto commands = Commands();
    std::sort(commands.begin(), commands.end(),
              [](const auto& a, const auto& b) { return std::strcmp(a.name, b.name) < 0; });

    TManPage page;
    page.name = "driftline-cli";
    page.version = version::FileVersion;
    page.summary = "headless tool over the Driftline viewer's core";
    page.synopsis = "driftline-cli <command> [options]\ndriftline-cli <command> --help\ndriftline-cli --version";

    TManSection description{"DESCRIPTION", {ToolDescription}, {}, {}, {}};
    description.paragraphs.push_back(
        "Every command reads the same suite settings and derives the same numbers as the viewer. "
        "Without a suite the built-in settings are used and one line on standard error says how to name one.");
    TManSection commandList{"COMMANDS", {}, {}, {}, {}};
    TManSection usages{"COMMAND OPTIONS", {"Each command's own help (driftline-cli <command> --help):"}, {}, {}, {}};
    for (const auto& c : commands) {
        commandList.entries.push_back({c.name, c.summary});
        usages.subsections.push_back({c.name, {}, {}, c.usage, {}});
    }
    TManSection options{"OPTIONS", {}, {}, {}, {}};
    options.entries = {{"--help", "The list of commands; <command> --help for a command's options."},
                       {"--version", "The program's version."}};
    TManSection exitStatus{"EXIT STATUS",
                           {"0 on success, 1 when a file could not be read or written, 2 for a "
                            "usage error."},
                           {},
                           {},
                           {}};

    page.sections = {description, commandList, options, usages};
    for (auto& section : SuiteManSections())
        page.sections.push_back(section);
    page.sections.push_back(exitStatus);
    page.sections.push_back({"SEE ALSO", {"driftline(1)"}, {}, {}, {}});
    return RenderManPage(page);
}

}  // namespace driftline::cli
