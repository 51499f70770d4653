// driftline-cli derive: every derived sample of a log as comma-separated values.
#include "analysis/Fitswriter.h"
#include "cli/Clicommand.h"
#include "cli/Clioptions.h"
#include "cli/Multilog.h"
#include "astro/Sitesettings.h"
#include "suite/Fileunit.h"
#include "suite/Globalunit.h"
#include "suite/Numbertext.h"
#include "logdata/Logfollower.h"

#include "analysis/Chunkformat.h"
#include "analysis/Samplecsv.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace driftline::cli {

namespace {

const char* const DeriveUsage =
    "usage: driftline-cli derive LOG... [--root DIR | --ini FILE] [--az-corr N] [--alt-corr N] [--volts-only]\n"
    "                               [--format csv|fits] [-o FILE] [--follow [--idle-exit SECONDS]]\n"
    "\n"
    "Reads LOG and writes one comma-separated line per sample to standard output, after the header\n"
    "time,azimuth,altitude,right_ascension,declination,beta,lambda,volts\n"
    "Every value is printed with 17 significant digits (time: days since 30 Dec 1899, UTC; angles in\n"
    "degrees; volts).\n"
    "\n"
    "  --root DIR     suite root folder whose ZVK.ini gives the site and equinox\n"
    "  --ini FILE     the ZVK.ini to use; its folder is the root\n"
    "  --az-corr N    azimuth correction in counts to use instead of the logged one (as Refresh)\n"
    "  --alt-corr N   altitude correction likewise\n"
    "  --volts-only   only the records that carried a volts field\n"
    "  --follow       keep reading LOG as it grows: each new sample is written (and the output\n"
    "                 flushed) once its line is complete; a line without its line end is never\n"
    "                 taken. Ends on SIGINT or SIGTERM after writing everything complete, or when\n"
    "                 LOG is deleted. A file that shrinks or is replaced is read again from the\n"
    "                 start: the header and every sample are written again. Not with --az-corr or\n"
    "                 --alt-corr.\n"
    "  --idle-exit S  with --follow: end once LOG has not grown for S seconds\n"
    "  --format F     csv (the default) or fits: a FITS binary table of the eight quantities (MJD in\n"
    "                 UTC, degrees with signed declination and Beta, volts) with the site, frame,\n"
    "                 corrections and log name in its header; fits needs -o\n"
    "  -o FILE        write to FILE (replaced atomically) instead of standard output\n"
    "                 (not with --follow, which writes to standard output)\n" DRIFTLINE_POSITION_USAGE "\n"
    "With several logs, or a folder (its *.log files in name order), one CSV holds them all in the\n"
    "order given, with a first column 'file' naming each row's log. The exit status is 1 when any\n"
    "log could not be read in full.\n";

// Buffered writer: values go through GeneralDigits into one block that is written (to a stream
// or to a file being replaced) when full.
class TCsvWriter {
public:
    explicit TCsvWriter(std::FILE* out) : out_(out), buffer_(BlockBytes) {}
    explicit TCsvWriter(TAtomicFile* file) : file_(file), buffer_(BlockBytes) {}
    ~TCsvWriter() { flush(); }
    TCsvWriter(const TCsvWriter&) = delete;
    TCsvWriter& operator=(const TCsvWriter&) = delete;

