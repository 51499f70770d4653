#pragma once
// TForm1: the viewer's main window. It owns the sample store, the plot view model and the plot
// control, reads log files into them, and runs the plot interaction (axes, zoom, undo, reset,
// read-out). Its handlers are a few lines each: read the controls, call the core, refresh.
#include "logdata/Samplestore.h"
#include "plot/AxisScale.h"
#include "plot/Viewunit.h"
#include "suite/Positionsettings.h"

#include <QMainWindow>
#include <QString>

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;

namespace Ui {
class TForm1;
}

namespace driftline {

class TControllerLink;
class TPlot;
class TPolForm;
class TProgressForm;
class TSaveCommands;

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
    TPlot* Plot = nullptr;            // the plot control, child of pnlPlot
    TSampleStore store;               // raw records, sample lists, undo histories, corrections
    TPlotView view;                   // plot area, the sixteen axis scales, the pixel arithmetic
    PlottedPoints plottedPoints;      // what the last redraw plotted (the fit and saving read it)
    std::filesystem::path lastLogPath;  // the file read last (empty before the first read)
    std::vector<double> fitCoefficients;  // kept, cut or extended from one fit to the next
    TPolForm* polForm = nullptr;          // the fit result window, created on first fit
    std::unique_ptr<TSaveCommands> saveCommands;  // the save commands and their format dialog
    TControllerLink* controllerLink = nullptr;    // the controller's way in (a local socket)

    // The zoom drag (pixels of the plot control).
    bool dragging = false;
    int bandStartX = 0;
    int bandEndX = 0;

    // The About box answers this while it is showing; the read-out stays blank then.
    std::function<bool()> aboutBoxShowing;
    // Called on a close request of the window system (not on File, Exit).
    std::function<void()> onCloseRequest;

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
    // Reads the file and shows it; false when it could not be opened (nothing changed then).
    bool openLogFile(const QString& path);

    void Redraw();
    void miVoltsClick();
    void tbUndoClick();
    void tbExpandClick();
    void btnRefreshClick();
    void rebuildSamples();
    void SetUndoEnabled(bool on);
    void ZoomToBand();
    void miExitClick();

    void PlotMouseDown(Qt::MouseButton button, int x, int y);
    void PlotMouseMove(int x, int y);
    void PlotMouseUp(Qt::MouseButton button, int x, int y);
    void FormMouseMove();
    void FormResize();

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
    void ShowMessage(const QString& text, bool error);
    void BeginRead();
    void EndRead();
    void ShowCorrection(std::int32_t correction, bool& attached, QLineEdit* edit);
    void CorrectionChanged(QLineEdit* edit, std::int32_t& correction);
    void AxisClicked();
    void VoltsTriggered(bool checked);
    void SyncViewQuantities();

    TFormSeams seams_;
    TProgressForm* progressForm_ = nullptr;
    bool reading_ = false;
    bool closingFromMenu_ = false;
    // Handlers "detached" while the program itself sets these controls: the slots check these.
    bool axisHandlersAttached_ = false;
    bool voltsHandlerAttached_ = true;
    bool azCorrHandlerAttached_ = false;
    bool altCorrHandlerAttached_ = false;

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
