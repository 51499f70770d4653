#pragma once
// The plotted point nearest to a pixel: the read-out of the sample under the mouse. Built once
// per redraw over the plotted pixel positions, then asked at every mouse move, so a query must
// not visit every point: the points are kept by pixel column, each column's rows sorted, and a
// query walks outwards column by column only as far as the best distance found allows.
#include "plot/AxisScale.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace driftline {

class TNearestPoints {
public:
    TNearestPoints() = default;
    explicit TNearestPoints(const PlottedPoints& points) { build(points); }

    // Indexes the pixel positions (pixelX, pixelY) of points, replacing what was indexed.
    void build(const PlottedPoints& points);
    void clear();
    bool empty() const { return rows_.empty(); }

    // The index (into the plotted points, hence into the active samples) of the point nearest to
    // pixel (x, y) by straight-line distance in pixels; of several at the same distance, the one
    // earliest in the list. Nothing when no point was indexed.
    std::optional<std::size_t> nearest(std::int32_t x, std::int32_t y) const;

private:
    // The occupied columns, ascending; the entries of column columnX_[c] are
    // [columnStart_[c], columnStart_[c + 1]), by ascending row, one per pixel (the earliest point
    // there).
    std::vector<std::int32_t> columnX_;
    std::vector<std::uint32_t> columnStart_;
    std::vector<std::int32_t> rows_;
    std::vector<std::uint32_t> index_;
};

}  // namespace driftline
