// The window's newer gestures and conveniences: wheel zoom (Ctrl: vertical), arrow-key and
// middle-drag pan, each undone by Ctrl+Z; File > Open recent; the folder the save dialog opens
// in; the correction edits that take any text and check it on Refresh or Enter.
//
// The log has 400 records one second apart (21:03:15 on), azimuth counts 8192 + i mod 3 and,
// on four records of five, volts. The window shows Time against Azimuth, so the plot area
// (40, 40, 560, 410) spans records 0..399 across 520 columns.
#include "analysis/ui/Saveunit.h"
#include "app/Correctionedit.h"
#include "app/Mainunit.h"
#include "app/Plotgestures.h"
#include "app/Recentfiles.h"
#include "plot/ui/Plotunit.h"
#include "session/Logsession.h"
#include "suite/Globalunit.h"

#include <QtTest>

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QWheelEvent>

#include <memory>
#include <vector>

using namespace driftline;

Q_DECLARE_METATYPE(std::vector<int>)

namespace {

constexpr int RecordCount = 400;

QByteArray Log()
{
    QByteArray log = "Opening session 12/05/2010 21:03:15 (UTC)\r\n"
                     "Azimuth correction 12\r\n"
                     "Altitude correction -4\r\n";
    for (int i = 0; i < RecordCount; ++i) {
        log += QByteArray::number(75795000 + i * 1000) + ' ' + QByteArray::number(8192 + i % 3) + " 4096";
        if (i % 5 != 0)
            log += ' ' + QByteArray::number(1024 + i % 50);
        log += "\r\n";
    }
    return log;
}

std::vector<int> Records(int first, int last, int step = 1)
{
    std::vector<int> out;
    for (int i = first; i <= last; i += step)
        out.push_back(i);
    return out;
}

// The record index of a sample's time (seconds since the first record).
int RecordOf(const Sample& s, double firstTime)
{
    return static_cast<int>(std::lround((s[Time] - firstTime) * 86400.0));
}

}  // namespace

class TstGestures : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void wheelZoomsAboutThePointerAndUndoes_data();
    void wheelZoomsAboutThePointerAndUndoes();
    void arrowKeysAndMiddleDragPan();
    void recentFilesOrderDedupeAndLimit();
    void recentFileThatIsGoneIsRemoved();
    void saveFolderOrder_data();
    void saveFolderOrder();
    void saveDialogOpensInTheLastFolderAcrossRuns();
    void saveSuffixFollowsEveryType();
    void correctionEditTakesAnyTextAndMarksIt();
    void correctionRefusedOnRefreshKeepsTheLastValue();

private:
    std::unique_ptr<TForm1> MakeForm();
    QString LogPath(const QString& name) const { return root_.filePath("Logs/" + name); }
    void WriteLog(const QString& name, const QByteArray& bytes);
    // The records shown, as indexes 0..399.
    std::vector<int> Shown(const TForm1& form) const;
    void Wheel(TForm1& form, QPoint at, int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    QTemporaryDir root_;
    std::vector<QString> messages_;
};

void TstGestures::initTestCase()
{
    QVERIFY(root_.isValid());
    QVERIFY(QDir(root_.path()).mkpath("Logs"));
    TGlobalOptions options;
    options.rootFolder = root_.path().toStdString();
    InstallGlobal(options);
    WriteLog("scan.log", Log());
}

