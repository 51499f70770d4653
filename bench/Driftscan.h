#pragma once
// The synthetic scan the drawing benchmarks plot: one sample a second, time rising steadily,
// volts a noisy bump, the azimuth of a parked dish jittering by one encoder count.
#include "logdata/Quantity.h"

#include <cmath>
#include <cstddef>
#include <random>

namespace driftline::bench {

inline SampleList DriftScan(std::size_t n)
{
    std::mt19937 rng(5);
    std::normal_distribution<double> noise(0.0, 0.02);
    SampleList list(n);
    for (std::size_t i = 0; i < n; ++i) {
        Sample& s = list[i];
        s[Time] = 40310.8772 + static_cast<double>(i) / 86400.0;
        s[Azimuth] = 180.0 + (static_cast<int>(rng() % 3) - 1) * 0.010986328125;
        s[Altitude] = 40.0;
        const double u = (static_cast<double>(i) / static_cast<double>(n) - 0.5) * 8.0;
        s[Volts] = 1.0 + 1.5 * std::exp(-u * u) + noise(rng);
        s[RightAscension] = 200.0 + static_cast<double>(i) * 15.0 / 3600.0;
        s[Declination] = 30.0;
        s[Beta] = 60.0;
        s[Lambda] = 100.0;
    }
    return list;
}

}  // namespace driftline::bench
