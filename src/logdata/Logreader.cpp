// The reading loop over a log file: large blocks, split at LF, one parse per line, and the
// derivation of all samples at the end (on every core, with results in file order).
#include "logdata/Logreader.h"

#include "astro/Sitesettings.h"
#include "astro/Timeunit.h"
#include "logdata/Samplederive.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
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

// Files below this size are read and derived on one thread: starting a worker costs more.
constexpr std::uintmax_t PipelineMinBytes = 256 * 1024;
// Each slice of a parallel parse holds at least this many bytes.
constexpr std::uintmax_t MinSliceBytes = 128 * 1024;

// Reads at most limit bytes of file from where it stands, in large blocks, and hands every line
// (LF removed, a CR before it kept) to handle, which returns false to stop. The bytes after the
// last LF within the limit are a line too. Returns false when handle stopped the read.
template <typename Handle>
bool ForEachLine(std::FILE* file, std::uintmax_t limit, Handle&& handle)
{
    // One buffer holds the unread tail of the previous block followed by the next block; a line
    // longer than the buffer makes it grow.
    std::vector<char> buffer(ReadBlockBytes);
    std::size_t filled = 0;  // bytes held in buffer
    std::size_t start = 0;   // first byte of the current line
    std::uintmax_t left = limit;
    for (;;) {
        // Move the partial line to the front and fill the rest of the buffer.
        if (start > 0) {
            std::memmove(buffer.data(), buffer.data() + start, filled - start);
            filled -= start;
            start = 0;
        }
        if (filled == buffer.size())
            buffer.resize(buffer.size() * 2);
        const std::size_t carried = filled;  // the carried partial line holds no LF
        const std::size_t want = static_cast<std::size_t>(std::min<std::uintmax_t>(buffer.size() - filled, left));
        const std::size_t got = want > 0 ? std::fread(buffer.data() + filled, 1, want, file) : 0;
        filled += got;
        left -= got;
        if (got == 0)
            break;

        const char* base = buffer.data();
        std::size_t scan = carried;
        for (;;) {
            const void* lf = std::memchr(base + scan, '\n', filled - scan);
            if (!lf)
                break;
            const std::size_t lfPos = static_cast<std::size_t>(static_cast<const char*>(lf) - base);
            if (!handle(std::string_view(base + start, lfPos - start)))
                return false;
            start = lfPos + 1;
            scan = start;
        }
    }
    // The last line without a line end is a line too.
    if (filled > start)
        return handle(std::string_view(buffer.data() + start, filled - start));
    return true;
}

// The offset just past the first LF at or after offset `from`; the file's size when none follows.
std::uintmax_t NextLineStart(std::FILE* file, std::uintmax_t from, std::uintmax_t size)
{
    if (from == 0 || from >= size)
        return std::min(from, size);
    if (fseeko(file, static_cast<off_t>(from - 1), SEEK_SET) != 0)
        return size;
    // Looking from the byte before: a slice that would start right after an LF starts there.
    char block[65536];
    std::uintmax_t at = from - 1;
    for (;;) {
        const std::size_t got = std::fread(block, 1, sizeof block, file);
        if (got == 0)
            return size;
        if (const void* lf = std::memchr(block, '\n', got))
            return at + static_cast<std::uintmax_t>(static_cast<const char*>(lf) - block) + 1;
        at += got;
    }
}

// What one slice of the file left: its records in a store of its own (dated NaN before its
// first date line), and which of the session values its lines set.
struct TSlice {
    std::uintmax_t begin = 0;
    std::uintmax_t end = 0;
    TSampleStore part;
    std::uint64_t lines = 0;
    bool dateSet = false;
    bool azimuthSet = false;
    bool altitudeSet = false;
    std::array<bool, ReceiverValueCount> receiverSet{};
    bool invalidDate = false;  // stopped at line `lines` (counted within the slice)
    bool readFailed = false;
};

// Parses one slice with the line rules of the serial read, on a file handle of its own.
void ParseSlice(const std::filesystem::path& path, TSlice& slice)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file || fseeko(file.get(), static_cast<off_t>(slice.begin), SEEK_SET) != 0) {
        slice.readFailed = true;
        return;
    }
    TSampleStore& part = slice.part;
    part.clearForRead();
    part.logDate = std::numeric_limits<double>::quiet_NaN();
    const std::uintmax_t bytes = slice.end - slice.begin;
    if (bytes / 12 < (std::uintmax_t{1} << 31))
        part.reserveRecords(static_cast<std::size_t>(bytes / 12));
    ForEachLine(file.get(), bytes, [&](std::string_view line) {
        ++slice.lines;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        switch (parseLogLine(line, part, false)) {
        case LineEffect::InvalidDate:
            slice.invalidDate = true;
            return false;
        case LineEffect::DateSet:
            slice.dateSet = true;
            return true;
        case LineEffect::ReceiverSet: {
            ReceiverValue which;
            std::string_view value;
            if (ParseReceiverLine(line, which, value))
                slice.receiverSet[static_cast<std::size_t>(which)] = true;
            return true;
        }
        case LineEffect::CorrectionSet: {
            CorrectionAxis axis;
            std::int32_t value = 0;
            if (ParseCorrectionLine(line, axis, value))
                (axis == CorrectionAxis::Azimuth ? slice.azimuthSet : slice.altitudeSet) = true;
            return true;
        }
        default:
            return true;
        }
    });
}

