// Cost of a precise (ICRS) position per sample: the kept context against the whole chain per
// sample, and a whole sample in either frame.
#include "astro/AstroConstants.h"
#include "astro/Preciseunit.h"
#include "astro/Sitesettings.h"
#include "logdata/Samplederive.h"
#include "logdata/Samplestore.h"
#include "suite/Globalunit.h"

#include <benchmark/benchmark.h>

namespace {

using namespace driftline;

constexpr double SampleStepDays = 0.1 / 86400.0;  // ten samples a second
const TDateTime ScanStart = 45371.5;              // 2024-03-20 12:00 UTC

TPreciseSite Site()
{
    TPreciseSite site;
    site.latitudeDeg = 54.0 + 16.0 / 60.0;
    site.longitudeDeg = -(2.0 + 16.0 / 60.0);
    site.heightM = 200.0;
    site.pressureHpa = 990.0;
    site.temperatureC = 10.0;
    return site;
}

// A tracking dish: every sample a new pointing (no observed-to-CIRS step to reuse).
void BM_PreciseFrameTracking(benchmark::State& state)
{
    TPreciseFrame frame(Site());
    TPrecisePlace place;
    double t = ScanStart;
    double az = 100.0;
    for (auto _ : state) {
        frame.Place(t, az, 35.5, place);
        benchmark::DoNotOptimize(place);
        t += SampleStepDays;
        az += 0.0011;
    }
}
BENCHMARK(BM_PreciseFrameTracking);

// A parked dish whose encoders flicker between neighbouring counts.
void BM_PreciseFrameParked(benchmark::State& state)
{
    TPreciseFrame frame(Site());
    TPrecisePlace place;
    double t = ScanStart;
    unsigned x = 1;
    for (auto _ : state) {
        x = x * 1103515245u + 12345u;
        const double az = (16383 + (x >> 16) % 3) * DegreesPerCount;
        const double alt = (3640 + (x >> 20) % 3) * DegreesPerCount;
        frame.Place(t, az, alt, place);
        benchmark::DoNotOptimize(place);
        t += SampleStepDays;
    }
}
BENCHMARK(BM_PreciseFrameParked);

// The whole chain per sample (context included), the reference the kept context is tested against.
void BM_ObservedToIcrsWholeChain(benchmark::State& state)
{
    const TPreciseSite site = Site();
    TPrecisePlace place;
    double t = ScanStart;
    for (auto _ : state) {
        ObservedToIcrs(site, t, 180.0, 35.5, place);
        benchmark::DoNotOptimize(place);
        t += SampleStepDays;
    }
}
BENCHMARK(BM_ObservedToIcrsWholeChain);

// A whole sample (counts, time, volts and the sky) in either frame; 0 classic, 1 ICRS.
void BM_DeriveSample(benchmark::State& state)
{
    Global();
    TPreciseFrame frame(Site());
    TPreciseFrame* precise = state.range(0) == 1 ? &frame : nullptr;
    TSampleDeriver classic(CurrentSite());
    RawRecord raw{43200000, 16384, 3641, 1024};
    unsigned x = 1;
    for (auto _ : state) {
        x = x * 1103515245u + 12345u;
        raw.milliseconds += 100;
        raw.azimuthCounts = 16383 + (x >> 16) % 3;
        raw.altitudeCounts = 3640 + (x >> 20) % 3;
        benchmark::DoNotOptimize(precise != nullptr ? derivePreciseSample(raw, 0, 0, 45371.0, *precise)
                                                    : classic.derive(raw, 0, 0, 45371.0));
    }
}
BENCHMARK(BM_DeriveSample)->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
