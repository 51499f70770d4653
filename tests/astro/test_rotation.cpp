// Rotations between equatorial, galactic and ecliptic coordinates, and the degree fold.
#include "AstroSite.h"

#include "astro/AstroConstants.h"
#include "astro/Galeqeclunit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace driftline {
namespace {

using testing::SiteAt;

// Angular distance in degrees between two longitudes, the short way round.
double LongitudeApart(double a, double b)
{
    double d = std::fmod(std::fabs(a - b), 360.0);
    return d > 180.0 ? 360.0 - d : d;
}

struct RotationCase {
    const char* name;
    const char* equinox;
    int conversion;
    TCoordPair in;
    TCoordPair expected;
    double latTolerance;
    double lonTolerance;  // negative: the output longitude is not checked (a pole)
};

TEST(Rotate, ReferencePositions)
{
    const RotationCase cases[] = {
        // Galactic pole and centre as defined for J2000 (Hipparcos catalogue, ESA SP-1200,
        // vol. 1, section 1.5.3): pole RA 192.85948 Dec 27.12825, centre RA 266.40500
        // Dec -28.93617 at l = b = 0 (the centre's published figures carry 1e-5 degrees).
        {"J2000 north galactic pole", "J2000", EquatorialToGalactic, {27.12825, 192.85948}, {90.0, 0.0}, 1e-3, -1},
        {"J2000 galactic centre", "J2000", EquatorialToGalactic, {-28.93617, 266.40500}, {0.0, 0.0}, 1e-4, 1e-4},
        {"J2000 galactic centre back", "J2000", GalacticToEquatorial, {0.0, 0.0}, {-28.93617, 266.40500}, 1e-4, 1e-4},
        // B1950 (Blaauw et al. 1960): pole RA 12h49m Dec +27.4, centre at l = 0 towards
        // RA 17h42.4m Dec -28 deg 55 min, a position rounded to 0.1 minutes of time.
        {"B1950 north galactic pole", "J1950", EquatorialToGalactic, {27.4, 192.25}, {90.0, 0.0}, 1e-6, -1},
        {"B1950 galactic centre", "J1950", EquatorialToGalactic, {-28.0 - 55.0 / 60.0, 265.6}, {0.0, 0.0}, 0.01, 0.03},
        // The ascending node of the galactic plane on the equator lies at l = 33 (B1950),
        // RA 282.25: a point of the equator with b = 0.
        {"B1950 galactic node", "J1950", EquatorialToGalactic, {0.0, 282.25}, {0.0, 33.0}, 1e-8, 1e-8},
        // Ecliptic: the solstice at ecliptic longitude 90 lies at RA 90 with a declination equal
        // to the obliquity, 23 deg 26' 21.448" (J2000) and 23 deg 26' 44.84" (B1950), IAU 1976.
        {"J2000 summer solstice", "J2000", EclipticToEquatorial, {0.0, 90.0}, {23.4392911, 90.0}, 1e-6, 1e-9},
        {"B1950 summer solstice", "J1950", EclipticToEquatorial, {0.0, 90.0}, {23.4457889, 90.0}, 1e-6, 1e-9},
        {"J2000 equinox", "J2000", EquatorialToEcliptic, {0.0, 0.0}, {0.0, 0.0}, 1e-12, 1e-12},
        // The north ecliptic pole is RA 18h, Dec 90 - obliquity.
        {"J2000 ecliptic pole", "J2000", EclipticToEquatorial, {90.0, 0.0}, {90.0 - 23.4392911, 270.0}, 1e-6, 1e-6},
        // The north ecliptic pole in galactic coordinates (J2000): l = 96.384, b = 29.811.
        {"J2000 ecliptic pole, galactic", "J2000", EclipticToGalactic, {90.0, 0.0}, {29.811, 96.384}, 2e-3, 2e-3},
        // The pole of either plane lies 90 - 29.811 degrees from the other.
        {"J2000 galactic pole, ecliptic", "J2000", GalacticToEcliptic, {90.0, 0.0}, {29.811, 0.0}, 2e-3, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TSite site = SiteAt(52, 0, 0, 0, c.equinox);
        const TCoordPair out = Rotate(c.in, c.conversion, site);
        EXPECT_NEAR(out.Latitude, c.expected.Latitude, c.latTolerance);
        if (c.lonTolerance >= 0) {
            EXPECT_NEAR(LongitudeApart(out.Longitude, c.expected.Longitude), 0.0, c.lonTolerance)
                << "longitude " << out.Longitude;
        }
        EXPECT_GE(out.Longitude, 0.0);
        EXPECT_LT(out.Longitude, 360.0);
    }
}

TEST(Rotate, RoundTripsReturnTheInputForBothEquinoxes)
{
    const int pairs[3][2] = {{EquatorialToGalactic, GalacticToEquatorial},
                             {EquatorialToEcliptic, EclipticToEquatorial},
                             {EclipticToGalactic, GalacticToEcliptic}};
    for (const char* equinox : {"J2000", "J1950"}) {
        const TSite site = SiteAt(52, 0, 0, 0, equinox);
        for (const auto& pair : pairs) {
            for (int forward = 0; forward < 2; ++forward) {
                const int there = pair[forward];
                const int back = pair[1 - forward];
                for (double lat = -89.5; lat <= 89.5; lat += 14.9) {
                    for (double lon = 0.0; lon < 360.0; lon += 23.7) {
                        const TCoordPair mid = Rotate(TCoordPair{lat, lon}, there, site);
                        const TCoordPair out = Rotate(mid, back, site);
                        SCOPED_TRACE(std::string(equinox) + " conversion " + std::to_string(there) + " lat " +
                                     std::to_string(lat) + " lon " + std::to_string(lon));
                        // The tables carry 11 digits, so sin^2 + cos^2 of theta misses 1 by up
                        // to 6e-11 (B1950 ecliptic-galactic row). That error in the sine of a
                        // latitude grows by 1 / cos(latitude) through asin (x 630 at 89.9), at
                        // the input and at the intermediate point: the bound is 1e-8 degrees
                        // plus 1e-8 degrees over the cosine of each latitude.
                        const double tolerance = 1e-8 + 1e-8 / std::cos(lat * DegToRad) +
                                                 1e-8 / std::cos(mid.Latitude * DegToRad);
                        ASSERT_NEAR(out.Latitude, lat, tolerance);
                        ASSERT_NEAR(LongitudeApart(out.Longitude, lon), 0.0, tolerance);
                    }
                }
            }
        }
    }
}

TEST(Rotate, EclipticToGalacticAgreesWithTheRouteThroughTheEquator)
{
    // Each of the six rows is a rotation in its own right; going ecliptic -> equatorial ->
    // galactic must land where the direct row does (within the tables' rounding).
    for (const char* equinox : {"J2000", "J1950"}) {
        const TSite site = SiteAt(52, 0, 0, 0, equinox);
        for (double lat = -80.0; lat <= 80.0; lat += 20.0) {
            for (double lon = 5.0; lon < 360.0; lon += 35.0) {
                SCOPED_TRACE(std::string(equinox) + " lat " + std::to_string(lat) + " lon " + std::to_string(lon));
                const TCoordPair direct = Rotate(TCoordPair{lat, lon}, EclipticToGalactic, site);
                const TCoordPair viaEquator = Rotate(Rotate(TCoordPair{lat, lon}, EclipticToEquatorial, site),
                                                     EquatorialToGalactic, site);
                ASSERT_NEAR(direct.Latitude, viaEquator.Latitude, 1e-5);
                ASSERT_NEAR(LongitudeApart(direct.Longitude, viaEquator.Longitude), 0.0, 1e-5);
            }
        }
    }
}

TEST(Rotate, PoleInputsStayFinite)
{
    const TSite site = SiteAt(52, 0, 0, 0, "J2000");
    for (int conversion = EquatorialToGalactic; conversion <= GalacticToEcliptic; ++conversion) {
        for (const double lat : {90.0, -90.0, 90.0 + 1e-13, -90.0 - 1e-13}) {
            const TCoordPair out = Rotate(TCoordPair{lat, 123.0}, conversion, site);
            SCOPED_TRACE("conversion " + std::to_string(conversion) + " lat " + std::to_string(lat));
            EXPECT_TRUE(std::isfinite(out.Latitude));
            EXPECT_TRUE(std::isfinite(out.Longitude));
            EXPECT_LE(std::fabs(out.Latitude), 90.0);
        }
    }
}

TEST(FoldDegrees, IntoOneTurn)
{
    const struct {
        double in, out;
    } cases[] = {
        {359.999, 359.999}, {360.0, 0.0},   {0.0, 0.0},    {-0.5, 359.5},      {-360.0, 0.0},
        {720.0, 0.0},       {725.25, 5.25}, {-1e-15, 0.0}, {1000000.5, 280.5},  // 1000000 = 2777 x 360 + 280
        {-1000000.5, 79.5},
    };
    for (const auto& c : cases) {
        const double folded = FoldDegrees(c.in);
        EXPECT_NEAR(folded, c.out, 1e-9) << "input " << c.in;
        EXPECT_GE(folded, 0.0) << "input " << c.in;
        EXPECT_LT(folded, 360.0) << "input " << c.in;
    }
}

}  // namespace
}  // namespace driftline
