// TSource from azimuth and altitude: right ascension, declination and galactic coordinates.
#include "AstroSite.h"

#include "astro/AstroConstants.h"
#include "astro/Galeqeclunit.h"
#include "astro/Sourceunit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace driftline {
namespace {

using testing::SiteAt;

TUtcLocalTime At(TDateTime utc)
{
    TUtcLocalTime t;
    UtcLocalFromDateTime(t, utc);
    return t;
}

// Distance of two right ascensions in degrees, the short way round.
double RaApart(double a, double b)
{
    double d = std::fmod(std::fabs(a - b), 360.0);
    return d > 180.0 ? 360.0 - d : d;
}

// Signed declination in degrees from a Value held as 360 + d for negative d.
double Signed(double value)
{
    return value > 180.0 ? value - 360.0 : value;
}

struct HorizonCase {
    const char* name;
    int latDeg, latMin;
    double azimuth, altitude;
    double decValue;      // expected Dec.Value
    double hourAngleDeg;  // expected RA = LST x 15 - hour angle; NAN: not checked (pole)
};

TEST(SourceFromPointing, HorizontalToEquatorial)
{
    // Worked by hand from the spherical triangle pole-zenith-star (azimuth from north through east):
    // zenith: Dec = latitude, H = 0; east point: Dec = 0, H = -90. On the meridian the horizon
    // point on the side of the raised pole lies beyond that pole (H = 180), the other on the
    // upper meridian (H = 0): at 52 N south has Dec 52 - 90, north 90 - 52 below the pole; at
    // 33.5 S north has Dec 90 - 33.5 with H = 0, south -56.5 beyond the south pole.
    const HorizonCase cases[] = {
        {"zenith at 52 N", 52, 0, 0.0, 90.0, 52.0, 0.0},
        {"zenith from another azimuth", 52, 0, 123.0, 90.0, 52.0, 0.0},
        {"south horizon at 52 N", 52, 0, 180.0, 0.0, 322.0, 0.0},
        {"north horizon at 52 N", 52, 0, 0.0, 0.0, 38.0, 180.0},
        {"east point", 52, 0, 90.0, 0.0, 0.0, -90.0},
        {"west point", 52, 0, 270.0, 0.0, 0.0, 90.0},
        // The celestial pole: Dec 90, the hour angle is undefined there.
        {"north celestial pole", 52, 0, 0.0, 52.0, 90.0, NAN},
        // Southern site -33 deg 30 min, stored as 326.5: only its sine and cosine matter.
        {"zenith at 33.5 S", -33, 30, 0.0, 90.0, 326.5, 0.0},
        {"north horizon at 33.5 S", -33, 30, 0.0, 0.0, 56.5, 0.0},
        {"south horizon at 33.5 S", -33, 30, 180.0, 0.0, 303.5, 180.0},
        {"south celestial pole", -33, 30, 180.0, 33.5, 270.0, NAN},
        // Equator: the meridian south at altitude 45 has Dec -45.
        {"equator site", 0, 0, 180.0, 45.0, 315.0, 0.0},
    };
    const TUtcLocalTime when = At(EncodeDate(2010, 6, 15) + 0.27);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TSite site = SiteAt(c.latDeg, c.latMin, -2, 16);
        TSource s(c.azimuth, c.altitude, &when, site);
        EXPECT_NEAR(s.GetDec().Value(), c.decValue, 1e-9);
        const double ra = s.GetRa().Value();
        EXPECT_GE(ra, 0.0);
        EXPECT_LE(ra, 360.0);
        if (!std::isnan(c.hourAngleDeg)) {
            const double lst = LocalSiderealTime(when.Utc, site);
            EXPECT_NEAR(RaApart(ra, lst * 15.0 - c.hourAngleDeg), 0.0, 1e-9);
        }
        EXPECT_DOUBLE_EQ(s.Azimuth, c.azimuth);
        EXPECT_DOUBLE_EQ(s.Altitude, c.altitude);
        EXPECT_EQ(s.Kind, KindEquatorial);
    }
}

TEST(SourceFromPointing, ZenithRightAscensionAgainstPublishedSiderealTime)
{
    // At Greenwich the zenith's right ascension is GMST x 15. Meeus, Astronomical Algorithms,
    // example 12.a: 1987 April 10 0h UT, GMST 13h10m46.3668s = 197.693195 degrees. The
    // library's Newcomb expression is 0.07 s of time (0.0003 degrees) behind; see Timeunit tests.
    const TSite site = SiteAt(51, 29, 0, 0);
    const TUtcLocalTime when = At(EncodeDate(1987, 4, 10));
    TSource s(0.0, 90.0, &when, site);
    const double expectedDeg = (13.0 + 10.0 / 60.0 + 46.3668 / 3600.0) * 15.0;
    EXPECT_NEAR(RaApart(s.GetRa().Value(), expectedDeg), 0.0, 0.1 / 240.0);
    EXPECT_EQ(s.GetRa().Hours(), 13);
    EXPECT_EQ(s.GetRa().Minutes(), 10);
    EXPECT_EQ(s.GetRa().Seconds(), 46);
    // Dec quantised to whole seconds of arc: 51 deg 29 min exactly.
    EXPECT_EQ(s.GetDec().Degrees(), 51);
    EXPECT_EQ(s.GetDec().Minutes(), 29);
    EXPECT_EQ(s.GetDec().Seconds(), 0);
}

