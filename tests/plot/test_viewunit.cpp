// The view model: sample pixels, grid and labels, zoom by band, undo and reset, mouse read-out.
// The control is the design size 600 x 450 with the area (40, 40, 560, 410): W = 520, H = 370.
// Most lists put Azimuth on x and Altitude on y with ranges 0..520 and 0..370, so that a value
// maps to exactly its own pixel offset: x = 40 + azimuth, y = 410 - altitude.
#include "plot/Viewunit.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace driftline {
namespace {

Sample At(double azimuth, double altitude, double volts = 0.0)
{
    Sample s;
    s[Azimuth] = azimuth;
    s[Altitude] = altitude;
    s[Volts] = volts;
    return s;
}

std::vector<double> Column(const SampleView& list, int q)
{
    std::vector<double> out;
    for (const Sample& s : list)
        out.push_back(s[q]);
    return out;
}

std::vector<double> Range(double first, double last, double step)
{
    std::vector<double> out;
    for (double v = first; v <= last; v += step)
        out.push_back(v);
    return out;
}

// Azimuth 0, 10, ..., 520 with altitude rising 0..370 over them: 53 samples, all in both lists.
TSampleStore GridStore()
{
    SampleList grid;
    for (int i = 0; i <= 52; ++i)
        grid.push_back(At(10.0 * i, i == 52 ? 370.0 : 7.0 * i));
    TSampleStore store;
    store.adoptSamples(grid, grid);
    return store;
}

TPlotView AzimuthAltitudeView(const TSampleStore& store)
{
    TPlotView view;
    view.horizontalQuantity = Azimuth;
    view.verticalQuantity = Altitude;
    view.rescaleAll(store);
    return view;
}

TEST(Viewunit, PixelsOfSamplesAndThePlottedPointLists)
{
    TSampleStore store;
    store.adoptSamples({At(0, 0), At(520, 370), At(100.5, 200.9), At(260, 0.5)}, {});
    const TPlotView view = AzimuthAltitudeView(store);
    EXPECT_EQ(view.Area, PlotRect(40, 40, 560, 410));

    PlottedPoints points;
    view.computePlottedPoints(store.allSamples(), false, points);
    // Offsets truncate toward zero: 100.5 -> 100, 200.9 -> 200, 0.5 -> 0. The order is the list's.
    const std::vector<double> x = {40, 560, 140, 300};
    const std::vector<double> y = {410, 40, 210, 410};
    EXPECT_EQ(points.pixelX, x);
    EXPECT_EQ(points.pixelY, y);
    EXPECT_EQ(points.horizontalValues, (std::vector<double>{0, 520, 100.5, 260}));
    EXPECT_EQ(points.verticalValues, (std::vector<double>{0, 370, 200.9, 0.5}));

    // Refilling replaces, never appends.
    view.computePlottedPoints(SampleList{At(520, 370)}, false, points);
    EXPECT_EQ(points.size(), 1u);
    EXPECT_EQ(points.pixelX[0], 560);
    EXPECT_EQ(points.verticalValues.size(), 1u);
}

TEST(Viewunit, EqualValuesSitOnTheLeftAndBottomEdgesWithoutGrid)
{
    TSampleStore store;
    store.adoptSamples({At(45, 30), At(45, 30), At(45, 30)}, {});
    const TPlotView view = AzimuthAltitudeView(store);
    const PlotPoint p = view.samplePixel(store.allSamples()[1], Azimuth, Altitude, false);
    EXPECT_EQ(p, (PlotPoint{40, 410}));
    const GridLines grid = view.gridLines(false);
    EXPECT_TRUE(grid.x.empty());
    EXPECT_TRUE(grid.y.empty());
}

TEST(Viewunit, GridOfVoltsFrom013To087)
{
    TSampleStore store;
    store.adoptSamples({At(0, 0, 0.13), At(520, 370, 0.87)}, {});
    TPlotView view = AzimuthAltitudeView(store);
    view.verticalQuantity = Volts;
    const GridLines grid = view.gridLines(false);
    // Lines at 0.15, 0.20, ..., 0.80: fourteen. 370 px over 0.74 V is 500 px per volt, so line i
    // sits (0.02 + 0.05 i) * 500 = 10 + 25 i pixels above the bottom; a value that lands on a whole
    // pixel may truncate one lower through rounding of the accumulated sum.
    ASSERT_EQ(grid.y.size(), 14u);
    for (std::size_t i = 0; i < grid.y.size(); ++i) {
        const int expected = 410 - (10 + 25 * static_cast<int>(i));
        EXPECT_GE(grid.y[i], expected) << "line " << i;
        EXPECT_LE(grid.y[i], expected + 1) << "line " << i;
    }
    // Azimuth 0..520 takes a 30 degree step with LastTick 510, which is not drawn: lines at
    // 0, 30, ..., 480 -> x = 40 + value.
    ASSERT_EQ(grid.x.size(), 17u);
    EXPECT_EQ(grid.x.front(), 40);
    EXPECT_EQ(grid.x[1], 70);
    EXPECT_EQ(grid.x.back(), 520);
}

TEST(Viewunit, InitialViewDrawsAFiniteGridAndLabelsBeforeAnyFile)
{
    const TPlotView view;
    const GridLines grid = view.gridLines(true);
    // Time 0..1 day in 5 h steps ends at LastTick 20 h, which is not drawn: 0, 5, 10, 15 h.
    // Volts 0..1 in 0.1 steps ends at LastTick 1, but ten additions of 0.1 give
    // 0.9999999999999999, so an eleventh line is drawn just below the top: 369.99999... px
    // truncates to 369, y = 41.
    EXPECT_EQ(grid.x.size(), 4u);
    EXPECT_EQ(grid.y.size(), 11u);
    EXPECT_EQ(grid.y.back(), 41);

    // Seven pixels per character stand in for the canvas's text width.
    const auto width = [](const std::string& t) { return static_cast<std::int32_t>(7 * t.size()); };
    const PlotLabels labels = view.labels(false, width);
    struct Expected {
        const char* text;
        int x;
        int y;
        double angle;
    };
    const Expected expected[7] = {
        {"Volts", 2, (35 + 40 + 410) / 2, 90},  // centred along the vertical axis: 242
        {"1.000", 25, 40 + 35, 90},             // ends level with the area's top
        {"0", 25, 410, 90},
        {"00:00:00", 560 - 56, 412, 0},  // 1.0 day is midnight again
        {"00:00:00", 40, 412, 0},
        {"Time", (600 - 28) / 2, 430, 0},
        {"Volts v Time", (600 - 84) / 2, 10, 0},
    };
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(labels[i].text, expected[i].text) << "label " << i;
        EXPECT_EQ(labels[i].x, expected[i].x) << "label " << i;
        EXPECT_EQ(labels[i].y, expected[i].y) << "label " << i;
        EXPECT_EQ(labels[i].angle, expected[i].angle) << "label " << i;
    }
}

