// The transit fit: start values from a smoothed copy of the data, then Levenberg-Marquardt.
#include "analysis/Transitfit.h"

#include <Eigen/Dense>
#include <unsupported/Eigen/NonLinearOptimization>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace driftline {

namespace {

constexpr double SecondsPerDay = 86400.0;
// 4 ln 2: the factor that makes w the full width at half maximum of exp(-k u^2 / w^2).
constexpr double FwhmFactor = 2.772588722239781;
constexpr int ParameterCount = 5;
// Fewer samples than this leave too little to tell a peak from noise.
constexpr std::size_t MinSamples = 12;

// Residuals and Jacobian of the model for Eigen's Levenberg-Marquardt: parameters a, b, A, t0, w;
// residual = model - data.
struct TGaussOnLine {
    using Scalar = double;
    enum {
        InputsAtCompileTime = Eigen::Dynamic,
        ValuesAtCompileTime = Eigen::Dynamic
    };
    using InputType = Eigen::VectorXd;
    using ValueType = Eigen::VectorXd;
    using JacobianType = Eigen::MatrixXd;

    const std::vector<double>& t;
    const std::vector<double>& v;

    int inputs() const { return ParameterCount; }
    int values() const { return static_cast<int>(t.size()); }

    int operator()(const Eigen::VectorXd& x, Eigen::VectorXd& fvec) const
    {
        const double a = x[0], b = x[1], amp = x[2], t0 = x[3], w = x[4];
        const double k = FwhmFactor / (w * w);
        for (std::size_t i = 0; i < t.size(); ++i) {
            const double u = t[i] - t0;
            fvec[static_cast<Eigen::Index>(i)] = a + b * t[i] + amp * std::exp(-k * u * u) - v[i];
        }
        return 0;
    }

    int df(const Eigen::VectorXd& x, Eigen::MatrixXd& fjac) const
    {
        const double amp = x[2], t0 = x[3], w = x[4];
        const double k = FwhmFactor / (w * w);
        for (std::size_t i = 0; i < t.size(); ++i) {
            const auto row = static_cast<Eigen::Index>(i);
            const double u = t[i] - t0;
            const double g = std::exp(-k * u * u);
            fjac(row, 0) = 1.0;
            fjac(row, 1) = t[i];
            fjac(row, 2) = g;
            fjac(row, 3) = amp * g * 2.0 * k * u;
            fjac(row, 4) = amp * g * 2.0 * k * u * u / w;
        }
        return 0;
    }
};

struct TStart {
    double a, b, amp, t0, w;
    std::size_t peakIndex;
};

// Start values: the baseline is the line through the means of the first and last twentieth of
// the samples; the peak is the highest point of a moving average (a fiftieth of the samples
// wide) above that line; the width is where the smoothed curve falls to half of it.
TStart StartValues(const std::vector<double>& t, const std::vector<double>& v)
{
    const std::size_t n = t.size();
    const std::size_t edge = std::max<std::size_t>(3, n / 20);
    double t1 = 0.0, v1 = 0.0, t2 = 0.0, v2 = 0.0;
    for (std::size_t i = 0; i < edge; ++i) {
        t1 += t[i];
        v1 += v[i];
        t2 += t[n - 1 - i];
        v2 += v[n - 1 - i];
    }
    t1 /= static_cast<double>(edge);
    v1 /= static_cast<double>(edge);
    t2 /= static_cast<double>(edge);
    v2 /= static_cast<double>(edge);
    const double b = t2 > t1 ? (v2 - v1) / (t2 - t1) : 0.0;
    const double a = v1 - b * t1;

    // Moving average by prefix sums, the window shrinking at the ends.
    const std::size_t half = std::max<std::size_t>(1, n / 100);
    std::vector<double> prefix(n + 1, 0.0);
    for (std::size_t i = 0; i < n; ++i)
        prefix[i + 1] = prefix[i] + (v[i] - (a + b * t[i]));
    std::vector<double> smooth(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t lo = i >= half ? i - half : 0;
        const std::size_t hi = std::min(n, i + half + 1);
        smooth[i] = (prefix[hi] - prefix[lo]) / static_cast<double>(hi - lo);
    }
    const std::size_t peak = static_cast<std::size_t>(std::max_element(smooth.begin(), smooth.end()) - smooth.begin());
    const double amp = smooth[peak];

    // Half-maximum crossings, interpolated between samples; a side that never falls to half
    // takes the other side's distance.
    const double halfLevel = amp / 2.0;
    double left = -1.0, right = -1.0;
    for (std::size_t i = peak; i > 0; --i) {
        if (smooth[i - 1] < halfLevel) {
            const double f = (smooth[i] - halfLevel) / (smooth[i] - smooth[i - 1]);
            left = t[peak] - (t[i] - f * (t[i] - t[i - 1]));
            break;
        }
    }
    for (std::size_t i = peak; i + 1 < n; ++i) {
        if (smooth[i + 1] < halfLevel) {
            const double f = (smooth[i] - halfLevel) / (smooth[i] - smooth[i + 1]);
            right = (t[i] + f * (t[i + 1] - t[i])) - t[peak];
            break;
        }
    }
    double w;
    if (left > 0.0 && right > 0.0)
        w = left + right;
    else if (left > 0.0)
        w = 2.0 * left;
    else if (right > 0.0)
        w = 2.0 * right;
    else
        w = (t[n - 1] - t[0]) / 4.0;
    // Never narrower than the smoothing window: the smoothed peak cannot be sharper than that.
    const double spacing = (t[n - 1] - t[0]) / static_cast<double>(n - 1);
    w = std::max(w, 2.0 * spacing);
    return {a, b, amp, t[peak], w, peak};
}

}  // namespace

