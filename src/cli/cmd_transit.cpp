// driftline-cli transit: the transit fit of the volts in view and, with a target, the beam width
// in degrees and the azimuth correction its passage implies.
#include "analysis/Transitreport.h"
#include "astro/Sitesettings.h"
#include "cli/Clicommand.h"
#include "cli/Clioptions.h"
#include "session/Logsession.h"

#include <cstdio>
#include <string>
#include <vector>

namespace driftline::cli {

namespace {

const char* const TransitUsage =
    "usage: driftline-cli transit LOG [--body NAME | --ra HH:MM:SS.s --dec +DD:MM:SS] [--band X0:X1]...\n"
    "                             [--size WxH] [--root DIR | --ini FILE]\n"
    "\n"
    "Fits a Gaussian on a straight baseline to the volts against time of the records that carried\n"
    "volts (after the bands' zooms of a Time/Volts plot) and prints, one \"key: value\" a line:\n"
    "peak_time, peak_time_sigma_s, amplitude_volts, baseline_volts, fwhm_seconds, snr. With a\n"
    "target it adds body, predicted_time (the target's closest passage to the dish's parked\n"
    "pointing), offset_seconds, closest_separation_deg, drift_deg_per_hour, fwhm_degrees,\n"
    "azimuth_correction (the value for \"Azimuth corr\" that puts the passage on the peak, whole\n"
    "counts) and azimuth_correction_sigma (counts). A scan without a clear peak, or a target that\n"
    "does not pass the dish, prints one line on standard error and exits with 1.\n"
    "\n"
    "  --body NAME    Sun, Moon, Mercury, Venus, Mars, Jupiter, Saturn, Uranus, Neptune, or one of\n"
    "                 the built-in sources Cas A, Cyg A, Tau A, Vir A, Sgr A (any case)\n"
    "  --ra, --dec    a fixed position, J2000 (ICRS): --ra 19:59:28.4 --dec +40:44:02\n"
    "  --band X0:X1   zoom as a mouse drag from pixel column X0 to X1 would; repeatable, in order\n"
    "  --size WxH     plot control size in pixels, which the bands refer to (default 600x450)\n";

int RunTransitCli(const std::vector<std::string>& args)
{
    TCliOptions options;
    if (int rc = ParseCliOptions(args, "transit", TransitUsage, OptSettings | OptBand | OptSize,
                                 {{"--body", true}, {"--ra", true}, {"--dec", true}}, options))
        return rc;
    if (options.positional.size() != 1)
        return UsageError("transit", TransitUsage,
                          options.positional.empty() ? "no log file given" : "more than one log file given");
    std::string problem;
    const std::optional<TSkyTarget> target = TransitTarget(options.value("--body"), options.value("--ra"),
                                                           options.value("--dec"), problem);
    if (!problem.empty())
        return UsageError("transit", TransitUsage, problem);
    std::vector<std::pair<std::int32_t, std::int32_t>> bands;
    if (!BandColumns(options, bands))
        return UsageError("transit", TransitUsage, "band ends must be pixel columns");

    // The fit works on the records that carried volts, plotted as volts against time.
    options.voltsOnly = true;
    TLogSession session;
    TReadResult read;
    if (!OpenCliSession("transit", options, Time, Volts, bands, session, read))
        return 1;
    const TTransitReport report = RunTransit(TransitSamples(session.store()), target, CurrentSite(),
                                             session.store().azimuthCorrection);

    for (const std::string& line : TransitReportLines(report))
        std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    if (!report.ok()) {
        std::fprintf(stderr, "driftline-cli transit: %s\n", report.problem().c_str());
        return 1;
    }
    return read.status == TReadResult::Ok ? 0 : 1;
}

const CliRegistrar registrar({"transit", "fit a source's transit; beam width and azimuth correction", TransitUsage,
                              RunTransitCli});

}  // namespace

}  // namespace driftline::cli