void TstGestures::init()
{
    QFile ini(root_.filePath("ZVK.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write("[Latitude]\r\nDegrees=52\r\n");
    ini.close();
    messages_.clear();
}

void TstGestures::WriteLog(const QString& name, const QByteArray& bytes)
{
    QFile f(LogPath(name));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

std::unique_ptr<TForm1> TstGestures::MakeForm()
{
    TFormSeams seams;
    seams.openFile = [](QWidget*, const QString&, const QString&, const QString&) { return QString(); };
    seams.message = [this](QWidget*, const QString& text, bool) { messages_.push_back(text); };
    auto form = std::make_unique<TForm1>(nullptr, seams);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return nullptr;
    return form;
}

std::vector<int> TstGestures::Shown(const TForm1& form) const
{
    const TSampleStore& store = form.session().store();
    const double first = store.unzoomedAllSamples().front()[Time];
    std::vector<int> out;
    for (const Sample& s : store.allSamples())
        out.push_back(RecordOf(s, first));
    return out;
}

void TstGestures::Wheel(TForm1& form, QPoint at, int delta, Qt::KeyboardModifiers modifiers)
{
    QWheelEvent event(QPointF(at), QPointF(form.Plot->mapToGlobal(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(form.Plot, &event);
    form.plotGestures->flushWheel();
}

void TstGestures::wheelZoomsAboutThePointerAndUndoes_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<int>("delta");
    QTest::addColumn<bool>("ctrl");
    QTest::addColumn<std::vector<int>>("shown");
    // Column 300 is halfway: record 199.5. One notch in shrinks the 399 s by 1.25 to 319.2 s
    // about it: [39.9, 359.1] s, records 40..359.
    QTest::newRow("one notch in") << QPoint(300, 225) << 120 << false << Records(40, 359);
    // Two notches at column 170 (a quarter of the way: 99.75 s) shrink by 1.5625:
    // [99.75 - 63.84, 99.75 + 191.52] = [35.91, 291.27] s, records 36..291.
    QTest::newRow("two notches in") << QPoint(170, 225) << 240 << false << Records(36, 291);
    // A fine wheel adds up: two half notches are one.
    QTest::newRow("half notches") << QPoint(300, 225) << 60 << false << Records(40, 359);
    // Ctrl: the vertical axis. Azimuth counts 8192..8194 span the rows; the middle row is count
    // 8193, and a notch in keeps 8193 +- 0.8 counts: the records with i mod 3 = 1.
    QTest::newRow("ctrl, one notch in") << QPoint(300, 225) << 120 << true << Records(1, 397, 3);
}

void TstGestures::wheelZoomsAboutThePointerAndUndoes()
{
    QFETCH(QPoint, at);
    QFETCH(int, delta);
    QFETCH(bool, ctrl);
    QFETCH(std::vector<int>, shown);
    auto form = MakeForm();
    QVERIFY(form);
    QVERIFY(form->openLogFile(LogPath("scan.log")));
    QCOMPARE(static_cast<int>(Shown(*form).size()), RecordCount);
    auto* undo = form->findChild<QToolButton*>("tbUndo");
    QVERIFY(!undo->isEnabled());
    const Qt::KeyboardModifiers modifiers = ctrl ? Qt::ControlModifier : Qt::NoModifier;
    if (delta < 120) {
        Wheel(*form, at, delta, modifiers);
        QCOMPARE(static_cast<int>(Shown(*form).size()), RecordCount);  // not a notch yet
    }
    Wheel(*form, at, delta, modifiers);
    QCOMPARE(Shown(*form), shown);
    QVERIFY(undo->isEnabled());
    // The picture, the fit and saving read the plotted points: they are the samples on screen.
    QCOMPARE(form->plottedPoints().size(), shown.size());
    // Turning back out about the same point is a step of its own. The scales fit the records
    // kept (40..359 s, not 39.9..359.1 s), so the window comes back a fraction of a second
    // inside the log's ends: one notch out about 199.5 s gives [0.125, 398.875] s, and two about
    // 99.75 s on 36..291 give [0.14, 398.58] s, records 1..398 either way.
    Wheel(*form, at, delta < 120 ? -120 : -delta, modifiers);
    if (ctrl) {
        // One azimuth left spans nothing: a notch out widens twenty grid steps of 1" by 1.25,
        // +-12.5", short of the next count (39.55" away), so it is no step. Seven notches give
        // +-10" x 1.25^7 = +-47.7", which reaches counts 8192 and 8194.
        QCOMPARE(Shown(*form), shown);
        QCOMPARE(static_cast<int>(form->session().store().allUndo().size()), 1);
        Wheel(*form, at, -7 * 120, modifiers);
        QCOMPARE(static_cast<int>(Shown(*form).size()), RecordCount);
    } else {
        QCOMPARE(Shown(*form), Records(1, 398));
    }
    QCOMPARE(static_cast<int>(form->session().store().allUndo().size()), 2);
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Shown(*form), shown);
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(static_cast<int>(Shown(*form).size()), RecordCount);
    QVERIFY(!undo->isEnabled());
}

void TstGestures::arrowKeysAndMiddleDragPan()
{
    auto form = MakeForm();
    QVERIFY(form);
    QVERIFY(form->openLogFile(LogPath("scan.log")));
    Wheel(*form, QPoint(300, 225), 120);
    QCOMPARE(Shown(*form), Records(40, 359));
    // The right arrow moves the view a tenth of the area, 52 of 520 columns: 31.9 of 319 s, to
    // [71.9, 390.9] s, records 72..390.
    QTest::keyClick(form->Plot, Qt::Key_Right);
    QCOMPARE(Shown(*form), Records(72, 390));
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Shown(*form), Records(40, 359));
    // Dragging with the middle button 52 columns to the left pulls the same later records in,
    // however many steps the mouse took, and is one step to undo.
    const QPoint start(300, 225);
    QTest::mousePress(form->Plot, Qt::MiddleButton, {}, start);
    for (int x : {290, 270, 260}) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, 225), QPointF(form->Plot->mapToGlobal(QPoint(x, 225))),
                         Qt::NoButton, Qt::MiddleButton, Qt::NoModifier);
        QApplication::sendEvent(form->Plot, &move);
        QTest::qWait(TPlotGestures::PanStepIntervalMs + 10);
    }
    QTest::mouseRelease(form->Plot, Qt::MiddleButton, {}, QPoint(248, 225));
    QCOMPARE(Shown(*form), Records(72, 390));
    QCOMPARE(static_cast<int>(form->session().store().allUndo().size()), 2);
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(Shown(*form), Records(40, 359));
    // Home resets to the whole log.
    QTest::keyClick(form.get(), Qt::Key_Home);
    QCOMPARE(static_cast<int>(Shown(*form).size()), RecordCount);
}

