// A followed log's lists only grow: widening the scales over the new samples, and extending the
// plotted points, must give what a rescale and a full computation over the whole lists give.
#include "plot/AxisScale.h"
#include "plot/Viewunit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace driftline {
namespace {

// Samples whose values drift and jump, with the occasional value far outside (beyond the pixel
// limit once scaled), a -0.0 and repeated extremes.
SampleList Samples(std::size_t n, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> step(-1.0, 1.5);
    SampleList list(n);
    double base = 100.0;
    for (std::size_t i = 0; i < n; ++i) {
        base += step(random);
        for (int q = 0; q < QuantityCount; ++q)
            list[i][q] = base * (q + 1) + (i % 17 == 0 ? 40.0 : 0.0);
        if (i % 97 == 50)
            list[i][Volts] = 1e12;
        if (i == 3)
            list[i][Altitude] = -0.0;
    }
    return list;
}

bool SameScale(const AxisScale& a, const AxisScale& b)
{
    return std::memcmp(&a.Minimum, &b.Minimum, sizeof(double)) == 0 &&
           std::memcmp(&a.Maximum, &b.Maximum, sizeof(double)) == 0 && a.FirstTick == b.FirstTick &&
           a.LastTick == b.LastTick && a.TickStep == b.TickStep;
}

TEST(FollowView, GrownScalesAndExtendedPointsEqualAWholeComputation)
{
    struct Case {
        const char* name;
        std::size_t total;
        std::size_t before;       // samples there were at the last rescale
        std::size_t voltsBefore;  // the same for the voltage list (every third sample)
        Quantity h, v;
    };
    const Case cases[] = {
        {"empty before", 400, 0, 0, Time, Azimuth},       {"one before", 400, 1, 0, Time, Volts},
        {"half before", 400, 200, 60, Azimuth, Altitude}, {"one new", 400, 399, 133, Volts, Time},
        {"nothing new", 400, 400, 134, Altitude, Volts},
    };
    for (const auto& c : cases) {
        const SampleList all = Samples(c.total, 7);
        SampleList volts;
        for (std::size_t i = 0; i < all.size(); i += 3)
            volts.push_back(all[i]);
        const SampleList allBefore(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(c.before));
        const SampleList voltsBefore(volts.begin(), volts.begin() + static_cast<std::ptrdiff_t>(c.voltsBefore));

        TPlotView view;
        view.horizontalQuantity = c.h;
        view.verticalQuantity = c.v;
        view.rescaleAll(allBefore, voltsBefore);
        PlottedPoints points;
        view.computePlottedPoints(allBefore, false, points);
        const AxisScale h0 = view.HorizontalScale(false);
        const AxisScale v0 = view.VerticalScale(false);

        const AxisScales beforeGrowth = view.axisScales;
        const bool changed = growScales(view.axisScales, all, c.before, volts, c.voltsBefore);
        TPlotView whole = view;
        whole.rescaleAll(all, volts);
        bool wholeDiffers = false;
        for (std::size_t k = 0; k < whole.axisScales.size(); ++k) {
            EXPECT_TRUE(SameScale(view.axisScales[k], whole.axisScales[k])) << c.name << " scale " << k;
            wholeDiffers = wholeDiffers || !SameScale(beforeGrowth[k], whole.axisScales[k]);
        }
        // "Changed" exactly when a rescale over everything differs from the scales before.
        EXPECT_EQ(changed, wholeDiffers) << c.name;

        view.extendPlottedPoints(
            all, false, points,
            h0.Minimum != view.HorizontalScale(false).Minimum || h0.Maximum != view.HorizontalScale(false).Maximum,
            v0.Minimum != view.VerticalScale(false).Minimum || v0.Maximum != view.VerticalScale(false).Maximum);
        PlottedPoints expected;
        whole.computePlottedPoints(all, false, expected);
        EXPECT_EQ(points.horizontalValues, expected.horizontalValues) << c.name;
        EXPECT_EQ(points.verticalValues, expected.verticalValues) << c.name;
        EXPECT_EQ(points.pixelX, expected.pixelX) << c.name;
        EXPECT_EQ(points.pixelY, expected.pixelY) << c.name;
    }
}

TEST(FollowView, ExtendedPixelsKeepTheEdgesOfThePixelArithmetic)
{
    // A scale with no range gives offset 0; NaN gives 0; values far outside are held at 2^30.
    TPlotView view;
    view.horizontalQuantity = Volts;
    view.verticalQuantity = Time;
    SampleList list(4);
    list[0][Volts] = 5.0;
    list[1][Volts] = std::numeric_limits<double>::quiet_NaN();
    list[2][Volts] = 1e300;
    list[3][Volts] = -1e300;
    for (auto& s : list)
        s[Time] = 2.0;
    PlottedPoints points;
    view.computePlottedPoints(list, false, points);  // initial scales 0..1
    view.axisScales[ScaleIndex(Time, false)].Minimum = view.axisScales[ScaleIndex(Time, false)].Maximum = 2.0;
    view.axisScales[ScaleIndex(Volts, false)].Minimum = 0.0;
    view.axisScales[ScaleIndex(Volts, false)].Maximum = 10.0;
    view.extendPlottedPoints(list, false, points, true, true);
    const double area = view.Area.Width();
    const std::vector<double> x = {40 + std::trunc(5.0 * area / 10.0), 40, 40 + 1073741824.0, 40 - 1073741824.0};
    EXPECT_EQ(points.pixelX, x);
    EXPECT_EQ(points.pixelY, std::vector<double>(4, 410));
}

}  // namespace
}  // namespace driftline

namespace driftline {
namespace {

// Angles a scale may fold across 0 (declination and beta always, right ascension and lambda when
// that is narrower): grown in two steps they must come out as one rescale of the whole list,
// whether the new samples stay inside the range, widen it, or make the folded representation the
// narrower one.
TEST(FollowView, FoldedAngleScalesGrowAsAWholeRescale)
{
    struct Case {
        const char* name;
        std::vector<double> before;
        std::vector<double> after;
    };
    const Case cases[] = {
        {"inside, plain", {100, 150, 120}, {110, 149}},     {"widens, plain", {100, 150}, {170, 95}},
        {"inside, folded", {350, 355, 5, 10}, {359, 0, 2}}, {"widens, folded", {350, 5}, {340, 20}},
        {"crosses 0 later", {5, 10, 20}, {355, 350}},       {"crosses 180 later", {170, 175}, {185, 190}},
        {"all above 180", {200, 210}, {220, 190}},          {"nothing before", {}, {359, 1}},
    };
    for (const auto& c : cases) {
        SampleList list;
        auto add = [&list](double v) {
            Sample s;
            for (int q = 0; q < QuantityCount; ++q)
                s[q] = v;
            list.push_back(s);
        };
        for (double v : c.before)
            add(v);
        AxisScales grown = InitialAxisScales();
        const std::size_t from = list.size();
        if (from != 0)
            rescaleAll(grown, list, list);
        for (double v : c.after)
            add(v);
        growScales(grown, list, from, list, from);
        AxisScales whole = InitialAxisScales();
        rescaleAll(whole, list, list);
        for (std::size_t k = 0; k < whole.size(); ++k) {
            EXPECT_TRUE(SameScale(grown[k], whole[k])) << c.name << " scale " << k;
            EXPECT_EQ(grown[k].Folded, whole[k].Folded) << c.name << " scale " << k;
        }
    }
}

}  // namespace
}  // namespace driftline
