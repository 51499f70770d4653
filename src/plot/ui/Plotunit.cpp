// TPlot: the widget that shows the finished canvas and passes mouse events on.
#include "plot/ui/Plotunit.h"

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
    Canvas.SetArea(
        PlotRect(PlotAreaInset, PlotAreaInset, size.width() - PlotAreaInset, size.height() - PlotAreaInset));
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
    picture_ = Canvas.Bitmap;
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
    QPainter painter(this);
    painter.drawImage(event->rect().topLeft(), picture_, event->rect());
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
