#pragma once
// TAboutBox: the product's name, versions, maker and release date, the author's mail address
// (click: a mail with the session's debug and log files attached) and web address (click: the
// browser). One box exists for the whole run; it is shown without blocking the main window.
#include <QDialog>
#include <QString>

namespace Ui {
class TAboutBox;
}

namespace driftline {

class TAboutBox : public QDialog {
    Q_OBJECT

public:
    // webAddress without its scheme ("www.example.org/x"); mailAddress as it is to be shown.
    TAboutBox(QWidget* owner, const QString& webAddress, const QString& mailAddress);
    ~TAboutBox() override;

    // The build's version texts (empty when the build left one out).
    QString FileVersion;
    QString CompanyName;
    QString ProductName;
    QString Comments;
    QString ProductVersion;
    // True from the box's show event to its hide event: the plot read-out stays blank meanwhile.
    bool IsShowing = false;

    // Prepares the mail to the author: the existing ones of Global()'s DebugFilePath and
    // LogFilePath copied to a private folder and attached through xdg-email, or, without xdg-email,
    // a mailto: address with subject and body opened through the desktop. Blocks until xdg-email
    // returns, then removes the copies. True when xdg-email was run.
    bool lblAddressClick();
    // Opens "http://" + the web label's text in the desktop's browser.
    void lblWebSiteClick();
    void OKButtonClick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ReadVersionInfo();
    void FillLabels();

    Ui::TAboutBox* ui;
};

// The one about box, made by CreateAboutBox after Global() and the application exist; nullptr
// before that and after DestroyAboutBox.
TAboutBox* AboutBox();
void CreateAboutBox();
void DestroyAboutBox();

}  // namespace driftline
