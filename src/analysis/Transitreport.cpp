// The transit job and its wording, for the command-line tool and the window alike.
#include "analysis/Transitreport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace driftline {

namespace {

// Fixed-point text with a point whatever the process locale (the window's locale may use a
// comma, and these lines are read by scripts).
std::string Fixed(double v, int decimals)
{
    if (!std::isfinite(v))
        return std::isnan(v) ? "nan" : (v > 0 ? "inf" : "-inf");
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, decimals);
    std::string text(buffer, r.ptr);
    if (text.find_first_not_of("-0.") == std::string::npos && text[0] == '-')
        text.erase(0, 1);  // no "-0.0"
    return text;
}

// "RA 19:59:28.4 Dec +40:44:02" for a fixed position given by numbers.
std::string PositionName(double raDeg, double decDeg)
{
    const long raTenths = std::lround(raDeg / 15.0 * 36000.0) % (24L * 36000L);
    const long decSeconds = std::lround(std::abs(decDeg) * 3600.0);
    char text[64];
    std::snprintf(text, sizeof text, "RA %02ld:%02ld:%02ld.%ld Dec %c%02ld:%02ld:%02ld", raTenths / 36000,
                  raTenths / 600 % 60, raTenths / 10 % 60, raTenths % 10, decDeg < 0 ? '-' : '+', decSeconds / 3600,
                  decSeconds / 60 % 60, decSeconds % 60);
    return text;
}

}  // namespace

std::string TTransitReport::problem() const
{
    if (fit.status != TTransitStatus::Ok)
        return fit.problem;
    if (target && (!calibration || !calibration->ok))
        return calibration ? calibration->problem : "no calibration";
    return "";
}

TTransitReport RunTransit(const SampleView& view, const std::optional<TSkyTarget>& target, const TSite& site,
                          std::int32_t currentAzimuthCorrection)
{
    TTransitReport report;
    report.fit = FitTransit(view);
    report.target = target;
    if (target && report.fit.status == TTransitStatus::Ok)
        report.calibration = CalibrateTransit(*target, site, view, report.fit, currentAzimuthCorrection);
    return report;
}

std::string TransitTimeText(TDateTime utc)
{
    // Tenths of a second since the serial's origin, then split: rounding once keeps 59.96 s from
    // printing as "60.0".
    const double tenths = std::round(utc * 864000.0);
    const double days = std::floor(tenths / 864000.0);
    const long long rest = static_cast<long long>(tenths - days * 864000.0);
    const TSystemTime date = DecodeDateTime(days);
    char text[96];
    std::snprintf(text, sizeof text, "%02u/%02u/%04u %02lld:%02lld:%02lld.%lld UTC", unsigned{date.wDay},
                  unsigned{date.wMonth}, unsigned{date.wYear}, rest / 36000, rest / 600 % 60, rest / 10 % 60,
                  rest % 10);
    return text;
}

std::vector<std::string> TransitReportLines(const TTransitReport& r)
{
    std::vector<std::string> lines;
    if (r.fit.status != TTransitStatus::Ok)
        return lines;
    const TTransitFit& f = r.fit;
    lines.push_back("peak_time: " + TransitTimeText(f.peakTime));
    lines.push_back("peak_time_sigma_s: " + Fixed(f.peakTimeSigmaSeconds, 2));
    lines.push_back("amplitude_volts: " + Fixed(f.amplitudeVolts, 4));
    lines.push_back("baseline_volts: " + Fixed(f.baselineVolts, 4));
    lines.push_back("fwhm_seconds: " + Fixed(f.fwhmSeconds, 1));
    lines.push_back("snr: " + Fixed(f.snr, 1));
    if (r.target && r.calibration && r.calibration->ok) {
        const TTransitCalibration& c = *r.calibration;
        lines.push_back("body: " + r.target->name);
        lines.push_back("predicted_time: " + TransitTimeText(c.predictedTime));
        lines.push_back("offset_seconds: " + Fixed(c.offsetSeconds, 1));
        lines.push_back("closest_separation_deg: " + Fixed(c.closestSeparationDeg, 3));
        lines.push_back("drift_deg_per_hour: " + Fixed(c.driftDegPerHour, 3));
        lines.push_back("fwhm_degrees: " + Fixed(c.fwhmDeg, 3));
        lines.push_back("azimuth_correction: " + std::to_string(c.azimuthCorrection));
        lines.push_back("azimuth_correction_sigma: " + Fixed(c.azimuthCorrectionSigma, 1));
    }
    return lines;
}

