#pragma once
// DrawView: the full redraw of the plot on a canvas from the core view model: frame, grid, the
// seven labels and the red line through the active samples in list order; and the fitted curve
// drawn over it. The window shows the canvas afterwards, driftline-cli writes it to a file.
#include "analysis/Fitunit.h"
#include "logdata/Samplestore.h"
#include "plot/AxisScale.h"
#include "plot/Viewunit.h"
#include "plot/canvas/Plotcanvas.h"
#include "session/Logsession.h"

#include <cstddef>
#include <vector>

#include <QColor>

namespace driftline {

inline const QColor GridColor{128, 128, 128};
inline const QColor SampleColor{255, 0, 0};

// How the sample line is drawn. Both give the same pixels: EverySegment runs TPlotCanvas::LineTo for
// each sample; Fast writes the segments between points inside the area straight into the bitmap
// and joins consecutive points that share a pixel column to that column's first, lowest, highest
// and last point, which covers exactly the same pixels.
enum class DrawMode {
    Fast,
    EverySegment
};

// The redraw for the view's horizontal and vertical quantities in view p (positive-voltage
// scales when p) in the given colours. Refills points with what was plotted.
void DrawView(TPlotCanvas& plot, const TPlotView& view, const SampleView& activeSamples, bool p, PlottedPoints& points,
              const PlotColours& colours, DrawMode mode = DrawMode::Fast);
// The same in the canvas's own margin, area, frame and text colours (as set up) with the classic
// grey grid and red sample line.
void DrawView(TPlotCanvas& plot, const TPlotView& view, const SampleView& activeSamples, bool p, PlottedPoints& points,
              DrawMode mode = DrawMode::Fast);

// The same redraw from points already computed for the view (DrawView without the points).
void DrawPlotted(TPlotCanvas& plot, const TPlotView& view, bool p, const PlottedPoints& points,
                 const PlotColours& colours, DrawMode mode = DrawMode::Fast);
void DrawPlotted(TPlotCanvas& plot, const TPlotView& view, bool p, const PlottedPoints& points,
                 DrawMode mode = DrawMode::Fast);

// The segments from points[from - 1] on to the last point, drawn on a picture that already shows
// points up to from - 1 (a followed log's new samples while the scales stay); nothing without
// new points or without one drawn before them.
void DrawAppended(TPlotCanvas& plot, const PlottedPoints& points, std::size_t from, const QColor& colour = SampleColor);

// The redraw of a session's view (its axes, its positive-voltage choice, its active samples);
// the session's plotted points become what was drawn.
void DrawSession(TPlotCanvas& plot, TLogSession& session, const PlotColours& colours,
                 DrawMode mode = DrawMode::Fast);
void DrawSession(TPlotCanvas& plot, TLogSession& session, DrawMode mode = DrawMode::Fast);

// The pieces of a redraw, in drawing order. DrawLabels writes the seven classic labels;
// DrawGridValues, when the view asks for grid values, one label per grid line, over the sample
// line so that no trace hides them.
void DrawGrid(TPlotCanvas& plot, const TPlotView& view, bool p, const QColor& colour = GridColor);
void DrawLabels(TPlotCanvas& plot, const TPlotView& view, bool p);
void DrawSamples(TPlotCanvas& plot, const PlottedPoints& points, DrawMode mode = DrawMode::Fast,
                 const QColor& colour = SampleColor);
void DrawGridValues(TPlotCanvas& plot, const TPlotView& view, bool p);

// Colour of the fitted curve and its marker.
inline const QColor FitColor{0, 0, 255};

// Draws the curve through (xs[k], ys[k]) in sample order and the peak marker on the canvas in
// the current pen colour. Nothing is drawn when the lists differ in length or are empty.
void DrawFit(TPlotCanvas& plot, const std::vector<double>& xs, const std::vector<double>& ys);
// The same for a curve already laid out.
void DrawFitCurve(TPlotCanvas& plot, const FitCurve& curve);

}  // namespace driftline
