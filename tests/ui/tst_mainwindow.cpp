// The real main window driven by mouse and key events: settings, reading logs in the window,
// zoom, undo, reset, refresh, the read-out, enabled states, and the picture the command-line
// tool draws for the same view.
#include "app/Mainunit.h"
#include "app/Progressunit.h"
#include "plot/canvas/Plotrender.h"
#include "plot/ui/Plotunit.h"
#include "session/Logsession.h"
#include "suite/Globalunit.h"

#include <QtTest>

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdlib>
#include <memory>
#include <vector>

using namespace driftline;

Q_DECLARE_METATYPE(std::vector<int>)

namespace {

// The controller's part of the settings file, with comments and blank lines that must survive
// the viewer writing its own section.
const char* const ControllerSettings = "; written by the controller\r\n"
                                       "[Telescope]\r\n"
                                       "Name=Test dish\r\n"
                                       "\r\n"
                                       "[Latitude]\r\n"
                                       "Degrees=52\r\n"
                                       "Minutes=37\r\n"
                                       "Seconds=30\r\n"
                                       "\r\n"
                                       "[Longitude]\r\n"
                                       "Degrees=1\r\n"
                                       "Minutes=17\r\n"
                                       "Seconds=45\r\n"
                                       "; trailing comment\r\n";

constexpr int RecordCount = 400;
constexpr int FirstMilliseconds = 75795000;  // 21:03:15.000

QByteArray SmallLog()
{
    QByteArray log = "Opening session 12/05/2010 21:03:15 (UTC)\r\n"
                     "Azimuth correction 12\r\n"
                     "Altitude correction -4\r\n"
                     "*Rec* DC Gain 10\r\n"
                     "*Rec* Timer interval 1000 ms\r\n"
                     "*Rec* IF Gain 2 x10\r\n"
                     "*Rec* Integration time 0.5 \xB5s\r\n"
                     "*Rec* Continuum offset volts 1.25\r\n";
    // Every fifth record lacks volts; volts counts run 1024..1073 (2.5 V upwards).
    for (int i = 0; i < RecordCount; ++i) {
        log += QByteArray::number(FirstMilliseconds + i * 1000) + ' ' + QByteArray::number(8192 + i % 3) + ' ' +
               QByteArray::number(4096 + i % 7);
        if (i % 5 != 0)
            log += ' ' + QByteArray::number(1024 + i % 50);
        log += "\r\n";
    }
    return log;
}

struct Message {
    QString text;
    bool error;
};

// The window's controls, found by their object names.
struct TFormControls {
    explicit TFormControls(QWidget& form)
    {
        auto find = [&form](auto*& control, const QString& name) {
            control = form.findChild<std::remove_reference_t<decltype(*control)>*>(name);
            if (!control)
                qFatal("no control %s", qPrintable(name));
        };
#define DL_FIND(name) find(name, QStringLiteral(#name))
        DL_FIND(tbUndo);
        DL_FIND(tbExpand);
        DL_FIND(tbOpen);
        DL_FIND(tbSave);
        DL_FIND(btnRefresh);
        DL_FIND(edAzCorr);
        DL_FIND(edAltCorr);
        DL_FIND(lblCaption);
        DL_FIND(lblDCGain);
        DL_FIND(lblTimerInterval);
        DL_FIND(lblIFGain);
        DL_FIND(lblIntegration);
        DL_FIND(lblOffset);
        DL_FIND(StatusPanel0);
        DL_FIND(StatusPanel1);
        DL_FIND(seCoeff);
        DL_FIND(pnlControl);
        DL_FIND(ToolBar1);
        DL_FIND(miOpen);
        DL_FIND(miSaveAs);
        DL_FIND(miSaveLimits);
        DL_FIND(miExit);
        DL_FIND(miVolts);
        DL_FIND(miTextEditor);
        DL_FIND(miFit);
        DL_FIND(miHelp);
        DL_FIND(miAbout);
#undef DL_FIND
        for (int q = 0; q < QuantityCount; ++q) {
            find(rbHorizontal[q], QStringLiteral("rbHorizontal%1").arg(q));
            find(rbVertical[q], QStringLiteral("rbVertical%1").arg(q));
        }
    }
    QToolButton *tbUndo, *tbExpand, *tbOpen, *tbSave;
    QPushButton* btnRefresh;
    QLineEdit *edAzCorr, *edAltCorr;
    QLabel *lblCaption, *lblDCGain, *lblTimerInterval, *lblIFGain, *lblIntegration, *lblOffset;
    QLabel *StatusPanel0, *StatusPanel1;
    QSpinBox* seCoeff;
    QWidget *pnlControl, *ToolBar1;
    QAction *miOpen, *miSaveAs, *miSaveLimits, *miExit, *miVolts, *miTextEditor, *miFit, *miHelp, *miAbout;
    QRadioButton* rbHorizontal[QuantityCount];
    QRadioButton* rbVertical[QuantityCount];
};

// Clicks a radio item on its indicator (its centre may lie beyond the text).
void ClickItem(QRadioButton* item)
{
    QTest::mouseClick(item, Qt::LeftButton, {}, QPoint(6, item->height() / 2));
}

}  // namespace

class TstMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void firstStartDefaults();
    void captionsAndHints_data();
    void captionsAndHints();
    void settingsRoundTripKeepsControllerSections();
    void openFillsListsLabelsAndEdits();
    void openedFiles_data();
    void openedFiles();
    void secondFileClearsReceiverLabels();
    void unreadableFileChangesNothing_data();
    void unreadableFileChangesNothing();
    void dragKeepsBandSamples_data();
    void dragKeepsBandSamples();
    void gesturesThatDoNotZoom_data();
    void gesturesThatDoNotZoom();
    void rowBandAndBoxZoomThenUndoByKey();
    void escapeAndSlipsDoNotZoom();
    void newFitReplacesTheCurveBefore();
    void twoZoomsThenUndo();
    void resetAfterThreeZooms();
    void refreshAfterZoomAndCorrection();
    void correctionEditPutsBackInvalidText_data();
    void correctionEditPutsBackInvalidText();
    void readout_data();
    void readout();
    void axesAndVoltsRedrawOnlyWithAFile();
    void resizeHalvesStatusPanels();
    void windowPictureMatchesHeadlessSession();
    void sessionPictureMatchesCommandLine();
    void commandLinePlotRefusesBadInput_data();
    void commandLinePlotRefusesBadInput();
    void largeFileReadHoldsOffCommands();

