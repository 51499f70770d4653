#pragma once
// The transit command's whole job, shared by driftline-cli transit and the window's "Transit
// fit...": fit the view, calibrate against a target when one is named, and word the result.
#include "analysis/Fitunit.h"
#include "analysis/Transitcalibration.h"
#include "analysis/Transitfit.h"
#include "astro/Skytrackunit.h"
#include "logdata/Samplestore.h"
#include "plot/Viewunit.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace driftline {

struct TTransitReport {
    TTransitFit fit;
    std::optional<TSkyTarget> target;
    std::optional<TTransitCalibration> calibration;  // only with a target and a successful fit

    // True when everything asked for came out (the fit and, with a target, the calibration).
    bool ok() const { return fit.status == TTransitStatus::Ok && (!target || (calibration && calibration->ok)); }
    // The first problem met, for the one line of an error report ("" when ok).
    std::string problem() const;
};

// Fits the samples in view (their Time and Volts) and, with a target, calibrates the dish's
// azimuth from the passage. currentAzimuthCorrection: the correction the samples were derived
// with ("Azimuth corr" as it stands; NoCorrection counts as 0).
TTransitReport RunTransit(const SampleView& view, const std::optional<TSkyTarget>& target, const TSite& site,
                          std::int32_t currentAzimuthCorrection);

// The samples the transit is fitted to: the records that carried volts, as the zooms left them;
// all samples when no record carried volts (the fit then refuses or fits what there is).
SampleView TransitSamples(const TSampleStore& store);

// The fitted curve laid out on view p's scales over the fitted samples' time range, one point
// per pixel column of the plot area, and, when the calibration succeeded, the predicted passage
// as a marker from the area's top row to its bottom row. Empty (no path, no marker) unless the
// view plots volts against time and the fit succeeded.
FitCurve TransitCurvePath(const TPlotView& view, bool p, const SampleView& fitted, const TTransitReport& report);

// The report as "key: value" lines, in the command's order: six lines of the fit, then eight of
// the calibration when there is one. Numbers always with a point; times as
// "DD/MM/YYYY HH:MM:SS.s UTC". Nothing when the fit failed.
std::vector<std::string> TransitReportLines(const TTransitReport& report);

// The same values for people: a caption in words and the value with its unit, in the same order.
std::vector<std::pair<std::string, std::string>> TransitReportWords(const TTransitReport& report);

// "12/05/2010 21:03:15.3 UTC": a UTC serial rounded to a tenth of a second.
std::string TransitTimeText(TDateTime utc);

// A target from the command's choices: a body name (Sun .. Neptune), a built-in source name
// (Cas A, Cyg A, Tau A, Vir A, Sgr A), or a right ascension and declination (both or neither).
// Nothing with an empty problem when none is given; nothing with a problem when a choice is bad.
std::optional<TSkyTarget> TransitTarget(const std::string& name, const std::string& ra, const std::string& dec,
                                        std::string& problem);

}  // namespace driftline