    void text(const char* s)
    {
        const std::size_t n = std::strlen(s);
        reserve(n);
        std::memcpy(buffer_.data() + used_, s, n);
        used_ += n;
    }
    // %.17g of one value, then the separator.
    void value(double v, char separator)
    {
        reserve(MaxGeneralChars + 1);
        char* begin = buffer_.data() + used_;
        char* end = GeneralDigits(begin, v, 17);
        *end = separator;
        used_ += static_cast<std::size_t>(end - begin) + 1;
    }
    // Bytes formatted elsewhere, after what the buffer holds.
    bool bytes(std::string_view text)
    {
        if (!flush())
            return false;
        if (file_ != nullptr) {
            if (!file_->Write(text, error_))
                failed_ = true;
        } else if (std::fwrite(text.data(), 1, text.size(), out_) != text.size()) {
            failed_ = true;
        }
        return !failed_;
    }
    // Why the last write to a file failed.
    const std::string& error() const { return error_; }
    bool flush()
    {
        if (file_ != nullptr) {
            if (used_ != 0 && !failed_ && !file_->Write(std::string_view(buffer_.data(), used_), error_))
                failed_ = true;
            used_ = 0;
            return !failed_;
        }
        if (used_ != 0 && std::fwrite(buffer_.data(), 1, used_, out_) != used_)
            failed_ = true;
        used_ = 0;
        return !failed_ && std::fflush(out_) == 0;
    }

private:
    static constexpr std::size_t BlockBytes = std::size_t{1} << 20;
    void reserve(std::size_t n)
    {
        if (used_ + n > buffer_.size())
            flush();
        if (n > buffer_.size())
            buffer_.resize(n);
    }
    std::FILE* out_ = nullptr;
    TAtomicFile* file_ = nullptr;
    std::string error_;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
};

// Takes --az-corr / --alt-corr: false (message printed) when the value is not a 32-bit integer
// or the log has no correction line for that axis to replace.
bool ApplyCorrection(const TCliOptions& options, const char* option, const char* axis, std::int32_t logged,
                     std::int32_t& user)
{
    if (!options.has(option))
        return true;
    std::int64_t value = 0;
    const std::string text = options.value(option);
    if (!ParseInt64(text, value) || value < INT32_MIN || value > INT32_MAX || value == NoCorrection) {
        std::fprintf(stderr, "driftline-cli derive: %s: '%s' is not a correction in counts\n", option, text.c_str());
        return false;
    }
    if (logged == NoCorrection) {
        std::fprintf(stderr, "driftline-cli derive: %s: the log has no %s correction line to replace\n", option, axis);
        return false;
    }
    user = static_cast<std::int32_t>(value);
    return true;
}

const char* const DeriveHeader = "time,azimuth,altitude,right_ascension,declination,beta,lambda,volts";

void WriteSamples(TCsvWriter& out, const SampleView& samples, std::size_t first)
{
    for (std::size_t i = first; i < samples.size(); ++i) {
        const Sample& s = samples[i];
        for (int q = 0; q < QuantityCount; ++q)
            out.value(s[q], q + 1 < QuantityCount ? ',' : '\n');
    }
}

bool FlushOrReport(TCsvWriter& out)
{
    if (out.flush())
        return true;
    std::fprintf(stderr, "driftline-cli derive: cannot write the output: %s\n", std::strerror(errno));
    return false;
}

// SIGINT and SIGTERM only note the request and wake the wait; the loop ends cleanly.
volatile std::sig_atomic_t stopRequested = 0;
int wakePipe[2] = {-1, -1};

extern "C" void OnStopSignal(int)
{
    stopRequested = 1;
    const char byte = 1;
    if (wakePipe[1] >= 0)
        (void)!::write(wakePipe[1], &byte, 1);
}

int RunFollow(const TCliOptions& options)
{
    double idleSeconds = -1.0;
    if (options.has("--idle-exit")) {
        const std::string text = options.value("--idle-exit");
        if (!ParseDouble(text, idleSeconds) || !(idleSeconds >= 0.0) || idleSeconds > 1e6)
            return UsageError("derive", DeriveUsage, "--idle-exit: '" + text + "' is not a number of seconds");
    }
    if (options.has("--az-corr") || options.has("--alt-corr"))
        return UsageError("derive", DeriveUsage, "--follow does not take --az-corr or --alt-corr");
    const std::filesystem::path log = options.positional[0];

    TLogSession session;
    session.setFrameSite(FrameSite(SiteFromSettings(Global()), CliPositionSettings(options)));
    const TReadResult read = session.readFollowed(log);
    if (read.status == TReadResult::OpenFailed) {
        std::fprintf(stderr, "driftline-cli: cannot open %s: %s\n", log.c_str(), read.reason.c_str());
        return 1;
    }
    TCsvWriter out(stdout);
    out.text(DeriveHeader);
    out.text("\n");
    // A view of the list as it stands: taken again after every look, since arrivals change it.
    const auto samples = [&] { return session.store().activeSamples(options.voltsOnly); };
    WriteSamples(out, samples(), 0);
    std::size_t written = samples().size();
    if (!FlushOrReport(out))
        return 1;
    if (read.status == TReadResult::InvalidDate) {
        std::fprintf(stderr, "driftline-cli: %s: line %llu: %s\n", log.c_str(),
                     static_cast<unsigned long long>(read.line), InvalidDateMessage);
        return 1;
    }

    if (!session.following())
        return 0;
    const TLogFollower& follower = *session.follower();
    if (::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::fprintf(stderr, "driftline-cli derive: cannot follow: %s\n", std::strerror(errno));
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);

    using Clock = std::chrono::steady_clock;
    auto lastGrowth = Clock::now();
    std::uint64_t seenBytes = follower.offset() + follower.heldBytes();
    int rc = 0;
    for (;;) {
        int maxMs = -1;
        if (idleSeconds >= 0.0) {
            const double left = idleSeconds - std::chrono::duration<double>(Clock::now() - lastGrowth).count();
            maxMs = left <= 0.0 ? 0 : static_cast<int>(std::ceil(left * 1000.0));
        }
        if (!stopRequested)
            follower.wait(wakePipe[0], maxMs);
        // A last look also on the way out: lines completed before the signal are written.
        const TFollowStep step = session.takeArrived();
        if (step.status == TFollowStep::Restarted) {
            std::fprintf(stderr, "driftline-cli derive: %s shrank or was replaced; reading it again from the start\n",
                         log.c_str());
            out.text(DeriveHeader);
            out.text("\n");
            written = 0;
        }
        if (samples().size() > written) {
            WriteSamples(out, samples(), written);
            written = samples().size();
        }
        if (!FlushOrReport(out)) {
            rc = 1;
            break;
        }
        const std::uint64_t bytes = follower.offset() + follower.heldBytes();
        if (bytes != seenBytes || step.status == TFollowStep::Restarted) {
            seenBytes = bytes;
            lastGrowth = Clock::now();
        }
        if (step.status == TFollowStep::InvalidDate) {
            std::fprintf(stderr, "driftline-cli: %s: line %llu: %s\n", log.c_str(),
                         static_cast<unsigned long long>(step.line), InvalidDateMessage);
            rc = 1;
            break;
        }
        if (step.ended()) {
            std::fprintf(stderr, "driftline-cli derive: %s\n", step.message.c_str());
            rc = step.status == TFollowStep::Deleted ? 0 : 1;
            break;
        }
        if (stopRequested)
            break;
        if (idleSeconds >= 0.0 && std::chrono::duration<double>(Clock::now() - lastGrowth).count() >= idleSeconds)
            break;
    }
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    ::close(wakePipe[0]);
    ::close(wakePipe[1]);
    wakePipe[0] = wakePipe[1] = -1;
    return rc;
}

// The corrections asked for, applied as Refresh would; false (reported) when they cannot be.
bool CorrectAsAsked(const TCliOptions& options, TLogSession& session)
{
    const TSampleStore& store = session.store();
    std::int32_t azimuth = store.azimuthCorrection;
    std::int32_t altitude = store.altitudeCorrection;
    if (!ApplyCorrection(options, "--az-corr", "azimuth", store.loggedAzimuthCorrection, azimuth) ||
        !ApplyCorrection(options, "--alt-corr", "altitude", store.loggedAltitudeCorrection, altitude))
        return false;
    if (options.has("--az-corr") || options.has("--alt-corr")) {
        // Refresh, as the window's button after typing the corrections.
        session.setAzimuthCorrection(azimuth);
        session.setAltitudeCorrection(altitude);
        session.refresh();
    }
    return true;
}

int RunDerive(const std::vector<std::string>& args)
{
    TCliOptions options;
    if (int rc = ParseCliOptions(
            args, "derive", DeriveUsage, OptSettings | OptPosition | OptVoltsOnly | OptOutput,
            {{"--az-corr", true}, {"--alt-corr", true}, {"--format", true}, {"--follow", false}, {"--idle-exit", true}},
            options))
        return rc;
    if (options.positional.empty())
        return UsageError("derive", DeriveUsage, "no log file given");
    const std::string format = options.value("--format", "csv");
    if (format != "csv" && format != "fits")
        return UsageError("derive", DeriveUsage, "unknown format '" + format + "' (csv or fits)");
    const bool toStdout = options.output.empty() || options.output == "-";
    if (format == "fits" && toStdout)
        return UsageError("derive", DeriveUsage, "--format fits needs -o FILE");
    if (options.has("--idle-exit") && !options.has("--follow"))
        return UsageError("derive", DeriveUsage, "--idle-exit needs --follow");
    if (options.has("--follow") && (format != "csv" || !toStdout))
        return UsageError("derive", DeriveUsage, "--follow writes CSV to standard output (no --format fits, no -o)");
    if (NamesSeveralLogs(options.positional)) {
        if (options.has("--follow"))
            return UsageError("derive", DeriveUsage, "--follow follows one log file");
        if (format != "csv" || !toStdout)
            return UsageError("derive", DeriveUsage, "several logs are written as CSV to standard output");
        return DeriveLogs(options, DeriveHeader, [&](const std::filesystem::path& log, TLogSession& session) {
            if (CorrectAsAsked(options, session))
                return true;
            std::fprintf(stderr, "driftline-cli derive: %s: not derived\n", log.c_str());
            return false;
        });
    }
    InstallCliGlobal(options, options.positional.at(0));
    if (options.has("--follow"))
        return RunFollow(options);

    TLogSession session;
    const TReadResult read = LoadLogForCli(options.positional[0], session, options);
    if (read.status == TReadResult::OpenFailed)
        return 1;
    if (!CorrectAsAsked(options, session))
        return 1;

    const TSampleStore& store = session.store();
    const SampleView& samples = store.activeSamples(options.voltsOnly);
    std::string error;
    if (format == "fits") {
        const TFitsTableInfo info = FitsInfoFor(Global(), CliPositionSettings(options), store, options.positional[0],
                                                samples);
        if (!WriteFitsTable(options.output, SampleColumns(samples), samples.size(), info, error)) {
            std::fprintf(stderr, "driftline-cli derive: cannot save %s: %s\n", options.output.c_str(), error.c_str());
            return 1;
        }
        return read.status == TReadResult::Ok ? 0 : 1;
    }

    // To a file the text goes to a temporary file beside it, renamed over it at the end.
    TAtomicFile file;
    if (!toStdout && !file.Open(options.output, error)) {
        std::fprintf(stderr, "driftline-cli derive: cannot save %s: %s\n", options.output.c_str(), error.c_str());
        return 1;
    }
    TCsvWriter out = toStdout ? TCsvWriter(stdout) : TCsvWriter(&file);
    out.text(DeriveHeader);
    out.text("\n");
    // Chunks of rows formatted on every core, written in order straight after the header.
    const auto formatRows = [&](std::size_t begin, std::size_t end, std::string& text) {
        AppendSampleRows(text, samples, begin, end);
    };
    const auto writeRows = [&](const std::string& text) { return out.flush() && out.bytes(text); };
    if (!FormatInOrder(samples.size(), 0, 0, formatRows, writeRows) || !out.flush()) {
        if (toStdout)
            std::fprintf(stderr, "driftline-cli derive: cannot write the output: %s\n", std::strerror(errno));
        else
            std::fprintf(stderr, "driftline-cli derive: cannot save %s: %s\n", options.output.c_str(),
                         out.error().c_str());
        return 1;
    }
    if (!toStdout && !file.Commit(error)) {
        std::fprintf(stderr, "driftline-cli derive: cannot save %s: %s\n", options.output.c_str(), error.c_str());
        return 1;
    }
    return read.status == TReadResult::Ok ? 0 : 1;
}

const CliRegistrar registrar({"derive", "all derived samples of a log as CSV", DeriveUsage, RunDerive});

}  // namespace

}  // namespace driftline::cli
