// Running the fit command on the window.
#include "analysis/ui/Fitdraw.h"

#include "analysis/ui/Polunit.h"

#include <QWidget>

namespace driftline {

double RunFitCommand(QWidget* mainWindow, TPolForm*& polForm, TPlot& plot, const PlottedPoints& points,
                     int coeffCount, std::vector<double>& fitCoefficients)
{
    if (!polForm)
        polForm = new TPolForm(mainWindow);
    const QRect frame = mainWindow ? mainWindow->frameGeometry() : QRect();
    polForm->ShowAt(frame.x() + frame.width(), frame.y());
    plot.Canvas.Pen.setColor(FitColor);
    const FitOutcome outcome = RunFit(points, coeffCount, fitCoefficients);
    for (const auto& line : outcome.memoLines)
        polForm->AddLine(QString::fromStdString(line));
    DrawFitCurve(plot.Canvas, outcome.curve);
    plot.Show();
    return outcome.correlation;
}

}  // namespace driftline
