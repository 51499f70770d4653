// The reading loop over a log file: large blocks, split at LF, one parse per line, and the
// derivation of all samples at the end (on every core, with results in file order).
#include "logdata/Logreader.h"

#include "astro/Sitesettings.h"
#include "astro/Timeunit.h"
#include "logdata/Logfilecheck.h"
#include "logdata/Samplederive.h"
#include "suite/Fileunit.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include <unistd.h>

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
    case Changed:
        return reason;
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
    // The usual record line in one pass; every other line by its kind.
    {
        RawRecord raw;
        bool hasVolts = false;
        if (ParsePlainRecordLine(line, raw, hasVolts)) {
            store.appendRecord(raw, hasVolts);
            if (deriveNow)
                store.deriveRecords(1);
            return LineEffect::RecordAdded;
        }
    }
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
constexpr std::uintmax_t SlicedMinBytes = 256 * 1024;
// Each slice of a parallel parse holds at least this many bytes.
constexpr std::uintmax_t MinSliceBytes = 128 * 1024;

// Hands every line of the bytes that read() gives (up to limit of them) to handle, LF removed
// and a CR before it kept; handle returns false to stop. A line longer than MaxLogLineBytes is
// dropped as it streams past, so the buffer never holds more than the cap and one block; skip
// receives its length instead. The bytes after the last LF are a line only when takeTail (given
// them without a CR) says so: a half-written line is left for the next read. bytesRead counts
// what read() gave. Returns false when handle stopped the read.
template <typename Read, typename Handle, typename Skip, typename TakeTail>
bool ForEachLine(Read&& read, std::uintmax_t limit, Handle&& handle, Skip&& skip, TakeTail&& takeTail,
                 std::uint64_t& bytesRead)
{
    // One buffer holds the unread tail of the previous block followed by the next block.
    std::vector<char> buffer(ReadBlockBytes);
    std::size_t filled = 0;  // bytes held in buffer
    std::size_t start = 0;   // first byte of the current line
    std::uintmax_t left = limit;
    bool skipping = false;
    std::uint64_t skippedBytes = 0;
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
        const std::size_t got = want > 0 ? read(buffer.data() + filled, want) : 0;
        filled += got;
        left -= got;
        bytesRead += got;
        if (got == 0)
            break;

        const char* base = buffer.data();
        std::size_t scan = carried;
        for (;;) {
            const void* lf = std::memchr(base + scan, '\n', filled - scan);
            if (!lf)
                break;
            const std::size_t lfPos = static_cast<std::size_t>(static_cast<const char*>(lf) - base);
            if (skipping) {
                skipping = false;
                skip(skippedBytes + (lfPos - start));
            } else if (lfPos - start > MaxLogLineBytes + 1) {  // + 1: a CR before the LF
                skip(lfPos - start);
            } else if (!handle(std::string_view(base + start, lfPos - start))) {
                return false;
            }
            start = lfPos + 1;
            scan = start;
        }
        if (skipping || filled - start > MaxLogLineBytes + 1) {
            if (!skipping)
                skippedBytes = 0;
            skipping = true;
            skippedBytes += filled - start;
            start = filled;
        }
    }
    if (skipping) {
        skip(skippedBytes);
    } else if (filled > start) {
        std::string_view last(buffer.data() + start, filled - start);
        if (last.back() == '\r')
            last.remove_suffix(1);
        if (takeTail(last))
            return handle(std::string_view(buffer.data() + start, filled - start));
    }
    return true;
}

// Whether the unterminated last line of the file open as fd is read now (TakeUnterminatedLastLine).
bool TakeTailOf(int fd, std::string_view last)
{
    TFileIdentity now;
    return IdentityOfOpenFile(fd, now) &&
           TakeUnterminatedLastLine(last, now.modified, std::chrono::system_clock::now());
}

