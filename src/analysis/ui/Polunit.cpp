// The fit result window and the fit's warning box.
#include "analysis/ui/Polunit.h"

#include "analysis/PolyfitUnit.h"
#include "ui_Polunit.h"

#include <QFontDatabase>
#include <QLabel>
#include <QVBoxLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>

namespace driftline {

TPolForm::TPolForm(QWidget* owner) : QWidget(owner, Qt::Window), ui_(std::make_unique<Ui::TPolForm>())
{
    ui_->setupUi(this);
    setWindowTitle(QStringLiteral("Polynomial fit"));
    ui_->Memo->setFont(MemoFont());
    ui_->Memo->setReadOnly(true);
    // The peak's place in the quantities' units stands above the coefficients, in sight however
    // many there are.
    peak_ = new QLabel(this);
    peak_->setObjectName(QStringLiteral("lblPeak"));
    peak_->setFont(MemoFont());
    peak_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    peak_->setContentsMargins(4, 4, 4, 4);
    peak_->hide();
    ui_->layout->insertWidget(0, peak_);
}

TPolForm::~TPolForm() = default;

QFont TPolForm::MemoFont()
{
    QFont font = QFontDatabase::families().contains(QStringLiteral("Courier New"))
                     ? QFont(QStringLiteral("Courier New"))
                     : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(13);
    font.setBold(true);
    return font;
}

void TPolForm::ShowAt(int left, int top)
{
    move(left, top);
    ui_->Memo->clear();
    SetPeakLines({});
    show();
}

void TPolForm::SetPeakLines(const QStringList& lines)
{
    peak_->setText(lines.join(QLatin1Char('\n')));
    peak_->setVisible(!lines.isEmpty());
}

QStringList TPolForm::PeakLines() const
{
    return peak_->text().isEmpty() ? QStringList{} : peak_->text().split(QLatin1Char('\n'));
}

void TPolForm::AddLine(const QString& line)
{
    ui_->Memo->appendPlainText(line);
}

QStringList TPolForm::Lines() const
{
    const QString text = ui_->Memo->toPlainText();
    return text.isEmpty() ? QStringList{} : text.split(QLatin1Char('\n'));
}

QPlainTextEdit* TPolForm::Memo() const
{
    return ui_->Memo;
}

void InstallPolyFitMessageBox(QWidget* parent)
{
    QPointer<QWidget> owner(parent);
    SetPolyFitReporter([owner](const std::string& text, const std::string& caption) {
        QMessageBox box(QMessageBox::Warning, QString::fromStdString(caption), QString::fromStdString(text),
                        QMessageBox::Ok, owner.data());
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
        box.show();
        box.raise();
        box.activateWindow();
        box.exec();
    });
}

}  // namespace driftline
