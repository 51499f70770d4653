// The reading loop over a log file: large blocks, split at LF, one parse per line, and the
// derivation of all samples at the end (on every core, with results in file order).
#include "logdata/Logreader.h"

#include "astro/Timeunit.h"
#include "logdata/Logfilecheck.h"
#include "logdata/Samplederive.h"
#include "suite/Fileunit.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstring>
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
    // A record line has some 20 to 30 bytes; reserving for 12-byte lines keeps the lists from
    // re-growing (and copying) on a usual file, and costs only address space until the entries
    // are written.
    if (sizeKnown && fileSize / 12 < (std::uintmax_t{1} << 31)) {
        store.reserveRecords(static_cast<std::size_t>(fileSize / 12));
    }

    const unsigned cores = threads != 0 ? threads : std::max(1u, std::thread::hardware_concurrency());
    TDerivePipeline pipeline(store);
    if (cores > 1 && sizeKnown && fileSize >= PipelineMinBytes && store.allRecords().capacity() > 0)
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

    // A line longer than MaxLogLineBytes is dropped as it streams past (skipping), so the
    // buffer never holds more than the cap and one block.
    bool skipping = false;
    std::uint64_t skippedBytes = 0;
    std::uint64_t bytesRead = 0;
    auto skipLine = [&](std::uint64_t size) {
        ++lineNumber;
        if (showProgress)
            progress->ProgressAdvance(size);
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
        bytesRead += got;
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
            if (skipping) {
                skipping = false;
                skipLine(skippedBytes + (lfPos - start));
            } else if (lfPos - start > MaxLogLineBytes + 1) {  // + 1: a CR before the LF
                skipLine(lfPos - start);
            } else if (!handleLine(std::string_view(base + start, lfPos - start))) {
                stopped = true;
                break;
            }
            start = lfPos + 1;
            scan = start;
        }
        if (!stopped && (skipping || filled - start > MaxLogLineBytes + 1)) {
            if (!skipping)
                skippedBytes = 0;
            skipping = true;
            skippedBytes += filled - start;
            start = filled;
        }
    }
    if (!stopped) {
        if (skipping) {
            skipLine(skippedBytes);
        } else if (filled > start) {
            // The last line without a line end may be half written; it is read only when it
            // cannot be (see TakeUnterminatedLastLine).
            std::string_view last(buffer.data() + start, filled - start);
            if (last.back() == '\r')
                last.remove_suffix(1);
            TFileIdentity now;
            const bool known = IdentityOfOpenFile(fd, now);
            if (known && TakeUnterminatedLastLine(last, now.modified, std::chrono::system_clock::now()))
                handleLine(std::string_view(buffer.data() + start, filled - start));
        }
        // A file cut short or replaced under the reader: what was read stays, but it is reported.
        if (sizeKnown && FileChangedWhileRead(atStart, bytesRead, fd, path)) {
            result.status = TReadResult::Changed;
            result.reason = ChangedWhileReadMessage(path);
        }
    }

    pipeline.finish();
    store.deriveRecords(threads);
    return result;
}

}  // namespace driftline
