// Running the fit command on the window.
#include "analysis/ui/Fitdraw.h"

#include "analysis/ui/Polunit.h"
#include "session/Windowplace.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextCursor>
#include <QWidget>

namespace driftline {

namespace {

ScreenRect ToScreenRect(const QRect& r)
{
    return {r.x(), r.y(), r.width(), r.height()};
}

// Where the result window opens: beside the main window on the main window's screen.
QPoint ResultWindowPlace(QWidget* mainWindow, TPolForm& polForm)
{
    if (!mainWindow)
        return polForm.pos();
    const QRect frame = mainWindow->frameGeometry();
    QScreen* screen = mainWindow->screen() ? mainWindow->screen() : QGuiApplication::primaryScreen();
    // Before its first showing the window's frame is not known yet: the main window's frame
    // margins stand in for its own.
    QSize size = polForm.frameGeometry().size();
    if (!polForm.testAttribute(Qt::WA_WState_Created) || !polForm.isVisible())
        size = polForm.size() + (frame.size() - mainWindow->geometry().size());
    if (!screen)
        return {frame.x() + frame.width(), frame.y()};
    const ScreenPoint place = PlaceBeside(ToScreenRect(frame), size.width(), size.height(),
                                          ToScreenRect(screen->availableGeometry()));
    return {place.x, place.y};
}

}  // namespace

double RunFitCommand(QWidget* mainWindow, TPolForm*& polForm, TPlot& plot, const std::function<FitOutcome()>& fit,
                     const FitPeakLinesFn& peakLines)
{
    if (!polForm)
        polForm = new TPolForm(mainWindow);
    const QPoint place = ResultWindowPlace(mainWindow, *polForm);
    polForm->ShowAt(place.x(), place.y());
    plot.Canvas.Pen.setColor(FitColor);
    const FitOutcome outcome = fit();
    for (const auto& line : outcome.memoLines)
        polForm->AddLine(QString::fromStdString(line));
    if (peakLines) {
        QStringList lines;
        for (const auto& line : peakLines(outcome.curve))
            lines << QString::fromStdString(line);
        polForm->SetPeakLines(lines);
    }
    // "Corr coeff" heads the list; twenty coefficients must not scroll it out of sight.
    polForm->Memo()->moveCursor(QTextCursor::Start);
    polForm->Memo()->ensureCursorVisible();
    DrawFitCurve(plot.Canvas, outcome.curve);
    plot.Show();
    return outcome.correlation;
}

}  // namespace driftline
