#pragma once
// The question the viewer asks when no suite folder is known (an installed viewer at its first
// start): use an existing suite folder, or create a new one with an empty Logs folder and a
// ZVK.ini holding the default settings. The folder dialog is passed in, so tests can answer it.
#include "suite/Suiteroot.h"

#include <QDialog>
#include <QString>

#include <filesystem>
#include <functional>

class QLabel;
class QPushButton;

namespace driftline {

class TSuiteChooser : public QDialog {
    Q_OBJECT

public:
    // Asks for a folder (caption, folder to start in); returns "" when the user cancels.
    using FolderPicker = std::function<QString(QWidget* parent, const QString& caption, const QString& start)>;

    explicit TSuiteChooser(FolderPicker picker, QWidget* parent = nullptr);
    // The suite folder chosen or created; empty until the dialog is accepted.
    std::filesystem::path chosenRoot() const { return chosenRoot_; }
    // Why the last choice was not taken ("" when none was refused).
    QString problem() const;

    QPushButton* existingButton() const { return btnExisting_; }
    QPushButton* createButton() const { return btnCreate_; }

public slots:
    void chooseExisting();
    void createNew();

private:
    void refuse(const QString& text);

    FolderPicker picker_;
    std::filesystem::path chosenRoot_;
    QLabel* lblProblem_;
    QPushButton* btnExisting_;
    QPushButton* btnCreate_;
};

// The real folder dialog (QFileDialog, folders only).
TSuiteChooser::FolderPicker SystemFolderPicker();

// Asks for a suite; returns the folder, or empty when the user declined.
using TSuiteQuestion = std::function<std::filesystem::path()>;
// The question with TSuiteChooser and the real folder dialog.
TSuiteQuestion DialogSuiteQuestion();

// The viewer's suite root: the root rule over inputs, else the answer to question, which is then
// remembered in configFile (a failure to remember is told in rememberProblem, the answer still
// counts). Empty when no suite is known and the user chose none.
std::filesystem::path ViewerSuiteRoot(const TRootInputs& inputs, const TSuiteQuestion& question,
                                      const std::filesystem::path& configFile, std::string* rememberProblem = nullptr);

}  // namespace driftline
