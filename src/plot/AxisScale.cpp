// Axis scales: ranges and grid ticks.
#include "plot/AxisScale.h"

#include "plot/QuantityText.h"

namespace driftline {

namespace {

// A record naming no quantity keeps its range: there is no column to search.
bool IsQuantity(int q) { return 0 <= q && q < QuantityCount; }

}  // namespace

std::span<const double> TickCandidates(int quantity)
{
    switch (quantity) {
    case Time:
    case RightAscension:
        return TimeSteps;
    case Volts:
        return VoltSteps;
    default:
        return AngleSteps;
    }
}

std::string AxisScale::MinimumText() const { return QuantityText(Quantity, Minimum); }
std::string AxisScale::MaximumText() const { return QuantityText(Quantity, Maximum); }

// Grid step and first and last grid value of r: the smallest candidate that splits the range
// into fewer than 20 steps; a twentieth of the range from Minimum to Maximum when none does.
namespace {

bool AlwaysFolded(int q)
{
    return q == Declination || q == Beta;
}

bool FoldedWhenNarrower(int q)
{
    return q == RightAscension || q == Lambda;
}

}  // namespace

void SetRange(AxisScale& r, const SampleList& list, double smallest, double largest)
{
    r.Folded = false;
    r.Minimum = smallest;
    r.Maximum = largest;
    const int q = r.Quantity;
    if (!AlwaysFolded(q) && !FoldedWhenNarrower(q))
        return;
    double lo = smallest;
    double hi = largest;
    if (smallest >= 180.0) {
        lo = smallest - 360.0;
        hi = largest - 360.0;
    } else if (largest >= 180.0) {
        // Values on both sides of 180: the folded ends need a pass of their own.
        AxisScale folding;
        folding.Folded = true;
        lo = folding.PlotValue(list.front()[q]);
        hi = lo;
        for (const Sample& s : list) {
            const double v = folding.PlotValue(s[q]);
            lo = v < lo ? v : lo;
            hi = v > hi ? v : hi;
        }
    }
    if (AlwaysFolded(q) || hi - lo < largest - smallest) {
        r.Folded = true;
        r.Minimum = lo;
        r.Maximum = hi;
    }
}

void SetTicks(AxisScale& r)
{
    r.FirstTick = r.Minimum;
    r.LastTick = r.Maximum;
    r.TickStep = 0.05 * (r.Maximum - r.Minimum);
    const double range = r.Maximum - r.Minimum;
    for (const double c : TickCandidates(r.Quantity)) {
        if (c * 20 > range) {
            r.TickStep = c;
            r.FirstTick = std::ceil(r.Minimum / c) * c;
            r.LastTick = std::floor(r.Maximum / c) * c;
            break;
        }
    }
}

void Rescale(AxisScale& r, const SampleList& allSamples, const SampleList& voltageSamples)
{
    const SampleList& list = r.PositiveOnly ? voltageSamples : allSamples;
    if (!list.empty() && IsQuantity(r.Quantity)) {
        const ExtremeIndex e = FindExtremes(list, r.Quantity);
        SetRange(r, list, list[e.minimum][r.Quantity], list[e.maximum][r.Quantity]);
    }
    SetTicks(r);
}

void rescaleAll(AxisScales& scales, const SampleList& allSamples, const SampleList& voltageSamples)
{
    std::array<ExtremeIndex, QuantityCount> allExt{};
    std::array<ExtremeIndex, QuantityCount> voltExt{};
    if (!allSamples.empty())
        allExt = FindAllExtremes(allSamples);
    if (!voltageSamples.empty())
        voltExt = FindAllExtremes(voltageSamples);
    for (AxisScale& r : scales) {
        const SampleList& list = r.PositiveOnly ? voltageSamples : allSamples;
        if (!list.empty() && IsQuantity(r.Quantity)) {
            const ExtremeIndex& e = (r.PositiveOnly ? voltExt : allExt)[static_cast<std::size_t>(r.Quantity)];
            SetRange(r, list, list[e.minimum][r.Quantity], list[e.maximum][r.Quantity]);
        }
        SetTicks(r);
    }
}

AxisScales InitialAxisScales()
{
    AxisScales scales{};
    for (std::size_t k = 0; k < scales.size(); ++k) {
        AxisScale& r = scales[k];
        r.Quantity = static_cast<std::int32_t>(k % QuantityCount);
        r.PositiveOnly = k >= QuantityCount;
        r.Minimum = 0.0;
        r.Maximum = 1.0;
        SetTicks(r);
    }
    return scales;
}

}  // namespace driftline
