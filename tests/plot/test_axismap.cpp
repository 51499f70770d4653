// Axis maps: the horizontal axis runs left to right, the vertical one bottom up, and pixel and
// value convert both ways on the same two ends. The area is the design one, (40, 40, 560, 410):
// 520 columns and 370 rows, so a scale of 0..520 (or 0..370) puts value v on offset v exactly.
#include "plot/AxisMap.h"

#include <gtest/gtest.h>

#include <cmath>

namespace driftline {
namespace {

AxisScale Range(double minimum, double maximum)
{
    AxisScale s;
    s.Minimum = minimum;
    s.Maximum = maximum;
    return s;
}

TEST(AxisMap, HorizontalRunsRightAndVerticalRunsUp)
{
    const TAxisMap x = TAxisMap::Horizontal(Range(0.0, 520.0), 40, 560);
    const TAxisMap y = TAxisMap::Vertical(Range(0.0, 370.0), 40, 410);
    struct Case {
        double v;
        int column;  // 40 + v
        int row;     // 410 - v
    };
    const Case cases[] = {
        {0.0, 40, 410},  {370.0, 410, 40}, {100.0, 140, 310}, {99.9, 139, 311},  // 99.9 truncates to 99
        {-0.5, 40, 410},  // the offset truncates toward zero, so just below the minimum stays on the edge
        {-1.5, 39, 411},  // a whole pixel below lands outside the area
    };
    for (const Case& c : cases) {
        EXPECT_EQ(x.toPixel(c.v), c.column) << c.v;
        EXPECT_EQ(y.toPixel(c.v), c.row) << c.v;
    }
    EXPECT_FALSE(x.inverted());
    EXPECT_TRUE(y.inverted());
    EXPECT_EQ(x.length(), 520);
    EXPECT_EQ(y.length(), 370);
}

TEST(AxisMap, ValueAtIsTheInverseOnWholePixels)
{
    // Scale 2..6 over 520 columns and 370 rows: pixel p reads 2 + 4 * offset / length.
    const TAxisMap x = TAxisMap::Horizontal(Range(2.0, 6.0), 40, 560);
    const TAxisMap y = TAxisMap::Vertical(Range(2.0, 6.0), 40, 410);
    EXPECT_EQ(x.valueAt(40), 2.0);
    EXPECT_EQ(x.valueAt(560), 6.0);
    EXPECT_EQ(x.valueAt(300), 4.0);
    EXPECT_EQ(y.valueAt(410), 2.0);
    EXPECT_EQ(y.valueAt(40), 6.0);
    EXPECT_DOUBLE_EQ(y.valueAt(225), 4.0);
    // Values that fall on whole pixels come back to the same pixel (0..520 on 520 columns).
    const TAxisMap exact = TAxisMap::Horizontal(Range(0.0, 520.0), 40, 560);
    for (int px = 40; px <= 560; ++px)
        ASSERT_EQ(exact.toPixel(exact.valueAt(px)), px);
}

TEST(AxisMap, CoversBothEndsOnly)
{
    const TAxisMap x = TAxisMap::Horizontal(Range(0, 1), 40, 560);
    const TAxisMap y = TAxisMap::Vertical(Range(0, 1), 40, 410);
    for (int p : {40, 41, 559, 560})
        EXPECT_TRUE(x.covers(p)) << p;
    for (int p : {39, 561, -1})
        EXPECT_FALSE(x.covers(p)) << p;
    for (int p : {40, 410})
        EXPECT_TRUE(y.covers(p)) << p;
    for (int p : {39, 411})
        EXPECT_FALSE(y.covers(p)) << p;
}

TEST(AxisMap, DegenerateRangesAndAxesStayDefined)
{
    // An empty range puts every value on the first end; an axis without length reads its minimum.
    const TAxisMap flat = TAxisMap::Vertical(Range(3.0, 3.0), 40, 410);
    EXPECT_EQ(flat.toPixel(3.0), 410);
    EXPECT_EQ(flat.toPixel(1e9), 410);
    const TAxisMap point = TAxisMap::Horizontal(Range(2.0, 6.0), 100, 100);
    EXPECT_EQ(point.valueAt(100), 2.0);
    // Far values are held at 2^30 pixels from the end instead of overflowing.
    const TAxisMap tiny = TAxisMap::Vertical(Range(0.0, 1e-300), 40, 410);
    EXPECT_EQ(tiny.toPixel(1.0), 410 - AxisScale::PixelLimit);
    EXPECT_EQ(tiny.toPixel(std::nan("")), 410);
}

}  // namespace
}  // namespace driftline
