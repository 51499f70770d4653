// The plot's picture painted from the canvas's record, and written as PNG, SVG or PDF.
#include "plot/canvas/Plotexport.h"

#include "suite/Fileunit.h"

#include <QBuffer>
#include <QByteArray>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPageSize>
#include <QPainter>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>
#include <cctype>
#include <string_view>
#include <unordered_set>
#include <utility>

namespace driftline {

namespace {

// Resolution of the SVG drawing: one canvas pixel is one pixel of a 96-dpi screen; of the PDF
// page: one canvas pixel is one point.
constexpr int VectorDotsPerInch = 96;
constexpr int PdfDotsPerInch = 72;

std::string LowerExtension(const std::filesystem::path& file)
{
    std::string ext = file.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

QPointF PixelCentre(PlotPoint p)
{
    return {p.x + 0.5, p.y + 0.5};
}

bool WriteBytes(const QByteArray& bytes, const std::filesystem::path& out, std::string& error)
{
    return WriteFileAtomically(out, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), error);
}

}  // namespace

std::optional<PictureFormat> PictureFormatFor(const std::filesystem::path& file)
{
    const std::string ext = LowerExtension(file);
    if (ext == ".png")
        return PictureFormat::Png;
    if (ext == ".svg")
        return PictureFormat::Svg;
    if (ext == ".pdf")
        return PictureFormat::Pdf;
    return std::nullopt;
}

namespace {

// The lines of one run of consecutive polylines in the same pen, gathered into one path. A solid
// segment drawn again in the same run sets the same pixels to the same colour, so it is left out
// (a sample line that wanders back and forth over a few pixels repeats most of its segments).
class LineRun {
public:
    // On a raster image each segment is drawn on its own: stroking a long wide path with its joins
    // costs the rasteriser some twenty times as much, and the square caps cover the joins.
    explicit LineRun(QPainter& painter)
        : painter_(painter),
          segmentsOnly_(painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Raster)
    {}

    void Add(const TCanvasRecord& record, const TCanvasRecord::Op& op)
    {
        if (open_ && (op.colour != colour_ || op.style != style_))
            Flush();
        if (!open_) {
            open_ = true;
            colour_ = op.colour;
            style_ = op.style;
            path_ = QPainterPath();
            seen_.clear();
            atEnd_ = false;
        }
        for (std::uint32_t k = 1; k < op.count; ++k) {
            const PlotPoint a = record.points[op.first + k - 1];
            const PlotPoint b = record.points[op.first + k];
            if (style_ == Qt::SolidLine && Packable(a) && Packable(b) && !seen_.insert(Key(a, b)).second) {
                atEnd_ = false;
                continue;
            }
            if (path_.elementCount() >= MaxPathElements) {
                DrawPath();
                atEnd_ = false;
            }
            if (!atEnd_ || last_ != a)
                path_.moveTo(PixelCentre(a));
            path_.lineTo(PixelCentre(b));
            last_ = b;
            atEnd_ = true;
        }
    }

    void Flush()
    {
        if (!open_)
            return;
        open_ = false;
        DrawPath();
    }

private:
    // Paths are drawn in pieces of at most this many elements: a renderer's rasteriser gives up
    // on a path of a quarter of a million pieces (most of the line went missing on reading the
    // SVG back).
    static constexpr int MaxPathElements = 4096;

    void DrawPath()
    {
        if (path_.isEmpty())
            return;
        // A path through the pixel centres; square caps cover the end pixels as the canvas
        // line's start pixel is covered.
        QPen pen{QColor(colour_)};
        pen.setWidthF(1.0);

        pen.setStyle(style_);
        pen.setCapStyle(Qt::SquareCap);
        pen.setJoinStyle(Qt::MiterJoin);
        painter_.setPen(pen);
        painter_.setBrush(Qt::NoBrush);
        if (segmentsOnly_) {
            QVector<QLineF> lines;
            lines.reserve(path_.elementCount());
            QPointF at;
            for (int i = 0; i < path_.elementCount(); ++i) {
                const QPainterPath::Element e = path_.elementAt(i);
                if (e.isLineTo())
                    lines.append(QLineF(at, QPointF(e.x, e.y)));
                at = QPointF(e.x, e.y);
            }
            painter_.drawLines(lines);
        } else {
            painter_.drawPath(path_);
        }
        path_ = QPainterPath();
    }

