#pragma once
// The fit command without its window: fitting the plotted pixel positions, the result lines of the
// fit window, the fitted curve and the position of its peak marker.
#include "plot/AxisScale.h"
#include "plot/PlotRect.h"

#include <cstdint>
#include <string>
#include <vector>

namespace driftline {

// Range of the number of fit coefficients the user can choose.
inline constexpr int MinFitCoefficients = 1;
inline constexpr int MaxFitCoefficients = 20;

// Cuts or extends the kept coefficients to count entries: existing entries keep their values,
// new entries are 0.
void ResizeFitCoefficients(std::vector<double>& coefficients, int count);

// The fit window's lines: "Corr coeff = " with R to five decimals, then "a<i> = " with each
// coefficient in general form with 6 significant digits.
std::vector<std::string> FitMemoLines(double correlation, const std::vector<double>& coefficients);

// The fitted pixel y for each pixel x: sum of c[i] x^i, accumulated from 0 in ascending i, with
// x^i formed by multiplying 1.0 by x i times.
std::vector<double> FittedValues(const std::vector<double>& xs, const std::vector<double>& coefficients);

// Pixel coordinate of a fitted value, truncated toward zero. Values far off the control (a
// high-order polynomial far from its points) are held to +-2^30 so the conversion stays defined.
std::int32_t FitPixel(double v);

// What the fitted curve draws: a line through the points in sample order and the vertical peak
// marker from the curve's highest point on screen down to the level of its lowest point.
struct FitCurve {
    std::vector<PlotPoint> path;  // MoveTo the first, LineTo each further one
    bool hasMarker = false;
    PlotPoint markerTop;     // at the middle of the run of smallest pixel y
    PlotPoint markerBottom;  // same x, at the largest pixel y
};

// The curve of xs against ys: empty when the lists differ in length or are empty.
FitCurve FitCurvePath(const std::vector<double>& xs, const std::vector<double>& ys);

// The outcome of one fit command.
struct FitOutcome {
    double correlation = -1.0;
    std::vector<std::string> memoLines;
    std::vector<double> fittedY;
    FitCurve curve;
};

// The fit command's work: resizes the kept coefficients to coeffCount, fits pixelY against pixelX
// (a failure is reported through the fit's reporter and leaves the coefficients as they were),
// lists R and the coefficients, and computes the curve from the coefficients as they stand.
FitOutcome RunFit(const PlottedPoints& points, int coeffCount, std::vector<double>& fitCoefficients);

}  // namespace driftline
