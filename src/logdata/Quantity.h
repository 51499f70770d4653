#pragma once
// The eight derived quantities of a sample, their captions and code names, and the sample itself.
#include <array>
#include <cstddef>
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

}  // namespace driftline