private:
    std::unique_ptr<TForm1> MakeForm();
    QString LogPath(const QString& name) const { return root_.filePath("Logs/" + name); }
    void WriteLog(const QString& name, const QByteArray& bytes);
    void Drag(TForm1& form, int x0, const std::vector<int>& moves, int x1, int y = 225);
    QByteArray ReadIni() const;

    QTemporaryDir root_;
    QString nextPath_;
    int openCalls_ = 0;
    QString openTitle_, openFolder_, openFilter_;
    std::vector<Message> messages_;
};

void TstMainWindow::initTestCase()
{
    QVERIFY(root_.isValid());
    QVERIFY(QDir(root_.path()).mkpath("Logs"));
    TGlobalOptions options;
    options.rootFolder = root_.path().toStdString();
    InstallGlobal(options);
    WriteLog("small.log", SmallLog());
    WriteLog("azonly.log", "Azimuth correction 7\r\n100 8192 4096\r\n2000 8193 4096\r\n");
    WriteLog("receivers-only.log", "*Rec* DC Gain 20\r\n*Rec* IF Gain 3 x10\r\n");
    // Readable, with a date, receiver and correction line, but not a single record line.
    WriteLog("junk.log", "Opening session 13/05/2010 01:00:00 (UTC)\r\nAzimuth correction 99\r\n"
                         "*Rec* DC Gain 99\r\nnot a record\r\n");
    QByteArray bad = "Opening session 12/05/2010 21:03:15 (UTC)\r\n";
    for (int i = 0; i < 10; ++i)
        bad += QByteArray::number(1000 * i) + " 8192 4096 1000\r\n";
    bad += "Date changed 31/02/2010\r\n5000 8192 4096 1000\r\n";
    WriteLog("baddate.log", bad);
    WriteLog("novolts.log", "Opening session 12/05/2010 21:03:15 (UTC)\r\n100 8192 4096\r\n2000 8200 4000\r\n");
}

