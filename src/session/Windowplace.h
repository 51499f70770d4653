#pragma once
// Where a tool window opens beside the main window: the desktop's geometry as plain numbers, so
// the rule is the same on every platform and testable without a screen.
#include <cstdint>

namespace driftline {

// A rectangle of desktop pixels: top-left corner and size.
struct ScreenRect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

struct ScreenPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// Top-left corner for a window of width x height (frame included) beside the main window's frame
// main, on the available geometry of the main window's screen: against main's right edge when it
// fits there, else against its left edge, else as near the right edge as the screen allows; top-
// aligned with main, moved up or down as far as needed to stay on the screen. A window larger
// than the screen keeps its top-left corner on it.
ScreenPoint PlaceBeside(const ScreenRect& main, std::int32_t width, std::int32_t height, const ScreenRect& available);

}  // namespace driftline
