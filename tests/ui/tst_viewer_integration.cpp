// The integrated viewer end to end: the real main window with its controller link (driftline-cli
// controller as the peer, in its own process), text editor, help, about box, fit, the save
// commands and their settings, against the bytes the command-line tool writes for the same view.
#include "about/Aboutunit.h"
#include "analysis/PolyfitUnit.h"
#include "analysis/ui/Fitdraw.h"
#include "analysis/ui/Polunit.h"
#include "analysis/Limitswriter.h"
#include "analysis/Selectionwriter.h"
#include "analysis/ui/Saveunit.h"
#include "app/Controllerlink.h"
#include "app/Helpunit.h"
#include "app/Mainunit.h"
#include "app/Progressunit.h"
#include "desktop/Shellunit.h"
#include "plot/ui/Plotunit.h"
#include "session/Logsession.h"
#include "suite/Controllerprotocol.h"
#include "suite/Globalunit.h"

#include <QtTest>

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace driftline;

namespace {

// The controller's part of the settings file. The viewer's section sits between two of the
// controller's, so that writing it must keep what comes before and after byte for byte.
const QByteArray ControllerSettings = "; written by the controller\r\n"
                                      "[Latitude]\r\n"
                                      "Degrees=52\r\n"
                                      "Minutes=37\r\n"
                                      "Seconds=30\r\n"
                                      "\r\n";
const QByteArray ViewerSection = "[Driftline]\r\n"
                                 "FileType=0\r\n";
const QByteArray TrailingSettings = "\r\n"
                                    "[Serial]\r\n"
                                    "Port=/dev/ttyS0\r\n"
                                    "; trailing comment\r\n";

// A session of n records one second apart. Azimuth counts climb by one per record; the volts
// counts rise and fall as a single hump peaking at record `peak`; every seventh record has none.
QByteArray SessionLog(int n, int azimuthBase, int peak)
{
    QByteArray log = "Opening session 12/05/2010 21:03:15 (UTC)\r\n"
                     "Azimuth correction 0\r\n"
                     "Altitude correction 0\r\n"
                     "*Rec* DC Gain 10\r\n";
    for (int i = 0; i < n; ++i) {
        log += QByteArray::number(75795000 + i * 1000) + ' ' + QByteArray::number(azimuthBase + i) + " 4096";
        if (i % 7 != 3)
            log += ' ' + QByteArray::number(3000 - (i - peak) * (i - peak) / 16);
        log += "\r\n";
    }
    return log;
}

// Spins the event loop until done() holds or ms pass; true when it held.
template <typename F>
bool SpinUntil(F done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

// Runs driftline-cli with args while the event loop keeps the viewer's link serving.
struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

CliRun RunCli(const QStringList& args, int timeoutMs = 60000)
{
    QProcess process;
    process.start(QStringLiteral(DRIFTLINE_CLI), args);
    CliRun run;
    if (!process.waitForStarted(5000))
        return run;
    SpinUntil([&] { return process.state() == QProcess::NotRunning; }, timeoutMs);
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(2000);
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    f.write(bytes);
}

// A message box the program showed, as the user saw it.
struct ShownBox {
    QString title;
    QString text;
    bool staysOnTop = false;
};

// Answers every message box that appears while it lives, recording what it showed.
class BoxAnswerer {
public:
    BoxAnswerer()
    {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(w);
                if (box && box->isVisible()) {
                    boxes.push_back(
                        {box->windowTitle(), box->text(), box->windowFlags().testFlag(Qt::WindowStaysOnTopHint)});
                    box->done(QMessageBox::Ok);
                }
            }
        });
        timer_.start();
    }
    std::vector<ShownBox> boxes;

private:
    QTimer timer_;
};

// The window's control with this object name; the test stops when the design has none.
template <typename T>
T* Find(QWidget& form, const char* name)
{
    T* control = form.findChild<T*>(QString::fromLatin1(name));
    if (!control)
        qFatal("no control %s", name);
    return control;
}

// Count of pixels of exactly this colour in the image.
int CountPixels(const QImage& image, QRgb colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return count;
}

// Least-squares polynomial of m terms through (x, y), solved independently of the program: the
// normal equations in long double with the x values centred on their mean (so the system stays
// well conditioned), Gaussian elimination with partial pivoting, then the centred polynomial
// expanded back to powers of x by the binomial theorem.
std::vector<double> ReferenceFit(const std::vector<double>& x, const std::vector<double>& y, int m)
{
    long double mean = 0;
    for (double v : x)
        mean += v;
    mean /= static_cast<long double>(x.size());
    std::vector<std::vector<long double>> a(m, std::vector<long double>(m + 1, 0));
    for (std::size_t k = 0; k < x.size(); ++k) {
        std::vector<long double> p(2 * m, 1);
        for (int j = 1; j < 2 * m; ++j)
            p[j] = p[j - 1] * (x[k] - mean);
        for (int i = 0; i < m; ++i) {
            for (int j = 0; j < m; ++j)
                a[i][j] += p[i + j];
            a[i][m] += p[i] * y[k];
        }
    }
    for (int c = 0; c < m; ++c) {
        int best = c;
        for (int r = c + 1; r < m; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[best][c]))
                best = r;
        std::swap(a[c], a[best]);
        for (int r = 0; r < m; ++r) {
            if (r == c)
                continue;
            const long double f = a[r][c] / a[c][c];
            for (int l = c; l <= m; ++l)
                a[r][l] -= f * a[c][l];
        }
    }
    std::vector<long double> centred(m);
    for (int i = 0; i < m; ++i)
        centred[i] = a[i][m] / a[i][i];
    // c_j (x - mean)^j = sum_i c_j C(j, i) x^i (-mean)^(j-i).
    std::vector<double> raw(m, 0.0);
    for (int j = 0; j < m; ++j) {
        long double binom = 1;
        for (int i = j; i >= 0; --i) {
            raw[i] += static_cast<double>(centred[j] * binom * std::pow(-mean, static_cast<long double>(j - i)));
            binom = binom * i / (j - i + 1);
        }
    }
    return raw;
}

}  // namespace

