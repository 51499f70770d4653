#include "suite/Fileunit.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace driftline {

namespace {

std::string ErrnoText(int code) { return std::strerror(code); }

// Writes all bytes to fd, resuming after interrupted or partial writes; errno set on failure.
bool WriteAll(int fd, std::string_view bytes) {
    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// Permission bits a newly created file gets under the process's file-creation mask.
mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

}  // namespace

TAtomicFile::~TAtomicFile() { Discard(); }

void TAtomicFile::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(tempName_.c_str());
        fd_ = -1;
    }
}

bool TAtomicFile::Open(const std::filesystem::path& path, std::string& error) {
    namespace fs = std::filesystem;
    Discard();
    std::error_code ec;
    // Through a symbolic link the file it names is replaced, not the link.
    target_ = path;
    if (fs::is_symlink(target_, ec)) {
        const fs::path resolved = fs::weakly_canonical(target_, ec);
        if (!ec) target_ = resolved;
    }

    struct stat old {};
    const bool existed = ::stat(target_.c_str(), &old) == 0;
    const mode_t mode = existed ? static_cast<mode_t>(old.st_mode & 07777) : NewFileMode();

    folder_ = target_.has_parent_path() ? target_.parent_path() : fs::path(".");
    std::string tempLeaf = ".";
    tempLeaf += target_.filename().string();
    tempLeaf += ".XXXXXX";
    tempName_ = (folder_ / tempLeaf).string();
    // mkstemp creates the name exclusively (O_CREAT | O_EXCL), so no other file is ever overwritten.
    fd_ = ::mkstemp(tempName_.data());
    if (fd_ < 0) {
        error = ErrnoText(errno);
        return false;
    }
    if (::fchmod(fd_, mode) != 0) {
        error = ErrnoText(errno);
        Discard();
        return false;
    }
    return true;
}

bool TAtomicFile::Write(std::string_view bytes, std::string& error) {
    if (fd_ < 0) {
        error = ErrnoText(EBADF);
        return false;
    }
    if (!WriteAll(fd_, bytes)) {
        error = ErrnoText(errno);
        Discard();
        return false;
    }
    return true;
}

bool TAtomicFile::Commit(std::string& error) {
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
    const int dirFd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    error.clear();
    return true;
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes, std::string& error) {
    TAtomicFile file;
    return file.Open(path, error) && file.Write(bytes, error) && file.Commit(error);
}

bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes, std::string& error) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = ErrnoText(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        error = ErrnoText(EISDIR);
        return false;
    }
    if (info.st_size > 0) bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int code = errno;
            ::close(fd);
            bytes.clear();
            error = ErrnoText(code);
            return false;
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    error.clear();
    return true;
}

}  // namespace driftline
