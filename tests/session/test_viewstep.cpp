// Wheel zoom and pan on the session. The control is the design size 600 x 450 with the area
// (40, 40, 560, 410): 520 columns and 370 rows. The expected windows are worked out by hand from
// the scales the samples give (the scales fit the samples kept after every step).
#include "session/Logsession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace driftline {
namespace {

// Azimuth 0..520 in steps of 1 against altitude (azimuth mod 100), a sawtooth that spans 0..99
// over any 100 degrees of azimuth.
void LoadSawtooth(TLogSession& session)
{
    SampleList list;
    for (int a = 0; a <= 520; ++a) {
        Sample s;
        s[Azimuth] = a;
        s[Altitude] = a % 100;
        list.push_back(s);
    }
    session.setAxes(Azimuth, Altitude);
    session.adoptSamples(list, list);
}

std::vector<double> Values(const SampleView& list, int q)
{
    std::vector<double> out;
    for (const Sample& s : list)
        out.push_back(s[q]);
    return out;
}

std::vector<double> Span(double first, double last)
{
    std::vector<double> out;
    for (double v = first; v <= last; v += 1.0)
        out.push_back(v);
    return out;
}

TEST(ViewStep, ZoomInThenOutAboutOnePointGivesTheWindowBack)
{
    TLogSession session;
    LoadSawtooth(session);
    const SampleList before = session.store().allSamples().toList();
    // Column 170 is 130/520 of the way along 0..520: azimuth 130. Zooming in by 2 about it keeps
    // [130 - 130/2, 130 + 390/2] = [65, 325].
    ASSERT_TRUE(session.zoomAbout(170, 2.0, ViewAxis::Horizontal));
    EXPECT_EQ(Values(session.store().allSamples(), Azimuth), Span(65, 325));
    EXPECT_EQ(session.view().HorizontalScale(false).Minimum, 65.0);
    EXPECT_EQ(session.view().HorizontalScale(false).Maximum, 325.0);
    // The vertical axis was not narrowed: the sawtooth inside the window spans 0..99 again.
    EXPECT_EQ(session.view().VerticalScale(false).Minimum, 0.0);
    EXPECT_EQ(session.view().VerticalScale(false).Maximum, 99.0);
    // Column 170 now reads 65 + 260 * 130/520 = 130; out by 2 gives [0, 520] back.
    ASSERT_TRUE(session.zoomAbout(170, 0.5, ViewAxis::Horizontal));
    EXPECT_EQ(Values(session.store().allSamples(), Azimuth), Values(before, Azimuth));
    EXPECT_EQ(session.view().HorizontalScale(false).Minimum, 0.0);
    EXPECT_EQ(session.view().HorizontalScale(false).Maximum, 520.0);
    // Both were steps of the undo history.
    ASSERT_TRUE(session.undo());
    EXPECT_EQ(Values(session.store().allSamples(), Azimuth), Span(65, 325));
    ASSERT_TRUE(session.undo());
    EXPECT_EQ(Values(session.store().allSamples(), Azimuth), Values(before, Azimuth));
    EXPECT_FALSE(session.canUndo());
    // Nothing more to show: zooming out from the whole list is no step.
    EXPECT_FALSE(session.zoomAbout(300, 0.5, ViewAxis::Horizontal));
    EXPECT_FALSE(session.canUndo());
}

TEST(ViewStep, PanMovesTheWindowByTheAskedPixels)
{
    TLogSession session;
    LoadSawtooth(session);
    ASSERT_TRUE(session.zoomAbout(170, 2.0, ViewAxis::Horizontal));  // [65, 325], 0.5 degree a column
    const SampleList zoomed = session.store().allSamples().toList();
    struct Case {
        int dx;
        double first;
        double last;
    };
    const Case cases[] = {
        {52, 91, 351},  // 26 degrees to the right
        {-52, 39, 299},
        {-200, 0, 225},  // past the start: what is left of the window
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(session.pan(c.dx, 0)) << c.dx;
        EXPECT_EQ(Values(session.store().allSamples(), Azimuth), Span(c.first, c.last)) << c.dx;
        // The undo entry is the list before the pan.
        ASSERT_TRUE(session.undo());
        EXPECT_EQ(Values(session.store().allSamples(), Azimuth), Values(zoomed, Azimuth)) << c.dx;
    }
    // A pan that would leave nothing on screen does nothing.
    EXPECT_FALSE(session.pan(100000, 0));
    EXPECT_EQ(session.store().allSamples().size(), zoomed.size());
    // Reset gives the unzoomed list after any mix of steps.
    ASSERT_TRUE(session.pan(30, 0));
    ASSERT_TRUE(session.zoomAbout(300, 1.25, ViewAxis::Horizontal));
    ASSERT_TRUE(session.reset());
    EXPECT_EQ(Values(session.store().allSamples(), Azimuth), Span(0, 520));
    EXPECT_FALSE(session.canUndo());
}

TEST(ViewStep, AVerticallyNarrowedAxisKeepsItsWindow)
{
    TLogSession session;
    LoadSawtooth(session);
    // Row 225 is halfway up the area: altitude 49.5. In by 2: altitudes [24.75, 74.25], i.e. 25..74,
    // at every azimuth, since the horizontal axis had not been narrowed.
    ASSERT_TRUE(session.zoomAbout(225, 2.0, ViewAxis::Vertical));
    const AxisScale& sw = session.view().VerticalScale(false);
    EXPECT_EQ(sw.Minimum, 25.0);
    EXPECT_EQ(sw.Maximum, 74.0);
    EXPECT_EQ(session.store().allSamples().size(), 250u);  // 25..74 in each hundred of 0..499
    // The horizontal scale is now 25..474. Column 300 reads 25 + 449/2 = 249.5; in by 2 keeps
    // azimuths [137.25, 361.75], and the altitudes stay within 25..74: 138..174, 225..274,
    // 325..361, that is 37 + 50 + 37 samples.
    ASSERT_TRUE(session.zoomAbout(300, 2.0, ViewAxis::Horizontal));
    const SampleView kept = session.store().allSamples();
    EXPECT_EQ(kept.size(), 124u);
    const std::vector<double> altitudes = Values(kept, Altitude);
    EXPECT_EQ(*std::min_element(altitudes.begin(), altitudes.end()), 25.0);
    EXPECT_EQ(*std::max_element(altitudes.begin(), altitudes.end()), 74.0);
    EXPECT_EQ(kept.front()[Azimuth], 138.0);
    EXPECT_EQ(kept.back()[Azimuth], 361.0);
}

// Galactic longitude from 350 through 0 to 10 degrees: the scale plots it folded, -10..10.
TEST(ViewStep, AFoldedAxisZoomsAndPansAcrossZero)
{
    TLogSession session;
    SampleList list;
    for (int i = 0; i <= 200; ++i) {
        Sample s;
        s[Time] = i;
        s[Lambda] = std::fmod(350.0 + i / 10.0, 360.0);
        list.push_back(s);
    }
    session.setAxes(Lambda, Time);
    session.adoptSamples(list, list);
    ASSERT_TRUE(session.view().HorizontalScale(false).Folded);
    // Column 300 is the middle: Lambda 0. In by 2 keeps [-5, 5]: 355..359.9 and 0..5, i = 50..150.
    ASSERT_TRUE(session.zoomAbout(300, 2.0, ViewAxis::Horizontal));
    EXPECT_EQ(Values(session.store().allSamples(), Time), Span(50, 150));
    const AxisScale& sh = session.view().HorizontalScale(false);
    EXPECT_TRUE(sh.Folded);
    EXPECT_EQ(sh.Minimum, -5.0);
    EXPECT_EQ(sh.Maximum, 5.0);
    // 52 columns of 10/520 degree: the window moves 1 degree to [-4, 6], i = 60..160.
    ASSERT_TRUE(session.pan(52, 0));
    EXPECT_EQ(Values(session.store().allSamples(), Time), Span(60, 160));
    // To the left by 9 degrees: [-13, -3]; only 350..357 exist there, i = 0..70.
    ASSERT_TRUE(session.pan(-468, 0));
    EXPECT_EQ(Values(session.store().allSamples(), Time), Span(0, 70));
    EXPECT_TRUE(session.undo());
    EXPECT_TRUE(session.undo());
    EXPECT_EQ(Values(session.store().allSamples(), Time), Span(50, 150));
}

// In the positive-voltage view the step is worked out on the voltage samples' scales, and both
// lists take the samples inside the window, as a band zoom treats them.
TEST(ViewStep, ThePositiveVoltageViewStepsBothLists)
{
    TLogSession session;
    SampleList all;
    SampleList volts;
    for (int a = 0; a <= 520; ++a) {
        Sample s;
        s[Azimuth] = a;
        s[Altitude] = a % 100;
        all.push_back(s);
        if (a % 2 == 0 && a >= 100)
            volts.push_back(s);  // volts on even azimuths from 100 on: scale 100..520
    }
    session.setAxes(Azimuth, Altitude);
    session.adoptSamples(all, volts);
    session.setPositiveVoltageView(true);
    // Column 170 on 100..520 reads 100 + 420/4 = 205; in by 2 keeps [152.5, 362.5].
    ASSERT_TRUE(session.zoomAbout(170, 2.0, ViewAxis::Horizontal));
    EXPECT_EQ(Values(session.store().voltageSamples(), Azimuth).front(), 154.0);
    EXPECT_EQ(Values(session.store().voltageSamples(), Azimuth).back(), 362.0);
    EXPECT_EQ(session.store().voltageSamples().size(), 105u);
    EXPECT_EQ(Values(session.store().allSamples(), Azimuth), Span(153, 362));
    ASSERT_TRUE(session.undo());
    EXPECT_EQ(session.store().voltageSamples().size(), volts.size());
    EXPECT_EQ(session.store().allSamples().size(), all.size());
}

}  // namespace
}  // namespace driftline
