// TForm1: settings, reading a log in the window, and the plot interaction.
#include "app/Mainunit.h"

#include "about/Aboutunit.h"
#include "analysis/ui/Fitdraw.h"
#include "analysis/ui/Polunit.h"
#include "analysis/ui/Saveunit.h"
#include "app/Controllerlink.h"
#include "app/Exportpicture.h"
#include "app/Helpunit.h"
#include "app/Nearestreadout.h"
#include "app/Correctionedit.h"
#include "app/Plotgestures.h"
#include "app/Progressunit.h"
#include "app/Recentfiles.h"
#include "app/Transitcommand.h"
#include "app/Windowgeometry.h"
#include "desktop/Shellunit.h"
#include "logdata/Logfollower.h"
#include "logdata/Logreader.h"
#include "plot/QuantityText.h"
#include "plot/canvas/Drawview.h"
#include "plot/canvas/Plotrender.h"
#include "plot/ui/Plotunit.h"
#include "astro/Sitesettings.h"
#include "suite/Globalunit.h"
#include "suite/Inifile.h"
#include "suite/Controllerprotocol.h"
#include "suite/Listfiles.h"
#include "Version.h"

#include "ui_Mainunit.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSocketNotifier>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

// The tool-bar icons are compiled into the static UI library, whose resources are registered
// only when asked for by name (from the global namespace).
static void InitDriftlineResources()
{
    Q_INIT_RESOURCE(driftline);
}

namespace driftline {

namespace {

constexpr const char* OpenDialogTitle = "Choose log file";
constexpr const char* OpenDialogFilter = "Log files (*.log);;Any (*.*)";

// Defaults of the viewer's settings (first start, or a missing or malformed key).
constexpr int DefaultTop = 100;
constexpr int DefaultLeft = 100;
constexpr int DefaultHorizontal = Time;
constexpr int DefaultVertical = Azimuth;
constexpr bool DefaultVoltsOnly = false;
constexpr int DefaultCoeffNo = 4;
constexpr bool DefaultFollow = false;
constexpr bool DefaultGridValues = false;
// The window's width at its design size: the plot's 600 pixels beside the control panel.
constexpr int DesignWidth = 795;

// New samples reach the plot at most this long after their line is complete; full redraws (when
// the scales change) come at most this often.
constexpr int FullRedrawIntervalMs = 250;

QString DefaultOpenFile(QWidget* parent, const QString& title, const QString& folder, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, title, folder, filter);
}

void DefaultMessage(QWidget* parent, const QString& text, bool error)
{
    const QString caption = QStringLiteral("Driftline");
    if (error)
        QMessageBox::critical(parent, caption, text);
    else
        QMessageBox::information(parent, caption, text);
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

TForm1::TForm1(QWidget* parent, TFormSeams seams)
    : QMainWindow(parent), ui(std::make_unique<Ui::TForm1>()), seams_(std::move(seams)),
      session_(std::make_unique<TLogSession>(DefaultPlotWidth, DefaultPlotHeight))
{
    if (!seams_.openFile)
        seams_.openFile = DefaultOpenFile;
    if (!seams_.message)
        seams_.message = DefaultMessage;

    InitDriftlineResources();
    ui->setupUi(this);
    // Minimise and maximise boxes: the plot follows the window's size.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Driftline"));

    const QList<QAbstractButton*> horizontalItems = {ui->rbHorizontal0, ui->rbHorizontal1, ui->rbHorizontal2,
                                                     ui->rbHorizontal3, ui->rbHorizontal4, ui->rbHorizontal5,
                                                     ui->rbHorizontal6, ui->rbHorizontal7};
    const QList<QAbstractButton*> verticalItems = {ui->rbVertical0, ui->rbVertical1, ui->rbVertical2, ui->rbVertical3,
                                                   ui->rbVertical4, ui->rbVertical5, ui->rbVertical6, ui->rbVertical7};
    for (int q = 0; q < QuantityCount; ++q) {
        ui->bgHorizontal->setId(horizontalItems[q], q);
        ui->bgVertical->setId(verticalItems[q], q);
    }

    // Following: File, "Open latest log" below "Open ..."; View, "Follow log" below the volts item.
    miOpenLatest = new QAction(QStringLiteral("Open &latest log"), this);
    miOpenLatest->setObjectName(QStringLiteral("miOpenLatest"));
    ui->menuFile->insertAction(ui->miSaveAs, miOpenLatest);
    recentFiles = new TRecentFilesMenu(
        ui->menuFile, ui->miSaveAs, SettingsPath(), SettingsSection,
        [this](const QString& path) {
            if (!reading_)
                openChosenFile(path);
        },
        [this](const QString& text) { ShowMessage(text, false); });
    miFollow = new QAction(QStringLiteral("&Follow log"), this);
    miFollow->setObjectName(QStringLiteral("miFollow"));
    miFollow->setCheckable(true);
    miFollow->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    ui->menuView->addAction(miFollow);
    lblFollow = new QLabel(ui->StatusBar);
    lblFollow->setObjectName(QStringLiteral("lblFollow"));
    lblFollow->setFrameShape(QFrame::Panel);
    lblFollow->setFrameShadow(QFrame::Sunken);
    lblFollow->setAlignment(Qt::AlignCenter);
    lblFollow->hide();
    ui->statusLayout->insertWidget(2, lblFollow);
    followClock_ = new QTimer(this);
    followClock_->setSingleShot(true);
    connect(followClock_, &QTimer::timeout, this, &TForm1::followLook);
    redrawClock_ = new QTimer(this);
    redrawClock_->setSingleShot(true);
    connect(redrawClock_, &QTimer::timeout, this, &TForm1::Redraw);
    ui->miTextEditor->setEnabled(false);
    BuildPositionsMenu();
    ReadSettings();
    ui->lblCaption->setText(QStringLiteral("Version ") + QString::fromUtf8(version::ProductVersion));
    for (QLabel* label : {ui->lblDCGain, ui->lblTimerInterval, ui->lblIFGain, ui->lblIntegration, ui->lblOffset})
        label->clear();
    ui->edAzCorr->setText(QStringLiteral(" - "));
    ui->edAltCorr->setText(QStringLiteral(" - "));

    Plot = new TPlot(ui->pnlPlot, PlotRect(0, 0, DefaultPlotWidth, DefaultPlotHeight));
    Plot->setObjectName(QStringLiteral("Plot"));
    ui->plotLayout->addWidget(Plot);
    SetUpPlot(Plot->Canvas);
    Plot->Canvas.UseColours(Plot->Colours);
    Plot->Canvas.Clear();
    Plot->Show();
    ShowCaptionColour();
    connect(Plot, &TPlot::plotResized, this, &TForm1::PlotResized);
    connect(Plot, &TPlot::plotColoursChanged, this, &TForm1::PlotColoursChanged);
    connect(ui->miGridValues, &QAction::toggled, this, &TForm1::miGridValuesClick);
    connect(Plot, &TPlot::plotMouseDown, this, &TForm1::PlotMouseDown);
    connect(Plot, &TPlot::plotMouseMove, this, &TForm1::PlotMouseMove);
    connect(Plot, &TPlot::plotMouseUp, this, &TForm1::PlotMouseUp);
    plotGestures = new TPlotGestures(Plot, [this](const auto& step) { return ViewStep(step); });

    connect(miOpenLatest, &QAction::triggered, this, &TForm1::openLatestLog);
    connect(miFollow, &QAction::triggered, this, &TForm1::miFollowClick);

    connect(ui->miOpen, &QAction::triggered, this, &TForm1::miOpenClick);
    connect(ui->tbOpen, &QToolButton::clicked, this, &TForm1::miOpenClick);
    connect(ui->miExit, &QAction::triggered, this, &TForm1::miExitClick);
    connect(ui->tbUndo, &QToolButton::clicked, this, &TForm1::tbUndoClick);
    connect(ui->tbExpand, &QToolButton::clicked, this, &TForm1::tbExpandClick);
    connect(ui->btnRefresh, &QPushButton::clicked, this, &TForm1::btnRefreshClick);
    connect(ui->miVolts, &QAction::triggered, this, &TForm1::VoltsTriggered);
    connect(ui->bgHorizontal, &QButtonGroup::idClicked, this, &TForm1::AxisClicked);
    connect(ui->bgVertical, &QButtonGroup::idClicked, this, &TForm1::AxisClicked);
    connect(ui->edAzCorr, &QLineEdit::textChanged, this, &TForm1::edAzCorrChange);
    connect(ui->edAltCorr, &QLineEdit::textChanged, this, &TForm1::edAltCorrChange);
    azCorrEdit_ = new TCorrectionEdit(ui->edAzCorr);
    altCorrEdit_ = new TCorrectionEdit(ui->edAltCorr);
    for (QLineEdit* edit : {ui->edAzCorr, ui->edAltCorr})
        connect(edit, &QLineEdit::returnPressed, this, [this] { CheckCorrections(); });

    // Fit, save and the maxima and minima.
    InstallPolyFitMessageBox(this);
    saveCommands = std::make_unique<TSaveCommands>(this, SettingsPath());
    saveCommands->dataFolder = Global().DataFolder;
    saveCommands->logsFolder = Global().LogsFolder;
    // The status bar confirms a save until the pointer next reads out a position.
    saveCommands->seams.confirm = [this](const QString& text) {
        ui->StatusPanel0->setText(text);
        ui->StatusPanel1->clear();
    };
    connect(ui->miFit, &QAction::triggered, this, &TForm1::miFitClick);
    connect(ui->tbSave, &QToolButton::clicked, this, &TForm1::tbSaveClick);
    connect(ui->miSaveAs, &QAction::triggered, this, &TForm1::tbSaveClick);
    connect(ui->miSaveLimits, &QAction::triggered, this, &TForm1::miSaveLimitsClick);
    transitCommand = new TTransitCommand(*this);
    exportPicture = new TExportPicture(*this);

    // Text editor, help (menu and F1) and the about box.
    connect(ui->miTextEditor, &QAction::triggered, this, &TForm1::miTextEditorClick);
    connect(ui->miHelp, &QAction::triggered, this, &TForm1::miHelpClick);
    connect(ui->miAbout, &QAction::triggered, this, &TForm1::miAboutClick);
    InstallHelpShortcut(this);
    // The desktop's usual keys for the commands a user reaches for most.
    ui->miOpen->setShortcut(QKeySequence::Open);
    ui->miSaveAs->setShortcut(QKeySequence::Save);
    const auto addShortcut = [this](const QKeySequence& keys, auto handler) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, handler);
    };
    addShortcut(QKeySequence::Undo, [this] {
        if (ui->tbUndo->isEnabled())
            tbUndoClick();
    });
    addShortcut(QKeySequence(Qt::Key_Home), [this] {
        if (ui->tbExpand->isEnabled())
            tbExpandClick();
    });
    addShortcut(QKeySequence(Qt::Key_F5), [this] {
        if (ui->btnRefresh->isEnabled())
            btnRefreshClick();
    });
    addShortcut(QKeySequence(Qt::Key_Escape), [this] { CancelZoomDrag(); });
    aboutBoxShowing = [] { return AboutBox() != nullptr && AboutBox()->IsShowing; };

