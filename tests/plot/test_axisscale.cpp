// Axis scales: ranges, grid steps, value-to-pixel mapping and the first-of-equals extremes.
#include "plot/AxisScale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <vector>

namespace driftline {
namespace {

// A list whose quantity q takes the given values in order (other quantities 0).
SampleList ListOf(int q, std::initializer_list<double> values)
{
    SampleList list;
    for (const double v : values) {
        Sample s;
        s[q] = v;
        list.push_back(s);
    }
    return list;
}

AxisScale RescaledOver(int q, std::initializer_list<double> values)
{
    AxisScale r;
    r.Quantity = q;
    Rescale(r, ListOf(q, values), {});
    return r;
}

// Grid steps chosen by the data range: the smallest candidate that gives fewer than 20 steps.
TEST(AxisScale, RescaleChoosesTheGridStep)
{
    // 0.74 V: 0.02 would give 37 steps, 0.05 gives 14.8; the grid runs from the first multiple of
    // 0.05 at or above 0.13 to the last at or below 0.87.
    const AxisScale volts = RescaledOver(Volts, {0.5, 0.13, 0.87, 0.2});
    EXPECT_EQ(volts.Minimum, 0.13);
    EXPECT_EQ(volts.Maximum, 0.87);
    EXPECT_EQ(volts.TickStep, 0.05);
    EXPECT_NEAR(volts.FirstTick, 0.15, 1e-12);
    EXPECT_NEAR(volts.LastTick, 0.85, 1e-12);

    // Two hours of Time: 5 min gives 24 steps, 10 min gives 12.
    const double start = 40310.0 + 7.3 / 24;
    const double end = start + 2.0 / 24;
    const AxisScale time = RescaledOver(Time, {start, end});
    EXPECT_EQ(time.TickStep, 600.0 / 86400);
    EXPECT_GE(time.FirstTick, start - 1e-9);
    EXPECT_LT(time.FirstTick, start + 600.0 / 86400);
    EXPECT_LE(time.LastTick, end + 1e-9);
    EXPECT_GT(time.LastTick, end - 600.0 / 86400);

    // Half a degree of altitude: 1' gives 30 steps, 5' gives 6. 10.2 * 12 = 122.4 -> 123 / 12 and
    // 10.7 * 12 = 128.4 -> 128 / 12.
    const AxisScale angle = RescaledOver(Altitude, {10.2, 10.7});
    EXPECT_EQ(angle.TickStep, 5.0 / 60);
    EXPECT_NEAR(angle.FirstTick, 123.0 / 12, 1e-12);
    EXPECT_NEAR(angle.LastTick, 128.0 / 12, 1e-12);
}

TEST(AxisScale, RightAscensionUsesTimeStepsAndTwentiethsBeyondThem)
{
    // Right ascension is in degrees but takes the time table, whose largest entry is 1: a range
    // of 19.5 still takes 1 (19.5 steps); 20 or more finds no candidate and is cut in twentieths
    // running from Minimum to Maximum.
    const AxisScale below = RescaledOver(RightAscension, {100.5, 120.0});
    EXPECT_EQ(below.TickStep, 1.0);
    EXPECT_EQ(below.FirstTick, 101.0);
    EXPECT_EQ(below.LastTick, 120.0);

    const AxisScale exactly = RescaledOver(RightAscension, {100.5, 120.5});
    EXPECT_EQ(exactly.TickStep, 1.0);  // 20 / 20
    EXPECT_EQ(exactly.FirstTick, 100.5);
    EXPECT_EQ(exactly.LastTick, 120.5);

    const AxisScale wide = RescaledOver(RightAscension, {10.0, 40.0});
    EXPECT_EQ(wide.TickStep, 1.5);
    EXPECT_EQ(wide.FirstTick, 10.0);
    EXPECT_EQ(wide.LastTick, 40.0);

    // Azimuth of the same 30 degrees has its own candidates: 5 degrees (6 steps).
    EXPECT_EQ(RescaledOver(Azimuth, {10.0, 40.0}).TickStep, 5.0);
}

TEST(AxisScale, EqualValuesTakeTheSmallestCandidateAndLeaveNoGrid)
{
    struct Case {
        int q;
        double smallest;
    };
    for (const Case c : {Case{Volts, 0.01}, Case{Time, 1.0 / 86400}, Case{Declination, 1.0 / 3600}}) {
        const AxisScale r = RescaledOver(c.q, {0.5, 0.5, 0.5});
        EXPECT_EQ(r.TickStep, c.smallest) << "quantity " << c.q;
        EXPECT_EQ(r.Minimum, r.Maximum);
        EXPECT_GE(r.FirstTick, r.LastTick) << "a grid value would lie below LastTick";
    }
}

TEST(AxisScale, EmptyListKeepsTheRangeAndPositiveOnlyReadsTheVoltageList)
{
    AxisScale r;
    r.Quantity = Azimuth;
    r.Minimum = 3.0;
    r.Maximum = 7.0;
    Rescale(r, {}, {});
    EXPECT_EQ(r.Minimum, 3.0);
    EXPECT_EQ(r.Maximum, 7.0);
    EXPECT_EQ(r.TickStep, 0.5);  // 4 degrees: 10' gives 24 steps, 30' gives 8

    // A positive-only record ignores allSamples and keeps its range over an empty voltage list.
    AxisScale v;
    v.Quantity = Volts;
    v.PositiveOnly = true;
    Rescale(v, ListOf(Volts, {5.0, 9.0}), {});
    EXPECT_EQ(v.Minimum, 0.0);
    EXPECT_EQ(v.Maximum, 1.0);
    Rescale(v, ListOf(Volts, {5.0, 9.0}), ListOf(Volts, {0.25, 0.75}));
    EXPECT_EQ(v.Minimum, 0.25);
    EXPECT_EQ(v.Maximum, 0.75);
}

TEST(AxisScale, InitialScalesAreTheRescaleOfEmptyLists)
{
    // Range 0 to 1: the time table's first step above 1/20 day is 5 h, the angle table's is 5',
    // the volt table's is 0.1 (0.05 * 20 is not above 1).
    const AxisScales scales = InitialAxisScales();
    for (std::size_t k = 0; k < scales.size(); ++k) {
        const AxisScale& r = scales[k];
        EXPECT_EQ(r.Quantity, static_cast<int>(k % 8)) << k;
        EXPECT_EQ(r.PositiveOnly, k >= 8) << k;
        EXPECT_EQ(r.Minimum, 0.0) << k;
        EXPECT_EQ(r.Maximum, 1.0) << k;
        const double expected = (r.Quantity == Time || r.Quantity == RightAscension) ? 5.0 / 24
                                : r.Quantity == Volts                                ? 0.1
                                                                                     : 5.0 / 60;
        EXPECT_EQ(r.TickStep, expected) << k;
        EXPECT_EQ(r.FirstTick, 0.0) << k;
        EXPECT_LE(r.LastTick, 1.0) << k;
    }
    EXPECT_EQ(ScaleIndex(Volts, true), 15u);
    EXPECT_EQ(ScaleIndex(Time, false), 0u);
}

TEST(AxisScale, ToPixelTruncatesTowardZeroAndIsZeroForAnEmptyRange)
{
    AxisScale r;
    r.Minimum = 0.0;
    r.Maximum = 10.0;
    struct Case {
        double v;
        int n;
        int pixel;
    };
    const Case cases[] = {
        {0.0, 520, 0},     {10.0, 520, 520}, {5.0, 520, 260}, {2.56, 100, 25},  // 25.6 -> 25
        {-0.5, 10, 0},                        // -0.5 truncates toward zero, not down to -1
        {-2.56, 100, -25}, {12.0, 100, 120},  // outside the range maps outside the axis
    };
    for (const Case& c : cases)
        EXPECT_EQ(r.ToPixel(c.v, c.n), c.pixel) << c.v << " on " << c.n;

    r.Maximum = r.Minimum = 4.0;
    EXPECT_EQ(r.ToPixel(4.0, 520), 0);
    EXPECT_EQ(r.ToPixel(-1e9, 520), 0);

    // A tiny range with a far value: held at the limit rather than overflowing the integer.
    r.Minimum = 0.0;
    r.Maximum = 1e-300;
    EXPECT_EQ(r.ToPixel(1.0, 520), AxisScale::PixelLimit);
    EXPECT_EQ(r.ToPixel(-1.0, 520), -AxisScale::PixelLimit);
    EXPECT_EQ(r.ToPixel(std::nan(""), 520), 0);

    r.Minimum = 2.0;
    r.Maximum = 6.0;
    EXPECT_EQ(r.ValueAt(0.0), 2.0);
    EXPECT_EQ(r.ValueAt(0.25), 3.0);
    EXPECT_EQ(r.ValueAt(1.0), 6.0);
}

// The limits report and the scales both rely on the first sample that holds an extreme. The
// lists are read two at a time by the search; a tie inside one pair must still give the earlier
// sample, which a pair search that takes "the other one" when the two are equal gets wrong.
TEST(AxisScale, ExtremesKeepTheFirstOfEqualSamples)
{
    struct Case {
        const char* name;
        std::vector<double> values;
        std::size_t minimum;
        std::size_t maximum;
    };
    const Case cases[] = {
        {"single sample", {4.0}, 0, 0},
        {"all equal", {3.0, 3.0, 3.0}, 0, 0},
        {"equal minimum inside the second pair", {5.0, 7.0, 2.0, 2.0}, 2, 1},
        {"equal maximum inside the second pair", {5.0, 1.0, 8.0, 8.0}, 1, 2},
        {"equal maximum across pairs", {2.0, 1.0, 1.0, 5.0, 5.0}, 1, 3},
        {"odd last sample equal to the minimum", {4.0, 9.0, 4.0}, 0, 1},
        {"later strictly smaller wins", {4.0, 9.0, 3.0, 9.5, 3.0}, 2, 3},
    };
    for (const Case& c : cases) {
        SampleList list;
        for (const double v : c.values) {
            Sample s;
            s[Beta] = v;
            s[Volts] = v;
            list.push_back(s);
        }
        const ExtremeIndex one = FindExtremes(list, Volts);
        EXPECT_EQ(one.minimum, c.minimum) << c.name;
        EXPECT_EQ(one.maximum, c.maximum) << c.name;
        const auto all = FindAllExtremes(list);
        EXPECT_EQ(all[Beta].minimum, c.minimum) << c.name;
        EXPECT_EQ(all[Beta].maximum, c.maximum) << c.name;
        EXPECT_EQ(all[Volts].maximum, c.maximum) << c.name;
    }
}

TEST(AxisScale, RescaleAllTakesTheValueOfTheFirstEqualSample)
{
    // +0 and -0 compare equal, so only the tie-break decides which one becomes the range's end.
    AxisScales scales = InitialAxisScales();
    rescaleAll(scales, ListOf(Volts, {0.0, -0.0, 1.0}), ListOf(Volts, {-0.0, 0.0, 1.0}));
    EXPECT_FALSE(std::signbit(scales[ScaleIndex(Volts, false)].Minimum));
    EXPECT_TRUE(std::signbit(scales[ScaleIndex(Volts, true)].Minimum));

    // Every record of the sixteen gets its own quantity's range from its own list.
    SampleList all;
    SampleList volts;
    for (int i = 0; i < 5; ++i) {
        Sample s;
        for (int q = 0; q < QuantityCount; ++q)
            s[q] = q * 20.0 + i;  // quantity q spans q*20 .. q*20 + 4 (below 180: no angle folds)
        all.push_back(s);
        if (i >= 2)
            volts.push_back(s);  // spans q*20 + 2 .. q*20 + 4
    }
    rescaleAll(scales, all, volts);
    for (int q = 0; q < QuantityCount; ++q) {
        EXPECT_EQ(scales[ScaleIndex(q, false)].Minimum, q * 20.0) << q;
        EXPECT_EQ(scales[ScaleIndex(q, false)].Maximum, q * 20.0 + 4) << q;
        EXPECT_EQ(scales[ScaleIndex(q, true)].Minimum, q * 20.0 + 2) << q;
        EXPECT_EQ(scales[ScaleIndex(q, true)].Maximum, q * 20.0 + 4) << q;
    }
}

}  // namespace
}  // namespace driftline
