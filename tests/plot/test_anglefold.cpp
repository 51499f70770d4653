// Angles across 0 on the plot: Declination and Beta plotted as signed angles, Right ascension
// and Lambda folded only when the list crosses 0. The lists hold the values as derived (0..360);
// only the scales, pixels and texts use the folded value. Area (40, 40, 560, 410).
#include "plot/QuantityText.h"
#include "plot/Viewunit.h"
#include "session/Logsession.h"

#include <gtest/gtest.h>

#include <vector>

namespace driftline {
namespace {

SampleList ListOf(int q, const std::vector<double>& values)
{
    SampleList list;
    for (const double v : values) {
        Sample s;
        s[q] = v;
        list.push_back(s);
    }
    return list;
}

TEST(AngleFold, EachScaleDecidesOverItsOwnList)
{
    struct Case {
        const char* name;
        int q;
        std::vector<double> values;
        bool folded;
        double minimum;
        double maximum;
    };
    const Case cases[] = {
        // A scan at declination about 0: -0.01 .. +0.02, not 0.01 .. 359.99.
        {"declination across 0", Declination, {359.99, 0.01, 0.02, 359.995}, true, 359.99 - 360.0, 0.02},
        {"southern declinations", Declination, {300.0, 310.0}, true, -60.0, -50.0},
        {"northern declinations", Declination, {10.0, 20.0}, true, 10.0, 20.0},
        {"beta across the galactic plane", Beta, {2.0, 358.0}, true, -2.0, 2.0},
        {"right ascension across 0h", RightAscension, {359.0, 0.5, 1.0}, true, -1.0, 1.0},
        // Across 180 the values as they are span less than folded ones would.
        {"right ascension across 12h", RightAscension, {170.0, 190.0}, false, 170.0, 190.0},
        {"right ascension beyond 12h only", RightAscension, {200.0, 300.0}, false, 200.0, 300.0},
        {"lambda across 0", Lambda, {355.0, 5.0}, true, -5.0, 5.0},
        // Azimuth and altitude are never folded.
        {"azimuth across north", Azimuth, {359.0, 1.0}, false, 1.0, 359.0},
    };
    for (const Case& c : cases) {
        TPlotView view;
        view.rescaleAll(ListOf(c.q, c.values), {});
        const AxisScale& s = view.Scale(c.q, false);
        EXPECT_EQ(s.Folded, c.folded) << c.name;
        EXPECT_DOUBLE_EQ(s.Minimum, c.minimum) << c.name;
        EXPECT_DOUBLE_EQ(s.Maximum, c.maximum) << c.name;
        // The ticks are the classic ones over the folded range: inside it, in ascending order.
        EXPECT_GE(s.FirstTick, s.Minimum) << c.name;
        EXPECT_LE(s.LastTick, s.Maximum) << c.name;
    }
}

TEST(AngleFold, PixelsAndTextsUseTheFoldedValue)
{
    // Declination 359.99 (-0.01) .. 0.02: the smallest at the bottom row, the largest at the top,
    // 0 a third of the way up: 410 - trunc(0.01 * 370 / 0.03) = 410 - 123 = 287.
    TPlotView view;
    view.horizontalQuantity = Time;
    view.verticalQuantity = Declination;
    SampleList list = ListOf(Declination, {359.99, 0.0, 0.02});
    view.rescaleAll(list, {});
    PlottedPoints points;
    view.computePlottedPoints(list, false, points);
    EXPECT_EQ(points.pixelY, (std::vector<double>{410, 287, 40}));
    // The plotted values, which saving writes, stay as derived.
    EXPECT_EQ(points.verticalValues, (std::vector<double>{359.99, 0.0, 0.02}));
    // Labels and read-out show signed declinations, not -108 degrees.
    EXPECT_EQ(view.VerticalScale(false).MinimumText(), QuantityText(Declination, -0.01));
    EXPECT_EQ(view.ReadoutTextY(410, false), QuantityText(Declination, -0.01));
    EXPECT_EQ(QuantityText(Declination, -0.01), "-0\xC2\xB0 0' 36\"");
    // A folded right ascension of -0.5 degrees reads as 23h 58m, not as a negative hour.
    EXPECT_EQ(QuantityText(RightAscension, -0.5), QuantityText(RightAscension, 359.5));
    EXPECT_EQ(QuantityText(Lambda, -5.0), QuantityText(Lambda, 355.0));
}

TEST(AngleFold, AZoomCanEndTheCrossing)
{
    // Right ascension 358, 358.5, ... 2 against time: across 0h, folded to -2 .. 2 over the
    // 520 columns, 130 columns a degree. The band over columns 300..560 keeps 0 .. 2 (all below
    // 180), whose scale is then no longer folded.
    SampleList list;
    for (int i = 0; i <= 8; ++i) {
        Sample s;
        s[Time] = i;
        s[RightAscension] = i < 4 ? 358.0 + 0.5 * i : 0.5 * (i - 4);
        list.push_back(s);
    }
    TLogSession session;
    session.setAxes(RightAscension, Time);
    session.adoptSamples(list, list);
    EXPECT_TRUE(session.view().HorizontalScale(false).Folded);
    ASSERT_TRUE(session.dragAcross(300, 560));
    const AxisScale& s = session.view().HorizontalScale(false);
    EXPECT_FALSE(s.Folded);
    EXPECT_EQ(s.Minimum, 0.0);
    EXPECT_EQ(s.Maximum, 2.0);
    EXPECT_EQ(session.store().allSamples().size(), 5u);
}

}  // namespace
}  // namespace driftline