TEST(Viewunit, ZoomKeepsTheSamplesInTheBandWhicheverWayItIsDragged)
{
    for (const auto& [start, end] : {std::pair{100, 250}, std::pair{250, 100}}) {
        TSampleStore store = GridStore();
        TPlotView view = AzimuthAltitudeView(store);
        view.ZoomToBand(store, start, end, false);
        // x = 40 + azimuth in 100..250: azimuth 60..210.
        EXPECT_EQ(Column(store.allSamples(), Azimuth), Range(60, 210, 10)) << start << " to " << end;
        EXPECT_EQ(Column(store.voltageSamples(), Azimuth), Range(60, 210, 10));
        ASSERT_EQ(store.allUndo().size(), 1u);
        ASSERT_EQ(store.voltageUndo().size(), 1u);
        EXPECT_EQ(store.allUndo()[0].size(), 53u);
        // Rescaled over the kept samples.
        EXPECT_EQ(view.Scale(Azimuth, false).Minimum, 60.0);
        EXPECT_EQ(view.Scale(Azimuth, false).Maximum, 210.0);
    }
}

TEST(Viewunit, ZoomDropsSamplesOfTheOtherListOutsideTheDisplayedVerticalRange)
{
    // The voltage view is on screen; its altitude range is 0..370. Records without volts that lie
    // above or below it in altitude leave the band although their x is inside it.
    TSampleStore store;
    store.adoptSamples({At(0, 0), At(100, 50), At(120, 380), At(130, -5), At(140, 100), At(150, 300), At(520, 370)},
                       {At(0, 0), At(100, 50), At(150, 300), At(520, 370)});
    TPlotView view = AzimuthAltitudeView(store);
    view.ZoomToBand(store, 100, 250, true);
    EXPECT_EQ(Column(store.voltageSamples(), Azimuth), (std::vector<double>{100, 150}));
    EXPECT_EQ(Column(store.allSamples(), Azimuth), (std::vector<double>{100, 140, 150}));
    EXPECT_EQ(Column(store.allSamples(), Altitude), (std::vector<double>{50, 100, 300}));
}

TEST(Viewunit, UndoEntriesHoldThePreviousListsExactly)
{
    // Whatever spare room the list had, the history must give back exactly the list before the zoom.
    for (const bool spare : {false, true}) {
        TSampleStore store = GridStore();
        SampleList all = store.allSamples().toList();
        if (spare)
            all.reserve(1000);
        else
            all.shrink_to_fit();
        store.adoptSamples(std::move(all), store.voltageSamples().toList());
        const std::vector<double> before = Column(store.allSamples(), Altitude);
        TPlotView view = AzimuthAltitudeView(store);
        view.ZoomToBand(store, 100, 250, false);
        const SampleIndexList entry = store.allUndo().at(store.allUndo().size() - 1);
        EXPECT_EQ(Column(SampleView(store.baseSamples().base(), entry.data(), entry.size()), Altitude), before)
            << "spare " << spare;
        EXPECT_EQ(Column(store.allSamples(), Azimuth), Range(60, 210, 10)) << "spare " << spare;
    }
}

