// The first-of-equals extremes search over a sample list.
#include "logdata/Extremes.h"

#include <limits>

namespace driftline {

// First-of-equals extremes of one quantity: a later sample replaces the kept one only when it is
// strictly smaller (larger). Visiting the samples two at a time, as the limits report describes
// its search, must give the same answer, including for two equal values within one pair.
ExtremeIndex FindExtremes(const SampleView& list, int q)
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
std::array<ExtremeIndex, QuantityCount> FindAllExtremes(const SampleView& list)
{
    return ScanEnds(list).extremes();
}

TListEnds ScanEnds(const SampleView& list)
{
    TListEnds ends = TListEnds::StartingWith(list[0]);
    const std::size_t n = list.size();
    for (std::size_t i = 1; i < n; ++i)
        ends.add(list[i], i);
    return ends;
}

TListEnds TListEnds::StartingWith(const Sample& first)
{
    TListEnds e;
    e.lo = e.hi = first.values;
    for (const std::size_t q : Foldable)
        e.foldedLo[q] = e.foldedHi[q] = Fold(first.values[q]);
    return e;
}

TListEnds TListEnds::Empty()
{
    TListEnds e;
    e.lo.fill(std::numeric_limits<double>::infinity());
    e.hi.fill(-std::numeric_limits<double>::infinity());
    e.foldedLo = e.lo;
    e.foldedHi = e.hi;
    return e;
}

void TListEnds::join(const TListEnds& later)
{
    // The smallest of the later part replaces only a strictly larger value, as in a plain pass;
    // an infinite start of an empty part never does.
    for (std::size_t q = 0; q < QuantityCount; ++q) {
        if (later.lo[q] < lo[q]) {
            lo[q] = later.lo[q];
            loAt[q] = later.loAt[q];
        }
        if (later.hi[q] > hi[q]) {
            hi[q] = later.hi[q];
            hiAt[q] = later.hiAt[q];
        }
    }
    for (const std::size_t q : Foldable) {
        foldedLo[q] = later.foldedLo[q] < foldedLo[q] ? later.foldedLo[q] : foldedLo[q];
        foldedHi[q] = later.foldedHi[q] > foldedHi[q] ? later.foldedHi[q] : foldedHi[q];
    }
}

std::array<ExtremeIndex, QuantityCount> TListEnds::extremes() const
{
    std::array<ExtremeIndex, QuantityCount> out{};
    for (std::size_t q = 0; q < QuantityCount; ++q)
        out[q] = {loAt[q], hiAt[q]};
    return out;
}

}  // namespace driftline
