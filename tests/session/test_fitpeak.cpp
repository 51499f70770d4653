// The fit window names the fitted peak in the plotted quantities' units. A synthetic single hump
// with a known peak is fitted with three coefficients (a parabola fits it exactly but for the
// pixels' truncation), and the peak is read back in the horizontal quantity's units.
#include "analysis/Fitpeak.h"
#include "session/Logsession.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace driftline {
namespace {

TEST(FitPeak, APeakOfKnownPlaceReadsBackInTheQuantitysUnits)
{
    // 521 samples, one a step. The plot area is 520 columns wide, so one step is one column and
    // the peak can be placed to within a column or two (the marker stands on a sample's column,
    // and the fit is of truncated pixel rows).
    constexpr int Steps = 520;
    constexpr double Day = 86400.0;
    const double start = 40373.0 + (21.0 * 3600.0 + 30.0 * 60.0) / Day;  // 2010-07-14 21:30:00
    struct Case {
        const char* name;
        Quantity horizontal;
        double first;      // the horizontal value of sample 0
        double step;       // per sample
        int peakSample;    // where the hump is highest
        double expected;   // the horizontal (plotted) value there
        double tolerance;  // two columns' worth
        std::string textStart;
    };
    const Case cases[] = {
        // 21:30:00 + 360 s = 21:36:00.
        {"time", Time, start, 1.0 / Day, 360, start + 360.0 / Day, 2.0 / Day, "Time = 2010-07-14 21:3"},
        // Right ascension from 359 to 361 degrees, held as 359..360 then 0..1: plotted across 0h
        // as -1..1, so the peak at sample 390 is +0.5 degrees = 0 h 2 min (not near 180 degrees,
        // the middle of an unfolded 0..360 scale).
        {"right ascension across 0h", RightAscension, 359.0, 2.0 / Steps, 390, 0.5, 2.0 * 2.0 / Steps,
         "Right ascension = 0"},
    };
    for (const Case& c : cases) {
        SampleList samples;
        for (int i = 0; i <= Steps; ++i) {
            Sample s;
            s[Time] = start + i / Day;
            double h = c.first + c.step * i;
            if (c.horizontal == RightAscension && h >= 360.0)
                h -= 360.0;
            s[c.horizontal] = h;
            const double u = (i - c.peakSample) / 100.0;
            s[Volts] = 2.0 - u * u;
            samples.push_back(s);
        }
        TLogSession session;
        session.setAxes(c.horizontal, Volts);
        session.adoptSamples(samples, samples);
        session.computePlottedPoints();
        const FitOutcome outcome = session.fit(3);
        ASSERT_GT(outcome.correlation, 0.999) << c.name;
        const FitPeak peak = session.fitPeak(outcome.curve);
        ASSERT_TRUE(peak.found) << c.name;
        EXPECT_NEAR(peak.horizontalValue, c.expected, c.tolerance) << c.name;
        // The hump's top is 2 V; the volts scale spans about 14.96 V over 370 rows, so two rows
        // are 0.08 V.
        EXPECT_NEAR(peak.verticalValue, 2.0, 0.08) << c.name;
        const std::vector<std::string> lines = FitPeakLines(peak, c.horizontal, Volts);
        ASSERT_EQ(lines.size(), 3u) << c.name;
        EXPECT_EQ(lines[0], "Peak at x = " + std::to_string(peak.pixel.x) + ", y = " + std::to_string(peak.pixel.y));
        EXPECT_EQ(lines[1].rfind(c.textStart, 0), 0u) << lines[1];
        EXPECT_EQ(lines[2].rfind("Volts = 1.9", 0) == 0 || lines[2].rfind("Volts = 2.0", 0) == 0, true) << lines[2];
    }
}

TEST(FitPeak, NoCurveNoPeak)
{
    TLogSession session;
    const FitPeak peak = session.fitPeak(FitCurve{});
    EXPECT_FALSE(peak.found);
    EXPECT_TRUE(FitPeakLines(peak, Time, Volts).empty());
}

}  // namespace
}  // namespace driftline