    // The controller: "LogFile Index" opens a log as the open dialog would, without enabling
    // Refresh; a close request of the window system tells it we are going.
    controllerLink = new TControllerLink(this);
    if (!controllerLink->listen())
        std::fprintf(stderr, "driftline: controller link: %s\n", qPrintable(controllerLink->errorString()));
    connect(controllerLink, &TControllerLink::openLogFileRequested, this,
            [this](const QString& path) { openLogFileForController(path); });
    connect(controllerLink, &TControllerLink::openRefused, this, &TForm1::ShowStatusMessage);
    onCloseRequest = [this] { controllerLink->PostQuitting(); };

    for (QWidget* w : {static_cast<QWidget*>(centralWidget()), ui->StatusBar, ui->pnlControl, ui->ToolBar1}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
    ScaleControlPanel();
    RestoreWindowGeometry();
}

TForm1::~TForm1()
{
    WriteSettings();
    // Writes "FileType" when a save was started in this run, through the same settings writer.
    saveCommands.reset();
}

std::filesystem::path TForm1::SettingsPath()
{
    return Global().IniFilePath;
}

void TForm1::ReadSettings()
{
    const TIniReader ini(SettingsPath());
    int horizontal = ini.Int(SettingsSection, "Horizontal", DefaultHorizontal);
    int vertical = ini.Int(SettingsSection, "Vertical", DefaultVertical);
    if (horizontal < 0 || horizontal >= QuantityCount)
        horizontal = DefaultHorizontal;
    if (vertical < 0 || vertical >= QuantityCount)
        vertical = DefaultVertical;
    ui->bgHorizontal->button(horizontal)->setChecked(true);
    ui->bgVertical->button(vertical)->setChecked(true);
    {
        const QSignalBlocker blocker(ui->miVolts);
        ui->miVolts->setChecked(ini.Bool(SettingsSection, "Volts only", DefaultVoltsOnly));
    }
    ui->seCoeff->setValue(ini.Int(SettingsSection, "Coeff No", DefaultCoeffNo));
    miFollow->setChecked(ini.Bool(SettingsSection, "Follow log", DefaultFollow));
    {
        const QSignalBlocker blocker(ui->miGridValues);
        ui->miGridValues->setChecked(ini.Bool(SettingsSection, "Grid values", DefaultGridValues));
    }
    session_->setGridValues(ui->miGridValues->isChecked());
    SyncViewQuantities();
    positionSettings_ = ReadPositionSettings(ini, SettingsSection);
    session_->setFrameSite(FrameSite(SiteFromSettings(Global()), positionSettings_));
    ShowFrame();
}

void TForm1::BuildPositionsMenu()
{
    QMenu* positions = ui->menuView->addMenu(QStringLiteral("&Positions"));
    positions->setObjectName(QStringLiteral("menuPositions"));
    auto* group = new QActionGroup(this);
    miFrameClassic = positions->addAction(QString::fromUtf8(FrameCaption(TPositionFrame::Classic)));
    miFrameClassic->setObjectName(QStringLiteral("miFrameClassic"));
    miFrameIcrs = positions->addAction(QString::fromUtf8(FrameCaption(TPositionFrame::Icrs)));
    miFrameIcrs->setObjectName(QStringLiteral("miFrameIcrs"));
    for (QAction* item : {miFrameClassic, miFrameIcrs}) {
        item->setCheckable(true);
        group->addAction(item);
    }
    connect(miFrameClassic, &QAction::triggered, this, [this] { SetFrame(TPositionFrame::Classic); });
    connect(miFrameIcrs, &QAction::triggered, this, [this] { SetFrame(TPositionFrame::Icrs); });

    // The frame's panel sits at the right end of the status bar, hidden in the classic frame.
    lblFrame = new QLabel(ui->StatusBar);
    lblFrame->setObjectName(QStringLiteral("lblFrame"));
    lblFrame->setFrameShape(QFrame::Panel);
    lblFrame->setFrameShadow(QFrame::Sunken);
    lblFrame->setAlignment(Qt::AlignCenter);
    lblFrame->hide();
    ui->statusLayout->addWidget(lblFrame);
}

void TForm1::ShowFrame()
{
    const bool icrs = positionSettings_.frame == TPositionFrame::Icrs;
    (icrs ? miFrameIcrs : miFrameClassic)->setChecked(true);
    lblFrame->setText(QString::fromUtf8(FrameCaption(positionSettings_.frame)));
    lblFrame->setVisible(icrs);
    FormResize();
}

void TForm1::SetFrame(TPositionFrame frame)
{
    frameChosen_ = true;
    const bool changed = positionSettings_.frame != frame;
    positionSettings_.frame = frame;
    session_->setFrameSite(FrameSite(SiteFromSettings(Global()), positionSettings_));
    ShowFrame();
    // The samples on show were derived in the other frame: derive them again, as Refresh does.
    if (changed && !reading_ && !session_->store().allRecords().empty())
        rebuildSamples();
}

void TForm1::WriteSettings()
{
    // A maximised window remembers the place it goes back to (its frame's corner, as pos()).
    const QPoint frameOffset = geometry().topLeft() - pos();
    const QRect placeToSave = isMaximized() ? QRect(normalGeometry().topLeft() - frameOffset, normalGeometry().size())
                                            : QRect(pos(), size());
    std::vector<std::pair<std::string, std::string>> keyValues = {
        {"Horizontal", std::to_string(horizontalQuantity())},
        {"Vertical", std::to_string(verticalQuantity())},
        {"Top", std::to_string(placeToSave.top())},
        {"Left", std::to_string(placeToSave.left())},
        {"Width", std::to_string(placeToSave.width())},
        {"Height", std::to_string(placeToSave.height())},
        {"Maximized", isMaximized() ? "1" : "0"},
        {"Volts only", ui->miVolts->isChecked() ? "1" : "0"},
        {"Coeff No", std::to_string(ui->seCoeff->value())},
        {"Follow log", miFollow->isChecked() ? "1" : "0"},
        {"Grid values", ui->miGridValues->isChecked() ? "1" : "0"},
    };
    if (frameChosen_)
        keyValues.emplace_back(FrameKey, positionSettings_.frame == TPositionFrame::Icrs ? "1" : "0");
    std::string error;
    if (!WriteIniSection(SettingsPath(), SettingsSection, keyValues, error))
        std::fprintf(stderr, "driftline: cannot write settings to %s: %s\n", SettingsPath().string().c_str(),
                     error.c_str());
}

Quantity TForm1::horizontalQuantity() const
{
    const int id = ui->bgHorizontal->checkedId();
    return id >= 0 ? static_cast<Quantity>(id) : static_cast<Quantity>(DefaultHorizontal);
}

Quantity TForm1::verticalQuantity() const
{
    const int id = ui->bgVertical->checkedId();
    return id >= 0 ? static_cast<Quantity>(id) : static_cast<Quantity>(DefaultVertical);
}

bool TForm1::positiveVoltageView() const
{
    return ui->miVolts->isChecked() && ui->miVolts->isEnabled();
}

void TForm1::SyncViewQuantities()
{
    session_->setAxes(horizontalQuantity(), verticalQuantity());
    session_->setPositiveVoltageView(positiveVoltageView());
}

void TForm1::ShowMessage(const QString& text, bool error)
{
    // A modal box during a controller's request would hold off every later request until OK.
    if (controllerRequest_) {
        ShowStatusMessage(text);
        return;
    }
    seams_.message(this, text, error);
}

void TForm1::ShowStatusMessage(const QString& text)
{
    ui->StatusPanel0->setText(text);
}

bool TForm1::openLogFileForController(const QString& path)
{
    controllerRequest_ = true;
    const bool opened = openControllerLog(path);
    controllerRequest_ = false;
    return opened;
}

// ------------------------------------------------------------------ reading a log file

void TForm1::miOpenClick()
{
    if (reading_)
        return;
    const QString folder = FromPath(Global().RootFolder / "Logs");
    const QString path = seams_.openFile(this, QString::fromUtf8(OpenDialogTitle), folder,
                                         QString::fromUtf8(OpenDialogFilter));
    if (path.isEmpty())
        return;
    openChosenFile(path);
}

void TForm1::openChosenFile(const QString& path)
{
    if (openLogFile(path))
        ui->btnRefresh->setEnabled(true);
}

void TForm1::BeginRead()
{
    // Commands that change the lists are held off while the progress dialog lets events run:
    // their handlers return at once while reading_ is set, and their controls are disabled.
    reading_ = true;
    if (controllerLink)
        controllerLink->setReadInProgress(true);
    session_->cancelZoomDrag();
    menuBar()->setEnabled(false);
    ui->ToolBar1->setEnabled(false);
    ui->pnlControl->setEnabled(false);
    Plot->setEnabled(false);
}

void TForm1::EndRead()
{
    menuBar()->setEnabled(true);
    ui->ToolBar1->setEnabled(true);
    ui->pnlControl->setEnabled(true);
    Plot->setEnabled(true);
    reading_ = false;
    // A "LogFile Index" that came during the read is carried out now.
    if (controllerLink)
        controllerLink->setReadInProgress(false);
}

bool TForm1::openLogFile(const QString& path)
{
    return openLogFile(path, miFollow->isChecked());
}

bool TForm1::openLogFile(const QString& path, bool follow)
{
    if (reading_)
        return false;
    const bool axisWereAttached = axisHandlersAttached_;
    const bool voltsWasAttached = voltsHandlerAttached_;
    axisHandlersAttached_ = false;
    voltsHandlerAttached_ = false;

    if (progressForm_ == nullptr)
        progressForm_ = new TProgressForm(this);
    // The caption names the file while it is read (a large file takes a while); a file that
    // cannot be shown gets the old caption back.
    const QString name = QFileInfo(path).fileName();
    const QString previousCaption = ui->lblCaption->text();
    ui->lblCaption->setText(name);
    BeginRead();
    progressForm_->ProgressStart(path);
    // The file goes into a session of its own; the one shown stays until the new one proves
    // worth showing. A followed file is read by the session's follower, which never takes a last
    // line before its line end and goes on from where this read stops.
    std::unique_ptr<TLogSession> next = session_->nextSession();
    const TReadResult result = follow ? next->readFollowed(ToPath(path), &progressForm_->model)
                                      : next->read(ToPath(path), &progressForm_->model);
    progressForm_->hide();
    EndRead();

    const auto keepPrevious = [&] {
        ui->lblCaption->setText(previousCaption);
        axisHandlersAttached_ = axisWereAttached;
        voltsHandlerAttached_ = voltsWasAttached;
    };
    if (result.status == TReadResult::OpenFailed) {
        keepPrevious();
        ShowMessage(QStringLiteral("Cannot open %1: %2").arg(path, QString::fromStdString(result.reason)), true);
        return false;
    }
    // A followed log may still be empty of records: its first samples show when they come.
    if (!next->hasSamples() && !next->following()) {
        keepPrevious();
        if (result.status == TReadResult::InvalidDate)
            ShowMessage(QString::fromUtf8(InvalidDateMessage), true);
        ShowMessage(QStringLiteral("Nothing in file ") + name, false);
        return false;
    }

    StopFollowing(QString());
    pointsGrowOnly_ = false;
    session_ = std::move(next);
    recentFiles->noteOpened(path);
    SetUndoEnabled(false);
    ShowSessionState();

    if (result.status == TReadResult::InvalidDate)
        ShowMessage(QString::fromUtf8(InvalidDateMessage), true);
    else if (result.status == TReadResult::Changed)
        ShowMessage(QString::fromStdString(result.reason), true);
    if (session_->following())
        StartFollowing();
    else if (follow)
        followState_ = QStringLiteral("not followed");
    UpdateFollowStatus();

    ui->miTextEditor->setEnabled(true);
    ui->miTextEditor->setText(QStringLiteral("Open ") + name + QStringLiteral(" in &text editor."));
    setWindowTitle(name + QStringLiteral(" - Driftline"));
    if (!session_->hasSamples())
        return true;
    ShowSamplesReady();
    return true;
}

// The receiver panel and the correction edits from what the log said.
void TForm1::ShowSessionState()
{
    const TSampleStore& store = session_->store();
    // The controller writes its logs in the Windows Latin-1 code page.
    ui->lblDCGain->setText(QString::fromLatin1(store.receiverValues[ReceiverDCGain]));
    ui->lblTimerInterval->setText(QString::fromLatin1(store.receiverValues[ReceiverTimerInterval]));
    ui->lblIFGain->setText(QString::fromLatin1(store.receiverValues[ReceiverIFGain]));
    ui->lblIntegration->setText(QString::fromLatin1(store.receiverValues[ReceiverIntegration]));
    ui->lblOffset->setText(QString::fromLatin1(store.receiverValues[ReceiverOffset]));
    ShowCorrection(store.azimuthCorrection, azCorrHandlerAttached_, ui->edAzCorr);
    ShowCorrection(store.altitudeCorrection, altCorrHandlerAttached_, ui->edAltCorr);
    ShowAppliedCorrections();
    shownLoggedAz_ = store.loggedAzimuthCorrection;
    shownLoggedAlt_ = store.loggedAltitudeCorrection;
}

// The lists hold samples: scales over them, axis choices live, the volts item as they allow, and
// the picture.
void TForm1::ShowSamplesReady()
{
    session_->rescale();
    axisHandlersAttached_ = true;
    if (!session_->hasVoltageSamples()) {
        ui->miVolts->setEnabled(false);
    } else {
        ui->miVolts->setEnabled(true);
        voltsHandlerAttached_ = true;
    }
    Redraw();
}

// ------------------------------------------------------------------ following a log

bool TForm1::following() const
{
    return session_->following();
}

bool TForm1::openLatestLog()
{
    if (reading_)
        return false;
    const std::filesystem::path newest = NewestLogFile(Global().LogsFolder);
    if (newest.empty()) {
        ShowMessage(QStringLiteral("No log file in ") + FromPath(Global().LogsFolder), false);
        return false;
    }
    miFollow->setChecked(true);
    const bool opened = openLogFile(FromPath(newest), true);
    if (opened)
        ui->btnRefresh->setEnabled(true);
    return opened;
}

bool TForm1::openControllerLog(const QString& path)
{
    const std::filesystem::path newest = NewestLogFile(Global().LogsFolder);
    std::error_code ec;
    const bool isNewest = !newest.empty() && std::filesystem::equivalent(newest, ToPath(path), ec);
    if (isNewest)
        miFollow->setChecked(true);
    return openLogFile(path, isNewest || miFollow->isChecked());
}

void TForm1::miFollowClick(bool checked)
{
    if (reading_)
        return;
    if (!checked) {
        StopFollowing(following() ? QStringLiteral("not followed") : followState_);
        UpdateFollowStatus();
        return;
    }
    // The log shown is read again, followed from its end on.
    if (!session_->path().empty() && !following())
        openLogFile(FromPath(session_->path()), true);
}

void TForm1::StartFollowing()
{
    followState_.clear();
    const TLogFollower* follower = session_->follower();
    if (follower->notifyFd() >= 0) {
        followNotifier_ = new QSocketNotifier(follower->notifyFd(), QSocketNotifier::Read, this);
        connect(followNotifier_, &QSocketNotifier::activated, this, &TForm1::followLook);
    }
    ArmFollowClock();
}

void TForm1::StopFollowing(const QString& why)
{
    delete followNotifier_;
    followNotifier_ = nullptr;
    followClock_->stop();
    session_->stopFollowing();
    followState_ = why;
}

void TForm1::ArmFollowClock()
{
    const int wait = session_->follower() ? session_->follower()->timeoutMs() : -1;
    if (wait >= 0)
        followClock_->start(wait);
    else
        followClock_->stop();
}

void TForm1::followLook()
{
    if (!following())
        return;
    if (reading_) {
        // A read holds the lists; look again when it is over.
        followClock_->start(FullRedrawIntervalMs);
        return;
    }
    const TSampleStore& store = session_->store();
    const std::size_t samplesBefore = store.allSamples().size();
    const bool voltsBefore = !store.voltageSamples().empty();
    TFollowStep step;
    if (session_->follower()->pendingBytes() > ProgressThresholdBytes) {
        // A long catch-up reads as a read does: progress shown, list-changing commands held off.
        if (progressForm_ == nullptr)
            progressForm_ = new TProgressForm(this);
        followNotifier_->setEnabled(false);
        BeginRead();
        progressForm_->ProgressStart(FromPath(session_->path()));
        step = session_->takeArrived(&progressForm_->model);
        progressForm_->hide();
        EndRead();
        followNotifier_->setEnabled(true);
    } else {
        step = session_->takeArrived();
    }

    switch (step.status) {
    case TFollowStep::Idle:
        break;
    case TFollowStep::Restarted:
        pointsGrowOnly_ = false;
        SetUndoEnabled(false);
        ShowSessionState();
        if (!session_->hasSamples()) {
            Plot->Canvas.Clear();
            Plot->Show();
        } else {
            ShowSamplesReady();
        }
        break;
    case TFollowStep::Grew:
    case TFollowStep::Deleted:
    case TFollowStep::InvalidDate:
    case TFollowStep::ReadFailed:
        // Receiver lines and a session's corrections can come later in the log.
        ui->lblDCGain->setText(QString::fromLatin1(store.receiverValues[ReceiverDCGain]));
        ui->lblTimerInterval->setText(QString::fromLatin1(store.receiverValues[ReceiverTimerInterval]));
        ui->lblIFGain->setText(QString::fromLatin1(store.receiverValues[ReceiverIFGain]));
        ui->lblIntegration->setText(QString::fromLatin1(store.receiverValues[ReceiverIntegration]));
        ui->lblOffset->setText(QString::fromLatin1(store.receiverValues[ReceiverOffset]));
        if (store.loggedAzimuthCorrection != shownLoggedAz_ || store.loggedAltitudeCorrection != shownLoggedAlt_)
            ShowSessionState();
        if (samplesBefore == 0 && session_->hasSamples())
            ShowSamplesReady();
        else if (store.allSamples().size() != samplesBefore || voltsBefore != session_->hasVoltageSamples() ||
                 step.newRecords != 0) {
            if (!voltsBefore && session_->hasVoltageSamples()) {
                ui->miVolts->setEnabled(true);
                voltsHandlerAttached_ = true;
            }
            AppendArrived();
        }
        break;
    }
    if (step.ended()) {
        const QString message = QString::fromStdString(step.message);
        StopFollowing(QStringLiteral("following ended"));
        UpdateFollowStatus();
        ShowMessage(message, step.status != TFollowStep::Deleted);
        return;
    }
    UpdateFollowStatus();
    ArmFollowClock();
}

// New samples are in the lists. While the scales of the picture stay, their segments are added
// to the bitmap; when the scales change, the whole picture is drawn again, at most four times a
// second.
void TForm1::AppendArrived()
{
    SyncViewQuantities();
    const bool p = positiveVoltageView();
    const TPlotView& view = session_->view();
    const AxisScale horizontalBefore = view.HorizontalScale(p);
    const AxisScale verticalBefore = view.VerticalScale(p);
    session_->growScalesToArrived();
    if (redrawClock_->isActive())
        return;  // the held-back redraw takes these in
    auto same = [](const AxisScale& a, const AxisScale& b) {
        return a.Minimum == b.Minimum && a.Maximum == b.Maximum && a.FirstTick == b.FirstTick &&
               a.LastTick == b.LastTick && a.TickStep == b.TickStep && a.Folded == b.Folded;
    };
    const SampleView& active = session_->activeSamples();
    const std::size_t drawn = session_->plottedPoints().size();
    const bool sizeChanged = view.controlWidth != Plot->Canvas.width() || view.controlHeight != Plot->Canvas.height();
    if (!same(horizontalBefore, view.HorizontalScale(p)) || !same(verticalBefore, view.VerticalScale(p)) ||
        drawn == 0 || active.size() < drawn || sizeChanged) {
        ScheduleFullRedraw();
        return;
    }
    if (active.size() == drawn)
        return;  // nothing new in the list shown (a zoom band, or the volts-only view)
    session_->extendPlottedPoints(false, false);
    DrawAppended(Plot->Canvas, session_->plottedPoints(), drawn, Plot->Colours.sample);
    Plot->Show();
    ++appendedDraws;
}

void TForm1::ScheduleFullRedraw()
{
    const qint64 since = sinceFullRedraw_.isValid() ? sinceFullRedraw_.elapsed() : FullRedrawIntervalMs;
    if (since >= FullRedrawIntervalMs)
        Redraw();
    else
        redrawClock_->start(static_cast<int>(FullRedrawIntervalMs - since));
}

void TForm1::flushPendingRedraw()
{
    if (following() && !reading_)
        followLook();
    if (redrawClock_->isActive()) {
        redrawClock_->stop();
        Redraw();
    }
}

void TForm1::UpdateFollowStatus()
{
    const bool show = following() || !followState_.isEmpty();
    if (show) {
        const std::size_t records = session_->store().allRecords().size();
        const QString count = QString::fromStdString(FormatThousands(records));
        lblFollow->setText(count + (records == 1 ? QStringLiteral(" record, ") : QStringLiteral(" records, ")) +
                           (following() ? QStringLiteral("followed") : followState_));
    }
    lblFollow->setVisible(show);
    FormResize();
}

void TForm1::ShowCorrection(std::int32_t correction, bool& attached, QLineEdit* edit)
{
    attached = false;
    if (correction != NoCorrection) {
        const QSignalBlocker blocker(edit);
        edit->setText(QString::number(correction));
        attached = true;
        edit->setEnabled(true);
    } else {
        edit->setEnabled(false);
    }
}

bool TForm1::CorrectionChanged(QLineEdit* edit, std::int32_t& correction)
{
    // Text on its way to a number ("", "-") stands as typed; the last number typed is the one
    // in force until the text is checked.
    return ParseCorrection(edit->text(), correction);
}

void TForm1::ShowAppliedCorrections()
{
    const TSampleStore& store = session_->store();
    for (auto [edit, correction] :
         {std::pair{azCorrEdit_, store.azimuthCorrection}, std::pair{altCorrEdit_, store.altitudeCorrection}}) {
        if (correction != NoCorrection)
            edit->setApplied(correction);
        else
            edit->forget();
    }
}

bool TForm1::CheckCorrections()
{
    struct Axis {
        QLineEdit* edit;
        bool attached;
        const char* name;
        std::int32_t kept;
    };
    const TSampleStore& store = session_->store();
    const Axis axes[] = {{ui->edAzCorr, azCorrHandlerAttached_, "Azimuth", store.azimuthCorrection},
                         {ui->edAltCorr, altCorrHandlerAttached_, "Altitude", store.altitudeCorrection}};
    bool valid = true;
    for (const Axis& axis : axes) {
        std::int32_t typed = 0;
        if (!axis.attached || !axis.edit->isEnabled() || ParseCorrection(axis.edit->text(), typed))
            continue;
        valid = false;
        const QString text = axis.edit->text();
        axis.edit->setText(QString::number(axis.kept));
        ShowMessage(CorrectionRefusal(QString::fromLatin1(axis.name), text, axis.kept), true);
    }
    return valid;
}

void TForm1::edAzCorrChange()
{
    std::int32_t correction = session_->store().azimuthCorrection;
    if (azCorrHandlerAttached_ && CorrectionChanged(ui->edAzCorr, correction))
        session_->setAzimuthCorrection(correction);
}

void TForm1::edAltCorrChange()
{
    std::int32_t correction = session_->store().altitudeCorrection;
    if (altCorrHandlerAttached_ && CorrectionChanged(ui->edAltCorr, correction))
        session_->setAltitudeCorrection(correction);
}

// ------------------------------------------------------------------ the view

void TForm1::Redraw()
{
    ui->tbSave->setEnabled(true);
    ui->miSaveAs->setEnabled(true);
    ui->miSaveLimits->setEnabled(true);
    SyncViewQuantities();
    const bool p = positiveVoltageView();
    // Samples that arrived since the scales were last set widen them first (a followed log).
    session_->growScalesToArrived();
    redrawClock_->stop();
    // The session draws for the plot control's size (after a resize, or a new session); its
    // points are then computed for that size already.
    const bool resized =
        session_->view().controlWidth != Plot->Canvas.width() || session_->view().controlHeight != Plot->Canvas.height();
    if (resized)
        session_->resizePlot(Plot->Canvas.width(), Plot->Canvas.height());
    const TPlotView& view = session_->view();
    const SampleView& active = session_->activeSamples();
    // While a followed list only grows, the points drawn last stay valid but for the pixels on
    // an axis whose scale changed.
    const bool reuse = following() && pointsGrowOnly_ && pointsHorizontal_ == view.horizontalQuantity &&
                       pointsVertical_ == view.verticalQuantity && pointsPositive_ == p &&
                       session_->plottedPoints().size() <= active.size();
    if (reuse) {
        const auto differs = [](const AxisScale& a, const AxisScale& b) {
            return a.Minimum != b.Minimum || a.Maximum != b.Maximum || a.Folded != b.Folded;
        };
        session_->extendPlottedPoints(differs(pointsHorizontalScale_, view.HorizontalScale(p)),
                                      differs(pointsVerticalScale_, view.VerticalScale(p)));
        DrawPlotted(Plot->Canvas, view, p, session_->plottedPoints(), Plot->Colours);
    } else if (resized) {
        DrawPlotted(Plot->Canvas, view, p, session_->plottedPoints(), Plot->Colours);
    } else {
        DrawSession(Plot->Canvas, *session_, Plot->Colours);
    }
    Plot->Show();
    Plot->SetMarker(std::nullopt);  // the marked sample may have moved or gone
    pointsGrowOnly_ = true;
    pointsHorizontal_ = view.horizontalQuantity;
    pointsVertical_ = view.verticalQuantity;
    pointsPositive_ = p;
    pointsHorizontalScale_ = view.HorizontalScale(p);
    pointsVerticalScale_ = view.VerticalScale(p);
    sinceFullRedraw_.restart();
    ++fullRedraws;
}

void TForm1::AxisClicked()
{
    if (axisHandlersAttached_ && !reading_)
        Redraw();
}

void TForm1::VoltsTriggered(bool checked)
{
    // The menu item toggles its own check mark; miVoltsClick does that itself, and a detached
    // handler must leave the mark as it was.
    {
        const QSignalBlocker blocker(ui->miVolts);
        ui->miVolts->setChecked(!checked);
    }
    if (voltsHandlerAttached_)
        miVoltsClick();
}

void TForm1::miVoltsClick()
{
    if (reading_)
        return;
    {
        const QSignalBlocker blocker(ui->miVolts);
        ui->miVolts->setChecked(!ui->miVolts->isChecked());
    }
    Redraw();
}

void TForm1::SetUndoEnabled(bool on)
{
    ui->tbUndo->setEnabled(on);
    ui->tbExpand->setEnabled(on);
}

void TForm1::ZoomToBand(const ZoomBand& band)
{
    pointsGrowOnly_ = false;
    SyncViewQuantities();
    session_->zoomToBand(band);
    SetUndoEnabled(true);
    Redraw();
}

bool TForm1::ViewStep(const std::function<bool(TLogSession&)>& step)
{
    if (reading_ || !axisHandlersAttached_ || !session_->hasSamples())
        return false;
    SyncViewQuantities();
    // Samples that arrived from a followed log belong on the scales the step starts from.
    session_->growScalesToArrived();
    if (!step(*session_))
        return false;
    pointsGrowOnly_ = false;
    SetUndoEnabled(session_->canUndo());
    Redraw();
    return true;
}

void TForm1::tbUndoClick()
{
    if (reading_ || !session_->canUndo())
        return;
    pointsGrowOnly_ = false;
    session_->undo();
    if (!session_->canUndo())
        SetUndoEnabled(false);
    Redraw();
}

void TForm1::tbExpandClick()
{
    if (reading_ || !session_->canUndo())
        return;
    pointsGrowOnly_ = false;
    session_->reset();
    SetUndoEnabled(false);
    Redraw();
}

void TForm1::btnRefreshClick()
{
    if (!reading_ && CheckCorrections())
        rebuildSamples();
}

void TForm1::rebuildSamples()
{
    pointsGrowOnly_ = false;
    session_->refresh();
    ShowAppliedCorrections();
    SetUndoEnabled(false);
    ui->miVolts->setEnabled(session_->hasVoltageSamples());
    Redraw();
}

// ------------------------------------------------------------------ mouse

void TForm1::PlotMouseDown(Qt::MouseButton button, int x, int y, Qt::KeyboardModifiers modifiers)
{
    if (reading_ || button != Qt::LeftButton)
        return;
    const ZoomKind kind = modifiers.testFlag(Qt::ControlModifier) ? ZoomKind::Rows
                          : modifiers.testFlag(Qt::ShiftModifier) ? ZoomKind::Box
                                                                  : ZoomKind::Columns;
    // A slip of the hand while clicking is a click, not a zoom into a few seconds of data.
    session_->pressZoomDrag(x, y, kind, QApplication::startDragDistance());
}

void TForm1::CancelZoomDrag()
{
    if (!session_->zoomDrag().active())
        return;
    session_->cancelZoomDrag();
    Plot->Show();
}

void TForm1::PlotMouseMove(int x, int y)
{
    Plot->Show();
    SyncViewQuantities();
    const std::string horizontalText = session_->readoutTextX(x);
    const std::string verticalText = session_->readoutTextY(y);
    const bool aboutShowing = aboutBoxShowing && aboutBoxShowing();
    if (horizontalText.empty() || verticalText.empty() || aboutShowing) {
        ui->StatusPanel0->clear();
        ui->StatusPanel1->clear();
        Plot->setCursor(Qt::ArrowCursor);
    } else {
        ui->StatusPanel0->setText(QString::fromUtf8(QuantityCaption(session_->horizontalQuantity())) + ' ' +
                                  QString::fromStdString(horizontalText));
        ui->StatusPanel1->setText(QString::fromUtf8(QuantityCaption(session_->verticalQuantity())) + ' ' +
                                  QString::fromStdString(verticalText));
        Plot->setCursor(Qt::CrossCursor);
    }
    ShowNearestSample(*Plot, *session_, x, y, !horizontalText.empty() && !verticalText.empty() && !aboutShowing);
    if (const std::optional<ZoomBand> band = session_->moveZoomDrag(x, y)) {
        if (band->kind == ZoomKind::Columns)
            Plot->ShowBand(band->startX, band->endX);
        else
            Plot->ShowBox(band->rect(Plot->Canvas.Area));
    }
}

void TForm1::PlotMouseUp(Qt::MouseButton button, int /*x*/, int /*y*/)
{
    // Any button's release ends the drag; only the left one's zooms.
    const std::optional<ZoomBand> band = session_->zoomDrag().band();
    session_->cancelZoomDrag();
    if (!reading_ && button == Qt::LeftButton && band)
        ZoomToBand(*band);
}

void TForm1::FormMouseMove()
{
    Plot->setCursor(Qt::ArrowCursor);
    ShowNearestSample(*Plot, *session_, 0, 0, false);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove)
        FormMouseMove();
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::FormResize()
{
    // The follow panel, when shown, takes its text's width, and in the ICRS frame the frame's
    // panel takes its room at the right; the read-outs share the rest (their layout stretch).
    const int followWidth = lblFollow && !lblFollow->isHidden()
                                ? lblFollow->fontMetrics().horizontalAdvance(lblFollow->text()) +
                                      2 * lblFollow->frameWidth() + 16
                                : 0;
    if (followWidth > 0)
        lblFollow->setFixedWidth(followWidth);
    const int frameWidth = lblFrame != nullptr && !lblFrame->isHidden() ? lblFrame->sizeHint().width() + 16 : 0;
    if (frameWidth > 0)
        lblFrame->setFixedWidth(frameWidth);
    // The panels take their share at once, not at the next pass of the event loop.
    ui->statusLayout->activate();
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

// ------------------------------------------------------------------ size, place, colours, grid values

void TForm1::RestoreWindowGeometry()
{
    // The controls are measured in their polished fonts and styles.
    ensurePolished();
    layout()->invalidate();
    const QSize smallest = minimumSizeHint();
    // The design size: the plot 600 pixels wide beside the control panel as wide as its font
    // needs, and as tall as the panel's sections at their design heights (450 pixels with the
    // usual font, the plot's design height; taller with a larger font, see ScaleControlPanel).
    const int panelWidth = std::max(ui->pnlControl->minimumWidth(), ui->pnlControl->sizeHint().width());
    const QSize design(std::max(DesignWidth, DefaultPlotWidth + panelWidth), smallest.height());
    const TIniReader ini(SettingsPath());
    const QRect saved(ini.Int(SettingsSection, "Left", DefaultLeft), ini.Int(SettingsSection, "Top", DefaultTop),
                      std::max(smallest.width(), ini.Int(SettingsSection, "Width", design.width())),
                      std::max(smallest.height(), ini.Int(SettingsSection, "Height", design.height())));
    QList<QRect> screens;
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        screens.push_back(primary->availableGeometry());
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != QGuiApplication::primaryScreen())
            screens.push_back(screen->availableGeometry());
    const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    QRect place = PlaceOnScreen(saved, screens, titleBar);
    // Another window of this suite opened at the same remembered place: this one opens a title
    // bar lower and further right for each window already open.
    const std::filesystem::path socket = ViewerSocketPath(Global().RootFolder);
    std::string error;
    if (EnsureSocketFolder(socket.parent_path(), error)) {
        std::filesystem::path prefix = socket;
        prefix.replace_extension();
        windowSlot_ = std::make_unique<TWindowSlot>(FromPath(prefix));
        if (!screens.isEmpty()) {
            const QRect screen = *std::max_element(screens.begin(), screens.end(), [&](const QRect& a, const QRect& b) {
                return a.intersected(place).width() * a.intersected(place).height() <
                       b.intersected(place).width() * b.intersected(place).height();
            });
            place = Cascade(place, windowSlot_->index(), std::max(titleBar, 8), screen);
        }
    }
    resize(place.size());
    move(place.topLeft());
    if (ini.Bool(SettingsSection, "Maximized", false))
        setWindowState(windowState() | Qt::WindowMaximized);
    FormResize();
}

void TForm1::ScaleControlPanel()
{
    // The sections of the control panel have their design heights with the toolkit's usual
    // 9-point font (14-pixel lines); a larger desktop font makes them taller in proportion, so
    // their rows keep the design's spacing instead of crowding together.
    constexpr int DesignLineHeight = 14;
    const int line = ui->pnlControl->fontMetrics().height();
    if (line <= DesignLineHeight)
        return;
    for (QWidget* section : {static_cast<QWidget*>(ui->pnlHoriz), static_cast<QWidget*>(ui->pnlVert),
                             static_cast<QWidget*>(ui->pnlReceiver), static_cast<QWidget*>(ui->pnlNorm)})
        section->setMinimumHeight(section->minimumHeight() * line / DesignLineHeight);
}

void TForm1::RedrawPicture()
{
    // Before the first redraw the plot shows the empty frame; after it, the view.
    if (fullRedraws > 0) {
        Redraw();
        return;
    }
    Plot->Canvas.UseColours(Plot->Colours);
    Plot->Canvas.Clear();
    Plot->Show();
}

void TForm1::PlotResized()
{
    // A drag's pixels belong to the old size; a followed list's points are computed anew.
    session_->cancelZoomDrag();
    pointsGrowOnly_ = false;
    // During a read the lists are being filled: look again when it may be over (a read that
    // shows its file redraws at the new size anyway; one that fails leaves the old view to draw).
    if (reading_) {
        QTimer::singleShot(FullRedrawIntervalMs, this, [this] {
            if (session_->view().controlWidth != Plot->Canvas.width() ||
                session_->view().controlHeight != Plot->Canvas.height() || reading_)
                PlotResized();
        });
        return;
    }
    RedrawPicture();
}

void TForm1::PlotColoursChanged()
{
    ShowCaptionColour();
    if (!reading_)
        RedrawPicture();
}

void TForm1::ShowCaptionColour()
{
    // Navy on a light tool bar; on a dark one the palette's link colour, or its text colour when
    // the link colour is dark too.
    const QPalette palette = ui->ToolBar1->palette();
    QString colour = QStringLiteral("#000080");
    if (palette.color(QPalette::Window).lightness() < DarkWindowLightness) {
        const QColor link = palette.color(QPalette::Link);
        colour = (link.lightness() >= DarkWindowLightness ? link : palette.color(QPalette::WindowText)).name();
    }
    ui->lblCaption->setStyleSheet(
        QStringLiteral("QLabel { color: %1; font-weight: bold; font-size: 13px; }").arg(colour));
}

void TForm1::miGridValuesClick(bool checked)
{
    session_->setGridValues(checked);
    if (!reading_)
        RedrawPicture();
}

// ------------------------------------------------------------------ closing

void TForm1::miExitClick()
{
    closingFromMenu_ = true;
    close();
    closingFromMenu_ = false;
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (reading_) {
        event->ignore();
        return;
    }
    if (!closingFromMenu_ && onCloseRequest)
        onCloseRequest();
    QMainWindow::closeEvent(event);
}

// ------------------------------------------------------------------ fit, save, editor, help, about

void TForm1::miFitClick()
{
    if (reading_)
        return;
    flushPendingRedraw();
    const int coeffCount = ui->seCoeff->value();
    // A new fit replaces the curve and marker of the one before: the plot is drawn afresh first.
    if (axisHandlersAttached_)
        Redraw();
    RunFitCommand(
        this, polForm, *Plot, [&] { return session_->fit(coeffCount); },
        [&](const FitCurve& curve) {
            return FitPeakLines(session_->fitPeak(curve), session_->horizontalQuantity(), session_->verticalQuantity());
        });
}

void TForm1::tbSaveClick()
{
    if (reading_)
        return;
    flushPendingRedraw();
    // What a FITS table says besides the points: the plotted quantities, the site, the frame, the
    // corrections and the log.
    const TLogSession& session = *session_;
    TFitsSelection fits;
    fits.horizontal = session.horizontalQuantity();
    fits.vertical = session.verticalQuantity();
    fits.info = FitsInfoFor(Global(), positionSettings_, session.store(), session.path(), session.activeSamples());
    saveCommands->tbSaveClick(session.plottedPoints(), &fits);
}

void TForm1::miSaveLimitsClick()
{
    if (reading_)
        return;
    flushPendingRedraw();
    saveCommands->miSaveLimitsClick(session_->store().voltageSamples(), session_->store().allSamples());
}

void TForm1::miTextEditorClick()
{
    if (!session_->path().empty())
        ShellOpenFile(FromPath(session_->path()));
}

void TForm1::miHelpClick()
{
    HelpHandler(HelpContents, 0);
}

void TForm1::miAboutClick()
{
    if (TAboutBox* box = AboutBox()) {
        box->show();
        box->raise();
        box->activateWindow();
    }
}

}  // namespace driftline
