// driftline-cli derive: every derived sample of a log as comma-separated values.
#include "analysis/Fitswriter.h"
#include "cli/Clicommand.h"
#include "cli/Clioptions.h"
#include "suite/Fileunit.h"
#include "suite/Globalunit.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace driftline::cli {

namespace {

const char* const DeriveUsage =
    "usage: driftline-cli derive LOG [--root DIR | --ini FILE] [--az-corr N] [--alt-corr N] [--volts-only]\n"
    "                            [--format csv|fits] [-o FILE]\n"
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
    "  --format F     csv (the default) or fits: a FITS binary table of the eight quantities (MJD in\n"
    "                 UTC, degrees with signed declination and Beta, volts) with the site, frame,\n"
    "                 corrections and log name in its header; fits needs -o\n"
    "  -o FILE        write to FILE (replaced atomically) instead of standard output\n"
    DRIFTLINE_POSITION_USAGE;

// Buffered writer: values go through std::to_chars into one block that is written (to a stream
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
        reserve(MaxValueChars + 1);
        char* begin = buffer_.data() + used_;
        const auto result = std::to_chars(begin, begin + MaxValueChars, v, std::chars_format::general, 17);
        *result.ptr = separator;
        used_ += static_cast<std::size_t>(result.ptr - begin) + 1;
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
    static constexpr std::size_t MaxValueChars = 32;  // "-1.2345678901234567e-308" fits
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
        std::fprintf(stderr, "driftline-cli derive: %s: the log has no %s correction line to replace\n", option,
                     axis);
        return false;
    }
    user = static_cast<std::int32_t>(value);
    return true;
}

int RunDerive(const std::vector<std::string>& args)
{
    TCliOptions options;
    if (int rc = ParseCliOptions(args, "derive", DeriveUsage, OptSettings | OptPosition | OptVoltsOnly | OptOutput,
                                 {{"--az-corr", true}, {"--alt-corr", true}, {"--format", true}}, options))
        return rc;
    if (options.positional.size() != 1)
        return UsageError("derive", DeriveUsage,
                          options.positional.empty() ? "no log file given" : "more than one log file given");
    const std::string format = options.value("--format", "csv");
    if (format != "csv" && format != "fits")
        return UsageError("derive", DeriveUsage, "unknown format '" + format + "' (csv or fits)");
    const bool toStdout = options.output.empty() || options.output == "-";
    if (format == "fits" && toStdout)
        return UsageError("derive", DeriveUsage, "--format fits needs -o FILE");
    InstallCliGlobal(options, options.positional.at(0));

    TLogSession session;
    const TReadResult read = LoadLogForCli(options.positional[0], session, options);
    if (read.status == TReadResult::OpenFailed)
        return 1;
    const TSampleStore& store = session.store();
    std::int32_t azimuth = store.azimuthCorrection;
    std::int32_t altitude = store.altitudeCorrection;
    if (!ApplyCorrection(options, "--az-corr", "azimuth", store.loggedAzimuthCorrection, azimuth) ||
        !ApplyCorrection(options, "--alt-corr", "altitude", store.loggedAltitudeCorrection, altitude))
        return 1;
    if (options.has("--az-corr") || options.has("--alt-corr")) {
        // Refresh, as the window's button after typing the corrections.
        session.setAzimuthCorrection(azimuth);
        session.setAltitudeCorrection(altitude);
        session.refresh();
    }

    const SampleList& samples = store.activeSamples(options.voltsOnly);
    std::string error;
    if (format == "fits") {
        const TFitsTableInfo info =
            FitsInfoFor(Global(), CliPositionSettings(options), store, options.positional[0], samples);
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
    out.text("time,azimuth,altitude,right_ascension,declination,beta,lambda,volts\n");
    for (const Sample& s : samples) {
        for (int q = 0; q < QuantityCount; ++q)
            out.value(s[q], q + 1 < QuantityCount ? ',' : '\n');
    }
    if (!out.flush()) {
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
