// The plot's view model: pixel arithmetic of a redraw, zoom history and mouse read-out.
#include "plot/Viewunit.h"

#include "plot/QuantityText.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace driftline {

TPlotView::TPlotView(std::int32_t width, std::int32_t height)
    : controlWidth(width), controlHeight(height),
      Area(PlotAreaInset, PlotAreaInset, width - PlotAreaInset, height - PlotAreaInset), axisScales(InitialAxisScales())
{}

void TPlotView::resize(std::int32_t width, std::int32_t height)
{
    controlWidth = width;
    controlHeight = height;
    Area = PlotRect(PlotAreaInset, PlotAreaInset, width - PlotAreaInset, height - PlotAreaInset);
}

void TPlotView::rescaleAll(const TSampleStore& store)
{
    driftline::rescaleAll(axisScales, store.allSamples(), store.voltageSamples(), store.allEnds(), store.voltageEnds());
}

void TPlotView::rescaleAll(const SampleView& allSamples, const SampleView& voltageSamples)
{
    driftline::rescaleAll(axisScales, allSamples, voltageSamples);
}

TAxisMap TPlotView::horizontalMap(int q, bool p) const
{
    return TAxisMap::Horizontal(Scale(q, p), Area.left, Area.right);
}

TAxisMap TPlotView::verticalMap(int q, bool p) const
{
    return TAxisMap::Vertical(Scale(q, p), Area.top, Area.bottom);
}

PlotPoint TPlotView::samplePixel(const Sample& s, int h, int w, bool p) const
{
    return {horizontalMap(h, p).samplePixel(s[h]), verticalMap(w, p).samplePixel(s[w])};
}

void TPlotView::computePlottedPoints(const SampleView& activeSamples, int h, int w, bool p, PlottedPoints& points) const
{
    points.clear();
    const std::size_t n = activeSamples.size();
    points.horizontalValues.reserve(n);
    points.verticalValues.reserve(n);
    points.pixelX.reserve(n);
    points.pixelY.reserve(n);
    const TAxisMap mx = horizontalMap(h, p);
    const TAxisMap my = verticalMap(w, p);
    for (const Sample& s : activeSamples) {
        points.horizontalValues.push_back(s[h]);
        points.verticalValues.push_back(s[w]);
        points.pixelX.push_back(mx.samplePixel(s[h]));
        points.pixelY.push_back(my.samplePixel(s[w]));
    }
}

void TPlotView::extendPlottedPoints(const SampleView& activeSamples, bool p, PlottedPoints& points,
                                    bool horizontalChanged, bool verticalChanged) const
{
    const int h = horizontalQuantity;
    const int w = verticalQuantity;
    const TAxisMap mx = horizontalMap(h, p);
    const TAxisMap my = verticalMap(w, p);
    const std::size_t old = std::min(points.size(), activeSamples.size());
    // The kept values are the samples' own, so their pixels come out as computePlottedPoints
    // gives them on the scales as they now stand.
    if (horizontalChanged)
        for (std::size_t i = 0; i < old; ++i)
            points.pixelX[i] = mx.samplePixel(points.horizontalValues[i]);
    if (verticalChanged)
        for (std::size_t i = 0; i < old; ++i)
            points.pixelY[i] = my.samplePixel(points.verticalValues[i]);
    for (std::size_t i = old; i < activeSamples.size(); ++i) {
        const Sample& s = activeSamples[i];
        points.horizontalValues.push_back(s[h]);
        points.verticalValues.push_back(s[w]);
        points.pixelX.push_back(mx.samplePixel(s[h]));
        points.pixelY.push_back(my.samplePixel(s[w]));
    }
}

namespace {

// Grid values of one axis by repeated addition, as the redraw accumulates them, mapped to pixels.
// A step that no longer moves the sum ends the loop, which a step of zero or a range of nothing
// but rounding would otherwise never do.
template <typename Emit>
void ForEachGridPixel(const TAxisMap& map, Emit emit)
{
    for (const double d : GridValues(map.scale()))
        emit(map.toPixel(d));
}

}  // namespace

