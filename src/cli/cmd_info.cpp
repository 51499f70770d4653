// driftline-cli info: what a log holds: counts, corrections, receiver values, time span and the
// range of every quantity.
#include "cli/Clicommand.h"
#include "cli/Clioptions.h"

#include "astro/Timeunit.h"
#include "logdata/Extremes.h"
#include "plot/QuantityText.h"

#include <cstdio>
#include <string>

namespace driftline::cli {

namespace {

const char* const InfoUsage =
    "usage: driftline-cli info LOG [--root DIR | --ini FILE] [--volts-only]\n"
    "\n"
    "Prints the record and voltage-record counts, the logged corrections, the receiver values, the\n"
    "first and last sample time and the minimum and maximum of every quantity of LOG. Each extreme\n"
    "is shown as the viewer shows it (time of day, degrees, minutes and seconds, hours of right\n"
    "ascension, volts with three decimals), followed by its exact value in parentheses.\n"
    "\n"
    "  --root DIR     suite root folder whose ZVK.ini gives the site and equinox\n"
    "  --ini FILE     the ZVK.ini to use; its folder is the root\n"
    "  --volts-only   times and ranges over the records that carried a volts field\n"
    DRIFTLINE_POSITION_USAGE;

// Receiver panel captions, in ReceiverValue order.
const char* const ReceiverCaptions[ReceiverValueCount] = {
    "DC Gain", "Timer interval", "IF Gain", "Integration", "Continuum Offset",
};

void PrintCorrection(const char* axis, std::int32_t logged)
{
    if (logged == NoCorrection)
        std::printf("%s correction: none\n", axis);
    else
        std::printf("%s correction: %d\n", axis, logged);
}

void PrintTime(const char* which, double t)
{
    const TSystemTime st = DecodeDateTime(t);
    std::printf("%s sample time: %.17g (%02u/%02u/%04u %02u:%02u:%02u.%03u UTC)\n", which, t, st.wDay, st.wMonth,
                st.wYear, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

int RunInfo(const std::vector<std::string>& args)
{
    TCliOptions options;
    if (int rc = ParseCliOptions(args, "info", InfoUsage, OptSettings | OptPosition | OptVoltsOnly, {}, options))
        return rc;
    if (options.positional.size() != 1)
        return UsageError("info", InfoUsage,
                          options.positional.empty() ? "no log file given" : "more than one log file given");
    InstallCliGlobal(options, options.positional.at(0));

    TLogSession session;
    const TReadResult read = LoadLogForCli(options.positional[0], session, options);
    if (read.status == TReadResult::OpenFailed)
        return 1;
    const TSampleStore& store = session.store();

    std::printf("file: %s\n", options.positional[0].c_str());
    std::printf("records: %zu\n", store.allRecords().size());
    std::printf("voltage records: %zu\n", store.voltageRecords().size());
    // Only the ICRS frame is named, so the classic report stays as it always was.
    if (store.preciseSite)
        std::printf("positions: %s\n", FrameCaption(TPositionFrame::Icrs));
    PrintCorrection("azimuth", store.loggedAzimuthCorrection);
    PrintCorrection("altitude", store.loggedAltitudeCorrection);
    for (int r = 0; r < ReceiverValueCount; ++r)
        std::printf("%s: %s\n", ReceiverCaptions[r], store.receiverValues[static_cast<std::size_t>(r)].c_str());

    const SampleList& samples = store.activeSamples(options.voltsOnly);
    if (samples.empty()) {
        std::printf("samples: none\n");
    } else {
        PrintTime("first", samples.front()[Time]);
        PrintTime("last", samples.back()[Time]);
        const auto extremes = FindAllExtremes(samples);
        for (int q = 0; q < QuantityCount; ++q) {
            const ExtremeIndex& e = extremes[static_cast<std::size_t>(q)];
            const double lo = samples[e.minimum][q];
            const double hi = samples[e.maximum][q];
            // The text is what the viewer's read-out and limits report show; the exact value
            // beside it keeps the line usable for comparisons in scripts.
            std::printf("%s: min %s (%.17g) max %s (%.17g)\n", QuantityCaption(q), QuantityText(q, lo).c_str(), lo,
                        QuantityText(q, hi).c_str(), hi);
        }
    }
    return read.status == TReadResult::Ok ? 0 : 1;
}

const CliRegistrar registrar({"info", "counts, corrections, receiver values and ranges of a log", InfoUsage,
                              RunInfo});

}  // namespace

}  // namespace driftline::cli