class TstViewerIntegration : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void controllerAnnouncesAndOpensByIndex();
    void closeRequestTellsTheController_data();
    void closeRequestTellsTheController();
    void requestDuringAReadRunsAfterIt();
    void aboutBoxBlanksTheReadout();
    void helpContentsAndContextHelp();
    void fitFillsTheWindowAndDrawsTheCurve();
    void failingFitKeepsTheCoefficients();
    void savesEqualTheHeadlessSession_data();
    void savesEqualTheHeadlessSession();
    void limitsEqualTheHeadlessSession();
    void sessionSavesEqualTheCommandLineTool_data();
    void sessionSavesEqualTheCommandLineTool();
    void sessionLimitsEqualTheCommandLineTool();
    void fileTypeIsKeptAcrossRuns();
    void unwritableTargetIsReportedAndKeptIntact_data();
    void unwritableTargetIsReportedAndKeptIntact();

private:
    std::unique_ptr<TForm1> MakeForm();
    QString LogPath(const QString& name) const { return suite_.filePath(QStringLiteral("Logs/") + name); }
    QString OtherPath(const QString& name) const { return suite_.filePath(QStringLiteral("other/") + name); }
    QStringList ControllerArgs() const
    {
        return {QStringLiteral("controller"), QStringLiteral("--root"), suite_.path()};
    }
    // Opens a.log with Time across, Volts up, and zooms to the band 150..420 as a drag would.
    void ShowZoomedVolts(TForm1& form);
    // The same file, axes and drag on a session without a window.
    void ZoomVoltsHeadless(TLogSession& session);

    QTemporaryDir runtime_{QStringLiteral("/tmp/dl-int-run-XXXXXX")};
    QTemporaryDir suite_{QStringLiteral("/tmp/dl-int-suite-XXXXXX")};
    std::vector<std::pair<QString, bool>> messages_;
    std::vector<QUrl> shellOpened_;
};