GridLines TPlotView::gridLines(bool p) const
{
    GridLines grid;
    ForEachGridPixel(horizontalMap(horizontalQuantity, p), [&](std::int32_t x) { grid.x.push_back(x); });
    ForEachGridPixel(verticalMap(verticalQuantity, p), [&](std::int32_t y) { grid.y.push_back(y); });
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

std::vector<PlotLabel> TPlotView::gridValueLabels(bool p, const TextWidthFn& textWidth,
                                                  std::int32_t textHeight) const
{
    std::vector<PlotLabel> out;
    const TAxisMap mx = horizontalMap(horizontalQuantity, p);
    const TAxisMap my = verticalMap(verticalQuantity, p);
    // The boxes the vertical lines' labels cover, so the horizontal lines' labels can keep clear.
    std::vector<PlotRect> columnBoxes;
    for (const double d : GridValues(mx.scale())) {
        const std::int32_t x = mx.toPixel(d);
        const std::string text = GridValueText(mx.scale(), d);
        const std::int32_t w = textWidth(text);
        // Right of the line, or left of it where the area ends first.
        const std::int32_t left = x + textHeight + 2 < Area.right - 1 ? x + 2 : x - 1 - textHeight;
        const std::int32_t bottom = Area.bottom - 3;
        out.push_back({text, left, bottom, 90.0});
        columnBoxes.push_back(PlotRect(left, bottom - w, left + textHeight, bottom));
    }
    for (const double d : GridValues(my.scale())) {
        const std::int32_t y = my.toPixel(d);
        const std::string text = GridValueText(my.scale(), d);
        const std::int32_t w = textWidth(text);
        // Above the line, or below it where the area ends first.
        const std::int32_t top = y - 1 - textHeight > Area.top ? y - 1 - textHeight : y + 2;
        const auto clear = [&](std::int32_t left) {
            return std::none_of(columnBoxes.begin(), columnBoxes.end(), [&](const PlotRect& box) {
                return top <= box.bottom && box.top <= top + textHeight && left <= box.right && box.left <= left + w;
            });
        };
        // Along the left edge, or the right edge where the vertical lines' labels stand in the way.
        const std::int32_t atLeft = Area.left + 3;
        const std::int32_t atRight = Area.right - 3 - w;
        out.push_back({text, clear(atLeft) || !clear(atRight) ? atLeft : atRight, top, 0.0});
    }
    return out;
}

namespace {

// The flags of the samples of a list that keep() accepts.
template <typename Keep>
std::vector<bool> KeepMask(const SampleView& list, Keep keep)
{
    std::vector<bool> kept(list.size());
    for (std::size_t i = 0; i < list.size(); ++i)
        kept[i] = keep(list[i]);
    return kept;
}

}  // namespace

void TPlotView::ZoomToBand(TSampleStore& store, std::int32_t bandStartX, std::int32_t bandEndX, bool p)
{
    ZoomToRect(store, PlotRect(bandStartX, Area.top, bandEndX, Area.bottom), p);
}

void TPlotView::ZoomToRect(TSampleStore& store, const PlotRect& band, bool p)
{
    const int h = horizontalQuantity;
    const int w = verticalQuantity;
    // Both lists are judged on the scales of the view on screen, before the rescale. The pixel
    // is the one samplePixel gives; its y is needed only when x already lies in the band.
    const TAxisMap mx = horizontalMap(h, p);
    const TAxisMap my = verticalMap(w, p);
    // The test holds copies of the axis maps: it stays with the histories after this rescale and
    // judges samples of a followed log that arrive later as it judged these.
    const auto inBand = [mx, my, band, h, w](const Sample& s) {
        const std::int32_t x = mx.samplePixel(s[h]);
        if (x < band.left || x > band.right)
            return false;
        const std::int32_t y = my.samplePixel(s[w]);
        return band.top <= y && y <= band.bottom;
    };
    store.narrowSamples(KeepMask(store.allSamples(), inBand), KeepMask(store.voltageSamples(), inBand),
                        TUndoHistory::SampleTest(inBand));
    rescaleAll(store);
}

void TPlotView::Undo(TSampleStore& store)
{
    if (store.undoZoom())
        rescaleAll(store);
}

void TPlotView::Reset(TSampleStore& store)
{
    if (store.resetZoom())
        rescaleAll(store);
}

std::string TPlotView::ReadoutTextX(std::int32_t x, bool p) const
{
    const TAxisMap map = horizontalMap(horizontalQuantity, p);
    return map.covers(x) ? QuantityText(horizontalQuantity, map.valueAt(x)) : std::string();
}

std::string TPlotView::ReadoutTextY(std::int32_t y, bool p) const
{
    const TAxisMap map = verticalMap(verticalQuantity, p);
    return map.covers(y) ? QuantityText(verticalQuantity, map.valueAt(y)) : std::string();
}

}  // namespace driftline
