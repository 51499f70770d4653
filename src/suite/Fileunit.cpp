#include "suite/Fileunit.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace driftline {

namespace {

std::string ErrnoText(int code)
{
    return std::strerror(code);
}

// Writes all bytes to fd, resuming after interrupted or partial writes; errno set on failure.
bool WriteAll(int fd, std::string_view bytes)
{
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

constexpr std::string_view TempPrefix = ".driftline-tmp-";
constexpr std::size_t TempSuffixLength = 6;
// A temporary file untouched this long belongs to no write in progress.
constexpr auto StaleAge = std::chrono::hours(24);

// Creates a new temporary file in folder exclusively (O_EXCL, so nothing is ever overwritten)
// with mode 0666 under the process's creation mask, as a plain new file would get.
int CreateTemporaryFile(const std::filesystem::path& folder, std::string& name)
{
    static constexpr char Alphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::mt19937 generator(seed());
    std::uniform_int_distribution<std::size_t> pick(0, sizeof Alphabet - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string leaf(TempPrefix);
        leaf += std::to_string(static_cast<long>(::getpid()));
        leaf += '-';
        for (std::size_t i = 0; i < TempSuffixLength; ++i)
            leaf.push_back(Alphabet[pick(generator)]);
        name = (folder / leaf).string();
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

bool ResolveWriteTarget(const std::filesystem::path& path, std::filesystem::path& target, std::string& error)
{
    std::filesystem::path current = path;
    for (int hops = 0; hops <= 40; ++hops) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0) {
            if (errno == ENOENT) {  // a new name (or the missing end of a dangling link)
                target = current;
                return true;
            }
            error = ErrnoText(errno);
            return false;
        }
        if (S_ISREG(info.st_mode)) {
            target = current;
            return true;
        }
        if (!S_ISLNK(info.st_mode)) {
            error = NotRegularFileReason;
            return false;
        }
        std::string link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
        const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n < 0) {
            error = ErrnoText(errno);
            return false;
        }
        link.resize(static_cast<std::size_t>(n));
        const std::filesystem::path next(link);
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    error = ErrnoText(ELOOP);
    return false;
}

bool IsOwnTemporaryName(std::string_view leaf, long& pid)
{
    if (leaf.substr(0, TempPrefix.size()) != TempPrefix)
        return false;
    leaf.remove_prefix(TempPrefix.size());
    const std::size_t dash = leaf.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash > 10)
        return false;
    long value = 0;
    for (std::size_t i = 0; i < dash; ++i) {
        if (leaf[i] < '0' || leaf[i] > '9')
            return false;
        value = value * 10 + (leaf[i] - '0');
    }
    const std::string_view suffix = leaf.substr(dash + 1);
    if (suffix.size() != TempSuffixLength)
        return false;
    for (char c : suffix) {
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alnum)
            return false;
    }
    pid = value;
    return true;
}

std::size_t RemoveStaleTemporaryFiles(const std::filesystem::path& folder)
{
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return 0;
    const int dirFd = ::dirfd(dir);
    const auto now = std::chrono::system_clock::now();
    std::size_t removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        long pid = 0;
        if (!IsOwnTemporaryName(entry->d_name, pid))
            continue;
        struct stat info {};
        if (::fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid())
            continue;
        // A write of this very process may be under way on another thread.
        if (pid == static_cast<long>(::getpid()))
            continue;
        const bool writerGone = pid <= 0 || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH);
        const auto modified = std::chrono::system_clock::from_time_t(info.st_mtim.tv_sec);
        if (writerGone || now - modified > StaleAge) {
            if (::unlinkat(dirFd, entry->d_name, 0) == 0)
                ++removed;
        }
    }
    ::closedir(dir);
    return removed;
}

TAtomicFile::~TAtomicFile()
{
    Discard();
}

void TAtomicFile::Discard()
{
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(tempName_.c_str());
        fd_ = -1;
    }
}

