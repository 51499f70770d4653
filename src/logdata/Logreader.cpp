// The reading loop over a log file: large blocks, split at LF, one parse per line, and the
// derivation of all samples at the end (on every core, with results in file order).
#include "logdata/Logreader.h"

#include "astro/Timeunit.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace driftline {

namespace {

constexpr std::size_t ReadBlockBytes = std::size_t{1} << 20;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::string TReadResult::message() const
{
    switch (status) {
    case Ok:
        return {};
    case OpenFailed:
        return reason;
    case InvalidDate:
        return InvalidDateMessage;
    }
    return {};
}

LogDateResult parseLogDate(std::string_view line, TSampleStore& store)
{
    TLogDate date;
    const LogDateResult result = ParseLogDateFields(line, date);
    if (result == LogDateResult::Valid)
        store.logDate = EncodeDate(date.year, date.month, date.day);
    return result;
}

LineEffect parseLogLine(std::string_view line, TSampleStore& store, bool deriveNow)
{
    switch (ClassifyLine(line)) {
    case LineKind::SessionHeader:
    case LineKind::DateLine:
        switch (parseLogDate(line, store)) {
        case LogDateResult::Valid:
            return LineEffect::DateSet;
        case LogDateResult::Invalid:
            return LineEffect::InvalidDate;
        case LogDateResult::NoDate:
            return LineEffect::Ignored;
        }
        return LineEffect::Ignored;
    case LineKind::Receiver: {
        ReceiverValue which;
        std::string_view value;
        if (!ParseReceiverLine(line, which, value))
            return LineEffect::Ignored;
        store.receiverValues[static_cast<std::size_t>(which)].assign(value);
        return LineEffect::ReceiverSet;
    }
    case LineKind::Correction: {
        CorrectionAxis axis;
        std::int32_t value = 0;
        if (!ParseCorrectionLine(line, axis, value))
            return LineEffect::Ignored;
        if (axis == CorrectionAxis::Azimuth)
            store.azimuthCorrection = store.loggedAzimuthCorrection = value;
        else
            store.altitudeCorrection = store.loggedAltitudeCorrection = value;
        return LineEffect::CorrectionSet;
    }
    case LineKind::Record: {
        RawRecord raw;
        const RecordParse parsed = ParseRecordLine(line, raw);
        if (parsed == RecordParse::Malformed)
            return LineEffect::Ignored;
        store.appendRecord(raw, parsed == RecordParse::WithVolts);
        if (deriveNow)
            store.deriveRecords(1);
        return LineEffect::RecordAdded;
    }
    case LineKind::Other:
        return LineEffect::Ignored;
    }
    return LineEffect::Ignored;
}

namespace {

// Derives samples of the records the parser has already appended, on a thread of its own, while
// the parser goes on. The parser publishes how many records are complete; the worker appends
// their samples to allSamples in file order. Both lists were reserved beforehand and the parser
// stops the worker before a record would make allRecords grow, so the worker's pointers stay
// valid. After finish() the caller derives whatever is left (TSampleStore::deriveRecords).
class TDerivePipeline {
public:
    explicit TDerivePipeline(TSampleStore& store) : store_(store) {}
    ~TDerivePipeline() { finish(); }
    TDerivePipeline(const TDerivePipeline&) = delete;
    TDerivePipeline& operator=(const TDerivePipeline&) = delete;

    void start()
    {
        store_.allSamples.reserve(store_.allRecords.capacity());
        records_ = store_.allRecords.data();
        dates_ = store_.allRecordDates.data();
        worker_ = std::thread([this] { run(); });
    }
    bool running() const { return worker_.joinable(); }
    // True when one more record still fits without moving the records the worker reads.
    bool roomForOneMore() const
    {
        return store_.allRecords.size() < store_.allRecords.capacity() &&
               store_.allRecordDates.size() < store_.allRecordDates.capacity();
    }
    // Hands the worker the records appended so far, a batch at a time.
    void publish()
    {
        const std::size_t n = store_.allRecords.size();
        if (n - lastPublished_ < BatchRecords)
            return;
        lastPublished_ = n;
        published_.store(n, std::memory_order_release);
        published_.notify_one();
    }
    // Stops the worker after its current batch and waits for it.
    void finish()
    {
        if (!worker_.joinable())
            return;
        published_.store(StopMark, std::memory_order_release);
        published_.notify_one();
        worker_.join();
    }

private:
    static constexpr std::size_t BatchRecords = 4096;
    static constexpr std::size_t StopMark = static_cast<std::size_t>(-1);

