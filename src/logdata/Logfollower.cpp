// Following a growing log: read the appended bytes, hold the partial last line, parse and derive
// each complete line as a read of the whole file would, and notice shrinking, replacement and
// deletion. Wake-ups come from inotify on the file's folder, or from a 500 ms clock.
#include "logdata/Logfollower.h"

#include "logdata/Logfilecheck.h"
#include "suite/Fileunit.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace driftline {

namespace {

constexpr std::size_t ReadBlockBytes = std::size_t{1} << 20;

// File systems on which a local inotify watch does not hear other machines' writes.
bool IsNetworkFileSystem(const std::filesystem::path& folder)
{
    struct statfs info {};
    if (::statfs(folder.c_str(), &info) != 0)
        return false;
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0x6969UL:      // NFS
    case 0x517BUL:      // SMB
    case 0xFF534D42UL:  // CIFS
    case 0xFE534D42UL:  // SMB2
    case 0x01021997UL:  // 9P
    case 0x65735546UL:  // FUSE (sshfs and the like)
    case 0x73757245UL:  // Coda
    case 0x5346414FUL:  // AFS
    case 0x00C36400UL:  // Ceph
        return true;
    default:
        return false;
    }
}

std::string SystemReason(int error)
{
    return std::strerror(error != 0 ? error : EIO);
}

}  // namespace

TLogFollower::TLogFollower(TSampleStore& store, Options options) : store_(&store), options_(options)
{}

TLogFollower::~TLogFollower()
{
    stop();
}

void TLogFollower::closeFile()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void TLogFollower::stop()
{
    following_ = false;
    closeFile();
    if (notifyFd_ >= 0)
        ::close(notifyFd_);
    notifyFd_ = -1;
    watch_ = -1;
}

// Opens path_ for reading and notes which file it is. A folder is refused before anything changes,
// as the read refuses it.
bool TLogFollower::openFile(bool announceFailure, TReadResult& result)
{
    // Refused, as the read refuses it, unless it is a regular file: a FIFO would wait for a
    // writer forever and a device would never end.
    std::string openError;
    const int fd = OpenRegularFileForReading(path_, openError);
    if (fd < 0) {
        if (announceFailure) {
            result.status = TReadResult::OpenFailed;
            result.reason = openError;
        }
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        result.status = TReadResult::OpenFailed;
        result.reason = SystemReason(errno);
        ::close(fd);
        return false;
    }
    closeFile();
    fd_ = fd;
    device_ = info.st_dev;
    inode_ = info.st_ino;
    return true;
}

// One watch on the folder sees the file grow (IN_MODIFY), be replaced (IN_CREATE, IN_MOVED_TO)
// and vanish (IN_DELETE, IN_MOVED_FROM); events for other files only cost a look at our own.
void TLogFollower::setUpWatch()
{
    if (notifyFd_ >= 0)
        return;
    if (options_.forceStatPolling)
        return;
    std::filesystem::path folder = path_.parent_path();
    if (folder.empty())
        folder = ".";
    if (IsNetworkFileSystem(folder))
        return;
    notifyFd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (notifyFd_ < 0)
        return;
    watch_ = ::inotify_add_watch(notifyFd_, folder.c_str(),
                                 IN_MODIFY | IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_DELETE_SELF |
                                     IN_MOVE_SELF | IN_ATTRIB | IN_CLOSE_WRITE);
    if (watch_ < 0) {
        ::close(notifyFd_);
        notifyFd_ = -1;
    }
}

void TLogFollower::drainNotify() const
{
    if (notifyFd_ < 0)
        return;
    alignas(inotify_event) char events[4096];
    while (::read(notifyFd_, events, sizeof events) > 0) {
    }
}

int TLogFollower::timeoutMs() const
{
    if (!following_)
        return -1;
    if (missing_)
        return options_.deleteGraceMs;
    return usesNotify() ? -1 : options_.statIntervalMs;
}

bool TLogFollower::wait(int extraFd, int maxMs) const
{
    int timeout = timeoutMs();
    if (maxMs >= 0)
        timeout = timeout < 0 ? maxMs : std::min(timeout, maxMs);
    pollfd fds[2];
    nfds_t count = 0;
    if (notifyFd() >= 0)
        fds[count++] = {notifyFd(), POLLIN, 0};
    const nfds_t extraIndex = count;
    if (extraFd >= 0)
        fds[count++] = {extraFd, POLLIN, 0};
    int rc = 0;
    do {
        rc = ::poll(fds, count, timeout);
    } while (rc < 0 && errno == EINTR && extraFd < 0);
    return !(extraFd >= 0 && rc > 0 && (fds[extraIndex].revents & POLLIN) != 0);
}

