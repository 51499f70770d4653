// The read-out of the sample under the mouse: the plotted point nearest to a pixel, checked
// against a plain search over every point, and the texts of the sample's values.
#include "plot/Nearestpoint.h"
#include "plot/Samplereadout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace driftline {
namespace {

PlottedPoints Pixels(const std::vector<std::pair<int, int>>& xy)
{
    PlottedPoints p;
    for (const auto& [x, y] : xy) {
        p.pixelX.push_back(x);
        p.pixelY.push_back(y);
        p.horizontalValues.push_back(0.0);
        p.verticalValues.push_back(0.0);
    }
    return p;
}

// Every point looked at: the smallest squared distance, the earliest of equals.
std::size_t BruteNearest(const PlottedPoints& p, int x, int y)
{
    std::size_t best = 0;
    std::int64_t bestD = std::numeric_limits<std::int64_t>::max();
    for (std::size_t i = 0; i < p.size(); ++i) {
        const std::int64_t dx = static_cast<std::int64_t>(p.pixelX[i]) - x;
        const std::int64_t dy = static_cast<std::int64_t>(p.pixelY[i]) - y;
        if (dx * dx + dy * dy < bestD) {
            bestD = dx * dx + dy * dy;
            best = i;
        }
    }
    return best;
}

TEST(NearestPoints, HandPickedCasesAndTies)
{
    // Points 0..4; 3 repeats 1's pixel, so 1 (earlier) must win there.
    const PlottedPoints p = Pixels({{100, 100}, {200, 150}, {300, 100}, {200, 150}, {200, 400}});
    const TNearestPoints index(p);
    struct Case {
        int x, y;
        std::size_t expected;
        const char* why;
    };
    const Case cases[] = {
        {100, 100, 0, "on a point"},
        {200, 150, 1, "on a repeated pixel: the earlier point"},
        {250, 125, 1, "halfway between 1 and 2 (both 25^2 + 25^2 away): the earlier"},
        {251, 125, 2, "one pixel nearer to 2"},
        {200, 300, 4, "straight down the column"},
        {-5000, 100, 0, "far left of every column"},
        {9000, 90, 2, "far right of every column"},
        {200, 60, 1, "above column 200: 90 from its top, 100^2 + 40^2 from 0 and 2"},
        {200, -70000, 0, "far above: 0 (dx 100, dy 70100) beats 1 (dy 70150)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(index.nearest(c.x, c.y), c.expected) << c.why;
    EXPECT_FALSE(TNearestPoints().nearest(0, 0).has_value());
    EXPECT_FALSE(TNearestPoints(PlottedPoints{}).nearest(10, 10).has_value());
}

TEST(NearestPoints, AgreesWithSearchingEveryPoint)
{
    // A noisy scan in the design area, a parked dish hopping across it, and pixels far apart
    // (beyond the counting sort's span): the index must give what looking at every point gives.
    std::mt19937 random(7);
    std::uniform_int_distribution<int> column(40, 560), row(40, 410), noise(-6, 6), far(-3000000, 3000000);
    std::vector<std::pair<int, int>> scan, hopping, spread;
    for (int i = 0; i < 4000; ++i) {
        scan.push_back({40 + i * 520 / 4000, 300 + noise(random)});
        hopping.push_back({column(random), row(random)});
    }
    for (int i = 0; i < 300; ++i)
        spread.push_back({far(random), far(random)});
    for (const auto* points : {&scan, &hopping, &spread}) {
        const PlottedPoints p = Pixels(*points);
        const TNearestPoints index(p);
        for (int q = 0; q < 500; ++q) {
            const int x = points == &spread ? far(random) : column(random) + noise(random) * 20;
            const int y = points == &spread ? far(random) : row(random) + noise(random) * 20;
            const auto k = index.nearest(x, y);
            ASSERT_TRUE(k.has_value());
            ASSERT_EQ(*k, BruteNearest(p, x, y)) << "query " << x << ", " << y;
        }
    }
}

TEST(SampleReadout, TheTimeCarriesItsDate)
{
    // 40373.9 days after 1899-12-30 is 2010-07-14 21:36:00 (40373 days reach 2010-07-14; 0.9
    // of a day is 21.6 hours).
    EXPECT_EQ(DateTimeText(40373.9), "2010-07-14 21:36:00");
    EXPECT_EQ(DateTimeText(0.0), "1899-12-30 00:00:00");
    // 23:59:59.9996 rounds to the next day's midnight, date and time together.
    EXPECT_EQ(DateTimeText(40373.0 + (86399.9996 / 86400.0)), "2010-07-15 00:00:00");
    EXPECT_EQ(ReadoutValueText(Time, 40373.9), "2010-07-14 21:36:00");

    Sample s;
    s[Time] = 40373.9;
    s[Volts] = 1.25;
    s[Declination] = 359.5;  // held as 360 + d: shows as -0.5 degrees
    const std::vector<std::string> lines = SampleReadoutLines(s);
    ASSERT_EQ(lines.size(), std::size_t{QuantityCount});
    EXPECT_EQ(lines[Time], "Time 2010-07-14 21:36:00");
    EXPECT_EQ(lines[Volts], "Volts 1.250");
    EXPECT_EQ(lines[Declination].rfind("Declination -0", 0), 0u) << lines[Declination];
}

}  // namespace
}  // namespace driftline
