// Running the fit command on the window.
#include "analysis/ui/Fitdraw.h"

#include "analysis/ui/Polunit.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QWidget>

namespace driftline {

double RunFitCommand(QWidget* mainWindow, TPolForm*& polForm, TPlot& plot, const std::function<FitOutcome()>& fit)
{
    if (!polForm)
        polForm = new TPolForm(mainWindow);
    const QRect frame = mainWindow ? mainWindow->frameGeometry() : QRect();
    polForm->ShowAt(frame.x() + frame.width(), frame.y());
    plot.Canvas.Pen.setColor(FitColor);
    const FitOutcome outcome = fit();
    for (const auto& line : outcome.memoLines)
        polForm->AddLine(QString::fromStdString(line));
    // "Corr coeff" heads the list; twenty coefficients must not scroll it out of sight.
    polForm->Memo()->moveCursor(QTextCursor::Start);
    polForm->Memo()->ensureCursorVisible();
    DrawFitCurve(plot.Canvas, outcome.curve);
    plot.Show();
    return outcome.correlation;
}

}  // namespace driftline
