// driftline-cli info: what a log holds: counts, corrections, receiver values, time span and the
// range of every quantity.
#include "cli/Clicommand.h"
#include "cli/Clioptions.h"
#include "cli/Multilog.h"

#include "astro/Timeunit.h"
#include "logdata/Extremes.h"
#include "plot/QuantityText.h"

#include <atomic>
#include <cstdio>
#include <string>

namespace driftline::cli {

namespace {

const char* const InfoUsage =
    "usage: driftline-cli info LOG... [--root DIR | --ini FILE] [--volts-only]\n"
    "\n"
    "Prints the record and voltage-record counts, the logged corrections, the receiver values, the\n"
    "first and last sample time and the minimum and maximum of every quantity of LOG. Each extreme\n"
    "is shown as the viewer shows it (time of day, degrees, minutes and seconds, hours of right\n"
    "ascension, volts with three decimals), followed by its exact value in parentheses.\n"
    "\n"
    "  --root DIR     suite root folder whose ZVK.ini gives the site and equinox\n"
    "  --ini FILE     the ZVK.ini to use; its folder is the root\n"
    "  --volts-only   times and ranges over the records that carried a volts field\n"
    "\n"
    "With several logs, or a folder (its *.log files in name order), each log's lines follow a line\n"
    "'== LOG', in the order given, and a last line gives the totals. The exit status is 1 when any\n"
    "log could not be read in full.\n" DRIFTLINE_POSITION_USAGE;

// Receiver panel captions, in ReceiverValue order.
const char* const ReceiverCaptions[ReceiverValueCount] = {
    "DC Gain", "Timer interval", "IF Gain", "Integration", "Continuum Offset",
};

void PrintCorrection(std::string& out, const char* axis, std::int32_t logged)
{
    if (logged == NoCorrection)
        AppendFormat(out, "%s correction: none\n", axis);
    else
        AppendFormat(out, "%s correction: %d\n", axis, logged);
}

void PrintTime(std::string& out, const char* which, double t)
{
    const TSystemTime st = DecodeDateTime(t);
    AppendFormat(out, "%s sample time: %.17g (%02u/%02u/%04u %02u:%02u:%02u.%03u UTC)\n", which, t, st.wDay, st.wMonth,
                 st.wYear, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

// The lines info prints for one log that was read.
std::string InfoBlock(const std::filesystem::path& log, const TSampleStore& store, bool voltsOnly)
{
    std::string out;
    AppendFormat(out, "file: %s\n", log.c_str());
    AppendFormat(out, "records: %zu\n", store.allRecords().size());
    AppendFormat(out, "voltage records: %zu\n", store.voltageRecords().size());
    // Only the ICRS frame is named, so the classic report stays as it always was.
    if (store.preciseSite)
        AppendFormat(out, "positions: %s\n", FrameCaption(TPositionFrame::Icrs));
    PrintCorrection(out, "azimuth", store.loggedAzimuthCorrection);
    PrintCorrection(out, "altitude", store.loggedAltitudeCorrection);
    for (int r = 0; r < ReceiverValueCount; ++r)
        AppendFormat(out, "%s: %s\n", ReceiverCaptions[r], store.receiverValues[static_cast<std::size_t>(r)].c_str());

    const SampleView& samples = store.activeSamples(voltsOnly);
    if (samples.empty()) {
        out += "samples: none\n";
    } else {
        PrintTime(out, "first", samples.front()[Time]);
        PrintTime(out, "last", samples.back()[Time]);
        // Found while the samples were derived, when the list is a whole one.
        const TListEnds* ends = store.activeEnds(voltsOnly);
        const auto extremes = ends != nullptr ? ends->extremes() : FindAllExtremes(samples);
        for (int q = 0; q < QuantityCount; ++q) {
            const ExtremeIndex& e = extremes[static_cast<std::size_t>(q)];
            const double lo = samples[e.minimum][q];
            const double hi = samples[e.maximum][q];
            // The text is what the viewer's read-out and limits report show; the exact value
            // beside it keeps the line usable for comparisons in scripts.
            AppendFormat(out, "%s: min %s (%.17g) max %s (%.17g)\n", QuantityCaption(q), QuantityText(q, lo).c_str(),
                         lo, QuantityText(q, hi).c_str(), hi);
        }
    }
    return out;
}

int RunInfoOnLogs(const TCliOptions& options)
{
    std::vector<std::filesystem::path> logs;
    bool listed = ExpandLogArguments(options.positional, logs);
    InstallCliGlobal(options, logs.empty() ? std::filesystem::path() : logs.front());
    std::atomic<std::size_t> records{0}, voltageRecords{0};
    const std::size_t failed = RunOverLogs(
        logs,
        [&](const std::filesystem::path& log, unsigned readThreads) {
            TLogOutcome outcome;
            TLogSession session;
            const TReadResult read = LoadLogForCli(log, session, options, readThreads);
            outcome.failed = read.status != TReadResult::Ok;
            AppendFormat(outcome.text, "== %s\n", log.c_str());
            if (read.status == TReadResult::OpenFailed) {
                outcome.text += "not read\n";
                return outcome;
            }
            records += session.store().allRecords().size();
            voltageRecords += session.store().voltageRecords().size();
            outcome.text += InfoBlock(log, session.store(), options.voltsOnly);
            return outcome;
        },
        stdout);
    std::printf("total: %zu logs, %zu not read in full, %zu records, %zu voltage records\n", logs.size(), failed,
                records.load(), voltageRecords.load());
    return failed == 0 && listed && !logs.empty() ? 0 : 1;
}

int RunInfo(const std::vector<std::string>& args)
{
    TCliOptions options;
    if (int rc = ParseCliOptions(args, "info", InfoUsage, OptSettings | OptPosition | OptVoltsOnly, {}, options))
        return rc;
    if (options.positional.empty())
        return UsageError("info", InfoUsage, "no log file given");
    if (NamesSeveralLogs(options.positional))
        return RunInfoOnLogs(options);
    InstallCliGlobal(options, options.positional.at(0));

    TLogSession session;
    const TReadResult read = LoadLogForCli(options.positional[0], session, options);
    if (read.status == TReadResult::OpenFailed)
        return 1;
    const std::string block = InfoBlock(options.positional[0], session.store(), options.voltsOnly);
    std::fwrite(block.data(), 1, block.size(), stdout);
    return read.status == TReadResult::Ok ? 0 : 1;
}

const CliRegistrar registrar({"info", "counts, corrections, receiver values and ranges of a log", InfoUsage, RunInfo});

}  // namespace

}  // namespace driftline::cli
