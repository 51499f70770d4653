#pragma once
// TPlotCanvas: the plot's picture without a window. An RGB32 image with the drawing state the
// plot's redraw uses (area, colours, pen, font, pen position): clipped lines, the frame and
// opaque rotated text. The window's TPlot shows a finished canvas; driftline-cli writes one to a
// file. Needs a QGuiApplication (fonts), never a widget.
#include "plot/PlotRect.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPen>
#include <QString>

#include <cstdint>
#include <vector>

namespace driftline {

// Pixel size of the plot's bold font: 10 points at 96 dots per inch. A pixel size keeps the
// picture independent of the screen's resolution, so the window and driftline-cli draw the same.
inline constexpr int PlotFontPixelSize = 13;

// The canvas line from a to b as the canvas draws it: the pixels Qt's aliased one-pixel line
// between the two points covers, less the one in b's row or column along the line's major axis
// (the start pixel belongs to the line, the end pixel does not). Nothing when a == b.
// Writes colour straight into an RGB32 image; every pixel must lie inside the image.
void RasterCanvasLine(QImage& image, PlotPoint a, PlotPoint b, QRgb colour);

// What a canvas drew since its last Clear, in drawing order and in the canvas's pixels: fills,
// lines (joined into polylines where one starts at the end of the one before, in the same pen) and
// texts. The bitmap is the picture at one pixel per canvas pixel; this is the same picture kept so
// that it can be painted again at another resolution or as vector output (PaintCanvasRecord).
struct TCanvasRecord {
    enum class Kind : std::uint8_t {
        Fill,
        Polyline,
        Text
    };
    struct Op {
        Kind kind = Kind::Fill;
        Qt::PenStyle style = Qt::SolidLine;  // Polyline
        QRgb colour = 0;                     // Fill and Polyline
        std::uint32_t first = 0;             // index into rects, points or texts
        std::uint32_t count = 0;             // Polyline: number of points (at least 2)
    };
    struct TextItem {
        QString text;
        QFont font;
        std::int32_t x = 0;  // reference point: the unrotated text's top-left corner
        std::int32_t y = 0;
        double angle = 0.0;  // degrees counter-clockwise, whole tenths
        QColor background;
        QColor colour;
    };
    std::vector<Op> ops;
    std::vector<QRect> rects;
    std::vector<PlotPoint> points;
    std::vector<TextItem> texts;
    // Changes with every change (never back to a value it had, nor to another record's), so a
    // picture painted from the record knows when it is stale.
    std::uint64_t version = 0;

    void Clear();
    void AddFill(const QRect& rect, QRgb colour);
    // The canvas line from a to b; continues the last polyline when it ends at a in the same pen.
    void AddLine(PlotPoint a, PlotPoint b, QRgb colour, Qt::PenStyle style);
    void AddText(TextItem item);

private:
    void Touch();
};

class TPlotCanvas {
public:
    // A canvas of bounds' size (right - left by bottom - top) whose Area is bounds, white.
    explicit TPlotCanvas(const PlotRect& bounds);

    PlotPoint LastPoint;   // the point of the last MoveTo or LineTo
    QImage Bitmap;         // the picture, RGB32
    PlotRect Area;         // the plot area; the margin lies outside it
    QColor MarginColor;    // fill of the margin
    QColor AreaColor;      // fill of the plot area
    QPen Pen;              // callers set its colour before MoveTo/LineTo
    QColor BrushColor;     // the brush colour (DrawText fills with it)
    QFont Font;            // bold, PlotFontPixelSize pixels, the toolkit's default face
    TCanvasRecord Record;  // the picture's drawing since the last Clear

    int width() const { return Bitmap.width(); }
    int height() const { return Bitmap.height(); }

    // Fills the bitmap with MarginColor and draws the area in AreaColor inside a black frame
    // covering columns Area.left and Area.right - 1 and rows Area.top and Area.bottom - 1.
    void Clear();
    // Moves the pen to (x, y).
    void MoveTo(int x, int y);
    // Line from LastPoint to (x, y) clipped to Area; the pen then stands at (x, y) even when it
    // lies outside the area.
    void LineTo(int x, int y);
    // Writes text opaque on the colour of the region holding (x, y), its unrotated top-left
    // corner at (x, y), turned angle degrees counter-clockwise.
    void DrawText(const QString& text, int x, int y, double angle);
    // Width of text in the canvas font, pixels.
    int TextWidth(const QString& text) const;

    void SetMarginColor(const QColor& colour);
    void SetAreaColor(const QColor& colour);
    void SetArea(const PlotRect& area);

    // The canvas line from a to b drawn with QPainter on the bitmap in the current pen colour.
    void CanvasLine(PlotPoint a, PlotPoint b);
    // Notes in Record a canvas line that was written into the bitmap directly (the fast path).
    void RecordLine(PlotPoint a, PlotPoint b, QRgb colour) { Record.AddLine(a, b, colour, Pen.style()); }
};

}  // namespace driftline