void TstViewerIntegration::initTestCase()
{
    QVERIFY(runtime_.isValid() && suite_.isValid());
    // Both sides find the sockets in XDG_RUNTIME_DIR; a private one keeps this run away from any
    // real viewer of the same user.
    ::chmod(runtime_.path().toLocal8Bit().constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
    QApplication::setApplicationDisplayName(QStringLiteral("Driftline"));
    // Closing the window under test must not end the test's own event loop.
    QApplication::setQuitOnLastWindowClosed(false);

    QVERIFY(QDir(suite_.path()).mkpath(QStringLiteral("Logs")));
    QVERIFY(QDir(suite_.path()).mkpath(QStringLiteral("other")));
    WriteAll(LogPath(QStringLiteral("b.log")), SessionLog(120, 9000, 60));
    WriteAll(LogPath(QStringLiteral("a.log")), SessionLog(300, 8192, 140));
    WriteAll(LogPath(QStringLiteral("notes.txt")), "not a log\r\n");
    WriteAll(OtherPath(QStringLiteral("single.log")), SessionLog(1, 8192, 0));

    const CliRun sim = RunCli({QStringLiteral("simulate"), OtherPath(QStringLiteral("big.log")),
                               QStringLiteral("--records"), QStringLiteral("60000")});
    QCOMPARE(sim.exitCode, 0);
    QVERIFY(QFileInfo(OtherPath(QStringLiteral("big.log"))).size() > 1048576);

    WriteAll(suite_.filePath(QStringLiteral("ZVK.ini")), ControllerSettings + ViewerSection + TrailingSettings);
    TGlobalOptions options;
    options.rootFolder = suite_.path().toStdString();
    InstallGlobal(options);
    CreateAboutBox();
}

void TstViewerIntegration::init()
{
    WriteAll(suite_.filePath(QStringLiteral("ZVK.ini")), ControllerSettings + ViewerSection + TrailingSettings);
    messages_.clear();
    shellOpened_.clear();
    SetShellOpener([this](const QUrl& url) {
        shellOpened_.push_back(url);
        return true;
    });
}

void TstViewerIntegration::cleanup()
{
    SetShellOpener(nullptr);
    HelpHandler(HelpCloseAll, 0);
    if (AboutBox())
        AboutBox()->hide();
}

void TstViewerIntegration::cleanupTestCase()
{
    DestroyAboutBox();
    DestroyGlobal();
}

std::unique_ptr<TForm1> TstViewerIntegration::MakeForm()
{
    TFormSeams seams;
    seams.openFile = [](QWidget*, const QString&, const QString&, const QString&) { return QString(); };
    seams.message = [this](QWidget*, const QString& text, bool error) { messages_.emplace_back(text, error); };
    auto form = std::make_unique<TForm1>(nullptr, seams);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return nullptr;
    if (!form->controllerLink || !form->controllerLink->isListening())
        qWarning("controller link not listening: %s", qPrintable(form->controllerLink->errorString()));
    return form;
}

void TstViewerIntegration::ShowZoomedVolts(TForm1& form)
{
    form.openChosenFile(LogPath(QStringLiteral("a.log")));
    Find<QRadioButton>(form, "rbHorizontal0")->click();
    Find<QRadioButton>(form, "rbVertical7")->click();
    QTest::mousePress(form.Plot, Qt::LeftButton, {}, QPoint(150, 225));
    QTest::mouseMove(form.Plot, QPoint(300, 225));
    QTest::mouseMove(form.Plot, QPoint(420, 225));
    QTest::mouseRelease(form.Plot, Qt::LeftButton, {}, QPoint(420, 225));
}

void TstViewerIntegration::ZoomVoltsHeadless(TLogSession& session)
{
    session.read(LogPath(QStringLiteral("a.log")).toStdString());
    session.setAxes(Time, Volts);
    session.pressZoomDrag(150);
    session.moveZoomDrag(300, 225);
    session.moveZoomDrag(420, 225);
    QVERIFY(session.releaseZoomDrag());
    session.computePlottedPoints();
}

// ------------------------------------------------------------------ the controller link

void TstViewerIntegration::controllerAnnouncesAndOpensByIndex()
{
    auto form = MakeForm();
    QVERIFY(form);
    QVERIFY2(form->controllerLink->isListening(), qPrintable(form->controllerLink->errorString()));
    QSignalSpy requests(form->controllerLink, &TControllerLink::openLogFileRequested);

    const CliRun announce = RunCli(ControllerArgs() + QStringList{QStringLiteral("announce")});
    QCOMPARE(announce.exitCode, 0);
    QCOMPARE(announce.out.trimmed(), QByteArray::number(Global().MsgCallingHandleReceived));
    QCOMPARE(form->controllerLink->controllerEndpoint(),
             QString::fromStdString(ControllerEndpointPath(suite_.path().toStdString()).native()));

    // Listed by name: a.log, b.log, notes.txt; only the two logs count, so index 1 is b.log.
    QCOMPARE(RunCli(ControllerArgs() + QStringList{QStringLiteral("open"), QStringLiteral("1")}).exitCode, 0);
    QVERIFY(SpinUntil([&] { return form->session().path() == LogPath(QStringLiteral("b.log")).toStdString(); }, 5000));
    QCOMPARE(Find<QLabel>(*form, "lblCaption")->text(), QStringLiteral("b.log"));
    QCOMPARE(Find<QAction>(*form, "miTextEditor")->text(), QStringLiteral("Open b.log in &text editor."));
    QVERIFY(Find<QAction>(*form, "miTextEditor")->isEnabled());
    QVERIFY(!Find<QPushButton>(*form, "btnRefresh")->isEnabled());
    QCOMPARE(form->session().store().allSamples().size(), std::size_t(120));
    QCOMPARE(requests.count(), 1);

    // Index 2 is beyond the two logs; the rest is not a message at all. None opens anything.
    QCOMPARE(RunCli(ControllerArgs() + QStringList{QStringLiteral("open"), QStringLiteral("2")}).exitCode, 0);
    const QString socket = form->controllerLink->socketPath();
    for (const char* garbage : {"LogFile Index\tone\t0\n", "LogFile Index\t-1\t0\n", "garbage\n", "LogFile Index 0 0\n",
                                "\n", "LogFile Index\t0"}) {
        QVERIFY2(SendControllerLine(socket.toStdString(), garbage, false, 2000).sent, garbage);
    }
    QTest::qWait(500);
    QCOMPARE(requests.count(), 1);
    QCOMPARE(QString::fromStdString(form->session().path().string()), LogPath(QStringLiteral("b.log")));
    QVERIFY(messages_.empty());

    // The text editor opens the file the controller had opened, the one its caption names.
    Find<QAction>(*form, "miTextEditor")->trigger();
    QCOMPARE(shellOpened_.size(), std::size_t(1));
    QVERIFY(shellOpened_[0].isLocalFile());
    QCOMPARE(shellOpened_[0].toLocalFile(), LogPath(QStringLiteral("b.log")));
}

void TstViewerIntegration::closeRequestTellsTheController_data()
{
    QTest::addColumn<bool>("announce");
    QTest::addColumn<bool>("viaExit");
    QTest::addColumn<bool>("quitExpected");
    QTest::newRow("close request after announce") << true << false << true;
    QTest::newRow("File Exit after announce") << true << true << false;
    QTest::newRow("close request, never announced") << false << false << false;
}

void TstViewerIntegration::closeRequestTellsTheController()
{
    QFETCH(bool, announce);
    QFETCH(bool, viaExit);
    QFETCH(bool, quitExpected);
    auto form = MakeForm();
    QVERIFY(form);

    // The controller listens on its endpoint before it announces it, then waits for the post.
    QProcess controller;
    QStringList args = ControllerArgs() + QStringList{QStringLiteral("--timeout"), quitExpected ? "15" : "2"};
    if (announce)
        args << QStringLiteral("announce");
    args << QStringLiteral("wait-quit");
    controller.start(QStringLiteral(DRIFTLINE_CLI), args);
    QVERIFY(controller.waitForStarted(5000));
    if (announce)
        QVERIFY(SpinUntil([&] { return !form->controllerLink->controllerEndpoint().isEmpty(); }, 10000));
    else
        QTest::qWait(300);

    if (viaExit)
        Find<QAction>(*form, "miExit")->trigger();
    else
        QVERIFY(form->close());
    QVERIFY(!form->isVisible());
    QVERIFY(SpinUntil([&] { return controller.state() == QProcess::NotRunning; }, 20000));
    // The announce step prints the number of the viewer's answer; the wait step the post.
    const QByteArray answer = announce ? QByteArray::number(Global().MsgCallingHandleReceived) + '\n' : QByteArray();
    const QByteArray out = controller.readAllStandardOutput();
    if (quitExpected) {
        QCOMPARE(controller.exitCode(), 0);
        QCOMPARE(out, answer + "Driftline Quitting 0 0\n");
    } else {
        QCOMPARE(controller.exitCode(), 3);
        QCOMPARE(out, answer);
    }
}

void TstViewerIntegration::requestDuringAReadRunsAfterIt()
{
    auto form = MakeForm();
    QVERIFY(form);
    // Every delivery of a request, with whether a read was still running when it came.
    std::vector<std::pair<QString, bool>> deliveries;
    connect(form->controllerLink, &TControllerLink::openLogFileRequested, form.get(),
            [&](const QString& path) { deliveries.emplace_back(path, form->reading()); });

    bool stepRan = false;
    bool dialogShown = false;
    QString heldDuringRead;
    const std::string socket = form->controllerLink->socketPath().toStdString();
    // Fires inside the read, in the progress dialog's repaint step, which lets events run.
    QTimer::singleShot(0, form.get(), [&] {
        stepRan = form->reading();
        dialogShown = form->progressForm() && form->progressForm()->isVisible();
        // Two requests: the latest one wins.
        SendControllerLine(socket, FormatControllerLine(ControllerMessage::LogFileIndex, "0"), false, 2000);
        SendControllerLine(socket, FormatControllerLine(ControllerMessage::LogFileIndex, "1"), false, 2000);
        SpinUntil([&] { return form->controllerLink->pendingLogFile() == LogPath(QStringLiteral("b.log")); }, 3000);
        heldDuringRead = form->controllerLink->pendingLogFile();
    });
    form->openChosenFile(OtherPath(QStringLiteral("big.log")));
    QVERIFY(stepRan);
    QVERIFY(dialogShown);
    QCOMPARE(heldDuringRead, LogPath(QStringLiteral("b.log")));
    // The big file was read to its end, untouched by the request.
    QVERIFY(deliveries.empty());
    QVERIFY(form->session().store().allSamples().size() >= 59000);
    QCOMPARE(Find<QLabel>(*form, "lblCaption")->text(), QStringLiteral("big.log"));

    QVERIFY(SpinUntil([&] { return !deliveries.empty(); }, 5000));
    QTest::qWait(200);
    QCOMPARE(deliveries.size(), std::size_t(1));
    QCOMPARE(deliveries[0].first, LogPath(QStringLiteral("b.log")));
    QVERIFY(!deliveries[0].second);
    QCOMPARE(Find<QLabel>(*form, "lblCaption")->text(), QStringLiteral("b.log"));
    QCOMPARE(form->session().store().allSamples().size(), std::size_t(120));
}

// ------------------------------------------------------------------ about, help

void TstViewerIntegration::aboutBoxBlanksTheReadout()
{
    auto form = MakeForm();
    QVERIFY(form);
    form->openChosenFile(LogPath(QStringLiteral("a.log")));
    TAboutBox* box = AboutBox();
    QVERIFY(box);
    QVERIFY(!box->isVisible());

    QTest::mouseMove(form->Plot, QPoint(300, 200));
    QVERIFY(Find<QLabel>(*form, "StatusPanel0")->text().startsWith(QStringLiteral("Time ")));
    QVERIFY(!Find<QLabel>(*form, "StatusPanel1")->text().isEmpty());

    Find<QAction>(*form, "miAbout")->trigger();
    QVERIFY(box->isVisible());
    QVERIFY(!box->isModal());
    QVERIFY(box->IsShowing);
    QCOMPARE(box->windowTitle(), QStringLiteral("About ZVK"));
    QCOMPARE(box->findChild<QLabel*>(QStringLiteral("lblProductVersion"))->text(),
             QStringLiteral("Product Version 37b"));
    QCOMPARE(Find<QLabel>(*form, "lblCaption")->text(), QStringLiteral("a.log"));

    QTest::mouseMove(form->Plot, QPoint(310, 210));
    QVERIFY(Find<QLabel>(*form, "StatusPanel0")->text().isEmpty());
    QVERIFY(Find<QLabel>(*form, "StatusPanel1")->text().isEmpty());

    box->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
    QVERIFY(!box->isVisible());
    QVERIFY(!box->IsShowing);
    QTest::mouseMove(form->Plot, QPoint(320, 220));
    QVERIFY(!Find<QLabel>(*form, "StatusPanel0")->text().isEmpty());
}

void TstViewerIntegration::helpContentsAndContextHelp()
{
    auto form = MakeForm();
    QVERIFY(form);
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));

    Find<QAction>(*form, "miHelp")->trigger();
    QVERIFY(HelpWindow() && HelpWindow()->isVisible());
    QCOMPARE(HelpWindow()->currentSource(), QUrl(QStringLiteral("qrc:/help/index.html")));
    QVERIFY(HelpWindow()->browser()->toPlainText().contains(QStringLiteral("Contents")));

    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QCOMPARE(Find<QGroupBox>(*form, "rgHorizontal")->objectName(), QStringLiteral("rgHorizontal"));
    Find<QRadioButton>(*form, "rbHorizontal3")->setFocus(Qt::OtherFocusReason);
    QVERIFY(Find<QRadioButton>(*form, "rbHorizontal3")->hasFocus());
    QTest::keyClick(Find<QRadioButton>(*form, "rbHorizontal3"), Qt::Key_F1);
    QVERIFY(HelpWindow());
    QCOMPARE(HelpContextFor(QStringLiteral("rgHorizontal")), 20);
    QCOMPARE(HelpWindow()->currentSource(), QUrl(QStringLiteral("qrc:/help/") + HelpTopicFor(20)));
    QVERIFY(HelpWindow()->currentSource().toString().startsWith(QStringLiteral("qrc:/help/axes.html")));

    HelpHandler(HelpCloseAll, 0);
    QVERIFY(!HelpWindow());
}

