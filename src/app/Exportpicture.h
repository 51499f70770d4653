#pragma once
// File, "Export picture...": the plot as it stands on screen (with a fitted curve when one is
// shown, without the zoom band or the read-out marker) written as PNG, SVG or PDF, chosen by the
// file's extension. PNG is the picture at the screen's device pixel ratio (the classic bitmap at
// ratio 1); SVG and PDF draw the same lines as paths and the labels as text. Lives beside the
// main window, which only builds it.
#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QWidget;

namespace driftline {

class TForm1;

// The command's ways to the user, replaceable so tests can answer for the user.
struct TExportSeams {
    // The save dialog, opened on suggested (a folder and file name) with the filter; the chosen
    // path, or an empty text on Cancel.
    std::function<QString(QWidget* parent, const QString& suggested, const QString& filter)> runSaveDialog;
    // A failure (an unknown extension, a file that cannot be written).
    std::function<void(QWidget* parent, const QString& text)> showError;
};

// The save dialog's filter: the three formats, PNG first.
QString ExportPictureFilter();

class TExportPicture : public QObject {
    Q_OBJECT
public:
    // Adds "Export &picture..." (Ctrl+E) to the main window's File menu, after "Save As...".
    explicit TExportPicture(TForm1& form, TExportSeams seams = {});

    QAction* action() const { return action_; }
    // Replaces the ways to the user; empty members keep the defaults.
    void setSeams(TExportSeams seams);

    // Writes the picture on screen to path in the format its extension names; the status bar
    // confirms, a failure is reported. True when the file was written.
    bool exportTo(const QString& path);

public slots:
    // The command: the save dialog (in the folder used last, else the suite's Data folder), then
    // exportTo.
    void miExportPictureClick();

private:
    TForm1& form_;
    TExportSeams seams_;
    QAction* action_ = nullptr;
    QString lastFolder_;
};

}  // namespace driftline
