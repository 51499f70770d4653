#pragma once
// The lines of the derive CSV: every quantity of a sample at 17 significant digits.
#include "logdata/Sampleview.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace driftline {

// The CSV lines of samples [begin, end) appended to text: each line is `prefix` (e.g. a file
// field and its comma, or nothing), then the eight quantities in Quantity order, each as
// std::to_chars(general, 17) (printf's %.17g) writes it, separated by commas, and '\n'.
void AppendSampleRows(std::string& text, const SampleView& samples, std::size_t begin, std::size_t end,
                      std::string_view prefix = {});

}  // namespace driftline
