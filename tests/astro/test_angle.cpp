// TAngle and TRa: folding, quantisation to seconds, carries and text forms.
// Expected parts are worked out by hand in each row's comment.
#include "astro/Angleunit.h"
#include "astro/Raunit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace driftline {
namespace {

struct AngleFromDoubleCase {
    const char* name;
    double x;
    bool inCounts;
    int degrees, minutes, seconds;
};

// Value is always the parts recombined (quantised downwards to whole seconds of arc).
double PartsValue(int d, int m, int s)
{
    return d + m / 60.0 + s / 3600.0;
}

TEST(AngleFromDouble, FoldsAndTruncatesToWholeSeconds)
{
    const AngleFromDoubleCase cases[] = {
        // Negative declinations are held as 360 + d.
        {"minus 10.5", -10.5, false, 349, 30, 0},
        {"minus half", -0.5, false, 359, 30, 0},
        // 0.9999999 deg = 3599.99964": truncated, never rounded up to 46 deg.
        {"just below 46", 45.9999999, false, 45, 59, 59},
        // 54 + 16/60 is stored a hair below 54 deg 16 min; the second must not be lost.
        {"54 deg 16 min from parts", 54.0 + 16.0 / 60.0, false, 54, 16, 0},
        {"33.5 from parts", 33.0 + 30.0 / 60.0, false, 33, 30, 0},
        // 0.999 deg = 3596.4" = 59' 56.4".
        {"359.999", 359.999, false, 359, 59, 56},
        {"exactly 360", 360.0, false, 0, 0, 0},
        // The largest double below 360 is 2e-10" short of a full turn: a representation
        // error, so a full turn, which is 0. Likewise just below 1 degree is 1 degree.
        {"largest double below 360", std::nextafter(360.0, 0.0), false, 0, 0, 0},
        {"largest double below 1", std::nextafter(1.0, 0.0), false, 1, 0, 0},
        {"two turns and a half degree", 720.5, false, 0, 30, 0},
        {"minus one turn", -360.0, false, 0, 0, 0},
        // -1e-15 + 360 rounds to exactly 360, which must fold to 0.
        {"tiny negative", -1e-15, false, 0, 0, 0},
        {"half a turn", 180.0, false, 180, 0, 0},
        // Half a second of arc truncates to none.
        {"half a second", 0.5 / 3600.0, false, 0, 0, 0},
        // 0.036" below 10": outside the representation allowance, so 9".
        {"clearly below 10 seconds", 10.0 / 3600.0 - 1e-5, false, 0, 0, 9},
        {"near the pole", 89.99999999, false, 89, 59, 59},
        // 16384 counts x 360/32768 = 180 deg.
        {"half a turn of counts", 16384.0, true, 180, 0, 0},
        {"a full turn of counts", 32768.0, true, 0, 0, 0},
        // One count is 0.010986328125 deg = 39.55".
        {"one count", 1.0, true, 0, 0, 39},
        // -8192 counts = -90 deg.
        {"negative counts", -8192.0, true, 270, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TAngle a(c.x, c.inCounts);
        EXPECT_EQ(a.Degrees(), c.degrees);
        EXPECT_EQ(a.Minutes(), c.minutes);
        EXPECT_EQ(a.Seconds(), c.seconds);
        EXPECT_NEAR(a.Value(), PartsValue(c.degrees, c.minutes, c.seconds), 1e-12);
        EXPECT_GE(a.Value(), 0.0);
        EXPECT_LT(a.Value(), 360.0);
    }
}

TEST(AngleFromDouble, NonFiniteInputGivesZero)
{
    for (const double x : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity()}) {
        const TAngle a(x);
        EXPECT_EQ(a.Value(), 0.0) << x;
    }
}

struct AngleFromPartsCase {
    const char* name;
    int d, m, s;
    int degrees, minutes, seconds;
    double value;
};

TEST(AngleFromParts, CarriesSignsAndFolds)
{
    const AngleFromPartsCase cases[] = {
        {"default latitude", 54, 16, 0, 54, 16, 0, 54.0 + 16.0 / 60.0},
        // Minutes follow the sign of the degrees: 2 deg 16 min west, not 358 + 16'.
        {"default longitude", -2, 16, 0, 358, 16, 0, 358.0 - 16.0 / 60.0},
        {"southern site", -33, 30, 0, 327, 30, 0, 326.5},
        {"half a degree north", 0, 30, 0, 0, 30, 0, 0.5},
        // 75" = 1' 15".
        {"seconds carry", 0, 0, 75, 0, 1, 15, 1.0 / 60.0 + 15.0 / 3600.0},
        // 75' = 1 deg 15'.
        {"minutes carry", 10, 75, 0, 11, 15, 0, 11.25},
        // For a negative count the carry enlarges its size: -11 deg 15' = 348.75.
        {"minutes carry west", -10, 75, 0, 349, 15, 0, 348.75},
        // Zero degrees cannot carry a sign, so a negative minute count does: 7' west.
        {"seven minutes west", 0, -7, 0, 359, 53, 0, 360.0 - 7.0 / 60.0},
        {"thirty seconds south", 0, 0, -30, 359, 59, 30, 360.0 - 30.0 / 3600.0},
        // 0 deg -7' -30" is 7' 30" west.
        {"minutes and seconds west", 0, -7, -30, 359, 52, 30, 360.0 - 7.0 / 60.0 - 30.0 / 3600.0},
        // With non-zero degrees minutes are unsigned 16-bit counts: -1 is 65535' =
        // 1092 deg 15', so 5 deg + 1092 deg 15' = 1097 deg 15' = 17 deg 15' after folding.
        {"unsigned minutes", 5, -1, 0, 17, 15, 0, 17.25},
        {"a turn and ten degrees", 370, 0, 0, 10, 0, 0, 10.0},
        // -360 deg 30' is -0.5 deg.
        {"minus a turn and a half degree", -360, 30, 0, 0, 30, 0, 359.5},
        // 59' 60" carries to a full turn, which is 0.
        {"carry to a full turn", 359, 59, 60, 0, 0, 0, 0.0},
        {"zero", 0, 0, 0, 0, 0, 0, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TAngle a(c.d, c.m, c.s);
        EXPECT_EQ(a.Degrees(), c.degrees);
        EXPECT_EQ(a.Minutes(), c.minutes);
        EXPECT_EQ(a.Seconds(), c.seconds);
        EXPECT_NEAR(a.Value(), c.value, 1e-12);
        EXPECT_GE(a.Value(), 0.0);
        EXPECT_LT(a.Value(), 360.0);
    }
}

TEST(AngleText, UnsignedAndSignedForms)
{
    const struct {
        const char* name;
        TAngle angle;
        bool isSigned;
        const char* text;
    } cases[] = {
        {"declination -10.5 unsigned", TAngle(-10.5), false, "349\u00B0 30' 0\""},
        {"declination -10.5 signed", TAngle(-10.5), true, "-10\u00B0 30' 0\""},
        {"latitude", TAngle(54, 16, 0), true, "54\u00B0 16' 0\""},
        // 180 deg 30' has Degrees 180, which is not above 180: no sign.
        {"just past half a turn", TAngle(180.5), true, "180\u00B0 30' 0\""},
        {"western longitude", TAngle(-2, 16, 0), true, "-2\u00B0 16' 0\""},
        {"seven minutes west", TAngle(0, -7, 0), true, "-0\u00B0 7' 0\""},
        {"zero", TAngle(), true, "0\u00B0 0' 0\""},
        {"just below a turn", TAngle(359.999), false, "359\u00B0 59' 56\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.angle.Text(c.isSigned), c.text);
    }
    // The degree sign is UTF-8 (C2 B0), not the single byte B0.
    const std::string text = TAngle(1.0).Text();
    EXPECT_EQ(text, std::string("1\xC2\xB0 0' 0\""));
}

struct RaCase {
    const char* name;
    double hours;
    double value;  // degrees
    int h, m, s;
    const char* text;
};

TEST(RightAscension, FoldsRoundsAndCarries)
{
    const RaCase cases[] = {
        {"zero", 0.0, 0.0, 0, 0, 0, "0 hrs 0' 0\""},
        // 24 hours stays 360 degrees, not folded to 0.
        {"24 hours", 24.0, 360.0, 24, 0, 0, "24 hrs 0' 0\""},
        {"minus one hour", -1.0, 345.0, 23, 0, 0, "23 hrs 0' 0\""},
        {"minus 24 hours", -24.0, 0.0, 0, 0, 0, "0 hrs 0' 0\""},
        {"25 hours", 25.0, 15.0, 1, 0, 0, "1 hrs 0' 0\""},
        // 48.5 h = 727.5 deg -> 367.5 -> 7.5 deg = 0.5 h.
        {"two days and a half hour", 48.5, 7.5, 0, 30, 0, "0 hrs 30' 0\""},
        {"from parts", 14.0 + 3.0 / 60.0 + 27.0 / 3600.0, 210.8625, 14, 3, 27, "14 hrs 3' 27\""},
        // 12.99999 h = 12h 59m 59.964s: the seconds round to 60 and carry into the hour.
        {"seconds carry", 12.99999, 194.99985, 13, 0, 0, "13 hrs 0' 0\""},
        // 23.9999999 h = 23h 59m 59.99964s: carries all the way to 24 h.
        {"carry to 24 hours", 23.9999999, 359.9999985, 24, 0, 0, "24 hrs 0' 0\""},
        // 1.5 s rounds to 2 s, 0.4 s to 0 s.
        {"one and a half seconds", 1.5 / 3600.0, 1.5 / 240.0, 0, 0, 2, "0 hrs 0' 2\""},
        {"0.4 seconds", 0.4 / 3600.0, 0.4 / 240.0, 0, 0, 0, "0 hrs 0' 0\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TRa ra(c.hours);
        EXPECT_NEAR(ra.Value(), c.value, 1e-9);
        EXPECT_EQ(ra.Hours(), c.h);
        EXPECT_EQ(ra.Minutes(), c.m);
        EXPECT_EQ(ra.Seconds(), c.s);
        EXPECT_EQ(ra.Text(), c.text);
    }
}

TEST(RightAscension, ValueIsNotQuantised)
{
    // 1.23456789 h x 15 = 18.51851835 deg exactly as far as a double goes.
    const TRa ra(1.23456789);
    EXPECT_DOUBLE_EQ(ra.Value(), 18.51851835);
    TRa copy = ra;
    copy.SetHours(2.0);
    EXPECT_DOUBLE_EQ(copy.Value(), 30.0);
    EXPECT_DOUBLE_EQ(ra.Value(), 18.51851835);
}

}  // namespace
}  // namespace driftline