// A UTC instant near `base` at which the local sidereal time is `lstHours` (sidereal time runs
// 1.0027379 times faster than UT; two corrections take it well below a millisecond).
TDateTime WhenLstIs(double lstHours, TDateTime base, const TSite& site)
{
    TDateTime t = base;
    for (int i = 0; i < 3; ++i) {
        double delta = lstHours - LocalSiderealTime(At(t).Utc, site);
        delta -= 24.0 * std::round(delta / 24.0);
        t += delta / 1.0027379 / 24.0;
    }
    return t;
}

TEST(SourceFromPointing, ZenithAtTheGalacticPoleForEitherEquinox)
{
    // A site at the declination of the north galactic pole, looking at its zenith when the
    // local sidereal time equals the pole's right ascension: Beta must be close to +90.
    // J2000 pole RA 192.85948 Dec 27.12825 (27 deg 7' 41.7"); B1950 pole RA 192.25, Dec 27.4.
    const struct {
        const char* equinox;
        int latDeg, latMin, latSec;
        double poleRaDeg;
    } cases[] = {{"J2000", 27, 7, 42, 192.85948}, {"J1950", 27, 24, 0, 192.25}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.equinox);
        const TSite site = SiteAt(c.latDeg, c.latMin, -2, 16, c.equinox, c.latSec);
        const TDateTime t = WhenLstIs(c.poleRaDeg / 15.0, EncodeDate(2010, 3, 1), site);
        const TUtcLocalTime when = At(t);
        TSource s(0.0, 90.0, &when, site);
        ASSERT_NEAR(RaApart(s.GetRa().Value(), c.poleRaDeg), 0.0, 1e-3);
        // 0.3" of latitude and the millisecond of time leave the pole within 0.001 degrees.
        EXPECT_GT(s.GetBeta().Value(), 89.999);
        EXPECT_LT(s.GetBeta().Value(), 90.0 + 1e-9);
    }
}

TEST(SourceFromPointing, GalacticCentreOnTheSouthernMeridian)
{
    // The galactic centre (J2000 RA 266.40500, Dec -28.93617) at the zenith of a site at
    // 28 deg 56' 10" S: Beta and Lambda close to 0 (Lambda near 0 or 360).
    const TSite site = SiteAt(-28, 56, 20, 0, "J2000", 10);
    const TDateTime t = WhenLstIs(266.40500 / 15.0, EncodeDate(2012, 8, 1), site);
    const TUtcLocalTime when = At(t);
    TSource s(0.0, 90.0, &when, site);
    EXPECT_NEAR(Signed(s.GetDec().Value()), -28.93617, 1e-3);
    EXPECT_NEAR(Signed(s.GetBeta().Value()), 0.0, 2e-3);
    EXPECT_NEAR(RaApart(s.GetLambda().Value(), 0.0), 0.0, 2e-3);
}

TEST(SourceFromPointing, LatitudeCacheFollowsTheSite)
{
    // The same pointing under sites that alternate: the cached sine and cosine must follow.
    const TUtcLocalTime when = At(EncodeDate(2010, 6, 15) + 0.5);
    for (int round = 0; round < 2; ++round) {
        for (const int lat : {52, -33, 10}) {
            const TSite site = SiteAt(lat, 0, 0, 0);
            TSource s(0.0, 90.0, &when, site);
            EXPECT_NEAR(Signed(s.GetDec().Value()), lat, 1e-9) << "round " << round;
        }
    }
}

TEST(SourceFromPointing, ZenithRightAscensionIsTheSingleStepSiderealTimeModulo360)
{
    // The right ascension at the zenith (hour angle 0) is the local sidereal time x 15. Built from
    // the sidereal time with only one correction of 24 hours per step, as the controller first
    // wrote it, the sum can lie a whole day or more outside [0, 24] hours (late in a year, and
    // under J1950 by some fifty days); folded fully, the right ascension must be the same angle.
    for (const char* equinox : {"J2000", "J1950"}) {
        // 2 deg 16 min west, stored as 357.7333 degrees.
        const TSite site = SiteAt(54, 16, -2, 16, equinox);
        for (int day = 0; day < 366; day += 30) {
            for (const double hours : {0.5, 11.25, 23.75}) {
                const TDateTime t = EncodeDate(2010, 1, 1) + day + hours / 24.0;
                const TUtcLocalTime when = At(t);
                const TSystemTime& utc = when.Utc;
                // The steps of Greenwich and local sidereal time with single corrections.
                const double cent = (DayNumber(utc, site) - 0.5 - 2415020.0) / 36525.0;
                double g = (0.00002581 * cent + 0.051262) * cent + 6.6460656 +
                           (cent - (utc.wYear - 1900) * 0.01) * 2400.0;
                if (g < 0.0)
                    g += 24.0;
                g += UtHours(utc) * 1.002737908;
                if (g > 24.0)
                    g -= 24.0;
                if (g < 0.0)
                    g += 24.0;
                const double lstDeg = (g + (360.0 - (2.0 + 16.0 / 60.0)) / 15.0) * 15.0;
                TSource s(0.0, 90.0, &when, site);
                const double ra = s.GetRa().Value();
                SCOPED_TRACE(std::string(equinox) + " day " + std::to_string(day) + " hour " + std::to_string(hours) +
                             ": single-step LST " + std::to_string(lstDeg) + " deg");
                EXPECT_GE(ra, 0.0);
                EXPECT_LE(ra, 360.0);
                EXPECT_NEAR(RaApart(ra, lstDeg), 0.0, 1e-9);
            }
        }
    }
}

