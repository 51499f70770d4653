// GeneralDigits: the same bytes as std::to_chars(general, digits) for every double, ties and
// carries included.
#include "suite/Numbertext.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

namespace driftline {
namespace {

// GCC and Clang both have 128-bit integers; __extension__ marks the use as deliberate.
__extension__ typedef unsigned __int128 U128;

std::string Mine(double v, int digits)
{
    char buffer[MaxGeneralChars];
    return std::string(buffer, GeneralDigits(buffer, v, digits));
}

std::string Library(double v, int digits)
{
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, digits).ptr);
}

// Counts and reports (the first few) values where the two disagree.
struct Comparison {
    long checked = 0;
    long wrong = 0;
    void check(double v, int digits)
    {
        ++checked;
        const std::string mine = Mine(v, digits);
        const std::string library = Library(v, digits);
        if (mine != library && ++wrong <= 10)
            ADD_FAILURE() << std::hexfloat << v << std::defaultfloat << " at " << digits << " digits: " << mine
                          << ", expected " << library;
    }
};

TEST(GeneralDigits, WorkedExamples)
{
    // Expected texts worked out by hand from the exact binary value (its full decimal expansion
    // in the comment), rounded half to even, printf's %g layout.
    struct Case {
        double v;
        int digits;
        const char* text;
    };
    const Case cases[] = {
        // 2^-25 = 2.98023223876953125e-08 exactly: 18 digits ending in 5, a tie at 17; the kept
        // last digit 2 is even, so it stays.
        {0x1p-25, 17, "2.9802322387695312e-08"},
        // 3 * 2^-25 = 8.94069671630859375e-08: a tie after an odd 7, so it goes up to 8.
        {0x3p-25, 17, "8.9406967163085938e-08"},
        {-0x3p-25, 17, "-8.9406967163085938e-08"},
        // Ties at few digits: 2.5 -> 2, 3.5 -> 4, 0.125 -> 0.12, 0.375 -> 0.38.
        {2.5, 1, "2"},
        {3.5, 1, "4"},
        {0.125, 2, "0.12"},
        {0.375, 2, "0.38"},
        // 999999.999999899999238... at 12 digits carries to 1000000.00000, printed without zeros.
        {999999.9999999, 12, "1000000"},
        // 9.99999999999999896e-05 carries to 1.00000000000e-04: exponent -4 after rounding, so
        // the fixed layout; one digit less (9.99999999999e-05 stays) keeps the exponent form.
        {9.99999999999999e-5, 12, "0.0001"},
        {9.99999999999e-5, 12, "9.99999999999e-05"},
        // 1e-14 is 9.99999999999999998819e-15: the 17th digit 9 is followed by 88, a carry.
        {1e-14, 17, "1e-14"},
        // The switch to exponent form at 10^17, trailing zeros dropped either side.
        {1e16, 17, "10000000000000000"},
        {1e17, 17, "1e+17"},
        {123456789012345678.0, 17, "1.2345678901234568e+17"},
        {0x1p60, 17, "1.152921504606847e+18"},
        // 1e-4 (1.00000000000000000479e-04) is fixed, 1e-5 (1.00000000000000000818e-05) is not.
        {1e-4, 17, "0.0001"},
        {1e-5, 17, "1.0000000000000001e-05"},
        {0.000123, 17, "0.00012300000000000001"},
        // Log values: a serial date 40321.12345678899873..., an angle, a negative one.
        {40321.123456789, 17, "40321.123456788999"},
        {359.99999999999994, 17, "359.99999999999994"},
        {0.1, 17, "0.10000000000000001"},
        {-273.15, 17, "-273.14999999999998"},
        {100.0, 17, "100"},
        {1e21, 17, "1e+21"},
        {1.7976931348623157e308, 17, "1.7976931348623157e+308"},
        {std::numeric_limits<double>::denorm_min(), 17, "4.9406564584124654e-324"},
        {0.0, 17, "0"},
        {-0.0, 17, "-0"},
        {std::numeric_limits<double>::infinity(), 17, "inf"},
        {-std::numeric_limits<double>::infinity(), 17, "-inf"},
        {std::numeric_limits<double>::quiet_NaN(), 17, "nan"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Mine(c.v, c.digits), c.text) << std::hexfloat << c.v << " at " << c.digits << " digits";
}

// The significant digits of a %g text: sign, point, leading and trailing zeros and exponent
// taken away (a whole number such as "3558729575702520" ends in zeros that are not kept digits).
std::string SignificantDigits(const std::string& text)
{
    std::string digits;
    for (char c : text) {
        if (c == 'e')
            break;
        if (c >= '0' && c <= '9' && !(digits.empty() && c == '0'))
            digits += c;
    }
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    return digits;
}

TEST(GeneralDigits, ExactTiesRoundToEven)
{
    // b * 2^-s with b odd is b * 5^s / 10^s exactly, and b * 5^s is odd and a multiple of 5: its
    // last digit is 5. With digits + 1 significant digits it is a tie at `digits`, and the kept
    // digits must be (b * 5^s) / 10 rounded to even, computed here in integers.
    std::mt19937_64 random(15);
    for (int digits : {17, 16, 12, 6, 3}) {
        U128 tenToDigits = 1;
        for (int d = 0; d < digits; ++d)
            tenToDigits *= 10;
        long evenKept = 0;
        long oddRoundedUp = 0;
        Comparison comparison;
        for (int s = 1; s <= 60; ++s) {
            U128 five = 1;
            for (int k = 0; k < s; ++k)
                five *= 5;
            // b * 5^s must have exactly digits + 1 digits and b fit in 53 bits.
            const U128 lowest = (tenToDigits + five - 1) / five;
            const U128 highest = (tenToDigits * 10 - 1) / five;
            const U128 limit = static_cast<U128>(1) << 53;
            if (lowest >= limit || lowest > highest)
                continue;
            const auto low = static_cast<std::uint64_t>(lowest);
            const auto high = static_cast<std::uint64_t>(highest < limit ? highest : limit - 1);
            for (int n = 0; n < 400; ++n) {
                const std::uint64_t b = (low + random() % (high - low + 1)) | 1;
                if (b > high)
                    continue;
                const double v = std::ldexp(static_cast<double>(b), -s);
                const U128 exact = static_cast<U128>(b) * five;
                U128 kept = exact / 10;
                const bool odd = (kept & 1) != 0;
                kept += odd ? 1 : 0;
                (odd ? oddRoundedUp : evenKept) += 1;
                std::string expected;
                for (; kept != 0; kept /= 10)
                    expected.insert(expected.begin(), static_cast<char>('0' + static_cast<int>(kept % 10)));
                while (expected.size() > 1 && expected.back() == '0')
                    expected.pop_back();
                const std::string text = Mine(v, digits);
                EXPECT_EQ(SignificantDigits(text), expected) << std::hexfloat << v << " at " << digits << ": " << text;
                comparison.check(v, digits);
                comparison.check(-v, digits);
            }
        }
        // Both directions were tried: a formatter that always rounds ties up or down fails.
        EXPECT_GT(evenKept, 100) << digits;
        EXPECT_GT(oddRoundedUp, 100) << digits;
        EXPECT_EQ(comparison.wrong, 0) << digits;
    }
}

TEST(GeneralDigits, SameAsTheLibraryOverManyValues)
{
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Comparison comparison;
    const int allDigits[] = {17, 12, 1, 2, 9, 15, 16};
    for (int n = 0; n < 400000; ++n) {
        const int digits = allDigits[n % 7];
        // Any bit pattern: every exponent, subnormals, infinities and NaNs among them.
        comparison.check(std::bit_cast<double>(random()), digits);
        // What a log gives: serial dates, angles 0 to 360 and -90 to 90, volts, small offsets.
        comparison.check(40000.0 + 20000.0 * unit(random), 17);
        comparison.check(360.0 * unit(random), 17);
        comparison.check(-90.0 + 180.0 * unit(random), 17);
        comparison.check(10.0 * unit(random) - 5.0, 12);
        comparison.check(std::ldexp(unit(random), -static_cast<int>(random() % 40)), 17);
        // Whole numbers (exact, trailing zeros) and short decimals.
        comparison.check(static_cast<double>(random() % 1000000000000000000ull) / std::pow(10.0, random() % 20),
                         digits);
    }
    // Powers of ten and their neighbours: the decimal exponent estimate, the carry and the switch
    // between layouts all turn there.
    for (int j = -330; j <= 310; ++j) {
        const double p = std::pow(10.0, j);
        double below = p;
        double above = p;
        for (int step = 0; step < 4; ++step) {
            for (int digits = 1; digits <= 17; ++digits) {
                comparison.check(below, digits);
                comparison.check(above, digits);
                comparison.check(-below, digits);
            }
            below = std::nextafter(below, 0.0);
            above = std::nextafter(above, std::numeric_limits<double>::infinity());
        }
    }
    // Powers of two and their neighbours: the significand edges.
    for (int e = -1074; e <= 1023; ++e) {
        const double p = std::ldexp(1.0, e);
        for (double v : {p, std::nextafter(p, 0.0), std::nextafter(p, 2 * p)})
            for (int digits : {17, 12, 6})
                comparison.check(v, digits);
    }
    EXPECT_GT(comparison.checked, 2900000);
    EXPECT_EQ(comparison.wrong, 0);
}

TEST(GeneralDigits, DigitsOutsideOneToSeventeenAreClamped)
{
    EXPECT_EQ(Mine(2.75, 0), Library(2.75, 1));
    EXPECT_EQ(Mine(2.75, -3), "3");
    EXPECT_EQ(Mine(0.1, 40), Library(0.1, 17));
}

}  // namespace
}  // namespace driftline
