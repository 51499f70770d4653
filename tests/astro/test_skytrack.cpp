// Topocentric tracks of bodies and fixed sources against published worked examples.
#include "astro/AstroConstants.h"
#include "astro/Skytrackunit.h"
#include "astro/Timeunit.h"

#include <erfa.h>
#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace driftline;

constexpr double SecondsPerDay = 86400.0;
// The library's TT - UT; a body model at "0h TD" is met at this many seconds before 0h UTC.
constexpr double DeltaTSeconds = 64.784;

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, double s = 0.0)
{
    return EncodeDate(y, mo, d) + (h * 3600.0 + mi * 60.0 + s) / SecondsPerDay;
}

// Horizontal place of an apparent geocentric RA/Dec (degrees) at a UTC instant for a site, through
// ERFA's hour-angle conversion; ee is the equation of the equinoxes in degrees.
THorizontal Expected(double raDeg, double decDeg, double eeDeg, TDateTime utc, const TSite& site)
{
    const double haDeg = MeanSiderealDeg(utc) + eeDeg + site.longitudeDeg - raDeg;
    double az = 0.0, el = 0.0;
    eraHd2ae(haDeg * DegToRad, decDeg * DegToRad, site.latitudeDeg * DegToRad, &az, &el);
    return {az * RadToDeg, el * RadToDeg};
}

