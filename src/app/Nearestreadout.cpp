// The read-out of the sample under the mouse: marker and tooltip.
#include "app/Nearestreadout.h"

#include "plot/Samplereadout.h"
#include "plot/ui/Plotunit.h"
#include "session/Logsession.h"
#include "suite/Textutil.h"

#include <QCursor>
#include <QToolTip>

namespace driftline {

QString NearestSampleText(const TLogSession& session, std::size_t k)
{
    const auto& samples = session.activeSamples();
    QStringList lines;
    lines << QStringLiteral("Sample %1 of %2")
                 .arg(QString::fromStdString(FormatThousands(k + 1)),
                      QString::fromStdString(FormatThousands(samples.size())));
    for (const std::string& line : SampleReadoutLines(samples[k]))
        lines << QString::fromStdString(line);
    return lines.join(QLatin1Char('\n'));
}

void ShowNearestSample(TPlot& plot, TLogSession& session, std::int32_t x, std::int32_t y, bool inside)
{
    std::optional<std::size_t> k;
    if (inside)
        k = session.nearestPlottedPoint(x, y);
    if (!k || *k >= session.activeSamples().size()) {
        plot.SetMarker(std::nullopt);
        plot.setToolTip(QString());
        QToolTip::hideText();
        return;
    }
    const PlottedPoints& points = session.plottedPoints();
    plot.SetMarker(
        PlotPoint{static_cast<std::int32_t>(points.pixelX[*k]), static_cast<std::int32_t>(points.pixelY[*k])});
    const QString text = NearestSampleText(session, *k);
    if (text == plot.toolTip())
        return;
    plot.setToolTip(text);
    if (QToolTip::isVisible())
        QToolTip::showText(QCursor::pos(), text, &plot);
}

}  // namespace driftline