std::vector<std::pair<std::string, std::string>> TransitReportWords(const TTransitReport& r)
{
    std::vector<std::pair<std::string, std::string>> words;
    if (r.fit.status != TTransitStatus::Ok)
        return words;
    const TTransitFit& f = r.fit;
    words.emplace_back("Peak time", TransitTimeText(f.peakTime));
    words.emplace_back("Peak time uncertainty", Fixed(f.peakTimeSigmaSeconds, 2) + " s");
    words.emplace_back("Amplitude", Fixed(f.amplitudeVolts, 4) + " V");
    words.emplace_back("Baseline under the peak", Fixed(f.baselineVolts, 4) + " V");
    words.emplace_back("Width at half maximum", Fixed(f.fwhmSeconds, 1) + " s");
    words.emplace_back("Signal to noise", Fixed(f.snr, 1));
    if (r.target && r.calibration && r.calibration->ok) {
        const TTransitCalibration& c = *r.calibration;
        words.emplace_back("Target", r.target->name);
        words.emplace_back("Predicted passage", TransitTimeText(c.predictedTime));
        words.emplace_back("Peak minus predicted", Fixed(c.offsetSeconds, 1) + " s");
        words.emplace_back("Closest separation", Fixed(c.closestSeparationDeg, 3) + " deg");
        words.emplace_back("Drift rate", Fixed(c.driftDegPerHour, 3) + " deg/h");
        words.emplace_back("Beam width at half maximum", Fixed(c.fwhmDeg, 3) + " deg");
        words.emplace_back("Azimuth correction", std::to_string(c.azimuthCorrection) + " counts");
        words.emplace_back("Azimuth correction uncertainty", Fixed(c.azimuthCorrectionSigma, 1) + " counts");
    }
    return words;
}

SampleView TransitSamples(const TSampleStore& store)
{
    return store.voltageSamples().empty() ? store.allSamples() : store.voltageSamples();
}

FitCurve TransitCurvePath(const TPlotView& view, bool p, const SampleView& fitted, const TTransitReport& report)
{
    FitCurve out;
    if (view.horizontalQuantity != Time || view.verticalQuantity != Volts || report.fit.status != TTransitStatus::Ok ||
        fitted.empty())
        return out;
    double t0 = fitted.front()[Time], t1 = t0;
    for (const Sample& s : fitted) {
        t0 = std::min(t0, s[Time]);
        t1 = std::max(t1, s[Time]);
    }
    // One point per pixel column of the area is as smooth as the screen can show.
    const int steps = std::max(2, view.Area.right - view.Area.left);
    out.path.reserve(static_cast<std::size_t>(steps) + 1);
    Sample s;
    for (int k = 0; k <= steps; ++k) {
        s[Time] = t0 + (t1 - t0) * k / steps;
        s[Volts] = report.fit.voltsAt(s[Time]);
        out.path.push_back(view.samplePixel(s, Time, Volts, p));
    }
    if (report.calibration && report.calibration->ok) {
        s[Time] = report.calibration->predictedTime;
        s[Volts] = 0.0;
        const std::int32_t x = view.samplePixel(s, Time, Volts, p).x;
        out.hasMarker = true;
        out.markerTop = {x, view.Area.top};
        out.markerBottom = {x, view.Area.bottom};
    }
    return out;
}

std::optional<TSkyTarget> TransitTarget(const std::string& name, const std::string& ra, const std::string& dec,
                                        std::string& problem)
{
    problem.clear();
    if (!name.empty() && (!ra.empty() || !dec.empty())) {
        problem = "give either a body or a position, not both";
        return std::nullopt;
    }
    if (!name.empty()) {
        if (const auto kind = BodyKindFromName(name))
            return TSkyTarget::Body(*kind);
        if (const auto source = FindCatalogueSource(name))
            return TSkyTarget::Fixed(source->raDeg, source->decDeg, source->name);
        problem = "unknown body '" + name + "' (Sun, Moon, Mercury ... Neptune, Cas A, Cyg A, Tau A, Vir A, Sgr A)";
        return std::nullopt;
    }
    if (ra.empty() && dec.empty())
        return std::nullopt;
    if (ra.empty() || dec.empty()) {
        problem = "a position needs both a right ascension and a declination";
        return std::nullopt;
    }
    const auto raDeg = ParseRightAscension(ra);
    if (!raDeg) {
        problem = "bad right ascension '" + ra + "' (expected HH:MM:SS.s)";
        return std::nullopt;
    }
    const auto decDeg = ParseDeclination(dec);
    if (!decDeg) {
        problem = "bad declination '" + dec + "' (expected +DD:MM:SS or -DD:MM:SS)";
        return std::nullopt;
    }
    return TSkyTarget::Fixed(*raDeg, *decDeg, PositionName(*raDeg, *decDeg));
}

}  // namespace driftline
