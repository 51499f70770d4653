// The transit fit's dialog, result window and drawing.
#include "analysis/ui/Transitform.h"

#include "astro/Skytrackunit.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace driftline {

QString TTransitDialog::FitOnlyEntry()
{
    return QStringLiteral("(none: fit only)");
}

QString TTransitDialog::PositionEntry()
{
    return QStringLiteral("Fixed position (J2000)");
}

TTransitDialog::TTransitDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Transit fit"));
    list_ = new QComboBox(this);
    list_->addItem(FitOnlyEntry());
    for (int k = KindSun; k <= KindNeptune; ++k)
        list_->addItem(QString::fromLatin1(BodyName(static_cast<TSourceKind>(k))));
    for (const TCatalogueSource& s : CatalogueSources())
        list_->addItem(QString::fromLatin1(s.name));
    list_->addItem(PositionEntry());
    list_->setCurrentIndex(1);  // the Sun, the usual first target
    ra_ = new QLineEdit(this);
    ra_->setPlaceholderText(QStringLiteral("HH:MM:SS.s"));
    dec_ = new QLineEdit(this);
    dec_->setPlaceholderText(QStringLiteral("+DD:MM:SS"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Target:"), list_);
    form->addRow(QStringLiteral("&Right ascension:"), ra_);
    form->addRow(QStringLiteral("&Declination:"), dec_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Fits the transit of the volts on screen. Choose what passed "
                                                "through the beam to calibrate the azimuth."),
                                 this));
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(list_, &QComboBox::currentIndexChanged, this, &TTransitDialog::ListChanged);
    ListChanged();
}

void TTransitDialog::ListChanged()
{
    const bool position = list_->currentText() == PositionEntry();
    ra_->setEnabled(position);
    dec_->setEnabled(position);
}

bool TTransitDialog::Select(const QString& entry)
{
    const int index = list_->findText(entry);
    if (index < 0)
        return false;
    list_->setCurrentIndex(index);
    return true;
}

TTransitChoice TTransitDialog::Choice() const
{
    const QString entry = list_->currentText();
    if (entry == FitOnlyEntry())
        return {};
    if (entry == PositionEntry())
        return {QString(), ra_->text().trimmed(), dec_->text().trimmed()};
    return {entry, QString(), QString()};
}

TTransitForm::TTransitForm(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setWindowTitle(QStringLiteral("Transit fit"));
    auto* layout = new QVBoxLayout(this);
    rows_ = new QFormLayout;
    layout->addLayout(rows_);
    problem_ = new QLabel(this);
    problem_->setWordWrap(true);
    layout->addWidget(problem_);
    apply_ = new QPushButton(QStringLiteral("&Use this azimuth correction"), this);
    layout->addWidget(apply_);
    connect(apply_, &QPushButton::clicked, this, [this] { emit useAzimuthCorrection(correction_); });
}

void TTransitForm::ShowReport(const TTransitReport& report, bool canApply, int left, int top)
{
    while (rows_->rowCount() > 0)
        rows_->removeRow(0);
    for (const auto& [caption, value] : TransitReportWords(report)) {
        auto* label = new QLabel(QString::fromStdString(value), this);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        rows_->addRow(QString::fromStdString(caption) + QStringLiteral(":"), label);
    }
    const std::string problem = report.problem();
    problem_->setText(QString::fromStdString(problem));
    problem_->setVisible(!problem.empty());
    const bool calibrated = report.calibration && report.calibration->ok;
    correction_ = calibrated ? report.calibration->azimuthCorrection : 0;
    apply_->setVisible(report.target.has_value());
    apply_->setEnabled(calibrated && canApply);
    apply_->setToolTip(calibrated && !canApply ? QStringLiteral("This log has no azimuth correction to replace")
                                               : QString());
    adjustSize();
    move(left, top);
    show();
    raise();
}

QStringList TTransitForm::Rows() const
{
    QStringList rows;
    for (int r = 0; r < rows_->rowCount(); ++r) {
        const auto* caption = qobject_cast<QLabel*>(rows_->itemAt(r, QFormLayout::LabelRole)->widget());
        const auto* value = qobject_cast<QLabel*>(rows_->itemAt(r, QFormLayout::FieldRole)->widget());
        if (caption && value)
            rows << caption->text() + QLatin1Char(' ') + value->text();
    }
    return rows;
}

QString TTransitForm::Problem() const
{
    return problem_->text();
}

void DrawTransitFit(TPlotCanvas& plot, const FitCurve& curve)
{
    // Each line is drawn twice, a pixel apart, so that it stands out of a noisy sample line.
    if (!curve.path.empty()) {
        plot.Pen.setColor(TransitCurveColor);
        for (const int lift : {0, 1}) {
            plot.MoveTo(curve.path.front().x, curve.path.front().y - lift);
            for (std::size_t k = 1; k < curve.path.size(); ++k)
                plot.LineTo(curve.path[k].x, curve.path[k].y - lift);
        }
    }
    if (curve.hasMarker) {
        plot.Pen.setColor(TransitMarkerColor);
        for (const int dx : {0, 1}) {
            plot.MoveTo(curve.markerTop.x + dx, curve.markerTop.y);
            plot.LineTo(curve.markerBottom.x + dx, curve.markerBottom.y);
        }
    }
}

}  // namespace driftline