// ------------------------------------------------------------------ the fit

void TstViewerIntegration::fitFillsTheWindowAndDrawsTheCurve()
{
    auto form = MakeForm();
    QVERIFY(form);
    BoxAnswerer answerer;
    form->openChosenFile(LogPath(QStringLiteral("a.log")));
    Find<QRadioButton>(*form, "rbVertical7")->click();
    // Only the records that carried volts, so the points trace the hump alone.
    Find<QAction>(*form, "miVolts")->trigger();
    QVERIFY(form->positiveVoltageView());
    QCOMPARE(form->plottedPoints().size(), std::size_t(300 - 43));
    Find<QSpinBox>(*form, "seCoeff")->setValue(3);
    const int blueBefore = CountPixels(form->Plot->Canvas.Bitmap, FitColor.rgb());

    Find<QAction>(*form, "miFit")->trigger();
    QVERIFY(answerer.boxes.empty());
    QVERIFY(form->polForm && form->polForm->isVisible());
    QCOMPARE(form->polForm->windowTitle(), QStringLiteral("Polynomial fit"));
    // Beside the main window and top-aligned with it, but on its screen: the design-width window
    // leaves no room on its right on this 800-pixel screen, so the result window cannot open
    // against the right edge (off the screen) as it once did.
    const QRect frame = form->frameGeometry();
    const QRect screen = form->screen()->availableGeometry();
    const QRect result = form->polForm->frameGeometry();
    QVERIFY2(screen.contains(result.topLeft()) && result.right() <= screen.right(),
             qPrintable(QStringLiteral("%1,%2 on %3 wide").arg(result.x()).arg(result.y()).arg(screen.width())));
    QCOMPARE(result.y(), std::max(screen.y(), std::min(frame.y(), screen.bottom() + 1 - result.height())));

    const QStringList lines = form->polForm->Lines();
    QCOMPARE(lines.size(), 4);
    QVERIFY2(lines[0].startsWith(QStringLiteral("Corr coeff = ")), qPrintable(lines[0]));
    const double r = lines[0].mid(13).toDouble();
    QVERIFY2(r > 0.99 && r <= 1.0, qPrintable(lines[0]));
    QCOMPARE(lines[0].section(QLatin1Char('.'), 1).size(), 5);
    // The hump is a parabola sampled in whole volts counts: three terms explain nearly all of it.
    const std::vector<double> expected = ReferenceFit(form->plottedPoints().pixelX, form->plottedPoints().pixelY, 3);
    for (int i = 0; i < 3; ++i) {
        const QString prefix = QStringLiteral("a%1 = ").arg(i);
        QVERIFY2(lines[i + 1].startsWith(prefix), qPrintable(lines[i + 1]));
        bool ok = false;
        const double shown = lines[i + 1].mid(prefix.size()).toDouble(&ok);
        QVERIFY2(ok, qPrintable(lines[i + 1]));
        // Six significant digits (half a unit of the sixth digit is 5e-6 of the value) plus what
        // the plain normal equations lose in double precision.
        QVERIFY2(std::fabs(shown - expected[i]) <= 2e-5 * std::fabs(expected[i]),
                 qPrintable(QStringLiteral("%1 vs %2").arg(lines[i + 1]).arg(expected[i], 0, 'g', 12)));
        QVERIFY(std::fabs(form->session().fitCoefficients()[i] - expected[i]) <= 1e-5 * std::fabs(expected[i]));
    }
    // The downward-opening hump on screen is a parabola opening upwards in pixel y.
    QVERIFY(form->session().fitCoefficients()[2] > 0);
    QVERIFY2(CountPixels(form->Plot->Canvas.Bitmap, FitColor.rgb()) - blueBefore > 100,
             qPrintable(QString::number(CountPixels(form->Plot->Canvas.Bitmap, FitColor.rgb()))));
}