// The parallel parse: the file cut at line ends into one slice per thread, each parsed on its
// own; then, in file order, each slice's undated records take the date in force where it starts,
// its session values replace the earlier ones, and an invalid date ends the read where it stands
// in the whole file. The store ends as the serial read leaves it, records and dates alike.
bool ReadInSlices(const std::filesystem::path& path, std::FILE* file, std::uintmax_t size, unsigned count,
                  TSampleStore& store, TReadResult& result)
{
    std::vector<TSlice> slices(count);
    for (unsigned i = 0; i < count; ++i)
        slices[i].begin = i == 0 ? 0 : NextLineStart(file, size * i / count, size);
    for (unsigned i = 0; i < count; ++i) {
        slices[i].begin = i == 0 ? 0 : std::max(slices[i].begin, slices[i - 1].begin);
        slices[i].end = size;
    }
    for (unsigned i = 0; i + 1 < count; ++i)
        slices[i].end = slices[i + 1].begin;

    std::vector<std::thread> workers;
    workers.reserve(count - 1);
    for (unsigned i = 1; i < count; ++i)
        workers.emplace_back(ParseSlice, std::cref(path), std::ref(slices[i]));
    ParseSlice(path, slices[0]);
    for (auto& w : workers)
        w.join();
    for (const TSlice& slice : slices) {
        if (slice.readFailed)
            return false;
    }

    std::size_t total = 0;
    for (const TSlice& slice : slices) {
        total += slice.part.allRecords().size();
        if (slice.invalidDate)
            break;
    }
    store.reserveRecords(total);
    std::uint64_t linesBefore = 0;
    for (TSlice& slice : slices) {
        TSampleStore& part = slice.part;
        const TDateTime undated = store.logDate;
        if (slice.dateSet)
            store.logDate = part.logDate;
        if (slice.azimuthSet) {
            store.azimuthCorrection = part.azimuthCorrection;
            store.loggedAzimuthCorrection = part.loggedAzimuthCorrection;
        }
        if (slice.altitudeSet) {
            store.altitudeCorrection = part.altitudeCorrection;
            store.loggedAltitudeCorrection = part.loggedAltitudeCorrection;
        }
        for (std::size_t r = 0; r < slice.receiverSet.size(); ++r) {
            if (slice.receiverSet[r])
                store.receiverValues[r] = std::move(part.receiverValues[r]);
        }
        store.appendRecordsOf(std::move(part), undated);
        if (slice.invalidDate) {
            result.status = TReadResult::InvalidDate;
            result.line = linesBefore + slice.lines;
            break;
        }
        linesBefore += slice.lines;
    }
    return true;
}

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
    // Every sample of one read is derived at the site as it stood when the read began.
    const TSite site = CurrentSite();
    const unsigned cores = threads != 0 ? threads : std::max(1u, std::thread::hardware_concurrency());

    // Without the progress dialog (whose steps follow the lines in file order) a large file is
    // parsed in slices on every core; the derivation after it is shared out as well.
    if (cores > 1 && sizeKnown && !showProgress && fileSize >= PipelineMinBytes) {
        const auto slices =
            static_cast<unsigned>(std::min<std::uintmax_t>(cores, std::max<std::uintmax_t>(1, fileSize / MinSliceBytes)));
        TReadResult sliced;
        if (ReadInSlices(path, file.get(), fileSize, slices, store, sliced)) {
            store.deriveRecords(site, threads);
            return sliced;
        }
        // A slice could not be read: start again on one thread, which reports what it meets.
        store.clearForRead();
        std::rewind(file.get());
    }

    // A record line has some 20 to 30 bytes; reserving for 12-byte lines keeps the lists from
    // re-growing (and copying) on a usual file, and costs only address space until the entries
    // are written.
    if (sizeKnown && fileSize / 12 < (std::uintmax_t{1} << 31)) {
        store.reserveRecords(static_cast<std::size_t>(fileSize / 12));
    }

    TDerivePipeline pipeline(store);
    if (cores > 1 && sizeKnown && fileSize >= PipelineMinBytes && store.allRecords().capacity() > 0)
        pipeline.start(site);

    std::uint64_t lineNumber = 0;
    ForEachLine(file.get(), std::numeric_limits<std::uintmax_t>::max(), [&](std::string_view line) -> bool {
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
    });

    pipeline.finish();
    store.deriveRecords(site, threads);
    return result;
}

}  // namespace driftline
