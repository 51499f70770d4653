// The fit command's core: coefficient list kept between fits, result lines, curve and marker.
#include "analysis/Fitunit.h"
#include "analysis/FitRecorder.h"

#include <gtest/gtest.h>
#include <vector>

namespace driftline {
namespace {

using testing::FitMessageRecorder;
using Doubles = std::vector<double>;

PlottedPoints Pixels(Doubles x, Doubles y)
{
    PlottedPoints p;
    p.horizontalValues = x;
    p.verticalValues = y;
    p.pixelX = std::move(x);
    p.pixelY = std::move(y);
    return p;
}

TEST(ResizeFitCoefficients, KeepsExtendsWithZerosAndCuts)
{
    Doubles c = {1.5, -2.0, 3.0};
    ResizeFitCoefficients(c, 5);
    EXPECT_EQ(c, (Doubles{1.5, -2.0, 3.0, 0.0, 0.0}));
    ResizeFitCoefficients(c, 2);
    EXPECT_EQ(c, (Doubles{1.5, -2.0}));
}

TEST(FitMemoLines, CorrelationThenOneLinePerCoefficient)
{
    EXPECT_EQ(FitMemoLines(0.987654321, {312.457, -0.01234567, 0.000012345, 1234567.0, 150.0}),
              (std::vector<std::string>{"Corr coeff = 0.98765", "a0 = 312.457", "a1 = -0.0123457", "a2 = 1.2345E-5",
                                        "a3 = 1.23457E6", "a4 = 150"}));
    EXPECT_EQ(FitMemoLines(-1.0, {}), (std::vector<std::string>{"Corr coeff = -1.00000"}));
    EXPECT_EQ(FitMemoLines(0.000004, {0.0}), (std::vector<std::string>{"Corr coeff = 0", "a0 = 0"}));
}

TEST(RunFit, FailingFitListsKeptCoefficientsExtendedWithZeros)
{
    // Three coefficients from an earlier fit, five asked for, one point on screen.
    FitMessageRecorder recorder;
    Doubles kept = {100.0, -0.5, 0.25};
    const auto outcome = RunFit(Pixels({300}, {200}), 5, kept);
    EXPECT_EQ(outcome.correlation, -1.0);
    EXPECT_EQ(kept, (Doubles{100.0, -0.5, 0.25, 0.0, 0.0}));
    EXPECT_EQ(outcome.memoLines, (std::vector<std::string>{"Corr coeff = -1.00000", "a0 = 100", "a1 = -0.5",
                                                           "a2 = 0.25", "a3 = 0", "a4 = 0"}));
    ASSERT_EQ(recorder.shown.size(), 1u);
    EXPECT_EQ(recorder.shown[0].text, "PolyFit called with less than two points");
    // The curve is still drawn from the coefficients as they stand: 100 - 150 + 22500.
    ASSERT_EQ(outcome.fittedY.size(), 1u);
    EXPECT_EQ(outcome.fittedY[0], 22450.0);
    ASSERT_EQ(outcome.curve.path.size(), 1u);
    EXPECT_EQ(outcome.curve.path[0], (PlotPoint{300, 22450}));
}

TEST(RunFit, NoPointsDrawsNothing)
{
    FitMessageRecorder recorder;
    Doubles kept;
    const auto outcome = RunFit(PlottedPoints{}, 4, kept);
    EXPECT_EQ(outcome.correlation, -1.0);
    EXPECT_EQ(kept, (Doubles{0, 0, 0, 0}));
    EXPECT_EQ(outcome.memoLines.size(), 5u);
    EXPECT_TRUE(outcome.curve.path.empty());
    EXPECT_FALSE(outcome.curve.hasMarker);
    EXPECT_EQ(recorder.shown.size(), 1u);
}

TEST(RunFit, OneCoefficientIsTheMeanWithAFlatMarkerInTheMiddle)
{
    // Mean pixel y of 100, 110, 130, 120, 90 is 110; the curve is flat, so the run of its highest
    // points is the whole list and the marker of zero height stands at the middle sample.
    Doubles kept;
    const auto outcome = RunFit(Pixels({50, 60, 70, 80, 90}, {100, 110, 130, 120, 90}), 1, kept);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_NEAR(kept[0], 110.0, 1e-12);
    EXPECT_EQ(outcome.memoLines, (std::vector<std::string>{outcome.memoLines[0], "a0 = 110"}));
    ASSERT_TRUE(outcome.curve.hasMarker);
    EXPECT_EQ(outcome.curve.markerTop.x, 70);
    EXPECT_EQ(outcome.curve.markerTop, outcome.curve.markerBottom);
}

TEST(RunFit, HumpPutsTheMarkerAtTheHighestPointOnScreen)
{
    // A hump on screen (pixel y grows downwards): y = 0.01 (x - 150)^2 + 100 for x = 100..200.
    Doubles x, y;
    for (int px = 100; px <= 200; px += 5) {
        x.push_back(px);
        y.push_back(0.01 * (px - 150) * (px - 150) + 100);
    }
    Doubles kept;
    const auto outcome = RunFit(Pixels(x, y), 3, kept);
    EXPECT_NEAR(outcome.correlation, 1.0, 1e-6);
    EXPECT_NEAR(kept[2], 0.01, 1e-9);
    ASSERT_TRUE(outcome.curve.hasMarker);
    EXPECT_EQ(outcome.curve.markerTop.x, 150);
    EXPECT_NEAR(outcome.curve.markerTop.y, 100, 1);
    EXPECT_EQ(outcome.curve.markerBottom.x, 150);
    EXPECT_NEAR(outcome.curve.markerBottom.y, 125, 1);  // 0.01 * 50^2 + 100 at both ends
}

TEST(FitCurvePath, MarkerAtTheMiddleOfTheHighestRun)
{
    struct Case {
        const char* name;
        Doubles ys;
        std::int32_t markerX;
        std::int32_t bottomY;
    };
    // xs are 10, 20, 30, ...: the marker's x names the sample it stands on.
    const Case cases[] = {
        {"odd run", {5, 3, 3, 3, 7}, 30, 7},
        {"even run takes the later middle", {5, 3, 3, 3, 3, 7}, 40, 7},
        {"first of two separate lowest values", {4, 2, 6, 2, 9}, 20, 9},
        {"single point", {8}, 10, 8},
        {"run at the end", {9, 1, 1}, 30, 9},
    };
    for (const auto& c : cases) {
        Doubles xs;
        for (std::size_t k = 0; k < c.ys.size(); ++k)
            xs.push_back(10.0 * static_cast<double>(k + 1));
        const auto curve = FitCurvePath(xs, c.ys);
        ASSERT_TRUE(curve.hasMarker) << c.name;
        EXPECT_EQ(curve.markerTop.x, c.markerX) << c.name;
        EXPECT_EQ(curve.markerBottom.x, c.markerX) << c.name;
        EXPECT_EQ(curve.markerBottom.y, c.bottomY) << c.name;
        EXPECT_EQ(curve.path.size(), c.ys.size()) << c.name;
    }
}

TEST(FitCurvePath, MismatchedOrEmptyListsDrawNothing)
{
    EXPECT_TRUE(FitCurvePath({1, 2}, {1}).path.empty());
    EXPECT_FALSE(FitCurvePath({1, 2}, {1}).hasMarker);
    EXPECT_TRUE(FitCurvePath({}, {}).path.empty());
}

TEST(FitCurvePath, PixelsTruncateTowardZeroAndFarValuesAreHeld)
{
    const auto curve = FitCurvePath({10.9, -3.7, 20.0}, {-0.5, 4.99, 1e300});
    ASSERT_EQ(curve.path.size(), 3u);
    EXPECT_EQ(curve.path[0], (PlotPoint{10, 0}));
    EXPECT_EQ(curve.path[1], (PlotPoint{-3, 4}));
    EXPECT_EQ(curve.path[2], (PlotPoint{20, 1073741824}));
    EXPECT_EQ(curve.markerBottom.y, 1073741824);
}

TEST(FittedValues, PowerSeriesInAscendingOrder)
{
    // 1 - 2x + 0.5x^2 at x = 0, 2, -4: 1, -1, 17.
    EXPECT_EQ(FittedValues({0, 2, -4}, {1, -2, 0.5}), (Doubles{1, -1, 17}));
    EXPECT_EQ(FittedValues({3}, {}), (Doubles{0}));
}

}  // namespace
}  // namespace driftline
