#pragma once
// Texts of one sample for the read-out of the sample under the mouse: its eight values in their
// quantities' text forms, the time with its date.
#include "logdata/Quantity.h"

#include <string>
#include <vector>

namespace driftline {

// The UTC date and time of a date-time serial as "YYYY-MM-DD HH:MM:SS" (rounded to the nearest
// millisecond first, then the seconds cut, as the time of day text does); outside the years 1 to
// 9999, or not finite, just the time of day text.
std::string DateTimeText(double serial);

// The text of value v of quantity q as the read-outs show it: QuantityText, but the time with its
// date (DateTimeText).
std::string ReadoutValueText(int q, double v);

// Eight lines "<caption> <value>", one per quantity in Quantity order, of a sample's own values.
std::vector<std::string> SampleReadoutLines(const Sample& sample);

}  // namespace driftline
