#pragma once
// The report of maxima and minima: for each quantity the whole sample at which it is smallest and
// the whole sample at which it is largest, over the records with a voltage and over all records.
#include "logdata/Samplestore.h"

#include <filesystem>
#include <string>

namespace driftline {

// Filter of the save dialog for the report (its default extension stays "csv").
inline constexpr const char* LimitsFilter = "Comma separated values (*.csv)|*.csv|Any (*.*)|*.*";

// The report text with CR LF line ends: the section "Values with positive voltage" over
// voltageSamples, then "All values" over allSamples, each with its header line, two rows per
// quantity (the first sample holding the minimum and the first holding the maximum, all eight
// values as quantity texts) and an empty line. A section over an empty list keeps its rows with
// empty fields.
std::string LimitsReportText(const SampleView& voltageSamples, const SampleView& allSamples);

// Writes the report through a temporary file renamed over the target; false with the reason.
bool WriteLimitsReport(const std::filesystem::path& path, const SampleView& voltageSamples,
                       const SampleView& allSamples, std::string& error);

}  // namespace driftline
