#pragma once
// What a transit says about the dish: when the target passed closest to where the dish was
// parked, how fast it drifted, how wide the beam is in degrees, and the azimuth correction that
// makes the predicted passage fall on the fitted peak.
//
// The dish is taken as parked: its pointing is the median of the corrected azimuth and altitude
// of the samples in view (the median ignores the encoders' one-count jitter). Only the azimuth is
// solved for; an altitude error moves the closest separation, not the timing, when the target
// drifts along the azimuth circle, and needs a second scan offset in altitude.
#include "analysis/Transitfit.h"
#include "astro/Skytrackunit.h"
#include "logdata/Samplestore.h"

#include <cstdint>
#include <string>

namespace driftline {

struct TParkedPointing {
    double azimuthDeg = 0.0;  // corrected, not folded (as the samples carry it)
    double altitudeDeg = 0.0;
};

// The median corrected azimuth and altitude of the samples (0, 0 for none).
TParkedPointing ParkedPointing(const SampleView& samples);

struct TClosestApproach {
    TDateTime time = 0.0;  // UTC serial
    double separationDeg = 0.0;
    bool atWindowEdge = false;  // the minimum is at an end of the searched time range
};

// The instant in [fromUtc, toUtc] at which the track passes closest to a fixed pointing (global
// minimum on a 400-step grid, refined by golden-section search to a millisecond).
TClosestApproach ClosestApproach(const TSkyTrack& track, const TParkedPointing& pointing, TDateTime fromUtc,
                                 TDateTime toUtc);

struct TTransitCalibration {
    bool ok = false;
    std::string problem;  // one line for the user when not ok

    TParkedPointing pointing;
    TDateTime predictedTime = 0.0;  // closest approach to the pointing as it stands
    double offsetSeconds = 0.0;     // fitted peak time minus predicted time
    double closestSeparationDeg = 0.0;
    double driftDegPerHour = 0.0;         // the target's great-circle rate at the peak time
    double fwhmDeg = 0.0;                 // fitted width in time times the drift rate
    double azimuthShiftCounts = 0.0;      // the solved shift over the current correction
    std::int64_t azimuthCorrection = 0;   // new "Azimuth corr": current correction + shift, rounded
    double azimuthCorrectionSigma = 0.0;  // counts, from the peak time's sigma
};

// Calibrates from a successful fit of the samples in view. currentAzimuthCorrection is the
// correction the samples were derived with (the logged one unless the user changed it;
// NoCorrection counts as 0). The passage is searched for within six hours of the fitted peak.
TTransitCalibration CalibrateTransit(const TSkyTarget& target, const TSite& site, const SampleView& samples,
                                     const TTransitFit& fit, std::int32_t currentAzimuthCorrection);

}  // namespace driftline
