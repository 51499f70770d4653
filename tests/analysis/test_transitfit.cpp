// The transit fit against synthetic scans whose parameters are known, and the scans that must not
// give a result.
#include "analysis/Transitfit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

using driftline::FitTransit;
using driftline::TTransitFit;
using driftline::TTransitStatus;

constexpr double SecondsPerDay = 86400.0;

struct TScan {
    std::vector<double> timeDays;
    std::vector<double> volts;
};

// A scan of n samples dt seconds apart starting at day serial start: a + b t + A exp(-4 ln2
// (t - t0)^2 / w^2) with t in seconds from the start, plus Gaussian noise of the given sigma.
TScan MakeScan(std::size_t n, double dt, double a, double b, double amp, double t0, double w, double noise,
               unsigned seed, double start = 40310.5)
{
    std::mt19937_64 random(seed);
    std::normal_distribution<double> gauss(0.0, noise);
    TScan scan;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) * dt;
        const double u = (t - t0) / w;
        scan.timeDays.push_back(start + t / SecondsPerDay);
        scan.volts.push_back(a + b * t + amp * std::exp(-4.0 * std::log(2.0) * u * u) +
                             (noise > 0 ? gauss(random) : 0.0));
    }
    return scan;
}

TEST(TransitFit, RecoversKnownParametersWithinTheirSigmas)
{
    struct Case {
        const char* name;
        std::size_t n;
        double dt, a, b, amp, t0, w, noise;
    };
    // Widths from a few samples' worth to a third of the view; sloping and flat baselines; peaks
    // off the middle.
    const Case cases[] = {
        {"sun-like, SNR 100", 6000, 1.0, 1.0, 0.0, 1.5, 3000.0, 1450.0, 0.015},
        {"sloping baseline", 4000, 1.0, 2.0, 4.0e-5, 0.8, 1500.0, 600.0, 0.02},
        {"narrow peak, coarse sampling", 500, 10.0, 0.5, 0.0, 0.3, 3100.0, 200.0, 0.01},
        {"weak peak, SNR 8", 3000, 2.0, 1.2, -1.0e-5, 0.16, 2400.0, 900.0, 0.02},
    };
    for (const Case& c : cases) {
        for (unsigned seed = 1; seed <= 3; ++seed) {
            const TScan scan = MakeScan(c.n, c.dt, c.a, c.b, c.amp, c.t0, c.w, c.noise, seed);
            const TTransitFit fit = FitTransit(scan.timeDays, scan.volts);
            SCOPED_TRACE(std::string(c.name) + ", seed " + std::to_string(seed));
            ASSERT_EQ(fit.status, TTransitStatus::Ok) << fit.problem;
            const double t0Seconds = (fit.peakTime - scan.timeDays.front()) * SecondsPerDay;
            // Four sigma: twelve draws per parameter should all stay inside it.
            EXPECT_NEAR(t0Seconds, c.t0, 4.0 * fit.peakTimeSigmaSeconds);
            EXPECT_NEAR(fit.fwhmSeconds, c.w, 4.0 * fit.fwhmSigmaSeconds);
            EXPECT_NEAR(fit.amplitudeVolts, c.amp, 4.0 * fit.amplitudeSigmaVolts);
            // The baseline under the peak is a + b t0.
            EXPECT_NEAR(fit.baselineVolts, c.a + c.b * c.t0, 5.0 * c.noise);
            // The residuals are the noise that was added.
            EXPECT_NEAR(fit.residualRmsVolts, c.noise, 0.1 * c.noise);
            EXPECT_NEAR(fit.snr, c.amp / c.noise, 0.15 * c.amp / c.noise);
            // The sigmas are neither zero nor absurd: a sigma larger than the width would let
            // any answer pass the checks above.
            EXPECT_GT(fit.peakTimeSigmaSeconds, 0.0);
            EXPECT_LT(fit.peakTimeSigmaSeconds, 0.1 * c.w);
        }
    }
}

// The quoted one-sigma of the peak time must match the scatter of the peak times over many noise
// draws: for white noise of sigma s on N samples dt apart, a Gaussian of amplitude A and width w
// has sigma(t0) ~ s / A * sqrt(w dt) * 0.75 or so; rather than trust that estimate, compare with
// the empirical spread of 60 fits.
TEST(TransitFit, QuotedPeakTimeSigmaMatchesTheScatterOverNoiseDraws)
{
    std::vector<double> t0s;
    double quoted = 0.0;
    for (unsigned seed = 10; seed < 70; ++seed) {
        const TScan scan = MakeScan(1500, 2.0, 1.0, 0.0, 0.5, 1500.0, 500.0, 0.05, seed);
        const TTransitFit fit = FitTransit(scan.timeDays, scan.volts);
        ASSERT_EQ(fit.status, TTransitStatus::Ok) << fit.problem;
        t0s.push_back((fit.peakTime - scan.timeDays.front()) * SecondsPerDay);
        quoted += fit.peakTimeSigmaSeconds;
    }
    quoted /= static_cast<double>(t0s.size());
    double mean = 0.0;
    for (double t : t0s)
        mean += t;
    mean /= static_cast<double>(t0s.size());
    double var = 0.0;
    for (double t : t0s)
        var += (t - mean) * (t - mean);
    const double scatter = std::sqrt(var / static_cast<double>(t0s.size() - 1));
    // 60 draws give the sample sigma to about 10 %; allow 30 %.
    EXPECT_NEAR(quoted / scatter, 1.0, 0.3) << "quoted " << quoted << " s, scatter " << scatter << " s";
    EXPECT_NEAR(mean, 1500.0, 4.0 * scatter / std::sqrt(60.0));
}

