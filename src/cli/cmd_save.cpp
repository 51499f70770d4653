// driftline-cli save: the plotted values written as the viewer's "Save current selection" writes
// them, after the same zooms.
#include "analysis/Fitswriter.h"
#include "analysis/Selectionwriter.h"
#include "cli/Clicommand.h"
#include "cli/Clioptions.h"
#include "plot/Viewunit.h"
#include "suite/Globalunit.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace driftline::cli {

namespace {

const char* const SaveUsage =
    "usage: driftline-cli save LOG --x Q --y Q [--volts-only] [--band X0:X1]... [--size WxH]\n"
    "                          --format csv|txt|dat|fits -o OUT [--root DIR | --ini FILE]\n"
    "\n"
    "Reads LOG and writes the horizontal and vertical value of every plotted point, in log order,\n"
    "byte for byte as the viewer saves them:\n"
    "  csv   \"<x>,<y>\" lines, 12 significant digits, CR LF line ends\n"
    "  txt   \"<x> <y>\" lines, likewise\n"
    "  dat   two little-endian IEEE 754 doubles per point, no header\n"
    "  fits  a FITS binary table of the two quantities (MJD in UTC, degrees with signed declination\n"
    "        and Beta, volts) with the site, frame, corrections and log name in its header\n"
    "\n"
    "  --x Q, --y Q   horizontal and vertical quantity: Time, Azimuth, Altitude, RightAscension,\n"
    "                 Declination, Beta, Lambda, Volts (or the caption, or 0..7)\n"
    "  --volts-only   the view of the records that carried volts (when the log has any)\n"
    "  --band X0:X1   zoom as a mouse drag from pixel column X0 to X1 would; repeatable, in order\n"
    "  --size WxH     plot control size in pixels (default 600x450); bands are pixels of it\n"
    "  -o OUT         the file to write (replaced atomically); - writes to standard output\n" DRIFTLINE_POSITION_USAGE;

int RunSave(const std::vector<std::string>& args)
{
    TCliOptions options;
    if (int rc = ParseCliOptions(args, "save", SaveUsage,
                                 OptSettings | OptPosition | OptVoltsOnly | OptX | OptY | OptBand | OptSize | OptOutput,
                                 {{"--format", true}}, options))
        return rc;
    if (options.positional.size() != 1)
        return UsageError("save", SaveUsage,
                          options.positional.empty() ? "no log file given" : "more than one log file given");
    if (!options.x || !options.y)
        return UsageError("save", SaveUsage, !options.x ? "--x is required" : "--y is required");
    const std::string format = options.value("--format");
    int fileType = -1;
    if (format == "csv")
        fileType = SaveCommaSeparated;
    else if (format == "txt")
        fileType = SaveSpaceSeparated;
    else if (format == "dat")
        fileType = SaveBinary;
    else if (format == "fits")
        fileType = SaveFits;
    else
        return UsageError("save", SaveUsage,
                          format.empty() ? "--format is required" : "unknown format '" + format + "'");
    if (options.output.empty())
        return UsageError("save", SaveUsage, "-o is required");
    std::vector<std::pair<std::int32_t, std::int32_t>> bands;
    if (!BandColumns(options, bands))
        return UsageError("save", SaveUsage, "band ends must be pixel columns");
    TLogSession session;
    TReadResult read;
    if (!OpenCliSession("save", options, *options.x, *options.y, bands, session, read))
        return 1;
    session.computePlottedPoints();
    const PlottedPoints& points = session.plottedPoints();

    TFitsSelection fits;
    if (fileType == SaveFits) {
        fits.horizontal = *options.x;
        fits.vertical = *options.y;
        fits.info = FitsInfoFor(Global(), CliPositionSettings(options), session.store(), options.positional[0],
                                session.activeSamples());
    }
    if (options.output == "-") {
        std::string bytes;
        std::string error;
        if (fileType == SaveFits) {
            if (!FitsTableBytes(PointColumns(points, fits.horizontal, fits.vertical), points.horizontalValues.size(),
                                fits.info, bytes, error)) {
                std::fprintf(stderr, "driftline-cli save: cannot write the output: %s\n", error.c_str());
                return 1;
            }
        } else {
            bytes = fileType == SaveBinary ? BinarySelectionBytes(points)
                                           : TextSelectionBytes(points, fileType == SaveCommaSeparated ? ',' : ' ');
        }
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0) {
            std::fprintf(stderr, "driftline-cli save: cannot write the output: %s\n", std::strerror(errno));
            return 1;
        }
    } else {
        std::string error;
        const bool written = fileType == SaveFits ? WriteFitsSelection(options.output, points, fits, error)
                                                  : WriteSelection(options.output, points, fileType, error);
        if (!written) {
            std::fprintf(stderr, "driftline-cli save: cannot save %s: %s\n", options.output.string().c_str(),
                         error.c_str());
            return 1;
        }
    }
    return read.status == TReadResult::Ok ? 0 : 1;
}

const CliRegistrar registrar({"save", "save the plotted values as csv, txt, binary or FITS", SaveUsage, RunSave});

}  // namespace

}  // namespace driftline::cli
