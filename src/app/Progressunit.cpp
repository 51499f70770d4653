// TProgressForm: byte line, centred percent and bar, one repaint per step.
#include "app/Progressunit.h"

#include "ui_Progressunit.h"

#include <QApplication>
#include <QFileInfo>
#include <QFontMetrics>

#include <algorithm>

namespace driftline {

TProgressForm::TProgressForm(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint), ui(std::make_unique<Ui::TProgressForm>())
{
    ui->setupUi(this);
    setModal(false);
    // The file name stands beside "Processing"; with a desktop font wider than the design's the
    // caption would run under the name, so the name moves right by what the caption needs.
    ui->lblProcessing->resize(ui->lblProcessing->sizeHint().width(), ui->lblProcessing->height());
    const int nameLeft = std::max(ui->lblFilename->x(), ui->lblProcessing->x() + ui->lblProcessing->width() + 4);
    ui->lblFilename->setGeometry(nameLeft, ui->lblFilename->y(), width() - nameLeft - 8, ui->lblFilename->height());
    model.onStep = [this](const std::string& bytesText, const std::string& percentText, int position) {
        Step(bytesText, percentText, position);
    };
}

TProgressForm::~TProgressForm() = default;

bool TProgressForm::ProgressStart(const QString& path)
{
    ui->ProgressBar->setValue(0);
    ui->lblBytesRead->clear();
    ui->lblPercent->clear();
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile() || !model.ProgressStart(static_cast<std::uint64_t>(info.size())))
        return false;
    ui->lblFilename->setText(info.fileName());
    if (QWidget* owner = parentWidget()) {
        const QRect frame = owner->frameGeometry();
        move(frame.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
    return true;
}

void TProgressForm::ProgressAdvance(std::uint64_t lineLength)
{
    model.ProgressAdvance(lineLength);
}

void TProgressForm::Step(const std::string& bytesText, const std::string& percentText, int position)
{
    ui->ProgressBar->setValue(position);
    ui->lblBytesRead->setText(QString::fromStdString(bytesText));
    const QString percent = QString::fromStdString(percentText);
    ui->lblPercent->setText(percent);
    const int textWidth = QFontMetrics(ui->lblPercent->font()).horizontalAdvance(percent);
    ui->lblPercent->setGeometry((width() - textWidth) / 2, ui->lblPercent->y(), textWidth, ui->lblPercent->height());
    // The read runs on the user-interface thread: this is where the dialog gets painted and the
    // window stays responsive (the window holds off list-changing commands meanwhile).
    QApplication::processEvents();
}

}  // namespace driftline
