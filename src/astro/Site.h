#pragma once
// The observing site and reference frame every position formula reads, passed by value so that
// the formulas depend on their arguments only (the settings file fills one in Sitesettings.h).
#include <cstdint>

namespace driftline {

struct TSite {
    // Geodetic latitude in degrees, as the settings hold it: [0, 360), a southern latitude as
    // 360 minus its size. Sines and cosines are all the formulas take of it.
    double latitudeDeg = 0.0;
    // Longitude in degrees east of Greenwich, [0, 360): a western longitude as 360 minus its size.
    double longitudeDeg = 0.0;
    // Height above sea level, metres; air temperature, degrees Celsius; air pressure, millibars;
    // atmospheric refraction at the horizon, degrees. Only the Sun's apparent position reads them.
    std::int32_t heightM = 0;
    std::int32_t temperatureC = 0;
    std::int32_t pressureMbar = 0;
    double refractionDeg = 0.0;
    // Equinox of the coordinates: true for J2000, false for the 1950 equinox (settings value
    // "J1950": day numbers counted 18262 days less, and the 1950 rotation constants).
    bool j2000 = true;
};

}  // namespace driftline