void TLogFollower::setShifts(std::int64_t azimuthShift, std::int64_t altitudeShift)
{
    azimuthShift_ = azimuthShift;
    altitudeShift_ = altitudeShift;
}

TReadResult TLogFollower::open(const std::filesystem::path& path, TProgressModel* progress)
{
    TReadResult result;
    stop();
    path_ = path;
    if (!openFile(true, result))
        return result;

    startLogDate_ = store_->logDate;
    azimuthShift_ = altitudeShift_ = 0;
    taken_ = 0;
    lineNumber_ = 0;
    held_.clear();
    skipping_ = false;
    skippedBytes_ = 0;
    missing_ = false;
    store_->clearForRead();

    struct stat info {};
    const bool sizeKnown = ::fstat(fd_, &info) == 0;
    // As the read does: room for 12-byte records (real ones are 20 to 30 bytes), so that a large
    // file does not make the lists grow by copying.
    if (sizeKnown && static_cast<std::uint64_t>(info.st_size) / 12 < (std::uint64_t{1} << 31)) {
        const auto guess = static_cast<std::size_t>(info.st_size / 12);
        store_->reserveRecords(guess);
    }
    progress = startProgress(progress, sizeKnown ? static_cast<std::uint64_t>(info.st_size) : 0);
    TFollowStep step;
    const bool readOk = readAppended(step, progress);
    if (progress)
        progress->shown = false;
    if (step.status == TFollowStep::InvalidDate) {
        result.status = TReadResult::InvalidDate;
        result.line = step.line;
        closeFile();
        return result;
    }
    if (!readOk) {
        // A read error ends a read as the end of the file does: what was read stays, and the
        // file is not followed.
        closeFile();
        return result;
    }
    following_ = true;
    setUpWatch();
    return result;
}

// Splits what arrives at LF; a CR right before the LF is dropped. The bytes after the last LF
// wait in held_: a CR at the end of a chunk stays there until the next chunk tells whether an LF
// follows it.
bool TLogFollower::readAppended(TFollowStep& step, TProgressModel* progress)
{
    const std::size_t firstRecord = store_->allRecords().size();
    const std::size_t firstVoltage = store_->voltageRecords().size();
    bool tookLines = false;
    bool readOk = true;
    // Kept between looks: a fresh megabyte every look would cost more than the look itself.
    std::vector<char>& block = block_;
    if (block.empty())
        block.resize(ReadBlockBytes);
    for (;;) {
        const ssize_t got = ::pread(fd_, block.data(), block.size(), static_cast<off_t>(seen()));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            readOk = false;
            step.message = SystemReason(errno);
            break;
        }
        if (got == 0)
            break;
        const char* data = block.data();
        const std::size_t size = static_cast<std::size_t>(got);
        std::size_t start = 0;
        bool stopped = false;
        for (;;) {
            const void* lf = std::memchr(data + start, '\n', size - start);
            if (!lf)
                break;
            const std::size_t lfPos = static_cast<std::size_t>(static_cast<const char*>(lf) - data);
            // A line over the cap is skipped whatever it holds, as the read skips it; only its
            // length was kept while it streamed past.
            if (skipping_ || held_.size() + (lfPos - start) > MaxLogLineBytes + 1) {  // + 1: a CR
                const std::uint64_t lineBytes = skippedBytes_ + held_.size() + (lfPos - start) + 1;
                ++lineNumber_;
                if (progress)
                    progress->ProgressAdvance(lineBytes - 1);
                taken_ += lineBytes;
                skipping_ = false;
                skippedBytes_ = 0;
                held_.clear();
                tookLines = true;
                start = lfPos + 1;
                continue;
            }
            std::string_view line(data + start, lfPos - start);
            if (!held_.empty()) {
                held_.append(line);
                line = held_;
            }
            const std::size_t lineBytes = line.size() + 1;
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            ++lineNumber_;
            if (progress)
                progress->ProgressAdvance(line.size());
            if (parseLogLine(line, *store_, false) == LineEffect::InvalidDate) {
                step.status = TFollowStep::InvalidDate;
                step.line = lineNumber_;
                step.message = InvalidDateMessage;
                held_.clear();
                stopped = true;
                break;
            }
            tookLines = true;
            taken_ += lineBytes;
            held_.clear();
            start = lfPos + 1;
        }
        if (stopped)
            break;
        held_.append(data + start, size - start);
        if (skipping_ || held_.size() > MaxLogLineBytes + 1) {
            // Too long to be a line: count its bytes instead of keeping them.
            skipping_ = true;
            skippedBytes_ += held_.size();
            held_.clear();
        }
    }
    step.newRecords = store_->allRecords().size() - firstRecord;
    step.newVoltageRecords = store_->voltageRecords().size() - firstVoltage;
    deriveNew(firstRecord, firstVoltage);
    if (tookLines && step.status == TFollowStep::Idle)
        step.status = TFollowStep::Grew;
    return readOk;
}