void TstGestures::recentFilesOrderDedupeAndLimit()
{
    for (int i = 0; i < 10; ++i)
        WriteLog(QStringLiteral("log%1.log").arg(i), Log().left(400));  // a header and a few records
    {
        auto form = MakeForm();
        QVERIFY(form);
        const TRecentFiles& recent = form->recentFiles->files();
        QVERIFY(recent.paths().isEmpty());
        QVERIFY(!form->recentFiles->menu()->isEnabled());
        QVERIFY(form->openLogFile(LogPath("log0.log")));
        QVERIFY(form->openLogFile(LogPath("log1.log")));
        // The same file by another spelling is the same entry, moved to the front.
        QVERIFY(form->openLogFile(root_.filePath("Logs/../Logs/log0.log")));
        QCOMPARE(recent.paths(), QStringList({LogPath("log0.log"), LogPath("log1.log")}));
        for (int i = 2; i < 10; ++i)
            QVERIFY(form->openLogFile(LogPath(QStringLiteral("log%1.log").arg(i))));
        // Eight at most, most recent first: log9 .. log2; log0 and log1 fell off the end.
        QCOMPARE(recent.paths().size(), TRecentFiles::Limit);
        QCOMPARE(recent.paths().front(), LogPath("log9.log"));
        QCOMPARE(recent.paths().back(), LogPath("log2.log"));
        const QList<QAction*> items = form->recentFiles->menu()->actions();
        QCOMPARE(items.front()->text(), QStringLiteral("&1 log9.log"));
        QCOMPARE(items.front()->toolTip(), LogPath("log9.log"));
        // Choosing an entry opens it and brings it to the front.
        items[3]->trigger();  // log6
        QCOMPARE(form->session().path().filename().string(), std::string("log6.log"));
        QCOMPARE(recent.paths().front(), LogPath("log6.log"));
    }
    // The next run shows the same list.
    auto again = MakeForm();
    QVERIFY(again);
    QCOMPARE(again->recentFiles->files().paths().front(), LogPath("log6.log"));
    QCOMPARE(again->recentFiles->files().paths().size(), TRecentFiles::Limit);
}