void TstMainWindow::init()
{
    QFile ini(root_.filePath("ZVK.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write(ControllerSettings);
    ini.close();
    messages_.clear();
    openCalls_ = 0;
    nextPath_.clear();
}

void TstMainWindow::WriteLog(const QString& name, const QByteArray& bytes)
{
    QFile f(LogPath(name));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray TstMainWindow::ReadIni() const
{
    QFile f(root_.filePath("ZVK.ini"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

std::unique_ptr<TForm1> TstMainWindow::MakeForm()
{
    TFormSeams seams;
    seams.openFile = [this](QWidget*, const QString& title, const QString& folder, const QString& filter) {
        ++openCalls_;
        openTitle_ = title;
        openFolder_ = folder;
        openFilter_ = filter;
        return nextPath_;
    };
    seams.message = [this](QWidget*, const QString& text, bool error) { messages_.push_back({text, error}); };
    auto form = std::make_unique<TForm1>(nullptr, seams);
    form->resize(795, form->height());
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return nullptr;
    return form;
}

void TstMainWindow::Drag(TForm1& form, int x0, const std::vector<int>& moves, int x1, int y)
{
    QTest::mousePress(form.Plot, Qt::LeftButton, {}, QPoint(x0, y));
    for (int x : moves)
        QTest::mouseMove(form.Plot, QPoint(x, y));
    QTest::mouseRelease(form.Plot, Qt::LeftButton, {}, QPoint(x1, y));
}

void TstMainWindow::firstStartDefaults()
{
    auto form = MakeForm();
    QVERIFY(form);
    const TFormControls ui(*form);
    QCOMPARE(form->horizontalQuantity(), Time);
    QCOMPARE(form->verticalQuantity(), Azimuth);
    QCOMPARE(form->pos(), QPoint(100, 100));
    QVERIFY(!ui.miVolts->isChecked());
    QCOMPARE(ui.seCoeff->value(), 4);
    QCOMPARE(form->windowTitle(), QStringLiteral("Driftline"));
    QCOMPARE(ui.lblCaption->text(), QStringLiteral("Version 37b"));
    QCOMPARE(ui.edAzCorr->text(), QStringLiteral(" - "));
    QCOMPARE(ui.edAltCorr->text(), QStringLiteral(" - "));
    for (QWidget* w :
         std::initializer_list<QWidget*>{ui.tbUndo, ui.tbExpand, ui.tbSave, ui.btnRefresh, ui.edAzCorr, ui.edAltCorr})
        QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    for (QAction* a : {ui.miSaveAs, ui.miSaveLimits, ui.miTextEditor})
        QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
    for (QAction* a : {ui.miOpen, ui.miExit, ui.miVolts, ui.miFit, ui.miHelp, ui.miAbout})
        QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
    QVERIFY(ui.tbOpen->isEnabled());
    // Maximisable: the plot follows the window's size.
    QVERIFY(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    QCOMPARE(form->Plot->size(), QSize(600, 450));
    // Before a file: the empty frame, no sample line.
    QCOMPARE(form->Plot->Picture().pixel(40, 40), qRgb(0, 0, 0));
    QCOMPARE(form->Plot->Picture().pixel(300, 225), qRgb(255, 255, 255));
}

void TstMainWindow::captionsAndHints_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("miOpen") << "miOpen"
                            << "&Open ...";
    QTest::newRow("miSaveAs") << "miSaveAs"
                              << "Save &As...";
    QTest::newRow("miSaveLimits") << "miSaveLimits"
                                  << "Save &maxima and minima";
    QTest::newRow("miExit") << "miExit"
                            << "E&xit";
    QTest::newRow("miVolts") << "miVolts"
                             << "Only show &values with positive voltage";
    QTest::newRow("miTextEditor") << "miTextEditor"
                                  << "Open log file in &Text editor";
    QTest::newRow("miFit") << "miFit"
                           << "&Fit polynomial curve to data";
    QTest::newRow("miHelp") << "miHelp"
                            << "&Help";
    QTest::newRow("miAbout") << "miAbout"
                             << "&About";
    QTest::newRow("tbUndo") << "tbUndo"
                            << "Undo";
    QTest::newRow("tbExpand") << "tbExpand"
                              << "Reset";
    QTest::newRow("tbOpen") << "tbOpen"
                            << "Read Log file";
    QTest::newRow("tbSave") << "tbSave"
                            << "Save current selection";
    QTest::newRow("btnRefresh") << "btnRefresh"
                                << "&Refresh";
    QTest::newRow("rgHorizontal") << "rgHorizontal"
                                  << "Horizontal axis";
    QTest::newRow("rgVertical") << "rgVertical"
                                << "Vertical Axis";
    // The panel's captions: each is one text, whatever line breaks the layout gives it.
    QTest::newRow("lblAzCorr") << "lblAzCorr"
                               << "Azimuth corr";
    QTest::newRow("lblAltCorr") << "lblAltCorr"
                                << "Altitude corr";
    QTest::newRow("receiver title") << "lblReceiverTitle"
                                    << "Receiver information";
    QTest::newRow("receiver row 1") << "lblReceiverRow1"
                                    << "Timer interval";
    QTest::newRow("receiver row 2") << "lblReceiverRow2"
                                    << "IF Gain";
    QTest::newRow("receiver row 3") << "lblReceiverRow3"
                                    << "DC Gain";
    QTest::newRow("receiver row 4") << "lblReceiverRow4"
                                    << "Integration";
    QTest::newRow("receiver row 5") << "lblReceiverRow5"
                                    << "Continuum Offset";
    QTest::newRow("coefficients 1") << "lblCoeff1"
                                    << "No of coefficiants";
    QTest::newRow("coefficients 2") << "lblCoeff2"
                                    << "in polynomial fit";
}

void TstMainWindow::captionsAndHints()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    auto form = MakeForm();
    QVERIFY(form);
    QObject* o = form->findChild<QObject*>(name);
    QVERIFY2(o, qPrintable(name));
    if (auto* a = qobject_cast<QAction*>(o))
        QCOMPARE(a->text(), text);
    else if (auto* t = qobject_cast<QToolButton*>(o))
        QCOMPARE(t->toolTip(), text);
    else if (auto* b = qobject_cast<QPushButton*>(o))
        QCOMPARE(b->text(), text);
    else if (auto* g = qobject_cast<QGroupBox*>(o))
        QCOMPARE(g->title(), text);
    else if (auto* l = qobject_cast<QLabel*>(o))
        QCOMPARE(l->text(), text);
    else
        QFAIL("unexpected kind of control");
}

void TstMainWindow::settingsRoundTripKeepsControllerSections()
{
    {
        auto form = MakeForm();
        QVERIFY(form);
        ClickItem(TFormControls(*form).rbHorizontal[7]);  // Volts
        ClickItem(TFormControls(*form).rbVertical[4]);    // Declination
        TFormControls(*form).miVolts->trigger();
        TFormControls(*form).seCoeff->setValue(7);
        form->move(300, 200);
        QCOMPARE(form->horizontalQuantity(), Volts);
        QCOMPARE(form->verticalQuantity(), Declination);
    }
    const QByteArray written = ReadIni();
    // The controller's bytes come first, untouched; our section follows with CR LF line ends.
    QVERIFY2(written.startsWith(ControllerSettings), written.constData());
    const QByteArray ours = written.mid(static_cast<int>(qstrlen(ControllerSettings)));
    for (const char* line : {"[Driftline]\r\n", "Horizontal=7\r\n", "Vertical=4\r\n", "Top=200\r\n", "Left=300\r\n",
                             "Volts only=1\r\n", "Coeff No=7\r\n"})
        QVERIFY2(ours.contains(line), ours.constData());

    auto again = MakeForm();
    QVERIFY(again);
    QCOMPARE(again->horizontalQuantity(), Volts);
    QCOMPARE(again->verticalQuantity(), Declination);
    QCOMPARE(again->pos(), QPoint(300, 200));
    QVERIFY(TFormControls(*again).miVolts->isChecked());
    QCOMPARE(TFormControls(*again).seCoeff->value(), 7);
}

void TstMainWindow::openFillsListsLabelsAndEdits()
{
    auto form = MakeForm();
    QVERIFY(form);
    nextPath_ = LogPath("small.log");
    QTest::mouseClick(TFormControls(*form).tbOpen, Qt::LeftButton);
    QCOMPARE(openCalls_, 1);
    QCOMPARE(openTitle_, QStringLiteral("Choose log file"));
    QCOMPARE(openFolder_, root_.filePath("Logs"));
    QCOMPARE(openFilter_, QStringLiteral("Log files (*.log);;Any (*.*)"));
    QVERIFY(messages_.empty());

    const TFormControls ui(*form);
    QCOMPARE(static_cast<int>(form->session().store().allSamples().size()), RecordCount);
    QCOMPARE(static_cast<int>(form->session().store().voltageSamples().size()), RecordCount - RecordCount / 5);
    QCOMPARE(ui.lblCaption->text(), QStringLiteral("small.log"));
    QCOMPARE(ui.lblDCGain->text(), QStringLiteral("10"));
    QCOMPARE(ui.lblTimerInterval->text(), QStringLiteral("1000 ms"));
    QCOMPARE(ui.lblIFGain->text(), QStringLiteral("2 x10"));
    QCOMPARE(ui.lblIntegration->text(), QString::fromUtf8("0.5 \u00B5s"));  // byte B5 read as Latin-1
    QCOMPARE(ui.lblOffset->text(), QStringLiteral("1.25"));
    QVERIFY(ui.edAzCorr->isEnabled() && ui.edAltCorr->isEnabled());
    QCOMPARE(ui.edAzCorr->text(), QStringLiteral("12"));
    QCOMPARE(ui.edAltCorr->text(), QStringLiteral("-4"));
    QVERIFY(ui.miTextEditor->isEnabled());
    QCOMPARE(ui.miTextEditor->text(), QStringLiteral("Open small.log in &text editor."));
    QVERIFY(ui.btnRefresh->isEnabled());
    QVERIFY(ui.tbSave->isEnabled() && ui.miSaveAs->isEnabled() && ui.miSaveLimits->isEnabled());
    QVERIFY(ui.miVolts->isEnabled());
    QVERIFY(!ui.tbUndo->isEnabled() && !ui.tbExpand->isEnabled());
    QCOMPARE(form->plottedPoints().size(), form->session().store().allSamples().size());
    QCOMPARE(form->session().path(), std::filesystem::path(LogPath("small.log").toStdString()));
    // The first record, 21:03:15 at 8192 counts = 90 degrees, holds the smallest time.
    QCOMPARE(form->session().store().allSamples().front()[Azimuth], 90.0);
    QCOMPARE(form->plottedPoints().pixelX.front(), 40.0);
    bool red = false;
    for (int x = 40; x < 560 && !red; ++x)
        for (int y = 40; y < 410 && !red; ++y)
            red = form->Plot->Picture().pixel(x, y) == qRgb(255, 0, 0);
    QVERIFY(red);

    // Cancel in the dialog changes nothing.
    nextPath_.clear();
    form->miOpenClick();
    QCOMPARE(openCalls_, 2);
    QCOMPARE(static_cast<int>(form->session().store().allSamples().size()), RecordCount);
}

void TstMainWindow::openedFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("samples");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("azEnabled");
    QTest::addColumn<QString>("azText");
    QTest::addColumn<bool>("altEnabled");
    QTest::addColumn<QString>("altText");
    QTest::addColumn<bool>("voltsEnabled");
    QTest::newRow("azimuth correction only") << "azonly.log" << 2 << "" << true << "7" << false << " - " << false;
    // A file without a record line is not shown: the window stays as it was before (here the
    // empty window of the start), with only the message to say why.
    QTest::newRow("receiver lines only") << "receivers-only.log" << 0 << "Nothing in file receivers-only.log" << false
                                         << " - " << false << " - " << true;
    QTest::newRow("invalid date keeps earlier lines")
        << "baddate.log" << 10 << "Invalid argument to date encode" << false << " - " << false << " - " << true;
    QTest::newRow("no volts fields") << "novolts.log" << 2 << "" << false << " - " << false << " - " << false;
}

void TstMainWindow::openedFiles()
{
    QFETCH(QString, file);
    QFETCH(int, samples);
    QFETCH(QString, message);
    QFETCH(bool, azEnabled);
    QFETCH(QString, azText);
    QFETCH(bool, altEnabled);
    QFETCH(QString, altText);
    QFETCH(bool, voltsEnabled);
    auto form = MakeForm();
    QVERIFY(form);
    const QString captionBefore = TFormControls(*form).lblCaption->text();
    nextPath_ = LogPath(file);
    form->miOpenClick();
    QCOMPARE(static_cast<int>(form->session().store().allSamples().size()), samples);
    if (message.isEmpty()) {
        QVERIFY(messages_.empty());
    } else {
        QCOMPARE(static_cast<int>(messages_.size()), 1);
        QCOMPARE(messages_[0].text, message);
    }
    const TFormControls ui(*form);
    QCOMPARE(ui.edAzCorr->isEnabled(), azEnabled);
    QCOMPARE(ui.edAzCorr->text(), azText);
    QCOMPARE(ui.edAltCorr->isEnabled(), altEnabled);
    QCOMPARE(ui.edAltCorr->text(), altText);
    QCOMPARE(ui.miVolts->isEnabled(), voltsEnabled);
    if (file == "receivers-only.log") {
        QCOMPARE(ui.lblCaption->text(), captionBefore);
        QVERIFY(ui.lblDCGain->text().isEmpty() && ui.lblIFGain->text().isEmpty());
        QVERIFY(!ui.miTextEditor->isEnabled());
        QVERIFY(form->session().path().empty());
        // Nothing to draw: the save commands stay off.
        QVERIFY(!ui.tbSave->isEnabled());
    } else {
        QCOMPARE(ui.lblCaption->text(), file);
        QCOMPARE(ui.miTextEditor->text(), "Open " + file + " in &text editor.");
    }
    // Without volts the view uses every sample even with the menu item checked.
    if (file == "novolts.log") {
        TFormControls(*form).miVolts->setChecked(true);
        QVERIFY(!form->positiveVoltageView());
    }
}

void TstMainWindow::secondFileClearsReceiverLabels()
{
    auto form = MakeForm();
    QVERIFY(form);
    form->openChosenFile(LogPath("small.log"));
    QCOMPARE(TFormControls(*form).lblDCGain->text(), QStringLiteral("10"));
    form->openChosenFile(LogPath("azonly.log"));
    for (QLabel* l :
         {TFormControls(*form).lblDCGain, TFormControls(*form).lblTimerInterval, TFormControls(*form).lblIFGain,
          TFormControls(*form).lblIntegration, TFormControls(*form).lblOffset})
        QVERIFY2(l->text().isEmpty(), qPrintable(l->objectName()));
}

void TstMainWindow::unreadableFileChangesNothing_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("loadFirst");
    QTest::newRow("missing file after a file") << "missing.log"
                                               << "No such file or directory" << true;
    QTest::newRow("a folder after a file") << ""
                                           << "Is a directory" << true;
    QTest::newRow("missing file at first start") << "missing.log"
                                                 << "No such file or directory" << false;
    // An empty reason: the file was read but held no record line.
    QTest::newRow("file without records after a file") << "junk.log"
                                                       << "" << true;
    QTest::newRow("file without records at first start") << "junk.log"
                                                         << "" << false;
}

void TstMainWindow::unreadableFileChangesNothing()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);
    QFETCH(bool, loadFirst);
    auto form = MakeForm();
    QVERIFY(form);
    if (loadFirst) {
        form->openChosenFile(LogPath("small.log"));
        Drag(*form, 100, {200, 300}, 300);
        QCOMPARE(static_cast<int>(form->session().store().allUndo().size()), 1);
    }
    const TFormControls ui(*form);
    const auto samples = form->session().store().allSamples().size();
    const auto undo = form->session().store().allUndo().size();
    const QString caption = ui.lblCaption->text();
    const QString editorText = ui.miTextEditor->text();
    const bool editorEnabled = ui.miTextEditor->isEnabled();
    const QString dcGain = ui.lblDCGain->text();
    const QString az = ui.edAzCorr->text();
    const bool azEnabled = ui.edAzCorr->isEnabled();
    const bool refresh = ui.btnRefresh->isEnabled();
    const bool save = ui.tbSave->isEnabled();
    const bool volts = ui.miVolts->isEnabled();
    const auto shownFile = form->session().path();
    const std::vector<double> plottedX = form->plottedPoints().pixelX;
    const QImage picture = form->Plot->Picture();
    const QString bad = LogPath(path);

    nextPath_ = bad;
    form->miOpenClick();
    QCOMPARE(static_cast<int>(messages_.size()), 1);
    if (reason.isEmpty()) {
        QCOMPARE(messages_[0].text, "Nothing in file " + path);
        QVERIFY(!messages_[0].error);
    } else {
        QCOMPARE(messages_[0].text, "Cannot open " + bad + ": " + reason);
        QVERIFY(messages_[0].error);
    }
    QCOMPARE(form->session().path(), shownFile);
    // What Save As would write: the points plotted before.
    QCOMPARE(form->plottedPoints().pixelX, plottedX);
    QCOMPARE(ui.tbSave->isEnabled(), save);
    QCOMPARE(ui.miVolts->isEnabled(), volts);
    QCOMPARE(ui.edAzCorr->isEnabled(), azEnabled);
    QCOMPARE(form->session().store().allSamples().size(), samples);
    QCOMPARE(form->session().store().allUndo().size(), undo);
    QCOMPARE(ui.lblCaption->text(), caption);
    QCOMPARE(ui.miTextEditor->text(), editorText);
    QCOMPARE(ui.miTextEditor->isEnabled(), editorEnabled);
    QCOMPARE(ui.lblDCGain->text(), dcGain);
    QCOMPARE(ui.edAzCorr->text(), az);
    QCOMPARE(ui.btnRefresh->isEnabled(), refresh);
    QCOMPARE(ui.tbUndo->isEnabled(), undo > 0);
    QVERIFY(form->Plot->Picture() == picture);
    // The radio groups still redraw after the failed open when a file was shown before.
    ClickItem(ui.rbVertical[7]);
    QCOMPARE(form->Plot->Picture() != picture, loadFirst);
}

void TstMainWindow::dragKeepsBandSamples_data()
{
    QTest::addColumn<int>("x0");
    QTest::addColumn<std::vector<int>>("moves");
    QTest::addColumn<int>("x1");
    QTest::addColumn<int>("bandLow");
    QTest::addColumn<int>("bandHigh");
    QTest::newRow("100 to 250") << 100 << std::vector<int>{180, 250} << 250 << 100 << 250;
    QTest::newRow("250 to 100") << 250 << std::vector<int>{180, 100} << 100 << 100 << 250;
    // The moving edge freezes at the last position inside the area.
    QTest::newRow("out through the right margin") << 300 << std::vector<int>{400, 590} << 590 << 300 << 400;
    QTest::newRow("starts in the left margin") << 20 << std::vector<int>{30, 120} << 120 << 20 << 120;
}

void TstMainWindow::dragKeepsBandSamples()
{
    QFETCH(int, x0);
    QFETCH(std::vector<int>, moves);
    QFETCH(int, x1);
    QFETCH(int, bandLow);
    QFETCH(int, bandHigh);
    auto form = MakeForm();
    QVERIFY(form);
    form->openChosenFile(LogPath("small.log"));
    // Which samples lie in the band, read off the picture's own plotted points.
    std::vector<double> expectedTimes;
    for (std::size_t i = 0; i < form->plottedPoints().size(); ++i)
        if (form->plottedPoints().pixelX[i] >= bandLow && form->plottedPoints().pixelX[i] <= bandHigh)
            expectedTimes.push_back(form->session().store().allSamples()[i][Time]);
    QVERIFY(!expectedTimes.empty() && expectedTimes.size() < form->session().store().allSamples().size());

    Drag(*form, x0, moves, x1);
    std::vector<double> keptTimes;
    for (const Sample& s : form->session().store().allSamples())
        keptTimes.push_back(s[Time]);
    QCOMPARE(keptTimes, expectedTimes);
    QCOMPARE(static_cast<int>(form->session().store().allUndo().size()), 1);
    QCOMPARE(static_cast<int>(form->session().store().allUndo()[0].size()), RecordCount);
    QVERIFY(TFormControls(*form).tbUndo->isEnabled() && TFormControls(*form).tbExpand->isEnabled());
    QVERIFY(!form->session().zoomDrag().active());
}

void TstMainWindow::gesturesThatDoNotZoom_data()
{
    QTest::addColumn<int>("x0");
    QTest::addColumn<std::vector<int>>("moves");
    QTest::addColumn<int>("x1");
    QTest::addColumn<int>("y");
    QTest::newRow("click without movement") << 200 << std::vector<int>{} << 200 << 225;
    QTest::newRow("back to the start") << 200 << std::vector<int>{260, 200} << 200 << 225;
    QTest::newRow("never inside the area") << 10 << std::vector<int>{20, 30} << 30 << 225;
    QTest::newRow("along the top margin") << 100 << std::vector<int>{200, 300} << 300 << 20;
}

void TstMainWindow::gesturesThatDoNotZoom()
{
    QFETCH(int, x0);
    QFETCH(std::vector<int>, moves);
    QFETCH(int, x1);
    QFETCH(int, y);
    auto form = MakeForm();
    QVERIFY(form);
    form->openChosenFile(LogPath("small.log"));
    // An earlier zoom must not leave a band end behind for the next gesture.
    Drag(*form, 60, {300, 500}, 500);
    const auto samples = form->session().store().allSamples().size();
    QCOMPARE(static_cast<int>(form->session().store().allUndo().size()), 1);
    Drag(*form, x0, moves, x1, y);
    QCOMPARE(form->session().store().allSamples().size(), samples);
    QCOMPARE(static_cast<int>(form->session().store().allUndo().size()), 1);
    // The right button never zooms.
    QTest::mousePress(form->Plot, Qt::RightButton, {}, QPoint(100, 200));
    QTest::mouseMove(form->Plot, QPoint(300, 200));
    QTest::mouseRelease(form->Plot, Qt::RightButton, {}, QPoint(300, 200));
    QCOMPARE(static_cast<int>(form->session().store().allUndo().size()), 1);
}

void TstMainWindow::rowBandAndBoxZoomThenUndoByKey()
{
    auto form = MakeForm();
    QVERIFY(form);
    form->openChosenFile(LogPath("small.log"));
    QVERIFY(form->windowTitle().startsWith(QStringLiteral("small.log")));
    const auto all = form->session().store().allSamples().size();
    // Ctrl: a band of rows 100..300 keeps the samples plotted in those rows, whatever column.
    std::size_t inRows = 0;
    for (std::size_t i = 0; i < form->plottedPoints().size(); ++i)
        inRows += form->plottedPoints().pixelY[i] >= 100 && form->plottedPoints().pixelY[i] <= 300;
    QVERIFY(inRows > 0 && inRows < all);
    QTest::mousePress(form->Plot, Qt::LeftButton, Qt::ControlModifier, QPoint(300, 100));
    QTest::mouseMove(form->Plot, QPoint(310, 200));
    QTest::mouseMove(form->Plot, QPoint(320, 300));
    QTest::mouseRelease(form->Plot, Qt::LeftButton, Qt::ControlModifier, QPoint(320, 300));
    QCOMPARE(form->session().store().allSamples().size(), inRows);
    // Shift: a box narrows further, as a second step of the same history.
    QTest::mousePress(form->Plot, Qt::LeftButton, Qt::ShiftModifier, QPoint(100, 100));
    QTest::mouseMove(form->Plot, QPoint(450, 350));
    QTest::mouseRelease(form->Plot, Qt::LeftButton, Qt::ShiftModifier, QPoint(450, 350));
    QCOMPARE(static_cast<int>(form->session().store().allUndo().size()), 2);
    QVERIFY(form->session().store().allSamples().size() < inRows);
    // Ctrl+Z undoes one step, Home the rest.
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(form->session().store().allSamples().size(), inRows);
    QTest::keyClick(form.get(), Qt::Key_Home);
    QCOMPARE(form->session().store().allSamples().size(), all);
    QVERIFY(!TFormControls(*form).tbUndo->isEnabled());
}

void TstMainWindow::escapeAndSlipsDoNotZoom()
{
    auto form = MakeForm();
    QVERIFY(form);
    form->openChosenFile(LogPath("small.log"));
    const QImage shown = form->Plot->Picture();
    // Escape during a drag removes the band and ends the drag without a zoom.
    QTest::mousePress(form->Plot, Qt::LeftButton, {}, QPoint(100, 225));
    QTest::mouseMove(form->Plot, QPoint(300, 225));
    QVERIFY(form->Plot->Picture() != shown);
    QTest::keyClick(form.get(), Qt::Key_Escape);
    QVERIFY(form->Plot->Picture() == shown);
    QTest::mouseRelease(form->Plot, Qt::LeftButton, {}, QPoint(300, 225));
    QVERIFY(!form->session().canUndo());
    // A click that slipped by fewer pixels than the desktop's drag distance stays a click.
    const int slip = QApplication::startDragDistance() - 1;
    QVERIFY(slip >= 1);
    Drag(*form, 200, {200 + slip}, 200 + slip);
    QVERIFY(!form->session().canUndo());
    Drag(*form, 200, {200 + slip + 1}, 200 + slip + 1);
    QVERIFY(form->session().canUndo());
}

void TstMainWindow::newFitReplacesTheCurveBefore()
{
    auto form = MakeForm();
    QVERIFY(form);
    form->openChosenFile(LogPath("small.log"));
    auto* coefficients = form->findChild<QSpinBox*>(QStringLiteral("seCoeff"));
    auto* fit = form->findChild<QAction*>(QStringLiteral("miFit"));
    QVERIFY(coefficients && fit);
    // A straight line alone, on the plot as drawn after the open.
    coefficients->setValue(2);
    fit->trigger();
    const QImage lineOnly = form->Plot->Canvas.Bitmap.copy();
    // A curve of six coefficients, then the line again: the curve must be gone.
    coefficients->setValue(6);
    fit->trigger();
    QVERIFY(form->Plot->Canvas.Bitmap != lineOnly);
    coefficients->setValue(2);
    fit->trigger();
    QVERIFY(form->Plot->Canvas.Bitmap == lineOnly);
    QVERIFY(form->Plot->Picture() == lineOnly);
}

void TstMainWindow::twoZoomsThenUndo()
{
    auto form = MakeForm();
    QVERIFY(form);
    form->openChosenFile(LogPath("small.log"));
    Drag(*form, 100, {300, 450}, 450);
    const auto afterFirst = form->session().store().allSamples().size();
    const auto voltsAfterFirst = form->session().store().voltageSamples().size();
    Drag(*form, 200, {300, 400}, 400);
    QVERIFY(form->session().store().allSamples().size() < afterFirst);
    QTest::mouseClick(TFormControls(*form).tbUndo, Qt::LeftButton);
    QCOMPARE(form->session().store().allSamples().size(), afterFirst);
    QCOMPARE(form->session().store().voltageSamples().size(), voltsAfterFirst);
    QVERIFY(TFormControls(*form).tbUndo->isEnabled() && TFormControls(*form).tbExpand->isEnabled());
    QCOMPARE(form->plottedPoints().size(), afterFirst);
    QTest::mouseClick(TFormControls(*form).tbUndo, Qt::LeftButton);
    QCOMPARE(static_cast<int>(form->session().store().allSamples().size()), RecordCount);
    QVERIFY(!TFormControls(*form).tbUndo->isEnabled() && !TFormControls(*form).tbExpand->isEnabled());
}

void TstMainWindow::resetAfterThreeZooms()
{
    auto form = MakeForm();
    QVERIFY(form);
    form->openChosenFile(LogPath("small.log"));
    for (int i = 0; i < 3; ++i)
        Drag(*form, 100, {300, 500}, 500);
    QCOMPARE(static_cast<int>(form->session().store().allUndo().size()), 3);
    QTest::mouseClick(TFormControls(*form).tbExpand, Qt::LeftButton);
    QCOMPARE(static_cast<int>(form->session().store().allSamples().size()), RecordCount);
    QCOMPARE(static_cast<int>(form->session().store().voltageSamples().size()), RecordCount - RecordCount / 5);
    QVERIFY(form->session().store().allUndo().empty() && form->session().store().voltageUndo().empty());
    QVERIFY(!TFormControls(*form).tbUndo->isEnabled() && !TFormControls(*form).tbExpand->isEnabled());
}

void TstMainWindow::refreshAfterZoomAndCorrection()
{
    auto form = MakeForm();
    QVERIFY(form);
    form->openChosenFile(LogPath("small.log"));
    const double firstAzimuth = form->session().store().allSamples().front()[Azimuth];
    Drag(*form, 100, {300}, 300);
    QVERIFY(static_cast<int>(form->session().store().allSamples().size()) < RecordCount);
    // The logged correction was 12; the user's 15 shifts every azimuth by 3 counts.
    TFormControls(*form).edAzCorr->selectAll();
    QTest::keyClicks(TFormControls(*form).edAzCorr, "15");
    QCOMPARE(form->session().store().azimuthCorrection, 15);
    QTest::mouseClick(TFormControls(*form).btnRefresh, Qt::LeftButton);
    QCOMPARE(static_cast<int>(form->session().store().allSamples().size()), RecordCount);
    QVERIFY(form->session().store().allUndo().empty());
    QVERIFY(!TFormControls(*form).tbUndo->isEnabled() && !TFormControls(*form).tbExpand->isEnabled());
    QCOMPARE(form->session().store().allSamples().front()[Azimuth] - firstAzimuth, 0.032958984375);
}

void TstMainWindow::correctionEditPutsBackInvalidText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("correction");
    QTest::newRow("a number") << "-25"
                              << "-25" << -25;
    QTest::newRow("empty text") << ""
                                << "12" << 12;
    QTest::newRow("a lone minus") << "-"
                                  << "12" << 12;
    QTest::newRow("letters") << "x"
                             << "12" << 12;
    QTest::newRow("beyond 32 bits") << "99999999999"
                                    << "12" << 12;
}

