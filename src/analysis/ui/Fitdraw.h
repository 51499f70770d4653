#pragma once
// The fit command on the window: the result window filled and the fitted curve with its peak
// marker drawn in blue over the plot (drawn by the canvas, then shown).
#include "analysis/Fitunit.h"
#include "plot/AxisScale.h"
#include "plot/canvas/Drawview.h"
#include "plot/ui/Plotunit.h"

#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace driftline {

class TPolForm;

// The lines that say where a fitted curve peaks (see FitPeakLines).
using FitPeakLinesFn = std::function<std::vector<std::string>(const FitCurve&)>;

// The fit command (miFitClick): creates the result window on first use (owned by mainWindow),
// shows it emptied beside mainWindow on mainWindow's screen (PlaceBeside), sets the pen blue, runs
// the fit (the session's fit of its plotted points), lists R and the coefficients, puts the peak
// lines above them when peakLines is given, and draws the curve. Fit failures are shown through
// the fit's reporter. Returns R.
double RunFitCommand(QWidget* mainWindow, TPolForm*& polForm, TPlot& plot, const std::function<FitOutcome()>& fit,
                     const FitPeakLinesFn& peakLines = {});

}  // namespace driftline
