// Plot view model on a million samples: zoom (filter both lists, rescale, plotted points),
// the plotted points alone, and rescaleAll.
#include "plot/Viewunit.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cmath>
#include <cstdint>
#include <utility>

namespace {

using namespace driftline;

constexpr std::size_t SampleCount = 1'000'000;

// A drift scan: one sample a second from 21:03:15, a parked telescope with a little jitter, and a
// source passing through the beam over a noisy baseline; every 50th record without volts.
TSampleStore MakeStore()
{
    SampleList all;
    SampleList voltage;
    all.reserve(SampleCount);
    std::uint32_t noise = 12345;
    auto next = [&noise] {
        noise = noise * 1664525u + 1013904223u;
        return static_cast<double>(noise >> 8) / 16777216.0 - 0.5;
    };
    const double start = 40310.0 + 75795000.0 / 86400000.0;
    for (std::size_t i = 0; i < SampleCount; ++i) {
        Sample s;
        const double t = static_cast<double>(i);
        s[Time] = start + t / 86400.0;
        s[Azimuth] = 180.0 + 0.011 * std::round(next());
        s[Altitude] = 45.0 + 0.011 * std::round(next());
        s[RightAscension] = std::fmod(200.0 + t * 15.0 / 3600.0, 360.0);
        s[Declination] = 30.0;
        s[Beta] = std::fmod(360.0 + 20.0 * std::sin(t * 1e-5), 360.0);
        s[Lambda] = std::fmod(100.0 + t * 1e-4, 360.0);
        const double x = (t - 500000.0) / 60000.0;
        s[Volts] = 0.5 + 2.0 * std::exp(-x * x) + 0.05 * next();
        all.push_back(s);
    }
    for (std::size_t i = 0; i < SampleCount; ++i)
        if (i % 50 != 0)
            voltage.push_back(all[i]);
    TSampleStore store;
    store.adoptSamples(std::move(all), std::move(voltage));
    return store;
}

const TSampleStore& BaseStore()
{
    static const TSampleStore store = MakeStore();
    return store;
}

// One zoom as the window runs it, band columns from the benchmark's arguments.
void BM_Zoom(benchmark::State& state)
{
    const auto bandStart = static_cast<std::int32_t>(state.range(0));
    const auto bandEnd = static_cast<std::int32_t>(state.range(1));
    PlottedPoints points;
    for (auto _ : state) {
        state.PauseTiming();
        TSampleStore store = BaseStore();
        TPlotView view;
        view.rescaleAll(store);
        state.ResumeTiming();

        view.ZoomToBand(store, bandStart, bandEnd, false);
        view.computePlottedPoints(store.allSamples(), false, points);
        benchmark::DoNotOptimize(points.pixelX.data());

        state.PauseTiming();
        store = TSampleStore();  // the release of the copies is not part of a zoom
        state.ResumeTiming();
    }
    state.counters["kept"] = static_cast<double>(points.size());
}
BENCHMARK(BM_Zoom)->Args({100, 250})->Args({41, 559})->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_ComputePlottedPoints(benchmark::State& state)
{
    TPlotView view;
    view.rescaleAll(BaseStore());
    PlottedPoints points;
    for (auto _ : state) {
        view.computePlottedPoints(BaseStore().allSamples(), false, points);
        benchmark::DoNotOptimize(points.pixelY.data());
    }
}
BENCHMARK(BM_ComputePlottedPoints)->Unit(benchmark::kMillisecond);

void BM_RescaleAll(benchmark::State& state)
{
    TPlotView view;
    for (auto _ : state) {
        view.rescaleAll(BaseStore());
        benchmark::DoNotOptimize(view.axisScales.data());
    }
}
BENCHMARK(BM_RescaleAll)->Unit(benchmark::kMillisecond);

// Five zooms from one copy of the base lists; reports the process's peak resident size, which
// includes the benchmark's own base lists (127 MB), so run each case alone
// (--benchmark_filter=PeakMemory/41 or PeakMemory/40) for its figure. Band 41..559 keeps nearly
// every sample each time, the worst case for the undo copies; 40..300 keeps about half.
void BM_FiveZoomsPeakMemory(benchmark::State& state)
{
    const auto bandStart = static_cast<std::int32_t>(state.range(0));
    const auto bandEnd = static_cast<std::int32_t>(state.range(1));
    for (auto _ : state) {
        TSampleStore store = BaseStore();
        TPlotView view;
        view.rescaleAll(store);
        for (int i = 0; i < 5; ++i)
            view.ZoomToBand(store, bandStart, bandEnd, false);
        benchmark::DoNotOptimize(store.allSamples().base());
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_FiveZoomsPeakMemory)->Args({41, 559})->Args({40, 300})->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