    void run()
    {
        SampleList& samples = store_.allSamples;
        std::size_t done = samples.size();
        std::optional<TPreciseFrame> precise;
        if (store_.preciseSite)
            precise.emplace(*store_.preciseSite);
        TPreciseFrame* frame = precise ? &*precise : nullptr;
        for (;;) {
            const std::size_t available = published_.load(std::memory_order_acquire);
            if (available == StopMark)
                return;
            if (done >= available) {
                published_.wait(available, std::memory_order_acquire);
                continue;
            }
            const std::size_t end = std::min(available, done + BatchRecords);
            for (; done < end; ++done)
                samples.push_back(deriveSample(records_[done], 0, 0, dates_[done], frame));
        }
    }

    TSampleStore& store_;
    const RawRecord* records_ = nullptr;
    const TDateTime* dates_ = nullptr;
    std::atomic<std::size_t> published_{0};
    std::size_t lastPublished_ = 0;
    std::thread worker_;
};

// Files below this size are read and derived on one thread: starting a worker costs more.
constexpr std::uintmax_t PipelineMinBytes = 256 * 1024;

}  // namespace

TReadResult readLogFile(const std::filesystem::path& path, TSampleStore& store, TProgressModel* progress,
                        unsigned threads)
{
    TReadResult result;
    std::error_code ec;
    // A folder opens for reading on this platform and only fails at the first read, so it is
    // refused here, before anything is cleared.
    if (std::filesystem::is_directory(path, ec)) {
        result.status = TReadResult::OpenFailed;
        result.reason = std::strerror(EISDIR);
        return result;
    }
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        result.status = TReadResult::OpenFailed;
        result.reason = std::strerror(errno != 0 ? errno : ENOENT);
        return result;
    }
    const std::uintmax_t fileSize = std::filesystem::file_size(path, ec);
    const bool sizeKnown = !ec;

    bool showProgress = false;
    if (progress) {
        showProgress = sizeKnown && progress->ProgressStart(static_cast<std::uint64_t>(fileSize));
        if (!sizeKnown)
            progress->shown = false;
    }

    store.clearForRead();
    // A record line has some 20 to 30 bytes; reserving for 12-byte lines keeps the lists from
    // re-growing (and copying) on a usual file, and costs only address space until the entries
    // are written.
    if (sizeKnown && fileSize / 12 < (std::uintmax_t{1} << 31)) {
        const std::size_t guess = static_cast<std::size_t>(fileSize / 12);
        store.allRecords.reserve(guess);
        store.allRecordDates.reserve(guess);
        store.voltageRecords.reserve(guess);
        store.voltageRecordDates.reserve(guess);
        store.reserveVoltageIndex(guess);
    }

    const unsigned cores = threads != 0 ? threads : std::max(1u, std::thread::hardware_concurrency());
    TDerivePipeline pipeline(store);
    if (cores > 1 && sizeKnown && fileSize >= PipelineMinBytes && store.allRecords.capacity() > 0)
        pipeline.start();

    // One buffer holds the unread tail of the previous block followed by the next block; a line
    // longer than the buffer makes it grow.
    std::vector<char> buffer(ReadBlockBytes);
    std::size_t filled = 0;  // bytes held in buffer
    std::size_t start = 0;   // first byte of the current line
    std::uint64_t lineNumber = 0;
    bool atEnd = false;

    auto handleLine = [&](std::string_view line) -> bool {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (showProgress)
            progress->ProgressAdvance(line.size());
        if (pipeline.running() && !pipeline.roomForOneMore())
            pipeline.finish();  // more records than reserved: the lists will move
        switch (parseLogLine(line, store, false)) {
        case LineEffect::InvalidDate:
            result.status = TReadResult::InvalidDate;
            result.line = lineNumber;
            return false;
        case LineEffect::RecordAdded:
            if (pipeline.running())
                pipeline.publish();
            return true;
        default:
            return true;
        }
    };

    bool stopped = false;
    while (!stopped) {
        // Move the partial line to the front and fill the rest of the buffer.
        if (start > 0) {
            std::memmove(buffer.data(), buffer.data() + start, filled - start);
            filled -= start;
            start = 0;
        }
        if (filled == buffer.size())
            buffer.resize(buffer.size() * 2);
        const std::size_t carried = filled;  // the carried partial line holds no LF
        const std::size_t got = std::fread(buffer.data() + filled, 1, buffer.size() - filled, file.get());
        filled += got;
        atEnd = got == 0;
        if (atEnd)
            break;

        const char* base = buffer.data();
        std::size_t scan = carried;
        for (;;) {
            const void* lf = std::memchr(base + scan, '\n', filled - scan);
            if (!lf)
                break;
            const std::size_t lfPos = static_cast<std::size_t>(static_cast<const char*>(lf) - base);
            if (!handleLine(std::string_view(base + start, lfPos - start))) {
                stopped = true;
                break;
            }
            start = lfPos + 1;
            scan = start;
        }
    }
    // The last line without a line end is a line too.
    if (!stopped && filled > start)
        handleLine(std::string_view(buffer.data() + start, filled - start));

    pipeline.finish();
    store.deriveRecords(threads);
    return result;
}

}  // namespace driftline