TEST(Viewunit, UndoAndResetSequences)
{
    TSampleStore store = GridStore();
    TPlotView view = AzimuthAltitudeView(store);
    EXPECT_FALSE(TPlotView::CanUndo(store));
    view.Undo(store);  // nothing to undo: nothing changes
    view.Reset(store);
    EXPECT_EQ(store.allSamples().size(), 53u);

    view.ZoomToBand(store, 100, 250, false);  // azimuth 60..210
    // Now 150 degrees over 520 px: x = 40 + trunc((a - 60) * 520 / 150). 130 gives 282.67 -> 282,
    // 140 gives 317.33 -> 317, so a band from 40 to 300 keeps 60..130.
    view.ZoomToBand(store, 40, 300, false);
    EXPECT_EQ(Column(store.allSamples(), Azimuth), Range(60, 130, 10));
    EXPECT_EQ(store.allUndo().size(), 2u);

    view.Undo(store);
    EXPECT_EQ(Column(store.allSamples(), Azimuth), Range(60, 210, 10));
    EXPECT_EQ(Column(store.voltageSamples(), Azimuth), Range(60, 210, 10));
    EXPECT_TRUE(TPlotView::CanUndo(store));
    EXPECT_EQ(view.Scale(Azimuth, false).Minimum, 60.0);
    view.Undo(store);
    EXPECT_EQ(store.allSamples().size(), 53u);
    EXPECT_EQ(store.voltageSamples().size(), 53u);
    EXPECT_FALSE(TPlotView::CanUndo(store));
    EXPECT_EQ(view.Scale(Azimuth, false).Maximum, 520.0);

    view.ZoomToBand(store, 100, 250, false);
    view.ZoomToBand(store, 40, 300, false);
    view.ZoomToBand(store, 40, 200, false);
    EXPECT_EQ(store.allUndo().size(), 3u);
    EXPECT_EQ(store.voltageUndo().size(), 3u);
    view.Reset(store);
    EXPECT_EQ(Column(store.allSamples(), Azimuth), Range(0, 520, 10));
    EXPECT_EQ(store.voltageSamples().size(), 53u);
    EXPECT_TRUE(store.allUndo().empty());
    EXPECT_TRUE(store.voltageUndo().empty());
    EXPECT_EQ(view.Scale(Azimuth, true).Maximum, 520.0);
}

TEST(Viewunit, BandWithoutSamplesEmptiesTheListsAndKeepsTheRanges)
{
    TSampleStore store;
    store.adoptSamples({At(0, 0), At(520, 370)}, {At(0, 0), At(520, 370)});
    TPlotView view = AzimuthAltitudeView(store);
    view.ZoomToBand(store, 100, 250, false);
    EXPECT_TRUE(store.allSamples().empty());
    EXPECT_TRUE(store.voltageSamples().empty());
    EXPECT_EQ(view.Scale(Azimuth, false).Minimum, 0.0);
    EXPECT_EQ(view.Scale(Azimuth, false).Maximum, 520.0);
    EXPECT_EQ(view.Scale(Altitude, true).Maximum, 370.0);
    EXPECT_FALSE(view.gridLines(false).x.empty());  // frame and grid are still drawn
    EXPECT_TRUE(TPlotView::CanUndo(store));
    view.Undo(store);
    EXPECT_EQ(store.allSamples().size(), 2u);
}

TEST(Viewunit, ReadoutTextsInsideAndOutsideTheArea)
{
    TSampleStore store;
    SampleList samples = {At(0, 0, 0.13), At(520, 370, 0.87)};
    samples[0][Time] = 40310.5;             // 12:00:00
    samples[1][Time] = 40310.5 + 2.0 / 24;  // 14:00:00
    store.adoptSamples(samples, {});
    TPlotView view;  // Time against Volts
    view.rescaleAll(store);
    struct Case {
        int x;
        const char* text;
    };
    // f = (x - 40) / 520: 300 is halfway, 13:00:00; 560 is the end, 14:00:00.
    for (const Case& c :
         {Case{40, "12:00:00"}, Case{300, "13:00:00"}, Case{560, "14:00:00"}, Case{39, ""}, Case{561, ""}})
        EXPECT_EQ(view.ReadoutTextX(c.x, false), c.text) << "x " << c.x;
    // f = (410 - y) / 370: 225 is halfway between 0.13 and 0.87, 0.5 V.
    for (const Case& c : {Case{410, "0.130"}, Case{225, "0.500"}, Case{40, "0.870"}, Case{39, ""}, Case{411, ""}})
        EXPECT_EQ(view.ReadoutTextY(c.x, false), c.text) << "y " << c.x;
    // The voltage view still has its initial 0..1 scales.
    EXPECT_EQ(view.ReadoutTextY(225, true), "0.500");
    EXPECT_EQ(view.ReadoutTextY(40, true), "1.000");
}

}  // namespace
}  // namespace driftline