void TstViewerIntegration::failingFitKeepsTheCoefficients()
{
    auto form = MakeForm();
    QVERIFY(form);
    BoxAnswerer answerer;
    form->openChosenFile(LogPath(QStringLiteral("a.log")));
    Find<QSpinBox>(*form, "seCoeff")->setValue(3);
    Find<QAction>(*form, "miFit")->trigger();
    QVERIFY(answerer.boxes.empty());
    const QStringList good = form->polForm->Lines();
    QCOMPARE(good.size(), 4);
    const std::vector<double> kept = form->session().fitCoefficients();

    // One record leaves one plotted point: the fit refuses, once, in its own warning box.
    form->openChosenFile(OtherPath(QStringLiteral("single.log")));
    QCOMPARE(form->plottedPoints().size(), std::size_t(1));
    Find<QSpinBox>(*form, "seCoeff")->setValue(5);
    Find<QAction>(*form, "miFit")->trigger();
    QTest::qWait(50);
    QCOMPARE(answerer.boxes.size(), std::size_t(1));
    QCOMPARE(answerer.boxes[0].title, QStringLiteral("PolyFit Exception"));
    QCOMPARE(answerer.boxes[0].text, QStringLiteral("PolyFit called with less than two points"));
    QVERIFY(answerer.boxes[0].staysOnTop);

    const QStringList lines = form->polForm->Lines();
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines[0], QStringLiteral("Corr coeff = -1.00000"));
    for (int i = 1; i <= 3; ++i)
        QCOMPARE(lines[i], good[i]);
    QCOMPARE(lines[4], QStringLiteral("a3 = 0"));
    QCOMPARE(lines[5], QStringLiteral("a4 = 0"));
    QCOMPARE(form->session().fitCoefficients().size(), std::size_t(5));
    for (int i = 0; i < 3; ++i)
        QCOMPARE(form->session().fitCoefficients()[i], kept[i]);
}

