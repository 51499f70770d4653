// The inline remainder and rounding of the derivation against the library calls they stand in for.
#include "astro/AstroConstants.h"
#include "astro/Exactround.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace driftline {
namespace {

bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

// x and its neighbours one and two units in the last place either side.
void AddWithNeighbours(std::vector<double>& out, double x)
{
    double below = x, above = x;
    out.push_back(x);
    for (int i = 0; i < 2; ++i) {
        below = std::nextafter(below, -std::numeric_limits<double>::infinity());
        above = std::nextafter(above, std::numeric_limits<double>::infinity());
        out.push_back(below);
        out.push_back(above);
    }
}

TEST(ExactRemainder, MatchesFmodAtEveryPeriodBoundaryAndBetween)
{
    const double inf = std::numeric_limits<double>::infinity();
    for (const double period : {24.0, TwoPi, 360.0}) {
        std::vector<double> xs;
        // Whole and half periods from below zero to past the inline range (four periods), where
        // a subtraction that is not exact or a wrong count of periods would show first.
        for (int k = -2; k <= 10; ++k) {
            AddWithNeighbours(xs, k * period);
            AddWithNeighbours(xs, (k + 0.5) * period);
        }
        for (const double x : {0.0, -0.0, inf, -inf, std::numeric_limits<double>::quiet_NaN(), 1e-300, 1e300})
            xs.push_back(x);
        std::mt19937_64 random(7);
        std::uniform_real_distribution<double> spread(-period, 6.0 * period);
        for (int i = 0; i < 200000; ++i)
            xs.push_back(spread(random));
        for (const double x : xs)
            ASSERT_TRUE(SameBits(RemainderOfPeriods(x, period), std::fmod(x, period)))
                << "fmod(" << x << ", " << period << ")";
    }
}

TEST(ExactRounding, MatchesLlroundOnHalvesAndTheirNeighbours)
{
    std::vector<double> xs;
    for (const double x : {0.0, 0.5, 1.0, 1.5, 2.5, 86399999.5, 86400000.0, 4503599627370495.5})
        AddWithNeighbours(xs, x);
    // The largest double below a half, which x + 0.5 would round up to 1.
    xs.push_back(0.49999999999999994);
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> day(0.0, 86400000.0);
    for (int i = 0; i < 200000; ++i) {
        const double x = day(random);
        xs.push_back(x);
        xs.push_back(std::floor(x) + 0.5);
    }
    for (const double x : xs) {
        if (x < 0.0)
            continue;
        ASSERT_EQ(RoundNonNegative(x), std::llround(x)) << x;
    }
}

}  // namespace
}  // namespace driftline
