// Axis scales: ranges, grid ticks and the first-of-equals extremes search.
#include "plot/AxisScale.h"

#include "plot/QuantityText.h"

#include <algorithm>

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

// First-of-equals extremes of one quantity: a later sample replaces the kept one only when it is
// strictly smaller (larger). Visiting the samples two at a time, as the limits report describes
// its search, must give the same answer, including for two equal values within one pair.
ExtremeIndex FindExtremes(const SampleList& list, int q)
{
    ExtremeIndex out;
    double lo = list[0][q];
    double hi = lo;
    for (std::size_t i = 1; i < list.size(); ++i) {
        const double v = list[i][q];
        if (v < lo) {
            lo = v;
            out.minimum = i;
        }
        if (v > hi) {
            hi = v;
            out.maximum = i;
        }
    }
    return out;
}

// All eight at once: each sample's row is read once, which matters on lists of a million samples.
std::array<ExtremeIndex, QuantityCount> FindAllExtremes(const SampleList& list)
{
    std::array<double, QuantityCount> lo = list[0].values;
    std::array<double, QuantityCount> hi = lo;
    std::array<std::size_t, QuantityCount> loAt{};
    std::array<std::size_t, QuantityCount> hiAt{};
    const std::size_t n = list.size();
    for (std::size_t i = 1; i < n; ++i) {
        const auto& row = list[i].values;
        for (std::size_t q = 0; q < QuantityCount; ++q) {
            const double v = row[q];
            if (v < lo[q]) {
                lo[q] = v;
                loAt[q] = i;
            }
            if (v > hi[q]) {
                hi[q] = v;
                hiAt[q] = i;
            }
        }
    }
    std::array<ExtremeIndex, QuantityCount> out{};
    for (std::size_t q = 0; q < QuantityCount; ++q)
        out[q] = {loAt[q], hiAt[q]};
    return out;
}

// Grid step and first and last grid value of r: the smallest candidate that splits the range
// into fewer than 20 steps; a twentieth of the range from Minimum to Maximum when none does.
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
        r.Minimum = list[e.minimum][r.Quantity];
        r.Maximum = list[e.maximum][r.Quantity];
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
            r.Minimum = list[e.minimum][r.Quantity];
            r.Maximum = list[e.maximum][r.Quantity];
        }
        SetTicks(r);
    }
}

bool growScales(AxisScales& scales, const SampleList& allSamples, std::size_t fromAll,
                const SampleList& voltageSamples, std::size_t fromVolts)
{
    // The range of every quantity over the new samples of one list, in one pass over them.
    struct NewRange {
        bool any = false;
        std::array<double, QuantityCount> lo{};
        std::array<double, QuantityCount> hi{};
    };
    auto rangeOf = [](const SampleList& list, std::size_t from) {
        NewRange r;
        if (from >= list.size())
            return r;
        r.any = true;
        r.lo = list[from].values;
        r.hi = r.lo;
        for (std::size_t i = from + 1; i < list.size(); ++i) {
            const auto& row = list[i].values;
            for (std::size_t q = 0; q < QuantityCount; ++q) {
                r.lo[q] = std::min(r.lo[q], row[q]);  // a NaN never replaces, as in rescaleAll
                r.hi[q] = std::max(r.hi[q], row[q]);
            }
        }
        return r;
    };
    const NewRange all = rangeOf(allSamples, fromAll);
    const NewRange volts = rangeOf(voltageSamples, fromVolts);
    bool changed = false;
    for (AxisScale& r : scales) {
        const NewRange& range = r.PositiveOnly ? volts : all;
        const std::size_t from = r.PositiveOnly ? fromVolts : fromAll;
        if (!range.any || !IsQuantity(r.Quantity))
            continue;
        const auto q = static_cast<std::size_t>(r.Quantity);
        // An empty list left the range as it was: it holds no sample to widen from. Otherwise
        // the kept range comes first, as the earlier samples come first in a rescale.
        const double lo = from == 0 ? range.lo[q] : std::min(r.Minimum, range.lo[q]);
        const double hi = from == 0 ? range.hi[q] : std::max(r.Maximum, range.hi[q]);
        if (from != 0 && lo == r.Minimum && hi == r.Maximum)
            continue;
        const AxisScale before = r;
        r.Minimum = lo;
        r.Maximum = hi;
        SetTicks(r);
        changed = changed || before.Minimum != r.Minimum || before.Maximum != r.Maximum ||
                  before.FirstTick != r.FirstTick || before.LastTick != r.LastTick || before.TickStep != r.TickStep;
    }
    return changed;
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
