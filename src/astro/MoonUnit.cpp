// The Moon's geocentric position (Meeus, Astronomical Algorithms, 2nd ed., chapter 47).
#include "astro/MoonUnit.h"

#include "astro/AstroConstants.h"
#include "astro/MoonTables.h"
#include "astro/Nutation.h"

#include <cmath>
#include <iterator>

namespace driftline {

static_assert(std::size(gMoonArgs1) == std::size(gMoonCoeffs2), "one argument per longitude/distance term");
static_assert(std::size(gMoonArgs3) == std::size(gMoonCoeffs4), "one argument per latitude term");

namespace {

constexpr double DaysPerJulianCentury = 36525.0;

// Angle into [0, 360).
double Fold360(double degrees)
{
    double folded = std::fmod(degrees, 360.0);
    if (folded < 0.0)
        folded += 360.0;
    return folded >= 360.0 ? 0.0 : folded;
}

// The Moon's fundamental arguments in degrees, folded into [0, 360), and the eccentricity
// factor E, for T Julian centuries from J2000 (Meeus 47.1 to 47.6).
struct TMoonArguments {
    double T;
    double Lp;  // mean longitude L'
    double D;   // mean elongation
    double M;   // Sun's mean anomaly
    double Mp;  // Moon's mean anomaly M'
    double F;   // argument of latitude
    double A1, A2, A3;
    double E;
};

TMoonArguments MoonArguments(double julianDay)
{
    TMoonArguments a{};
    const double t = (julianDay - J2000JulianDay) / DaysPerJulianCentury;
    a.T = t;
    a.Lp = Fold360(218.3164477 + t * (481267.88123421 + t * (-0.0015786 + t * (1.0 / 538841.0 - t / 65194000.0))));
    a.D = Fold360(297.8501921 + t * (445267.1114034 + t * (-0.0018819 + t * (1.0 / 545868.0 - t / 113065000.0))));
    a.M = Fold360(357.5291092 + t * (35999.0502909 + t * (-0.0001536 + t / 24490000.0)));
    a.Mp = Fold360(134.9633964 + t * (477198.8675055 + t * (0.0087414 + t * (1.0 / 69699.0 - t / 14712000.0))));
    a.F = Fold360(93.2720950 + t * (483202.0175233 + t * (-0.0036539 + t * (-1.0 / 3526000.0 + t / 863310000.0))));
    a.A1 = Fold360(119.75 + 131.849 * t);
    a.A2 = Fold360(53.09 + 479264.29 * t);
    a.A3 = Fold360(313.45 + 481266.484 * t);
    a.E = 1.0 - t * (0.002516 + 0.0000074 * t);
    return a;
}

// The argument of a term in radians, and the factor E or E squared that a term with one or two
// multiples of the Sun's anomaly carries (the Earth's orbit's shrinking eccentricity).
double TermArgumentRad(const TMoonArgument& m, const TMoonArguments& a)
{
    return (m.D * a.D + m.M * a.M + m.Mp * a.Mp + m.F * a.F) * DegToRad;
}

double EccentricityFactor(const TMoonArgument& m, double e)
{
    const double k = std::fabs(m.M);
    if (k == 1.0)
        return e;
    if (k == 2.0)
        return e * e;
    return 1.0;
}

double SinDeg(double degrees)
{
    return std::sin(degrees * DegToRad);
}

}  // namespace

// Nutation in longitude in arc-seconds (Meeus 22, Table 22.A), T from the model's Julian day.
double TMoon::NutationInLongitude() const
{
    const double t = (JulianDay - J2000JulianDay) / DaysPerJulianCentury;
    return NutationLongitudeSum(NutationArguments(t), t) * 0.0001;
}

// Apparent longitude in degrees, [0, 360) (Meeus 47, with the additive terms of A1, L' - F, A2).
double TMoon::GetLongitude() const
{
    static_assert(sizeof(gMoonCoeffs2) / sizeof(TMoonCoeff2) == nLCoefficients,
                  "sizeof(gMoonCoeffs2) / sizeof(TMoonCoeff2) == nLCoefficients");
    const TMoonArguments a = MoonArguments(JulianDay);
    double sum = 0.0;
    for (int i = 0; i < nLCoefficients; ++i)
        sum += gMoonCoeffs2[i].Longitude * EccentricityFactor(gMoonArgs1[i], a.E) *
               std::sin(TermArgumentRad(gMoonArgs1[i], a));
    sum += 3958.0 * SinDeg(a.A1) + 1962.0 * SinDeg(a.Lp - a.F) + 318.0 * SinDeg(a.A2);
    return Fold360(a.Lp + sum * 1e-6 + NutationInLongitude() / 3600.0);
}

// Latitude in degrees (Meeus 47, with the additive terms of L', A3, A1 - F, A1 + F, L' - M',
// L' + M').
double TMoon::GetLatitude() const
{
    static_assert(sizeof(gMoonCoeffs4) / sizeof(double) == nBCoefficients,
                  "sizeof(gMoonCoeffs4) / sizeof(double) == nBCoefficients");
    const TMoonArguments a = MoonArguments(JulianDay);
    double sum = 0.0;
    for (int i = 0; i < nBCoefficients; ++i)
        sum += gMoonCoeffs4[i] * EccentricityFactor(gMoonArgs3[i], a.E) * std::sin(TermArgumentRad(gMoonArgs3[i], a));
    sum += -2235.0 * SinDeg(a.Lp) + 382.0 * SinDeg(a.A3) + 175.0 * SinDeg(a.A1 - a.F) + 175.0 * SinDeg(a.A1 + a.F) +
           127.0 * SinDeg(a.Lp - a.Mp) - 115.0 * SinDeg(a.Lp + a.Mp);
    return sum * 1e-6;
}

// Distance in kilometres (Meeus 47: 385000.56 km plus the cosine terms).
double TMoon::GetDistance() const
{
    static_assert(sizeof(gMoonCoeffs2) / sizeof(TMoonCoeff2) == nRCoefficients,
                  "sizeof(gMoonCoeffs2) / sizeof(TMoonCoeff2) == nRCoefficients");
    const TMoonArguments a = MoonArguments(JulianDay);
    double sum = 0.0;
    for (int i = 0; i < nRCoefficients; ++i)
        sum += gMoonCoeffs2[i].Distance * EccentricityFactor(gMoonArgs1[i], a.E) *
               std::cos(TermArgumentRad(gMoonArgs1[i], a));
    return 385000.56 + sum * 0.001;
}

}  // namespace driftline
