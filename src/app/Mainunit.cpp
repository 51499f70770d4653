// TForm1: settings, reading a log in the window, and the plot interaction.
#include "app/Mainunit.h"

#include "about/Aboutunit.h"
#include "analysis/ui/Fitdraw.h"
#include "analysis/ui/Polunit.h"
#include "analysis/ui/Saveunit.h"
#include "app/Controllerlink.h"
#include "app/Helpunit.h"
#include "app/Progressunit.h"
#include "app/Shellunit.h"
#include "logdata/Logreader.h"
#include "plot/QuantityText.h"
#include "plot/ui/Drawview.h"
#include "plot/ui/Plotrender.h"
#include "plot/ui/Plotunit.h"
#include "suite/Globalunit.h"
#include "suite/Inifile.h"
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
#include <QSignalBlocker>

#include <charconv>
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

// A whole decimal integer in the signed 32-bit range, as the correction edits accept it.
bool ParseCorrection(const QString& text, std::int32_t& value)
{
    const std::string s = text.toStdString();
    const char* first = s.data();
    const char* last = s.data() + s.size();
    if (first != last && *first == '+')
        ++first;
    std::int32_t parsed = 0;
    const auto [end, ec] = std::from_chars(first, last, parsed);
    if (ec != std::errc() || end != last || first == last)
        return false;
    value = parsed;
    return true;
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
    : QMainWindow(parent), ui(std::make_unique<Ui::TForm1>()), seams_(std::move(seams))
{
    if (!seams_.openFile)
        seams_.openFile = DefaultOpenFile;
    if (!seams_.message)
        seams_.message = DefaultMessage;

    InitDriftlineResources();
    ui->setupUi(this);
    // Minimise box but no maximise box: the plot keeps its design size.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Driftline"));

    const QList<QAbstractButton*> horizontalItems = {
        ui->rbHorizontal0, ui->rbHorizontal1, ui->rbHorizontal2, ui->rbHorizontal3,
        ui->rbHorizontal4, ui->rbHorizontal5, ui->rbHorizontal6, ui->rbHorizontal7};
    const QList<QAbstractButton*> verticalItems = {
        ui->rbVertical0, ui->rbVertical1, ui->rbVertical2, ui->rbVertical3,
        ui->rbVertical4, ui->rbVertical5, ui->rbVertical6, ui->rbVertical7};
    for (int q = 0; q < QuantityCount; ++q) {
        ui->bgHorizontal->setId(horizontalItems[q], q);
        ui->bgVertical->setId(verticalItems[q], q);
    }

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
    Plot->move(0, 0);
    view = TPlotView(Plot->Bitmap.width(), Plot->Bitmap.height());
    SetUpPlot(*Plot);
    connect(Plot, &TPlot::plotMouseDown, this, &TForm1::PlotMouseDown);
    connect(Plot, &TPlot::plotMouseMove, this, &TForm1::PlotMouseMove);
    connect(Plot, &TPlot::plotMouseUp, this, &TForm1::PlotMouseUp);

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

    // Fit, save and the maxima and minima.
    InstallPolyFitMessageBox(this);
    saveCommands = std::make_unique<TSaveCommands>(this, SettingsPath());
    connect(ui->miFit, &QAction::triggered, this, &TForm1::miFitClick);
    connect(ui->tbSave, &QToolButton::clicked, this, &TForm1::tbSaveClick);
    connect(ui->miSaveAs, &QAction::triggered, this, &TForm1::tbSaveClick);
    connect(ui->miSaveLimits, &QAction::triggered, this, &TForm1::miSaveLimitsClick);

    // Text editor, help (menu and F1) and the about box.
    connect(ui->miTextEditor, &QAction::triggered, this, &TForm1::miTextEditorClick);
    connect(ui->miHelp, &QAction::triggered, this, &TForm1::miHelpClick);
    connect(ui->miAbout, &QAction::triggered, this, &TForm1::miAboutClick);
    InstallHelpShortcut(this);
    aboutBoxShowing = [] { return AboutBox() != nullptr && AboutBox()->IsShowing; };

    // The controller: "LogFile Index" opens a log as the open dialog would, without enabling
    // Refresh; a close request of the window system tells it we are going.
    controllerLink = new TControllerLink(this);
    if (!controllerLink->listen())
        std::fprintf(stderr, "driftline: controller link: %s\n", qPrintable(controllerLink->errorString()));
    connect(controllerLink, &TControllerLink::openLogFileRequested, this,
            [this](const QString& path) { openLogFile(path); });
    onCloseRequest = [this] { controllerLink->PostQuitting(); };

    for (QWidget* w : {static_cast<QWidget*>(centralWidget()), ui->StatusBar, ui->pnlControl, ui->ToolBar1}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
    // The design's width, and the height the tool bar, plot and status bar need with this font.
    resize(795, minimumSizeHint().height());
    FormResize();
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
    int top = ini.Int(SettingsSection, "Top", DefaultTop);
    int left = ini.Int(SettingsSection, "Left", DefaultLeft);
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
    // A position left over from a larger or missing monitor would put the window out of reach.
    if (!QGuiApplication::screens().isEmpty() && QGuiApplication::screenAt(QPoint(left + 20, top + 10)) == nullptr) {
        left = DefaultLeft;
        top = DefaultTop;
    }
    move(left, top);
    SyncViewQuantities();
    positionSettings_ = ReadPositionSettings(ini, SettingsSection);
    store.preciseSite = FrameSite(Global(), positionSettings_);
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
    store.preciseSite = FrameSite(Global(), positionSettings_);
    ShowFrame();
    // The samples on show were derived in the other frame: derive them again, as Refresh does.
    if (changed && !reading_ && !store.allRecords.empty())
        rebuildSamples();
}

void TForm1::WriteSettings()
{
    std::vector<std::pair<std::string, std::string>> keyValues = {
        {"Horizontal", std::to_string(horizontalQuantity())},
        {"Vertical", std::to_string(verticalQuantity())},
        {"Top", std::to_string(pos().y())},
        {"Left", std::to_string(pos().x())},
        {"Volts only", ui->miVolts->isChecked() ? "1" : "0"},
        {"Coeff No", std::to_string(ui->seCoeff->value())},
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
    view.horizontalQuantity = horizontalQuantity();
    view.verticalQuantity = verticalQuantity();
}

void TForm1::ShowMessage(const QString& text, bool error)
{
    seams_.message(this, text, error);
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
    dragging = false;
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
    if (reading_)
        return false;
    const bool axisWereAttached = axisHandlersAttached_;
    const bool voltsWasAttached = voltsHandlerAttached_;
    axisHandlersAttached_ = false;
    voltsHandlerAttached_ = false;

    if (progressForm_ == nullptr)
        progressForm_ = new TProgressForm(this);
    // The caption names the file while it is read (a large file takes a while); a file that
    // cannot be opened fails before any event is processed, and gets the old caption back.
    const QString name = QFileInfo(path).fileName();
    const QString previousCaption = ui->lblCaption->text();
    ui->lblCaption->setText(name);
    BeginRead();
    progressForm_->ProgressStart(path);
    const TReadResult result = readLogFile(ToPath(path), store, &progressForm_->model);
    progressForm_->hide();
    EndRead();

    if (result.status == TReadResult::OpenFailed) {
        // Nothing was read, so nothing of the earlier file may change.
        ui->lblCaption->setText(previousCaption);
        axisHandlersAttached_ = axisWereAttached;
        voltsHandlerAttached_ = voltsWasAttached;
        ShowMessage(QStringLiteral("Cannot open %1: %2").arg(path, QString::fromStdString(result.reason)), true);
        return false;
    }

    lastLogPath = ToPath(path);
    SetUndoEnabled(false);
    // The controller writes its logs in the Windows Latin-1 code page.
    ui->lblDCGain->setText(QString::fromLatin1(store.receiverValues[ReceiverDCGain]));
    ui->lblTimerInterval->setText(QString::fromLatin1(store.receiverValues[ReceiverTimerInterval]));
    ui->lblIFGain->setText(QString::fromLatin1(store.receiverValues[ReceiverIFGain]));
    ui->lblIntegration->setText(QString::fromLatin1(store.receiverValues[ReceiverIntegration]));
    ui->lblOffset->setText(QString::fromLatin1(store.receiverValues[ReceiverOffset]));
    ShowCorrection(store.azimuthCorrection, azCorrHandlerAttached_, ui->edAzCorr);
    ShowCorrection(store.altitudeCorrection, altCorrHandlerAttached_, ui->edAltCorr);

    if (result.status == TReadResult::InvalidDate)
        ShowMessage(QString::fromUtf8(InvalidDateMessage), true);

    ui->miTextEditor->setEnabled(true);
    ui->miTextEditor->setText(QStringLiteral("Open ") + name + QStringLiteral(" in &text editor."));
    if (store.allSamples.empty()) {
        ShowMessage(QStringLiteral("Nothing in file ") + name, false);
        return true;
    }
    view.rescaleAll(store);
    axisHandlersAttached_ = true;
    if (store.voltageSamples.empty()) {
        ui->miVolts->setEnabled(false);
    } else {
        ui->miVolts->setEnabled(true);
        voltsHandlerAttached_ = true;
    }
    Redraw();
    return true;
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

void TForm1::CorrectionChanged(QLineEdit* edit, std::int32_t& correction)
{
    std::int32_t value = 0;
    if (ParseCorrection(edit->text(), value)) {
        correction = value;
        return;
    }
    const QSignalBlocker blocker(edit);
    edit->setText(QString::number(correction));
}

void TForm1::edAzCorrChange()
{
    if (azCorrHandlerAttached_)
        CorrectionChanged(ui->edAzCorr, store.azimuthCorrection);
}

void TForm1::edAltCorrChange()
{
    if (altCorrHandlerAttached_)
        CorrectionChanged(ui->edAltCorr, store.altitudeCorrection);
}

// ------------------------------------------------------------------ the view

void TForm1::Redraw()
{
    ui->tbSave->setEnabled(true);
    ui->miSaveAs->setEnabled(true);
    ui->miSaveLimits->setEnabled(true);
    SyncViewQuantities();
    const bool p = positiveVoltageView();
    DrawView(*Plot, view, store.activeSamples(p), p, plottedPoints);
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

void TForm1::ZoomToBand()
{
    view.ZoomToBand(store, bandStartX, bandEndX, positiveVoltageView());
    bandStartX = 0;
    bandEndX = 0;
    SetUndoEnabled(true);
    Redraw();
}

void TForm1::tbUndoClick()
{
    if (reading_ || store.allUndo.empty())
        return;
    view.Undo(store);
    if (store.allUndo.empty())
        SetUndoEnabled(false);
    Redraw();
}

void TForm1::tbExpandClick()
{
    if (reading_ || store.allUndo.empty())
        return;
    view.Reset(store);
    SetUndoEnabled(false);
    Redraw();
}

void TForm1::btnRefreshClick()
{
    if (!reading_)
        rebuildSamples();
}

void TForm1::rebuildSamples()
{
    store.rebuildSamples();
    SetUndoEnabled(false);
    view.rescaleAll(store);
    ui->miVolts->setEnabled(!store.voltageSamples.empty());
    Redraw();
}

// ------------------------------------------------------------------ mouse

void TForm1::PlotMouseDown(Qt::MouseButton button, int x, int /*y*/)
{
    if (reading_ || button != Qt::LeftButton)
        return;
    dragging = true;
    bandStartX = x;
    bandEndX = 0;
}

void TForm1::PlotMouseMove(int x, int y)
{
    Plot->Show();
    SyncViewQuantities();
    const bool p = positiveVoltageView();
    const std::string horizontalText = view.ReadoutTextX(x, p);
    const std::string verticalText = view.ReadoutTextY(y, p);
    const bool aboutShowing = aboutBoxShowing && aboutBoxShowing();
    if (horizontalText.empty() || verticalText.empty() || aboutShowing) {
        ui->StatusPanel0->clear();
        ui->StatusPanel1->clear();
        Plot->setCursor(Qt::ArrowCursor);
    } else {
        ui->StatusPanel0->setText(QString::fromUtf8(QuantityCaption(view.horizontalQuantity)) + ' ' +
                                  QString::fromStdString(horizontalText));
        ui->StatusPanel1->setText(QString::fromUtf8(QuantityCaption(view.verticalQuantity)) + ' ' +
                                  QString::fromStdString(verticalText));
        Plot->setCursor(Qt::CrossCursor);
    }
    if (dragging) {
        if (Plot->Area.Contains(x, y))
            bandEndX = x;
        // No band before the drag has touched the area: there is no moving edge to show yet.
        if (bandEndX != bandStartX && bandEndX != 0)
            Plot->ShowBand(bandStartX, bandEndX);
    }
}

void TForm1::PlotMouseUp(Qt::MouseButton button, int /*x*/, int /*y*/)
{
    if (!reading_ && button == Qt::LeftButton && dragging && bandEndX != bandStartX && bandEndX != 0)
        ZoomToBand();
    dragging = false;
}

void TForm1::FormMouseMove()
{
    Plot->setCursor(Qt::ArrowCursor);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove)
        FormMouseMove();
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::FormResize()
{
    // In the ICRS frame the frame's panel takes its room at the right first.
    const int frameWidth = lblFrame != nullptr && !lblFrame->isHidden() ? lblFrame->sizeHint().width() + 16 : 0;
    if (frameWidth > 0)
        lblFrame->setFixedWidth(frameWidth);
    const int half = (width() - frameWidth) / 2;
    ui->StatusPanel0->setFixedWidth(half);
    ui->StatusPanel1->setFixedWidth(half);
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
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
    RunFitCommand(this, polForm, *Plot, plottedPoints, ui->seCoeff->value(), fitCoefficients);
}

void TForm1::tbSaveClick()
{
    if (reading_)
        return;
    // What a FITS table says besides the points: the plotted quantities, the site, the frame, the
    // corrections and the log.
    TFitsSelection fits;
    fits.horizontal = view.horizontalQuantity;
    fits.vertical = view.verticalQuantity;
    fits.info = FitsInfoFor(Global(), positionSettings_, store, lastLogPath, store.activeSamples(positiveVoltageView()));
    saveCommands->tbSaveClick(plottedPoints, &fits);
}

void TForm1::miSaveLimitsClick()
{
    if (!reading_)
        saveCommands->miSaveLimitsClick(store.voltageSamples, store.allSamples);
}

void TForm1::miTextEditorClick()
{
    if (!lastLogPath.empty())
        ShellOpenFile(FromPath(lastLogPath));
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
