// The report of maxima and minima of every quantity.
#include "analysis/Limitswriter.h"

#include "logdata/Extremes.h"
#include "plot/QuantityText.h"
#include "suite/Fileunit.h"

namespace driftline {

namespace {

void AppendSection(std::string& text, const char* title, const SampleView& samples)
{
    text += title;
    text += "\r\n";
    text += "Name,";
    for (int q = 0; q < QuantityCount; ++q) {
        text += ',';
        text += QuantityCaption(q);
    }
    text += "\r\n";
    std::array<ExtremeIndex, QuantityCount> extremes{};
    if (!samples.empty())
        extremes = FindAllExtremes(samples);
    auto appendRow = [&](int q, const char* kind, std::size_t index) {
        text += QuantityCaption(q);
        text += ',';
        text += kind;
        for (int j = 0; j < QuantityCount; ++j) {
            text += ',';
            if (!samples.empty())
                text += QuantityText(j, samples[index][j]);
        }
        text += "\r\n";
    };
    for (int q = 0; q < QuantityCount; ++q) {
        const auto& e = extremes[static_cast<std::size_t>(q)];
        appendRow(q, "Minimum", e.minimum);
        appendRow(q, "Maximum", e.maximum);
    }
    text += "\r\n";
}

}  // namespace

std::string LimitsReportText(const SampleView& voltageSamples, const SampleView& allSamples)
{
    std::string text;
    text.reserve(4096);
    AppendSection(text, "Values with positive voltage", voltageSamples);
    AppendSection(text, "All values", allSamples);
    return text;
}

bool WriteLimitsReport(const std::filesystem::path& path, const SampleView& voltageSamples,
                       const SampleView& allSamples, std::string& error)
{
    return WriteFileAtomically(path, LimitsReportText(voltageSamples, allSamples), error);
}

}  // namespace driftline
