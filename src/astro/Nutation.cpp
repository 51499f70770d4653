// Nutation in longitude and obliquity (Meeus, Astronomical Algorithms, 2nd ed., chapter 22).
#include "astro/Nutation.h"

#include "astro/AstroConstants.h"
#include "astro/NutationTable.h"

#include <cmath>
#include <iterator>

namespace driftline {

static_assert(std::size(gNutationTerms) == NutationTermCount, "nutation series must have 63 terms");

// Fundamental arguments in degrees for T Julian centuries from J2000 (Reda and Andreas 2004,
// equations 15 to 19; Meeus 22 with the same coefficients).
TNutationArguments NutationArguments(double t)
{
    TNutationArguments a{};
    a.x[0] = 297.85036 + t * (445267.11148 + t * (-0.0019142 + t / 189474.0));
    a.x[1] = 357.52772 + t * (35999.05034 + t * (-0.0001603 - t / 300000.0));
    a.x[2] = 134.96298 + t * (477198.867398 + t * (0.0086972 + t / 56250.0));
    a.x[3] = 93.27191 + t * (483202.017538 + t * (-0.0036825 + t / 327270.0));
    a.x[4] = 125.04452 + t * (-1934.136261 + t * (0.0020708 + t / 450000.0));
    return a;
}

namespace {

// The argument of one term in radians: its multipliers applied to the five arguments.
double TermArgumentRad(const TNutationTerm& term, const TNutationArguments& x)
{
    double sum = 0.0;
    for (int i = 0; i < 5; ++i)
        sum += term.multipliers[i] * x.x[i];
    return sum * DegToRad;
}

}  // namespace

// Both sums in 0.0001 arc-second (Meeus 22, Table 22.A).
TNutation NutationSums(const TNutationArguments& x, double t)
{
    TNutation n{0.0, 0.0};
    for (const TNutationTerm& term : gNutationTerms) {
        const double arg = TermArgumentRad(term, x);
        n.longitude += (term.s1 + term.s2 * t) * std::sin(arg);
        n.obliquity += (term.c1 + term.c2 * t) * std::cos(arg);
    }
    return n;
}

// Nutation in longitude alone, in 0.0001 arc-second.
double NutationLongitudeSum(const TNutationArguments& x, double t)
{
    double sum = 0.0;
    for (const TNutationTerm& term : gNutationTerms)
        sum += (term.s1 + term.s2 * t) * std::sin(TermArgumentRad(term, x));
    return sum;
}

}  // namespace driftline
