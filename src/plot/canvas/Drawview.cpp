// DrawView: draws what the core view model computes, and nothing else, so the window and
// driftline-cli agree pixel for pixel.
#include "plot/canvas/Drawview.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

namespace driftline {

void DrawGrid(TPlotCanvas& plot, const TPlotView& view, bool p, const QColor& colour)
{
    plot.Pen.setColor(colour);
    const GridLines grid = view.gridLines(p);
    for (const std::int32_t x : grid.x) {
        plot.MoveTo(x, plot.Area.top);
        plot.LineTo(x, plot.Area.bottom);
    }
    for (const std::int32_t y : grid.y) {
        plot.MoveTo(plot.Area.left, y);
        plot.LineTo(plot.Area.right, y);
    }
}

void DrawLabels(TPlotCanvas& plot, const TPlotView& view, bool p)
{
    const PlotLabels labels = view.labels(
        p, [&plot](const std::string& text) { return plot.TextWidth(QString::fromStdString(text)); });
    for (const PlotLabel& label : labels)
        plot.DrawText(QString::fromStdString(label.text), label.x, label.y, label.angle);
}

void DrawGridValues(TPlotCanvas& plot, const TPlotView& view, bool p)
{
    if (!view.gridValues)
        return;
    const std::vector<PlotLabel> values = view.gridValueLabels(
        p, [&plot](const std::string& text) { return plot.TextWidth(QString::fromStdString(text)); },
        plot.TextHeight());
    for (const PlotLabel& label : values)
        plot.DrawText(QString::fromStdString(label.text), label.x, label.y, label.angle);
}

namespace {

PlotPoint PointAt(const PlottedPoints& points, std::size_t i)
{
    return {static_cast<std::int32_t>(points.pixelX[i]), static_cast<std::int32_t>(points.pixelY[i])};
}

void DrawEverySegment(TPlotCanvas& plot, const PlottedPoints& points)
{
    const PlotPoint first = PointAt(points, 0);
    plot.MoveTo(first.x, first.y);
    for (std::size_t i = 1; i < points.size(); ++i) {
        const PlotPoint p = PointAt(points, i);
        plot.LineTo(p.x, p.y);
    }
}

// The long segments already drawn, by their two ends in drawing order. Drawing the same
// segment again would set the same pixels to the same red, so it can be left out; this is what
// keeps a parked dish's jittering azimuth (samples hopping across the whole plot) fast.
class DrawnSegments {
public:
    // True the first time a segment is offered.
    bool Insert(PlotPoint a, PlotPoint b)
    {
        const std::uint64_t key = ((static_cast<std::uint64_t>(a.x) << 48) | (static_cast<std::uint64_t>(a.y) << 32) |
                                   (static_cast<std::uint64_t>(b.x) << 16) | static_cast<std::uint64_t>(b.y)) +
                                  1;  // 0 marks an empty slot
        if ((count_ + 1) * 2 > slots_.size())
            Grow();
        std::size_t i = Slot(key);
        while (slots_[i] != 0) {
            if (slots_[i] == key)
                return false;
            i = (i + 1) & (slots_.size() - 1);
        }
        slots_[i] = key;
        ++count_;
        return true;
    }

private:
    std::size_t Slot(std::uint64_t key) const
    {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - bits_));
    }
    void Grow()
    {
        std::vector<std::uint64_t> old = std::move(slots_);
        bits_ = old.empty() ? 14 : bits_ + 1;
        slots_.assign(std::size_t{1} << bits_, 0);
        count_ = 0;
        for (const std::uint64_t key : old) {
            if (key == 0)
                continue;
            std::size_t i = Slot(key);
            while (slots_[i] != 0)
                i = (i + 1) & (slots_.size() - 1);
            slots_[i] = key;
            ++count_;
        }
    }

    std::vector<std::uint64_t> slots_;
    std::size_t count_ = 0;
    int bits_ = 0;
};

// Segments shorter than this are drawn rather than looked up: drawing them costs less.
constexpr int LongSegmentPixels = 24;

// The fast path. A segment with both ends inside the area needs no clipping and goes straight
// into the bitmap; any other goes through TPlotCanvas::LineTo.
//
// Why joining a column's points changes no pixel: a run of consecutive points in one column is
// a chain of vertical canvas lines, each covering its start row up to, but not including, its
// end row. Joined, they cover every row between the run's lowest and highest point, except the
// run's last row when that row is a strict extreme reached only by the last point and no later
// segment starts there. The chain first -> lowest -> highest -> last (in the order they occur,
// taking the first of equal extremes) covers the same rows with the same exception, and the
// segments into the run's first point and out of its last point are unchanged.
class FastLine {
public:
    FastLine(TPlotCanvas& plot) : plot_(plot), area_(plot.Area), colour_(plot.Pen.color().rgb()) {}

    void Draw(const PlottedPoints& points)
    {
        const PlotPoint first = PointAt(points, 0);
        plot_.MoveTo(first.x, first.y);
        Open(first, 0);
        for (std::size_t i = 1; i < points.size(); ++i) {
            const PlotPoint p = PointAt(points, i);
            const bool inside = area_.Contains(p);
            if (open_ && inside && p.x == runX_) {
                if (p.y < kept_[0].y)
                    kept_[0] = {i, p.y};
                if (p.y > kept_[1].y)
                    kept_[1] = {i, p.y};
                kept_[2] = {i, p.y};
                continue;
            }
            Flush();
            LineTo(p);
            if (inside)
                Open(p, i);
        }
        Flush();
    }

private:
    struct Kept {
        std::size_t index;
        std::int32_t y;
    };

