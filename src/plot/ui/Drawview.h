#pragma once
// DrawView: the full redraw of the plot on a TPlot from the core view model: frame, grid, the
// seven labels, the red line through the active samples in list order, then Show.
#include "logdata/Samplestore.h"
#include "plot/AxisScale.h"
#include "plot/Viewunit.h"
#include "plot/ui/Plotunit.h"

#include <QColor>

namespace driftline {

inline const QColor GridColor{128, 128, 128};
inline const QColor SampleColor{255, 0, 0};

// How the sample line is drawn. Both give the same pixels: EverySegment runs TPlot::LineTo for
// each sample; Fast writes the segments between points inside the area straight into the bitmap
// and joins consecutive points that share a pixel column to that column's first, lowest, highest
// and last point, which covers exactly the same pixels.
enum class DrawMode { Fast, EverySegment };

// The redraw for the view's horizontal and vertical quantities in view p (positive-voltage
// scales when p). Refills points with what was plotted.
void DrawView(TPlot& plot, const TPlotView& view, const SampleList& activeSamples, bool p, PlottedPoints& points,
              DrawMode mode = DrawMode::Fast);

// The same redraw from points already computed for the view (DrawView without the points).
void DrawPlotted(TPlot& plot, const TPlotView& view, bool p, const PlottedPoints& points,
                 DrawMode mode = DrawMode::Fast);

// The pieces of a redraw, in drawing order.
void DrawGrid(TPlot& plot, const TPlotView& view, bool p);
void DrawLabels(TPlot& plot, const TPlotView& view, bool p);
void DrawSamples(TPlot& plot, const PlottedPoints& points, DrawMode mode = DrawMode::Fast);

}  // namespace driftline
