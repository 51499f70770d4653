// Where the fit window opens beside the main window, on a desktop of 1600 x 900 whose task bar
// takes the bottom 40 rows (available: x 0..1600, y 0..860).
#include "session/Windowplace.h"

#include <gtest/gtest.h>

namespace driftline {
namespace {

TEST(WindowPlace, BesideTheMainWindowOnItsScreen)
{
    const ScreenRect screen{0, 0, 1600, 860};
    struct Case {
        ScreenRect main;
        int width, height;
        ScreenPoint expected;
        const char* why;
    };
    const Case cases[] = {
        {{100, 100, 800, 600}, 340, 280, {900, 100}, "room on the right: against the right edge, top-aligned"},
        {{800, 100, 800, 600}, 340, 280, {460, 100}, "main reaches the right edge: against its left edge"},
        {{1260, 100, 340, 600}, 340, 280, {920, 100}, "right edge exactly full (1260 + 340 = 1600): left"},
        {{920, 100, 340, 600}, 340, 280, {1260, 100}, "ends exactly at the screen's edge: still right"},
        {{100, 100, 1400, 600}, 340, 280, {1260, 100}, "room on neither side: as far right as fits"},
        {{100, 700, 800, 150}, 340, 280, {900, 580}, "would hang below the task bar: moved up (860 - 280)"},
        {{100, -50, 800, 600}, 340, 280, {900, 0}, "main above the top: the window stays on screen"},
        {{100, 100, 800, 600}, 2000, 1000, {0, 0}, "larger than the screen: top-left corner on it"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlaceBeside(c.main, c.width, c.height, screen), c.expected) << c.why;
}

TEST(WindowPlace, ASecondScreenToTheRight)
{
    // The main window on the right-hand monitor (x 1600..3520): its own screen's edges count.
    const ScreenRect right{1600, 0, 1920, 1040};
    EXPECT_EQ(PlaceBeside({3000, 200, 500, 400}, 340, 280, right), (ScreenPoint{2660, 200}));
    EXPECT_EQ(PlaceBeside({1700, 200, 500, 400}, 340, 280, right), (ScreenPoint{2200, 200}));
}

}  // namespace
}  // namespace driftline