    void Open(PlotPoint p, std::size_t i)
    {
        open_ = area_.Contains(p);
        runX_ = p.x;
        runFirst_ = i;
        kept_ = {Kept{i, p.y}, Kept{i, p.y}, Kept{i, p.y}};
    }

    // Draws the run's lowest, highest and last point in the order they occurred.
    void Flush()
    {
        if (!open_)
            return;
        open_ = false;
        std::array<Kept, 3> order = kept_;
        std::sort(order.begin(), order.end(), [](const Kept& a, const Kept& b) { return a.index < b.index; });
        std::size_t drawn = runFirst_;
        for (const Kept& k : order) {
            if (k.index == drawn)
                continue;
            drawn = k.index;
            LineTo({runX_, k.y});
        }
    }

    void LineTo(PlotPoint p)
    {
        const PlotPoint a = plot_.LastPoint;
        if (area_.Contains(a) && area_.Contains(p)) {
            const bool isLong = std::max(std::abs(p.x - a.x), std::abs(p.y - a.y)) >= LongSegmentPixels;
            if (!isLong || drawn_.Insert(a, p)) {
                RasterCanvasLine(plot_.Bitmap, a, p, colour_);
                plot_.RecordLine(a, p, colour_);
            }
        } else
            plot_.LineTo(p.x, p.y);
        plot_.LastPoint = p;
    }

    TPlotCanvas& plot_;
    const PlotRect area_;
    const QRgb colour_;
    bool open_ = false;
    std::int32_t runX_ = 0;
    std::size_t runFirst_ = 0;
    std::array<Kept, 3> kept_{};  // lowest, highest, last
    DrawnSegments drawn_;
};

}  // namespace

void DrawSamples(TPlotCanvas& plot, const PlottedPoints& points, DrawMode mode, const QColor& colour)
{
    plot.Pen.setColor(colour);
    if (points.empty())
        return;
    const PlotRect& a = plot.Area;
    const bool areaInBitmap = a.left >= 0 && a.top >= 0 && a.right < plot.Bitmap.width() &&
                              a.bottom < plot.Bitmap.height() && plot.Bitmap.format() == QImage::Format_RGB32;
    if (mode == DrawMode::EverySegment || !areaInBitmap) {
        DrawEverySegment(plot, points);
        return;
    }
    FastLine(plot).Draw(points);
}

void DrawView(TPlotCanvas& plot, const TPlotView& view, const SampleView& activeSamples, bool p, PlottedPoints& points,
              const PlotColours& colours, DrawMode mode)
{
    view.computePlottedPoints(activeSamples, p, points);
    DrawPlotted(plot, view, p, points, colours, mode);
}

void DrawView(TPlotCanvas& plot, const TPlotView& view, const SampleView& activeSamples, bool p, PlottedPoints& points,
              DrawMode mode)
{
    view.computePlottedPoints(activeSamples, p, points);
    DrawPlotted(plot, view, p, points, mode);
}

namespace {

void DrawPieces(TPlotCanvas& plot, const TPlotView& view, bool p, const PlottedPoints& points, const QColor& grid,
                const QColor& sample, DrawMode mode)
{
    plot.Clear();
    DrawGrid(plot, view, p, grid);
    DrawLabels(plot, view, p);
    DrawSamples(plot, points, mode, sample);
    DrawGridValues(plot, view, p);
}

}  // namespace

void DrawPlotted(TPlotCanvas& plot, const TPlotView& view, bool p, const PlottedPoints& points,
                 const PlotColours& colours, DrawMode mode)
{
    plot.UseColours(colours);
    DrawPieces(plot, view, p, points, colours.grid, colours.sample, mode);
}

void DrawPlotted(TPlotCanvas& plot, const TPlotView& view, bool p, const PlottedPoints& points, DrawMode mode)
{
    DrawPieces(plot, view, p, points, GridColor, SampleColor, mode);
}

void DrawAppended(TPlotCanvas& plot, const PlottedPoints& points, std::size_t from, const QColor& colour)
{
    if (from == 0 || from >= points.size())
        return;
    plot.Pen.setColor(colour);
    plot.MoveTo(static_cast<int>(points.pixelX[from - 1]), static_cast<int>(points.pixelY[from - 1]));
    for (std::size_t i = from; i < points.size(); ++i)
        plot.LineTo(static_cast<int>(points.pixelX[i]), static_cast<int>(points.pixelY[i]));
}

void DrawSession(TPlotCanvas& plot, TLogSession& session, const PlotColours& colours, DrawMode mode)
{
    DrawView(plot, session.view(), session.activeSamples(), session.positiveVoltageView(),
             session.plottedPointsForRedraw(), colours, mode);
}

void DrawSession(TPlotCanvas& plot, TLogSession& session, DrawMode mode)
{
    DrawView(plot, session.view(), session.activeSamples(), session.positiveVoltageView(),
             session.plottedPointsForRedraw(), mode);
}

void DrawFitCurve(TPlotCanvas& plot, const FitCurve& curve)
{
    if (curve.path.empty())
        return;
    plot.MoveTo(curve.path.front().x, curve.path.front().y);
    for (std::size_t k = 1; k < curve.path.size(); ++k)
        plot.LineTo(curve.path[k].x, curve.path[k].y);
    if (curve.hasMarker) {
        plot.MoveTo(curve.markerTop.x, curve.markerTop.y);
        plot.LineTo(curve.markerBottom.x, curve.markerBottom.y);
    }
}

void DrawFit(TPlotCanvas& plot, const std::vector<double>& xs, const std::vector<double>& ys)
{
    DrawFitCurve(plot, FitCurvePath(xs, ys));
}

}  // namespace driftline
