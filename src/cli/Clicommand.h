#pragma once
// Sub-commands of driftline-cli register themselves here, one file each.
#include <string>
#include <vector>

namespace driftline::cli {

struct CliCommand {
    const char* name;
    const char* summary;  // one line for the tool's --help
    const char* usage;    // full help text of the sub-command (starts with the usage line)
    // args: everything after the sub-command's name. Returns the process exit code.
    int (*run)(const std::vector<std::string>& args);
};

std::vector<CliCommand>& Commands();

struct CliRegistrar {
    explicit CliRegistrar(const CliCommand& command) { Commands().push_back(command); }
};

}  // namespace driftline::cli
