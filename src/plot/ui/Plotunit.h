#pragma once
// TPlot: the plot's widget. All drawing goes to its Canvas (a TPlotCanvas, no widget needed);
// Show copies the finished canvas to the visible picture, which paintEvent only blits. The zoom
// band is drawn on the visible picture alone, so the next Show removes it. Mouse events are
// passed on as signals in the canvas's pixels. The widget follows the size its layout gives it:
// the canvas takes the new size (its area inset PlotAreaInset) and plotResized asks the owner
// to draw it again. Its colours follow its palette (PlotColoursFor).
#include "plot/canvas/Plotcanvas.h"

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <optional>

namespace driftline {

class TPlot : public QWidget {
    Q_OBJECT
public:
    // A widget of bounds' size (right - left by bottom - top) whose canvas Area is bounds.
    TPlot(QWidget* parent, const PlotRect& bounds);
    ~TPlot() override;

    TPlotCanvas Canvas;
    // The colours the picture is drawn in, from the widget's palette.
    PlotColours Colours;

    // The design size of the plot control (600 x 450): the size the window first gives it.
    QSize sizeHint() const override;
    // The smallest plot worth drawing.
    QSize minimumSizeHint() const override;

    // Copies the canvas to the visible picture and schedules a repaint.
    void Show();

    // The zoom band on the visible picture only: a dashed black outline from column startX to
    // endX over the full area height. ShowBand removes an earlier band first (it Shows).
    void ShowBand(int startX, int endX);
    // The same outline around any rectangle (a band of rows, a box).
    void ShowBox(const PlotRect& box);

    // What the screen shows (the canvas as last Shown, plus any zoom band), at the screen's
    // device pixel ratio: the canvas's bitmap itself at ratio 1, else its record painted at the
    // device's resolution, so lines and text stay sharp on a scaled desktop.
    const QImage& Picture() const { return picture_; }
    // Device pixels per canvas pixel of the picture: the screen's ratio unless set here (0 goes
    // back to the screen's).
    qreal PictureRatio() const;
    void SetPictureRatio(qreal ratio);

    // A small ring around a canvas pixel drawn over the picture on screen (never into the
    // canvas or the picture): the sample the read-out names. Nothing removes it.
    void SetMarker(std::optional<PlotPoint> pixel);
    std::optional<PlotPoint> Marker() const { return marker_; }

signals:
    void plotMouseDown(Qt::MouseButton button, int x, int y, Qt::KeyboardModifiers modifiers);
    void plotMouseMove(int x, int y);
    void plotMouseUp(Qt::MouseButton button, int x, int y);
    // The canvas now has the widget's new size (cleared, in Colours); draw it again.
    void plotResized(int width, int height);
    // Colours changed with the palette; draw the picture again.
    void plotColoursChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ShowOutline(int x0, int y0, int x1, int y1);
    // The picture shown, and the canvas painted at a ratio other than 1 without the band: painted
    // again only when the canvas's record changed (the mouse read-out Shows at every move).
    void Repaint(qreal ratio);
    QImage picture_;
    QImage painted_;
    std::uint64_t paintedVersion_ = 0;
    qreal ratio_ = 0.0;  // 0: the screen's
    std::optional<PlotPoint> marker_;
};

}  // namespace driftline