void TstGestures::recentFileThatIsGoneIsRemoved()
{
    WriteLog("short-lived.log", Log().left(400));
    auto form = MakeForm();
    QVERIFY(form);
    QVERIFY(form->openLogFile(LogPath("scan.log")));
    QVERIFY(form->openLogFile(LogPath("short-lived.log")));
    QVERIFY(QFile::remove(LogPath("short-lived.log")));
    form->recentFiles->menu()->actions().front()->trigger();
    QCOMPARE(static_cast<int>(messages_.size()), 1);
    QVERIFY(messages_.front().contains("short-lived.log") && messages_.front().contains("no longer exists"));
    QCOMPARE(form->recentFiles->files().paths(), QStringList({LogPath("scan.log")}));
    // The file shown stays as it was.
    QCOMPARE(form->session().path().filename().string(), std::string("short-lived.log"));
    // "Clear list" empties the list, here and in the settings.
    QCoreApplication::processEvents();  // the entries replaced above are released
    QAction* clear = form->recentFiles->menu()->actions().back();
    QCOMPARE(clear->text(), QStringLiteral("&Clear list"));
    clear->trigger();
    QVERIFY(form->recentFiles->files().paths().isEmpty());
    QVERIFY(!form->recentFiles->menu()->isEnabled());
    form.reset();
    auto again = MakeForm();
    QVERIFY(again);
    QVERIFY(again->recentFiles->files().paths().isEmpty());
}

void TstGestures::saveFolderOrder_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("last folder first") << QStringList{"last", "data", "logs"} << "last";
    QTest::newRow("last folder gone") << QStringList{"data", "logs"} << "data";
    QTest::newRow("only logs") << QStringList{"logs"} << "logs";
    QTest::newRow("none") << QStringList{} << "";
}

void TstGestures::saveFolderOrder()
{
    QFETCH(QStringList, existing);
    QFETCH(QString, chosen);
    const auto isFolder = [&](const QString& f) { return existing.contains(f); };
    QCOMPARE(ChooseSaveFolder("last", "data", "logs", isFolder), chosen);
    // Nothing remembered yet: the suite's folders.
    QCOMPARE(ChooseSaveFolder("", "data", "logs", isFolder), chosen == "last" ? QString("data") : chosen);
}

void TstGestures::saveDialogOpensInTheLastFolderAcrossRuns()
{
    const QString data = root_.filePath("Data");
    const QString elsewhere = root_.filePath("elsewhere");
    QVERIFY(QDir(root_.path()).mkpath("Data"));
    QVERIFY(QDir(root_.path()).mkpath("elsewhere"));
    QStringList folders;
    const auto answer = [&](const QString& target) {
        return [&folders, target](QWidget*, const QString&, const QString&, const QString& folder) {
            folders << folder;
            return target;
        };
    };
    {
        auto form = MakeForm();
        QVERIFY(form);
        QVERIFY(form->openLogFile(LogPath("scan.log")));
        form->saveCommands->seams.runFormatDialog = [](TSaveForm&) { return true; };
        form->saveCommands->seams.runSaveDialogIn = answer(elsewhere + "/points.csv");
        form->tbSaveClick();
        form->tbSaveClick();
        QCOMPARE(folders, QStringList({data, elsewhere}));
        QVERIFY(QFile::exists(elsewhere + "/points.csv"));
    }
    auto again = MakeForm();
    QVERIFY(again);
    QVERIFY(again->openLogFile(LogPath("scan.log")));
    again->saveCommands->seams.runFormatDialog = [](TSaveForm&) { return true; };
    again->saveCommands->seams.runSaveDialogIn = answer(QString());  // cancelled
    folders.clear();
    again->tbSaveClick();
    // The folder saved to goes away: the Data folder again, then Logs without it.
    QVERIFY(QDir(elsewhere).removeRecursively());
    again->tbSaveClick();
    QVERIFY(QDir(data).removeRecursively());
    again->miSaveLimitsClick();
    QCOMPARE(folders, QStringList({elsewhere, data, root_.filePath("Logs")}));
}

