// Speed of the fit, the selection saves, the limits report and the derive CSV lines on a million
// plotted points or samples, and of one number's %.17g text.
#include "analysis/Fitunit.h"
#include "analysis/Limitswriter.h"
#include "analysis/PolyfitUnit.h"
#include "analysis/Samplecsv.h"
#include "analysis/Selectionwriter.h"
#include "suite/Numbertext.h"

#include <benchmark/benchmark.h>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace driftline;

constexpr std::size_t PointCount = 1'000'000;

// A drift scan as plotted: pixel x across a 520-pixel area, pixel y a noisy hump.
const PlottedPoints& MillionPoints()
{
    static const PlottedPoints points = [] {
        PlottedPoints p;
        for (std::size_t k = 0; k < PointCount; ++k) {
            const double f = static_cast<double>(k) / PointCount;
            const double x = 40.0 + std::trunc(520.0 * f);
            const double y = 40.0 +
                             std::trunc(300.0 * std::exp(-20.0 * (f - 0.5) * (f - 0.5)) + 10.0 * std::sin(k * 0.7));
            p.pixelX.push_back(x);
            p.pixelY.push_back(y);
            p.horizontalValues.push_back(40373.5 + f * 0.1);
            p.verticalValues.push_back(0.25 + 0.5 * std::sin(k * 0.001));
        }
        return p;
    }();
    return points;
}

const SampleList& MillionSamples()
{
    static const SampleList samples = [] {
        SampleList list(PointCount);
        for (std::size_t k = 0; k < PointCount; ++k)
            for (int q = 0; q < QuantityCount; ++q)
                list[k][q] = std::fmod(static_cast<double>(k) * (q + 1) * 0.37, 359.0);
        return list;
    }();
    return samples;
}

std::filesystem::path BenchFile(const char* name)
{
    return std::filesystem::temp_directory_path() / name;
}

void BM_FitTwentyCoefficients(benchmark::State& state)
{
    const auto& points = MillionPoints();
    SetPolyFitReporter([](const std::string&, const std::string&) {});
    for (auto _ : state) {
        std::vector<double> coefficients(20, 0.0);
        benchmark::DoNotOptimize(FitPolynomial(points.pixelX, points.pixelY, coefficients));
    }
    SetPolyFitReporter({});
}
BENCHMARK(BM_FitTwentyCoefficients)->Unit(benchmark::kMillisecond);

void BM_FitCommandTwentyCoefficients(benchmark::State& state)
{
    const auto& points = MillionPoints();
    SetPolyFitReporter([](const std::string&, const std::string&) {});
    for (auto _ : state) {
        std::vector<double> coefficients;
        benchmark::DoNotOptimize(RunFit(points, 20, coefficients));
    }
    SetPolyFitReporter({});
}
BENCHMARK(BM_FitCommandTwentyCoefficients)->Unit(benchmark::kMillisecond);

void BM_SaveCommaSeparated(benchmark::State& state)
{
    const auto& points = MillionPoints();
    const auto path = BenchFile("driftline-bench.csv");
    std::string error;
    for (auto _ : state)
        if (!WriteTextSelection(path, points, ',', error))
            state.SkipWithError(error.c_str());
    std::filesystem::remove(path);
}
BENCHMARK(BM_SaveCommaSeparated)->Unit(benchmark::kMillisecond);

void BM_SaveBinary(benchmark::State& state)
{
    const auto& points = MillionPoints();
    const auto path = BenchFile("driftline-bench.dat");
    std::string error;
    for (auto _ : state)
        if (!WriteBinarySelection(path, points, error))
            state.SkipWithError(error.c_str());
    std::filesystem::remove(path);
}
BENCHMARK(BM_SaveBinary)->Unit(benchmark::kMillisecond);

void BM_LimitsReport(benchmark::State& state)
{
    const auto& samples = MillionSamples();
    const auto path = BenchFile("driftline-bench-limits.csv");
    std::string error;
    for (auto _ : state)
        if (!WriteLimitsReport(path, samples, samples, error))
            state.SkipWithError(error.c_str());
    std::filesystem::remove(path);
}
BENCHMARK(BM_LimitsReport)->Unit(benchmark::kMillisecond);

// Values as a log's columns hold them: a serial date, angles, a voltage (4096 of them, cycled).
const std::vector<double>& LogValues()
{
    static const std::vector<double> values = [] {
        std::vector<double> v;
        for (int k = 0; k < 1024; ++k) {
            v.push_back(40373.5 + k * (1.0 / 86400.0));
            v.push_back(std::fmod(k * 0.3711, 360.0));
            v.push_back(-33.25 + std::sin(k) * 20.0);
            v.push_back(0.25 + 0.5 * std::sin(k * 0.001));
        }
        return v;
    }();
    return values;
}

// One value's %.17g text by GeneralDigits (argument 0) or by std::to_chars (argument 1).
void BM_GeneralDigits17(benchmark::State& state)
{
    const auto& values = LogValues();
    const bool library = state.range(0) == 1;
    char buffer[MaxGeneralChars];
    std::size_t k = 0;
    for (auto _ : state) {
        const double v = values[k++ & 4095];
        char* end = library ? std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 17).ptr
                            : GeneralDigits(buffer, v, 17);
        benchmark::DoNotOptimize(end);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_GeneralDigits17)->Arg(0)->Arg(1);

// The derive CSV lines of a million samples on one thread (134 MB of text for a real log).
void BM_DeriveLines(benchmark::State& state)
{
    const auto& samples = MillionSamples();
    std::string text;
    for (auto _ : state) {
        text.clear();
        AppendSampleRows(text, SampleView(samples), 0, samples.size());
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_DeriveLines)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
