// Predicted passage, drift rate, beam width in degrees and the azimuth correction of a transit.
#include "analysis/Transitcalibration.h"

#include "astro/AstroConstants.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

namespace driftline {

namespace {

constexpr double SecondsPerDay = 86400.0;
constexpr int GridSteps = 400;
// The largest azimuth shift searched for, counts each way (a quarter turn).
constexpr double MaxShiftCounts = 8192.0;
constexpr double ShiftScanStepCounts = 16.0;

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    const std::size_t mid = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(mid), values.end());
    double m = values[mid];
    if (values.size() % 2 == 0) {
        const double lower = *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(mid));
        m = (m + lower) / 2.0;
    }
    return m;
}

struct TSolver {
    const TSkyTrack& track;
    TParkedPointing pointing;
    TDateTime from, to;

    // Closest-approach time in seconds after `from` for the pointing shifted by s counts.
    double ApproachSeconds(double shiftCounts) const
    {
        TParkedPointing p = pointing;
        p.azimuthDeg += shiftCounts * DegreesPerCount;
        return (ClosestApproach(track, p, from, to).time - from) * SecondsPerDay;
    }

    // The shift (counts) whose closest approach falls at peakSeconds after `from`: the sign change
    // of ApproachSeconds(s) - peakSeconds nearest to s = 0, then bisection to 1e-4 count.
    std::optional<double> Solve(double peakSeconds) const
    {
        const auto g = [&](double s) { return ApproachSeconds(s) - peakSeconds; };
        const double g0 = g(0.0);
        if (g0 == 0.0)
            return 0.0;
        // Walk outwards both ways in steps, each side remembering its last value.
        double lo = 0.0, hi = 0.0, glo = g0;
        bool found = false;
        double gLast[2] = {g0, g0};
        for (double step = ShiftScanStepCounts; step <= MaxShiftCounts && !found; step += ShiftScanStepCounts) {
            for (int side = 0; side < 2 && !found; ++side) {
                const double sign = side == 0 ? 1.0 : -1.0;
                const double gOuter = g(sign * step);
                if ((gLast[side] < 0.0) != (gOuter < 0.0) || gOuter == 0.0) {
                    lo = sign * (step - ShiftScanStepCounts);
                    hi = sign * step;
                    glo = gLast[side];
                    found = true;
                }
                gLast[side] = gOuter;
            }
        }
        if (!found)
            return std::nullopt;
        for (int i = 0; i < 60 && std::abs(hi - lo) > 1e-4; ++i) {
            const double mid = (lo + hi) / 2.0;
            const double gm = g(mid);
            if ((gm < 0.0) == (glo < 0.0)) {
                lo = mid;
                glo = gm;
            } else {
                hi = mid;
            }
        }
        return (lo + hi) / 2.0;
    }
};

}  // namespace

TParkedPointing ParkedPointing(const SampleView& samples)
{
    std::vector<double> az, alt;
    az.reserve(samples.size());
    alt.reserve(samples.size());
    for (const Sample& s : samples) {
        az.push_back(s[Azimuth]);
        alt.push_back(s[Altitude]);
    }
    return {Median(std::move(az)), Median(std::move(alt))};
}

TClosestApproach ClosestApproach(const TSkyTrack& track, const TParkedPointing& pointing, TDateTime fromUtc,
                                 TDateTime toUtc)
{
    const THorizontal dish{pointing.azimuthDeg, pointing.altitudeDeg};
    const auto separation = [&](double t) { return SeparationDeg(track.At(t), dish); };
    const double step = (toUtc - fromUtc) / GridSteps;
    int best = 0;
    double bestSep = separation(fromUtc);
    for (int i = 1; i <= GridSteps; ++i) {
        const double sep = separation(fromUtc + i * step);
        if (sep < bestSep) {
            bestSep = sep;
            best = i;
        }
    }
    // Golden-section search over the two grid steps around the best node.
    double a = fromUtc + std::max(0, best - 1) * step;
    double b = fromUtc + std::min(GridSteps, best + 1) * step;
    const double ratio = 0.6180339887498949;  // (sqrt 5 - 1) / 2
    double c = b - ratio * (b - a);
    double d = a + ratio * (b - a);
    double fc = separation(c), fd = separation(d);
    while ((b - a) * SecondsPerDay > 1e-3) {
        if (fc < fd) {
            b = d;
            d = c;
            fd = fc;
            c = b - ratio * (b - a);
            fc = separation(c);
        } else {
            a = c;
            c = d;
            fc = fd;
            d = a + ratio * (b - a);
            fd = separation(d);
        }
    }
    TClosestApproach out;
    out.time = (a + b) / 2.0;
    out.separationDeg = separation(out.time);
    out.atWindowEdge = best == 0 || best == GridSteps;
    return out;
}

