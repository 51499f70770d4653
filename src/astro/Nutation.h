#pragma once
// Nutation in longitude and obliquity from the 63-term series of Meeus, Astronomical Algorithms,
// 2nd ed., Table 22.A (the series of Reda and Andreas 2004, Table A4.3).

namespace driftline {

// One term: multipliers of D, M, M', F and the Moon's node; sine coefficient s1 + s2 T for the
// longitude and cosine coefficient c1 + c2 T for the obliquity, in 0.0001 arc-second.
struct TNutationTerm {
    int multipliers[5];
    int s1;
    double s2;
    int c1;
    double c2;
};

inline constexpr int NutationTermCount = 63;

// The five fundamental arguments of nutation, in degrees (not folded), for T Julian centuries
// from J2000: mean elongation of the Moon, mean anomaly of the Sun, mean anomaly of the Moon,
// the Moon's argument of latitude, longitude of the Moon's ascending node.
struct TNutationArguments {
    double x[5];
};
TNutationArguments NutationArguments(double t);

// Nutation in longitude and in obliquity, both in 0.0001 arc-second, for the arguments x and
// T Julian centuries from J2000.
struct TNutation {
    double longitude;
    double obliquity;
};
TNutation NutationSums(const TNutationArguments& x, double t);
// Nutation in longitude alone, in 0.0001 arc-second (the obliquity sum is skipped).
double NutationLongitudeSum(const TNutationArguments& x, double t);

}  // namespace driftline
