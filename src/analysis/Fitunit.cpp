// The fit command's core: fit of the plotted pixel positions, result lines, fitted curve.
#include "analysis/Fitunit.h"

#include "analysis/PolyfitUnit.h"
#include "analysis/Selectionwriter.h"
#include "plot/QuantityText.h"

#include <cmath>

namespace driftline {

void ResizeFitCoefficients(std::vector<double>& coefficients, int count)
{
    coefficients.resize(count > 0 ? static_cast<std::size_t>(count) : 0, 0.0);
}

std::vector<std::string> FitMemoLines(double correlation, const std::vector<double>& coefficients)
{
    std::vector<std::string> lines;
    lines.reserve(coefficients.size() + 1);
    lines.push_back("Corr coeff = " + FormatFixed(correlation, 5));
    for (std::size_t i = 0; i < coefficients.size(); ++i) {
        std::string line = "a";
        line.append(std::to_string(i)).append(" = ").append(GeneralText(coefficients[i], 6));
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<double> FittedValues(const std::vector<double>& xs, const std::vector<double>& coefficients)
{
    std::vector<double> ys;
    ys.reserve(xs.size());
    for (double x : xs) {
        double y = 0.0;
        double power = 1.0;
        for (std::size_t i = 0; i < coefficients.size(); ++i) {
            if (i > 0)
                power *= x;
            y += coefficients[i] * power;
        }
        ys.push_back(y);
    }
    return ys;
}

std::int32_t FitPixel(double v)
{
    constexpr double Limit = 1073741824.0;  // 2^30
    if (std::isnan(v))
        return 0;
    if (v > Limit)
        return static_cast<std::int32_t>(Limit);
    if (v < -Limit)
        return -static_cast<std::int32_t>(Limit);
    return static_cast<std::int32_t>(v);
}

FitCurve FitCurvePath(const std::vector<double>& xs, const std::vector<double>& ys)
{
    FitCurve curve;
    if (xs.size() != ys.size() || xs.empty())
        return curve;
    curve.path.reserve(xs.size());
    for (std::size_t k = 0; k < xs.size(); ++k)
        curve.path.push_back({FitPixel(xs[k]), FitPixel(ys[k])});

    // Pixel y grows downwards: the smallest y is the curve's highest point on screen.
    std::size_t kmin = 0;
    double ymax = ys[0];
    for (std::size_t k = 1; k < ys.size(); ++k) {
        if (ys[k] < ys[kmin])
            kmin = k;
        if (ys[k] > ymax)
            ymax = ys[k];
    }
    std::size_t run = 1;
    while (kmin + run < ys.size() && ys[kmin + run] == ys[kmin])
        ++run;
    const std::size_t kmid = kmin + run / 2;
    curve.hasMarker = true;
    curve.markerTop = {FitPixel(xs[kmid]), FitPixel(ys[kmid])};
    curve.markerBottom = {FitPixel(xs[kmid]), FitPixel(ymax)};
    return curve;
}

FitOutcome RunFit(const PlottedPoints& points, int coeffCount, std::vector<double>& fitCoefficients)
{
    FitOutcome outcome;
    ResizeFitCoefficients(fitCoefficients, coeffCount);
    outcome.correlation = FitPolynomial(points.pixelX, points.pixelY, fitCoefficients);
    outcome.memoLines = FitMemoLines(outcome.correlation, fitCoefficients);
    outcome.fittedY = FittedValues(points.pixelX, fitCoefficients);
    outcome.curve = FitCurvePath(points.pixelX, outcome.fittedY);
    return outcome;
}

}  // namespace driftline
