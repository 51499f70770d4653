#pragma once
// Safe file replacement: write to a temporary file in the target's folder, then rename it over
// the target, so a failed or interrupted write never destroys the old file or leaves half a file.
#include <filesystem>
#include <string>
#include <string_view>

namespace driftline {

// Writes bytes to path atomically. On failure returns false and sets error to a readable
// reason (for example "Permission denied"); the existing file, if any, is left untouched.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes, std::string& error);

// Reads a whole file; false with a reason on failure.
bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes, std::string& error);

}  // namespace driftline
