#pragma once
// Safe file replacement: write to a temporary file in the target's folder, then rename it over
// the target, so a failed or interrupted write never destroys the old file or leaves half a file.
#include <filesystem>
#include <string>
#include <string_view>

namespace driftline {

// A file written in pieces the same safe way: the pieces go to a temporary file beside the
// target, and Commit renames it over the target. Without a successful Commit (a failed write, an
// early return) the temporary file is removed and the target stays as it was.
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
    std::string tempName_;
    std::filesystem::path target_;
    std::filesystem::path folder_;
};

// Writes bytes to path atomically. On failure returns false and sets error to a readable
// reason (for example "Permission denied"); the existing file, if any, is left untouched.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes, std::string& error);

// Reads a whole file; false with a reason on failure.
bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes, std::string& error);

}  // namespace driftline
