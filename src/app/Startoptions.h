#pragma once
// The viewer's command line: driftline [--root DIR] [--follow] [LOGFILE]. One table of options feeds the
// parser's help text and the manual page, so the two cannot disagree.
#include <string>
#include <vector>

namespace driftline {

struct TStartOptions {
    std::string root;     // --root DIR; empty = not given
    std::string logFile;  // the first argument that is not an option
    bool help = false;
    bool follow = false;  // --follow: follow LOGFILE, or the newest log of the suite
    bool version = false;
    bool manPage = false;  // --help-man: the manual page in roff (used by the build)
    std::string problem;   // a usage problem; empty when all is well
};

struct TStartOption {
    const char* term;  // "--root DIR"
    const char* description;
};

// The options --help lists, in order.
const std::vector<TStartOption>& StartOptionTable();

// Options of the toolkit (-platform, -style, ...) are left for QApplication.
TStartOptions ParseStartOptions(int argc, const char* const* argv);

// The text of --help.
std::string StartHelpText();
// driftline(1) in roff.
std::string ViewerManPage();

}  // namespace driftline
