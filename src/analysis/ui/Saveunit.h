#pragma once
// Saving from the window: TSaveForm, the small dialog that picks the file type, and the two save
// commands (the selection and the maxima and minima) with their dialogs behind replaceable seams.
#include "analysis/Fitswriter.h"
#include "logdata/Samplestore.h"
#include "plot/AxisScale.h"

#include <QDialog>
#include <QPointer>
#include <QString>

#include <filesystem>
#include <functional>
#include <memory>

class QButtonGroup;
class QGroupBox;
class QPushButton;
namespace Ui {
class TSaveForm;
}

namespace driftline {

// The settings section and key that remember the chosen file type across runs.
inline constexpr const char* SaveSettingsSection = "Driftline";
inline constexpr const char* FileTypeKey = "FileType";
// The key that remembers the folder of the last file saved.
inline constexpr const char* SaveFolderKey = "Save folder";

// The folder a save dialog opens in: the folder of the last file saved while it is still a
// folder, else the suite's Data folder, else its Logs folder; empty (the dialog's own choice)
// when none of them is there. isFolder tells whether a path names an existing folder.
QString ChooseSaveFolder(const QString& lastFolder, const QString& dataFolder, const QString& logsFolder,
                         const std::function<bool(const QString&)>& isFolder);

// The file-type dialog: a fixed-size dialog captioned with the application's title, the radio
// group rgFileType and the buttons "&Ok" and "&Cancel". On creation it reads "FileType" (default
// 0) from iniFile; when destroyed it writes the item index back.
class TSaveForm : public QDialog {
    Q_OBJECT
public:
    TSaveForm(QWidget* owner, std::filesystem::path iniFile);
    ~TSaveForm() override;

    // The checked item of rgFileType, -1 when none is.
    int ItemIndex() const;
    // Checks item index: beyond the last item checks the last one, negative checks none.
    void SetItemIndex(int index);

    QGroupBox* rgFileType() const;
    QPushButton* btnOk() const;
    QPushButton* btnCancel() const;

private:
    std::unique_ptr<Ui::TSaveForm> ui_;
    QButtonGroup* group_ = nullptr;
    std::filesystem::path iniFile_;
};

// The dialogs of the save commands. Tests replace them; the defaults are the real dialogs.
struct SaveSeams {
    // Shows the file-type dialog modally; true for the OK result.
    std::function<bool(TSaveForm& form)> runFormatDialog;
    // Shows the save dialog with a filter in the toolkit's form and the default extension, opened
    // in folder; the chosen path, or an empty text when cancelled.
    std::function<QString(QWidget* parent, const QString& filter, const QString& defaultSuffix, const QString& folder)>
        runSaveDialogIn;
    // When set, answers in place of runSaveDialogIn without being told the folder (tests that
    // only choose a file).
    std::function<QString(QWidget* parent, const QString& filter, const QString& defaultSuffix)> runSaveDialog;
    // Reports a save that failed.
    std::function<void(QWidget* parent, const QString& title, const QString& text)> showError;
    // Confirms a save that succeeded ("Saved N points to FILE"); nothing when empty.
    std::function<void(const QString& text)> confirm;
};

// The real dialogs: TSaveForm::exec, a save-mode file dialog, a warning box.
SaveSeams DefaultSaveSeams();

// A filter "description|pattern|description|pattern" in the toolkit's form "description;;description".
QString DialogFilter(const char* filter);

// The save commands of the main window, which owns one of these for the whole run.
class TSaveCommands {
public:
    TSaveCommands(QWidget* window, std::filesystem::path iniFile, SaveSeams seams = DefaultSaveSeams());
    // Destroys the file-type dialog when it was created, which writes "FileType".
    ~TSaveCommands();
    TSaveCommands(const TSaveCommands&) = delete;
    TSaveCommands& operator=(const TSaveCommands&) = delete;

    // tbSaveClick (tool button and "Save &As..."): file type, then file name, then the file.
    // fits gives the quantities and header of a FITS table (null: the FITS type cannot be saved).
    // Returns true when a file was written.
    bool tbSaveClick(const PlottedPoints& points, const TFitsSelection* fits = nullptr);
    // miSaveLimitsClick: file name, then the report over both lists. True when written.
    bool miSaveLimitsClick(const SampleView& voltageSamples, const SampleView& allSamples);

    // The file-type dialog, null before the first save.
    TSaveForm* saveForm() const { return form_.data(); }
    // The save dialog's filter as last set (toolkit form).
    const QString& saveFilter() const { return filter_; }
    // The folder the next save dialog opens in (ChooseSaveFolder over the last folder saved to,
    // remembered across runs under SaveFolderKey, and the two folders below).
    QString saveFolder() const;

    SaveSeams seams;
    // The suite's folders the dialog falls back on.
    std::filesystem::path dataFolder;
    std::filesystem::path logsFolder;

private:
    // The save dialog in saveFolder(); a chosen file's folder is remembered.
    QString RunSaveDialog(const QString& suffix);
    bool WriteChecked(const QString& path,
                      const std::function<bool(const std::filesystem::path&, std::string&)>& write);

    QWidget* window_;
    std::filesystem::path iniFile_;
    QPointer<TSaveForm> form_;
    QString filter_;
    mutable bool lastFolderRead_ = false;
    mutable QString lastFolder_;
};

}  // namespace driftline
