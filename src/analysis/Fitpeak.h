#pragma once
// Where the fitted curve peaks, in the plotted quantities' own units: the fit works in pixels,
// but an observer wants the time (or right ascension, or azimuth) of the peak. The marker's pixel
// is taken back through the axis maps, so the value is what the mouse read-out shows over the
// marker.
#include "analysis/Fitunit.h"
#include "plot/AxisMap.h"

#include <cstdint>
#include <string>
#include <vector>

namespace driftline {

struct FitPeak {
    bool found = false;            // false when the curve has no marker
    PlotPoint pixel;               // the marker's top: the curve's highest point on screen
    double horizontalValue = 0.0;  // the horizontal quantity's (plotted) value at pixel.x
    double verticalValue = 0.0;    // the vertical quantity's (plotted) value at pixel.y
};

// The peak of a fitted curve on the horizontal map of quantity horizontal and the vertical map.
FitPeak FitPeakPosition(const FitCurve& curve, const TAxisMap& horizontal, const TAxisMap& vertical);

// The fit window's lines for a peak: "Peak at x = <px>, y = <py>", "<horizontal caption> = <text>"
// and "<vertical caption> = <text>", each value in its quantity's read-out text (the time with its
// date). Nothing when no peak was found.
std::vector<std::string> FitPeakLines(const FitPeak& peak, int horizontalQuantity, int verticalQuantity);

}  // namespace driftline
