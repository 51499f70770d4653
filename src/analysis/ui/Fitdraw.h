#pragma once
// The fit command on the window: the result window filled and the fitted curve with its peak
// marker drawn in blue over the plot.
#include "analysis/Fitunit.h"
#include "plot/AxisScale.h"
#include "plot/ui/Plotunit.h"

#include <QColor>
#include <vector>

class QWidget;

namespace driftline {

class TPolForm;

// Colour of the fitted curve and its marker.
inline const QColor FitColor{0, 0, 255};

// Draws the curve through (xs[k], ys[k]) in sample order and the peak marker on the plot's
// bitmap in the current pen colour, then shows the plot. Nothing is drawn when the lists differ
// in length or are empty.
void DrawFit(TPlot& plot, const std::vector<double>& xs, const std::vector<double>& ys);
// The same for a curve already laid out.
void DrawFitCurve(TPlot& plot, const FitCurve& curve);

// The fit command (miFitClick): creates the result window on first use (owned by mainWindow),
// shows it emptied against mainWindow's right edge, sets the pen blue, fits the plotted pixel
// positions with coeffCount coefficients (fitCoefficients kept, cut or extended), lists R and the
// coefficients and draws the curve. Fit failures are shown through the fit's reporter. Returns R.
double RunFitCommand(QWidget* mainWindow, TPolForm*& polForm, TPlot& plot, const PlottedPoints& points,
                     int coeffCount, std::vector<double>& fitCoefficients);

}  // namespace driftline
