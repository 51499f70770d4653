#pragma once
// Reading and writing the suite's settings file (ZVK.ini, a Windows-style initialisation file).
// Reading follows the profile rules the controller relies on: sections and keys match ignoring
// case, blanks around "=" and at the ends of a value are dropped, a missing file, section, key or
// an unparsable number gives the caller's default, and reading never touches the file.
// Writing changes only the keys it is given and keeps every other byte of the file.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace driftline {

// Longest string value a setting can carry, in characters; longer values are cut.
inline constexpr std::size_t IniMaxStringLength = 2047;

// Text with blanks (spaces and tabs) removed from both ends.
std::string TrimIniBlanks(std::string_view text);

// Integer of a setting text: decimal, or hexadecimal after 0x, 0X or $ (optionally signed);
// hexadecimal values up to FFFFFFFF wrap into the signed range. Anything else, including a
// decimal outside the 32-bit range, gives defaultValue.
std::int32_t ParseIniInt(std::string_view text, std::int32_t defaultValue);

// Real of a setting text: a decimal number with an optional exponent, written with a point or
// with decimalSeparator (the user's locale separator). Anything else gives defaultValue.
double ParseIniReal(std::string_view text, double defaultValue, char decimalSeparator);
// The decimal separator of the user's numeric locale (from the environment), '.' when none is set.
char UserDecimalSeparator();
// As above with the user's decimal separator (UserDecimalSeparator()).
double ParseIniReal(std::string_view text, double defaultValue);

// Boolean of a setting text: an integer, 0 false and any other number true; unparsable = default.
bool ParseIniBool(std::string_view text, bool defaultValue);

// The contents of one settings file, loaded once into memory (the file itself is never written).
class TIniReader {
public:
    // Loads the file; a missing or unreadable file reads as an empty one.
    explicit TIniReader(const std::filesystem::path& ini);
    // Loads from text already in memory.
    static TIniReader FromText(std::string_view text);
    ~TIniReader();
    TIniReader(TIniReader&&) noexcept;
    TIniReader& operator=(TIniReader&&) noexcept;

    // The trimmed value text of the first such key of the section, or nothing when absent.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;

    std::string String(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    std::int32_t Int(std::string_view section, std::string_view key, std::int32_t defaultValue) const;
    double Real(std::string_view section, std::string_view key, double defaultValue) const;
    bool Bool(std::string_view section, std::string_view key, bool defaultValue) const;

private:
    TIniReader();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// One-key readers for the viewer's own section; each opens the file afresh.
std::int32_t ReadIniInt(const std::filesystem::path& ini, std::string_view section, std::string_view key,
                        std::int32_t defaultValue);
bool ReadIniBool(const std::filesystem::path& ini, std::string_view section, std::string_view key, bool defaultValue);

// Sets keys of one section in the settings file, as the platform's profile writer would:
// an existing key (first matching section, first matching key, both ignoring case) gets the new
// value in its own line with the key text kept as written; a missing key is added after the
// last non-blank line of the section; a missing section is added at the end of the file. Every
// other byte stays as it was, and new lines use the file's own line ends (CR LF for a new file).
// The file is replaced atomically; on failure returns false with the reason in error and the
// old file untouched.
bool WriteIniSection(const std::filesystem::path& ini, std::string_view section,
                     const std::vector<std::pair<std::string, std::string>>& keyValues, std::string& error);

// The new file text for WriteIniSection, computed from the old text (exposed for its tests).
std::string ApplyIniSection(std::string_view oldText, std::string_view section,
                            const std::vector<std::pair<std::string, std::string>>& keyValues);

}  // namespace driftline
