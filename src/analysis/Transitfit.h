#pragma once
// The transit fit: a Gaussian on a straight baseline fitted to volts against time, the shape a
// source leaves when it drifts through a parked dish's beam.
//
//   volts(t) = a + b (t - tRef) + A exp(-4 ln 2 (t - t0)^2 / w^2)
//
// t in seconds, w the full width at half maximum in seconds. Solved by Levenberg-Marquardt
// (Eigen's non-linear optimisation module, MINPACK's lmder); one-sigma uncertainties are the
// square roots of the diagonal of s^2 (J^T J)^-1 at the solution, s^2 the residual variance
// (Press et al., Numerical Recipes, 3rd ed., section 15.5).
#include "astro/Timeunit.h"
#include "logdata/Samplestore.h"

#include <cstddef>
#include <span>
#include <string>

namespace driftline {

enum class TTransitStatus {
    Ok,
    TooFewSamples,  // fewer samples than the five parameters need (with room for noise)
    NoClearPeak,    // fitted amplitude not above 3 sigma of the residuals, or not positive
    PeakAtEdge,     // a half-power point of the fitted peak lies outside the view
    NoConvergence,  // the iteration stopped without a solution, or the solution is not finite
};

struct TTransitFit {
    TTransitStatus status = TTransitStatus::TooFewSamples;
    std::string problem;  // one line for the user when status is not Ok

    // The fitted curve. Times are TDateTime serials (UTC); the fit itself runs in seconds from
    // referenceTime, the first sample's time, which keeps the normal equations well scaled.
    TDateTime referenceTime = 0.0;
    TDateTime peakTime = 0.0;  // t0
    double peakTimeSigmaSeconds = 0.0;
    double amplitudeVolts = 0.0;  // A
    double amplitudeSigmaVolts = 0.0;
    double baselineVolts = 0.0;                // a + b (t0 - tRef): the baseline under the peak
    double baselineSlopeVoltsPerSecond = 0.0;  // b
    double fwhmSeconds = 0.0;                  // w
    double fwhmSigmaSeconds = 0.0;
    double residualRmsVolts = 0.0;  // root mean square of the residuals
    double snr = 0.0;               // amplitude over residual rms
    std::size_t samples = 0;
    int functionEvaluations = 0;

    // The fitted volts at a time (meaningful only when status is Ok).
    double voltsAt(TDateTime t) const;

    // Raw parameters in seconds from referenceTime: a, b, A, t0, w.
    double a = 0.0, b = 0.0, amplitude = 0.0, t0Seconds = 0.0, wSeconds = 0.0;
};

// Fits the model to (time, volts) pairs; times as TDateTime serials (UTC), in any order of
// logging (a time-ordered view is expected but not required). Never throws for bad data: the
// status says why there is no result.
TTransitFit FitTransit(std::span<const double> timeDays, std::span<const double> volts);

// The same over the Time and Volts of samples (the view's list).
TTransitFit FitTransit(const SampleView& samples);

// A short text of a status ("no clear peak", ...), for messages.
const char* TransitStatusText(TTransitStatus status);

}  // namespace driftline
