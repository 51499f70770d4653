// Drawing the fitted curve and running the fit command on the window.
#include "analysis/ui/Fitdraw.h"

#include "analysis/ui/Polunit.h"

#include <QWidget>

namespace driftline {

void DrawFitCurve(TPlot& plot, const FitCurve& curve)
{
    if (curve.path.empty())
        return;
    plot.MoveTo(curve.path.front().x, curve.path.front().y);
    for (std::size_t k = 1; k < curve.path.size(); ++k)
        plot.LineTo(curve.path[k].x, curve.path[k].y);
    if (curve.hasMarker) {
        plot.MoveTo(curve.markerTop.x, curve.markerTop.y);
        plot.LineTo(curve.markerBottom.x, curve.markerBottom.y);
    }
    plot.Show();
}

void DrawFit(TPlot& plot, const std::vector<double>& xs, const std::vector<double>& ys)
{
    DrawFitCurve(plot, FitCurvePath(xs, ys));
}

double RunFitCommand(QWidget* mainWindow, TPolForm*& polForm, TPlot& plot, const PlottedPoints& points,
                     int coeffCount, std::vector<double>& fitCoefficients)
{
    if (!polForm)
        polForm = new TPolForm(mainWindow);
    const QRect frame = mainWindow ? mainWindow->frameGeometry() : QRect();
    polForm->ShowAt(frame.x() + frame.width(), frame.y());
    plot.Pen.setColor(FitColor);
    const FitOutcome outcome = RunFit(points, coeffCount, fitCoefficients);
    for (const auto& line : outcome.memoLines)
        polForm->AddLine(QString::fromStdString(line));
    DrawFitCurve(plot, outcome.curve);
    return outcome.correlation;
}

}  // namespace driftline
