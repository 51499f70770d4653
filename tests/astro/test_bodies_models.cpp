// Planet and Moon position models against published positions.
#include "astro/MoonUnit.h"
#include "astro/Planetunit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

namespace driftline {
namespace {

constexpr double ArcSecond = 1.0 / 3600.0;

double AngleDiff(double a, double b)
{
    double d = std::fmod(a - b, 360.0);
    if (d > 180.0)
        d -= 360.0;
    if (d <= -180.0)
        d += 360.0;
    return d;
}

std::unique_ptr<TPlanet> MakePlanet(const std::string& name, double jd)
{
    if (name == "mercury")
        return std::make_unique<TMercury>(jd);
    if (name == "venus")
        return std::make_unique<TVenus>(jd);
    if (name == "mars")
        return std::make_unique<TMars>(jd);
    if (name == "jupiter")
        return std::make_unique<TJupiter>(jd);
    if (name == "saturn")
        return std::make_unique<TSaturn>(jd);
    if (name == "uranus")
        return std::make_unique<TUranus>(jd);
    if (name == "neptune")
        return std::make_unique<TNeptune>(jd);
    return nullptr;
}

TEST(PlanetModels, VenusOfMeeusExample32a)
{
    // Meeus, Astronomical Algorithms, example 32.a: Venus at JDE 2448976.5 (1992 Dec 20, 0h TD):
    // L = 26.11428 degrees, B = -2.62070 degrees, R = 0.724603 AU.
    const TVenus venus(2448976.5);
    EXPECT_NEAR(venus.GetLongitude(), 26.11428, 1e-5);
    EXPECT_NEAR(venus.GetLatitude(), -2.62070, 1e-5);
    EXPECT_NEAR(venus.GetDistance(), 0.724603, 1e-6);
}

struct FullSeriesRow {
    const char* planet;
    double jd;
    double longitudeDeg;
    double latitudeDeg;
    double radiusAu;
};

// Heliocentric positions from the complete VSOP87D series (PyMeeus 0.5.11, as recorded in the
// shared astro-tables' check script) at 1900 Jan 0.5, J2000 and 2100 Jan 1.0. The book's
// truncation is good to about 1.1" and 1.3e-5 of R at these dates: tolerances 3" and 2e-5 R.
const FullSeriesRow kFullSeries[] = {
    {"mercury", 2415020.5, 201.3795891, 3.0565864, 0.420737485},
    {"mercury", 2451545.0, 253.7829523, -3.0227730, 0.466471475},
    {"mercury", 2488069.5, 305.2035162, -6.7913992, 0.432127607},
    {"mars", 2415020.5, 286.4463685, -1.5634476, 1.421393566},
    {"mars", 2451545.0, 359.4473072, -1.4196738, 1.391207693},
    {"mars", 2488069.5, 67.5738945, 0.5485019, 1.509422558},
    {"jupiter", 2415020.5, 234.5362119, 0.9243938, 5.384904203},
    {"jupiter", 2451545.0, 36.2946658, -1.1745694, 4.965381315},
    {"jupiter", 2488069.5, 190.9932875, 1.2988215, 5.451420966},
    {"saturn", 2415020.5, 266.5139654, 1.1035121, 10.066868897},
    {"saturn", 2451545.0, 45.7222541, -2.3031995, 9.183848372},
    {"saturn", 2488069.5, 199.9902245, 2.4745927, 9.666128498},
    {"uranus", 2415020.5, 248.6568709, 0.0662122, 18.992807989},
    {"uranus", 2451545.0, 316.4187258, -0.6848441, 19.924048267},
    {"uranus", 2488069.5, 20.5415803, -0.6248035, 19.970718311},
    {"neptune", 2415020.5, 85.6957280, -1.2582063, 29.871041917},
    {"neptune", 2451545.0, 303.9290678, 0.2419990, 30.120532839},
    {"neptune", 2488069.5, 165.5757721, 0.9511436, 30.207736138},
};

class PlanetFullSeries : public ::testing::TestWithParam<FullSeriesRow> {};

TEST_P(PlanetFullSeries, TruncatedSeriesFollowTheCompleteSeries)
{
    const FullSeriesRow& row = GetParam();
    const std::unique_ptr<TPlanet> planet = MakePlanet(row.planet, row.jd);
    ASSERT_TRUE(planet);
    const double l = planet->GetLongitude();
    EXPECT_GE(l, 0.0);
    EXPECT_LT(l, 360.0);
    EXPECT_NEAR(AngleDiff(l, row.longitudeDeg), 0.0, 3 * ArcSecond) << row.planet << " " << row.jd;
    EXPECT_NEAR(planet->GetLatitude(), row.latitudeDeg, 3 * ArcSecond) << row.planet << " " << row.jd;
    EXPECT_NEAR(planet->GetDistance(), row.radiusAu, 2e-5 * row.radiusAu) << row.planet << " " << row.jd;
}

INSTANTIATE_TEST_SUITE_P(Planets, PlanetFullSeries, ::testing::ValuesIn(kFullSeries),
                         [](const ::testing::TestParamInfo<FullSeriesRow>& p) {
                             return std::string(p.param.planet) + "_" + std::to_string(p.index % 3);
                         });

TEST(PlanetModels, LongitudeIsFoldedIntoOneTurnAtAnyDate)
{
    // At J2000 Mercury's series start from 4.40 rad plus small terms; a thousand years either
    // side the unreduced sum runs to thousands of radians of either sign.
    for (const char* name : {"mercury", "venus", "mars", "jupiter", "saturn", "uranus", "neptune"}) {
        for (double jd : {2451545.0, 2451545.0 - 365250.0, 2451545.0 + 365250.0, 2433282.5}) {
            const std::unique_ptr<TPlanet> planet = MakePlanet(name, jd);
            const double l = planet->GetLongitude();
            EXPECT_GE(l, 0.0) << name << " " << jd;
            EXPECT_LT(l, 360.0) << name << " " << jd;
        }
    }
}

TEST(MoonModel, MeeusExample47a)
{
    // Meeus, example 47.a: 1992 April 12, 0h TD = JDE 2448724.5: apparent longitude
    // 133.162655 + 0.004610 = 133.167265 degrees (the book's rounded nutation; the unrounded sum
    // is one unit lower), latitude -3.229126 degrees, distance 368409.7 km.
    const TMoon moon(2448724.5);
    EXPECT_NEAR(moon.NutationInLongitude() * ArcSecond, 0.004610, 1e-6);
    EXPECT_NEAR(moon.GetLongitude(), 133.167265, 2e-6);
    EXPECT_NEAR(moon.GetLatitude(), -3.229126, 1e-6);
    EXPECT_NEAR(moon.GetDistance(), 368409.7, 0.1);
}

TEST(MoonModel, NutationOfMeeusExample22a)
{
    // Meeus, example 22.a: delta psi = -3.788" at JDE 2446895.5.
    EXPECT_NEAR(TMoon(2446895.5).NutationInLongitude(), -3.788, 1e-3);
}

TEST(MoonModel, DistanceStaysWithinPerigeeAndApogeeOverAMonth)
{
    // The Moon's distance lies between about 356,000 km (closest perigee) and 407,000 km
    // (farthest apogee); over one anomalistic month (27.55 days) both ends are approached.
    double nearest = 1e9, farthest = 0.0;
    for (int step = 0; step <= 4 * 31; ++step) {
        const double jd = 2460310.5 + step * 0.25;  // from 2024-01-01
        const double d = TMoon(jd).GetDistance();
        EXPECT_GT(d, 356000.0) << "JD " << jd;
        EXPECT_LT(d, 407000.0) << "JD " << jd;
        nearest = std::min(nearest, d);
        farthest = std::max(farthest, d);
    }
    EXPECT_LT(nearest, 370000.0);
    EXPECT_GT(farthest, 402000.0);
}

TEST(MoonModel, LongitudeAndLatitudeStayInRange)
{
    // The Moon's orbit is inclined 5.15 degrees to the ecliptic; its longitude goes once round
    // the sky in a sidereal month of 27.32 days.
    double travelled = 0.0;
    double previous = TMoon(2451545.0).GetLongitude();
    for (int step = 1; step <= 273; ++step) {
        const TMoon moon(2451545.0 + step * 0.1);
        const double l = moon.GetLongitude();
        EXPECT_GE(l, 0.0);
        EXPECT_LT(l, 360.0);
        EXPECT_LE(std::fabs(moon.GetLatitude()), 5.35);
        travelled += AngleDiff(l, previous);
        previous = l;
    }
    EXPECT_NEAR(travelled, 360.0, 5.0);
}

}  // namespace
}  // namespace driftline
