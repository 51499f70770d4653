// Precise positions: our use of the observed-to-ICRS chain (units, conventions, time, the kept
// context), checked against places computed independently.
#include "astro/Preciseunit.h"

#include <erfa.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace driftline {
namespace {

constexpr double ArcsecPerDeg = 3600.0;
constexpr double DegToRadian = 3.141592653589793 / 180.0;

// Angular distance of two places in arc-seconds (Vincenty's formula, good at any separation).
double ApartArcsec(double ra1Deg, double dec1Deg, double ra2Deg, double dec2Deg)
{
    const double d2r = 3.141592653589793 / 180.0;
    const double dra = (ra1Deg - ra2Deg) * d2r;
    const double d1 = dec1Deg * d2r;
    const double d2 = dec2Deg * d2r;
    const double y = std::hypot(std::cos(d2) * std::sin(dra),
                                std::cos(d1) * std::sin(d2) - std::sin(d1) * std::cos(d2) * std::cos(dra));
    const double x = std::sin(d1) * std::sin(d2) + std::cos(d1) * std::cos(d2) * std::cos(dra);
    return std::atan2(y, x) / d2r * ArcsecPerDeg;
}

struct TReferencePointing {
    const char* name;
    double utc;  // date-time serial: 45371.5 is 2024-03-20 12:00 UTC, 45839.1372974537 2025-07-01 03:17:42.5
    double azimuthDeg, altitudeDeg;
    TPreciseSite site;
    double raDeg, decDeg, lambdaDeg, betaDeg;
};

// Site of the settings' defaults (54 16' N, 2 16' W, 200 m) and a southern one (33 56' S, 18 28' E, 10 m).
constexpr double NorthLat = 54.0 + 16.0 / 60.0;
constexpr double NorthLon = -(2.0 + 16.0 / 60.0);
constexpr double SouthLat = -(33.0 + 56.0 / 60.0);
constexpr double SouthLon = 18.0 + 28.0 / 60.0;

TPreciseSite Site(double lat, double lon, double height, double hPa, double celsius, double humidity, double dut1)
{
    return TPreciseSite{lon, lat, height, hPa, celsius, humidity, RadioWavelengthMicrons, dut1};
}

// Expected places: Astropy 5.2.1 (Debian python3-astropy, its own composition of the AltAz -> ICRS
// transformation, every sample computed from scratch), IERS polar motion switched off and UT1-UTC
// fixed as here, 21 cm wavelength; printed by `scripts/icrs_reference.py points`. Astropy's
// galactic frame is tied to FK5 J2000 rather than to ICRS directly, which puts its galactic
// coordinates about 0.02" from the ICRS-based rotation: hence the looser galactic tolerance.
const TReferencePointing References[] = {
    {"north, south meridian 30 deg, refraction", 45371.5, 180.0, 30.0, Site(NorthLat, NorthLon, 200, 990, 10, 50, 0),
     355.938667445, -5.894620512, 82.727467806, -63.352877177},
    {"north, same, no refraction", 45371.5, 180.0, 30.0, Site(NorthLat, NorthLon, 200, 0, 10, 50, 0), 355.938673382,
     -5.864926264, 82.765685617, -63.328634551},
    {"north, 75 deg 5 deg, refraction", 45371.5, 75.0, 5.0, Site(NorthLat, NorthLon, 200, 990, 10, 50, 0), 95.352084266,
     12.660104974, 198.264571868, -0.774489401},
    {"north, 75 deg 5 deg, no refraction", 45371.5, 75.0, 5.0, Site(NorthLat, NorthLon, 200, 0, 10, 50, 0),
     95.251235356, 12.798174708, 198.096437303, -0.796307815},
    {"north, DUT1 +0.3 s", 45371.5, 180.0, 30.0, Site(NorthLat, NorthLon, 200, 990, 10, 50, 0.3), 355.939921172,
     -5.894620754, 82.729737520, -63.353597627},
    {"south, 200 deg 60 deg, refraction", 45839.13729745370, 200.0, 60.0, Site(SouthLat, SouthLon, 10, 1013, 20, 70, 0),
     326.291383458, -60.970606457, 332.305861296, -44.075760453},
    {"south, 120 deg 8 deg, refraction", 45839.13729745370, 120.0, 8.0, Site(SouthLat, SouthLon, 10, 1013, 20, 70, 0),
     87.841931341, -29.175308497, 234.343804165, -25.064408353},
    {"south, 120 deg 8 deg, no refraction", 45839.13729745370, 120.0, 8.0, Site(SouthLat, SouthLon, 10, 0, 20, 70, 0),
     87.717901245, -29.250443025, 234.384936240, -25.190810724},
};

constexpr double IcrsToleranceArcsec = 0.005;
constexpr double GalacticToleranceArcsec = 0.03;

TEST(PrecisePlace, IndependentReferencePointings)
{
    for (const TReferencePointing& r : References) {
        TPrecisePlace full;
        ASSERT_TRUE(ObservedToIcrs(r.site, r.utc, r.azimuthDeg, r.altitudeDeg, full)) << r.name;
        TPreciseFrame frame(r.site);
        TPrecisePlace kept;
        ASSERT_TRUE(frame.Place(r.utc, r.azimuthDeg, r.altitudeDeg, kept)) << r.name;
        for (const TPrecisePlace* p : {&full, &kept}) {
            const char* path = p == &full ? "full" : "kept context";
            EXPECT_LT(ApartArcsec(p->raDeg, p->decDeg, r.raDeg, r.decDeg), IcrsToleranceArcsec)
                << r.name << " (" << path << "): ra " << p->raDeg << " dec " << p->decDeg << ", expected " << r.raDeg
                << " " << r.decDeg;
            EXPECT_LT(ApartArcsec(p->lambdaDeg, p->betaDeg, r.lambdaDeg, r.betaDeg), GalacticToleranceArcsec)
                << r.name << " (" << path << "): l " << p->lambdaDeg << " b " << p->betaDeg << ", expected "
                << r.lambdaDeg << " " << r.betaDeg;
        }
    }
}

// Refraction lifts what the dish sees: with it removed the true place lies lower, so at the south
// meridian of a northern site the declination is smaller, by about the radio refraction at 30 deg
// altitude (roughly 1.7 arc-minutes in moist air; optical would be about 1.0).
TEST(PrecisePlace, RefractionLowersTheTruePlace)
{
    const TPreciseSite wet = Site(NorthLat, NorthLon, 200, 990, 10, 50, 0);
    TPreciseSite dry = wet;
    dry.pressureHpa = 0.0;
    TPreciseSite negative = wet;
    negative.pressureHpa = -5.0;
    TPrecisePlace withRefraction, without, negativePressure;
    ASSERT_TRUE(ObservedToIcrs(wet, 45371.5, 180.0, 30.0, withRefraction));
    ASSERT_TRUE(ObservedToIcrs(dry, 45371.5, 180.0, 30.0, without));
    ASSERT_TRUE(ObservedToIcrs(negative, 45371.5, 180.0, 30.0, negativePressure));
    const double lowered = (without.decDeg - withRefraction.decDeg) * ArcsecPerDeg;
    EXPECT_GT(lowered, 80.0);
    EXPECT_LT(lowered, 130.0);
    // A pressure below zero means no air, not negative refraction.
    EXPECT_EQ(negativePressure.decDeg, without.decDeg);
    EXPECT_EQ(negativePressure.raDeg, without.raDeg);
}

// The settings may hold a southern latitude as 360 + latitude and a western longitude as 360
// minus its size; the azimuth is not folded. Each must give the signed form's place.
TEST(PrecisePlace, StoredAngleFormsGiveTheSignedPlace)
{
    const TPreciseSite south = Site(SouthLat, SouthLon, 10, 1013, 20, 70, 0);
    TPreciseSite southStored = south;
    southStored.latitudeDeg = 360.0 + SouthLat;
    const TPreciseSite north = Site(NorthLat, NorthLon, 200, 990, 10, 50, 0);
    TPreciseSite northStored = north;
    northStored.longitudeDeg = 360.0 + NorthLon;
    struct Case {
        const char* name;
        TPreciseSite signedSite, storedSite;
        double az, storedAz;
    } cases[] = {
        {"southern latitude as 360 + lat", south, southStored, 120.0, 120.0},
        {"western longitude as 360 - size", north, northStored, 75.0, 75.0},
        {"azimuth 439 is 79", north, north, 79.0, 439.0},
        {"azimuth -90 is 270", north, north, 270.0, -90.0},
    };
    for (const Case& c : cases) {
        TPrecisePlace a, b;
        ASSERT_TRUE(ObservedToIcrs(c.signedSite, 45371.5, c.az, 20.0, a));
        ASSERT_TRUE(ObservedToIcrs(c.storedSite, 45371.5, c.storedAz, 20.0, b));
        EXPECT_LT(ApartArcsec(a.raDeg, a.decDeg, b.raDeg, b.decDeg), 1e-6) << c.name;
    }
}

// The humidity is a percentage and is clamped to 0..100, as the air allows.
TEST(PrecisePlace, HumidityIsAClampedPercentage)
{
    TPreciseSite saturated = Site(NorthLat, NorthLon, 200, 990, 10, 100, 0);
    TPreciseSite over = saturated;
    over.humidityPercent = 150.0;
    TPreciseSite dryAir = saturated;
    dryAir.humidityPercent = 0.0;
    TPreciseSite under = saturated;
    under.humidityPercent = -20.0;
    TPrecisePlace a, b, c, d;
    ASSERT_TRUE(ObservedToIcrs(saturated, 45371.5, 180.0, 10.0, a));
    ASSERT_TRUE(ObservedToIcrs(over, 45371.5, 180.0, 10.0, b));
    ASSERT_TRUE(ObservedToIcrs(dryAir, 45371.5, 180.0, 10.0, c));
    ASSERT_TRUE(ObservedToIcrs(under, 45371.5, 180.0, 10.0, d));
    EXPECT_EQ(a.decDeg, b.decDeg);
    EXPECT_EQ(c.decDeg, d.decDeg);
    // Water vapour refracts radio waves strongly: moist air lifts a low source by tens of arc-seconds more.
    EXPECT_GT((c.decDeg - a.decDeg) * ArcsecPerDeg, 20.0);
}

// The kept context against the whole chain per sample, over two days of samples every 37 s
// sweeping azimuth and altitude down to 5 deg, at a northern, an equatorial and a southern site
// (the diurnal aberration, the largest term of the budget, is largest at the equator).
TEST(PreciseFrame, KeptContextStaysWithinItsErrorBudget)
{
    constexpr double BudgetArcsec = 0.01;
    const TPreciseSite sites[] = {
        Site(NorthLat, NorthLon, 200, 990, 10, 50, 0),
        Site(0.0, 100.0, 0, 1010, 25, 80, -0.2),
        Site(SouthLat, SouthLon, 10, 0, 20, 70, 0.4),
    };
    const double start = 45371.0;  // 2024-03-20 00:00 UTC, on a block boundary
    const double step = 37.0 / 86400.0;
    for (const TPreciseSite& site : sites) {
        TPreciseFrame frame(site);
        double worst = 0.0;
        double worstGalactic = 0.0;
        int samples = 0;
        for (double t = start; t < start + 2.0; t += step, ++samples) {
            const double seconds = (t - start) * 86400.0;
            const double az = std::fmod(seconds * 0.013, 360.0);
            const double alt = 5.0 + std::fmod(seconds * 0.0007, 85.0);
            TPrecisePlace kept, full;
            ASSERT_TRUE(frame.Place(t, az, alt, kept));
            ASSERT_TRUE(ObservedToIcrs(site, t, az, alt, full));
            worst = std::max(worst, ApartArcsec(kept.raDeg, kept.decDeg, full.raDeg, full.decDeg));
            worstGalactic = std::max(worstGalactic,
                                     ApartArcsec(kept.lambdaDeg, kept.betaDeg, full.lambdaDeg, full.betaDeg));
        }
        EXPECT_LT(worst, BudgetArcsec) << "site latitude " << site.latitudeDeg;
        EXPECT_LT(worstGalactic, BudgetArcsec) << "site latitude " << site.latitudeDeg;
        // Two days of five-minute blocks: 576 contexts, not one per sample (4,670).
        EXPECT_EQ(frame.ContextsComputed(), 576) << samples << " samples";
    }
}

// At a block's middle the kept context is the whole chain's own context, so the two paths differ
// only in how a sample goes from CIRS to ICRS (eraAticq and eraIcrs2g on angles for the whole
// chain, their steps on vectors for the kept context). They must agree to a micro-arc-second,
// next to the Sun too, where the light deflection reaches arc-seconds and needs its iterations.
TEST(PreciseFrame, VectorPathMatchesTheChainAtTheBlockMiddle)
{
    const TPreciseSite site = Site(NorthLat, NorthLon, 200, 990, 10, 50, 0.2);
    const double blockDays = PreciseContextSeconds / 86400.0;
    const double middle = (std::floor(45371.55 / blockDays) + 0.5) * blockDays;  // ~2024-03-20 13:12 UTC

    // Where the Sun is seen from the site then: ERFA's context gives the Sun-to-observer
    // direction; its reverse, taken as a distant source, goes to observed azimuth and altitude.
    double utc1 = 0.0, utc2 = 0.0;
    DateTimeToJulianParts(middle, utc1, utc2);
    eraASTROM astrom{};
    double eo = 0.0;
    ASSERT_GE(eraApco13(utc1, utc2, site.dut1Seconds, site.longitudeDeg * DegToRadian, site.latitudeDeg * DegToRadian,
                        site.heightM, 0, 0, 0, 0, 0, 1, &astrom, &eo),
              0);
    double toSun[3] = {-astrom.eh[0], -astrom.eh[1], -astrom.eh[2]};
    double sunRa = 0.0, sunDec = 0.0;
    eraC2s(toSun, &sunRa, &sunDec);
    double ri = 0.0, di = 0.0, aob = 0.0, zob = 0.0, hob = 0.0, dob = 0.0, rob = 0.0;
    eraAtciqz(sunRa, sunDec, &astrom, &ri, &di);
    eraAtioq(ri, di, &astrom, &aob, &zob, &hob, &dob, &rob);
    const double sunAz = aob / DegToRadian;
    const double sunAlt = 90.0 - zob / DegToRadian;
    ASSERT_GT(sunAlt, 10.0);  // above the horizon at that hour in March

    struct Case {
        const char* name;
        double az, alt;
    } cases[] = {
        {"0.3 deg from the Sun", sunAz, sunAlt + 0.3},
        {"1 deg from the Sun", sunAz + 1.0, sunAlt},
        {"20 deg from the Sun", sunAz - 20.0, sunAlt + 5.0},
        {"low in the north", 350.0, 3.0},
        {"zenith", 0.0, 90.0},
    };
    for (const Case& c : cases) {
        TPreciseFrame frame(site);
        TPrecisePlace kept, full;
        ASSERT_TRUE(frame.Place(middle, c.az, c.alt, kept)) << c.name;
        ASSERT_TRUE(ObservedToIcrs(site, middle, c.az, c.alt, full)) << c.name;
        EXPECT_LT(ApartArcsec(kept.raDeg, kept.decDeg, full.raDeg, full.decDeg), 1e-6) << c.name;
        EXPECT_LT(ApartArcsec(kept.lambdaDeg, kept.betaDeg, full.lambdaDeg, full.betaDeg), 1e-6) << c.name;
    }
}

// A parked dish repeats its pointing; the second sample reuses the first one's observed-to-CIRS
// step and must still get its own Earth rotation angle (a sample 10 s later is 150" further east).
TEST(PreciseFrame, RepeatedPointingFollowsTheEarthRotation)
{
    const TPreciseSite site = Site(NorthLat, NorthLon, 200, 990, 10, 50, 0);
    TPreciseFrame frame(site);
    const double t0 = 45371.5;
    const double t1 = t0 + 10.0 / 86400.0;
    TPrecisePlace first, second, fresh;
    ASSERT_TRUE(frame.Place(t0, 180.0, 30.0, first));
    ASSERT_TRUE(frame.Place(t1, 180.0, 30.0, second));
    TPreciseFrame other(site);
    ASSERT_TRUE(other.Place(t1, 180.0, 30.0, fresh));
    EXPECT_EQ(second.raDeg, fresh.raDeg);
    EXPECT_EQ(second.decDeg, fresh.decDeg);
    // 10 s of sidereal rotation is 10.027 s of arc in time, 150.4" of right ascension.
    EXPECT_NEAR((second.raDeg - first.raDeg) * ArcsecPerDeg, 150.4, 0.2);
}

// Blocks are fixed in data time: a sample's place does not depend on which samples came before
// it, so any slicing of a log over threads, or a log running backwards, gives the same numbers.
TEST(PreciseFrame, PlaceDoesNotDependOnOrder)
{
    const TPreciseSite site = Site(NorthLat, NorthLon, 200, 990, 10, 50, 0.1);
    std::vector<double> times;
    for (int i = 0; i < 400; ++i)
        times.push_back(45371.49 + i * 11.0 / 86400.0);
    TPreciseFrame forward(site);
    std::vector<TPrecisePlace> ahead(times.size());
    for (std::size_t i = 0; i < times.size(); ++i)
        ASSERT_TRUE(forward.Place(times[i], 33.0 + i, 45.0, ahead[i]));
    TPreciseFrame backward(site);
    for (std::size_t k = times.size(); k-- > 0;) {
        TPrecisePlace p;
        ASSERT_TRUE(backward.Place(times[k], 33.0 + static_cast<double>(k), 45.0, p));
        EXPECT_EQ(p.raDeg, ahead[k].raDeg) << k;
        EXPECT_EQ(p.decDeg, ahead[k].decDeg) << k;
        EXPECT_EQ(p.betaDeg, ahead[k].betaDeg) << k;
        EXPECT_EQ(p.lambdaDeg, ahead[k].lambdaDeg) << k;
    }
    // A copy carries its context along and continues with the same numbers.
    TPreciseFrame copy = forward;
    TPrecisePlace fromCopy;
    ASSERT_TRUE(copy.Place(times[5], 38.0, 45.0, fromCopy));
    EXPECT_EQ(fromCopy.raDeg, ahead[5].raDeg);
}

// Ranges the lists rely on, and what cannot be placed.
TEST(PreciseFrame, RangesAndRefusedInstants)
{
    const TPreciseSite site = Site(NorthLat, NorthLon, 200, 990, 10, 50, 0);
    TPreciseFrame frame(site);
    for (int i = 0; i < 200; ++i) {
        TPrecisePlace p;
        ASSERT_TRUE(frame.Place(45371.0 + i * 0.01, i * 7.3, -10.0 + i * 0.6, p));
        EXPECT_GE(p.raDeg, 0.0);
        EXPECT_LT(p.raDeg, 360.0);
        EXPECT_GE(p.lambdaDeg, 0.0);
        EXPECT_LT(p.lambdaDeg, 360.0);
        EXPECT_LE(std::fabs(p.decDeg), 90.0);
        EXPECT_LE(std::fabs(p.betaDeg), 90.0);
    }
    // Zenith: the declination is near the geodetic latitude (aberration and the deflection of the
    // vertical by the ellipsoid's geocentric offset move it by well under a degree).
    TPrecisePlace zenith;
    ASSERT_TRUE(frame.Place(45371.5, 0.0, 90.0, zenith));
    EXPECT_NEAR(zenith.decDeg, NorthLat, 0.5);
    TPrecisePlace untouched{1.0, 2.0, 3.0, 4.0};
    EXPECT_FALSE(frame.Place(std::nan(""), 0.0, 45.0, untouched));
    EXPECT_FALSE(frame.Place(INFINITY, 0.0, 45.0, untouched));
    EXPECT_FALSE(ObservedToIcrs(site, std::nan(""), 0.0, 45.0, untouched));
    EXPECT_EQ(untouched.raDeg, 1.0);
    EXPECT_EQ(untouched.lambdaDeg, 4.0);
}

}  // namespace
}  // namespace driftline
