// TPlotCanvas: the picture, plot area, clipped lines and opaque rotated text.
#include "plot/canvas/Plotcanvas.h"

#include <QFontMetrics>
#include <QPainter>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace driftline {

namespace {

// Qt's aliased cosmetic line works in 26.6 fixed point along its major axis, stepping the minor
// coordinate by a 16.16 increment that is truncated toward zero; with square caps both end
// pixels are covered. This reproduces that walk exactly (checked pixel for pixel against
// QPainter in the plot tests), so the fast drawing path and QPainter agree.
template <typename Plot>
void WalkQtLine(PlotPoint a, PlotPoint b, Plot&& plot)
{
    const int dx = b.x - a.x;
    const int dy = b.y - a.y;
    const bool yMajor = std::abs(dx) < std::abs(dy);
    // Major (m) and minor (n) coordinates of both ends, ordered along the major axis.
    std::int64_t m0 = yMajor ? a.y : a.x, n0 = yMajor ? a.x : a.y;
    std::int64_t m1 = yMajor ? b.y : b.x, n1 = yMajor ? b.x : b.y;
    const bool reversed = m0 > m1;
    if (reversed) {
        std::swap(m0, m1);
        std::swap(n0, n1);
    }
    // The end to leave out: b's place along the major axis.
    const std::int64_t skip = reversed ? m0 : m1;
    const std::int64_t inc = ((n1 - n0) * 64 * 65536) / ((m1 - m0) * 64);
    const std::int64_t round = inc > 0 ? 32 : 0;
    // Start half a pixel before the first major pixel centre (the square cap), then advance to it.
    std::int64_t n = (n0 << 16) - (inc >> 1) + (((32 + round) * inc) >> 6);
    for (std::int64_t m = m0; m <= m1; ++m, n += inc) {
        if (m == skip)
            continue;
        const int minor = static_cast<int>(n >> 16);
        if (yMajor)
            plot(minor, static_cast<int>(m));
        else
            plot(static_cast<int>(m), minor);
    }
}

}  // namespace

void RasterCanvasLine(QImage& image, PlotPoint a, PlotPoint b, QRgb colour)
{
    if (a == b)
        return;
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    WalkQtLine(a, b, [&](int x, int y) { reinterpret_cast<QRgb*>(bits + y * stride)[x] = colour; });
}

void TCanvasRecord::Touch()
{
    // Each Clear starts a new epoch in the high half, counted for the whole process, so a canvas
    // made anew never repeats a version a picture was painted at; each change counts in the low
    // half.
    static std::atomic<std::uint64_t> epochs{0};
    version = ++epochs << 32;
}

void TCanvasRecord::Clear()
{
    ops.clear();
    rects.clear();
    points.clear();
    texts.clear();
    Touch();
}

void TCanvasRecord::AddFill(const QRect& rect, QRgb colour)
{
    ++version;
    ops.push_back({Kind::Fill, Qt::SolidLine, colour, static_cast<std::uint32_t>(rects.size()), 1});
    rects.push_back(rect);
}

void TCanvasRecord::AddLine(PlotPoint a, PlotPoint b, QRgb colour, Qt::PenStyle style)
{
    if (a == b)
        return;
    ++version;
    if (!ops.empty()) {
        Op& last = ops.back();
        if (last.kind == Kind::Polyline && last.colour == colour && last.style == style && points.back() == a) {
            points.push_back(b);
            ++last.count;
            return;
        }
    }
    ops.push_back({Kind::Polyline, style, colour, static_cast<std::uint32_t>(points.size()), 2});
    points.push_back(a);
    points.push_back(b);
}

void TCanvasRecord::AddText(TextItem item)
{
    ++version;
    ops.push_back({Kind::Text, Qt::SolidLine, 0, static_cast<std::uint32_t>(texts.size()), 1});
    texts.push_back(std::move(item));
}

TPlotCanvas::TPlotCanvas(const PlotRect& bounds)
    : Bitmap(bounds.right - bounds.left, bounds.bottom - bounds.top, QImage::Format_RGB32), Area(bounds),
      MarginColor(Qt::white), AreaColor(Qt::white), Pen(QColor(Qt::black)), BrushColor(Qt::white)
{
    Font.setBold(true);
    Font.setPixelSize(PlotFontPixelSize);
    Pen.setWidth(1);
    Bitmap.fill(Qt::white);
}

