// Text forms of values: fixed decimals with exact ties away from zero, times of day rounded to the
// millisecond, and the angle and right-ascension forms per quantity.
#include "plot/QuantityText.h"

#include "logdata/Samplestore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace driftline {
namespace {

// The exact binary values quoted below were printed with Python's decimal.Decimal(float).
TEST(QuantityText, FormatFixedRoundsTheExactValueWithTiesAwayFromZero)
{
    struct Case {
        double v;
        int decimals;
        const char* text;
    };
    const Case cases[] = {
        {0.3125, 3, "0.313"},    // 128 counts: an exact tie (printf's %.3f gives 0.312)
        {-0.3125, 3, "-0.313"},  // ties go away from zero on both sides
        {0.0625, 3, "0.063"},    // exact tie again
        {2.5, 3, "2.500"},
        {0.0015, 3, "0.002"},    // 0.00150000000000000003...: above the tie
        {1.0005, 3, "1.000"},    // 1.00049999999999994...: below the tie, not rounded up
        {9.9995, 3, "9.999"},    // 9.99949999999999938...
        {9.99951, 3, "10.000"},  // carry through every digit into a new one
        {-9.99951, 3, "-10.000"},
        {0.001, 3, "0.001"},  // 0.00100000000000000002: not below 10^-3
        {0.0004, 3, "0"},
        {-0.0004, 3, "0"},
        {0.0, 3, "0"},
        {2.25, 1, "2.3"},
        {-2.25, 1, "-2.3"},
        {2.25, 0, "2.3"},  // fewer than one decimal counts as one
        {0.05, 1, "0"},    // below 10^-1
        {123456789.125, 2, "123456789.13"},
        {1e20, 2, "100000000000000000000.00"},
        {2.0, 6, "2.000000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatFixed(c.v, c.decimals), c.text) << c.v << " with " << c.decimals << " decimals";

    EXPECT_EQ(FormatFixed(std::numeric_limits<double>::quiet_NaN(), 3), "NAN");
    EXPECT_EQ(FormatFixed(-std::numeric_limits<double>::infinity(), 3), "-INF");
}

TEST(QuantityText, TimeOfDayIsRoundedToTheMillisecondBeforeTheSecondsAreCut)
{
    // 12 May 2010 is serial 40310; 21:03:15 is 75,795,000 ms into the day. The sum is not exact in
    // binary (40310.87725694444088...), and the neighbour below it must not read 21:03:14.
    const double at211315 = 40310.0 + 75795000.0 / 86400000.0;
    struct Case {
        double serial;
        const char* text;
    };
    const Case cases[] = {
        {at211315, "21:03:15"},
        {std::nextafter(at211315, 0.0), "21:03:15"},
        {40310.0 + 75794999.6 / 86400000.0, "21:03:15"},  // .9996 s rounds up to the next second
        {40310.0 + 75794999.4 / 86400000.0, "21:03:14"},  // .9994 s stays in its second
        {0.5, "12:00:00"},
        {0.0, "00:00:00"},
        {1.0, "00:00:00"},
        {1.0 - 0.4 / 86400000.0, "00:00:00"},  // rounds up to a whole day
        {1.0 - 1.0 / 86400000.0, "23:59:59"},
        {-1.25, "06:00:00"},  // 29 Dec 1899, 06:00: the hours count forward from midnight
    };
    for (const Case& c : cases)
        EXPECT_EQ(TimeOfDayText(c.serial), c.text) << std::to_string(c.serial);
    EXPECT_EQ(QuantityText(Time, at211315), "21:03:15");
}

TEST(QuantityText, AnglesRightAscensionAndVoltsPerQuantity)
{
    struct Case {
        int q;
        double v;
        const char* text;
    };
    const Case cases[] = {
        // 349.5 degrees is 349 deg 30'; a signed quantity reads it as 349.5 - 360 = -10.5.
        {Declination, 349.5, "-10\u00B0 30' 0\""},
        {Altitude, 349.5, "-10\u00B0 30' 0\""},
        {Beta, 349.5, "-10\u00B0 30' 0\""},
        {Azimuth, 349.5, "349\u00B0 30' 0\""},
        {Lambda, 349.5, "349\u00B0 30' 0\""},
        {Declination, 10.25, "10\u00B0 15' 0\""},
        // 210.8625 degrees / 15 = 14.0575 h = 14 h 3 min 27 s.
        {RightAscension, 210.8625, "14 hrs 3' 27\""},
        {Volts, 0.0004, "0"},
        {Volts, 2.5, "2.500"},
        {Volts, 0.3125, "0.313"},
        {8, 1.0, ""},
        {-1, 1.0, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QuantityText(c.q, c.v), c.text) << "quantity " << c.q << " value " << c.v;
}

}  // namespace
}  // namespace driftline
