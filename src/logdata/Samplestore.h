#pragma once
// The sample store: raw records as read, and for each a derived sample of eight quantities.
#include "astro/Timeunit.h"
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace driftline {

// Index of a derived quantity; also the item index of the axis radio groups.
enum Quantity : int {
    Time = 0,            // date-time serial in days, UTC
    Azimuth = 1,         // degrees, not folded
    Altitude = 2,        // degrees
    RightAscension = 3,  // degrees, 0..360
    Declination = 4,     // degrees in [0, 360): negative d as 360 + d
    Beta = 5,            // galactic latitude, as Declination
    Lambda = 6,          // galactic longitude, [0, 360)
    Volts = 7,           // volts
};
inline constexpr int QuantityCount = 8;

// One record line of a log: four unsigned 32-bit fields (voltsCounts 0 without a fourth field).
struct RawRecord {
    std::uint32_t milliseconds = 0;
    std::uint32_t azimuthCounts = 0;
    std::uint32_t altitudeCounts = 0;
    std::uint32_t voltsCounts = 0;
};

// Eight doubles in Quantity order, nothing else.
struct Sample {
    std::array<double, QuantityCount> values{};
    double& operator[](int q) { return values[static_cast<std::size_t>(q)]; }
    double operator[](int q) const { return values[static_cast<std::size_t>(q)]; }
};

using SampleList = std::vector<Sample>;

// The axis radio-group item text of a quantity ("Time" ... "Right ascension" ... "Volts").
const char* QuantityCaption(int q);
// The code name of a quantity ("Time" ... "RightAscension" ... "Volts").
const char* QuantityCodeName(int q);
// A quantity from its caption, code name or index 0..7, ignoring case; false when none matches.
bool ParseQuantity(std::string_view text, Quantity& q);

inline constexpr std::int32_t NoCorrection = -9999999;

}  // namespace driftline
