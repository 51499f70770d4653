// driftline-cli fit: the viewer's "&Fit polynomial curve to data" without the window: the result
// window's lines on standard output and, with -o, the plot with the fitted curve as PNG.
#include "analysis/Fitpeak.h"
#include "analysis/Fitunit.h"
#include "cli/Clicommand.h"
#include "cli/Clioptions.h"
#include "plot/Viewunit.h"

#include "plot/canvas/Drawview.h"
#include "plot/canvas/Plotexport.h"
#include "plot/canvas/Plotrender.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace driftline::cli {

namespace {

const char* const FitUsage =
    "usage: driftline-cli fit LOG --x Q --y Q --coeffs N [--volts-only] [--band X0:X1]... [--size WxH]\n"
    "                         [--peak] [-o OUT.png|OUT.svg|OUT.pdf] [--root DIR | --ini FILE]\n"
    "\n"
    "Reads LOG, fits a polynomial of N coefficients (1 to 20) to the pixel positions of the plotted\n"
    "points (pixel y as a polynomial in pixel x, y growing downwards) and prints the lines the fit\n"
    "window shows: \"Corr coeff = R\" and \"a<i> = <coefficient>\". A failing fit prints its message\n"
    "on standard error, lists R as -1.00000 with zero coefficients, and exits with 1.\n"
    "\n"
    "  --x Q, --y Q   horizontal and vertical quantity: Time, Azimuth, Altitude, RightAscension,\n"
    "                 Declination, Beta, Lambda, Volts (or the caption, or 0..7)\n"
    "  --coeffs N     number of coefficients, 1 to 20\n"
    "  --volts-only   the view of the records that carried volts (when the log has any)\n"
    "  --band X0:X1   zoom as a mouse drag from pixel column X0 to X1 would; repeatable, in order\n"
    "  --size WxH     plot control size in pixels (default 600x450)\n"
    "  --peak         after the coefficients, where the fitted curve peaks, as the fit window says it:\n"
    "                 \"Peak at x = PX, y = PY\", then the horizontal and vertical quantity there\n"
    "  -o OUT         also write the plot with the fitted curve and its peak marker in blue, as PNG,\n"
    "                 SVG or PDF by the extension (.png, .svg, .pdf)\n" DRIFTLINE_POSITION_USAGE;

int RunFitCli(const std::vector<std::string>& args)
{
    TCliOptions options;
    if (int rc = ParseCliOptions(args, "fit", FitUsage,
                                 OptSettings | OptPosition | OptVoltsOnly | OptX | OptY | OptBand | OptSize | OptOutput,
                                 {{"--coeffs", true}, {"--peak", false}}, options))
        return rc;
    if (options.positional.size() != 1)
        return UsageError("fit", FitUsage,
                          options.positional.empty() ? "no log file given" : "more than one log file given");
    if (!options.x || !options.y)
        return UsageError("fit", FitUsage, !options.x ? "--x is required" : "--y is required");
    if (!options.has("--coeffs"))
        return UsageError("fit", FitUsage, "--coeffs is required");
    std::int64_t coeffs = 0;
    if (!ParseInt64(options.value("--coeffs"), coeffs) || coeffs < MinFitCoefficients || coeffs > MaxFitCoefficients)
        return UsageError("fit", FitUsage, "--coeffs must be a whole number from 1 to 20");
    PictureFormat format = PictureFormat::Png;
    if (!options.output.empty()) {
        const std::optional<PictureFormat> named = PictureFormatFor(options.output);
        if (!named)
            return UsageError("fit", FitUsage,
                              "cannot tell the picture format of '" + options.output.string() + "': name it " +
                                  PictureFormatNames);
        format = *named;
    }
    std::vector<std::pair<std::int32_t, std::int32_t>> bands;
    if (!BandColumns(options, bands))
        return UsageError("fit", FitUsage, "band ends must be pixel columns");
    TLogSession session;
    TReadResult read;
    if (!OpenCliSession("fit", options, *options.x, *options.y, bands, session, read))
        return 1;

    // A run has no earlier fit, so the kept coefficients start as zeros.
    FitOutcome outcome;
    if (!options.output.empty()) {
        TOffscreenSession offscreen;
        auto plot = RenderSession(session);
        plot->Pen.setColor(FitColor);
        outcome = session.fit(static_cast<int>(coeffs));
        DrawFitCurve(*plot, outcome.curve);
        std::string error;
        const bool saved = format == PictureFormat::Png ? SavePlotPng(*plot, options.output, error)
                                                        : SavePlotPicture(*plot, options.output, format, error);
        if (!saved) {
            std::fprintf(stderr, "driftline-cli fit: cannot save %s: %s\n", options.output.string().c_str(),
                         error.c_str());
            return 1;
        }
    } else {
        session.computePlottedPoints();
        outcome = session.fit(static_cast<int>(coeffs));
    }
    for (const auto& line : outcome.memoLines)
        std::printf("%s\n", line.c_str());
    if (options.has("--peak"))
        for (const auto& line :
             FitPeakLines(session.fitPeak(outcome.curve), session.horizontalQuantity(), session.verticalQuantity()))
            std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    if (outcome.correlation == -1.0)
        return 1;
    return read.status == TReadResult::Ok ? 0 : 1;
}

const CliRegistrar registrar({"fit", "fit a polynomial to the plotted points", FitUsage, RunFitCli});

}  // namespace

}  // namespace driftline::cli
