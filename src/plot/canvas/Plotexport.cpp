// The plot's picture painted from the canvas's record, and written as PNG, SVG or PDF.
#include "plot/canvas/Plotexport.h"

#include "suite/Fileunit.h"

#include <QBuffer>
#include <QByteArray>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>
#include <cctype>
#include <string_view>

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

void PaintCanvasRecord(QPainter& painter, const TCanvasRecord& record)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    for (const TCanvasRecord::Op& op : record.ops) {
        switch (op.kind) {
        case TCanvasRecord::Kind::Fill:
            painter.fillRect(record.rects[op.first], QColor(op.colour));
            break;
        case TCanvasRecord::Kind::Polyline: {
            // A path through the pixel centres; square caps cover the end pixels as the canvas
            // line's start pixel is covered.
            QPainterPath path(PixelCentre(record.points[op.first]));
            for (std::uint32_t k = 1; k < op.count; ++k)
                path.lineTo(PixelCentre(record.points[op.first + k]));
            QPen pen{QColor(op.colour)};
            pen.setWidthF(1.0);
            pen.setStyle(op.style);
            pen.setCapStyle(Qt::SquareCap);
            pen.setJoinStyle(Qt::MiterJoin);
            painter.setPen(pen);
            painter.drawPath(path);
            break;
        }
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
        pdf.setPageSize(QPageSize(QSizeF(plot.width(), plot.height()), QPageSize::Point, QString(),
                                  QPageSize::ExactMatch));
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
