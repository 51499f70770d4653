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

}  // namespace driftline