void TstMainWindow::correctionEditPutsBackInvalidText()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, correction);
    auto form = MakeForm();
    QVERIFY(form);
    form->openChosenFile(LogPath("small.log"));
    // The text stands while it is typed; Enter checks it and puts back the value in force when it
    // is not a number, with a message saying so.
    TFormControls(*form).edAzCorr->setText(typed);
    QCOMPARE(TFormControls(*form).edAzCorr->text(), typed);
    QCOMPARE(form->session().store().azimuthCorrection, correction);
    QTest::keyClick(TFormControls(*form).edAzCorr, Qt::Key_Return);
    QCOMPARE(TFormControls(*form).edAzCorr->text(), shown);
    QCOMPARE(form->session().store().azimuthCorrection, correction);
    QCOMPARE(form->session().store().altitudeCorrection, -4);
    QCOMPARE(static_cast<int>(messages_.size()), typed == shown ? 0 : 1);
}

void TstMainWindow::readout_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QString>("horizontal");
    QTest::addColumn<QString>("vertical");
    // In the volts view the left edge is the first voltage record's time, 75,796,000 ms =
    // 21:03:16, and the bottom edge the smallest volts count. Count 1024 falls on records without
    // volts (i a multiple of 50, hence of 5), so the smallest is 1025 = 2.50244 V.
    QTest::newRow("bottom-left corner") << QPoint(40, 410) << "Time 21:03:16"
                                        << "Volts 2.502";
    QTest::newRow("top-right corner") << QPoint(560, 40) << "Time 21:09:54"
                                      << "Volts 2.620";
    QTest::newRow("outside, left") << QPoint(20, 200) << ""
                                   << "";
    QTest::newRow("outside, below") << QPoint(300, 430) << ""
                                    << "";
}

