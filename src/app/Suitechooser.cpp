#include "app/Suitechooser.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace driftline {

namespace fs = std::filesystem;

namespace {

fs::path PathOf(const QString& folder)
{
    return fs::path(folder.toStdString());
}

}  // namespace

TSuiteChooser::TSuiteChooser(FolderPicker picker, QWidget* parent) : QDialog(parent), picker_(std::move(picker))
{
    setObjectName(QStringLiteral("SuiteChooser"));
    setWindowTitle(QStringLiteral("Choose the suite folder"));
    auto* layout = new QVBoxLayout(this);
    auto* explanation = new QLabel(QStringLiteral(
        "<p>Driftline shows the log files of a telescope controller's <b>suite folder</b>: a folder that holds "
        "the settings file <b>ZVK.ini</b> (site position, equinox, pointing limits) and a <b>Logs</b> folder "
        "with the controller's <tt>*.log</tt> files.</p>"
        "<p>Choose the suite folder your controller writes to, or create a new suite folder: it gets an empty "
        "Logs folder and a ZVK.ini holding the default settings, which you can edit to match your site.</p>"
        "<p>Driftline remembers the folder. Another suite can be named at any time with <tt>--root</tt>, and "
        "a log opened from a suite's Logs folder opens that suite.</p>"));
    explanation->setObjectName(QStringLiteral("lblExplanation"));
    explanation->setWordWrap(true);
    layout->addWidget(explanation);
    lblProblem_ = new QLabel(this);
    lblProblem_->setObjectName(QStringLiteral("lblProblem"));
    lblProblem_->setWordWrap(true);
    lblProblem_->setStyleSheet(QStringLiteral("color: #b00000"));
    lblProblem_->hide();
    layout->addWidget(lblProblem_);

    auto* buttons = new QDialogButtonBox(this);
    btnExisting_ = buttons->addButton(QStringLiteral("Use an &existing suite..."), QDialogButtonBox::ActionRole);
    btnExisting_->setObjectName(QStringLiteral("btnExisting"));
    btnCreate_ = buttons->addButton(QStringLiteral("&Create a new suite..."), QDialogButtonBox::ActionRole);
    btnCreate_->setObjectName(QStringLiteral("btnCreate"));
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(btnExisting_, &QPushButton::clicked, this, &TSuiteChooser::chooseExisting);
    connect(btnCreate_, &QPushButton::clicked, this, &TSuiteChooser::createNew);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(520, sizeHint().height());
}

QString TSuiteChooser::problem() const
{
    return lblProblem_->isHidden() ? QString() : lblProblem_->text();
}

void TSuiteChooser::refuse(const QString& text)
{
    lblProblem_->setText(text);
    lblProblem_->show();
}

void TSuiteChooser::chooseExisting()
{
    const QString folder = picker_(this, QStringLiteral("Choose the suite folder (the one holding ZVK.ini)"),
                                   QDir::homePath());
    if (folder.isEmpty())
        return;
    fs::path root = PathOf(folder);
    // Picking the Logs folder of a suite is picking that suite.
    if (!IsSuiteFolder(root) && root.filename() == "Logs" && IsSuiteFolder(root.parent_path()))
        root = root.parent_path();
    if (!IsSuiteFolder(root)) {
        refuse(QStringLiteral("%1 holds no ZVK.ini, so it is not a suite folder. Choose the folder that holds "
                              "ZVK.ini and Logs, or create a new suite.")
                   .arg(folder));
        return;
    }
    chosenRoot_ = root;
    accept();
}

void TSuiteChooser::createNew()
{
    const QString folder = picker_(this, QStringLiteral("Choose or make an empty folder for the new suite"),
                                   QDir::homePath());
    if (folder.isEmpty())
        return;
    std::string error;
    if (!CreateSuite(PathOf(folder), error)) {
        refuse(QStringLiteral("Cannot create a suite in %1: %2").arg(folder, QString::fromStdString(error)));
        return;
    }
    chosenRoot_ = PathOf(folder);
    accept();
}

TSuiteChooser::FolderPicker SystemFolderPicker()
{
    return [](QWidget* parent, const QString& caption, const QString& start) {
        return QFileDialog::getExistingDirectory(parent, caption, start);
    };
}

TSuiteQuestion DialogSuiteQuestion()
{
    return [] {
        TSuiteChooser chooser(SystemFolderPicker());
        return chooser.exec() == QDialog::Accepted ? chooser.chosenRoot() : fs::path();
    };
}

fs::path ViewerSuiteRoot(const TRootInputs& inputs, const TSuiteQuestion& question, const fs::path& configFile,
                         std::string* rememberProblem)
{
    const TRootChoice choice = ChooseSuiteRoot(inputs);
    if (choice.source != TRootSource::None)
        return choice.root;
    const fs::path answer = question ? question() : fs::path();
    if (answer.empty())
        return {};
    std::string error;
    if (!RememberSuiteRoot(configFile, fs::absolute(answer), error) && rememberProblem)
        *rememberProblem = error;
    return answer;
}

}  // namespace driftline
