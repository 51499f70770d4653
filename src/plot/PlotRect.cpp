// Plot area rectangle and segment clipping.
#include "plot/PlotRect.h"

#include <cmath>
#include <utility>

namespace driftline {

PlotRect::PlotRect(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1)
    : left(x0), top(y0), right(x1), bottom(y1)
{
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
}

namespace {

// True when e lies between a and b, both included, whichever of them is the larger.
bool Between(std::int64_t e, std::int64_t a, std::int64_t b)
{
    return a <= b ? (a <= e && e <= b) : (b <= e && e <= a);
}

}  // namespace

// Crossings of a segment with the area's edges, in pixels; see the header for the order.
ClipList ClipPoints(const PlotRect& area, PlotPoint p0, PlotPoint p1)
{
    ClipList out;
    const std::int64_t x0 = p0.x, y0 = p0.y, x1 = p1.x, y1 = p1.y;
    // The segment's line is DY * X + DX * Y = C.
    const std::int64_t dx = x1 - x0;
    const std::int64_t dy = y0 - y1;
    const double c = static_cast<double>(x1 * y0 - y1 * x0);

    if (dx != 0) {
        for (const std::int32_t edgeX : {area.left, area.right}) {
            if (!Between(edgeX, x0, x1))
                continue;
            const double y = (c - static_cast<double>(edgeX * dy)) / static_cast<double>(dx);
            if (area.top <= y && y <= area.bottom)
                out.push_back({edgeX, static_cast<std::int32_t>(std::trunc(y))});
        }
    }
    if (dy != 0) {
        for (const std::int32_t edgeY : {area.top, area.bottom}) {
            if (!Between(edgeY, y0, y1))
                continue;
            const double x = (c - static_cast<double>(edgeY * dx)) / static_cast<double>(dy);
            if (area.left <= x && x <= area.right)
                out.push_back({static_cast<std::int32_t>(std::trunc(x)), edgeY});
        }
    }
    return out;
}

// The drawn piece of a LineTo from lastPoint to p, or none.
std::optional<PlotSegment> LineToSegment(const PlotRect& area, PlotPoint lastPoint, PlotPoint p)
{
    const bool in0 = area.Contains(lastPoint);
    const bool in1 = area.Contains(p);
    if (in0 && in1)
        return PlotSegment{lastPoint, p};
    const ClipList crossings = ClipPoints(area, lastPoint, p);
    if (crossings.empty())
        return std::nullopt;
    if (in0)
        return PlotSegment{lastPoint, crossings[0]};
    if (in1)
        return PlotSegment{crossings[0], p};
    if (crossings.size() >= 2)
        return PlotSegment{crossings[0], crossings[1]};
    return std::nullopt;
}

}  // namespace driftline
