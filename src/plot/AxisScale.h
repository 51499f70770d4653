#pragma once
// Axis scales: the data range of one quantity over one sample list, the spacing of its grid
// lines, and the mapping between values and pixels. Also the plotted-point lists of a redraw.
#include "logdata/Samplestore.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace driftline {

// Tick step candidates in ascending order, in the quantity's own unit (days, degrees, volts).
// Time and RightAscension take TimeSteps (right ascension is held in degrees and still does);
// Volts takes VoltSteps; every other quantity AngleSteps.
inline constexpr std::array<double, 12> TimeSteps = {1.0 / 86400,  5.0 / 86400,   10.0 / 86400,  30.0 / 86400,
                                                     60.0 / 86400, 300.0 / 86400, 600.0 / 86400, 1800.0 / 86400,
                                                     1.0 / 24,     5.0 / 24,      0.5,           1.0};
inline constexpr std::array<double, 12> AngleSteps = {
    1.0 / 3600, 5.0 / 3600, 10.0 / 3600, 30.0 / 3600, 1.0 / 60, 5.0 / 60, 10.0 / 60, 0.5, 1.0, 5.0, 10.0, 30.0};
inline constexpr std::array<double, 7> VoltSteps = {0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1.0};

// The candidate table of a quantity.
std::span<const double> TickCandidates(int quantity);

// One axis scale record. The fields keep their display names because the window, the fit and the
// saving code refer to them by these names.
struct AxisScale {
    std::int32_t Quantity = 0;  // 0..7, which quantity
    bool PositiveOnly = false;  // true: describes voltageSamples; false: allSamples
    double Minimum = 0.0;       // smallest value of the quantity in the list
    double Maximum = 1.0;       // largest value
    double FirstTick = 0.0;     // first grid value
    double LastTick = 1.0;      // end of the grid values
    double TickStep = 0.05;     // grid spacing; brought up to date by Rescale
    // True when the scale runs over the list's values folded to signed angles (a value v at or
    // above 180 degrees taken as v - 360), so that a list crossing 0 degrees is one run of
    // values, not two ends of the circle. Minimum, Maximum and the ticks are then folded values;
    // the samples themselves never change. Decided at every rescale (see SetRange).
    bool Folded = false;

    // The value a sample's v is plotted at on this scale.
    double PlotValue(double v) const { return Folded && v >= 180.0 ? v - 360.0 : v; }

    // Pixel offset of value v along an axis of n pixels: trunc((v - Minimum) * n / (Maximum -
    // Minimum)), 0 when the range is empty. Offsets beyond +-2^30 are held there (and NaN gives
    // 0) so the conversion to an integer stays defined; no such pixel lies on the plot anyway.
    std::int32_t ToPixel(double v, std::int32_t n) const
    {
        if (Maximum == Minimum)
            return 0;
        const double t = std::trunc((v - Minimum) * n / (Maximum - Minimum));
        if (!(t > -PixelLimit))
            return t < 0 ? -PixelLimit : 0;
        return t < PixelLimit ? static_cast<std::int32_t>(t) : PixelLimit;
    }
    static constexpr std::int32_t PixelLimit = 1 << 30;
    // The value at fraction f of the range: Minimum + (Maximum - Minimum) * f.
    double ValueAt(double f) const { return Minimum + (Maximum - Minimum) * f; }
    // QuantityText of Minimum and of Maximum.
    std::string MinimumText() const;
    std::string MaximumText() const;
};

// The grid values of a scale, as the redraw accumulates them: from FirstTick by repeated addition
// of TickStep while below LastTick. A step that no longer moves the sum ends the list (a step of
// zero, or a range of nothing but rounding, would otherwise never end it).
std::vector<double> GridValues(const AxisScale& s);
// True when a Time scale spans more than one day: its grid values then carry the date.
bool GridValuesCarryDate(const AxisScale& s);
// The text of grid value v of scale s: the quantity's text (QuantityText), with the date before
// the time of day when GridValuesCarryDate(s).
std::string GridValueText(const AxisScale& s, double v);
// GridValueText of every grid value, in grid order.
std::vector<std::string> GridValueTexts(const AxisScale& s);

// Index of the record for quantity q in the positive-voltage view (p) or the all-samples view.
constexpr std::size_t ScaleIndex(int q, bool positiveOnly)
{
    return static_cast<std::size_t>(q + (positiveOnly ? QuantityCount : 0));
}

// The sixteen records in their fixed order: record k has Quantity k mod 8 and PositiveOnly k >= 8.
using AxisScales = std::array<AxisScale, 2 * QuantityCount>;

// Step 1 of a rescale: Minimum, Maximum and Folded of r from the list's smallest and largest value
// of r's quantity. Declination and Beta are always plotted folded (signed angles); Right
// ascension and Lambda are folded only when that gives the list a smaller span (it crosses 0);
// every other quantity is plotted as it is.
void SetRange(AxisScale& r, const SampleView& list, double smallest, double largest);

// Steps 2-4 of a rescale: the ticks of record r from its current Minimum and Maximum.
void SetTicks(AxisScale& r);
// Minimum and Maximum of r over its list (voltageSamples when r.PositiveOnly, else allSamples),
// kept as they are when that list is empty, then the ticks.
void Rescale(AxisScale& r, const SampleView& allSamples, const SampleView& voltageSamples);
// Rescale of all sixteen records (one pass per list for the ranges).
void rescaleAll(AxisScales& scales, const SampleView& allSamples, const SampleView& voltageSamples);
// The same with the lists' ends already found (TSampleStore::allEnds, voltageEnds); a null one is
// found by a pass over its list.
void rescaleAll(AxisScales& scales, const SampleView& allSamples, const SampleView& voltageSamples,
                const TListEnds* allEnds, const TListEnds* voltageEnds);
// The sixteen records after lists that only grew: allSamples from index fromAll on and
// voltageSamples from fromVolts on are new since the last rescale (of the whole lists, or by this
// routine). The ranges widen to take in the new samples, and come out as rescaleAll over the whole
// lists would give them; a list that was empty gets the range of its new samples. Reads the new
// samples only, but for an angle scale that folds across 0 whose range must widen: that record
// is rescaled over its whole list. Returns true when any record changed.
bool growScales(AxisScales& scales, const SampleView& allSamples, std::size_t fromAll, const SampleView& voltageSamples,
                std::size_t fromVolts);
// The sixteen records as created: range 0 to 1 with the ticks a rescale over empty lists gives.
AxisScales InitialAxisScales();

// What a redraw plotted, one entry per sample of the active list in list order.
struct PlottedPoints {
    std::vector<double> horizontalValues;  // the sample's value of the horizontal quantity
    std::vector<double> verticalValues;    // the sample's value of the vertical quantity
    std::vector<double> pixelX;            // pixel x in the control (whole numbers)
    std::vector<double> pixelY;            // pixel y in the control (whole numbers)

    std::size_t size() const { return pixelX.size(); }
    bool empty() const { return pixelX.empty(); }
    void clear()
    {
        horizontalValues.clear();
        verticalValues.clear();
        pixelX.clear();
        pixelY.clear();
    }
};

}  // namespace driftline