TTransitCalibration CalibrateTransit(const TSkyTarget& target, const TSite& site, const SampleView& samples,
                                     const TTransitFit& fit, std::int32_t currentAzimuthCorrection)
{
    TTransitCalibration cal;
    if (fit.status != TTransitStatus::Ok || samples.empty()) {
        cal.problem = fit.status != TTransitStatus::Ok ? fit.problem : "no samples in view";
        return cal;
    }
    // Six hours either side of the peak: long enough for a dish parked well ahead of the target,
    // short enough that the target's passage a day earlier or later is never taken instead.
    const TDateTime from = fit.peakTime - 0.25, to = fit.peakTime + 0.25;
    const TSkyTrack track(target, site, from, to);
    cal.pointing = ParkedPointing(samples);

    const TClosestApproach approach = ClosestApproach(track, cal.pointing, from, to);
    cal.predictedTime = approach.time;
    cal.closestSeparationDeg = approach.separationDeg;
    cal.offsetSeconds = (fit.peakTime - approach.time) * SecondsPerDay;

    // Drift rate at the peak: the great-circle step over a minute.
    const THorizontal before = track.At(fit.peakTime - 30.0 / SecondsPerDay);
    const THorizontal after = track.At(fit.peakTime + 30.0 / SecondsPerDay);
    cal.driftDegPerHour = SeparationDeg(before, after) * 60.0;
    cal.fwhmDeg = fit.fwhmSeconds * cal.driftDegPerHour / 3600.0;

    char degrees[32];
    std::snprintf(degrees, sizeof degrees, "%.1f", approach.separationDeg);
    if (approach.atWindowEdge) {
        cal.problem = target.name + " does not pass the dish's pointing within six hours of the peak (closest " +
                      degrees + " degrees, at the end of that time)";
        return cal;
    }
    // A target passing further off than twice the beam's width would have left no peak: the
    // peak in view is something else.
    if (approach.separationDeg > 2.0 * cal.fwhmDeg) {
        cal.problem = target.name + " passes " + degrees + " degrees from the dish's pointing, more than twice the " +
                      "beam's width: the peak in view is not its transit";
        return cal;
    }
    if (track.At(fit.peakTime).altitudeDeg < 0.0) {
        cal.problem = target.name + " is below the horizon at the fitted peak time";
        return cal;
    }

    const TSolver solver{track, cal.pointing, from, to};
    const double peakSeconds = (fit.peakTime - from) * SecondsPerDay;
    const std::optional<double> shift = solver.Solve(peakSeconds);
    if (!shift) {
        cal.problem = "no azimuth correction within a quarter turn puts the passage of " + target.name +
                      " on the fitted peak time";
        return cal;
    }
    cal.azimuthShiftCounts = *shift;
    const double base = currentAzimuthCorrection == NoCorrection ? 0.0 : currentAzimuthCorrection;
    cal.azimuthCorrection = std::llround(base + *shift);

    // How much the solved shift moves per second of peak time, from two more solutions a peak-time
    // sigma (at least a second) either side.
    const double delta = std::max(1.0, fit.peakTimeSigmaSeconds);
    const std::optional<double> later = solver.Solve(peakSeconds + delta);
    const std::optional<double> earlier = solver.Solve(peakSeconds - delta);
    if (later && earlier)
        cal.azimuthCorrectionSigma = std::abs(*later - *earlier) / (2.0 * delta) * fit.peakTimeSigmaSeconds;
    else
        cal.azimuthCorrectionSigma = INFINITY;
    cal.ok = true;
    return cal;
}

}  // namespace driftline
