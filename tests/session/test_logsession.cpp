// The log session: the zoom drag's edge cases, a drag across the plot as driftline-cli's --band
// replays it, and what a session for the next file takes over. The control is the design size
// 600 x 450 with the area (40, 40, 560, 410). The grid puts azimuth 0, 10, ..., 520 on x, so
// azimuth a sits on column 40 + a.
#include "session/Logsession.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace driftline {
namespace {

Sample At(double azimuth, double altitude)
{
    Sample s;
    s[Azimuth] = azimuth;
    s[Altitude] = altitude;
    return s;
}

std::vector<double> Azimuths(const SampleView& list)
{
    std::vector<double> out;
    for (const Sample& s : list)
        out.push_back(s[Azimuth]);
    return out;
}

std::vector<double> Range(double first, double last, double step)
{
    std::vector<double> out;
    for (double v = first; v <= last; v += step)
        out.push_back(v);
    return out;
}

// Azimuth 0..520 in steps of 10 against altitude rising 0..370: 53 samples in both lists.
void LoadGrid(TLogSession& session)
{
    SampleList grid;
    for (int i = 0; i <= 52; ++i)
        grid.push_back(At(10.0 * i, i == 52 ? 370.0 : 7.0 * i));
    session.setAxes(Azimuth, Altitude);
    session.adoptSamples(grid, grid);
}

const PlotRect Area(40, 40, 560, 410);

TEST(ZoomDrag, GesturesAndTheBandsTheyGive)
{
    struct Move {
        int x;
        int y;
    };
    struct Case {
        const char* name;
        int pressX;
        std::vector<Move> moves;
        std::optional<ZoomBand> band;
    };
    const Case cases[] = {
        {"click without movement", 200, {}, std::nullopt},
        {"moved inside, back to the start", 200, {{260, 225}, {200, 225}}, std::nullopt},
        {"never entered the area", 10, {{20, 225}, {30, 225}}, std::nullopt},
        {"along the top margin only", 100, {{200, 20}, {300, 20}}, std::nullopt},
        {"plain drag", 100, {{200, 225}, {300, 225}}, ZoomBand{100, 300}},
        {"dragged leftwards", 300, {{120, 225}}, ZoomBand{300, 120}},
        // The moving edge freezes at the last position inside the area; the release outside
        // still zooms to it.
        {"released outside, right", 300, {{400, 225}, {590, 225}}, ZoomBand{300, 400}},
        {"released below the area", 100, {{250, 300}, {260, 440}}, ZoomBand{100, 250}},
        {"started in the margin", 20, {{30, 225}, {120, 225}}, ZoomBand{20, 120}},
        {"area edges belong to it", 300, {{560, 410}}, ZoomBand{300, 560}},
    };
    for (const Case& c : cases) {
        TZoomDrag drag;
        drag.press(c.pressX);
        for (const Move& m : c.moves)
            drag.move(m.x, m.y, Area);
        EXPECT_EQ(drag.band(), c.band) << c.name;
        EXPECT_EQ(drag.release(), c.band) << c.name;
        EXPECT_FALSE(drag.active()) << c.name;
        // A release ends the gesture: the next one starts afresh.
        EXPECT_EQ(drag.release(), std::nullopt) << c.name;
    }
}

TEST(ZoomDrag, RowsBoxesAndTheThreshold)
{
    struct Case {
        const char* name;
        ZoomKind kind;
        int threshold;
        int x1;
        int y1;
        std::optional<ZoomBand> band;
    };
    // Every drag starts at (100, 100).
    const Case cases[] = {
        {"rows", ZoomKind::Rows, 0, 100, 300, ZoomBand{0, 0, ZoomKind::Rows, 100, 300}},
        {"rows need height", ZoomKind::Rows, 0, 400, 100, std::nullopt},
        {"box", ZoomKind::Box, 0, 300, 200, ZoomBand{100, 300, ZoomKind::Box, 100, 200}},
        {"box needs both", ZoomKind::Box, 0, 300, 100, std::nullopt},
        {"columns under the threshold", ZoomKind::Columns, 4, 103, 300, std::nullopt},
        {"columns at the threshold", ZoomKind::Columns, 4, 104, 300, ZoomBand{100, 104}},
        {"box under the threshold in one direction", ZoomKind::Box, 4, 150, 102, std::nullopt},
    };
    for (const Case& c : cases) {
        TZoomDrag drag;
        drag.press(100, 100, c.kind, c.threshold);
        drag.move(c.x1, c.y1, Area);
        EXPECT_EQ(drag.release(), c.band) << c.name;
    }
    // A band of rows keeps the area's full width; a box its own columns.
    EXPECT_EQ((ZoomBand{0, 0, ZoomKind::Rows, 300, 100}.rect(Area)), PlotRect(40, 100, 560, 300));
    EXPECT_EQ((ZoomBand{300, 100, ZoomKind::Box, 50, 60}.rect(Area)), PlotRect(100, 50, 300, 60));
}

TEST(ZoomDrag, MovesWithoutAPressAndCancelledDragsGiveNothing)
{
    TZoomDrag drag;
    EXPECT_EQ(drag.move(300, 225, Area), std::nullopt);
    EXPECT_EQ(drag.release(), std::nullopt);
    drag.press(100);
    EXPECT_EQ(drag.move(300, 225, Area), (ZoomBand{100, 300}));
    drag.cancel();
    EXPECT_EQ(drag.release(), std::nullopt);
    // An earlier gesture's edge does not carry into the next one.
    drag.press(100);
    drag.move(300, 225, Area);
    drag.release();
    drag.press(200);
    EXPECT_EQ(drag.release(), std::nullopt);
}

TEST(LogSession, DragAcrossReplaysAContinuousMouseDrag)
{
    struct Case {
        int x0;
        int x1;
        std::optional<std::vector<double>> kept;  // azimuths left, or no zoom
    };
    // Columns 40 + a, so a band from column c0 to c1 keeps azimuths c0 - 40 .. c1 - 40.
    const Case cases[] = {
        {100, 250, Range(60, 210, 10)}, {250, 100, Range(60, 210, 10)},
        {100, 700, Range(60, 520, 10)},                            // out through the right edge: frozen at 560
        {300, 10, Range(0, 260, 10)},                              // out through the left edge: frozen at 40
        {590, 10, Range(0, 520, 10)},                              // from the right margin across the whole area
        {10, 30, std::nullopt},                                    // never inside the area
        {590, 595, std::nullopt},       {-5, 300, std::nullopt},   // pressed outside the control: no drag at all
        {600, 300, std::nullopt},       {100, 100, std::nullopt},  // a click: the band has no width
    };
    for (const Case& c : cases) {
        TLogSession session;
        LoadGrid(session);
        EXPECT_EQ(session.dragAcross(c.x0, c.x1), c.kept.has_value()) << c.x0 << " to " << c.x1;
        EXPECT_EQ(session.canUndo(), c.kept.has_value()) << c.x0 << " to " << c.x1;
        EXPECT_EQ(Azimuths(session.store().allSamples()), c.kept.value_or(Range(0, 520, 10))) << c.x0 << " to " << c.x1;
        EXPECT_FALSE(session.zoomDrag().active());
    }
}

TEST(LogSession, ZoomsUndoAndResetRescaleTheView)
{
    TLogSession session;
    LoadGrid(session);
    EXPECT_FALSE(session.undo());
    EXPECT_FALSE(session.reset());
    ASSERT_TRUE(session.dragAcross(100, 250));
    // The scales follow the kept samples: azimuth 60..210.
    EXPECT_EQ(session.view().HorizontalScale(false).Minimum, 60.0);
    EXPECT_EQ(session.view().HorizontalScale(false).Maximum, 210.0);
    // Now 150 over 520 columns: the band 500..560 keeps trunc((a - 60) * 520 / 150) >= 460,
    // a >= 192.7, so 200 and 210.
    ASSERT_TRUE(session.dragAcross(500, 599));
    EXPECT_EQ(Azimuths(session.store().allSamples()), (std::vector<double>{200, 210}));
    EXPECT_TRUE(session.undo());
    EXPECT_EQ(Azimuths(session.store().allSamples()), Range(60, 210, 10));
    ASSERT_TRUE(session.dragAcross(100, 300));
    EXPECT_TRUE(session.reset());
    EXPECT_FALSE(session.canUndo());
    EXPECT_EQ(session.view().HorizontalScale(false).Maximum, 520.0);
    session.computePlottedPoints();
    EXPECT_EQ(session.plottedPoints().size(), 53u);
    EXPECT_EQ(session.plottedPoints().pixelX.back(), 560.0);
}

TEST(LogSession, NextSessionKeepsTheChoicesButNotTheData)
{
    TLogSession session(700, 500);
    LoadGrid(session);
    session.setPositiveVoltageView(true);
    session.computePlottedPoints();
    // A fit of three coefficients through the 53 points leaves three kept coefficients.
    session.fit(3);
    ASSERT_EQ(session.fitCoefficients().size(), 3u);

    const auto next = session.nextSession();
    EXPECT_EQ(next->view().controlWidth, 700);
    EXPECT_EQ(next->view().controlHeight, 500);
    EXPECT_EQ(next->horizontalQuantity(), Azimuth);
    EXPECT_EQ(next->verticalQuantity(), Altitude);
    EXPECT_TRUE(next->positiveVoltageView());
    EXPECT_EQ(next->fitCoefficients(), session.fitCoefficients());
    EXPECT_FALSE(next->hasSamples());
    EXPECT_TRUE(next->plottedPoints().empty());
    EXPECT_TRUE(next->path().empty());
    // The session it came from is untouched.
    EXPECT_EQ(session.store().allSamples().size(), 53u);
}

TEST(LogSession, FailedReadLeavesTheSessionEmptyAndUnnamed)
{
    TLogSession session;
    const TReadResult read = session.read("/nonexistent/folder/none.log");
    EXPECT_EQ(read.status, TReadResult::OpenFailed);
    EXPECT_FALSE(read.reason.empty());
    EXPECT_TRUE(session.path().empty());
    EXPECT_FALSE(session.hasSamples());
}

}  // namespace
}  // namespace driftline
