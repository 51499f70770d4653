#pragma once
// TMoon: the Moon's geocentric ecliptic position of date (Meeus, Astronomical Algorithms, 2nd ed.,
// chapter 47), with the nutation in longitude added to its longitude.
#include "astro/Planetunit.h"

namespace driftline {

// Multipliers of the mean elongation D, the Sun's mean anomaly M, the Moon's mean anomaly M' and
// its argument of latitude F in one periodic term.
struct TMoonArgument {
    double D;
    double M;
    double Mp;
    double F;
};

// Longitude coefficient (1e-6 degree, sine) and distance coefficient (1e-3 km, cosine) of a term.
struct TMoonCoeff2 {
    double Longitude;
    double Distance;
};

inline constexpr int nLCoefficients = 60;
inline constexpr int nRCoefficients = 60;
inline constexpr int nBCoefficients = 60;

class TMoon final : public TPlanet {
public:
    explicit TMoon(double julianDay) : TPlanet(julianDay) {}

    // Apparent ecliptic longitude in degrees, [0, 360): mean longitude, periodic terms and
    // nutation in longitude.
    double GetLongitude() const override;
    // Ecliptic latitude in degrees.
    double GetLatitude() const override;
    // Distance between the centres of the Earth and the Moon, kilometres.
    double GetDistance() const override;

    // Nutation in longitude in arc-seconds for the model's date.
    double NutationInLongitude() const;
};

}  // namespace driftline
