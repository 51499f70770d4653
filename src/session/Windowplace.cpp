// Where a tool window opens beside the main window.
#include "session/Windowplace.h"

#include <algorithm>

namespace driftline {

namespace {
// The nearest start in [low, high - size], or low when size does not fit between them.
std::int64_t Clamp(std::int64_t start, std::int64_t size, std::int64_t low, std::int64_t high)
{
    return std::max(low, std::min(start, high - size));
}
}  // namespace

ScreenPoint PlaceBeside(const ScreenRect& main, std::int32_t width, std::int32_t height, const ScreenRect& available)
{
    const std::int64_t left = available.x;
    const std::int64_t right = std::int64_t{available.x} + available.width;
    const std::int64_t besideRight = std::int64_t{main.x} + main.width;
    const std::int64_t besideLeft = std::int64_t{main.x} - width;
    std::int64_t x = 0;
    if (besideRight >= left && besideRight + width <= right)
        x = besideRight;
    else if (besideLeft >= left && besideLeft + width <= right)
        x = besideLeft;
    else
        x = Clamp(besideRight, width, left, right);
    const std::int64_t y = Clamp(main.y, height, available.y, std::int64_t{available.y} + available.height);
    return {static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)};
}

}  // namespace driftline
