// driftline-cli: the headless tool over the same core as the viewer.
#include "cli/Clicommand.h"
#include "cli/Climanpage.h"
#include "Version.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>

namespace driftline::cli {

std::vector<CliCommand>& Commands()
{
    static std::vector<CliCommand> commands;
    return commands;
}

}  // namespace driftline::cli

namespace {

void PrintToolHelp(std::FILE* out)
{
    using driftline::cli::Commands;
    std::fprintf(out, "usage: driftline-cli <command> [options]\n\n%s\n\nCommands:\n", driftline::cli::ToolDescription);
    auto commands = Commands();
    std::sort(commands.begin(), commands.end(),
              [](const auto& a, const auto& b) { return std::strcmp(a.name, b.name) < 0; });
    for (const auto& c : commands)
        std::fprintf(out, "  %-12s %s\n", c.name, c.summary);
    std::fprintf(out, "\n  --help       this text; <command> --help for a command's options\n"
                      "  --version    the program's version\n");
}

}  // namespace

int main(int argc, char** argv)
{
    using driftline::cli::Commands;
    if (argc < 2) {
        PrintToolHelp(stderr);
        return 2;
    }
    const std::string first = argv[1];
    if (first == "--help" || first == "-h" || first == "help") {
        PrintToolHelp(stdout);
        return 0;
    }
    if (first == "--help-man") {
        // The manual page, written at build time from the same table as --help.
        std::fputs(driftline::cli::CliManPage().c_str(), stdout);
        return 0;
    }
    if (first == "--version") {
        std::printf("driftline-cli %s\n", driftline::version::FileVersion);
        return 0;
    }
    for (const auto& c : Commands()) {
        if (first == c.name) {
            std::vector<std::string> args(argv + 2, argv + argc);
            if (std::find(args.begin(), args.end(), "--help") != args.end()) {
                std::fputs(c.usage, stdout);
                return 0;
            }
            try {
                return c.run(args);
            } catch (const std::bad_alloc&) {
                std::fprintf(stderr, "driftline-cli %s: not enough memory for this input\n", c.name);
                return 1;
            } catch (const std::exception& e) {
                std::fprintf(stderr, "driftline-cli %s: %s\n", c.name, e.what());
                return 1;
            }
        }
    }
    if (!first.empty() && first[0] == '-')
        std::fprintf(stderr, "driftline-cli: unknown option '%s'\n", first.c_str());
    else
        std::fprintf(stderr, "driftline-cli: unknown command '%s'\n", first.c_str());
    std::fprintf(stderr, "usage: driftline-cli <command> [options]   (driftline-cli --help lists the commands)\n");
    return 2;
}
