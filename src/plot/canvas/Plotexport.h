#pragma once
// The plot's picture beyond its bitmap: painted again from the canvas's record at a device's
// resolution (a screen at 2x, a PNG at another scale) or as vector output (SVG, PDF), and written
// to a file in the format its name asks for. Lines stay the canvas's lines (the sample line as
// the screen draws it, one point per column run's first, lowest, highest and last sample), texts
// stay texts.
#include "plot/canvas/Plotcanvas.h"

#include <QImage>
#include <QString>

#include <filesystem>
#include <optional>
#include <string>

class QPainter;

namespace driftline {

enum class PictureFormat {
    Png,
    Svg,
    Pdf
};

// The format a file name asks for by its extension (.png, .svg, .pdf, any case); nothing for any
// other extension or none.
std::optional<PictureFormat> PictureFormatFor(const std::filesystem::path& file);

// "PNG, SVG or PDF": the formats PictureFormatFor knows, for messages.
inline constexpr const char* PictureFormatNames = "PNG (.png), SVG (.svg) or PDF (.pdf)";

// Paints what the canvas recorded onto painter, in canvas pixels: pixel (x, y) is the unit square
// from (x, y) to (x + 1, y + 1), so a line through pixel centres of width 1 covers the pixels the
// canvas line covers. The painter's transform scales it to any device.
void PaintCanvasRecord(QPainter& painter, const TCanvasRecord& record);

// The picture at ratio device pixels per canvas pixel: the bitmap itself at ratio 1 (the classic
// pixels), else the record painted on an image of the canvas's size times ratio whose
// devicePixelRatio is ratio.
QImage CanvasPicture(const TPlotCanvas& plot, qreal ratio = 1.0);

// Writes the canvas's picture to out, replacing it atomically: PNG at ratio device pixels per
// canvas pixel (CanvasPicture), SVG with a view box of the canvas's size (one canvas pixel per
// 1/96 inch), PDF with one page of the canvas's size in points. title names the picture in the
// file's metadata. False with a reason on failure.
bool SavePlotPicture(const TPlotCanvas& plot, const std::filesystem::path& out, PictureFormat format,
                     std::string& error, qreal ratio = 1.0, const QString& title = QString());

}  // namespace driftline
