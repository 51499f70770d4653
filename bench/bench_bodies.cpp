// Cost of the Sun, Moon and planet positions: the bare models and a full read of a source.
#include "astro/Bodyclock.h"
#include "astro/MoonUnit.h"
#include "astro/Planetunit.h"
#include "astro/Sourceunit.h"
#include "astro/Sununit.h"
#include "suite/Globalunit.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

namespace {

using namespace driftline;

constexpr double SomeJulianDay = 2460400.25;  // 2024-03-31 18:00 UTC

TUtcLocalTime SomeInstant()
{
    TUtcLocalTime t;
    UtcLocalFromDateTime(t, EncodeDate(2024, 3, 31) + 0.75);
    return t;
}

// The solar position record with function code 0 (up to right ascension and declination).
void BM_SpaCalculateGeocentric(benchmark::State& state)
{
    TSpaData spa;
    spa.year = 2024;
    spa.month = 3;
    spa.day = 31;
    spa.hour = 18;
    spa.deltaT = SpaDeltaT;
    for (auto _ : state) {
        spa.second = static_cast<int>(state.iterations() % 60);
        benchmark::DoNotOptimize(SpaCalculate(spa));
        benchmark::DoNotOptimize(spa.alpha);
    }
}
BENCHMARK(BM_SpaCalculateGeocentric);

// One read of a Sun source: filling the record from the source and the settings, and code 0.
void BM_SunSourceRead(benchmark::State& state)
{
    Global();
    TSource sun = TSource::Body(KindSun, SomeInstant());
    for (auto _ : state)
        benchmark::DoNotOptimize(sun.GetRa());
}
BENCHMARK(BM_SunSourceRead);

// The Moon model's three coordinates for one date.
void BM_MoonPosition(benchmark::State& state)
{
    double jd = SomeJulianDay;
    for (auto _ : state) {
        const TMoon moon(jd);
        benchmark::DoNotOptimize(moon.GetLongitude());
        benchmark::DoNotOptimize(moon.GetLatitude());
        benchmark::DoNotOptimize(moon.GetDistance());
        jd += 1e-6;
    }
}
BENCHMARK(BM_MoonPosition);

std::unique_ptr<TPlanet> MakePlanet(int kind, double jd)
{
    switch (kind) {
    case KindMercury:
        return std::make_unique<TMercury>(jd);
    case KindVenus:
        return std::make_unique<TVenus>(jd);
    case KindMars:
        return std::make_unique<TMars>(jd);
    case KindJupiter:
        return std::make_unique<TJupiter>(jd);
    case KindSaturn:
        return std::make_unique<TSaturn>(jd);
    case KindUranus:
        return std::make_unique<TUranus>(jd);
    default:
        return std::make_unique<TNeptune>(jd);
    }
}

// One planet model's three coordinates for one date (argument: the source kind, 4 to 10).
void BM_PlanetPosition(benchmark::State& state)
{
    const int kind = static_cast<int>(state.range(0));
    double jd = SomeJulianDay;
    for (auto _ : state) {
        const std::unique_ptr<TPlanet> planet = MakePlanet(kind, jd);
        benchmark::DoNotOptimize(planet->GetLongitude());
        benchmark::DoNotOptimize(planet->GetLatitude());
        benchmark::DoNotOptimize(planet->GetDistance());
        jd += 1e-6;
    }
}
BENCHMARK(BM_PlanetPosition)->DenseRange(KindMercury, KindNeptune);

// One read of a Moon or planet source (kind 3 to 10): model, Earth record (shared, refreshed
// once a minute) and the turn to right ascension and declination.
void BM_BodySourceRead(benchmark::State& state)
{
    Global();
    TSource body = TSource::Body(static_cast<TSourceKind>(state.range(0)), SomeInstant());
    for (auto _ : state)
        benchmark::DoNotOptimize(body.GetRa());
}
BENCHMARK(BM_BodySourceRead)->DenseRange(KindMoon, KindNeptune);

// The worst case of a planet read: the body clock moves on two minutes between reads, so every
// read also recalculates the shared Earth record (function code 1) before the planet's place.
void BM_PlanetSourceReadWithEarthRefresh(benchmark::State& state)
{
    Global();
    TDateTime now = EncodeDate(2024, 3, 31) + 0.75;
    const TBodyClock previous = SetBodyClock([&now] { return now; });
    TSource body = TSource::Body(static_cast<TSourceKind>(state.range(0)), SomeInstant());
    const std::uint64_t before = EarthRecordFor(body).calculations;
    for (auto _ : state) {
        now += 2.0 / 1440.0;
        benchmark::DoNotOptimize(body.GetRa());
    }
    // Every iteration must have recalculated the Earth record, else this measures the cached case.
    if (EarthRecordFor(body).calculations - before != static_cast<std::uint64_t>(state.iterations()))
        state.SkipWithError("the Earth record was not recalculated on every read");
    SetBodyClock(previous);
}
BENCHMARK(BM_PlanetSourceReadWithEarthRefresh)->DenseRange(KindMercury, KindNeptune);

}  // namespace

BENCHMARK_MAIN();
