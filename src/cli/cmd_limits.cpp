// driftline-cli limits: the report of maxima and minima the viewer's "Save &maxima and minima"
// writes, after the same zooms.
#include "analysis/Limitswriter.h"
#include "cli/Clicommand.h"
#include "cli/Clioptions.h"
#include "plot/Viewunit.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace driftline::cli {

namespace {

const char* const LimitsUsage =
    "usage: driftline-cli limits LOG [--x Q] [--y Q] [--volts-only] [--band X0:X1]... [--size WxH]\n"
    "                            -o OUT [--root DIR | --ini FILE]\n"
    "\n"
    "Reads LOG and writes, for the records with a voltage and then for all records, the sample at\n"
    "which each quantity is smallest and the one at which it is largest, as the viewer does.\n"
    "\n"
    "  --x Q, --y Q   the plot's quantities, which decide what a band keeps (default Time, Azimuth)\n"
    "  --volts-only   zoom on the scales of the records that carried volts (when the log has any)\n"
    "  --band X0:X1   zoom as a mouse drag from pixel column X0 to X1 would; repeatable, in order\n"
    "  --size WxH     plot control size in pixels (default 600x450)\n"
    "  -o OUT         the file to write (replaced atomically); - writes to standard output\n" DRIFTLINE_POSITION_USAGE;

int RunLimits(const std::vector<std::string>& args)
{
    TCliOptions options;
    if (int rc = ParseCliOptions(args, "limits", LimitsUsage,
                                 OptSettings | OptPosition | OptVoltsOnly | OptX | OptY | OptBand | OptSize | OptOutput,
                                 {}, options))
        return rc;
    if (options.positional.size() != 1)
        return UsageError("limits", LimitsUsage,
                          options.positional.empty() ? "no log file given" : "more than one log file given");
    if (options.output.empty())
        return UsageError("limits", LimitsUsage, "-o is required");
    std::vector<std::pair<std::int32_t, std::int32_t>> bands;
    if (!BandColumns(options, bands))
        return UsageError("limits", LimitsUsage, "band ends must be pixel columns");
    TLogSession session;
    TReadResult read;
    if (!OpenCliSession("limits", options, options.x.value_or(Time), options.y.value_or(Azimuth), bands, session, read))
        return 1;
    const TSampleStore& store = session.store();

    if (options.output == "-") {
        const std::string text = LimitsReportText(store.voltageSamples(), store.allSamples());
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
            std::fprintf(stderr, "driftline-cli limits: cannot write the output: %s\n", std::strerror(errno));
            return 1;
        }
    } else {
        std::string error;
        if (!WriteLimitsReport(options.output, store.voltageSamples(), store.allSamples(), error)) {
            std::fprintf(stderr, "driftline-cli limits: cannot save %s: %s\n", options.output.string().c_str(),
                         error.c_str());
            return 1;
        }
    }
    return read.status == TReadResult::Ok ? 0 : 1;
}

const CliRegistrar registrar({"limits", "save the maxima and minima of every quantity", LimitsUsage, RunLimits});

}  // namespace

}  // namespace driftline::cli