void TstMainWindow::readout()
{
    QFETCH(QPoint, at);
    QFETCH(QString, horizontal);
    QFETCH(QString, vertical);
    auto form = MakeForm();
    QVERIFY(form);
    form->openChosenFile(LogPath("small.log"));
    ClickItem(TFormControls(*form).rbVertical[7]);
    TFormControls(*form).miVolts->trigger();
    QVERIFY(form->positiveVoltageView());
    QTest::mouseMove(form->Plot, at);
    QCOMPARE(TFormControls(*form).StatusPanel0->text(), horizontal);
    QCOMPARE(TFormControls(*form).StatusPanel1->text(), vertical);
    QCOMPARE(form->Plot->cursor().shape(), horizontal.isEmpty() ? Qt::ArrowCursor : Qt::CrossCursor);
    // Inside the area both panels follow the pattern of their quantity.
    QTest::mouseMove(form->Plot, QPoint(300, 225));
    QVERIFY(
        QRegularExpression("^Time \\d\\d:\\d\\d:\\d\\d$").match(TFormControls(*form).StatusPanel0->text()).hasMatch());
    QVERIFY(QRegularExpression("^Volts \\d+\\.\\d{3}$").match(TFormControls(*form).StatusPanel1->text()).hasMatch());
    // Over the tool bar the cursor is the arrow again.
    QWidget* toolBar = TFormControls(*form).ToolBar1;
    QTest::mouseMove(toolBar, QPoint(toolBar->width() - 3, toolBar->height() / 2));
    QCOMPARE(form->Plot->cursor().shape(), Qt::ArrowCursor);
    // While the About box shows, the read-out stays blank.
    form->aboutBoxShowing = [] { return true; };
    QTest::mouseMove(form->Plot, QPoint(301, 226));
    QVERIFY(TFormControls(*form).StatusPanel0->text().isEmpty() && TFormControls(*form).StatusPanel1->text().isEmpty());
    QCOMPARE(form->Plot->cursor().shape(), Qt::ArrowCursor);
}

