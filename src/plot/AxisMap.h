#pragma once
// One axis of the plot as a mapping between a scale's values and the control's pixels: the
// scale's interval [Minimum, Maximum] onto the pixel interval from `first` to `last`. The
// horizontal axis runs from the area's left column to its right one; the vertical axis is
// inverted, from the area's bottom row up to its top row, because pixel rows grow downwards.
#include "plot/AxisScale.h"

#include <cstdint>

namespace driftline {

class TAxisMap {
public:
    // The map of scale onto pixels from first (where Minimum lands) to last (where Maximum lands).
    // last < first makes an inverted axis.
    TAxisMap(const AxisScale& scale, std::int32_t first, std::int32_t last) : scale_(scale), first_(first), last_(last)
    {}
    // The horizontal map of a plot area's columns and the vertical map of its rows.
    static TAxisMap Horizontal(const AxisScale& scale, std::int32_t left, std::int32_t right)
    {
        return TAxisMap(scale, left, right);
    }
    static TAxisMap Vertical(const AxisScale& scale, std::int32_t top, std::int32_t bottom)
    {
        return TAxisMap(scale, bottom, top);
    }

    bool inverted() const { return last_ < first_; }
    // Pixels between the two ends (never negative).
    std::int32_t length() const { return inverted() ? first_ - last_ : last_ - first_; }

    // Pixel of a sample's value v: the pixel of the value the scale plots it at (PlotValue).
    std::int32_t samplePixel(double v) const { return toPixel(scale_.PlotValue(v)); }

    // Pixel of plotted value v (a grid value, or a sample's value after PlotValue): first plus (or, inverted, minus) the offset truncated toward zero,
    // trunc((v - Minimum) * length / (Maximum - Minimum)); first when the range is empty. Offsets
    // beyond +-2^30 are held there (NaN gives first) so the result stays a defined integer.
    std::int32_t toPixel(double v) const
    {
        const std::int32_t offset = scale_.ToPixel(v, length());
        return inverted() ? first_ - offset : first_ + offset;
    }

    // True when pixel lies between the two ends (both included).
    bool covers(std::int32_t pixel) const
    {
        return inverted() ? last_ <= pixel && pixel <= first_ : first_ <= pixel && pixel <= last_;
    }

    // The value at pixel: Minimum + (Maximum - Minimum) * f with f the pixel's fraction of the way
    // from first to last. An axis of no length reads its Minimum rather than dividing by zero.
    double valueAt(std::int32_t pixel) const
    {
        const std::int32_t n = length();
        const std::int32_t along = inverted() ? first_ - pixel : pixel - first_;
        const double f = n > 0 ? static_cast<double>(along) / n : 0.0;
        return scale_.ValueAt(f);
    }

    const AxisScale& scale() const { return scale_; }
    std::int32_t first() const { return first_; }
    std::int32_t last() const { return last_; }

private:
    AxisScale scale_;
    std::int32_t first_;
    std::int32_t last_;
};

}  // namespace driftline
