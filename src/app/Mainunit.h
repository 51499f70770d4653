#pragma once
// TForm1: the viewer's main window. It holds the session of the log shown (store, view, zoom,
// fit) and the plot control; its handlers are a few lines each: read the controls, call the
// session, refresh the controls.
#include "logdata/Samplestore.h"
#include "plot/AxisScale.h"
#include "plot/Viewunit.h"
#include "session/Logsession.h"
#include "suite/Positionsettings.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QSocketNotifier;
class QTimer;

namespace Ui {
class TForm1;
}

namespace driftline {

class TControllerLink;
class TExportPicture;
class TCorrectionEdit;
class TLogFollower;
class TPlot;
class TPlotGestures;
class TPolForm;
class TProgressForm;
class TRecentFilesMenu;
class TSaveCommands;
class TTransitCommand;
class TWindowSlot;

// Name of the viewer's own section in the suite's settings file.
inline constexpr const char* SettingsSection = "Driftline";

// The window's way to the user, replaceable so tests can answer for the user.
struct TFormSeams {
    // The open dialog: returns the chosen path, or an empty text on Cancel.
    std::function<QString(QWidget* parent, const QString& title, const QString& folder, const QString& filter)>
        openFile;
    // A message box; error is true for failures (an unreadable file, an invalid date).
    std::function<void(QWidget* parent, const QString& text, bool error)> message;
};

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr, TFormSeams seams = {});
    ~TForm1() override;

    std::unique_ptr<Ui::TForm1> ui;
    TPlot* Plot = nullptr;                        // the plot control, child of pnlPlot
    TPolForm* polForm = nullptr;                  // the fit result window, created on first fit
    std::unique_ptr<TSaveCommands> saveCommands;  // the save commands and their format dialog
    TControllerLink* controllerLink = nullptr;    // the controller's way in (a local socket)
    TTransitCommand* transitCommand = nullptr;    // Tools, "Transit fit..."
    TExportPicture* exportPicture = nullptr;      // File, "Export picture..." (Ctrl+E)
    TPlotGestures* plotGestures = nullptr;        // wheel zoom and pan over the plot
    TRecentFilesMenu* recentFiles = nullptr;      // File, "Open recent"

    // The log shown: store, view, plotted points, zoom drag and fit. Replaced only by a file
    // that could be read and holds samples.
    TLogSession& session() { return *session_; }
    const TLogSession& session() const { return *session_; }
    const PlottedPoints& plottedPoints() const { return session_->plottedPoints(); }

    // The About box answers this while it is showing; the read-out stays blank then.
    std::function<bool()> aboutBoxShowing;
    // Called on a close request of the window system (not on File, Exit).
    std::function<void()> onCloseRequest;

    // Following a log as the controller writes it.
    QAction* miFollow = nullptr;      // View, "Follow log" (checkable, Ctrl+L): logs opened are followed
    QAction* miOpenLatest = nullptr;  // File, "Open latest log": the newest log of the folder, followed
    QLabel* lblFollow = nullptr;      // status bar: record count and whether the log is followed
    // Full redraws and appended drawings while following (the tests and the benchmark read them).
    std::uint64_t fullRedraws = 0;
    std::uint64_t appendedDraws = 0;
    // True while the log shown is being followed.
    bool following() const;
    TLogFollower* follower() const { return session_->follower(); }

    // The axis radio groups' item indexes.
    Quantity horizontalQuantity() const;
    Quantity verticalQuantity() const;
    // True when "Only show values with positive voltage" is checked and enabled.
    bool positiveVoltageView() const;
    // True while a log file is being read.
    bool reading() const { return reading_; }
    TProgressForm* progressForm() const { return progressForm_; }

    // The settings file the window reads at construction and writes at destruction.
    static std::filesystem::path SettingsPath();

