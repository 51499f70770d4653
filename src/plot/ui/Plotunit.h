#pragma once
// TPlot: the drawing surface of the viewer's plot. All drawing goes to the off-screen Bitmap;
// Show copies it to the visible picture, which paintEvent only blits. The zoom band is drawn on
// the visible picture alone, so the next Show removes it.
#include "plot/PlotRect.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPen>
#include <QString>
#include <QWidget>

namespace driftline {

// Pixel size of the plot's bold font: 10 points at 96 dots per inch. A pixel size keeps the
// picture independent of the screen's resolution, so the window and driftline-cli draw the same.
inline constexpr int PlotFontPixelSize = 13;

// The canvas line from a to b as the surface draws it: the pixels Qt's aliased one-pixel line
// between the two points covers, less the one in b's row or column along the line's major axis
// (the start pixel belongs to the line, the end pixel does not). Nothing when a == b.
// Writes colour straight into an RGB32 image; every pixel must lie inside the image.
void RasterCanvasLine(QImage& image, PlotPoint a, PlotPoint b, QRgb colour);

class TPlot : public QWidget {
    Q_OBJECT
public:
    // A surface of bounds' size (right - left by bottom - top) whose Area is bounds.
    TPlot(QWidget* parent, const PlotRect& bounds);
    ~TPlot() override;

    PlotPoint LastPoint;     // the point of the last MoveTo or LineTo
    QImage Bitmap;           // off-screen picture, RGB32, the control's size
    PlotRect Area;           // the plot area; the margin lies outside it
    QColor MarginColor;      // fill of the margin
    QColor AreaColor;        // fill of the plot area
    QPen Pen;                // the canvas pen: callers set its colour before MoveTo/LineTo
    QColor BrushColor;       // the canvas brush colour (DrawText fills with it)
    QFont Font;              // bold, PlotFontPixelSize pixels, the toolkit's default face

    // Fills the bitmap with MarginColor and draws the area in AreaColor inside a black frame
    // covering columns Area.left and Area.right - 1 and rows Area.top and Area.bottom - 1.
    void Clear();
    // Copies the bitmap to the visible picture and schedules a repaint.
    void Show();
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

    // The zoom band on the visible picture only: a dashed black outline from column startX to
    // endX over the full area height. ShowBand removes an earlier band first (it Shows).
    void ShowBand(int startX, int endX);

    // What the screen shows (the bitmap as last Shown, plus any zoom band).
    const QImage& Picture() const { return picture_; }

    // The canvas line from a to b drawn with QPainter on the bitmap in the current pen colour.
    void CanvasLine(PlotPoint a, PlotPoint b);

signals:
    void plotMouseDown(Qt::MouseButton button, int x, int y);
    void plotMouseMove(int x, int y);
    void plotMouseUp(Qt::MouseButton button, int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage picture_;
};

}  // namespace driftline