// ------------------------------------------------------------------ saving

void TstViewerIntegration::savesEqualTheHeadlessSession_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("filter");
    QTest::newRow("tool button, csv") << "tbSave"
                                      << "rbCommaSeparated"
                                      << "csv"
                                      << "Comma separated values (*.csv);;Any (*.*)";
    QTest::newRow("Save As, csv") << "miSaveAs"
                                  << "rbCommaSeparated"
                                  << "csv"
                                  << "Comma separated values (*.csv);;Any (*.*)";
    QTest::newRow("tool button, txt") << "tbSave"
                                      << "rbSpaceSeparated"
                                      << "txt"
                                      << "Space separated values (*.txt);;Any (*.*)";
    QTest::newRow("Save As, txt") << "miSaveAs"
                                  << "rbSpaceSeparated"
                                  << "txt"
                                  << "Space separated values (*.txt);;Any (*.*)";
    QTest::newRow("tool button, dat") << "tbSave"
                                      << "rbBinary"
                                      << "dat"
                                      << "Data file (*.dat);;Any (*.*)";
    QTest::newRow("Save As, dat") << "miSaveAs"
                                  << "rbBinary"
                                  << "dat"
                                  << "Data file (*.dat);;Any (*.*)";
}

void TstViewerIntegration::savesEqualTheHeadlessSession()
{
    QFETCH(QString, command);
    QFETCH(QString, button);
    QFETCH(QString, format);
    QFETCH(QString, filter);
    auto form = MakeForm();
    QVERIFY(form);
    ShowZoomedVolts(*form);
    const std::size_t points = form->plottedPoints().size();
    // The zoom narrowed the 300 samples of a.log in place to those inside the band.
    QVERIFY(!form->session().store().allUndo().empty());
    QVERIFY2(points > 10 && points < 300, qPrintable(QString::number(points)));

    const QString target = suite_.filePath(QStringLiteral("window.") + format);
    QFile::remove(target);
    QString dialogFilter, dialogSuffix;
    form->saveCommands->seams.runSaveDialog = [&](QWidget*, const QString& f, const QString& suffix) {
        dialogFilter = f;
        dialogSuffix = suffix;
        return target;
    };
    // The real format dialog: the user picks the type and presses "&Ok".
    bool dialogAnswered = false;
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, form.get(), [&] {
        TSaveForm* dialog = form->saveCommands->saveForm();
        if (dialogAnswered || !dialog || !dialog->isVisible())
            return;
        dialogAnswered = true;
        dialog->findChild<QRadioButton*>(button)->click();
        dialog->btnOk()->click();
    });
    poll.start();
    if (command == QStringLiteral("tbSave"))
        QTest::mouseClick(Find<QToolButton>(*form, "tbSave"), Qt::LeftButton);
    else
        Find<QAction>(*form, "miSaveAs")->trigger();
    QVERIFY(dialogAnswered);
    QCOMPARE(dialogFilter, filter);
    // The default extension follows the type chosen.
    QCOMPARE(dialogSuffix, format);
    QCOMPARE(Find<QLabel>(*form, "StatusPanel0")->text(),
             QStringLiteral("Saved %1 points to %2").arg(points).arg(target));

    // The window's session gave the same points as one driven without a window (the one
    // driftline-cli's save runs, compared with the tool below).
    TLogSession headless;
    ZoomVoltsHeadless(headless);
    const PlottedPoints& same = headless.plottedPoints();
    const std::string expected = format == QStringLiteral("dat")
                                     ? BinarySelectionBytes(same)
                                     : TextSelectionBytes(same, format == QStringLiteral("csv") ? ',' : ' ');
    const QByteArray written = ReadAll(target);
    QCOMPARE(written, QByteArray::fromStdString(expected));

    // And the first record as the file format defines it, formed here without the program.
    const double h = form->plottedPoints().horizontalValues[0];
    const double v = form->plottedPoints().verticalValues[0];
    if (format == QStringLiteral("dat")) {
        QCOMPARE(written.size(), qsizetype(16 * points));
        double first[2];
        std::memcpy(first, written.constData(), 16);  // this machine is little-endian
        QCOMPARE(first[0], h);
        QCOMPARE(first[1], v);
    } else {
        char line[80];
        std::snprintf(line, sizeof line, "%.12g%c%.12g\r\n", h, format == QStringLiteral("csv") ? ',' : ' ', v);
        QVERIFY2(written.startsWith(line), written.left(60).constData());
        QCOMPARE(written.count("\r\n"), qsizetype(points));
    }
}