// The offset just past the first LF at or after offset `from`; the file's size when none follows.
std::uintmax_t NextLineStart(int fd, std::uintmax_t from, std::uintmax_t size)
{
    if (from == 0 || from >= size)
        return std::min(from, size);
    // Looking from the byte before: a slice that would start right after an LF starts there.
    char block[65536];
    std::uintmax_t at = from - 1;
    for (;;) {
        const ssize_t got = ::pread(fd, block, sizeof block, static_cast<off_t>(at));
        if (got <= 0)
            return size;
        if (const void* lf = std::memchr(block, '\n', static_cast<std::size_t>(got)))
            return at + static_cast<std::uintmax_t>(static_cast<const char*>(lf) - block) + 1;
        at += static_cast<std::uintmax_t>(got);
    }
}

// What one slice of the file left: its records in a store of its own (dated NaN before its
// first date line), and which of the session values its lines set. The first slice may read
// straight into the read's store instead, as the one-thread read would: its records need no copy.
struct TSlice {
    std::uintmax_t begin = 0;
    std::uintmax_t end = 0;
    TSampleStore part;
    TSampleStore* into = &part;
    std::uint64_t lines = 0;
    bool dateSet = false;
    bool azimuthSet = false;
    bool altitudeSet = false;
    std::array<bool, ReceiverValueCount> receiverSet{};
    bool invalidDate = false;  // stopped at line `lines` (counted within the slice)
    std::uint64_t bytesRead = 0;
    // For the progress dialog: the file offset up to which every line is parsed, and once the
    // slice is done, where its lines end (end, or just past the line with an invalid date).
    std::atomic<std::uintmax_t> parsedTo{0};
    std::atomic<std::uintmax_t> doneAt{NotDone};
    std::atomic<std::uint64_t> recordsParsed{0};  // records in part, as of parsedTo
    static constexpr std::uintmax_t NotDone = std::numeric_limits<std::uintmax_t>::max();
};

// Lines between two reports of a slice's parse position to the progress dialog.
constexpr std::uint64_t ParsedReportLines = 1024;

// Parses one slice with the line rules of the serial read, reading at its own offsets of fd.
void ParseSlice(int fd, TSlice& slice)
{
    TSampleStore& part = *slice.into;
    const std::uintmax_t bytes = slice.end - slice.begin;
    if (slice.into == &slice.part) {
        part.clearForRead();
        part.logDate = std::numeric_limits<double>::quiet_NaN();
        if (bytes / 12 < (std::uintmax_t{1} << 31))
            part.reserveRecords(static_cast<std::size_t>(bytes / 12));
    }
    std::uintmax_t offset = slice.begin;
    std::uintmax_t lineEnd = slice.begin;  // just past the last line handed over
    slice.parsedTo.store(slice.begin, std::memory_order_relaxed);
    const auto read = [&](char* to, std::size_t n) -> std::size_t {
        const ssize_t got = ::pread(fd, to, n, static_cast<off_t>(offset));
        if (got <= 0)
            return 0;
        offset += static_cast<std::uintmax_t>(got);
        return static_cast<std::size_t>(got);
    };
    const auto passed = [&](std::uint64_t lineBytes) {
        lineEnd = std::min(lineEnd + lineBytes + 1, slice.end);
        if (slice.lines % ParsedReportLines == 0) {
            slice.recordsParsed.store(part.allRecords().size(), std::memory_order_relaxed);
            slice.parsedTo.store(lineEnd, std::memory_order_release);
        }
    };
    const auto skip = [&](std::uint64_t size) {
        ++slice.lines;
        passed(size);
    };
    const auto takeTail = [&](std::string_view last) { return TakeTailOf(fd, last); };
    ForEachLine(
        read, bytes,
        [&](std::string_view line) {
            ++slice.lines;
            passed(line.size());
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
        },
        skip, takeTail, slice.bytesRead);
    slice.recordsParsed.store(part.allRecords().size(), std::memory_order_relaxed);
    slice.doneAt.store(slice.invalidDate ? lineEnd : slice.end, std::memory_order_release);
}

