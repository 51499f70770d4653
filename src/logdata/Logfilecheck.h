#pragma once
// The reader's guards against hostile or moving log files: a cap on one line, the rule for a
// last line without a line end, and the check that the file stayed the same while it was read.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace driftline {

// A line longer than this (line end excluded) is malformed and skipped whatever it holds, so
// memory stays bounded for any bytes (a file of NULs, say). A real line has some 30 bytes; the
// cap is generous so that lines padded with blanks up to a few megabytes still read as before.
inline constexpr std::size_t MaxLogLineBytes = std::size_t{4} << 20;

// A file modified this recently may still be being written.
inline constexpr std::chrono::seconds SettleTime{2};

// Whether a last line without a line end (any CR already removed) is read now: a record line
// only when it parses as a complete record, and any line only when the file was last modified at
// least SettleTime before now. Otherwise it is probably half written and left for the next read.
bool TakeUnterminatedLastLine(std::string_view line, std::chrono::system_clock::time_point modified,
                              std::chrono::system_clock::time_point now);

// What identifies an open file and its state when its read started.
struct TFileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    std::uint64_t size = 0;
    std::chrono::system_clock::time_point modified{};
};

// The identity of the open file fd; false when fstat fails.
bool IdentityOfOpenFile(int fd, TFileIdentity& identity);

// True when the file read through fd changed under the reader: it is now shorter than at the
// start (atStart), fewer bytes than its starting size were read (bytesRead), or path now names
// another file or none (deleted or replaced). Growth by appending is not a change.
bool FileChangedWhileRead(const TFileIdentity& atStart, std::uint64_t bytesRead, int fd,
                          const std::filesystem::path& path);

// The message for such a file: "<path> changed while it was read".
std::string ChangedWhileReadMessage(const std::filesystem::path& path);

}  // namespace driftline