void TPlotCanvas::Clear()
{
    QPainter painter(&Bitmap);
    Record.Clear();
    Pen.setColor(MarginColor);
    BrushColor = MarginColor;
    painter.fillRect(QRect(0, 0, Bitmap.width(), Bitmap.height()), MarginColor);
    Record.AddFill(QRect(0, 0, Bitmap.width(), Bitmap.height()), MarginColor.rgb());
    // The frame is the outline of a rectangle that stops one pixel short of its right and
    // bottom edges; the area colour fills the inside of that outline.
    Pen.setColor(Qt::black);
    BrushColor = AreaColor;
    const int w = Area.right - Area.left;
    const int h = Area.bottom - Area.top;
    if (w <= 0 || h <= 0)
        return;
    painter.fillRect(QRect(Area.left, Area.top, w, h), Qt::black);
    Record.AddFill(QRect(Area.left, Area.top, w, h), qRgb(0, 0, 0));
    if (w > 2 && h > 2) {
        painter.fillRect(QRect(Area.left + 1, Area.top + 1, w - 2, h - 2), AreaColor);
        Record.AddFill(QRect(Area.left + 1, Area.top + 1, w - 2, h - 2), AreaColor.rgb());
    }
}

void TPlotCanvas::MoveTo(int x, int y)
{
    LastPoint = {x, y};
}

void TPlotCanvas::CanvasLine(PlotPoint a, PlotPoint b)
{
    if (a == b)
        return;
    Record.AddLine(a, b, Pen.color().rgb(), Pen.style());
    QPainter painter(&Bitmap);
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(Pen.color());
    pen.setWidth(1);
    pen.setStyle(Pen.style());
    // Square caps cover both end pixels; the clip then takes away b's column (or row), so the
    // line keeps its start pixel and leaves out its end pixel whichever way it runs.
    pen.setCapStyle(Qt::SquareCap);
    painter.setPen(pen);
    const int w = Bitmap.width();
    const int h = Bitmap.height();
    QRect keep;
    if (std::abs(b.x - a.x) >= std::abs(b.y - a.y))
        keep = b.x > a.x ? QRect(0, 0, b.x, h) : QRect(b.x + 1, 0, w - b.x - 1, h);
    else
        keep = b.y > a.y ? QRect(0, 0, w, b.y) : QRect(0, b.y + 1, w, h - b.y - 1);
    painter.setClipRect(keep);
    painter.drawLine(a.x, a.y, b.x, b.y);
}

void TPlotCanvas::LineTo(int x, int y)
{
    const PlotPoint p{x, y};
    if (const auto segment = LineToSegment(Area, LastPoint, p))
        CanvasLine(segment->from, segment->to);
    MoveTo(x, y);
}

int TPlotCanvas::TextWidth(const QString& text) const
{
    return QFontMetrics(Font).horizontalAdvance(text);
}

void TPlotCanvas::DrawText(const QString& text, int x, int y, double angle)
{
    const QColor saved = BrushColor;
    BrushColor = Area.Contains(x, y) ? AreaColor : MarginColor;
    QPainter painter(&Bitmap);
    painter.setFont(Font);
    const QFontMetrics metrics(Font);
    painter.translate(x, y);
    // Whole tenths of a degree, as the escapement of a rotated font is given.
    painter.rotate(-static_cast<double>(static_cast<int>(angle * 10.0)) / 10.0);
    painter.fillRect(QRect(0, 0, metrics.horizontalAdvance(text), metrics.height()), BrushColor);
    painter.setPen(Qt::black);
    painter.drawText(0, metrics.ascent(), text);
    Record.AddText(
        {text, Font, x, y, static_cast<double>(static_cast<int>(angle * 10.0)) / 10.0, BrushColor, QColor(Qt::black)});
    BrushColor = saved;
}

void TPlotCanvas::SetMarginColor(const QColor& colour)
{
    MarginColor = colour;
    Clear();
}

void TPlotCanvas::SetAreaColor(const QColor& colour)
{
    AreaColor = colour;
    Clear();
}

void TPlotCanvas::SetArea(const PlotRect& area)
{
    Area = area;
    Clear();
}

}  // namespace driftline
