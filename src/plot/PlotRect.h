#pragma once
// The plot area of the drawing surface and the clipping of line segments against it.
// Pixels of the control: x grows to the right, y downwards. All four edges belong to the area.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace driftline {

// One pixel position in the control.
struct PlotPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const PlotPoint&, const PlotPoint&) = default;
};

// A rectangle in pixels of the control, always normalised (left <= right, top <= bottom).
struct PlotRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    PlotRect() = default;
    // From two corners in any order: swapped so that left <= right and top <= bottom.
    PlotRect(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1);

    // True when left <= x <= right and top <= y <= bottom (edges included).
    bool Contains(std::int32_t x, std::int32_t y) const { return left <= x && x <= right && top <= y && y <= bottom; }
    bool Contains(PlotPoint p) const { return Contains(p.x, p.y); }
    // right - left and bottom - top: the axis lengths the value-to-pixel mapping uses.
    std::int32_t Width() const { return right - left; }
    std::int32_t Height() const { return bottom - top; }

    friend bool operator==(const PlotRect&, const PlotRect&) = default;
};

// The crossings of a segment with the edges of an area, in the order left, right, top, bottom;
// at most four (a segment through two corners finds each corner on both of its edges).
class ClipList {
public:
    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    const PlotPoint& operator[](std::size_t i) const { return points_[i]; }
    const PlotPoint* begin() const { return points_.data(); }
    const PlotPoint* end() const { return points_.data() + count_; }
    void push_back(PlotPoint p) { points_[count_++] = p; }

private:
    std::array<PlotPoint, 4> points_{};
    std::size_t count_ = 0;
};

// Crossings of the segment p0-p1 with the four edge lines of area, each kept only where it lies on
// the edge itself (edge ends included); the coordinate along the edge is truncated toward zero.
// Products are formed in 64 bits, so far-away points cannot overflow.
ClipList ClipPoints(const PlotRect& area, PlotPoint p0, PlotPoint p1);

// The piece of a segment from lastPoint to p that the surface's LineTo draws: the whole segment
// when both ends are inside; inside-to-outside ends at the first crossing; outside-to-inside
// starts at the first crossing; both outside draws between the first two crossings; nothing
// otherwise. The caller still moves its pen to p in every case.
struct PlotSegment {
    PlotPoint from;
    PlotPoint to;
};
std::optional<PlotSegment> LineToSegment(const PlotRect& area, PlotPoint lastPoint, PlotPoint p);

}  // namespace driftline
