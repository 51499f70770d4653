// The file-type dialog and the save commands of the window.
#include "analysis/ui/Saveunit.h"

#include "analysis/Limitswriter.h"
#include "analysis/Selectionwriter.h"
#include "suite/Inifile.h"
#include "ui_Saveunit.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace driftline {

TSaveForm::TSaveForm(QWidget* owner, std::filesystem::path iniFile)
    : QDialog(owner), ui_(std::make_unique<Ui::TSaveForm>()), iniFile_(std::move(iniFile))
{
    ui_->setupUi(this);
    const QString title = QApplication::applicationDisplayName();
    setWindowTitle(title.isEmpty() ? QStringLiteral("Driftline") : title);
    setFixedSize(298, 167);
    group_ = new QButtonGroup(this);
    group_->addButton(ui_->rbCommaSeparated, SaveCommaSeparated);
    group_->addButton(ui_->rbSpaceSeparated, SaveSpaceSeparated);
    group_->addButton(ui_->rbBinary, SaveBinary);
    group_->addButton(ui_->rbFits, SaveFits);
    connect(ui_->btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    SetItemIndex(ReadIniInt(iniFile_, SaveSettingsSection, FileTypeKey, 0));
}

TSaveForm::~TSaveForm()
{
    // A settings file that cannot be written loses the choice silently, like every other setting.
    std::string error;
    WriteIniSection(iniFile_, SaveSettingsSection, {{FileTypeKey, std::to_string(ItemIndex())}}, error);
}

int TSaveForm::ItemIndex() const
{
    return group_->checkedId();
}

void TSaveForm::SetItemIndex(int index)
{
    if (index < 0) {
        // An exclusive group keeps one button checked; let go of it to clear the choice.
        group_->setExclusive(false);
        for (auto* button : group_->buttons())
            button->setChecked(false);
        group_->setExclusive(true);
        return;
    }
    group_->button(index < SaveFileTypeCount ? index : SaveFileTypeCount - 1)->setChecked(true);
}

QGroupBox* TSaveForm::rgFileType() const
{
    return ui_->rgFileType;
}

QPushButton* TSaveForm::btnOk() const
{
    return ui_->btnOk;
}

QPushButton* TSaveForm::btnCancel() const
{
    return ui_->btnCancel;
}

QString DialogFilter(const char* filter)
{
    const QStringList parts = QString::fromUtf8(filter).split(QLatin1Char('|'));
    QStringList descriptions;
    for (int i = 0; i < parts.size(); i += 2)
        descriptions << parts[i];
    return descriptions.join(QStringLiteral(";;"));
}

SaveSeams DefaultSaveSeams()
{
    SaveSeams seams;
    seams.runFormatDialog = [](TSaveForm& form) { return form.exec() == QDialog::Accepted; };
    seams.runSaveDialogIn = [](QWidget* parent, const QString& filter, const QString& defaultSuffix,
                               const QString& folder) {
        QFileDialog dialog(parent, QString(), folder, filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(defaultSuffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return dialog.selectedFiles().first();
    };
    seams.showError = [](QWidget* parent, const QString& title, const QString& text) {
        QMessageBox::warning(parent, title, text);
    };
    return seams;
}

QString ChooseSaveFolder(const QString& lastFolder, const QString& dataFolder, const QString& logsFolder,
                         const std::function<bool(const QString&)>& isFolder)
{
    for (const QString& folder : {lastFolder, dataFolder, logsFolder})
        if (!folder.isEmpty() && isFolder(folder))
            return folder;
    return {};
}

TSaveCommands::TSaveCommands(QWidget* window, std::filesystem::path iniFile, SaveSeams replacements)
    : seams(std::move(replacements)), window_(window), iniFile_(std::move(iniFile)),
      filter_(QStringLiteral("Comma separated file(*.csv)"))
{}

TSaveCommands::~TSaveCommands()
{
    delete form_.data();
}

bool TSaveCommands::WriteChecked(const QString& path,
                                 const std::function<bool(const std::filesystem::path&, std::string&)>& write)
{
    std::string error;
    if (write(std::filesystem::path(path.toStdString()), error))
        return true;
    // A save that did not happen must not look like one that did.
    const QString title = window_ ? window_->windowTitle() : QStringLiteral("Driftline");
    seams.showError(window_, title.isEmpty() ? QStringLiteral("Driftline") : title,
                    QStringLiteral("Cannot save %1: %2").arg(path, QString::fromStdString(error)));
    return false;
}

QString TSaveCommands::saveFolder() const
{
    if (!lastFolderRead_) {
        lastFolderRead_ = true;
        const std::string kept = TIniReader(iniFile_).String(SaveSettingsSection, SaveFolderKey, "");
        lastFolder_ = QFile::decodeName(QByteArray::fromStdString(kept));
    }
    const auto name = [](const std::filesystem::path& p) {
        return QFile::decodeName(QByteArray::fromStdString(p.string()));
    };
    return ChooseSaveFolder(lastFolder_, dataFolder.empty() ? QString() : name(dataFolder),
                            logsFolder.empty() ? QString() : name(logsFolder),
                            [](const QString& folder) { return QFileInfo(folder).isDir(); });
}

QString TSaveCommands::RunSaveDialog(const QString& suffix)
{
    const QString path = seams.runSaveDialog ? seams.runSaveDialog(window_, filter_, suffix)
                                             : seams.runSaveDialogIn(window_, filter_, suffix, saveFolder());
    if (path.isEmpty())
        return path;
    const QString folder = QFileInfo(path).absolutePath();
    saveFolder();  // the kept folder is read before it is replaced
    if (folder != lastFolder_) {
        lastFolder_ = folder;
        // A settings file that cannot be written loses the folder silently, like the file type.
        std::string error;
        WriteIniSection(iniFile_, SaveSettingsSection, {{SaveFolderKey, QFile::encodeName(folder).toStdString()}},
                        error);
    }
    return path;
}

bool TSaveCommands::tbSaveClick(const PlottedPoints& points, const TFitsSelection* fits)
{
    if (!form_)
        form_ = new TSaveForm(window_, iniFile_);
    if (!seams.runFormatDialog(*form_))
        return false;
    const int fileType = form_->ItemIndex();
    if (fileType < 0 || fileType >= SaveFileTypeCount)
        return false;
    filter_ = DialogFilter(SaveFilters[fileType]);
    // Binary data named ".csv" would mislead every program that opens it.
    const QString path = RunSaveDialog(QString::fromLatin1(SaveExtensions[fileType]));
    if (path.isEmpty())
        return false;
    const bool saved = WriteChecked(path, [&](const std::filesystem::path& target, std::string& error) {
        if (fileType == SaveFits) {
            if (fits == nullptr) {
                error = "nothing describes the table";
                return false;
            }
            return WriteFitsSelection(target, points, *fits, error);
        }
        return WriteSelection(target, points, fileType, error);
    });
    if (saved && seams.confirm)
        seams.confirm(QStringLiteral("Saved %1 points to %2").arg(points.size()).arg(path));
    return saved;
}

bool TSaveCommands::miSaveLimitsClick(const SampleView& voltageSamples, const SampleView& allSamples)
{
    filter_ = DialogFilter(LimitsFilter);
    const QString path = RunSaveDialog(QString::fromLatin1(SaveDefaultExtension));
    if (path.isEmpty())
        return false;
    return WriteChecked(path, [&](const std::filesystem::path& target, std::string& error) {
        return WriteLimitsReport(target, voltageSamples, allSamples, error);
    });
}

}  // namespace driftline