void TstViewerIntegration::limitsEqualTheHeadlessSession()
{
    auto form = MakeForm();
    QVERIFY(form);
    ShowZoomedVolts(*form);
    const QString target = suite_.filePath(QStringLiteral("limits-window.csv"));
    QString dialogFilter;
    form->saveCommands->seams.runSaveDialog = [&](QWidget*, const QString& f, const QString&) {
        dialogFilter = f;
        return target;
    };
    Find<QAction>(*form, "miSaveLimits")->trigger();
    QCOMPARE(dialogFilter, QStringLiteral("Comma separated values (*.csv);;Any (*.*)"));

    TLogSession headless;
    ZoomVoltsHeadless(headless);
    const QByteArray written = ReadAll(target);
    QCOMPARE(written, QByteArray::fromStdString(
                          LimitsReportText(headless.store().voltageSamples(), headless.store().allSamples())));
    QVERIFY(written.startsWith("Values with positive voltage\r\n"
                               "Name,,Time,Azimuth,Altitude,Right ascension,Declination,Beta,Lambda,Volts\r\n"
                               "Time,Minimum,"));
    // Two sections of a title, a header, sixteen rows and an empty line.
    QCOMPARE(written.count("\r\n"), qsizetype(2 * 19));
    QVERIFY(written.contains("\r\n\r\nAll values\r\nName,,Time,"));
}

// The session without a window against driftline-cli: the same bytes for the same file and drag.
void TstViewerIntegration::sessionSavesEqualTheCommandLineTool_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("fileType");
    QTest::newRow("csv") << "csv" << int(SaveCommaSeparated);
    QTest::newRow("txt") << "txt" << int(SaveSpaceSeparated);
    QTest::newRow("dat") << "dat" << int(SaveBinary);
}

void TstViewerIntegration::sessionSavesEqualTheCommandLineTool()
{
    QFETCH(QString, format);
    QFETCH(int, fileType);
    TLogSession session;
    ZoomVoltsHeadless(session);
    const std::size_t points = session.plottedPoints().size();
    QVERIFY(session.canUndo());
    QVERIFY2(points > 10 && points < 300, qPrintable(QString::number(points)));
    const QString target = suite_.filePath(QStringLiteral("session.") + format);
    std::string error;
    QVERIFY2(WriteSelection(target.toStdString(), session.plottedPoints(), fileType, error), error.c_str());

    const QString cliTarget = suite_.filePath(QStringLiteral("cli.") + format);
    const CliRun cli = RunCli({QStringLiteral("save"), LogPath(QStringLiteral("a.log")), QStringLiteral("--root"),
                               suite_.path(), QStringLiteral("--x"), QStringLiteral("Time"), QStringLiteral("--y"),
                               QStringLiteral("Volts"), QStringLiteral("--band"), QStringLiteral("150:420"),
                               QStringLiteral("--format"), format, QStringLiteral("-o"), cliTarget});
    QVERIFY2(cli.exitCode == 0, cli.err.constData());
    const QByteArray written = ReadAll(target);
    QCOMPARE(written, ReadAll(cliTarget));
    QVERIFY(!written.isEmpty());
}

void TstViewerIntegration::sessionLimitsEqualTheCommandLineTool()
{
    TLogSession session;
    ZoomVoltsHeadless(session);
    const QByteArray written = QByteArray::fromStdString(
        LimitsReportText(session.store().voltageSamples(), session.store().allSamples()));
    const CliRun cli = RunCli({QStringLiteral("limits"), LogPath(QStringLiteral("a.log")), QStringLiteral("--root"),
                               suite_.path(), QStringLiteral("--x"), QStringLiteral("Time"), QStringLiteral("--y"),
                               QStringLiteral("Volts"), QStringLiteral("--band"), QStringLiteral("150:420"),
                               QStringLiteral("-o"), QStringLiteral("-")});
    QVERIFY2(cli.exitCode == 0, cli.err.constData());
    QCOMPARE(written, cli.out);
    QVERIFY(written.startsWith("Values with positive voltage\r\n"
                               "Name,,Time,Azimuth,Altitude,Right ascension,Declination,Beta,Lambda,Volts\r\n"
                               "Time,Minimum,"));
    QCOMPARE(written.count("\r\n"), qsizetype(2 * 19));
    QVERIFY(written.contains("\r\n\r\nAll values\r\nName,,Time,"));
}