public slots:
    // File, "&Open ..." and tbOpen: the open dialog, then openChosenFile.
    void miOpenClick();
    // What "&Open ..." does with a chosen path: openLogFile, then Refresh becomes available
    // when the file could be read.
    void openChosenFile(const QString& path);
    // Reads the file and shows it. False when it could not be opened or holds no sample: the
    // window then keeps the file shown before, completely. Followed when "Follow log" is checked.
    bool openLogFile(const QString& path);
    // The same, followed or not as asked.
    bool openLogFile(const QString& path, bool follow);
    // File, "Open latest log": the newest *.log of the logs folder, opened and followed.
    bool openLatestLog();
    // "LogFile Index": the log is followed when it is the newest of the folder (the one the
    // controller is writing), or when "Follow log" is checked.
    bool openControllerLog(const QString& path);
    // View, "Follow log" toggled: following starts on the log shown (read again, followed) or
    // ends (the data stay).
    void miFollowClick(bool checked);
    // One look at the followed file; the inotify notifier and the clock call it.
    void followLook();
    // A full redraw held back by the four-a-second limit, done now (before fit, save, limits).
    void flushPendingRedraw();
    // openControllerLog for a controller's request: its messages go to the status bar.
    bool openLogFileForController(const QString& path);

    void Redraw();
    void miVoltsClick();
    void tbUndoClick();
    void tbExpandClick();
    void btnRefreshClick();
    void rebuildSamples();
    void SetUndoEnabled(bool on);
    // Zooms the session to band (pixels of the plot control), then enables undo and redraws.
    void ZoomToBand(const ZoomBand& band);
    // A wheel zoom or pan: step runs on the session and says whether it changed the view; the
    // undo buttons and the picture then follow. False, and no step, while a file is read or none
    // is shown.
    bool ViewStep(const std::function<bool(TLogSession&)>& step);
    void miExitClick();

    // The left button starts a zoom drag: a band of columns, of rows with Ctrl, a box with Shift.
    void PlotMouseDown(Qt::MouseButton button, int x, int y, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Escape: the zoom drag in progress ends without a zoom.
    void CancelZoomDrag();
    void PlotMouseMove(int x, int y);
    void PlotMouseUp(Qt::MouseButton button, int x, int y);
    void FormMouseMove();
    void FormResize();
    // The plot control has a new size (the window was resized): the view is drawn at that size.
    void PlotResized();
    // The palette changed the plot's colours: the picture and the caption are drawn in them.
    void PlotColoursChanged();
    // View, "Grid values": every grid line labelled with its value; remembered as "Grid values".
    void miGridValuesClick(bool checked);

    void edAzCorrChange();
    void edAltCorrChange();

    // Commands whose windows other parts of the viewer provide; connected where they are built.
    void miFitClick();
    void tbSaveClick();
    void miSaveLimitsClick();
    void miTextEditorClick();
    void miHelpClick();
    void miAboutClick();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ReadSettings();
    void WriteSettings();
    // Size and place from the settings, kept on a screen and cascaded beside another window.
    void RestoreWindowGeometry();
    // The control panel's sections made taller for a desktop font larger than the design's.
    void ScaleControlPanel();
    // The view drawn again after a change of size, colours or labels (the empty frame before the
    // first redraw).
    void RedrawPicture();
    void ShowCaptionColour();
    void ShowMessage(const QString& text, bool error);
    // A message in the status bar, where it holds nothing up.
    void ShowStatusMessage(const QString& text);
    void BeginRead();
    void EndRead();
    void ShowCorrection(std::int32_t correction, bool& attached, QLineEdit* edit);
    bool CorrectionChanged(QLineEdit* edit, std::int32_t& correction);
    // The correction edits' marks after a read or a refresh: the store's corrections are applied.
    void ShowAppliedCorrections();
    // The numbers typed in the correction edits, checked (Refresh, Enter): a text that is not a
    // number is refused with a message and the edit shows the value in force again.
    bool CheckCorrections();
    void AxisClicked();
    void VoltsTriggered(bool checked);
    void SyncViewQuantities();
    void ShowSessionState();
    void ShowSamplesReady();
    void StartFollowing();
    void StopFollowing(const QString& why);
    void ArmFollowClock();
    void AppendArrived();
    void ScheduleFullRedraw();
    void UpdateFollowStatus();

    TFormSeams seams_;
    std::unique_ptr<TLogSession> session_;
    std::unique_ptr<TWindowSlot> windowSlot_;  // this window's place among the suite's open windows
    TProgressForm* progressForm_ = nullptr;
    bool reading_ = false;
    bool controllerRequest_ = false;  // a controller's request is being served
    bool closingFromMenu_ = false;
    // Handlers "detached" while the program itself sets these controls: the slots check these.
    bool axisHandlersAttached_ = false;
    bool voltsHandlerAttached_ = true;
    bool azCorrHandlerAttached_ = false;
    bool altCorrHandlerAttached_ = false;

    QSocketNotifier* followNotifier_ = nullptr;
    QTimer* followClock_ = nullptr;  // the 500 ms look where inotify cannot watch
    QTimer* redrawClock_ = nullptr;  // a full redraw held back to keep to four a second
    QElapsedTimer sinceFullRedraw_;
    QString followState_;  // "" while following or never followed; else why it ended
    // What the plotted points were computed for; while the lists only grow (a followed log),
    // a redraw extends them instead of computing them all again.
    bool pointsGrowOnly_ = false;
    Quantity pointsHorizontal_ = Time;
    Quantity pointsVertical_ = Time;
    bool pointsPositive_ = false;
    AxisScale pointsHorizontalScale_;
    AxisScale pointsVerticalScale_;
    TCorrectionEdit* azCorrEdit_ = nullptr;
    TCorrectionEdit* altCorrEdit_ = nullptr;
    std::int32_t shownLoggedAz_ = NoCorrection;
    std::int32_t shownLoggedAlt_ = NoCorrection;

public:
    // View > Positions: the frame of right ascension, declination, Beta and Lambda. Choosing one
    // re-derives the samples of an open file in it (as Refresh does); remembered as "Frame".
    QAction* miFrameClassic = nullptr;
    QAction* miFrameIcrs = nullptr;
    // Status bar panel naming the frame; shown only in the ICRS frame.
    QLabel* lblFrame = nullptr;
    const TPositionSettings& positionSettings() const { return positionSettings_; }
    void SetFrame(TPositionFrame frame);

private:
    void BuildPositionsMenu();
    void ShowFrame();
    TPositionSettings positionSettings_;
    bool frameChosen_ = false;  // "Frame" is written back only after a choice in this run
};

}  // namespace driftline
