#pragma once
// Safe file replacement: write to a temporary file in the target's folder, then rename it over
// the target, so a failed or interrupted write never destroys the old file or leaves half a file.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace driftline {

// A file written in pieces the same safe way as WriteFileAtomically (same target resolution,
// refusal of anything but a regular file or a new name, same temporary names and permission
// bits): the pieces go to a temporary file beside the target, and Commit renames it over the
// target. Without a successful Commit (a failed write, an early return) the temporary file is
// removed and the target stays as it was.
class TAtomicFile {
public:
    TAtomicFile() = default;
    ~TAtomicFile();
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    // Creates the temporary file for path; false with a reason on failure.
    bool Open(const std::filesystem::path& path, std::string& error);
    // Appends bytes; false with a reason on failure (later calls fail too).
    bool Write(std::string_view bytes, std::string& error);
    // Flushes the temporary file to disk and renames it over the target; false with a reason.
    bool Commit(std::string& error);

private:
    void Discard();
    int fd_ = -1;
    // Bytes written so far, and how many of them the disk has been asked to take (see Write).
    std::uint64_t written_ = 0;
    std::uint64_t handedToDisk_ = 0;
    std::string tempName_;
    std::filesystem::path target_;
    std::filesystem::path folder_;
};

// Reason given when a path names something other than a regular file (a device, a FIFO, a
// socket, a folder): such a path is never read as a file nor replaced by one.
inline constexpr const char* NotRegularFileReason = "not a regular file";

// Writes bytes to path atomically. A regular file or a new name is replaced; through a symbolic
// link (even a dangling one) the file it names is replaced and the link kept. Anything else at
// the path is refused with NotRegularFileReason and left untouched. On failure returns false and
// sets error to a readable reason (for example "Permission denied"); the existing file, if any,
// is left untouched. Temporary files of earlier writes that were killed are removed on the way.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes, std::string& error);

// The file a write to path replaces: path itself, or the end of its chain of symbolic links
// (relative links resolved against their own folder). False with a reason when the chain loops
// or the end is something other than a regular file or a missing name.
bool ResolveWriteTarget(const std::filesystem::path& path, std::filesystem::path& target, std::string& error);

// Temporary files of WriteFileAtomically are named ".driftline-tmp-<pid>-<6 characters>"; the
// short fixed length keeps the longest valid output names writable. True for such a leaf name,
// with the writer's process id.
bool IsOwnTemporaryName(std::string_view leaf, long& pid);

// Removes this user's temporary files of the pattern above in folder whose writer has gone or
// that are older than a day. Returns how many were removed. Never touches anything else.
std::size_t RemoveStaleTemporaryFiles(const std::filesystem::path& folder);

// Settings files are read whole and must not exceed this many bytes.
inline constexpr std::size_t MaxSettingsFileBytes = std::size_t{1} << 20;

// Reads a whole file of at most maxBytes bytes; false with a reason on failure. The open never
// blocks (a FIFO without writer is refused at once) and only regular files are read.
bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes, std::string& error,
                   std::size_t maxBytes = MaxSettingsFileBytes);

// Opens path read-only without blocking and checks that it is a regular file; returns the file
// descriptor (blocking mode restored) or -1 with a reason ("not a regular file" or the system's).
int OpenRegularFileForReading(const std::filesystem::path& path, std::string& error);

}  // namespace driftline
