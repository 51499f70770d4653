#pragma once
// Small text helpers shared by the settings reader, the suite's messages and the quantity names.
#include <cstdint>
#include <string_view>

namespace driftline {

// True when a and b have the same length and equal bytes after mapping ASCII A-Z to a-z (other
// bytes compare as they are, whatever the locale).
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// 32-bit FNV-1a hash of the bytes (Fowler, Noll and Vo; offset basis 2166136261, prime 16777619).
std::uint32_t Fnv1a32(std::string_view bytes);

}  // namespace driftline
