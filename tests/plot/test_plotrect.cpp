// Plot area rectangle and clipping of segments against it. The area throughout is the one the
// window uses at its design size: 600 x 450 control, inset 40, i.e. (40, 40, 560, 410).
#include "plot/PlotRect.h"

#include <gtest/gtest.h>

#include <vector>

namespace driftline {
namespace {

const PlotRect kArea(40, 40, 560, 410);

TEST(PlotRect, CornersAreNormalisedAndEdgesBelongToTheArea)
{
    const PlotRect r(560, 410, 40, 40);
    EXPECT_EQ(r, kArea);
    EXPECT_EQ(PlotRect(40, 410, 560, 40), kArea);
    EXPECT_EQ(r.Width(), 520);
    EXPECT_EQ(r.Height(), 370);

    struct Case {
        PlotPoint p;
        bool inside;
    };
    const Case cases[] = {
        {{40, 40}, true},   {{560, 410}, true},  {{40, 410}, true},  {{560, 40}, true},   {{300, 200}, true},
        {{39, 200}, false}, {{561, 200}, false}, {{300, 39}, false}, {{300, 411}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kArea.Contains(c.p), c.inside) << c.p.x << "," << c.p.y;
}

// Every crossing below was worked out by hand from the segment's line through both ends; the
// comment of each row gives the arithmetic.
struct ClipCase {
    const char* name;
    PlotPoint p0;
    PlotPoint p1;
    std::vector<PlotPoint> expected;
};

const ClipCase kClipCases[] = {
    // Horizontal, y = 100: only the right edge x = 560 lies between 100 and 700.
    {"inside to outside, horizontal", {100, 100}, {700, 100}, {{560, 100}}},
    // Slope 1/2 from (500, 300): at x = 560 the line is 30 lower, y = 330.
    {"inside to outside, sloped", {500, 300}, {620, 360}, {{560, 330}}},
    // From (100, 100) to (0, 133): at x = 40, 60 % of the way, y = 100 + 0.6 * 33 = 119.8 -> 119.
    {"crossing truncated toward zero", {100, 100}, {0, 133}, {{40, 119}}},
    // Vertical line x = 300 entering through the top edge.
    {"outside to inside, vertical", {300, 0}, {300, 200}, {{300, 40}}},
    // Diagonal of the whole control, y = 0.75 x: at x = 40 y = 30 and at x = 560 y = 420 lie off the
    // side edges; at y = 40 x = 53.33 -> 53, at y = 410 x = 546.67 -> 546.
    {"both outside, through the area", {0, 0}, {600, 450}, {{53, 40}, {546, 410}}},
    // Steep line x = y / 15 stays left of the area: at y = 40 x = 2.67, at y = 410 x = 27.33.
    {"missing the area", {0, 0}, {30, 450}, {}},
    // Crosses y = 410 at x = 21 (10 + 20 * 110 / 200), left of the area: no crossing.
    {"bottom edge's line left of the area", {10, 300}, {30, 500}, {}},
    // Crosses y = 410 at x = 591 (580 + 20 * 110 / 200), right of the area: no crossing.
    {"bottom edge's line right of the area", {580, 300}, {600, 500}, {}},
    // The same slope through the bottom edge itself: x = 300 + 20 * 110 / 200 = 311.
    {"bottom edge inside the area", {300, 300}, {320, 500}, {{311, 410}}},
    // y = x through the top-left corner: found on the left edge and again on the top edge.
    {"corner found twice", {20, 20}, {60, 60}, {{40, 40}, {40, 40}}},
    // y = 600 - x meets x = 560 at y = 40 (the top-right corner, found on the right and the top
    // edge) and y = 410 at x = 190.
    {"corner and bottom edge", {600, 0}, {150, 450}, {{560, 40}, {560, 40}, {190, 410}}},
    // Segment lying on the top edge's line: every edge test it meets is included.
    {"along the top edge", {0, 40}, {600, 40}, {{40, 40}, {560, 40}}},
    // A segment ending on the left edge from outside.
    {"ends on the left edge", {0, 200}, {40, 200}, {{40, 200}}},
    // Far points: the products exceed 32 bits and must not wrap (y = 200 throughout).
    {"far ends do not overflow", {-1000000000, 200}, {1000000000, 200}, {{40, 200}, {560, 200}}},
};

TEST(PlotRect, ClipPointsFindsTheHandComputedCrossings)
{
    for (const ClipCase& c : kClipCases) {
        const ClipList got = ClipPoints(kArea, c.p0, c.p1);
        ASSERT_EQ(got.size(), c.expected.size()) << c.name;
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].x, c.expected[i].x) << c.name << " crossing " << i;
            EXPECT_EQ(got[i].y, c.expected[i].y) << c.name << " crossing " << i;
        }
    }
}

TEST(PlotRect, LineToDrawsOnlyThePieceInsideTheArea)
{
    struct Case {
        const char* name;
        PlotPoint from;
        PlotPoint to;
        bool drawn;
        PlotPoint drawFrom;
        PlotPoint drawTo;
    };
    const Case cases[] = {
        {"both inside", {100, 100}, {200, 300}, true, {100, 100}, {200, 300}},
        {"inside to outside ends at the crossing", {500, 300}, {620, 360}, true, {500, 300}, {560, 330}},
        {"outside to inside starts at the crossing", {300, 0}, {300, 200}, true, {300, 40}, {300, 200}},
        {"both outside through the area", {0, 0}, {600, 450}, true, {53, 40}, {546, 410}},
        {"both outside missing the area", {0, 0}, {30, 450}, false, {}, {}},
        {"both outside along the bottom edge's line", {10, 300}, {30, 500}, false, {}, {}},
    };
    for (const Case& c : cases) {
        const auto piece = LineToSegment(kArea, c.from, c.to);
        ASSERT_EQ(piece.has_value(), c.drawn) << c.name;
        if (piece) {
            EXPECT_EQ(piece->from, c.drawFrom) << c.name;
            EXPECT_EQ(piece->to, c.drawTo) << c.name;
        }
    }
}

}  // namespace
}  // namespace driftline
