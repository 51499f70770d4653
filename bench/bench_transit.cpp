// Speed of the transit fit on a million samples, and of the calibration's search for the
// passage and the azimuth correction.
#include "analysis/Transitcalibration.h"
#include "analysis/Transitfit.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

using namespace driftline;

constexpr double SecondsPerDay = 86400.0;

// A million-sample scan, 10 ms apart (2.8 hours): a 1.5 V peak 1450 s wide on a 1 V baseline,
// 15 mV of noise.
struct TScan {
    std::vector<double> time, volts;
};

const TScan& MillionScan()
{
    static const TScan scan = [] {
        TScan s;
        std::mt19937_64 random(1);
        std::normal_distribution<double> noise(0.0, 0.015);
        const std::size_t n = 1'000'000;
        for (std::size_t i = 0; i < n; ++i) {
            const double t = static_cast<double>(i) * 0.01;
            const double u = (t - 5200.0) / 1450.0;
            s.time.push_back(40350.4 + t / SecondsPerDay);
            s.volts.push_back(1.0 + 1.5 * std::exp(-2.772588722239781 * u * u) + noise(random));
        }
        return s;
    }();
    return scan;
}

void TransitFitMillion(benchmark::State& state)
{
    const TScan& scan = MillionScan();
    for (auto _ : state) {
        const TTransitFit fit = FitTransit(scan.time, scan.volts);
        if (fit.status != TTransitStatus::Ok)
            state.SkipWithError("fit failed");
        benchmark::DoNotOptimize(fit.peakTime);
        state.counters["evaluations"] = fit.functionEvaluations;
    }
}
BENCHMARK(TransitFitMillion)->Unit(benchmark::kMillisecond);

// The calibration of a fitted Sun peak: the track over twelve hours, the closest passage and the
// azimuth shift solved three times (value and its sigma).
void TransitCalibrateSun(benchmark::State& state)
{
    const TSite site{52.0, 5.0, 10};
    const TSkyTarget sun = TSkyTarget::Body(KindSun);
    const TDateTime peak = EncodeDate(2010, 6, 21) + (11 * 3600.0 + 20 * 60.0) / SecondsPerDay;
    const TSkyTrack track(sun, site, peak - 0.01, peak + 0.01);
    const THorizontal where = track.At(peak);
    SampleList samples(2000);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i][Time] = peak + (static_cast<double>(i) - 1000.0) / SecondsPerDay;
        samples[i][Azimuth] = where.azimuthDeg - 0.4;
        samples[i][Altitude] = where.altitudeDeg;
    }
    TTransitFit fit;
    fit.status = TTransitStatus::Ok;
    fit.peakTime = peak;
    fit.peakTimeSigmaSeconds = 0.3;
    fit.fwhmSeconds = 1570.0;
    for (auto _ : state) {
        const TTransitCalibration cal = CalibrateTransit(sun, site, samples, fit, 12);
        if (!cal.ok)
            state.SkipWithError(cal.problem.c_str());
        benchmark::DoNotOptimize(cal.azimuthCorrection);
    }
}
BENCHMARK(TransitCalibrateSun)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
