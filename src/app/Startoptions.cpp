#include "app/Startoptions.h"

#include "suite/Manpage.h"
#include "suite/Suiteroot.h"
#include "Version.h"

#include <cstring>

namespace driftline {

namespace {

constexpr const char* Usage = "usage: driftline [--root DIR] [--follow] [LOGFILE]";
constexpr const char* Summary = "viewer for radio-telescope controller logs";
constexpr const char* Description =
    "Opens the viewer on a suite of the telescope controller and reads LOGFILE right after start-up. "
    "Any two of the eight derived quantities (time, azimuth, altitude, right ascension, declination, "
    "galactic latitude and longitude, volts) can be plotted against each other, zoomed, fitted and saved.";
constexpr const char* FirstStart =
    "When no suite is known, the viewer asks for one at start-up: an existing suite folder, or a new one "
    "it creates with an empty Logs folder and a ZVK.ini holding the default settings. The choice is "
    "remembered.";

// Breaks text into lines of at most width characters at blanks.
std::string Wrapped(const std::string& text, std::size_t width, const std::string& indent)
{
    std::string out, line;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string word = text.substr(start, end - start);
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            out += indent + line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        start = end + 1;
    }
    if (!line.empty())
        out += indent + line + "\n";
    return out;
}

}  // namespace

const std::vector<TStartOption>& StartOptionTable()
{
    static const std::vector<TStartOption> table = {
        {"--root DIR", "The suite folder: the folder holding ZVK.ini and Logs."},
        {"LOGFILE", "A log file to read right after start-up; a log in a suite's Logs folder opens that suite."},
        {"--follow", "Follow the log as the controller writes it (View, Follow log); without LOGFILE, the newest log "
                     "of the suite's Logs folder."},
        {"--help", "This text."},
        {"--version", "The program's version."},
    };
    return table;
}

TStartOptions ParseStartOptions(int argc, const char* const* argv)
{
    TStartOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--follow") {
            options.follow = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--help-man") {
            options.manPage = true;
        } else if (arg == "--root") {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                options.problem = "--root needs a folder";
                return options;
            }
            options.root = argv[++i];
        } else if (arg.rfind("--root=", 0) == 0) {
            options.root = arg.substr(std::strlen("--root="));
            if (options.root.empty()) {
                options.problem = "--root needs a folder";
                return options;
            }
        } else if (!arg.empty() && arg[0] == '-') {
            // Options of the toolkit (-platform, -style, ...) are left to QApplication.
        } else if (options.logFile.empty()) {
            options.logFile = arg;
        }
    }
    return options;
}

std::string StartHelpText()
{
    std::string text = std::string(Usage) + "\n\n" + Wrapped(Description, 96, "") + "\n";
    for (const TStartOption& option : StartOptionTable()) {
        const std::size_t termLength = std::strlen(option.term);
        text.append(2, ' ');
        text += option.term;
        text.append(termLength < 12 ? 12 - termLength : 1, ' ');
        text += option.description;
        text += "\n";
    }
    text += '\n';
    text += Wrapped(SuiteRootRuleText, 96, "");
    text += Wrapped(FirstStart, 96, "");
    return text;
}

std::string ViewerManPage()
{
    TManPage page;
    page.name = "driftline";
    page.version = version::FileVersion;
    page.summary = Summary;
    page.synopsis = std::string(Usage).substr(std::strlen("usage: "));
    TManSection description{"DESCRIPTION", {Description, FirstStart}, {}, {}, {}};
    TManSection options{"OPTIONS", {}, {}, {}, {}};
    for (const TStartOption& option : StartOptionTable())
        options.entries.push_back({option.term, option.description});
    page.sections = {description, options};
    for (auto& section : SuiteManSections())
        page.sections.push_back(section);
    page.sections.push_back({"SEE ALSO", {"driftline-cli(1)"}, {}, {}, {}});
    return RenderManPage(page);
}

}  // namespace driftline