TEST(TransitFit, ScansWithoutAClearPeakGiveNoResult)
{
    struct Case {
        const char* name;
        TScan scan;
        TTransitStatus expected;
        // A dip can be read as a broad bump over a falling baseline whose half-power points lie
        // outside the view: either reason is right, as long as no result is given.
        bool edgeAlsoRight = false;
    };
    const Case cases[] = {
        {"noise only", MakeScan(3000, 1.0, 1.0, 0.0, 0.0, 1500.0, 400.0, 0.02, 5), TTransitStatus::NoClearPeak},
        {"peak below 3 sigma", MakeScan(3000, 1.0, 1.0, 0.0, 0.03, 1500.0, 400.0, 0.02, 6),
         TTransitStatus::NoClearPeak},
        {"a dip, not a peak", MakeScan(3000, 1.0, 1.0, 0.0, -0.5, 1500.0, 400.0, 0.01, 7), TTransitStatus::NoClearPeak,
         true},
        {"flat line", MakeScan(200, 1.0, 1.0, 0.0, 0.0, 100.0, 40.0, 0.0, 8), TTransitStatus::NoClearPeak},
        {"peak past the end", MakeScan(3000, 1.0, 1.0, 0.0, 1.0, 3200.0, 600.0, 0.01, 9), TTransitStatus::PeakAtEdge},
        {"peak at the start", MakeScan(3000, 1.0, 1.0, 0.0, 1.0, 0.0, 600.0, 0.01, 10), TTransitStatus::PeakAtEdge},
        {"half-power point outside", MakeScan(3000, 1.0, 1.0, 0.0, 1.0, 2850.0, 600.0, 0.01, 11),
         TTransitStatus::PeakAtEdge},
        {"too few samples", MakeScan(8, 1.0, 1.0, 0.0, 1.0, 4.0, 3.0, 0.0, 12), TTransitStatus::TooFewSamples},
    };
    for (const Case& c : cases) {
        const TTransitFit fit = FitTransit(c.scan.timeDays, c.scan.volts);
        if (c.edgeAlsoRight && fit.status == TTransitStatus::PeakAtEdge)
            continue;
        EXPECT_EQ(fit.status, c.expected) << c.name << ": " << fit.problem;
        EXPECT_FALSE(fit.problem.empty()) << c.name;
    }
    // All samples at one instant: nothing to fit a width to.
    const std::vector<double> sameTime(50, 40310.5);
    std::vector<double> volts(50, 1.0);
    volts[25] = 3.0;
    EXPECT_EQ(FitTransit(sameTime, volts).status, TTransitStatus::TooFewSamples);
}

// A view spanning midnight keeps counting seconds across it, and a view listed out of time order
// gives the same answer as the sorted one.
TEST(TransitFit, TimeOrderAndMidnightDoNotMatter)
{
    const double start = 40310.0 - 1500.0 / SecondsPerDay;  // 25 minutes before midnight
    const TScan scan = MakeScan(3000, 1.0, 1.0, 0.0, 1.0, 1500.0, 500.0, 0.01, 21, start);
    const TTransitFit sorted = FitTransit(scan.timeDays, scan.volts);
    ASSERT_EQ(sorted.status, TTransitStatus::Ok) << sorted.problem;
    EXPECT_NEAR((sorted.peakTime - 40310.0) * SecondsPerDay, 0.0, 4.0 * sorted.peakTimeSigmaSeconds);

    TScan shuffled = scan;
    std::mt19937 random(3);
    std::vector<std::size_t> index(scan.volts.size());
    for (std::size_t i = 0; i < index.size(); ++i)
        index[i] = i;
    std::shuffle(index.begin(), index.end(), random);
    for (std::size_t i = 0; i < index.size(); ++i) {
        shuffled.timeDays[i] = scan.timeDays[index[i]];
        shuffled.volts[i] = scan.volts[index[i]];
    }
    const TTransitFit unsorted = FitTransit(shuffled.timeDays, shuffled.volts);
    ASSERT_EQ(unsorted.status, TTransitStatus::Ok) << unsorted.problem;
    EXPECT_NEAR((unsorted.peakTime - sorted.peakTime) * SecondsPerDay, 0.0, 1e-3);
    EXPECT_NEAR(unsorted.fwhmSeconds, sorted.fwhmSeconds, 1e-3);
}

}  // namespace
