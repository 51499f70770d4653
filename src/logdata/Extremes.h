#pragma once
// Where a sample list holds its smallest and largest values: the axis ranges, the limits report
// and the command-line summary all read them from here.
#include "logdata/Sampleview.h"
#include <array>
#include <cstddef>
#include <cstring>

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
    // Takes in count samples at positions at, at + 1, ..., later than every sample taken in
    // before; sampleAt(k) gives the k-th. The same ends as add() of each in turn: the block's
    // running extremes are found without branches (the same recurrence, so the same bits), and a
    // position is looked for only where the block moved an end, at the first sample equal to the
    // new end (no earlier sample of the block can equal it, or the end would have moved there).
    template <typename SampleAt>
    void addBlock(SampleAt&& sampleAt, std::size_t count, std::size_t at)
    {
        // Two quantities a lane pair, the running extremes of all eight and of the folded four
        // held in registers; (v < m ? v : m) lane by lane is the recurrence of add().
        using Pair = double __attribute__((vector_size(16)));
        const auto load = [](const double* from) {
            Pair p;
            std::memcpy(&p, from, sizeof p);
            return p;
        };
        const auto lower = [](Pair v, Pair m) { return v < m ? v : m; };
        const auto higher = [](Pair v, Pair m) { return v > m ? v : m; };
        // Fold(): 360 off where the value is 180 or more; v - 0 is v (also for -0 and NaN).
        const auto fold = [](Pair v) { return v - (v >= Pair{180.0, 180.0} ? Pair{360.0, 360.0} : Pair{0.0, 0.0}); };
        static_assert(QuantityCount == 8 && FoldableCount == 4);
        Pair lo0 = load(&lo[0]), lo1 = load(&lo[2]), lo2 = load(&lo[4]), lo3 = load(&lo[6]);
        Pair hi0 = load(&hi[0]), hi1 = load(&hi[2]), hi2 = load(&hi[4]), hi3 = load(&hi[6]);
        Pair flo0 = load(&foldedLo[FirstFoldable]), flo1 = load(&foldedLo[FirstFoldable + 2]);
        Pair fhi0 = load(&foldedHi[FirstFoldable]), fhi1 = load(&foldedHi[FirstFoldable + 2]);
        for (std::size_t k = 0; k < count; ++k) {
            const double* v = sampleAt(k).values.data();
            const Pair v0 = load(v), v1 = load(v + 2), v2 = load(v + 4), v3 = load(v + 6);
            lo0 = lower(v0, lo0);
            lo1 = lower(v1, lo1);
            lo2 = lower(v2, lo2);
            lo3 = lower(v3, lo3);
            hi0 = higher(v0, hi0);
            hi1 = higher(v1, hi1);
            hi2 = higher(v2, hi2);
            hi3 = higher(v3, hi3);
            const Pair f0 = fold(load(v + FirstFoldable)), f1 = fold(load(v + FirstFoldable + 2));
            flo0 = lower(f0, flo0);
            flo1 = lower(f1, flo1);
            fhi0 = higher(f0, fhi0);
            fhi1 = higher(f1, fhi1);
        }
        std::array<double, QuantityCount> blockLo, blockHi;
        const Pair los[] = {lo0, lo1, lo2, lo3}, his[] = {hi0, hi1, hi2, hi3};
        std::memcpy(blockLo.data(), los, sizeof los);
        std::memcpy(blockHi.data(), his, sizeof his);
        const Pair flos[] = {flo0, flo1}, fhis[] = {fhi0, fhi1};
        std::memcpy(&foldedLo[FirstFoldable], flos, sizeof flos);
        std::memcpy(&foldedHi[FirstFoldable], fhis, sizeof fhis);
        for (std::size_t q = 0; q < QuantityCount; ++q) {
            if (blockLo[q] < lo[q]) {
                std::size_t k = 0;
                while (k + 1 < count && !(sampleAt(k).values[q] == blockLo[q]))
                    ++k;
                lo[q] = blockLo[q];
                loAt[q] = at + k;
            }
            if (blockHi[q] > hi[q]) {
                std::size_t k = 0;
                while (k + 1 < count && !(sampleAt(k).values[q] == blockHi[q]))
                    ++k;
                hi[q] = blockHi[q];
                hiAt[q] = at + k;
            }
        }
    }
    // Takes in the ends of a part of the list that comes after everything taken in so far.
    void join(const TListEnds& later);
    std::array<ExtremeIndex, QuantityCount> extremes() const;

    static constexpr std::size_t Foldable[] = {RightAscension, Declination, Beta, Lambda};
    // The foldable angles lie side by side in a sample.
    static constexpr std::size_t FirstFoldable = RightAscension;
    static constexpr std::size_t FoldableCount = 4;
    static double Fold(double v) { return v >= 180.0 ? v - 360.0 : v; }
};

static_assert(TListEnds::FirstFoldable + TListEnds::FoldableCount - 1 == Lambda);

// The ends of a whole list (at least one sample) in one pass.
TListEnds ScanEnds(const SampleView& list);

}  // namespace driftline
