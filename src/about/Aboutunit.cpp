#include "about/Aboutunit.h"

#include "Version.h"
#include "desktop/Shellunit.h"
#include "suite/Globalunit.h"
#include "suite/Mailunit.h"
#include "ui_Aboutunit.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QUrl>
#include <memory>

namespace driftline {

namespace {

std::unique_ptr<TAboutBox>& TheAboutBox()
{
    static std::unique_ptr<TAboutBox> box;
    return box;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* owner, const QString& webAddress, const QString& mailAddress)
    : QDialog(owner), ui(new Ui::TAboutBox)
{
    ui->setupUi(this);
    // The box lives for the whole run; it must not keep the program going once the main window
    // has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    ui->lblAddress->setText(mailAddress);
    ui->lblWebSite->setText(webAddress);
    ui->lblAddress->installEventFilter(this);
    ui->lblWebSite->installEventFilter(this);
    connect(ui->OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);
    ReadVersionInfo();
    FillLabels();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TAboutBox::~TAboutBox()
{
    delete ui;
}

void TAboutBox::ReadVersionInfo()
{
    // The build writes these texts into Version.h; there is no version resource to query here.
    FileVersion = QString::fromUtf8(version::FileVersion);
    ProductVersion = QString::fromUtf8(version::ProductVersion);
    CompanyName = QString::fromUtf8(version::CompanyName);
    ProductName = QString::fromUtf8(version::ProductName);
    Comments = QString::fromUtf8(version::Comments);
}

void TAboutBox::FillLabels()
{
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull())
        ui->IconImage->setPixmap(icon.pixmap(33, 33));
    // The version labels keep their design text and get the value appended.
    ui->lblFileVersion->setText(ui->lblFileVersion->text() + FileVersion);
    ui->lblProductVersion->setText(ui->lblProductVersion->text() + ProductVersion);
    ui->lblAuthor->setText(QStringLiteral("\u00A9 ") + CompanyName);
    ui->lblProductName->setText(ProductName);
    setWindowTitle(QStringLiteral("About ") + ProductName);
    ui->lblDate->setText(Comments);
    // Labels take the size of their text, from the left and top of the layout.
    for (QLabel* label : {ui->lblProductName, ui->lblFileVersion, ui->lblProductVersion, ui->lblAuthor, ui->lblAddress,
                          ui->lblWebSite, ui->lblDate})
        label->adjustSize();
}

void TAboutBox::showEvent(QShowEvent* event)
{
    IsShowing = true;
    QDialog::showEvent(event);
}

void TAboutBox::hideEvent(QHideEvent* event)
{
    IsShowing = false;
    QDialog::hideEvent(event);
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        auto* label = qobject_cast<QWidget*>(watched);
        if (mouse->button() == Qt::LeftButton && label && label->rect().contains(mouse->position().toPoint())) {
            if (watched == ui->lblAddress) {
                lblAddressClick();
                return true;
            }
            if (watched == ui->lblWebSite) {
                lblWebSiteClick();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutBox::OKButtonClick()
{
    close();
}

void TAboutBox::lblWebSiteClick()
{
    // The label's text exactly as shown, with the scheme put in front and nothing else changed.
    ShellOpenUrl(QUrl(QStringLiteral("http://") + ui->lblWebSite->text(), QUrl::TolerantMode));
}

bool TAboutBox::lblAddressClick()
{
    const TGlobal& global = Global();
    const QString subject = QGuiApplication::applicationDisplayName() + QStringLiteral(" ") + ProductVersion;
    const std::string recipient = ui->lblAddress->text().toStdString();
    const std::string program = FindOnPath("xdg-email");
    if (program.empty()) {
        // A mailto: address cannot carry files, so nothing is copied and the body says so.
        TMailDraft draft = PrepareMail({}, recipient, subject.toStdString());
        ShellOpenUrl(QUrl(QString::fromStdString(MailtoUrl(draft)), QUrl::StrictMode));
        RemoveMailDraft(draft);
        return false;
    }
    TMailDraft draft = PrepareMail({global.DebugFilePath, global.LogFilePath}, recipient, subject.toStdString());
    // The result is not examined: a mail that was cancelled or failed is not reported.
    std::string error;
    RunAndWait(program, XdgEmailArguments(draft), error);
    RemoveMailDraft(draft);
    return true;
}

TAboutBox* AboutBox()
{
    return TheAboutBox().get();
}

void CreateAboutBox()
{
    TheAboutBox() = std::make_unique<TAboutBox>(nullptr, QString::fromUtf8(version::WebAddress),
                                                QString::fromUtf8(version::MailAddress));
}

void DestroyAboutBox()
{
    TheAboutBox().reset();
}

}  // namespace driftline