TEST(SourceFromPointing, CelestialPoleGivesNoNaN)
{
    // The north celestial pole stands at azimuth 0 and an altitude equal to the latitude, where
    // sin d = sin^2 phi + cos^2 phi. For many latitudes that sum rounds to just above 1; the
    // clamp keeps the arc sine defined, so the declination reads 90, not a NaN turned into 0.
    const TUtcLocalTime when = At(EncodeDate(2010, 6, 15) + 0.5);
    int aboveOne = 0;
    for (int minutes = 0; minutes < 5 * 60; ++minutes) {
        const TSite site = SiteAt(minutes / 60, minutes % 60, 0, 0);
        const double latDeg = site.latitudeDeg;
        const double latRad = latDeg * DegToRad;
        const double sum = std::sin(latRad) * std::sin(latRad) + std::cos(latRad) * std::cos(latRad) * std::cos(0.0);
        TSource s(0.0, latDeg, &when, site);
        SCOPED_TRACE("latitude " + std::to_string(minutes / 60) + " deg " + std::to_string(minutes % 60) + " min");
        const double dec = s.GetDec().Value();
        if (sum >= 1.0) {
            aboveOne += sum > 1.0 ? 1 : 0;
            EXPECT_EQ(dec, 90.0);
        } else {
            // One unit in the last place below 1 is 0.003" below the pole, cut to 89 59' 59".
            EXPECT_GE(dec, 90.0 - 1.0 / 3600.0 - 1e-12);
            EXPECT_LE(dec, 90.0);
        }
        EXPECT_TRUE(std::isfinite(s.GetRa().Value()));
        EXPECT_TRUE(std::isfinite(s.GetBeta().Value()));
        EXPECT_TRUE(std::isfinite(s.GetLambda().Value()));
    }
    // Without latitudes whose sum exceeds 1 the clamp would not have been exercised.
    EXPECT_GT(aboveOne, 0);
}

TEST(SourceFromGalactic, DerivesEquatorialCoordinates)
{
    const TSite site = SiteAt(52, 0, 0, 0, "J2000");
    const TUtcLocalTime when = At(EncodeDate(2010, 6, 15));
    // l = b = 0 is the galactic centre, RA 266.40500 Dec -28.93617 (J2000, Hipparcos).
    TSource s = TSource::FromGalactic(0.0, 0.0, when, site);
    EXPECT_EQ(s.Kind, KindGalactic);
    EXPECT_NEAR(RaApart(s.GetRa().Value(), 266.40500), 0.0, 1e-4);
    EXPECT_NEAR(Signed(s.GetDec().Value()), -28.93617, 3e-4);  // 3e-4: quantised to 1" = 2.8e-4
    EXPECT_EQ(s.GetBeta().Value(), 0.0);
    EXPECT_EQ(s.GetLambda().Value(), 0.0);
}

TEST(SourceFromPointing, IdenticalOnTwoThreads)
{
    // The log reader derives samples on two threads: each must get exactly the single-threaded
    // values, whatever the caches of the other thread hold.
    const TSite site = SiteAt(54, 16, -2, 16);
    const int count = 20000;
    auto derive = [&site](int first, int step, int n, std::vector<double>& out) {
        for (int i = first; i < n; i += step) {
            const TUtcLocalTime when = At(EncodeDate(2011, 10, 30) + i * (0.25 / 86400.0) * 37.0);
            TSource s(std::fmod(i * 0.7, 360.0), std::fmod(i * 0.05, 90.0), &when, site);
            out[static_cast<std::size_t>(4 * i)] = s.GetRa().Value();
            out[static_cast<std::size_t>(4 * i + 1)] = s.GetDec().Value();
            out[static_cast<std::size_t>(4 * i + 2)] = s.GetBeta().Value();
            out[static_cast<std::size_t>(4 * i + 3)] = LocalAsDateTime(when);
        }
    };
    std::vector<double> single(4 * count), parallel(4 * count);
    derive(0, 1, count, single);
    std::thread a(derive, 0, 2, count, std::ref(parallel));
    std::thread b(derive, 1, 2, count, std::ref(parallel));
    a.join();
    b.join();
    EXPECT_EQ(std::memcmp(single.data(), parallel.data(), single.size() * sizeof(double)), 0);
}

}  // namespace
}  // namespace driftline
