#pragma once
// driftline-cli's manual page, built from the command table that --help prints.
#include <string>

namespace driftline::cli {

// What the tool does, one line (the second line of --help).
inline constexpr const char* ToolDescription =
    "Reads telescope controller logs and derives, plots, fits and exports them.";

// driftline-cli(1) in roff.
std::string CliManPage();

}  // namespace driftline::cli
