// The plotted point nearest to a pixel, by column buckets of row-sorted pixels.
#include "plot/Nearestpoint.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace driftline {

namespace {

// Pixel positions are whole numbers held as doubles; anything else (never produced by a redraw)
// is held to a range in which distances cannot overflow.
std::int32_t PixelOf(double v)
{
    constexpr double Limit = 1 << 28;
    if (std::isnan(v))
        return 0;
    return static_cast<std::int32_t>(std::clamp(v, -Limit, Limit));
}

// Span of a counting sort's keys beyond which a comparison sort is used instead.
constexpr std::int64_t MaxCountingSpan = std::int64_t{1} << 22;

}  // namespace

void TNearestPoints::clear()
{
    columnStart_.clear();
    rows_.clear();
    index_.clear();
    columnX_.clear();
}

void TNearestPoints::build(const PlottedPoints& points)
{
    clear();
    const std::size_t n = points.size();
    if (n == 0 || n > std::numeric_limits<std::uint32_t>::max())
        return;
    std::vector<std::int32_t> xs(n), ys(n);
    std::int32_t minX = std::numeric_limits<std::int32_t>::max(), maxX = std::numeric_limits<std::int32_t>::min();
    std::int32_t minY = minX, maxY = maxX;
    for (std::size_t i = 0; i < n; ++i) {
        xs[i] = PixelOf(points.pixelX[i]);
        ys[i] = PixelOf(points.pixelY[i]);
        minX = std::min(minX, xs[i]);
        maxX = std::max(maxX, xs[i]);
        minY = std::min(minY, ys[i]);
        maxY = std::max(maxY, ys[i]);
    }
    const std::int64_t spanX = std::int64_t{maxX} - minX + 1;
    const std::int64_t spanY = std::int64_t{maxY} - minY + 1;

    // Order the points by column, then row, then list position.
    std::vector<std::uint32_t> order(n);
    if (spanX <= MaxCountingSpan && spanY <= MaxCountingSpan) {
        // Two stable counting sorts (by row, then by column): linear in the points and pixels.
        std::vector<std::uint32_t> byRow(n);
        std::vector<std::uint32_t> count(static_cast<std::size_t>(std::max(spanX, spanY)) + 1);
        std::fill(count.begin(), count.begin() + spanY + 1, 0u);
        for (std::size_t i = 0; i < n; ++i)
            ++count[static_cast<std::size_t>(ys[i] - minY) + 1];
        for (std::int64_t r = 0; r < spanY; ++r)
            count[static_cast<std::size_t>(r) + 1] += count[static_cast<std::size_t>(r)];
        for (std::size_t i = 0; i < n; ++i)
            byRow[count[static_cast<std::size_t>(ys[i] - minY)]++] = static_cast<std::uint32_t>(i);
        std::fill(count.begin(), count.begin() + spanX + 1, 0u);
        for (std::size_t i = 0; i < n; ++i)
            ++count[static_cast<std::size_t>(xs[i] - minX) + 1];
        for (std::int64_t c = 0; c < spanX; ++c)
            count[static_cast<std::size_t>(c) + 1] += count[static_cast<std::size_t>(c)];
        for (const std::uint32_t i : byRow)
            order[count[static_cast<std::size_t>(xs[i] - minX)]++] = i;
    } else {
        for (std::size_t i = 0; i < n; ++i)
            order[i] = static_cast<std::uint32_t>(i);
        std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            if (xs[a] != xs[b])
                return xs[a] < xs[b];
            if (ys[a] != ys[b])
                return ys[a] < ys[b];
            return a < b;
        });
    }

    // One entry per occupied pixel, the earliest point there, and the columns as offsets.
    rows_.reserve(n);
    index_.reserve(n);
    for (std::size_t k = 0; k < n; ++k) {
        const std::uint32_t i = order[k];
        if (columnX_.empty() || columnX_.back() != xs[i]) {
            columnX_.push_back(xs[i]);
            columnStart_.push_back(static_cast<std::uint32_t>(rows_.size()));
        } else if (rows_.back() == ys[i]) {
            continue;
        }
        rows_.push_back(ys[i]);
        index_.push_back(i);
    }
    columnStart_.push_back(static_cast<std::uint32_t>(rows_.size()));
    rows_.shrink_to_fit();
    index_.shrink_to_fit();
}

std::optional<std::size_t> TNearestPoints::nearest(std::int32_t x, std::int32_t y) const
{
    if (rows_.empty())
        return std::nullopt;
    std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
    std::uint32_t best = 0;
    const auto consider = [&](std::size_t c, std::int64_t dx) {
        const auto first = rows_.begin() + columnStart_[c];
        const auto last = rows_.begin() + columnStart_[c + 1];
        // The nearest rows of a column lie on either side of y.
        const auto above = std::lower_bound(first, last, y);
        for (const auto it : {above, above - 1}) {
            if (it < first || it >= last)
                continue;
            const std::int64_t dy = std::int64_t{*it} - y;
            const std::int64_t d = dx * dx + dy * dy;
            const std::uint32_t i = index_[static_cast<std::size_t>(it - rows_.begin())];
            if (d < bestDistance || (d == bestDistance && i < best)) {
                bestDistance = d;
                best = i;
            }
        }
    };
    // Walk the occupied columns outwards from x, always taking the nearer side next; a column at
    // horizontal distance dx holds nothing nearer than dx, so the walk ends once dx * dx exceeds
    // the best distance (equal distances still count, for the earlier point).
    const std::size_t columns = columnX_.size();
    std::size_t right = static_cast<std::size_t>(std::lower_bound(columnX_.begin(), columnX_.end(), x) -
                                                 columnX_.begin());
    std::size_t left = right;  // the next column on the left is left - 1
    for (;;) {
        const std::int64_t dxRight = right < columns ? std::int64_t{columnX_[right]} - x : -1;
        const std::int64_t dxLeft = left > 0 ? std::int64_t{x} - columnX_[left - 1] : -1;
        const bool takeRight = dxRight >= 0 && (dxLeft < 0 || dxRight <= dxLeft);
        const std::int64_t dx = takeRight ? dxRight : dxLeft;
        if (dx < 0 || dx * dx > bestDistance)
            break;
        if (takeRight)
            consider(right++, dx);
        else
            consider(--left, dx);
    }
    return best;
}

}  // namespace driftline