double TTransitFit::voltsAt(TDateTime time) const
{
    const double ts = (time - referenceTime) * SecondsPerDay;
    const double u = ts - t0Seconds;
    return a + b * ts + amplitude * std::exp(-FwhmFactor * u * u / (wSeconds * wSeconds));
}

const char* TransitStatusText(TTransitStatus status)
{
    switch (status) {
    case TTransitStatus::Ok:
        return "ok";
    case TTransitStatus::TooFewSamples:
        return "too few samples";
    case TTransitStatus::NoClearPeak:
        return "no clear peak";
    case TTransitStatus::PeakAtEdge:
        return "peak at the edge of the view";
    case TTransitStatus::NoConvergence:
        return "the fit did not converge";
    }
    return "unknown";
}

TTransitFit FitTransit(std::span<const double> timeDays, std::span<const double> volts)
{
    TTransitFit fit;
    const std::size_t n = std::min(timeDays.size(), volts.size());
    fit.samples = n;
    if (n < MinSamples) {
        fit.status = TTransitStatus::TooFewSamples;
        fit.problem = "too few samples in view for a transit fit (" + std::to_string(n) + ", at least " +
                      std::to_string(MinSamples) + " needed)";
        return fit;
    }

    // Seconds from the earliest time, in time order (a view is in log order, which is time
    // order; the sort only guards against a log whose clock stepped back).
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (!std::is_sorted(timeDays.begin(), timeDays.begin() + static_cast<std::ptrdiff_t>(n)))
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t i, std::size_t j) { return timeDays[i] < timeDays[j]; });
    fit.referenceTime = timeDays[order.front()];
    std::vector<double> t(n), v(n);
    for (std::size_t i = 0; i < n; ++i) {
        t[i] = (timeDays[order[i]] - fit.referenceTime) * SecondsPerDay;
        v[i] = volts[order[i]];
    }
    const double span = t[n - 1] - t[0];
    if (!(span > 0.0)) {
        fit.status = TTransitStatus::TooFewSamples;
        fit.problem = "all samples in view have the same time";
        return fit;
    }

    const TStart start = StartValues(t, v);
    const std::size_t edge = std::max<std::size_t>(1, n / 100);
    if (!(start.amp > 0.0)) {
        fit.status = TTransitStatus::NoClearPeak;
        fit.problem = "no clear peak: nothing rises above the baseline";
        return fit;
    }
    if (start.peakIndex < edge || start.peakIndex >= n - edge) {
        // The highest point of the smoothed copy is at an end. That is a peak at the edge only if
        // it stands out of the noise (estimated from successive differences, which the baseline
        // and the peak hardly touch); otherwise there is no peak at all.
        double sumSquares = 0.0;
        for (std::size_t i = 1; i < n; ++i)
            sumSquares += (v[i] - v[i - 1]) * (v[i] - v[i - 1]);
        const double noise = std::sqrt(sumSquares / (2.0 * static_cast<double>(n - 1)));
        if (!(start.amp > 3.0 * noise)) {
            fit.status = TTransitStatus::NoClearPeak;
            fit.problem = "no clear peak: nothing stands above 3 sigma of the noise";
            return fit;
        }
        fit.status = TTransitStatus::PeakAtEdge;
        fit.problem = "peak at the edge of the view: widen the view so that the whole transit is in it";
        return fit;
    }

    TGaussOnLine functor{t, v};
    Eigen::VectorXd x(ParameterCount);
    x << start.a, start.b, start.amp, start.t0, start.w;
    Eigen::LevenbergMarquardt<TGaussOnLine> lm(functor);
    lm.parameters.maxfev = 400;
    const Eigen::LevenbergMarquardtSpace::Status status = lm.minimize(x);
    fit.functionEvaluations = static_cast<int>(lm.nfev);
    const bool stopped = status == Eigen::LevenbergMarquardtSpace::ImproperInputParameters ||
                         status == Eigen::LevenbergMarquardtSpace::TooManyFunctionEvaluation ||
                         status == Eigen::LevenbergMarquardtSpace::UserAsked;
    if (stopped || !x.allFinite() || x[4] == 0.0) {
        fit.status = TTransitStatus::NoConvergence;
        fit.problem = "the transit fit did not converge";
        return fit;
    }

    fit.a = x[0];
    fit.b = x[1];
    fit.amplitude = x[2];
    fit.t0Seconds = x[3];
    fit.wSeconds = std::abs(x[4]);  // the model is even in w

    // Residuals and the normal matrix J^T J at the solution, accumulated row by row (the full
    // Jacobian of a million samples is 40 MB).
    double ssr = 0.0;
    Eigen::Matrix<double, ParameterCount, ParameterCount> normal =
        Eigen::Matrix<double, ParameterCount, ParameterCount>::Zero();
    {
        const double k = FwhmFactor / (fit.wSeconds * fit.wSeconds);
        Eigen::Matrix<double, ParameterCount, 1> row;
        for (std::size_t i = 0; i < n; ++i) {
            const double u = t[i] - fit.t0Seconds;
            const double g = std::exp(-k * u * u);
            const double r = fit.a + fit.b * t[i] + fit.amplitude * g - v[i];
            ssr += r * r;
            row << 1.0, t[i], g, fit.amplitude * g * 2.0 * k * u, fit.amplitude * g * 2.0 * k * u * u / fit.wSeconds;
            normal.selfadjointView<Eigen::Lower>().rankUpdate(row);
        }
    }
    fit.residualRmsVolts = std::sqrt(ssr / static_cast<double>(n));
    const double variance = ssr / static_cast<double>(n - ParameterCount);
    normal = normal.selfadjointView<Eigen::Lower>();
    const Eigen::LDLT<Eigen::Matrix<double, ParameterCount, ParameterCount>> ldlt(normal);
    if (ldlt.info() != Eigen::Success || !ldlt.isPositive()) {
        fit.status = TTransitStatus::NoConvergence;
        fit.problem = "the transit fit did not converge (its parameters are not determined by the data)";
        return fit;
    }
    const Eigen::Matrix<double, ParameterCount, ParameterCount> covariance =
        variance * ldlt.solve(Eigen::Matrix<double, ParameterCount, ParameterCount>::Identity());

    fit.peakTime = fit.referenceTime + fit.t0Seconds / SecondsPerDay;
    fit.peakTimeSigmaSeconds = std::sqrt(std::max(0.0, covariance(3, 3)));
    fit.amplitudeVolts = fit.amplitude;
    fit.amplitudeSigmaVolts = std::sqrt(std::max(0.0, covariance(2, 2)));
    fit.fwhmSeconds = fit.wSeconds;
    fit.fwhmSigmaSeconds = std::sqrt(std::max(0.0, covariance(4, 4)));
    fit.baselineSlopeVoltsPerSecond = fit.b;
    fit.baselineVolts = fit.a + fit.b * fit.t0Seconds;
    fit.snr = fit.residualRmsVolts > 0.0 ? fit.amplitude / fit.residualRmsVolts : INFINITY;

    if (!std::isfinite(fit.peakTimeSigmaSeconds) || !std::isfinite(fit.fwhmSigmaSeconds)) {
        fit.status = TTransitStatus::NoConvergence;
        fit.problem = "the transit fit did not converge";
        return fit;
    }
    if (!(fit.amplitude > 3.0 * fit.residualRmsVolts)) {
        fit.status = TTransitStatus::NoClearPeak;
        fit.problem = "no clear peak: the fitted amplitude is not above 3 sigma of the residuals";
        return fit;
    }
    if (fit.t0Seconds - fit.wSeconds / 2.0 < t[0] || fit.t0Seconds + fit.wSeconds / 2.0 > t[n - 1]) {
        fit.status = TTransitStatus::PeakAtEdge;
        fit.problem = "peak at the edge of the view: a half-power point of the fitted peak lies outside it";
        return fit;
    }
    fit.status = TTransitStatus::Ok;
    return fit;
}

TTransitFit FitTransit(const SampleView& samples)
{
    std::vector<double> time(samples.size()), volts(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        time[i] = samples[i][Time];
        volts[i] = samples[i][Volts];
    }
    return FitTransit(time, volts);
}

}  // namespace driftline
