// The fitted curve's peak in the plotted quantities' units.
#include "analysis/Fitpeak.h"

#include "logdata/Quantity.h"
#include "plot/Samplereadout.h"

namespace driftline {

FitPeak FitPeakPosition(const FitCurve& curve, const TAxisMap& horizontal, const TAxisMap& vertical)
{
    FitPeak peak;
    if (!curve.hasMarker)
        return peak;
    peak.found = true;
    peak.pixel = curve.markerTop;
    peak.horizontalValue = horizontal.valueAt(curve.markerTop.x);
    peak.verticalValue = vertical.valueAt(curve.markerTop.y);
    return peak;
}

std::vector<std::string> FitPeakLines(const FitPeak& peak, int horizontalQuantity, int verticalQuantity)
{
    if (!peak.found)
        return {};
    return {
        "Peak at x = " + std::to_string(peak.pixel.x) + ", y = " + std::to_string(peak.pixel.y),
        std::string(QuantityCaption(horizontalQuantity)) + " = " +
            ReadoutValueText(horizontalQuantity, peak.horizontalValue),
        std::string(QuantityCaption(verticalQuantity)) + " = " + ReadoutValueText(verticalQuantity, peak.verticalValue),
    };
}

}  // namespace driftline