void TstViewerIntegration::fileTypeIsKeptAcrossRuns()
{
    const QString target = suite_.filePath(QStringLiteral("kept.dat"));
    {
        auto form = MakeForm();
        QVERIFY(form);
        form->openChosenFile(LogPath(QStringLiteral("a.log")));
        form->saveCommands->seams.runFormatDialog = [](TSaveForm& dialog) {
            dialog.findChild<QRadioButton*>(QStringLiteral("rbBinary"))->click();
            return true;
        };
        form->saveCommands->seams.runSaveDialog = [&](QWidget*, const QString&, const QString&) { return target; };
        Find<QAction>(*form, "miSaveAs")->trigger();
        QCOMPARE(QFileInfo(target).size(), qint64(16 * form->plottedPoints().size()));
        // Not yet: the choice is written when the program ends.
        QVERIFY(ReadAll(suite_.filePath(QStringLiteral("ZVK.ini"))).contains("FileType=0\r\n"));
    }
    const QByteArray ini = ReadAll(suite_.filePath(QStringLiteral("ZVK.ini")));
    QVERIFY2(ini.startsWith(ControllerSettings + "[Driftline]\r\nFileType=2\r\n"), ini.constData());
    QVERIFY2(ini.endsWith(TrailingSettings), ini.constData());
    QCOMPARE(ini.count("FileType="), qsizetype(1));
    QVERIFY(ini.contains("Coeff No="));

    // The next run preselects "Binary"; cancelling the dialog writes nothing.
    auto form = MakeForm();
    QVERIFY(form);
    form->openChosenFile(LogPath(QStringLiteral("a.log")));
    int preselected = -1;
    bool saveDialogRan = false;
    form->saveCommands->seams.runFormatDialog = [&](TSaveForm& dialog) {
        preselected = dialog.ItemIndex();
        return false;
    };
    form->saveCommands->seams.runSaveDialog = [&](QWidget*, const QString&, const QString&) {
        saveDialogRan = true;
        return target;
    };
    QFile::remove(target);
    Find<QToolButton>(*form, "tbSave")->click();
    QCOMPARE(preselected, 2);
    QVERIFY(!saveDialogRan);
    QVERIFY(!QFile::exists(target));
    QVERIFY(form->saveCommands->saveForm()->findChild<QRadioButton*>(QStringLiteral("rbBinary"))->isChecked());
}

void TstViewerIntegration::unwritableTargetIsReportedAndKeptIntact_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("readOnlyFolder");
    QTest::newRow("selection into a read-only folder") << "tbSave" << true;
    QTest::newRow("maxima and minima into a read-only folder") << "miSaveLimits" << true;
    QTest::newRow("selection into a missing folder") << "tbSave" << false;
    QTest::newRow("maxima and minima into a missing folder") << "miSaveLimits" << false;
}

void TstViewerIntegration::unwritableTargetIsReportedAndKeptIntact()
{
    QFETCH(QString, command);
    QFETCH(bool, readOnlyFolder);
    if (readOnlyFolder && ::geteuid() == 0)
        QSKIP("the superuser writes into read-only folders");
    const QString folder = suite_.filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkpath(folder));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString kept = folder + QStringLiteral("/keep.csv");
    WriteAll(kept, "earlier contents\r\n");
    const QString target = readOnlyFolder ? kept : folder + QStringLiteral("/missing/keep.csv");
    if (readOnlyFolder)
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));

    auto form = MakeForm();
    QVERIFY(form);
    form->openChosenFile(LogPath(QStringLiteral("a.log")));
    std::vector<QString> reports;
    form->saveCommands->seams.runFormatDialog = [](TSaveForm& dialog) {
        dialog.SetItemIndex(SaveCommaSeparated);
        return true;
    };
    form->saveCommands->seams.runSaveDialog = [&](QWidget*, const QString&, const QString&) { return target; };
    form->saveCommands->seams.showError = [&](QWidget*, const QString&, const QString& text) {
        reports.push_back(text);
    };
    if (command == QStringLiteral("tbSave"))
        Find<QToolButton>(*form, "tbSave")->click();
    else
        Find<QAction>(*form, "miSaveLimits")->trigger();

    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(reports.size(), std::size_t(1));
    QVERIFY2(reports[0].contains(target), qPrintable(reports[0]));
    QVERIFY2(reports[0].contains(readOnlyFolder ? QStringLiteral("ermission") : QStringLiteral("No such file")),
             qPrintable(reports[0]));
    QCOMPARE(ReadAll(kept), QByteArray("earlier contents\r\n"));
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("keep.csv")});
}

QTEST_MAIN(TstViewerIntegration)
#include "tst_viewer_integration.moc"