// The progress dialog's steps for a read in slices: the lines of the file in file order, as the
// one-thread read accounts them, never ahead of the slices' parse, up to the line where the
// read stops. Runs on the calling thread while the slices are parsed on others.
void ReportSliceProgress(int fd, const std::vector<TSlice>& slices, TProgressModel& progress)
{
    std::uintmax_t offset = 0;
    std::size_t current = 0;
    const auto read = [&](char* to, std::size_t n) -> std::size_t {
        for (;;) {
            while (current < slices.size() && offset >= slices[current].end)
                ++current;
            if (current == slices.size())
                return 0;
            const TSlice& slice = slices[current];
            const std::uintmax_t done = slice.doneAt.load(std::memory_order_acquire);
            const std::uintmax_t ready = done != TSlice::NotDone ? done
                                                                 : slice.parsedTo.load(std::memory_order_acquire);
            if (done != TSlice::NotDone && offset >= done) {
                if (done < slice.end)
                    return 0;  // the read stopped in this slice
                continue;
            }
            if (ready > offset) {
                const std::size_t want = static_cast<std::size_t>(std::min<std::uintmax_t>(n, ready - offset));
                const ssize_t got = ::pread(fd, to, want, static_cast<off_t>(offset));
                if (got <= 0)
                    return 0;
                offset += static_cast<std::uintmax_t>(got);
                std::uint64_t records = 0;
                for (const TSlice& s : slices)
                    records += s.recordsParsed.load(std::memory_order_relaxed);
                progress.recordsRead = records;
                return static_cast<std::size_t>(got);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    const auto handle = [&](std::string_view line) {
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        progress.ProgressAdvance(line.size());
        return true;
    };
    const auto skip = [&](std::uint64_t size) { progress.ProgressAdvance(size); };
    const auto takeTail = [&](std::string_view last) { return TakeTailOf(fd, last); };
    std::uint64_t bytes = 0;
    ForEachLine(read, std::numeric_limits<std::uintmax_t>::max(), handle, skip, takeTail, bytes);
}

// The parallel parse: the file cut at line ends into one slice per thread, each parsed on its
// own; then, in file order, each slice's undated records take the date in force where it starts,
// its session values replace the earlier ones, and an invalid date ends the read where it stands
// in the whole file. The store ends as the serial read leaves it, records and dates alike.
void ReadInSlices(int fd, std::uintmax_t size, unsigned count, TSampleStore& store, TReadResult& result,
                  std::uint64_t& bytesRead, TProgressModel* progress)
{
    std::vector<TSlice> slices(count);
    for (unsigned i = 0; i < count; ++i)
        slices[i].begin = i == 0 ? 0 : NextLineStart(fd, size * i / count, size);
    for (unsigned i = 0; i < count; ++i) {
        slices[i].begin = i == 0 ? 0 : std::max(slices[i].begin, slices[i - 1].begin);
        slices[i].end = size;
    }
    for (unsigned i = 0; i + 1 < count; ++i)
        slices[i].end = slices[i + 1].begin;
    // Without the dialog the first slice is read on this thread straight into the store (emptied,
    // its logDate that of the file before), with room for the whole file's records so that the
    // later slices join without moving them. With it, this thread runs the dialog's steps while
    // the slices are read, and a step may look at the store (the terminal's progress line counts
    // its records), so no other thread writes to the store.
    if (progress == nullptr) {
        slices[0].into = &store;
        if (size / 12 < (std::uintmax_t{1} << 31))
            store.reserveRecords(static_cast<std::size_t>(size / 12));
    }

    // With the progress dialog every slice is parsed on a thread of its own while this one
    // steps the dialog.
    const unsigned first = progress != nullptr ? 0 : 1;
    std::vector<std::thread> workers;
    workers.reserve(count);
    for (unsigned i = first; i < count; ++i)
        workers.emplace_back(ParseSlice, fd, std::ref(slices[i]));
    if (progress != nullptr)
        ReportSliceProgress(fd, slices, *progress);
    else
        ParseSlice(fd, slices[0]);
    for (auto& w : workers)
        w.join();
    for (const TSlice& slice : slices)
        bytesRead += slice.bytesRead;

    std::size_t total = 0;
    for (const TSlice& slice : slices) {
        total += slice.into->allRecords().size();
        if (slice.invalidDate)
            break;
    }
    store.reserveRecords(total);
    std::uint64_t linesBefore = 0;
    for (TSlice& slice : slices) {
        if (slice.into == &store) {
            // Already in place, session values and dates included.
            if (slice.invalidDate) {
                result.status = TReadResult::InvalidDate;
                result.line = linesBefore + slice.lines;
                break;
            }
            linesBefore += slice.lines;
            continue;
        }
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
        store.appendRecordsOf(std::move(part), undated, count);  // on as many threads as parsed
        if (slice.invalidDate) {
            result.status = TReadResult::InvalidDate;
            result.line = linesBefore + slice.lines;
            break;
        }
        linesBefore += slice.lines;
    }
}

}  // namespace

TReadResult readLogFile(const std::filesystem::path& path, TSampleStore& store, TProgressModel* progress,
                        unsigned threads)
{
    TReadResult result;
    // Opened without blocking and refused unless it is a regular file: a FIFO would wait for a
    // writer forever and a device would never end. Nothing is cleared before this succeeds.
    std::string openError;
    const int fd = OpenRegularFileForReading(path, openError);
    if (fd < 0) {
        result.status = TReadResult::OpenFailed;
        result.reason = openError;
        return result;
    }
    std::unique_ptr<std::FILE, FileCloser> file(::fdopen(fd, "rb"));
    if (!file) {
        const int code = errno;
        ::close(fd);
        result.status = TReadResult::OpenFailed;
        result.reason = std::strerror(code);
        return result;
    }
    TFileIdentity atStart;
    const bool sizeKnown = IdentityOfOpenFile(fd, atStart);
    const std::uintmax_t fileSize = atStart.size;

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
    std::uint64_t bytesRead = 0;
    bool stopped = false;

    // A large file is parsed in slices on every core (the progress dialog, whose steps follow
    // the lines in file order, replays them behind the parse); the derivation after it is shared
    // out as well.
    if (cores > 1 && sizeKnown && fileSize >= SlicedMinBytes) {
        const auto slices = static_cast<unsigned>(
            std::min<std::uintmax_t>(cores, std::max<std::uintmax_t>(1, fileSize / MinSliceBytes)));
        ReadInSlices(fd, fileSize, slices, store, result, bytesRead, showProgress ? progress : nullptr);
        stopped = result.status == TReadResult::InvalidDate;
    } else {
        // A record line has some 20 to 30 bytes; reserving for 12-byte lines keeps the lists from
        // re-growing (and copying) on a usual file, and costs only address space until the
        // entries are written.
        if (sizeKnown && fileSize / 12 < (std::uintmax_t{1} << 31))
            store.reserveRecords(static_cast<std::size_t>(fileSize / 12));

        std::uint64_t lineNumber = 0;
        const auto read = [&](char* to, std::size_t n) { return std::fread(to, 1, n, file.get()); };
        const auto skip = [&](std::uint64_t size) {
            ++lineNumber;
            if (showProgress)
                progress->ProgressAdvance(size);
        };
        const auto takeTail = [&](std::string_view last) { return TakeTailOf(fd, last); };
        const auto handle = [&](std::string_view line) -> bool {
            ++lineNumber;
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            if (showProgress)
                progress->ProgressAdvance(line.size());
            switch (parseLogLine(line, store, false)) {
            case LineEffect::InvalidDate:
                result.status = TReadResult::InvalidDate;
                result.line = lineNumber;
                return false;
            default:
                return true;
            }
        };
        stopped = !ForEachLine(read, std::numeric_limits<std::uintmax_t>::max(), handle, skip, takeTail, bytesRead);
    }

    // A file cut short or replaced under the reader: what was read stays, but it is reported.
    if (!stopped && sizeKnown && FileChangedWhileRead(atStart, bytesRead, fd, path)) {
        result.status = TReadResult::Changed;
        result.reason = ChangedWhileReadMessage(path);
    }
    store.deriveRecords(site, threads);
    return result;
}

}  // namespace driftline
