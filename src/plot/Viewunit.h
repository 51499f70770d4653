#pragma once
// The view model of the plot: plot area, the sixteen axis scales, the chosen quantities, the
// pixel arithmetic of a redraw (samples, grid, labels), zoom by band, undo, reset and the mouse
// read-out. The window and driftline-cli both run it, so they compute the same numbers; the
// window's drawing code only draws what this computes.
#include "logdata/Samplestore.h"
#include "plot/AxisMap.h"
#include "plot/AxisScale.h"
#include "plot/PlotRect.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace driftline {

// Design size of the plot control and the margin around its plot area.
inline constexpr std::int32_t DefaultPlotWidth = 600;
inline constexpr std::int32_t DefaultPlotHeight = 450;
inline constexpr std::int32_t PlotAreaInset = 40;

// Grid line positions of a redraw: pixel x of each vertical line (drawn from Area.top to
// Area.bottom) and pixel y of each horizontal line (from Area.left to Area.right), in drawing order.
struct GridLines {
    std::vector<std::int32_t> x;
    std::vector<std::int32_t> y;
};

// One label of a redraw: its text and reference point (top-left of the unrotated text), and its
// angle in degrees counter-clockwise (0 or 90).
struct PlotLabel {
    std::string text;
    std::int32_t x = 0;
    std::int32_t y = 0;
    double angle = 0.0;
};

// The seven labels in drawing order.
enum PlotLabelIndex : int {
    LabelVerticalName = 0,
    LabelVerticalMaximum = 1,
    LabelVerticalMinimum = 2,
    LabelHorizontalMaximum = 3,
    LabelHorizontalMinimum = 4,
    LabelHorizontalName = 5,
    LabelTitle = 6,
};
using PlotLabels = std::array<PlotLabel, 7>;

// Width in pixels of a text in the plot's font (the caller's canvas measures it).
using TextWidthFn = std::function<std::int32_t(const std::string&)>;

class TPlotView {
public:
    // A control of width x height pixels with the plot area inset PlotAreaInset on each side,
    // the initial scales, and Time on the horizontal and Volts on the vertical axis.
    explicit TPlotView(std::int32_t width = DefaultPlotWidth, std::int32_t height = DefaultPlotHeight);

    std::int32_t controlWidth;
    std::int32_t controlHeight;
    PlotRect Area;
    AxisScales axisScales;
    Quantity horizontalQuantity = Time;
    Quantity verticalQuantity = Volts;
    // Every grid line labelled with its value (GridValueText) besides the seven classic labels;
    // off gives the classic picture.
    bool gridValues = false;

    // A control of width x height pixels from now on, the area inset PlotAreaInset on each side
    // (the plot follows its window). Plotted points must be computed again afterwards.
    void resize(std::int32_t width, std::int32_t height);

    // The scale of quantity q in the positive-voltage view (p) or the all-samples view.
    const AxisScale& Scale(int q, bool p) const { return axisScales[ScaleIndex(q, p)]; }
    const AxisScale& HorizontalScale(bool p) const { return Scale(horizontalQuantity, p); }
    const AxisScale& VerticalScale(bool p) const { return Scale(verticalQuantity, p); }

    // Rescale of all sixteen scales over the store's two sample lists.
    void rescaleAll(const TSampleStore& store);
    void rescaleAll(const SampleView& allSamples, const SampleView& voltageSamples);

    // The axis maps of quantity q in view p: its scale onto the area's columns (left to right)
    // and onto the area's rows (bottom up). Every pixel of a redraw, zoom and read-out comes
    // from these two.
    TAxisMap horizontalMap(int q, bool p) const;
    TAxisMap verticalMap(int q, bool p) const;
    TAxisMap horizontalMap(bool p) const { return horizontalMap(horizontalQuantity, p); }
    TAxisMap verticalMap(bool p) const { return verticalMap(verticalQuantity, p); }

    // Pixel position of a sample with horizontal quantity h and vertical quantity w on the
    // scales of view p: the horizontal map's pixel of s[h] and the vertical map's of s[w].
    PlotPoint samplePixel(const Sample& s, int h, int w, bool p) const;
    // Refills points with the values and pixel positions of every sample of activeSamples, in
    // list order (the red line joins them in this order).
    void computePlottedPoints(const SampleView& activeSamples, int h, int w, bool p, PlottedPoints& points) const;
    // The same for the view's own quantities.
    void computePlottedPoints(const SampleView& activeSamples, bool p, PlottedPoints& points) const
    {
        computePlottedPoints(activeSamples, horizontalQuantity, verticalQuantity, p, points);
    }

    // Brings points up to date with activeSamples when they were computed for a first part of it
    // (the list has only grown since, as a followed log's does) with the view's own quantities:
    // the pixels of the points there are are computed again on the axes whose scale changed,
    // and the new samples' points are added. The result is what computePlottedPoints gives.
    void extendPlottedPoints(const SampleView& activeSamples, bool p, PlottedPoints& points, bool horizontalChanged,
                             bool verticalChanged) const;

    // Grid line positions of the view's quantities in view p: for d from FirstTick by repeated
    // addition of TickStep while d < LastTick.
    GridLines gridLines(bool p) const;
    // The seven labels of the view's quantities in view p; names are the quantities' captions.
    PlotLabels labels(bool p, const TextWidthFn& textWidth) const;
    // One label per grid line of view p (gridLines order: the vertical lines, then the
    // horizontal ones), texts by GridValueText, inside the area: a vertical line's label reads
    // upwards from just above the area's bottom, beside the line; a horizontal line's label lies
    // along the area's left edge just above the line (below it at the top), or along its right
    // edge when it would cover a vertical line's label at the left and not at the right.
    // textHeight is the font's line height in pixels.
    std::vector<PlotLabel> gridValueLabels(bool p, const TextWidthFn& textWidth, std::int32_t textHeight) const;

    // Zoom to the band between pixel columns bandStartX and bandEndX (either order): pushes
    // copies of both lists on the undo histories, keeps in both lists, in order, the samples whose
    // pixel position on the scales of view p lies in the band over the full plot-area height
    // (edges included), then rescales. A sample of either list outside the displayed vertical
    // range is therefore dropped too.
    void ZoomToBand(TSampleStore& store, std::int32_t bandStartX, std::int32_t bandEndX, bool p);
    // The same for any rectangle of pixels (edges included): a band of rows, or a box.
    void ZoomToRect(TSampleStore& store, const PlotRect& rect, bool p);
    // True while there is a zoom to undo.
    static bool CanUndo(const TSampleStore& store) { return store.canUndo(); }
    // Brings back the lists as they were before the latest zoom and rescales; nothing without one.
    void Undo(TSampleStore& store);
    // Brings back the lists as they were before the first zoom, empties both histories and
    // rescales; nothing without a zoom.
    void Reset(TSampleStore& store);

    // Read-out of the horizontal quantity at mouse x in view p: empty outside the area's columns.
    std::string ReadoutTextX(std::int32_t x, bool p) const;
    // Read-out of the vertical quantity at mouse y in view p: empty outside the area's rows.
    std::string ReadoutTextY(std::int32_t y, bool p) const;
};

}  // namespace driftline
