// The plot's view model: pixel arithmetic of a redraw, zoom history and mouse read-out.
#include "plot/Viewunit.h"

#include "plot/QuantityText.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

namespace driftline {

TPlotView::TPlotView(std::int32_t width, std::int32_t height)
    : controlWidth(width),
      controlHeight(height),
      Area(PlotAreaInset, PlotAreaInset, width - PlotAreaInset, height - PlotAreaInset),
      axisScales(InitialAxisScales())
{
}

void TPlotView::rescaleAll(const TSampleStore& store) { rescaleAll(store.allSamples, store.voltageSamples); }

void TPlotView::rescaleAll(const SampleList& allSamples, const SampleList& voltageSamples)
{
    driftline::rescaleAll(axisScales, allSamples, voltageSamples);
}

PlotPoint TPlotView::samplePixel(const Sample& s, int h, int w, bool p) const
{
    const AxisScale& sh = Scale(h, p);
    const AxisScale& sw = Scale(w, p);
    return {Area.left + sh.ToPixel(s[h], Area.Width()), Area.bottom - sw.ToPixel(s[w], Area.Height())};
}

void TPlotView::computePlottedPoints(const SampleList& activeSamples, int h, int w, bool p,
                                     PlottedPoints& points) const
{
    points.clear();
    const std::size_t n = activeSamples.size();
    points.horizontalValues.reserve(n);
    points.verticalValues.reserve(n);
    points.pixelX.reserve(n);
    points.pixelY.reserve(n);
    for (const Sample& s : activeSamples) {
        const PlotPoint pixel = samplePixel(s, h, w, p);
        points.horizontalValues.push_back(s[h]);
        points.verticalValues.push_back(s[w]);
        points.pixelX.push_back(pixel.x);
        points.pixelY.push_back(pixel.y);
    }
}

void TPlotView::extendPlottedPoints(const SampleList& activeSamples, bool p, PlottedPoints& points,
                                    bool horizontalChanged, bool verticalChanged) const
{
    const int h = horizontalQuantity;
    const int w = verticalQuantity;
    const AxisScale& sh = Scale(h, p);
    const AxisScale& sw = Scale(w, p);
    const std::int32_t width = Area.Width();
    const std::int32_t height = Area.Height();
    const std::size_t old = std::min(points.size(), activeSamples.size());
    // The kept values are the samples' own, and each pixel is AxisScale::ToPixel's arithmetic in
    // the same order, written without branches so that the compiler can work on several at once.
    auto pixels = [old](const AxisScale& scale, std::int32_t n, const std::vector<double>& values,
                        std::vector<double>& out, double origin, double sign) {
        if (scale.Maximum == scale.Minimum) {
            std::fill(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(old), origin);
            return;
        }
        const double minimum = scale.Minimum;
        const double range = scale.Maximum - scale.Minimum;
        const double length = n;
        const double limit = AxisScale::PixelLimit;
        const double* v = values.data();
        double* o = out.data();
        for (std::size_t i = 0; i < old; ++i) {
            const double t = std::trunc((v[i] - minimum) * length / range);
            double r = t >= limit ? limit : t;
            r = t <= -limit ? -limit : r;
            r = t != t ? 0.0 : r;
            o[i] = origin + sign * r;
        }
    };
    if (horizontalChanged)
        pixels(sh, width, points.horizontalValues, points.pixelX, Area.left, 1.0);
    if (verticalChanged)
        pixels(sw, height, points.verticalValues, points.pixelY, Area.bottom, -1.0);
    for (std::size_t i = old; i < activeSamples.size(); ++i) {
        const Sample& s = activeSamples[i];
        const PlotPoint pixel = samplePixel(s, h, w, p);
        points.horizontalValues.push_back(s[h]);
        points.verticalValues.push_back(s[w]);
        points.pixelX.push_back(pixel.x);
        points.pixelY.push_back(pixel.y);
    }
}

namespace {

// Grid values of one scale by repeated addition, as the redraw accumulates them, mapped to pixel
// offsets along an axis of n pixels. A step that no longer moves the sum ends the loop, which a
// step of zero or a range of nothing but rounding would otherwise never do.
template <typename Emit>
void ForEachGridValue(const AxisScale& s, std::int32_t n, Emit emit)
{
    if (!(s.TickStep > 0))
        return;
    for (double d = s.FirstTick; d < s.LastTick; d += s.TickStep) {
        emit(s.ToPixel(d, n));
        if (d + s.TickStep == d)
            break;
    }
}

}  // namespace

GridLines TPlotView::gridLines(bool p) const
{
    GridLines grid;
    ForEachGridValue(HorizontalScale(p), Area.Width(), [&](std::int32_t offset) { grid.x.push_back(Area.left + offset); });
    ForEachGridValue(VerticalScale(p), Area.Height(), [&](std::int32_t offset) { grid.y.push_back(Area.bottom - offset); });
    return grid;
}

PlotLabels TPlotView::labels(bool p, const TextWidthFn& textWidth) const
{
    const AxisScale& sh = HorizontalScale(p);
    const AxisScale& sw = VerticalScale(p);
    const std::string verticalName = QuantityCaption(verticalQuantity);
    const std::string horizontalName = QuantityCaption(horizontalQuantity);

    PlotLabels out;
    // Vertical texts are written upwards from their reference point, so a text of width t that
    // should end at the area's top starts t pixels below it.
    out[LabelVerticalName] = {verticalName, 2, (textWidth(verticalName) + Area.top + Area.bottom) / 2, 90.0};
    std::string t = sw.MaximumText();
    out[LabelVerticalMaximum] = {t, Area.left - 15, Area.top + textWidth(t), 90.0};
    out[LabelVerticalMinimum] = {sw.MinimumText(), Area.left - 15, Area.bottom, 90.0};
    t = sh.MaximumText();
    out[LabelHorizontalMaximum] = {t, Area.right - textWidth(t), Area.bottom + 2, 0.0};
    out[LabelHorizontalMinimum] = {sh.MinimumText(), Area.left, Area.bottom + 2, 0.0};
    out[LabelHorizontalName] = {horizontalName, (controlWidth - textWidth(horizontalName)) / 2, Area.bottom + 20, 0.0};
    const std::string title = verticalName + " v " + horizontalName;
    out[LabelTitle] = {title, (controlWidth - textWidth(title)) / 2, 10, 0.0};
    return out;
}

namespace {

// Records one zoom of a list in its history: the flags of the samples keep() accepts.
// The test stays with the history, so samples of a followed log that arrive later are judged
// by the same band.
template <typename Keep>
void NarrowWithHistory(SampleList& list, TUndoHistory& history, const Keep& keep)
{
    std::vector<bool> kept(list.size());
    for (std::size_t i = 0; i < list.size(); ++i)
        kept[i] = keep(list[i]);
    history.recordZoom(list, kept, TUndoHistory::SampleTest(keep));
}

}  // namespace

void TPlotView::ZoomToBand(TSampleStore& store, std::int32_t bandStartX, std::int32_t bandEndX, bool p)
{
    const PlotRect band(bandStartX, Area.top, bandEndX, Area.bottom);
    const int h = horizontalQuantity;
    const int w = verticalQuantity;
    // Both lists are judged on the scales of the view on screen, before the rescale. The pixel
    // is the one samplePixel gives; its y is needed only when x already lies in the band.
    // The test holds copies of the scales: it outlives this rescale.
    const auto inBand = [sh = Scale(h, p), sw = Scale(w, p), width = Area.Width(),
                                             height = Area.Height(), left = Area.left, bottom = Area.bottom,
                                             band, h, w](const Sample& s) {
        const std::int32_t x = left + sh.ToPixel(s[h], width);
        if (x < band.left || x > band.right)
            return false;
        const std::int32_t y = bottom - sw.ToPixel(s[w], height);
        return band.top <= y && y <= band.bottom;
    };
    NarrowWithHistory(store.allSamples, store.allUndo, inBand);
    NarrowWithHistory(store.voltageSamples, store.voltageUndo, inBand);
    rescaleAll(store);
}

std::int32_t TPlotView::DragBandEnd(std::int32_t x0, std::int32_t x1) const
{
    if (x0 < 0 || x0 >= controlWidth)
        return 0;
    if (Area.left <= x1 && x1 <= Area.right)
        return x1;
    if (std::max(x0, x1) < Area.left || std::min(x0, x1) > Area.right)
        return 0;
    // The band's moving edge froze where the mouse left the area.
    return x1 > Area.right ? Area.right : Area.left;
}

bool TPlotView::ZoomByDrag(TSampleStore& store, std::int32_t x0, std::int32_t x1, bool p)
{
    const std::int32_t bandEndX = DragBandEnd(x0, x1);
    if (bandEndX == 0 || bandEndX == x0)
        return false;
    ZoomToBand(store, x0, bandEndX, p);
    return true;
}

void TPlotView::Undo(TSampleStore& store)
{
    if (store.allUndo.empty())
        return;
    store.allSamples = store.allUndo.takeBack();
    if (!store.voltageUndo.empty())
        store.voltageSamples = store.voltageUndo.takeBack();
    rescaleAll(store);
}

void TPlotView::Reset(TSampleStore& store)
{
    if (store.allUndo.empty())
        return;
    store.allSamples = store.allUndo.takeFront();
    if (!store.voltageUndo.empty())
        store.voltageSamples = store.voltageUndo.takeFront();
    rescaleAll(store);
}

std::string TPlotView::ReadoutTextX(std::int32_t x, bool p) const
{
    if (x < Area.left || x > Area.right)
        return {};
    // A plot area one pixel column wide reads its minimum rather than dividing by zero.
    const double f = Area.right > Area.left ? static_cast<double>(x - Area.left) / (Area.right - Area.left) : 0.0;
    return QuantityText(horizontalQuantity, HorizontalScale(p).ValueAt(f));
}

std::string TPlotView::ReadoutTextY(std::int32_t y, bool p) const
{
    if (y < Area.top || y > Area.bottom)
        return {};
    const double f = Area.bottom > Area.top ? static_cast<double>(Area.bottom - y) / (Area.bottom - Area.top) : 0.0;
    return QuantityText(verticalQuantity, VerticalScale(p).ValueAt(f));
}

}  // namespace driftline
