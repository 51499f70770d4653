// TPlot: the widget that shows the finished canvas and passes mouse events on.
#include "plot/ui/Plotunit.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace driftline {

TPlot::TPlot(QWidget* parent, const PlotRect& bounds) : QWidget(parent), Canvas(bounds)
{
    picture_ = Canvas.Bitmap;
    setFixedSize(Canvas.Bitmap.size());
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TPlot::~TPlot() = default;

void TPlot::Show()
{
    picture_ = Canvas.Bitmap;
    update();
}

void TPlot::ShowBand(int startX, int endX)
{
    Show();
    const PlotRect& area = Canvas.Area;
    QPainter painter(&picture_);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(Qt::black);
    pen.setWidth(1);
    pen.setStyle(Qt::DashLine);
    painter.setPen(pen);
    const QPoint corners[] = {{startX, area.top}, {startX, area.bottom}, {endX, area.bottom},
                              {endX, area.top},   {startX, area.top}};
    painter.drawPolyline(corners, 5);
}

void TPlot::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.drawImage(event->rect().topLeft(), picture_, event->rect());
}

void TPlot::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    emit plotMouseDown(event->button(), p.x(), p.y());
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