void TstMainWindow::axesAndVoltsRedrawOnlyWithAFile()
{
    auto form = MakeForm();
    QVERIFY(form);
    const TFormControls ui(*form);
    const QImage empty = form->Plot->Picture();
    // Before a file the radio groups have no handler: nothing is drawn, saving stays off.
    ClickItem(ui.rbVertical[7]);
    QVERIFY(form->Plot->Picture() == empty);
    QVERIFY(!ui.tbSave->isEnabled());
    // The volts item does redraw the empty view (grid and labels) and enables the save commands.
    ui.miVolts->trigger();
    QVERIFY(ui.miVolts->isChecked());
    QVERIFY(form->Plot->Picture() != empty);
    QVERIFY(ui.tbSave->isEnabled() && ui.miSaveAs->isEnabled() && ui.miSaveLimits->isEnabled());
    ui.miVolts->trigger();
    QVERIFY(!ui.miVolts->isChecked());

    form->openChosenFile(LogPath("small.log"));
    ClickItem(ui.rbHorizontal[2]);  // Altitude
    QCOMPARE(form->plottedPoints().horizontalValues.front(), form->session().store().allSamples().front()[Altitude]);
    QCOMPARE(form->plottedPoints().verticalValues.front(), form->session().store().allSamples().front()[Volts]);
    ui.miVolts->trigger();
    QVERIFY(form->positiveVoltageView());
    QCOMPARE(form->plottedPoints().size(), form->session().store().voltageSamples().size());
}