bool TAtomicFile::Open(const std::filesystem::path& path, std::string& error)
{
    namespace fs = std::filesystem;
    Discard();
    if (!ResolveWriteTarget(path, target_, error))
        return false;

    struct stat old {};
    const bool existed = ::stat(target_.c_str(), &old) == 0;

    folder_ = target_.has_parent_path() ? target_.parent_path() : fs::path(".");
    RemoveStaleTemporaryFiles(folder_);
    fd_ = CreateTemporaryFile(folder_, tempName_);
    if (fd_ < 0) {
        error = ErrnoText(errno);
        return false;
    }
    // A replaced file keeps its permission bits; a new one got 0666 under the creation mask.
    if (existed && ::fchmod(fd_, static_cast<mode_t>(old.st_mode & 07777)) != 0) {
        error = ErrnoText(errno);
        Discard();
        return false;
    }
    return true;
}

bool TAtomicFile::Write(std::string_view bytes, std::string& error)
{
    if (fd_ < 0) {
        error = ErrnoText(EBADF);
        return false;
    }
    if (!WriteAll(fd_, bytes)) {
        error = ErrnoText(errno);
        Discard();
        return false;
    }
    written_ += bytes.size();
#ifdef __linux__
    // A long file written in pieces (a derive CSV is over 100 MB): every few MB the disk is
    // asked to start on what has been written, without waiting for it, so the writing goes on
    // while the next pieces are made and Commit's fsync waits for the last few MB, not all of
    // them. The fsync still decides; a refused request changes nothing.
    constexpr std::uint64_t HandOverBytes = std::uint64_t{8} << 20;
    if (written_ - handedToDisk_ >= HandOverBytes) {
        (void)::sync_file_range(fd_, static_cast<off_t>(handedToDisk_), static_cast<off_t>(written_ - handedToDisk_),
                                SYNC_FILE_RANGE_WRITE);
        handedToDisk_ = written_;
    }
#endif
    return true;
}

bool TAtomicFile::Commit(std::string& error)
{
    if (fd_ < 0) {
        error = ErrnoText(EBADF);
        return false;
    }
    if (::fsync(fd_) != 0) {
        error = ErrnoText(errno);
        Discard();
        return false;
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlink(tempName_.c_str());
        error = ErrnoText(code);
        return false;
    }
    if (::rename(tempName_.c_str(), target_.c_str()) != 0) {
        const int code = errno;
        ::unlink(tempName_.c_str());
        error = ErrnoText(code);
        return false;
    }
    // Make the rename itself durable; a failure here no longer endangers either file.
    const int dirFd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    error.clear();
    return true;
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes, std::string& error)
{
    TAtomicFile file;
    return file.Open(path, error) && file.Write(bytes, error) && file.Commit(error);
}

int OpenRegularFileForReading(const std::filesystem::path& path, std::string& error)
{
    // Looked at before it is opened: opening some devices does something (a serial line, a tape).
    struct stat before {};
    if (::stat(path.c_str(), &before) == 0 && !S_ISREG(before.st_mode)) {
        error = S_ISDIR(before.st_mode) ? ErrnoText(EISDIR) : std::string(NotRegularFileReason);
        return -1;
    }
    // O_NONBLOCK: should the name have become a FIFO meanwhile, opening it without a writer
    // would otherwise wait for one forever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        error = ErrnoText(errno);
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        error = ErrnoText(errno);
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        error = S_ISDIR(info.st_mode) ? ErrnoText(EISDIR) : std::string(NotRegularFileReason);
        ::close(fd);
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    error.clear();
    return fd;
}

bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes, std::string& error, std::size_t maxBytes)
{
    bytes.clear();
    const int fd = OpenRegularFileForReading(path, error);
    if (fd < 0)
        return false;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0) {
        if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
            ::close(fd);
            error = ErrnoText(EFBIG);
            return false;
        }
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int code = errno;
            ::close(fd);
            bytes.clear();
            error = ErrnoText(code);
            return false;
        }
        if (n == 0)
            break;
        // The file may grow while it is read; the cap holds whatever its size said at the start.
        if (bytes.size() + static_cast<std::size_t>(n) > maxBytes) {
            ::close(fd);
            bytes.clear();
            error = ErrnoText(EFBIG);
            return false;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    error.clear();
    return true;
}

}  // namespace driftline
