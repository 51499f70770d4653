// The fitted transit laid out on a session's plot: the curve follows the view's scales (also
// after a zoom), peaks at the fitted peak's column, and the marker stands at the predicted
// passage; nothing is laid out for other axes or a failed fit.
#include "analysis/Transitreport.h"
#include "session/Logsession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

using namespace driftline;

constexpr double SecondsPerDay = 86400.0;
constexpr double Start = 40350.4375;  // 21/06/2010 10:30 UTC

double ScanVolts(double seconds, double peakSeconds)
{
    const double u = (seconds - peakSeconds) / 600.0;
    return 1.0 + 2.0 * std::exp(-4.0 * std::log(2.0) * u * u);
}

// n one-second samples: 1 V baseline and a 2 V Gaussian of 600 s full width at half maximum
// peaking peakSeconds after the start; no noise, so the fit recovers the peak to well under a
// second. The all-list and the voltage list are the same records.
TLogSession ScanSession(std::size_t n, double peakSeconds)
{
    SampleList samples(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i);
        samples[i][Time] = Start + t / SecondsPerDay;
        samples[i][Volts] = ScanVolts(t, peakSeconds);
    }
    TLogSession session;
    session.setAxes(Time, Volts);
    session.setPositiveVoltageView(true);
    session.adoptSamples(samples, samples);
    return session;
}

PlotPoint PixelAt(const TLogSession& session, double seconds, double volts)
{
    Sample s;
    s[Time] = Start + seconds / SecondsPerDay;
    s[Volts] = volts;
    return session.view().samplePixel(s, Time, Volts, session.positiveVoltageView());
}

// The curve's highest point: the middle of its run of smallest pixel rows (near the top a pixel
// row spans several columns of the curve).
PlotPoint Top(const FitCurve& curve)
{
    std::int32_t top = curve.path.front().y;
    for (const PlotPoint& p : curve.path)
        top = std::min(top, p.y);
    std::int32_t first = -1, last = -1;
    for (const PlotPoint& p : curve.path)
        if (p.y == top) {
            first = first < 0 ? p.x : first;
            last = p.x;
        }
    return {(first + last) / 2, top};
}

TEST(TransitCurve, FollowsTheViewBeforeAndAfterAZoom)
{
    TLogSession session = ScanSession(3600, 1500.0);
    const TTransitReport report = RunTransit(TransitSamples(session.store()), std::nullopt, TSite{}, 0);
    ASSERT_TRUE(report.ok()) << report.problem();

    for (const bool zoomed : {false, true}) {
        if (zoomed) {
            // Keep the middle of the plot: the peak stays in view, the columns spread out.
            const PlotRect area = session.view().Area;
            const std::int32_t width = area.right - area.left;
            ASSERT_TRUE(session.dragAcross(area.left + width / 4, area.right - width / 4));
        }
        const SampleView fitted = TransitSamples(session.store());
        const FitCurve curve = TransitCurvePath(session.view(), session.positiveVoltageView(), fitted, report);
        const PlotRect area = session.view().Area;
        // One point per column of the area, from the first sample's column to the last's.
        ASSERT_EQ(curve.path.size(), static_cast<std::size_t>(area.right - area.left) + 1) << zoomed;
        EXPECT_EQ(curve.path.front().x, PixelAt(session, (fitted.front()[Time] - Start) * SecondsPerDay, 0.0).x);
        EXPECT_EQ(curve.path.back().x, PixelAt(session, (fitted.back()[Time] - Start) * SecondsPerDay, 0.0).x);
        EXPECT_TRUE(std::is_sorted(curve.path.begin(), curve.path.end(),
                                   [](const PlotPoint& a, const PlotPoint& b) { return a.x < b.x; }));
        // The top is the 3 V peak at 1500 s; the ends lie where the scan's own volts are.
        const PlotPoint peak = PixelAt(session, 1500.0, 3.0);
        EXPECT_LE(std::abs(Top(curve).x - peak.x), 1) << zoomed;
        EXPECT_LE(std::abs(Top(curve).y - peak.y), 1) << zoomed;
        const std::pair<const Sample&, PlotPoint> ends[] = {{fitted.front(), curve.path.front()},
                                                            {fitted.back(), curve.path.back()}};
        for (const auto& [end, drawn] : ends) {
            const double seconds = (end[Time] - Start) * SecondsPerDay;
            EXPECT_LE(std::abs(drawn.y - PixelAt(session, seconds, ScanVolts(seconds, 1500.0)).y), 1) << zoomed;
        }
        EXPECT_FALSE(curve.hasMarker);
    }
}

