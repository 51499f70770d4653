#pragma once
// Option parsing shared by the sub-commands of driftline-cli, the settings set-up, and reading a
// log into a session (the window's way) with one-line error reports.
#include "logdata/Logreader.h"
#include "logdata/Samplestore.h"
#include "suite/Positionsettings.h"
#include "plot/Viewunit.h"
#include "session/Logsession.h"
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace driftline::cli {

// The common options a command accepts (bit set).
enum CommonOption : unsigned {
    OptRoot = 1u << 0,       // --root DIR: suite root folder holding ZVK.ini and Logs
    OptIni = 1u << 1,        // --ini FILE: settings file; the root is then its folder
    OptVoltsOnly = 1u << 2,  // --volts-only: work on the records that carried volts
    OptX = 1u << 3,          // --x Q: horizontal quantity
    OptY = 1u << 4,          // --y Q: vertical quantity
    OptBand = 1u << 5,       // --band X0:X1, repeated: zoom bands in order
    OptSize = 1u << 6,       // --size WxH: picture or plot size in pixels
    OptOutput = 1u << 7,     // -o FILE (also --output FILE)
    OptSettings = OptRoot | OptIni,
    // --frame classic|icrs, --dut1 SECONDS, --no-refraction: the frame of the derived positions.
    OptPosition = 1u << 8,
};

// The usage lines of OptPosition, for the commands' usage texts.
#define DRIFTLINE_POSITION_USAGE                                                                                       \
    "  --frame F        positions in the classic frame (of date, no precession) or icrs (J2000);\n"                    \
    "                   default: the viewer's Frame setting, else classic\n"                                           \
    "  --dut1 S         UT1 - UTC in seconds for the icrs frame, -1..1 (default: the DUT1 setting)\n"                  \
    "  --no-refraction  icrs frame without radio refraction, as a pressure of 0 would\n"

// A command's own option: "--records" with a value, or a flag such as "--no-header".
struct TExtraOption {
    const char* name;
    bool takesValue;
};

struct TCliOptions {
    std::vector<std::string> positional;  // arguments that are not options, in order
    std::filesystem::path root;           // empty unless --root or --ini given
    std::filesystem::path ini;            // --ini as given
    bool voltsOnly = false;
    std::optional<Quantity> x;
    std::optional<Quantity> y;
    std::vector<std::pair<double, double>> bands;  // X0, X1 as given (not ordered)
    std::optional<std::pair<int, int>> size;       // width, height
    std::filesystem::path output;                  // -o; empty = not given
    std::optional<TPositionFrame> frame;           // --frame; empty = from the settings
    std::optional<double> dut1;                    // --dut1; empty = from the settings
    bool noRefraction = false;                     // --no-refraction
    // Extra options as given, each value of a repeated one in order ("" for a flag).
    std::map<std::string, std::vector<std::string>> extra;

    bool has(const std::string& name) const { return extra.count(name) != 0; }
    // The last value of an extra option, or fallback when absent.
    std::string value(const std::string& name, const std::string& fallback = "") const;
};

// Parses args (everything after the command's name). On an unknown option, a missing value or a
// bad value prints "driftline-cli <command>: <problem>" and the usage's first line on stderr and
// returns 2; returns 0 when all is well.
int ParseCliOptions(const std::vector<std::string>& args, const char* command, const char* usage,
                    unsigned commonOptions, const std::vector<TExtraOption>& extraOptions, TCliOptions& out);

// Reports a usage problem as ParseCliOptions does; returns 2.
int UsageError(const char* command, const char* usage, const std::string& problem);

// Integer and real option values; false when the whole text is not one number.
bool ParseInt64(std::string_view text, std::int64_t& value);
bool ParseDouble(std::string_view text, double& value);

// Builds the process's TGlobal from --root / --ini, else from the suite the root rule finds (log is
// the log file the command reads, if any: a log in <suite>/Logs names its suite). Without any
// suite one line on stderr says how to name one, and the built-in settings are used.
void InstallCliGlobal(const TCliOptions& options, const std::filesystem::path& log = {});

// The frame, humidity and DUT1 of the viewer's settings section (of the installed TGlobal's
// settings file), with --frame, --dut1 and --no-refraction applied over them.
TPositionSettings CliPositionSettings(const TCliOptions& options);

// Reads a log into session in the frame of the options (CliPositionSettings). A failed open
// prints "driftline-cli: cannot open X: reason"; a stop at an invalid date prints
// "driftline-cli: X: line N: Invalid argument to date encode" (the samples before it stay).
// readThreads as in TLogSession::read. Returns the reader's result.
TReadResult LoadLogForCli(const std::filesystem::path& log, TLogSession& session, const TCliOptions& options,
                          unsigned readThreads = 0);

// The --band ends as pixel columns (truncated toward zero, as every value-to-pixel conversion);
// false when an end does not fit a pixel coordinate.
bool BandColumns(const TCliOptions& options, std::vector<std::pair<std::int32_t, std::int32_t>>& bands);

// Installs the settings and opens the log (first positional argument) as the window would:
// a session with the options' control size, the given axes and the volts-only choice (only while
// the log has voltage records, as the menu item is enabled only then), and each band applied in
// order as a mouse drag from X0 to X1 would zoom. A band that does not zoom is noted on stderr.
// False when the log could not be opened (already reported).
bool OpenCliSession(const char* command, const TCliOptions& options, Quantity horizontal, Quantity vertical,
                    const std::vector<std::pair<std::int32_t, std::int32_t>>& bands, TLogSession& session,
                    TReadResult& read);

}  // namespace driftline::cli
