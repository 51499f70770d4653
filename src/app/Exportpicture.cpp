// File, "Export picture...": the picture on screen written as PNG, SVG or PDF.
#include "app/Exportpicture.h"

#include "app/Mainunit.h"
#include "plot/canvas/Plotexport.h"
#include "plot/ui/Plotunit.h"
#include "suite/Globalunit.h"
#include "ui_Mainunit.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>

#include <string>

namespace driftline {

namespace {

constexpr const char* PngFilter = "PNG picture (*.png)";
constexpr const char* SvgFilter = "SVG drawing (*.svg)";
constexpr const char* PdfFilter = "PDF document (*.pdf)";

QString DefaultSaveDialog(QWidget* parent, const QString& suggested, const QString& filter)
{
    QString selected = QString::fromUtf8(PngFilter);
    QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("Export picture"), suggested, filter, &selected);
    // A name typed without an extension takes the one of the type chosen.
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) {
        if (selected == QString::fromUtf8(SvgFilter))
            path += QStringLiteral(".svg");
        else if (selected == QString::fromUtf8(PdfFilter))
            path += QStringLiteral(".pdf");
        else
            path += QStringLiteral(".png");
    }
    return path;
}

void DefaultShowError(QWidget* parent, const QString& text)
{
    QMessageBox::warning(parent, QStringLiteral("Export picture"), text);
}

std::filesystem::path ToPath(const QString& path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

QString FromPath(const std::filesystem::path& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

}  // namespace

QString ExportPictureFilter()
{
    return QStringList{QString::fromUtf8(PngFilter), QString::fromUtf8(SvgFilter), QString::fromUtf8(PdfFilter)}.join(
        QStringLiteral(";;"));
}

TExportPicture::TExportPicture(TForm1& form, TExportSeams seams) : QObject(&form), form_(form)
{
    seams_.runSaveDialog = DefaultSaveDialog;
    seams_.showError = DefaultShowError;
    setSeams(std::move(seams));
    action_ = new QAction(QStringLiteral("Export &picture..."), &form);
    action_->setObjectName(QStringLiteral("miExportPicture"));
    action_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    form.ui->menuFile->insertAction(form.ui->miSaveLimits, action_);
    connect(action_, &QAction::triggered, this, &TExportPicture::miExportPictureClick);
}

void TExportPicture::setSeams(TExportSeams seams)
{
    if (seams.runSaveDialog)
        seams_.runSaveDialog = std::move(seams.runSaveDialog);
    if (seams.showError)
        seams_.showError = std::move(seams.showError);
}

void TExportPicture::miExportPictureClick()
{
    if (form_.reading())
        return;
    QString folder = lastFolder_;
    if (folder.isEmpty()) {
        const QString data = FromPath(Global().DataFolder);
        folder = QFileInfo(data).isDir() ? data : QDir::homePath();
    }
    const std::filesystem::path log = form_.session().path();
    const QString name = log.empty() ? QStringLiteral("plot") : FromPath(log.stem());
    const QString path = seams_.runSaveDialog(&form_, QDir(folder).filePath(name + QStringLiteral(".png")),
                                              ExportPictureFilter());
    if (path.isEmpty())
        return;
    lastFolder_ = QFileInfo(path).absolutePath();
    exportTo(path);
}

bool TExportPicture::exportTo(const QString& path)
{
    const std::optional<PictureFormat> format = PictureFormatFor(ToPath(path));
    if (!format) {
        seams_.showError(&form_, QStringLiteral("Cannot export the picture to %1: the name must end in .png, .svg "
                                                "or .pdf.")
                                     .arg(path));
        return false;
    }
    // A redraw held back while following is done first: the file shows what the screen will.
    form_.flushPendingRedraw();
    const TLogSession& session = form_.session();
    const QString title = QString::fromUtf8(QuantityCaption(session.verticalQuantity())) + QStringLiteral(" v ") +
                          QString::fromUtf8(QuantityCaption(session.horizontalQuantity()));
    std::string error;
    if (!SavePlotPicture(form_.Plot->Canvas, ToPath(path), *format, error, form_.Plot->PictureRatio(), title)) {
        seams_.showError(
            &form_, QStringLiteral("Cannot export the picture to %1: %2").arg(path, QString::fromStdString(error)));
        return false;
    }
    form_.ui->StatusPanel0->setText(QStringLiteral("Exported the picture to ") + path);
    form_.ui->StatusPanel1->clear();
    return true;
}

}  // namespace driftline