TEST(TransitCurve, MarkerAtThePredictedPassageAcrossTheArea)
{
    TLogSession session = ScanSession(3600, 1500.0);
    TTransitReport report = RunTransit(TransitSamples(session.store()), std::nullopt, TSite{}, 0);
    ASSERT_TRUE(report.ok()) << report.problem();
    report.calibration = TTransitCalibration{};
    report.calibration->ok = true;
    report.calibration->predictedTime = Start + 1200.0 / SecondsPerDay;

    const FitCurve curve = TransitCurvePath(session.view(), true, TransitSamples(session.store()), report);
    ASSERT_TRUE(curve.hasMarker);
    const PlotRect area = session.view().Area;
    EXPECT_EQ(curve.markerTop, (PlotPoint{PixelAt(session, 1200.0, 0.0).x, area.top}));
    EXPECT_EQ(curve.markerBottom, (PlotPoint{PixelAt(session, 1200.0, 0.0).x, area.bottom}));

    // A calibration that failed puts no marker up.
    report.calibration->ok = false;
    EXPECT_FALSE(TransitCurvePath(session.view(), true, TransitSamples(session.store()), report).hasMarker);
}

TEST(TransitCurve, NothingForOtherAxesOrAFailedFit)
{
    TLogSession session = ScanSession(3600, 1500.0);
    const TTransitReport report = RunTransit(TransitSamples(session.store()), std::nullopt, TSite{}, 0);
    ASSERT_TRUE(report.ok());

    struct Case {
        Quantity horizontal, vertical;
    };
    for (const Case c : {Case{Azimuth, Volts}, Case{Time, Altitude}, Case{Volts, Time}}) {
        session.setAxes(c.horizontal, c.vertical);
        const FitCurve curve = TransitCurvePath(session.view(), true, TransitSamples(session.store()), report);
        EXPECT_TRUE(curve.path.empty() && !curve.hasMarker) << c.horizontal << " " << c.vertical;
    }

    // A flat scan has no peak: the fit refuses and nothing is drawn for it.
    session.setAxes(Time, Volts);
    SampleList flat = session.store().allSamples().toList();
    for (Sample& s : flat)
        s[Volts] = 1.0;
    session.adoptSamples(flat, flat);
    const TTransitReport refused = RunTransit(TransitSamples(session.store()), std::nullopt, TSite{}, 0);
    ASSERT_FALSE(refused.ok());
    EXPECT_TRUE(TransitCurvePath(session.view(), true, TransitSamples(session.store()), refused).path.empty());
}

TEST(TransitCurve, SamplesAreTheVoltageRecordsUnlessThereAreNone)
{
    SampleList all(4), voltage(2);
    for (std::size_t i = 0; i < all.size(); ++i)
        all[i][Time] = static_cast<double>(i);
    voltage[0] = all[1];
    voltage[1] = all[3];
    TLogSession session;
    session.adoptSamples(all, voltage);
    EXPECT_TRUE(TransitSamples(session.store()).sameAs(session.store().voltageSamples()));
    session.adoptSamples(all, {});
    EXPECT_TRUE(TransitSamples(session.store()).sameAs(session.store().allSamples()));
}

}  // namespace