// Every file type, FITS included, gives the dialog its own extension for a name typed without one.
void TstGestures::saveSuffixFollowsEveryType()
{
    auto form = MakeForm();
    QVERIFY(form);
    QVERIFY(form->openLogFile(LogPath("scan.log")));
    QStringList suffixes;
    form->saveCommands->seams.runSaveDialogIn = [&](QWidget*, const QString&, const QString& suffix, const QString&) {
        suffixes << suffix;
        return QString();
    };
    for (int type = 0; type < 4; ++type) {
        form->saveCommands->seams.runFormatDialog = [type](TSaveForm& dialog) {
            dialog.SetItemIndex(type);
            return true;
        };
        form->tbSaveClick();
    }
    QCOMPARE(suffixes, QStringList({"csv", "txt", "dat", "fits"}));
}

void TstGestures::correctionEditTakesAnyTextAndMarksIt()
{
    auto form = MakeForm();
    QVERIFY(form);
    form->openChosenFile(LogPath("scan.log"));
    auto* edit = form->findChild<QLineEdit*>("edAltCorr");
    QCOMPARE(edit->text(), QStringLiteral("-4"));
    QVERIFY(!edit->font().italic());
    // Typing over the selected "-4" passes through "-", "-2" and "-24" to "-241".
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "-241");
    QCOMPARE(edit->text(), QStringLiteral("-241"));
    QCOMPARE(form->session().store().altitudeCorrection, -241);
    // Not applied yet: the samples were derived with -4, and the edit says so.
    QVERIFY(edit->font().italic());
    QCOMPARE(edit->toolTip(), QString::fromUtf8(CorrectionNotAppliedTip));
    // Emptied, the field stays empty while the user thinks.
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(edit->text(), QString());
    QCOMPARE(form->session().store().altitudeCorrection, -241);
    QTest::keyClicks(edit, "-241");
    auto* refresh = form->findChild<QPushButton*>("btnRefresh");
    QVERIFY(refresh->isEnabled());
    QTest::mouseClick(refresh, Qt::LeftButton);
    QVERIFY(messages_.empty());
    QVERIFY(!edit->font().italic());
    QVERIFY(edit->toolTip() != QString::fromUtf8(CorrectionNotAppliedTip));
    QCOMPARE(edit->text(), QStringLiteral("-241"));
    // Another spelling of the value applied is no pending change; another value is.
    edit->selectAll();
    QTest::keyClicks(edit, "-0241");
    QVERIFY(!edit->font().italic());
    edit->selectAll();
    QTest::keyClicks(edit, "241");
    QVERIFY(edit->font().italic());
}

void TstGestures::correctionRefusedOnRefreshKeepsTheLastValue()
{
    auto form = MakeForm();
    QVERIFY(form);
    form->openChosenFile(LogPath("scan.log"));
    auto* edit = form->findChild<QLineEdit*>("edAzCorr");
    const double firstAzimuth = form->session().store().allSamples().front()[Azimuth];
    edit->selectAll();
    QTest::keyClicks(edit, "15");
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_X);
    QCOMPARE(edit->text(), QStringLiteral("15x"));
    auto* refresh = form->findChild<QPushButton*>("btnRefresh");
    QTest::mouseClick(refresh, Qt::LeftButton);
    // Refused, with the last number typed put back and nothing derived again.
    QCOMPARE(static_cast<int>(messages_.size()), 1);
    QVERIFY2(messages_.front().contains("\"15x\"") && messages_.front().contains("15"), qPrintable(messages_.front()));
    QCOMPARE(edit->text(), QStringLiteral("15"));
    QCOMPARE(form->session().store().allSamples().front()[Azimuth], firstAzimuth);
    QVERIFY(edit->font().italic());
    // Refresh again applies 15: three counts more than the logged 12, 3 x 360 / 32768 degrees.
    QTest::mouseClick(refresh, Qt::LeftButton);
    QCOMPARE(static_cast<int>(messages_.size()), 1);
    QCOMPARE(form->session().store().allSamples().front()[Azimuth] - firstAzimuth, 0.032958984375);
    QVERIFY(!edit->font().italic());
}

QTEST_MAIN(TstGestures)
#include "tst_gestures.moc"