void TstMainWindow::resizeHalvesStatusPanels()
{
    auto form = MakeForm();
    QVERIFY(form);
    form->resize(901, form->height());
    QTRY_COMPARE(form->width(), 901);
    // The two read-outs share the width (the odd pixel goes to one of them); the plot follows
    // the window: 106 pixels wider.
    const int left = TFormControls(*form).StatusPanel0->width();
    const int right = TFormControls(*form).StatusPanel1->width();
    QCOMPARE(left + right, 901);
    QVERIFY(std::abs(left - right) <= 1);
    QCOMPARE(form->Plot->size(), QSize(706, 450));
    // And the window narrows again: the panels force no minimum.
    form->resize(795, form->height());
    QTRY_COMPARE(form->width(), 795);
    QCOMPARE(form->Plot->size(), QSize(600, 450));
}

namespace {

// small.log with Time against Volts, zoomed by the same drag as the window test's, no window.
std::unique_ptr<TPlotCanvas> HeadlessZoomedPicture(const QString& log)
{
    TLogSession session;
    session.read(log.toStdString());
    session.setAxes(Time, Volts);
    session.pressZoomDrag(150);
    for (const int x : {300, 420})
        session.moveZoomDrag(x, 225);
    if (!session.releaseZoomDrag())
        return nullptr;
    return RenderSession(session);
}

}  // namespace

