#pragma once
// Small text helpers shared by the settings reader, the suite's messages, the log writers and
// the quantity names.
#include <cstdint>
#include <string>
#include <string_view>

namespace driftline {

// True when a and b have the same length and equal bytes after mapping ASCII A-Z to a-z (other
// bytes compare as they are, whatever the locale).
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// First session header line of a log for a UTC date and time:
// "Opening session 12/05/2010 21:03:15 (UTC)"; the time is left out when it is exactly 00:00:00.
std::string SessionOpeningLine(int year, int month, int day, int hour, int minute, int second);

// Decimal text of n with "," between groups of three digits: 1234567 gives "1,234,567".
std::string FormatThousands(std::uint64_t n);

// 32-bit FNV-1a hash of the bytes (Fowler, Noll and Vo; offset basis 2166136261, prime 16777619).
std::uint32_t Fnv1a32(std::string_view bytes);

}  // namespace driftline
