// Tools, "Transit fit...": read the controls, call the transit job, show and draw the result.
#include "app/Transitcommand.h"

#include "app/Mainunit.h"
#include "astro/Sitesettings.h"
#include "plot/ui/Plotunit.h"
#include "ui_Mainunit.h"

#include <QAction>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>

namespace driftline {

namespace {

std::optional<TTransitChoice> DefaultChooseTarget(QWidget* parent)
{
    TTransitDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Choice();
}

void DefaultMessage(QWidget* parent, const QString& text)
{
    QMessageBox::warning(parent, QStringLiteral("Transit fit"), text);
}

}  // namespace

TTransitCommand::TTransitCommand(TForm1& form, TTransitSeams seams)
    : QObject(&form), form_(form), seams_(std::move(seams))
{
    if (!seams_.chooseTarget)
        seams_.chooseTarget = DefaultChooseTarget;
    if (!seams_.message)
        seams_.message = DefaultMessage;
    action_ = new QAction(QStringLiteral("&Transit fit..."), &form);
    action_->setObjectName(QStringLiteral("miTransit"));
    action_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    form.ui->menuTools->addAction(action_);
    connect(action_, &QAction::triggered, this, &TTransitCommand::miTransitClick);
}

void TTransitCommand::setSeams(TTransitSeams seams)
{
    if (seams.chooseTarget)
        seams_.chooseTarget = std::move(seams.chooseTarget);
    if (seams.message)
        seams_.message = std::move(seams.message);
}

void TTransitCommand::miTransitClick()
{
    if (form_.reading())
        return;
    const std::optional<TTransitChoice> choice = seams_.chooseTarget(&form_);
    if (!choice)
        return;
    std::string problem;
    const std::optional<TSkyTarget> target = TransitTarget(choice->name.toStdString(), choice->ra.toStdString(),
                                                           choice->dec.toStdString(), problem);
    if (!problem.empty()) {
        seams_.message(&form_, QString::fromStdString(problem));
        return;
    }
    // The records on screen that carried volts: the voltage list is zoomed with the other.
    const TLogSession& session = form_.session();
    const SampleView& fitted = TransitSamples(session.store());
    report_ = RunTransit(fitted, target, CurrentSite(), session.store().azimuthCorrection);

    // A fresh plot, then the curve over it, so earlier curves do not pile up.
    form_.Redraw();
    DrawTransitFit(form_.Plot->Canvas,
                   TransitCurvePath(session.view(), session.positiveVoltageView(), fitted, report_));
    form_.Plot->Show();

    if (!resultWindow_) {
        resultWindow_ = new TTransitForm(&form_);
        connect(resultWindow_, &TTransitForm::useAzimuthCorrection, this, &TTransitCommand::useAzimuthCorrection);
    }
    const QRect frame = form_.frameGeometry();
    resultWindow_->ShowReport(report_, form_.ui->edAzCorr->isEnabled(), frame.x() + frame.width(), frame.y());
}

void TTransitCommand::useAzimuthCorrection(qint64 counts)
{
    if (form_.reading() || !form_.ui->edAzCorr->isEnabled())
        return;
    // Through the edit, as typing would: its change handler takes the value.
    form_.ui->edAzCorr->setText(QString::number(counts));
    form_.btnRefreshClick();
    // Refresh returns to the whole file; the result stays as it was found.
    if (resultWindow_)
        resultWindow_->applyButton()->setEnabled(false);
}

}  // namespace driftline
