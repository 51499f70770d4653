// TPlot: the widget that shows the finished canvas and passes mouse events on.
#include "plot/ui/Plotunit.h"

#include "plot/canvas/Plotexport.h"
#include "plot/Viewunit.h"
#include "plot/canvas/Plotrender.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

namespace driftline {

TPlot::TPlot(QWidget* parent, const PlotRect& bounds) : QWidget(parent), Canvas(bounds)
{
    Colours = PlotColoursFor(palette());
    picture_ = Canvas.Bitmap;
    resize(Canvas.Bitmap.size());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize TPlot::sizeHint() const
{
    return {DefaultPlotWidth, DefaultPlotHeight};
}

QSize TPlot::minimumSizeHint() const
{
    // Room for the area and the labels around it.
    return {2 * PlotAreaInset + 120, 2 * PlotAreaInset + 90};
}

void TPlot::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const QSize size = event->size();
    if (size == Canvas.Bitmap.size() || size.width() <= 0 || size.height() <= 0)
        return;
    Canvas.SetSize(size.width(), size.height());
    Canvas.UseColours(Colours);
    Canvas.SetArea(PlotRect(PlotAreaInset, PlotAreaInset, size.width() - PlotAreaInset, size.height() - PlotAreaInset));
    Show();
    emit plotResized(size.width(), size.height());
}

void TPlot::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::PaletteChange)
        return;
    const PlotColours colours = PlotColoursFor(palette());
    if (colours == Colours)
        return;
    Colours = colours;
    emit plotColoursChanged();
}

TPlot::~TPlot() = default;

void TPlot::Show()
{
    Repaint(PictureRatio());
    update();
}

void TPlot::Repaint(qreal ratio)
{
    if (ratio == 1.0) {
        picture_ = Canvas.Bitmap;
        return;
    }
    if (painted_.isNull() || painted_.devicePixelRatio() != ratio || paintedVersion_ != Canvas.Record.version ||
        painted_.size() != (QSizeF(Canvas.Bitmap.size()) * ratio).toSize()) {
        painted_ = CanvasPicture(Canvas, ratio);
        paintedVersion_ = Canvas.Record.version;
    }
    picture_ = painted_;
}

qreal TPlot::PictureRatio() const
{
    return ratio_ > 0.0 ? ratio_ : devicePixelRatioF();
}

void TPlot::SetPictureRatio(qreal ratio)
{
    ratio_ = ratio > 0.0 ? ratio : 0.0;
    Show();
}

void TPlot::SetMarker(std::optional<PlotPoint> pixel)
{
    if (pixel == marker_)
        return;
    marker_ = pixel;
    update();
}

void TPlot::ShowBand(int startX, int endX)
{
    ShowOutline(startX, Canvas.Area.top, endX, Canvas.Area.bottom);
}

void TPlot::ShowBox(const PlotRect& box)
{
    ShowOutline(box.left, box.top, box.right, box.bottom);
}

void TPlot::ShowOutline(int x0, int y0, int x1, int y1)
{
    Show();
    QPainter painter(&picture_);
    // On a scaled picture the outline stays one canvas pixel wide, through the pixels' centres.
    if (picture_.devicePixelRatio() != 1.0)
        painter.translate(0.5, 0.5);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(Qt::black);
    pen.setWidth(1);
    pen.setStyle(Qt::DashLine);
    painter.setPen(pen);
    // Drawn from the band's start, so the dashes start where the drag did.
    const QPoint corners[] = {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}, {x0, y0}};
    painter.drawPolyline(corners, 5);
}

void TPlot::paintEvent(QPaintEvent* event)
{
    // Moved to a screen of another scale: the picture is painted again at the new resolution.
    if (picture_.devicePixelRatio() != PictureRatio())
        Repaint(PictureRatio());
    QPainter painter(this);
    const QRect r = event->rect();
    const qreal ratio = picture_.devicePixelRatio();
    painter.drawImage(QRectF(r), picture_, QRectF(r.x() * ratio, r.y() * ratio, r.width() * ratio, r.height() * ratio));
    if (marker_) {
        // A ring in the plot's text colour with a white inner edge reads on the red line, the
        // grid and the white area alike.
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setBrush(Qt::NoBrush);
        const QPointF centre(marker_->x + 0.5, marker_->y + 0.5);
        painter.setPen(QPen(Qt::white, 1.0));
        painter.drawEllipse(centre, 3.0, 3.0);
        painter.setPen(QPen(Qt::black, 1.5));
        painter.drawEllipse(centre, 4.5, 4.5);
    }
}

void TPlot::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    emit plotMouseDown(event->button(), p.x(), p.y(), event->modifiers());
}

void TPlot::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    emit plotMouseMove(p.x(), p.y());
}

void TPlot::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    emit plotMouseUp(event->button(), p.x(), p.y());
}

}  // namespace driftline
