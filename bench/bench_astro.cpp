// Cost of deriving sky positions: one TSource per logged sample, and the UTC/local pair
// each sample's time is turned into.
#include "astro/Sourceunit.h"
#include "astro/Timeunit.h"
#include "suite/Globalunit.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

using namespace driftline;

// Samples of a drift scan: a quarter of a second apart, the dish creeping in azimuth.
constexpr double SampleStepDays = 0.25 / 86400.0;
const TDateTime ScanStart = 40600.8;  // 2011-02-28 19:12 UTC

void BM_SourceFromPointing(benchmark::State& state)
{
    Global();
    TUtcLocalTime when;
    UtcLocalFromDateTime(when, ScanStart);
    double az = 140.0;
    double sum = 0.0;
    for (auto _ : state) {
        TSource s(az, 35.5, &when);
        sum += s.GetRa().Value() + s.GetDec().Value() + s.GetBeta().Value() + s.GetLambda().Value();
        az += 0.011;
        if (az >= 350.0)
            az = 140.0;
    }
    benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_SourceFromPointing);

void BM_UtcLocalFromDateTime(benchmark::State& state)
{
    TUtcLocalTime when;
    double t = ScanStart;
    for (auto _ : state) {
        UtcLocalFromDateTime(when, t);
        benchmark::DoNotOptimize(when);
        t += SampleStepDays;
    }
}
BENCHMARK(BM_UtcLocalFromDateTime);

// One million samples, time pair and position each, shared among the benchmark's threads.
void BM_DeriveMillionSamples(benchmark::State& state)
{
    Global();
    const int samples = 1000000;
    const int threads = state.threads();
    const int first = state.thread_index();
    double sum = 0.0;
    for (auto _ : state) {
        for (int i = first; i < samples; i += threads) {
            TUtcLocalTime when;
            UtcLocalFromDateTime(when, ScanStart + i * SampleStepDays);
            TSource s(140.0 + std::fmod(i * 0.0001, 200.0), 35.5, &when);
            sum += s.GetRa().Value() + s.GetDec().Value() + s.GetBeta().Value() + s.GetLambda().Value();
        }
    }
    benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_DeriveMillionSamples)->Unit(benchmark::kMillisecond)->UseRealTime()->Threads(1)->Threads(2);

}  // namespace

BENCHMARK_MAIN();