void TstMainWindow::windowPictureMatchesHeadlessSession()
{
    auto form = MakeForm();
    QVERIFY(form);
    form->openChosenFile(LogPath("small.log"));
    ClickItem(TFormControls(*form).rbVertical[7]);
    Drag(*form, 150, {300, 420}, 420);
    const auto headless = HeadlessZoomedPicture(LogPath("small.log"));
    QVERIFY(headless);
    QVERIFY(headless->Bitmap == form->Plot->Canvas.Bitmap);
    QVERIFY(headless->Bitmap == form->Plot->Picture());
}

void TstMainWindow::sessionPictureMatchesCommandLine()
{
    const auto headless = HeadlessZoomedPicture(LogPath("small.log"));
    QVERIFY(headless);
    const QString png = root_.filePath("session.png");
    QProcess cli;
    cli.start(DRIFTLINE_CLI, {"plot", LogPath("small.log"), "--root", root_.path(), "--x", "Time", "--y", "Volts",
                              "--band", "150:420", "-o", png});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    const QImage drawn(png);
    QVERIFY(!drawn.isNull());
    QVERIFY(drawn.convertToFormat(QImage::Format_RGB32) == headless->Bitmap);
}

void TstMainWindow::commandLinePlotRefusesBadInput_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("stderrHas");
    const QString log = LogPath("small.log");
    const QString out = root_.filePath("refused.png");
    QTest::newRow("no output") << QStringList{log, "--x", "Time", "--y", "Volts"} << 2 << "-o OUT.png is required";
    QTest::newRow("no vertical quantity") << QStringList{log, "--x", "Time", "-o", out} << 2 << "--y is required";
    QTest::newRow("unknown quantity") << QStringList{log, "--x", "Speed", "--y", "Volts", "-o", out} << 2 << "Speed";
    QTest::newRow("missing log") << QStringList{LogPath("missing.log"), "--x", "Time", "--y", "Volts", "-o", out} << 1
                                 << "cannot open";
    QTest::newRow("too small") << QStringList{log, "--x", "Time", "--y", "Volts", "--size", "80x80", "-o", out} << 2
                               << "--size";
    QTest::newRow("output folder missing")
        << QStringList{log, "--x", "Time", "--y", "Volts", "-o", root_.filePath("nowhere/plot.png")} << 1
        << "cannot write";
}

void TstMainWindow::commandLinePlotRefusesBadInput()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, stderrHas);
    QProcess cli;
    cli.start(DRIFTLINE_CLI, QStringList{"plot", "--root", root_.path()} + arguments);
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), exitCode);
    const QString err = QString::fromLocal8Bit(cli.readAllStandardError());
    QVERIFY2(err.contains(stderrHas), qPrintable(err));
    QVERIFY(!QFile::exists(root_.filePath("refused.png")));
}

void TstMainWindow::largeFileReadHoldsOffCommands()
{
    const QString big = LogPath("big.log");
    QProcess sim;
    sim.start(DRIFTLINE_CLI, {"simulate", big, "--records", "60000"});
    QVERIFY(sim.waitForFinished(60000));
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(QFileInfo(big).size() > 1048576);

    auto form = MakeForm();
    QVERIFY(form);
    form->openChosenFile(LogPath("small.log"));
    Drag(*form, 100, {300}, 300);
    bool sawReading = false;
    bool dialogShown = false;
    QString bytesLine;
    QString captionDuringRead;
    // Runs inside the read, when the progress dialog lets events through.
    QTimer::singleShot(0, form.get(), [&] {
        sawReading = form->reading();
        captionDuringRead = TFormControls(*form).lblCaption->text();
        dialogShown = form->progressForm() && form->progressForm()->isVisible();
        bytesLine = form->progressForm()
                        ? form->progressForm()->findChild<QLabel*>(QStringLiteral("lblBytesRead"))->text()
                        : QString();
        nextPath_ = LogPath("small.log");
        form->miOpenClick();
        form->btnRefreshClick();
        form->tbUndoClick();
        form->tbExpandClick();
        form->miVoltsClick();
        form->PlotMouseDown(Qt::LeftButton, 100, 200);
        form->PlotMouseMove(300, 200);
        form->PlotMouseUp(Qt::LeftButton, 300, 200);
    });
    form->openChosenFile(big);
    QVERIFY(sawReading);
    QVERIFY(dialogShown);
    QVERIFY2(QRegularExpression("^[\\d,]+ processed of [\\d,]+ bytes$").match(bytesLine).hasMatch(),
             qPrintable(bytesLine));
    QCOMPARE(openCalls_, 0);
    // The tool bar names the file being read while the dialog shows its progress.
    QCOMPARE(captionDuringRead, QStringLiteral("big.log"));
    // "Processing" is not overwritten by the file name beside it, whatever the desktop font.
    const auto* processing = form->progressForm()->findChild<QLabel*>(QStringLiteral("lblProcessing"));
    const auto* fileName = form->progressForm()->findChild<QLabel*>(QStringLiteral("lblFilename"));
    QVERIFY(processing && fileName);
    QVERIFY2(fileName->x() >= processing->x() + processing->sizeHint().width(),
             qPrintable(QStringLiteral("name at %1, caption ends at %2")
                            .arg(fileName->x())
                            .arg(processing->x() + processing->sizeHint().width())));
    QCOMPARE(fileName->text(), QStringLiteral("big.log"));
    QVERIFY(!form->progressForm()->isVisible());
    QCOMPARE(TFormControls(*form).lblCaption->text(), QStringLiteral("big.log"));
    QVERIFY(form->session().store().allSamples().size() >= 59000);
    QVERIFY(form->session().store().allUndo().empty());
    QVERIFY(!TFormControls(*form).miVolts->isChecked());
    QCOMPARE(form->plottedPoints().size(), form->session().store().allSamples().size());
    QVERIFY(TFormControls(*form).pnlControl->isEnabled() && TFormControls(*form).ToolBar1->isEnabled() &&
            form->menuBar()->isEnabled());
    QFile::remove(big);
}

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
