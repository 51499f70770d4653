// driftline-cli pixels: the pixel position of every point the plot would draw, computed by the
// same view model as the window, after the same zooms.
#include "cli/Clicommand.h"
#include "cli/Clioptions.h"
#include "plot/Viewunit.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace driftline::cli {

namespace {

// One --step: a wheel zoom (notches about a column, or with ctrl about a row) or a pan.
struct TViewStepOption {
    bool pan = false;
    bool vertical = false;
    std::int32_t a = 0;  // column or row; dx for a pan
    std::int32_t b = 0;  // notches; dy for a pan
};

bool ParseStep(const std::string& text, TViewStepOption& step)
{
    std::string rest;
    for (const char* kind : {"wheel:", "ctrl-wheel:", "pan:"}) {
        if (text.rfind(kind, 0) == 0) {
            rest = text.substr(std::strlen(kind));
            step.pan = kind[0] == 'p';
            step.vertical = kind[0] == 'c';
            break;
        }
    }
    const std::size_t colon = rest.find(':');
    if (colon == std::string::npos)
        return false;
    std::int64_t a = 0;
    std::int64_t b = 0;
    if (!ParseInt64(rest.substr(0, colon), a) || !ParseInt64(rest.substr(colon + 1), b))
        return false;
    // Pixels within the plot's own coordinates; notches as a wheel gives them.
    constexpr std::int64_t limit = 1 << 20;
    if (a < -limit || a > limit || b < -limit || b > limit || (!step.pan && (b < -100 || b > 100)))
        return false;
    step.a = static_cast<std::int32_t>(a);
    step.b = static_cast<std::int32_t>(b);
    return true;
}

const char* const PixelsUsage =
    "usage: driftline-cli pixels LOG --x Q --y Q [--volts-only] [--band X0:X1]... [--step STEP]...\n"
    "                            [--size WxH] [--root DIR | --ini FILE]\n"
    "\n"
    "Reads LOG and prints pixel_x,pixel_y of every plotted point, in log order, as the viewer's\n"
    "plot places them (control of WxH pixels, plot area inset 40 on each side).\n"
    "\n"
    "  --x Q, --y Q   horizontal and vertical quantity: Time, Azimuth, Altitude, RightAscension,\n"
    "                 Declination, Beta, Lambda, Volts (or the caption, or 0..7)\n"
    "  --volts-only   the view of the records that carried volts (when the log has any)\n"
    "  --band X0:X1   zoom as a mouse drag from pixel column X0 to X1 would; repeat for more zooms,\n"
    "                 applied in order. A drag that never enters the plot area, or has no width,\n"
    "                 does not zoom\n"
    "  --step STEP    a wheel zoom or pan of the viewer, after the bands; repeat for more, applied\n"
    "                 in order: wheel:X:N (N wheel notches about pixel column X; negative N zooms\n"
    "                 out), ctrl-wheel:Y:N (the same on the vertical axis about row Y), pan:DX:DY\n"
    "                 (move the view DX pixels right and DY down, as the arrow keys do). A step\n"
    "                 that would show nothing, or what is shown, changes nothing\n"
    "  --size WxH     plot control size in pixels (default 600x450)\n"
    "  --root DIR     suite root folder whose ZVK.ini gives the site and equinox\n"
    "  --ini FILE     the ZVK.ini to use; its folder is the root\n" DRIFTLINE_POSITION_USAGE;

int RunPixels(const std::vector<std::string>& args)
{
    TCliOptions options;
    if (int rc = ParseCliOptions(args, "pixels", PixelsUsage,
                                 OptSettings | OptPosition | OptVoltsOnly | OptX | OptY | OptBand | OptSize,
                                 {{"--step", true}}, options))
        return rc;
    if (options.positional.size() != 1)
        return UsageError("pixels", PixelsUsage,
                          options.positional.empty() ? "no log file given" : "more than one log file given");
    if (!options.x || !options.y)
        return UsageError("pixels", PixelsUsage, !options.x ? "--x is required" : "--y is required");
    std::vector<std::pair<std::int32_t, std::int32_t>> bands;
    if (!BandColumns(options, bands))
        return UsageError("pixels", PixelsUsage, "band ends must be pixel columns");
    std::vector<TViewStepOption> steps;
    if (options.has("--step")) {
        for (const std::string& text : options.extra.at("--step")) {
            TViewStepOption step;
            if (!ParseStep(text, step))
                return UsageError("pixels", PixelsUsage,
                                  "bad step '" + text + "' (expected wheel:X:N, ctrl-wheel:Y:N or pan:DX:DY)");
            steps.push_back(step);
        }
    }
    TLogSession session;
    TReadResult read;
    if (!OpenCliSession("pixels", options, *options.x, *options.y, bands, session, read))
        return 1;
    for (const TViewStepOption& step : steps) {
        const bool changed = step.pan ? session.pan(step.a, step.b)
                                      : session.zoomAbout(step.a, std::pow(WheelZoomFactor, step.b),
                                                          step.vertical ? ViewAxis::Vertical : ViewAxis::Horizontal);
        if (!changed)
            std::fprintf(stderr, "driftline-cli pixels: step %s:%d:%d changes nothing\n",
                         step.pan        ? "pan"
                         : step.vertical ? "ctrl-wheel"
                                         : "wheel",
                         step.a, step.b);
    }
    session.computePlottedPoints();
    const PlottedPoints& points = session.plottedPoints();

    std::string out = "pixel_x,pixel_y\n";
    out.reserve(out.size() + points.size() * 16);
    // Pixels are whole numbers within +-2^31; each needs at most 11 characters.
    char x[16];
    char y[16];
    for (std::size_t i = 0; i < points.size(); ++i) {
        const char* xEnd = std::to_chars(x, x + sizeof x, static_cast<long>(points.pixelX[i])).ptr;
        const char* yEnd = std::to_chars(y, y + sizeof y, static_cast<long>(points.pixelY[i])).ptr;
        out.append(x, static_cast<std::size_t>(xEnd - x));
        out.push_back(',');
        out.append(y, static_cast<std::size_t>(yEnd - y));
        out.push_back('\n');
    }
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "driftline-cli pixels: cannot write the output: %s\n", std::strerror(errno));
        return 1;
    }
    return read.status == TReadResult::Ok ? 0 : 1;
}

const CliRegistrar registrar({"pixels", "pixel positions of the plotted points", PixelsUsage, RunPixels});

}  // namespace

}  // namespace driftline::cli