// The store places the new samples: through its zoom histories when there are zooms or shifts.
void TLogFollower::deriveNew(std::size_t firstRecord, std::size_t firstVoltageRecord)
{
    store_->deriveArrived(firstRecord, firstVoltageRecord, azimuthShift_, altitudeShift_);
}

TProgressModel* TLogFollower::startProgress(TProgressModel* progress, std::uint64_t bytes)
{
    if (!progress)
        return nullptr;
    if (progress->ProgressStart(bytes))
        return progress;
    progress->shown = false;
    return nullptr;
}

std::uint64_t TLogFollower::pendingBytes() const
{
    if (!following_)
        return 0;
    struct stat onDisk {};
    if (::stat(path_.c_str(), &onDisk) != 0)
        return 0;
    const auto size = static_cast<std::uint64_t>(onDisk.st_size);
    const std::uint64_t seen = this->seen();
    if (onDisk.st_dev != device_ || onDisk.st_ino != inode_ || size < seen)
        return size;
    return size - seen;
}

void TLogFollower::restart(TFollowStep& step, TProgressModel* progress)
{
    TReadResult reopened;
    if (!openFile(false, reopened)) {
        step.status = TFollowStep::ReadFailed;
        step.message = reopened.reason.empty() ? "the file could not be opened again" : reopened.reason;
        stop();
        return;
    }
    store_->logDate = startLogDate_;
    store_->clearForRead();
    azimuthShift_ = altitudeShift_ = 0;
    taken_ = 0;
    lineNumber_ = 0;
    held_.clear();
    skipping_ = false;
    skippedBytes_ = 0;
    TFollowStep read;
    struct stat info {};
    progress = startProgress(progress, ::fstat(fd_, &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0);
    const bool ok = readAppended(read, progress);
    if (progress)
        progress->shown = false;
    step.status = TFollowStep::Restarted;
    step.newRecords = read.newRecords;
    step.newVoltageRecords = read.newVoltageRecords;
    if (read.status == TFollowStep::InvalidDate) {
        step = read;
        stop();
    } else if (!ok) {
        step.status = TFollowStep::ReadFailed;
        step.message = read.message;
        stop();
    }
}

TFollowStep TLogFollower::poll(TProgressModel* progress)
{
    TFollowStep step;
    if (!following_)
        return step;
    drainNotify();

    struct stat onDisk {};
    const bool present = ::stat(path_.c_str(), &onDisk) == 0;
    if (!present) {
        // Whatever the writer put in before the name went is still ours to read.
        if (!readAppended(step, nullptr) || step.status == TFollowStep::InvalidDate) {
            if (step.status != TFollowStep::InvalidDate)
                step.status = TFollowStep::ReadFailed;
            stop();
            return step;
        }
        const auto now = std::chrono::steady_clock::now();
        if (!missing_) {
            missing_ = true;
            missingSince_ = now;
        }
        if (now - missingSince_ >= std::chrono::milliseconds(options_.deleteGraceMs)) {
            step.status = TFollowStep::Deleted;
            step.message = path_.filename().string() + " was deleted; following has stopped";
            stop();
        }
        return step;
    }
    missing_ = false;

    if (onDisk.st_dev != device_ || onDisk.st_ino != inode_) {
        restart(step, progress);
        return step;
    }
    struct stat opened {};
    const bool sizeKnown = ::fstat(fd_, &opened) == 0;
    const std::uint64_t seen = this->seen();
    if (sizeKnown && static_cast<std::uint64_t>(opened.st_size) < seen) {
        restart(step, progress);
        return step;
    }
    progress = startProgress(progress, sizeKnown ? static_cast<std::uint64_t>(opened.st_size) - seen : 0);
    const bool ok = readAppended(step, progress);
    if (progress)
        progress->shown = false;
    if (!ok) {
        step.status = TFollowStep::ReadFailed;
        stop();
        return step;
    }
    if (step.status == TFollowStep::InvalidDate)
        stop();
    return step;
}

}  // namespace driftline