// Meeus, Astronomical Algorithms, 2nd ed., examples 12.a and 12.b.
TEST(SkyTrack, MeanSiderealTimeMatchesWorkedExamples)
{
    struct Case {
        TDateTime utc;
        double expectedDeg;
    };
    const Case cases[] = {
        {At(1987, 4, 10), (13.0 + 10.0 / 60.0 + 46.3668 / 3600.0) * 15.0},
        {At(1987, 4, 10, 19, 21, 0.0), 128.7378734},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(MeanSiderealDeg(c.utc), c.expectedDeg, 1e-6) << "at serial " << c.utc;
}

// The Sun, the Moon and Venus at the instants of Meeus' worked examples 25.b, 47.a and 33.a
// (apparent geocentric places; the nutation in longitude and obliquity quoted with them give the
// equation of the equinoxes). Seen from 45 N, 0 E at sea level. The Sun's and Venus' parallax
// (9 and 10 arc-seconds) is inside the tolerance; Venus also lacks the light time and aberration of
// the example (about 0.01 degree). The Moon's parallax is not: its expected place is the
// geocentric one lowered by the parallax in altitude, sin p = rho sin(pi) cos h, with the
// horizontal parallax pi = 0.991990 degree of the example and rho = 0.99832 at 45 degrees
// (Meeus, chapter 40, for a spherical-earth estimate good to a few thousandths of a degree).
TEST(SkyTrack, BodiesMatchWorkedExamplesSeenFromTheSite)
{
    const TSite site{45.0, 0.0, 0};
    struct Case {
        const char* name;
        TSourceKind kind;
        TDateTime tdInstant;
        double raDeg, decDeg, dPsiDeg, epsDeg;
        double parallaxDeg;  // horizontal parallax, 0 when within tolerance anyway
        double tolDeg;
    };
    const Case cases[] = {
        {"Sun, example 25.b", KindSun, At(1992, 10, 13), 198.378178, -7.783871, 15.908 / 3600.0, 23.4401443, 0.0, 0.01},
        {"Moon, example 47.a", KindMoon, At(1992, 4, 12), 134.688470, 13.768368, 0.004610, 23.440636, 0.991990, 0.01},
        {"Venus, example 33.a", KindVenus, At(1992, 12, 20), (21.0 + 4.0 / 60.0 + 41.454 / 3600.0) * 15.0,
         -(18.0 + 53.0 / 60.0 + 16.84 / 3600.0), 16.749 / 3600.0, 23.439669, 0.0, 0.03},
    };
    for (const Case& c : cases) {
        const TDateTime utc = c.tdInstant - DeltaTSeconds / SecondsPerDay;
        const TSkyTrack track(TSkyTarget::Body(c.kind), site, utc - 0.01, utc + 0.01);
        const THorizontal got = track.At(utc);
        THorizontal want = Expected(c.raDeg, c.decDeg, c.dPsiDeg * std::cos(c.epsDeg * DegToRad), utc, site);
        if (c.parallaxDeg > 0.0) {
            const double p = std::asin(0.99832 * std::sin(c.parallaxDeg * DegToRad) *
                                       std::cos(want.altitudeDeg * DegToRad)) *
                             RadToDeg;
            // Without the parallax the altitude would be off by p, far outside the tolerance.
            EXPECT_GT(p, 0.5) << c.name;
            want.altitudeDeg -= p;
        }
        EXPECT_NEAR(got.altitudeDeg, want.altitudeDeg, c.tolDeg) << c.name;
        EXPECT_NEAR(std::remainder(got.azimuthDeg - want.azimuthDeg, 360.0) * std::cos(want.altitudeDeg * DegToRad),
                    0.0, c.tolDeg)
            << c.name << ": azimuth " << got.azimuthDeg << " expected " << want.azimuthDeg;
    }
}

// The Moon seen from two sites on one meridian: the parallax pushes it down the most where it is
// lowest. At the same instant a site whose sky has the Moon near the horizon sees it about a full
// degree lower than the geocentric place, one with the Moon near the zenith hardly at all.
TEST(SkyTrack, MoonParallaxDependsOnAltitude)
{
    const TDateTime utc = At(1992, 4, 12) - DeltaTSeconds / SecondsPerDay;
    const double raDeg = 134.688470, decDeg = 13.768368, eeDeg = 0.004610 * std::cos(23.440636 * DegToRad);
    // The hour angle at Greenwich; a site on the Moon's meridian has it overhead at latitude 13.8.
    const double lonOnMeridian = raDeg - MeanSiderealDeg(utc) - eeDeg;
    const TSite overhead{13.768368, lonOnMeridian, 0};
    const TSkyTrack high(TSkyTarget::Body(KindMoon), overhead, utc - 0.01, utc + 0.01);
    EXPECT_NEAR(high.At(utc).altitudeDeg, 90.0, 0.01);  // near the zenith the parallax is ~0

    const TSite sideways{13.768368, lonOnMeridian + 80.0, 0};
    const TSkyTrack low(TSkyTarget::Body(KindMoon), sideways, utc - 0.01, utc + 0.01);
    const THorizontal geocentric = Expected(raDeg, decDeg, eeDeg, utc, sideways);
    ASSERT_LT(geocentric.altitudeDeg, 20.0);
    // Spherical estimate with rho at 13.8 degrees (0.99990); see the test above.
    const double p = std::asin(0.9999 * std::sin(0.991990 * DegToRad) * std::cos(geocentric.altitudeDeg * DegToRad)) *
                     RadToDeg;
    EXPECT_NEAR(geocentric.altitudeDeg - low.At(utc).altitudeDeg, p, 0.01);
}

// A fixed source culminates due south at 90 - latitude + declination; near J2000 the apparent place
// differs from the catalogue one by precession of days only, and nutation and aberration of
// under 0.01 degree.
TEST(SkyTrack, FixedSourcesCulminateWhereTheirDeclinationSays)
{
    const TSite site{52.0, 5.0, 10};
    for (const char* name : {"Cyg A", "Sgr A", "Tau A"}) {
        const auto source = FindCatalogueSource(name);
        ASSERT_TRUE(source) << name;
        const TDateTime start = At(2000, 1, 1);
        const TSkyTrack track(TSkyTarget::Fixed(source->raDeg, source->decDeg, name), site, start, start + 1.0);
        THorizontal best{0.0, -90.0};
        for (double s = 0.0; s < SecondsPerDay; s += 10.0) {
            const THorizontal h = track.At(start + s / SecondsPerDay);
            if (h.altitudeDeg > best.altitudeDeg)
                best = h;
        }
        EXPECT_NEAR(best.altitudeDeg, 90.0 - 52.0 + source->decDeg, 0.02) << name;
        EXPECT_NEAR(best.azimuthDeg, 180.0, 0.2) << name;
    }
}

// The settings hold a southern latitude and a western longitude as 360 minus their size; a site
// given that way is the same site as the signed one. South of a source's declination it
// culminates due north at 90 - (declination - latitude).
TEST(SkyTrack, SouthernAndWesternSitesAsTheSettingsHoldThem)
{
    struct Case {
        double latDeg, lonDeg;  // signed
    };
    for (const Case c : {Case{-33.9, 18.4}, Case{-24.6, -70.4}, Case{40.0, -105.0}}) {
        const TSite settingsForm{c.latDeg < 0 ? 360.0 + c.latDeg : c.latDeg, c.lonDeg < 0 ? 360.0 + c.lonDeg : c.lonDeg,
                                 0};
        const TSite signedForm{c.latDeg, c.lonDeg, 0};
        const auto source = FindCatalogueSource("Tau A");
        ASSERT_TRUE(source);
        const TDateTime start = At(2000, 1, 1);
        const TSkyTarget target = TSkyTarget::Fixed(source->raDeg, source->decDeg, "Tau A");
        const TSkyTrack a(target, settingsForm, start, start + 1.0);
        const TSkyTrack b(target, signedForm, start, start + 1.0);
        THorizontal best{0.0, -90.0};
        for (double s = 0.0; s < SecondsPerDay; s += 10.0) {
            const TDateTime t = start + s / SecondsPerDay;
            EXPECT_NEAR(SeparationDeg(a.At(t), b.At(t)), 0.0, 1e-9) << c.latDeg << " " << c.lonDeg;
            if (a.At(t).altitudeDeg > best.altitudeDeg)
                best = a.At(t);
        }
        if (c.latDeg < source->decDeg) {
            EXPECT_NEAR(best.altitudeDeg, 90.0 - (source->decDeg - c.latDeg), 0.02) << c.latDeg;
            EXPECT_NEAR(std::fmod(best.azimuthDeg + 180.0, 360.0), 180.0, 0.2) << c.latDeg;
        } else {
            EXPECT_NEAR(best.altitudeDeg, 90.0 - (c.latDeg - source->decDeg), 0.02) << c.latDeg;
            EXPECT_NEAR(best.azimuthDeg, 180.0, 0.2) << c.latDeg;
        }
    }
}

TEST(SkyTrack, SeparationHandlesWrapAndSmallAngles)
{
    struct Case {
        THorizontal a, b;
        double expected;
    };
    const Case cases[] = {
        {{359.5, 0.0}, {0.5, 0.0}, 1.0},                                       // across north on the horizon
        {{10.0, 60.0}, {190.0, 60.0}, 60.0},                                   // over the zenith: 30 + 30
        {{123.0, 45.0}, {123.0, 45.0}, 0.0}, {{0.0, 0.0}, {0.0, 1e-6}, 1e-6},  // no cancellation at tiny angles
        {{90.0, 30.0}, {90.0, -30.0}, 60.0}, {{0.0, 89.0}, {180.0, 89.0}, 2.0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(SeparationDeg(c.a, c.b), c.expected, 1e-9)
            << c.a.azimuthDeg << "/" << c.a.altitudeDeg << " to " << c.b.azimuthDeg << "/" << c.b.altitudeDeg;
}

TEST(SkyTrack, ParsesCataloguePositions)
{
    struct RaCase {
        const char* text;
        bool ok;
        double deg;
    };
    const RaCase ras[] = {
        {"19:59:28.3566", true, (19.0 + 59.0 / 60.0 + 28.3566 / 3600.0) * 15.0},
        {"00:00:00", true, 0.0},
        {"23 59 59.9", true, (23.0 + 59.0 / 60.0 + 59.9 / 3600.0) * 15.0},
        {"5.5", true, 82.5},
        {"24:00:00", false, 0.0},
        {"12:60:00", false, 0.0},
        {"12:30:60", false, 0.0},
        {"-1:00:00", false, 0.0},
        {"12.5:30:00", false, 0.0},
        {"1:2:3:4", false, 0.0},
        {"", false, 0.0},
        {"ab:cd", false, 0.0},
    };
    for (const RaCase& c : ras) {
        const auto got = ParseRightAscension(c.text);
        ASSERT_EQ(got.has_value(), c.ok) << "'" << c.text << "'";
        if (c.ok) {
            EXPECT_NEAR(*got, c.deg, 1e-9) << c.text;
        }
    }
    struct DecCase {
        const char* text;
        bool ok;
        double deg;
    };
    const DecCase decs[] = {
        {"+40:44:02.097", true, 40.0 + 44.0 / 60.0 + 2.097 / 3600.0},
        {"-29:00:28.118", true, -(29.0 + 28.118 / 3600.0)},
        {"-00:30:00", true, -0.5},  // the sign belongs to the whole angle
        {"90:00:00", true, 90.0},
        {"-12.25", true, -12.25},
        {"90:00:01", false, 0.0},
        {"+-10:00:00", false, 0.0},
        {"10:75:00", false, 0.0},
    };
    for (const DecCase& c : decs) {
        const auto got = ParseDeclination(c.text);
        ASSERT_EQ(got.has_value(), c.ok) << "'" << c.text << "'";
        if (c.ok) {
            EXPECT_NEAR(*got, c.deg, 1e-9) << c.text;
        }
    }
    EXPECT_TRUE(FindCatalogueSource("cyga"));
    EXPECT_TRUE(FindCatalogueSource("Sgr A*"));
    EXPECT_FALSE(FindCatalogueSource("Cen A"));
    EXPECT_EQ(BodyKindFromName("jupiter"), KindJupiter);
    EXPECT_FALSE(BodyKindFromName("Pluto"));
}

}  // namespace
