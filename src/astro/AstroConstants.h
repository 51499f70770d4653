#pragma once
// The library's named constants: each is defined once here and used by name everywhere else.
#include <cstdint>

namespace driftline {

inline constexpr double Pi = 3.141592653589793;
inline constexpr double DegToRad = 0.017453292519943295;  // degrees to radians
inline constexpr double RadToDeg = 57.29577951308232;     // radians to degrees
inline constexpr double TwoPi = 2.0 * Pi;
inline constexpr double FourPi = 4.0 * Pi;

// Encoders: a full turn of either telescope axis is 32768 counts.
inline constexpr std::int32_t CountsPerTurn = 32768;
inline constexpr double DegreesPerCount = 360.0 / 32768.0;  // 0.010986328125

// Receiver converter: 4096 counts are 10 volts.
inline constexpr double VoltsPerCount = 10.0 / 4096.0;  // 0.00244140625

inline constexpr double J2000JulianDay = 2451545.0;
// Under the equinox J1950 every day number of the library is this many days smaller.
inline constexpr std::int32_t J1950DayShift = 18262;
inline constexpr double MillisecondsPerDay = 86400000.0;

}  // namespace driftline
