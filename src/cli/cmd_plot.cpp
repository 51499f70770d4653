// driftline-cli plot: the picture the viewer's plot shows, drawn by the same
// canvas code on the offscreen platform, written as PNG, SVG or PDF by the output's extension.
#include "cli/Clicommand.h"
#include "cli/Clioptions.h"
#include "plot/Viewunit.h"
#include "plot/canvas/Plotexport.h"
#include "plot/canvas/Plotrender.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace driftline::cli {

namespace {

const char* const PlotUsage =
    "usage: driftline-cli plot LOG --x Q --y Q [--volts-only] [--band X0:X1]... [--size WxH] [--scale R]\n"
    "                          [--root DIR | --ini FILE] -o OUT.png|OUT.svg|OUT.pdf\n"
    "\n"
    "Reads LOG and writes the plot the viewer would show for it: frame, grid, labels and the red\n"
    "line through the samples, after the given zooms. The output's extension picks the format: a\n"
    "PNG picture, or an SVG or PDF drawing whose lines are paths and whose labels are text.\n"
    "\n"
    "  --x Q, --y Q   horizontal and vertical quantity: Time, Azimuth, Altitude, RightAscension,\n"
    "                 Declination, Beta, Lambda, Volts (or the caption, or 0..7)\n"
    "  --volts-only   the view of the records that carried volts (when the log has any)\n"
    "  --band X0:X1   zoom as a mouse drag from pixel column X0 to X1 would; repeat for more zooms,\n"
    "                 applied in order\n"
    "  --size WxH     plot control size in pixels (default 600x450)\n"
    "  --scale R      PNG only: R device pixels per plot pixel, 1 to 8 (default 1, the classic\n"
    "                 picture); 2 draws the same plot with sharp text and lines for a 200 % display\n"
    "  --root DIR     suite root folder whose ZVK.ini gives the site and equinox\n"
    "  --ini FILE     the ZVK.ini to use; its folder is the root\n"
    "  -o OUT         the picture to write (replaced if it exists): .png, .svg or .pdf\n" DRIFTLINE_POSITION_USAGE;

int RunPlot(const std::vector<std::string>& args)
{
    TCliOptions options;
    if (int rc = ParseCliOptions(args, "plot", PlotUsage,
                                 OptSettings | OptPosition | OptVoltsOnly | OptX | OptY | OptBand | OptSize | OptOutput,
                                 {{"--scale", true}}, options))
        return rc;
    if (options.positional.size() != 1)
        return UsageError("plot", PlotUsage,
                          options.positional.empty() ? "no log file given" : "more than one log file given");
    if (!options.x || !options.y)
        return UsageError("plot", PlotUsage, !options.x ? "--x is required" : "--y is required");
    if (options.output.empty())
        return UsageError("plot", PlotUsage, "-o OUT.png is required");
    const std::optional<PictureFormat> format = PictureFormatFor(options.output);
    if (!format)
        return UsageError("plot", PlotUsage,
                          "cannot tell the picture format of '" + options.output.string() + "': name it " +
                              PictureFormatNames);
    double scale = 1.0;
    if (options.has("--scale") && (!ParseDouble(options.value("--scale"), scale) || !(scale >= 1.0 && scale <= 8.0)))
        return UsageError("plot", PlotUsage, "--scale must be a number from 1 to 8");
    if (scale != 1.0 && *format != PictureFormat::Png)
        return UsageError("plot", PlotUsage, "--scale applies to PNG pictures only");
    std::vector<std::pair<std::int32_t, std::int32_t>> bands;
    if (!BandColumns(options, bands))
        return UsageError("plot", PlotUsage, "band ends must be pixel columns");
    const auto [width, height] = options.size.value_or(std::pair{DefaultPlotWidth, DefaultPlotHeight});
    if (width <= 2 * PlotAreaInset + 1 || height <= 2 * PlotAreaInset + 1)
        return UsageError("plot", PlotUsage, "--size must leave room for the plot area (more than 81x81)");
    TLogSession session;
    TReadResult read;
    if (!OpenCliSession("plot", options, *options.x, *options.y, bands, session, read))
        return 1;

    TOffscreenSession offscreen;
    const auto plot = RenderSession(session);
    std::string error;
    // PNG keeps the classic encoder's bytes; SVG and PDF draw the canvas's record.
    const bool saved = *format == PictureFormat::Png && scale == 1.0
                           ? SavePlotPng(*plot, options.output, error)
                           : SavePlotPicture(*plot, options.output, *format, error, scale);
    if (!saved) {
        std::fprintf(stderr, "driftline-cli plot: cannot write %s: %s\n", options.output.string().c_str(),
                     error.c_str());
        return 1;
    }
    return read.status == TReadResult::Ok ? 0 : 1;
}

const CliRegistrar registrar({"plot", "draw the viewer's plot of a log as a PNG, SVG or PDF picture", PlotUsage,
                              RunPlot});

}  // namespace

}  // namespace driftline::cli
