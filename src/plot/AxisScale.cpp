// Axis scales: ranges and grid ticks.
#include "plot/AxisScale.h"

#include <optional>

#include "plot/QuantityText.h"

#include <algorithm>

namespace driftline {

namespace {

// A record naming no quantity keeps its range: there is no column to search.
bool IsQuantity(int q)
{
    return 0 <= q && q < QuantityCount;
}

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

std::vector<double> GridValues(const AxisScale& s)
{
    std::vector<double> values;
    if (!(s.TickStep > 0))
        return values;
    for (double d = s.FirstTick; d < s.LastTick; d += s.TickStep) {
        values.push_back(d);
        if (d + s.TickStep == d)
            break;
    }
    return values;
}

bool GridValuesCarryDate(const AxisScale& s)
{
    return s.Quantity == Time && s.Maximum - s.Minimum > 1.0;
}

std::string GridValueText(const AxisScale& s, double v)
{
    return GridValuesCarryDate(s) ? DatedTimeText(v) : QuantityText(s.Quantity, v);
}

std::vector<std::string> GridValueTexts(const AxisScale& s)
{
    std::vector<std::string> texts;
    for (const double v : GridValues(s))
        texts.push_back(GridValueText(s, v));
    return texts;
}

std::string AxisScale::MinimumText() const
{
    return QuantityText(Quantity, Minimum);
}
std::string AxisScale::MaximumText() const
{
    return QuantityText(Quantity, Maximum);
}

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

// The smallest and largest folded value of each foldable quantity of a list, in one pass.
struct FoldedEnds {
    std::array<double, QuantityCount> lo{};
    std::array<double, QuantityCount> hi{};
};

FoldedEnds FindFoldedEnds(const SampleView& list)
{
    constexpr int foldable[] = {RightAscension, Declination, Beta, Lambda};
    FoldedEnds e;
    const auto fold = [](double v) { return v >= 180.0 ? v - 360.0 : v; };
    for (const int q : foldable)
        e.lo[static_cast<std::size_t>(q)] = e.hi[static_cast<std::size_t>(q)] = fold(list.front()[q]);
    for (const Sample& s : list) {
        for (const int q : foldable) {
            const double v = fold(s[q]);
            double& lo = e.lo[static_cast<std::size_t>(q)];
            double& hi = e.hi[static_cast<std::size_t>(q)];
            lo = v < lo ? v : lo;
            hi = v > hi ? v : hi;
        }
    }
    return e;
}

// SetRange with the folded ends of the list, found (once per list) only when some scale needs them.
void SetRangeWith(AxisScale& r, const SampleView& list, double smallest, double largest,
                  std::optional<FoldedEnds>& folded)
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
        // Values on both sides of 180: the folded ends need a pass over the list.
        if (!folded)
            folded = FindFoldedEnds(list);
        lo = folded->lo[static_cast<std::size_t>(q)];
        hi = folded->hi[static_cast<std::size_t>(q)];
    }
    if (AlwaysFolded(q) || hi - lo < largest - smallest) {
        r.Folded = true;
        r.Minimum = lo;
        r.Maximum = hi;
    }
}

}  // namespace

void SetRange(AxisScale& r, const SampleView& list, double smallest, double largest)
{
    std::optional<FoldedEnds> folded;
    SetRangeWith(r, list, smallest, largest, folded);
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

void Rescale(AxisScale& r, const SampleView& allSamples, const SampleView& voltageSamples)
{
    const SampleView& list = r.PositiveOnly ? voltageSamples : allSamples;
    if (!list.empty() && IsQuantity(r.Quantity)) {
        const ExtremeIndex e = FindExtremes(list, r.Quantity);
        SetRange(r, list, list[e.minimum][r.Quantity], list[e.maximum][r.Quantity]);
    }
    SetTicks(r);
}

void rescaleAll(AxisScales& scales, const SampleView& allSamples, const SampleView& voltageSamples)
{
    rescaleAll(scales, allSamples, voltageSamples, nullptr, nullptr);
}

void rescaleAll(AxisScales& scales, const SampleView& allSamples, const SampleView& voltageSamples,
                const TListEnds* allEnds, const TListEnds* voltageEnds)
{
    std::optional<FoldedEnds> allFolded;
    std::optional<FoldedEnds> voltFolded;
    std::array<ExtremeIndex, QuantityCount> allExt{};
    std::array<ExtremeIndex, QuantityCount> voltExt{};
    // The ends the derivation found are those of the same pass over the list: no pass needed.
    const auto find = [](const SampleView& list, const TListEnds* known, std::array<ExtremeIndex, QuantityCount>& ext,
                         std::optional<FoldedEnds>& folded) {
        if (list.empty())
            return;
        // Otherwise one pass over the list finds the extremes and the folded ends together, so
        // folding costs no second sweep over a million samples.
        const TListEnds scanned = known != nullptr ? TListEnds{} : ScanEnds(list);
        const TListEnds& ends = known != nullptr ? *known : scanned;
        ext = ends.extremes();
        folded.emplace();
        folded->lo = ends.foldedLo;
        folded->hi = ends.foldedHi;
    };
    find(allSamples, allEnds, allExt, allFolded);
    find(voltageSamples, voltageEnds, voltExt, voltFolded);
    for (AxisScale& r : scales) {
        const SampleView& list = r.PositiveOnly ? voltageSamples : allSamples;
        if (!list.empty() && IsQuantity(r.Quantity)) {
            const ExtremeIndex& e = (r.PositiveOnly ? voltExt : allExt)[static_cast<std::size_t>(r.Quantity)];
            SetRangeWith(r, list, list[e.minimum][r.Quantity], list[e.maximum][r.Quantity],
                         r.PositiveOnly ? voltFolded : allFolded);
        }
        SetTicks(r);
    }
}

namespace {

// growScales for an angle that a scale may fold across 0. Adding samples only widens both the
// plain and the folded range, so when every new sample plots inside the range as the scale now
// stands, a rescale of the whole list gives that range again (the narrower representation stays
// the narrower one); otherwise the whole list is looked at again, as a rescale does.
bool GrowFoldedScale(AxisScale& r, const SampleView& allSamples, const SampleView& voltageSamples, std::size_t from)
{
    const SampleView& list = r.PositiveOnly ? voltageSamples : allSamples;
    bool inside = from != 0;
    for (std::size_t i = from; i < list.size() && inside; ++i) {
        const double v = r.PlotValue(list[i][r.Quantity]);
        inside = !(v < r.Minimum) && !(v > r.Maximum);  // a NaN never widens, as in a rescale
    }
    if (inside)
        return false;
    const AxisScale before = r;
    Rescale(r, allSamples, voltageSamples);
    return before.Minimum != r.Minimum || before.Maximum != r.Maximum || before.Folded != r.Folded ||
           before.FirstTick != r.FirstTick || before.LastTick != r.LastTick || before.TickStep != r.TickStep;
}

}  // namespace

bool growScales(AxisScales& scales, const SampleView& allSamples, std::size_t fromAll, const SampleView& voltageSamples,
                std::size_t fromVolts)
{
    // The range of every quantity over the new samples of one list, in one pass over them.
    struct NewRange {
        bool any = false;
        std::array<double, QuantityCount> lo{};
        std::array<double, QuantityCount> hi{};
    };
    auto rangeOf = [](const SampleView& list, std::size_t from) {
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
        if (AlwaysFolded(r.Quantity) || FoldedWhenNarrower(r.Quantity)) {
            if (GrowFoldedScale(r, allSamples, voltageSamples, from))
                changed = true;
            continue;
        }
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
