#include "logdata/Logfilecheck.h"

#include "logdata/Logformat.h"

#include <sys/stat.h>

namespace driftline {

namespace {

std::chrono::system_clock::time_point ModifiedOf(const struct stat& info)
{
    const auto since = std::chrono::seconds(info.st_mtim.tv_sec) + std::chrono::nanoseconds(info.st_mtim.tv_nsec);
    return std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(since));
}

}  // namespace

bool TakeUnterminatedLastLine(std::string_view line, std::chrono::system_clock::time_point modified,
                              std::chrono::system_clock::time_point now)
{
    // A modification time ahead of the clock by more than the settle time is clock skew, not a
    // writer at work.
    const auto age = now - modified;
    if (age < SettleTime && age > -SettleTime)
        return false;
    if (ClassifyLine(line) != LineKind::Record)
        return true;
    RawRecord raw;
    return ParseRecordLine(line, raw) != RecordParse::Malformed;
}

bool IdentityOfOpenFile(int fd, TFileIdentity& identity)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return false;
    identity.device = info.st_dev;
    identity.inode = info.st_ino;
    identity.size = info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
    identity.modified = ModifiedOf(info);
    return true;
}

bool FileChangedWhileRead(const TFileIdentity& atStart, std::uint64_t bytesRead, int fd,
                          const std::filesystem::path& path)
{
    TFileIdentity now;
    if (!IdentityOfOpenFile(fd, now))
        return true;
    if (now.size < atStart.size || bytesRead < atStart.size)
        return true;
    struct stat named {};
    if (::stat(path.c_str(), &named) != 0)
        return true;
    return named.st_dev != atStart.device || named.st_ino != atStart.inode;
}

std::string ChangedWhileReadMessage(const std::filesystem::path& path)
{
    return path.string() + " changed while it was read";
}

}  // namespace driftline
