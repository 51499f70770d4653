#pragma once
// Where a sample list holds its smallest and largest values: the axis ranges, the limits report
// and the command-line summary all read them from here.
#include "logdata/Sampleview.h"
#include <array>
#include <cstddef>

namespace driftline {

// Position in a list of the first sample holding the smallest and the first holding the largest
// value of one quantity (equal values never replace an earlier sample).
struct ExtremeIndex {
    std::size_t minimum = 0;
    std::size_t maximum = 0;
};
// The first-of-equals minimum and maximum of quantity q; the list must not be empty.
ExtremeIndex FindExtremes(const SampleView& list, int q);
// The same for all eight quantities in a single pass over the list; the list must not be empty.
std::array<ExtremeIndex, QuantityCount> FindAllExtremes(const SampleView& list);

// What one pass over a list finds for a rescale and the summary: the first-of-equals extremes of
// every quantity (as FindAllExtremes finds them, values beside their positions) and, for the
// angles a scale may fold across 0 (right ascension, declination, beta, lambda), the smallest
// and largest folded value (a value of 180 or more taken as value - 360).
//
// Found in parts while the samples are derived: each part of the list starts empty (nothing
// replaces a NaN start, as nothing replaces a NaN first sample in a plain pass) and the parts
// are joined in list order onto the list's first sample, which gives the plain pass's answer bit
// for bit whatever the parts.
struct TListEnds {
    std::array<double, QuantityCount> lo{};
    std::array<double, QuantityCount> hi{};
    std::array<std::size_t, QuantityCount> loAt{};
    std::array<std::size_t, QuantityCount> hiAt{};
    std::array<double, QuantityCount> foldedLo{};  // foldable angles only
    std::array<double, QuantityCount> foldedHi{};

    // The ends of a list that starts with first (at position 0).
    static TListEnds StartingWith(const Sample& first);
    // The ends of a part not yet seen: nothing found.
    static TListEnds Empty();
    // Takes in the sample at position `at`, later than every sample taken in before.
    void add(const Sample& s, std::size_t at)
    {
        for (std::size_t q = 0; q < QuantityCount; ++q) {
            const double v = s.values[q];
            if (v < lo[q]) {
                lo[q] = v;
                loAt[q] = at;
            }
            if (v > hi[q]) {
                hi[q] = v;
                hiAt[q] = at;
            }
        }
        for (const std::size_t q : Foldable) {
            const double v = Fold(s.values[q]);
            foldedLo[q] = v < foldedLo[q] ? v : foldedLo[q];
            foldedHi[q] = v > foldedHi[q] ? v : foldedHi[q];
        }
    }
    // Takes in the ends of a part of the list that comes after everything taken in so far.
    void join(const TListEnds& later);
    std::array<ExtremeIndex, QuantityCount> extremes() const;

    static constexpr std::size_t Foldable[] = {RightAscension, Declination, Beta, Lambda};
    static double Fold(double v) { return v >= 180.0 ? v - 360.0 : v; }
};

// The ends of a whole list (at least one sample) in one pass.
TListEnds ScanEnds(const SampleView& list);

}  // namespace driftline
