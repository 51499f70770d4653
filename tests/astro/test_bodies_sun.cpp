// Solar position record: input checks, the published test case of the solar position algorithm,
// and the Earth, nutation and obliquity worked examples of Meeus.
#include "astro/Sununit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

namespace driftline {
namespace {

// The inputs of the test case of Reda and Andreas (2004), NREL/TP-560-34302 Table A5.1:
// 2003-10-17 12:30:30 local time, zone -7 h, delta T 67 s, Golden, Colorado.
TSpaData PublishedCase()
{
    TSpaData spa;
    spa.year = 2003;
    spa.month = 10;
    spa.day = 17;
    spa.hour = 12;
    spa.minute = 30;
    spa.second = 30;
    spa.deltaT = 67.0;
    spa.timeZone = -7.0;
    spa.longitude = -105.1786;
    spa.latitude = 39.742476;
    spa.elevation = 1830.14;
    spa.pressure = 820.0;
    spa.temperature = 11.0;
    spa.slope = 30.0;
    spa.azmRotation = -10.0;
    spa.atmosRefract = 0.5667;
    spa.function = SpaGeocentric;
    return spa;
}

// Angle difference folded into (-180, 180], for values near the 0/360 seam.
double AngleDiff(double a, double b)
{
    double d = std::fmod(a - b, 360.0);
    if (d > 180.0)
        d -= 360.0;
    if (d <= -180.0)
        d += 360.0;
    return d;
}

TEST(SpaPublishedCase, ReproducesTheReportsIntermediateAndFinalValues)
{
    TSpaData spa = PublishedCase();
    ASSERT_EQ(SpaCalculate(spa), 0);

    // Published values (Reda and Andreas 2004, Table A5.1 and the report's intermediate results);
    // each tolerance is one unit in the last printed digit.
    struct Row {
        const char* name;
        double actual;
        double expected;
        double tolerance;
    };
    const Row rows[] = {
        {"JD", spa.jd, 2452930.312847, 1e-6},
        {"L", spa.l, 24.0182616917, 1e-10},
        {"B", spa.b, -0.0001011219, 1e-10},
        {"R", spa.r, 0.9965422974, 1e-10},
        {"theta", spa.theta, 204.0182616917, 1e-10},
        {"beta", spa.beta, 0.0001011219, 1e-10},
        {"delta psi", spa.delPsi, -0.00399840, 1e-8},
        {"delta epsilon", spa.delEpsilon, 0.00166657, 1e-8},
        // The report's 84379.672625" comes from a linear coefficient of 4680.93"; the library
        // carries 4680.96", which lowers the value by 0.03" x U, U = jme / 10 = 0.00037928.
        {"mean obliquity (arcsec)", spa.epsilon0, 84379.672625 - 0.03 * 0.00037928, 1e-6},
        {"true obliquity", spa.epsilon, 23.440465, 1e-6},
        {"aberration", spa.delTau, -0.005711, 1e-6},
        {"apparent longitude", spa.lamda, 204.0085519281, 1e-10},
        {"geocentric right ascension", spa.alpha, 202.22741, 1e-5},
        {"geocentric declination", spa.delta, -9.31434, 1e-5},
    };
    for (const Row& r : rows)
        EXPECT_NEAR(r.actual, r.expected, r.tolerance) << r.name;
}

TEST(SpaPublishedCase, SameInstantInAnyZoneGivesTheSameJulianDay)
{
    // 19:30:30 UTC written as UTC, as local time an hour ahead, and as the report's -7 h.
    struct Zone {
        int hour;
        double timeZone;
    };
    for (const Zone z : {Zone{19, 0.0}, Zone{20, 1.0}, Zone{12, -7.0}}) {
        TSpaData spa = PublishedCase();
        spa.hour = z.hour;
        spa.timeZone = z.timeZone;
        ASSERT_EQ(SpaCalculate(spa), 0);
        EXPECT_NEAR(spa.jd, 2452930.312847, 1e-6) << "zone " << z.timeZone;
        EXPECT_NEAR(spa.alpha, 202.22741, 1e-5) << "zone " << z.timeZone;
    }
}

TEST(SpaFunctionCodes, ObliquityCodeStopsBeforeTheSunsPosition)
{
    TSpaData spa = PublishedCase();
    spa.function = SpaObliquity;
    spa.alpha = -999.0;
    spa.delta = -999.0;
    spa.lamda = -999.0;
    ASSERT_EQ(SpaCalculate(spa), 0);
    EXPECT_NEAR(spa.epsilon, 23.440465, 1e-6);
    EXPECT_NEAR(spa.l, 24.0182616917, 1e-10);
    EXPECT_EQ(spa.alpha, -999.0);
    EXPECT_EQ(spa.delta, -999.0);
    EXPECT_EQ(spa.lamda, -999.0);
}

TEST(SpaFunctionCodes, LaterCodesComputeNothingBeyondTheGeocentricPosition)
{
    for (int code : {2, 3, 4, 5}) {
        TSpaData spa = PublishedCase();
        spa.function = code;
        spa.azimuth = -1.0;
        spa.sunrise = -1.0;
        spa.incidence = -1.0;
        ASSERT_EQ(SpaCalculate(spa), 0) << "code " << code;
        EXPECT_NEAR(spa.alpha, 202.22741, 1e-5) << "code " << code;
        EXPECT_EQ(spa.azimuth, -1.0) << "code " << code;
        EXPECT_EQ(spa.sunrise, -1.0) << "code " << code;
        EXPECT_EQ(spa.incidence, -1.0) << "code " << code;
    }
}

TEST(SpaInputChecks, EachCheckReturnsItsNumber)
{
    struct Case {
        const char* what;
        std::function<void(TSpaData&)> change;
        int expected;
    };
    const Case cases[] = {
        {"valid", [](TSpaData&) {}, 0},
        {"year -2001", [](TSpaData& s) { s.year = -2001; }, 1},
        {"year 6001", [](TSpaData& s) { s.year = 6001; }, 1},
        {"year -2000", [](TSpaData& s) { s.year = -2000; }, 0},
        {"month 0", [](TSpaData& s) { s.month = 0; }, 2},
        {"month 13", [](TSpaData& s) { s.month = 13; }, 2},
        {"day 0", [](TSpaData& s) { s.day = 0; }, 3},
        {"day 32", [](TSpaData& s) { s.day = 32; }, 3},
        {"hour -1", [](TSpaData& s) { s.hour = -1; }, 4},
        {"hour 25", [](TSpaData& s) { s.hour = 25; }, 4},
        {"minute -1", [](TSpaData& s) { s.minute = -1; }, 5},
        {"minute 60", [](TSpaData& s) { s.minute = 60; }, 5},
        {"second -1", [](TSpaData& s) { s.second = -1; }, 6},
        {"second 60", [](TSpaData& s) { s.second = 60; }, 6},
        {"pressure -1", [](TSpaData& s) { s.pressure = -1; }, 12},
        {"pressure 5001", [](TSpaData& s) { s.pressure = 5001; }, 12},
        {"temperature -273", [](TSpaData& s) { s.temperature = -273; }, 13},
        {"temperature 6001", [](TSpaData& s) { s.temperature = 6001; }, 13},
        {"24:00:00",
         [](TSpaData& s) {
             s.hour = 24;
             s.minute = 0;
             s.second = 0;
         },
         0},
        {"24:01:00",
         [](TSpaData& s) {
             s.hour = 24;
             s.minute = 1;
             s.second = 0;
         },
         5},
        {"24:00:01",
         [](TSpaData& s) {
             s.hour = 24;
             s.minute = 0;
             s.second = 1;
         },
         6},
        {"delta T 8001", [](TSpaData& s) { s.deltaT = 8001; }, 7},
        {"delta T -8001", [](TSpaData& s) { s.deltaT = -8001; }, 7},
        {"zone 12.5", [](TSpaData& s) { s.timeZone = 12.5; }, 8},
        {"zone -13", [](TSpaData& s) { s.timeZone = -13; }, 8},
        {"longitude 180.5", [](TSpaData& s) { s.longitude = 180.5; }, 9},
        {"longitude -181", [](TSpaData& s) { s.longitude = -181; }, 9},
        {"latitude 90.5", [](TSpaData& s) { s.latitude = 90.5; }, 10},
        {"latitude -33 (southern site)", [](TSpaData& s) { s.latitude = -33; }, 0},
        {"refraction 5.1", [](TSpaData& s) { s.atmosRefract = 5.1; }, 16},
        {"elevation -6500001", [](TSpaData& s) { s.elevation = -6500001; }, 11},
        {"slope 361, code 0", [](TSpaData& s) { s.slope = 361; }, 0},
        {"slope 361, code 3",
         [](TSpaData& s) {
             s.slope = 361;
             s.function = 3;
         },
         14},
        {"azimuth rotation 361, code 5",
         [](TSpaData& s) {
             s.azmRotation = 361;
             s.function = 5;
         },
         15},
        // The first failing check wins, in the published order.
        {"month 13 and pressure -1",
         [](TSpaData& s) {
             s.month = 13;
             s.pressure = -1;
         },
         2},
        {"pressure -1 and 24:01",
         [](TSpaData& s) {
             s.pressure = -1;
             s.hour = 24;
             s.minute = 1;
         },
         12},
        {"24:01 and zone 13",
         [](TSpaData& s) {
             s.hour = 24;
             s.minute = 1;
             s.timeZone = 13;
         },
         5},
        {"refraction 6 and elevation -7e6",
         [](TSpaData& s) {
             s.atmosRefract = 6;
             s.elevation = -7e6;
         },
         16},
    };
    for (const Case& c : cases) {
        TSpaData spa = PublishedCase();
        c.change(spa);
        spa.jd = -1.0;
        EXPECT_EQ(SpaCalculate(spa), c.expected) << c.what;
        if (c.expected != 0) {
            EXPECT_EQ(spa.jd, -1.0) << c.what << ": a failed check computes nothing";
        }
    }
}

TEST(SpaMeeusExamples, EarthHeliocentricPositionOfExample25b)
{
    // Meeus, Astronomical Algorithms, example 25.b: 1992 October 13.0 TD = JDE 2448908.5,
    // L = -43.63484796 rad (19.907372 degrees), B = -0.00000312 rad, R = 0.99760775 AU.
    const double jme = (2448908.5 - 2451545.0) / 365250.0;
    const TEarthHeliocentric e = EarthHeliocentric(jme);
    EXPECT_NEAR(e.longitudeDeg, 19.907372, 1e-6);
    EXPECT_NEAR(e.latitudeDeg * 0.017453292519943295, -0.00000312, 1e-8);
    EXPECT_NEAR(e.radiusAu, 0.99760775, 1e-8);

    // The same through the record, as the date 1992-10-13 00:00:00 with delta T 0.
    TSpaData spa;
    spa.year = 1992;
    spa.month = 10;
    spa.day = 13;
    spa.hour = 0;
    spa.deltaT = 0.0;
    spa.function = SpaObliquity;
    ASSERT_EQ(SpaCalculate(spa), 0);
    EXPECT_NEAR(spa.jde, 2448908.5, 1e-9);
    EXPECT_NEAR(spa.l, 19.907372, 1e-6);
    EXPECT_NEAR(AngleDiff(spa.theta, 199.907372), 0.0, 1e-6);
}

TEST(SpaMeeusExamples, NutationAndObliquityOfExample22a)
{
    // Meeus, example 22.a: 1987 April 10, 0h TD = JDE 2446895.5: delta psi = -3.788",
    // delta epsilon = +9.443", mean obliquity 23 26' 27.407", true obliquity 23 26' 36.850".
    TSpaData spa;
    spa.year = 1987;
    spa.month = 4;
    spa.day = 10;
    spa.hour = 0;
    spa.deltaT = 0.0;
    spa.function = SpaObliquity;
    ASSERT_EQ(SpaCalculate(spa), 0);
    EXPECT_NEAR(spa.jde, 2446895.5, 1e-9);
    EXPECT_NEAR(spa.delPsi * 3600.0, -3.788, 1e-3);
    EXPECT_NEAR(spa.delEpsilon * 3600.0, 9.443, 1e-3);
    EXPECT_NEAR(spa.epsilon0, 23 * 3600.0 + 26 * 60.0 + 27.407, 1e-3);
    EXPECT_NEAR(spa.epsilon * 3600.0, 23 * 3600.0 + 26 * 60.0 + 36.850, 2e-3);
}

TEST(SpaMeeusExamples, J2000NoonGivesTheEpochAndItsMeanObliquity)
{
    // 2000-01-01 12:00 UTC is JD 2451545.0; with delta T 0 the mean obliquity is the
    // polynomial's constant term, 84381.448".
    TSpaData spa;
    spa.year = 2000;
    spa.month = 1;
    spa.day = 1;
    spa.hour = 12;
    spa.deltaT = 0.0;
    spa.function = SpaObliquity;
    ASSERT_EQ(SpaCalculate(spa), 0);
    EXPECT_DOUBLE_EQ(spa.jd, 2451545.0);
    EXPECT_DOUBLE_EQ(spa.jc, 0.0);
    EXPECT_NEAR(spa.epsilon0, 84381.448, 1e-9);
}

TEST(SpaJulianDay, CalendarBoundaries)
{
    // Meeus chapter 7 examples: 1957 Oct 4.81 = 2436116.31; 333 Jan 27 12h = 1842713.0
    // (Julian calendar before the Gregorian reform); 1600 Jan 1 0h = 2305447.5; -123 Dec 31 0h =
    // 1676496.5 (astronomical year -123, Julian calendar).
    struct Row {
        int year, month, day, hour, minute, second;
        double expected;
    };
    const Row rows[] = {
        {1957, 10, 4, 19, 26, 24, 2436116.31}, {333, 1, 27, 12, 0, 0, 1842713.0}, {1600, 1, 1, 0, 0, 0, 2305447.5},
        {-123, 12, 31, 0, 0, 0, 1676496.5},    {2000, 1, 1, 24, 0, 0, 2451545.5},  // hour 24 is the next midnight
    };
    for (const Row& r : rows) {
        TSpaData spa;
        spa.year = r.year;
        spa.month = r.month;
        spa.day = r.day;
        spa.hour = r.hour;
        spa.minute = r.minute;
        spa.second = r.second;
        spa.function = SpaObliquity;
        ASSERT_EQ(SpaCalculate(spa), 0) << r.year;
        EXPECT_NEAR(spa.jd, r.expected, 1e-6) << r.year << "-" << r.month << "-" << r.day;
    }
}

}  // namespace
}  // namespace driftline
