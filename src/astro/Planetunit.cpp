// The seven planets: truncated VSOP87 heliocentric series (Meeus, Astronomical Algorithms,
// 2nd ed., chapter 32 and Appendix III), ecliptic and equinox of date.
#include "astro/Planetunit.h"

#include "astro/AstroConstants.h"
#include "astro/Vsop87Tables.h"

#include <cmath>
#include <iterator>

namespace driftline {

// Up to six groups per series, group 0 first; unused groups are empty.
struct TPlanetSeries {
    vsop87::TVsopGroup L[6];
    vsop87::TVsopGroup B[6];
    vsop87::TVsopGroup R[6];
};

namespace {

using vsop87::Group;

// Julian days per Julian millennium, the time unit of the series.
constexpr double DaysPerJulianMillennium = 365250.0;

// The series value in radians or AU: group sums as a polynomial in tau, divided by 1e8.
double Evaluate(const vsop87::TVsopGroup (&groups)[6], double tau)
{
    return vsop87::SeriesValue(groups, tau);
}

// Mercury: terms per group of the longitude, latitude and radius series.
static_assert(std::size(vsop87::MercuryL0) == 38 && std::size(vsop87::MercuryL1) == 16 &&
                  std::size(vsop87::MercuryL2) == 10 && std::size(vsop87::MercuryL3) == 8 &&
                  std::size(vsop87::MercuryL4) == 6 && std::size(vsop87::MercuryL5) == 1,
              "Mercury L series: 38, 16, 10, 8, 6, 1 terms");
static_assert(std::size(vsop87::MercuryB0) == 14 && std::size(vsop87::MercuryB1) == 11 &&
                  std::size(vsop87::MercuryB2) == 9 && std::size(vsop87::MercuryB3) == 7 &&
                  std::size(vsop87::MercuryB4) == 2,
              "Mercury B series: 14, 11, 9, 7, 2 terms");
static_assert(std::size(vsop87::MercuryR0) == 13 && std::size(vsop87::MercuryR1) == 8 &&
                  std::size(vsop87::MercuryR2) == 7 && std::size(vsop87::MercuryR3) == 5,
              "Mercury R series: 13, 8, 7, 5 terms");
constexpr TPlanetSeries MercurySeries{
    {Group(vsop87::MercuryL0), Group(vsop87::MercuryL1), Group(vsop87::MercuryL2), Group(vsop87::MercuryL3),
     Group(vsop87::MercuryL4), Group(vsop87::MercuryL5)},
    {Group(vsop87::MercuryB0), Group(vsop87::MercuryB1), Group(vsop87::MercuryB2), Group(vsop87::MercuryB3),
     Group(vsop87::MercuryB4), vsop87::TVsopGroup{nullptr, 0}},
    {Group(vsop87::MercuryR0), Group(vsop87::MercuryR1), Group(vsop87::MercuryR2), Group(vsop87::MercuryR3),
     vsop87::TVsopGroup{nullptr, 0}, vsop87::TVsopGroup{nullptr, 0}}};

// Venus: terms per group of the longitude, latitude and radius series.
static_assert(std::size(vsop87::VenusL0) == 24 && std::size(vsop87::VenusL1) == 12 && std::size(vsop87::VenusL2) == 8 &&
                  std::size(vsop87::VenusL3) == 3 && std::size(vsop87::VenusL4) == 3 && std::size(vsop87::VenusL5) == 1,
              "Venus L series: 24, 12, 8, 3, 3, 1 terms");
static_assert(std::size(vsop87::VenusB0) == 9 && std::size(vsop87::VenusB1) == 4 && std::size(vsop87::VenusB2) == 4 &&
                  std::size(vsop87::VenusB3) == 4 && std::size(vsop87::VenusB4) == 1,
              "Venus B series: 9, 4, 4, 4, 1 terms");
static_assert(std::size(vsop87::VenusR0) == 12 && std::size(vsop87::VenusR1) == 3 && std::size(vsop87::VenusR2) == 3 &&
                  std::size(vsop87::VenusR3) == 1 && std::size(vsop87::VenusR4) == 1,
              "Venus R series: 12, 3, 3, 1, 1 terms");
constexpr TPlanetSeries VenusSeries{{Group(vsop87::VenusL0), Group(vsop87::VenusL1), Group(vsop87::VenusL2),
                                     Group(vsop87::VenusL3), Group(vsop87::VenusL4), Group(vsop87::VenusL5)},
                                    {Group(vsop87::VenusB0), Group(vsop87::VenusB1), Group(vsop87::VenusB2),
                                     Group(vsop87::VenusB3), Group(vsop87::VenusB4), vsop87::TVsopGroup{nullptr, 0}},
                                    {Group(vsop87::VenusR0), Group(vsop87::VenusR1), Group(vsop87::VenusR2),
                                     Group(vsop87::VenusR3), Group(vsop87::VenusR4), vsop87::TVsopGroup{nullptr, 0}}};

// Mars: terms per group of the longitude, latitude and radius series.
static_assert(std::size(vsop87::MarsL0) == 69 && std::size(vsop87::MarsL1) == 46 && std::size(vsop87::MarsL2) == 33 &&
                  std::size(vsop87::MarsL3) == 12 && std::size(vsop87::MarsL4) == 8 && std::size(vsop87::MarsL5) == 2,
              "Mars L series: 69, 46, 33, 12, 8, 2 terms");
static_assert(std::size(vsop87::MarsB0) == 16 && std::size(vsop87::MarsB1) == 9 && std::size(vsop87::MarsB2) == 7 &&
                  std::size(vsop87::MarsB3) == 4 && std::size(vsop87::MarsB4) == 3,
              "Mars B series: 16, 9, 7, 4, 3 terms");
static_assert(std::size(vsop87::MarsR0) == 45 && std::size(vsop87::MarsR1) == 27 && std::size(vsop87::MarsR2) == 11 &&
                  std::size(vsop87::MarsR3) == 6 && std::size(vsop87::MarsR4) == 4,
              "Mars R series: 45, 27, 11, 6, 4 terms");
constexpr TPlanetSeries MarsSeries{{Group(vsop87::MarsL0), Group(vsop87::MarsL1), Group(vsop87::MarsL2),
                                    Group(vsop87::MarsL3), Group(vsop87::MarsL4), Group(vsop87::MarsL5)},
                                   {Group(vsop87::MarsB0), Group(vsop87::MarsB1), Group(vsop87::MarsB2),
                                    Group(vsop87::MarsB3), Group(vsop87::MarsB4), vsop87::TVsopGroup{nullptr, 0}},
                                   {Group(vsop87::MarsR0), Group(vsop87::MarsR1), Group(vsop87::MarsR2),
                                    Group(vsop87::MarsR3), Group(vsop87::MarsR4), vsop87::TVsopGroup{nullptr, 0}}};

// Jupiter: terms per group of the longitude, latitude and radius series.
static_assert(std::size(vsop87::JupiterL0) == 64 && std::size(vsop87::JupiterL1) == 61 &&
                  std::size(vsop87::JupiterL2) == 57 && std::size(vsop87::JupiterL3) == 39 &&
                  std::size(vsop87::JupiterL4) == 19 && std::size(vsop87::JupiterL5) == 5,
              "Jupiter L series: 64, 61, 57, 39, 19, 5 terms");
static_assert(std::size(vsop87::JupiterB0) == 26 && std::size(vsop87::JupiterB1) == 22 &&
                  std::size(vsop87::JupiterB2) == 14 && std::size(vsop87::JupiterB3) == 9 &&
                  std::size(vsop87::JupiterB4) == 6 && std::size(vsop87::JupiterB5) == 1,
              "Jupiter B series: 26, 22, 14, 9, 6, 1 terms");
static_assert(std::size(vsop87::JupiterR0) == 46 && std::size(vsop87::JupiterR1) == 43 &&
                  std::size(vsop87::JupiterR2) == 36 && std::size(vsop87::JupiterR3) == 28 &&
                  std::size(vsop87::JupiterR4) == 15 && std::size(vsop87::JupiterR5) == 7,
              "Jupiter R series: 46, 43, 36, 28, 15, 7 terms");
constexpr TPlanetSeries JupiterSeries{{Group(vsop87::JupiterL0), Group(vsop87::JupiterL1), Group(vsop87::JupiterL2),
                                       Group(vsop87::JupiterL3), Group(vsop87::JupiterL4), Group(vsop87::JupiterL5)},
                                      {Group(vsop87::JupiterB0), Group(vsop87::JupiterB1), Group(vsop87::JupiterB2),
                                       Group(vsop87::JupiterB3), Group(vsop87::JupiterB4), Group(vsop87::JupiterB5)},
                                      {Group(vsop87::JupiterR0), Group(vsop87::JupiterR1), Group(vsop87::JupiterR2),
                                       Group(vsop87::JupiterR3), Group(vsop87::JupiterR4), Group(vsop87::JupiterR5)}};

// Saturn: terms per group of the longitude, latitude and radius series.
static_assert(std::size(vsop87::SaturnL0) == 90 && std::size(vsop87::SaturnL1) == 79 &&
                  std::size(vsop87::SaturnL2) == 63 && std::size(vsop87::SaturnL3) == 48 &&
                  std::size(vsop87::SaturnL4) == 27 && std::size(vsop87::SaturnL5) == 12,
              "Saturn L series: 90, 79, 63, 48, 27, 12 terms");
static_assert(std::size(vsop87::SaturnB0) == 34 && std::size(vsop87::SaturnB1) == 32 &&
                  std::size(vsop87::SaturnB2) == 29 && std::size(vsop87::SaturnB3) == 21 &&
                  std::size(vsop87::SaturnB4) == 12 && std::size(vsop87::SaturnB5) == 2,
              "Saturn B series: 34, 32, 29, 21, 12, 2 terms");
static_assert(std::size(vsop87::SaturnR0) == 44 && std::size(vsop87::SaturnR1) == 38 &&
                  std::size(vsop87::SaturnR2) == 32 && std::size(vsop87::SaturnR3) == 28 &&
                  std::size(vsop87::SaturnR4) == 23 && std::size(vsop87::SaturnR5) == 18,
              "Saturn R series: 44, 38, 32, 28, 23, 18 terms");
constexpr TPlanetSeries SaturnSeries{{Group(vsop87::SaturnL0), Group(vsop87::SaturnL1), Group(vsop87::SaturnL2),
                                      Group(vsop87::SaturnL3), Group(vsop87::SaturnL4), Group(vsop87::SaturnL5)},
                                     {Group(vsop87::SaturnB0), Group(vsop87::SaturnB1), Group(vsop87::SaturnB2),
                                      Group(vsop87::SaturnB3), Group(vsop87::SaturnB4), Group(vsop87::SaturnB5)},
                                     {Group(vsop87::SaturnR0), Group(vsop87::SaturnR1), Group(vsop87::SaturnR2),
                                      Group(vsop87::SaturnR3), Group(vsop87::SaturnR4), Group(vsop87::SaturnR5)}};

// Uranus: terms per group of the longitude, latitude and radius series.
static_assert(std::size(vsop87::UranusL0) == 91 && std::size(vsop87::UranusL1) == 57 &&
                  std::size(vsop87::UranusL2) == 35 && std::size(vsop87::UranusL3) == 18 &&
                  std::size(vsop87::UranusL4) == 4,
              "Uranus L series: 91, 57, 35, 18, 4 terms");
static_assert(std::size(vsop87::UranusB0) == 28 && std::size(vsop87::UranusB1) == 20 &&
                  std::size(vsop87::UranusB2) == 11 && std::size(vsop87::UranusB3) == 4 &&
                  std::size(vsop87::UranusB4) == 1,
              "Uranus B series: 28, 20, 11, 4, 1 terms");
static_assert(std::size(vsop87::UranusR0) == 59 && std::size(vsop87::UranusR1) == 35 &&
                  std::size(vsop87::UranusR2) == 18 && std::size(vsop87::UranusR3) == 10 &&
                  std::size(vsop87::UranusR4) == 2,
              "Uranus R series: 59, 35, 18, 10, 2 terms");
constexpr TPlanetSeries UranusSeries{{Group(vsop87::UranusL0), Group(vsop87::UranusL1), Group(vsop87::UranusL2),
                                      Group(vsop87::UranusL3), Group(vsop87::UranusL4), vsop87::TVsopGroup{nullptr, 0}},
                                     {Group(vsop87::UranusB0), Group(vsop87::UranusB1), Group(vsop87::UranusB2),
                                      Group(vsop87::UranusB3), Group(vsop87::UranusB4), vsop87::TVsopGroup{nullptr, 0}},
                                     {Group(vsop87::UranusR0), Group(vsop87::UranusR1), Group(vsop87::UranusR2),
                                      Group(vsop87::UranusR3), Group(vsop87::UranusR4),
                                      vsop87::TVsopGroup{nullptr, 0}}};

// Neptune: terms per group of the longitude, latitude and radius series.
static_assert(std::size(vsop87::NeptuneL0) == 38 && std::size(vsop87::NeptuneL1) == 18 &&
                  std::size(vsop87::NeptuneL2) == 7 && std::size(vsop87::NeptuneL3) == 4 &&
                  std::size(vsop87::NeptuneL4) == 1,
              "Neptune L series: 38, 18, 7, 4, 1 terms");
static_assert(std::size(vsop87::NeptuneB0) == 17 && std::size(vsop87::NeptuneB1) == 13 &&
                  std::size(vsop87::NeptuneB2) == 6 && std::size(vsop87::NeptuneB3) == 4 &&
                  std::size(vsop87::NeptuneB4) == 1,
              "Neptune B series: 17, 13, 6, 4, 1 terms");
static_assert(std::size(vsop87::NeptuneR0) == 32 && std::size(vsop87::NeptuneR1) == 15 &&
                  std::size(vsop87::NeptuneR2) == 5 && std::size(vsop87::NeptuneR3) == 1,
              "Neptune R series: 32, 15, 5, 1 terms");
constexpr TPlanetSeries NeptuneSeries{
    {Group(vsop87::NeptuneL0), Group(vsop87::NeptuneL1), Group(vsop87::NeptuneL2), Group(vsop87::NeptuneL3),
     Group(vsop87::NeptuneL4), vsop87::TVsopGroup{nullptr, 0}},
    {Group(vsop87::NeptuneB0), Group(vsop87::NeptuneB1), Group(vsop87::NeptuneB2), Group(vsop87::NeptuneB3),
     Group(vsop87::NeptuneB4), vsop87::TVsopGroup{nullptr, 0}},
    {Group(vsop87::NeptuneR0), Group(vsop87::NeptuneR1), Group(vsop87::NeptuneR2), Group(vsop87::NeptuneR3),
     vsop87::TVsopGroup{nullptr, 0}, vsop87::TVsopGroup{nullptr, 0}}};

}  // namespace

// Heliocentric longitude in degrees, folded into [0, 360).
double TVsopPlanet::GetLongitude() const
{
    const double tau = (JulianDay - J2000JulianDay) / DaysPerJulianMillennium;
    double degrees = std::fmod(Evaluate(series_->L, tau) * RadToDeg, 360.0);
    if (degrees < 0.0)
        degrees += 360.0;
    return degrees >= 360.0 ? 0.0 : degrees;
}

// Heliocentric latitude in degrees (not folded).
double TVsopPlanet::GetLatitude() const
{
    const double tau = (JulianDay - J2000JulianDay) / DaysPerJulianMillennium;
    return Evaluate(series_->B, tau) * RadToDeg;
}

// Radius vector in AU.
double TVsopPlanet::GetDistance() const
{
    const double tau = (JulianDay - J2000JulianDay) / DaysPerJulianMillennium;
    return Evaluate(series_->R, tau);
}

TMercury::TMercury(double julianDay) : TVsopPlanet(julianDay, MercurySeries)
{}
TVenus::TVenus(double julianDay) : TVsopPlanet(julianDay, VenusSeries)
{}
TMars::TMars(double julianDay) : TVsopPlanet(julianDay, MarsSeries)
{}
TJupiter::TJupiter(double julianDay) : TVsopPlanet(julianDay, JupiterSeries)
{}
TSaturn::TSaturn(double julianDay) : TVsopPlanet(julianDay, SaturnSeries)
{}
TUranus::TUranus(double julianDay) : TVsopPlanet(julianDay, UranusSeries)
{}
TNeptune::TNeptune(double julianDay) : TVsopPlanet(julianDay, NeptuneSeries)
{}

}  // namespace driftline
