#pragma once
// The fit command on the window: the result window filled and the fitted curve with its peak
// marker drawn in blue over the plot (drawn by the canvas, then shown).
#include "analysis/Fitunit.h"
#include "plot/AxisScale.h"
#include "plot/canvas/Drawview.h"
#include "plot/ui/Plotunit.h"

#include <functional>

class QWidget;

namespace driftline {

class TPolForm;

// The fit command (miFitClick): creates the result window on first use (owned by mainWindow),
// shows it emptied against mainWindow's right edge, sets the pen blue, runs the fit (the
// session's fit of its plotted points), lists R and the coefficients and draws the curve. Fit
// failures are shown through the fit's reporter. Returns R.
double RunFitCommand(QWidget* mainWindow, TPolForm*& polForm, TPlot& plot, const std::function<FitOutcome()>& fit);

}  // namespace driftline