    // Both ends, in either order (a segment covers the same pixels whichever way it was drawn),
    // 16 bits a coordinate: exact, so two segments share a key only when they are the same.
    static bool Packable(PlotPoint p) { return p.x >= 0 && p.x <= 0xFFFF && p.y >= 0 && p.y <= 0xFFFF; }
    static std::uint64_t Key(PlotPoint a, PlotPoint b)
    {
        const auto pack = [](PlotPoint p) {
            return (static_cast<std::uint64_t>(p.x) << 16) | static_cast<std::uint64_t>(p.y);
        };
        std::uint64_t ka = pack(a), kb = pack(b);
        if (kb < ka)
            std::swap(ka, kb);
        return (ka << 32) | kb;
    }

    QPainter& painter_;
    const bool segmentsOnly_;
    bool open_ = false;
    QRgb colour_ = 0;
    Qt::PenStyle style_ = Qt::SolidLine;
    QPainterPath path_;
    PlotPoint last_;
    bool atEnd_ = false;
    std::unordered_set<std::uint64_t> seen_;
};

}  // namespace

void PaintCanvasRecord(QPainter& painter, const TCanvasRecord& record)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    LineRun lines(painter);
    for (const TCanvasRecord::Op& op : record.ops) {
        if (op.kind != TCanvasRecord::Kind::Polyline)
            lines.Flush();
        switch (op.kind) {
        case TCanvasRecord::Kind::Fill:
            painter.fillRect(record.rects[op.first], QColor(op.colour));
            break;
        case TCanvasRecord::Kind::Polyline:
            lines.Add(record, op);
            break;
        case TCanvasRecord::Kind::Text: {
            const TCanvasRecord::TextItem& item = record.texts[op.first];
            const QFontMetrics metrics(item.font);
            // The face the canvas really drew with, by name: a vector file read elsewhere cannot
            // resolve the toolkit's default family.
            QFont font = item.font;
            font.setFamily(QFontInfo(item.font).family());
            painter.save();
            painter.translate(item.x, item.y);
            painter.rotate(-item.angle);
            painter.fillRect(QRect(0, 0, metrics.horizontalAdvance(item.text), metrics.height()), item.background);
            painter.setFont(font);
            painter.setPen(item.colour);
            painter.drawText(0, metrics.ascent(), item.text);
            painter.restore();
            break;
        }
        }
    }
    lines.Flush();
    painter.restore();
}

QImage CanvasPicture(const TPlotCanvas& plot, qreal ratio)
{
    if (ratio == 1.0 || ratio <= 0.0)
        return plot.Bitmap;
    const QSize size(static_cast<int>(plot.width() * ratio + 0.5), static_cast<int>(plot.height() * ratio + 0.5));
    QImage image(size, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintCanvasRecord(painter, plot.Record);
    return image;
}

bool SavePlotPicture(const TPlotCanvas& plot, const std::filesystem::path& out, PictureFormat format,
                     std::string& error, qreal ratio, const QString& title)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QString name = title.isEmpty() ? QStringLiteral("Driftline plot") : title;
    switch (format) {
    case PictureFormat::Png: {
        QImage image = CanvasPicture(plot, ratio);
        if (!image.save(&buffer, "PNG")) {
            error = "cannot encode the picture as PNG";
            return false;
        }
        break;
    }
    case PictureFormat::Svg: {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(QSize(plot.width(), plot.height()));
        svg.setViewBox(QRect(0, 0, plot.width(), plot.height()));
        svg.setResolution(VectorDotsPerInch);
        svg.setTitle(name);
        svg.setDescription(QStringLiteral("Drawn by Driftline"));
        QPainter painter;
        if (!painter.begin(&svg)) {
            error = "cannot start the SVG drawing";
            return false;
        }
        PaintCanvasRecord(painter, plot.Record);
        painter.end();
        break;
    }
    case PictureFormat::Pdf: {
        // A PDF page is measured in whole points, so one canvas pixel is one point there (a page
        // of 600 x 450 points for the design size) and the page is exactly the picture.
        QPdfWriter pdf(&buffer);
        pdf.setResolution(PdfDotsPerInch);
        pdf.setPageSize(
            QPageSize(QSizeF(plot.width(), plot.height()), QPageSize::Point, QString(), QPageSize::ExactMatch));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setTitle(name);
        pdf.setCreator(QStringLiteral("Driftline"));
        QPainter painter;
        if (!painter.begin(&pdf)) {
            error = "cannot start the PDF page";
            return false;
        }
        PaintCanvasRecord(painter, plot.Record);
        painter.end();
        break;
    }
    }
    buffer.close();
    return WriteBytes(bytes, out, error);
}

}  // namespace driftline
