// The window following a log as it grows: the lists, the count in the status bar and the picture
// keep up with the file; a zoom keeps its band while Undo and Reset bring back what arrived; the
// menu items, their shortcut and setting, the newest log of the folder, and a deleted log.
#include "app/Mainunit.h"
#include "logdata/Logfollower.h"
#include "logdata/Logreader.h"
#include "plot/canvas/Drawview.h"
#include "plot/canvas/Plotrender.h"
#include "plot/ui/Plotunit.h"
#include "suite/Globalunit.h"

#include "logdata/Samplebytes.h"

#include <QtTest>

#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QTemporaryDir>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

using namespace driftline;

namespace {

const char* const Settings = "[Latitude]\r\nDegrees=52\r\nMinutes=37\r\nSeconds=30\r\n";

// Records i from first to last: one a second from 21:03:15, azimuth cycling over 8192..8199
// counts, altitude 4096, volts on all but every fifth.
QByteArray Records(int first, int last)
{
    QByteArray text;
    for (int i = first; i < last; ++i) {
        text += QByteArray::number(75795000 + i * 1000) + ' ' + QByteArray::number(8192 + i % 8) + " 4096";
        if (i % 5 != 0)
            text += ' ' + QByteArray::number(1024 + i % 50);
        text += "\r\n";
    }
    return text;
}

const QByteArray Header = "Opening session 12/05/2010 21:03:15 (UTC)\r\nAzimuth correction 12\r\n"
                          "Altitude correction -4\r\n*Rec* DC Gain 10\r\n";

void Append(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::Append));
    QCOMPARE(f.write(bytes), bytes.size());
}

// The window's picture and plotted points against one full drawing of its lists on a fresh plot,
// with the scales one rescale over those lists gives.
void ExpectOneFullDrawing(TForm1& form)
{
    form.flushPendingRedraw();
    const int width = form.Plot->Canvas.Bitmap.width();
    const int height = form.Plot->Canvas.Bitmap.height();
    TPlotCanvas fresh(PlotRect(0, 0, width, height));
    SetUpPlot(fresh);
    TPlotView view(width, height);
    view.horizontalQuantity = form.horizontalQuantity();
    view.verticalQuantity = form.verticalQuantity();
    view.rescaleAll(form.session().store());
    PlottedPoints points;
    DrawView(fresh, view, form.session().store().allSamples(), false, points);
    QVERIFY(form.Plot->Canvas.Bitmap == fresh.Bitmap);
    QCOMPARE(form.plottedPoints().pixelX, points.pixelX);
    QCOMPARE(form.plottedPoints().pixelY, points.pixelY);
    QCOMPARE(form.plottedPoints().horizontalValues, points.horizontalValues);
}

}  // namespace

class TstFollow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void followedLogGrowsAndPlotAndCountFollow();
    void zoomKeepsItsBandWhileUndoAndResetTakeWhatArrived();
    void menuShortcutSettingAndNewestLog();
    void deletedLogEndsFollowingAndKeepsTheData();

private:
    std::unique_ptr<TForm1> MakeForm();
    QString LogPath(const QString& name) const { return root_.filePath("Logs/" + name); }
    void WriteLog(const QString& name, const QByteArray& bytes);

    QTemporaryDir root_;
    std::vector<QString> messages_;
};

void TstFollow::initTestCase()
{
    QVERIFY(root_.isValid());
    QVERIFY(QDir(root_.path()).mkpath("Logs"));
    TGlobalOptions options;
    options.rootFolder = root_.path().toStdString();
    InstallGlobal(options);
}

void TstFollow::init()
{
    QFile ini(root_.filePath("ZVK.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write(Settings);
    messages_.clear();
}

void TstFollow::WriteLog(const QString& name, const QByteArray& bytes)
{
    QFile f(LogPath(name));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

std::unique_ptr<TForm1> TstFollow::MakeForm()
{
    TFormSeams seams;
    seams.message = [this](QWidget*, const QString& text, bool) { messages_.push_back(text); };
    auto form = std::make_unique<TForm1>(nullptr, seams);
    form->resize(795, form->height());
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return nullptr;
    return form;
}

void TstFollow::followedLogGrowsAndPlotAndCountFollow()
{
    // The first part ends in a half-written record: "75987000 16384 36" must not become a sample.
    WriteLog("grow.log", Header + Records(0, 100) + "75987000 16384 36");
    auto form = MakeForm();
    QVERIFY(form);
    QVERIFY(form->openLogFile(LogPath("grow.log"), true));
    QVERIFY(form->following());
    QCOMPARE(form->session().store().allSamples().size(), std::size_t{100});
    QCOMPARE(form->lblFollow->text(), QStringLiteral("100 records, followed"));
    QVERIFY(form->lblFollow->isVisible());

    // The half line completes (as record 100's text would not: it is a different line) and the
    // writer goes on in pieces; the window keeps up without being asked.
    Append(LogPath("grow.log"), "41 1024\r\n");
    QTRY_COMPARE(form->session().store().allSamples().size(), std::size_t{101});
    const QByteArray rest = Records(101, 1100);
    for (int at = 0; at < rest.size(); at += 997) {
        Append(LogPath("grow.log"), rest.mid(at, 997));
        QTest::qWait(5);
    }
    QTRY_COMPARE(form->session().store().allSamples().size(), std::size_t{1100});
    QTRY_COMPARE(form->lblFollow->text(), QStringLiteral("1,100 records, followed"));

    // The lists are one read of the finished file, the picture is one full drawing of them.
    TSampleStore whole;
    QCOMPARE(readLogFile(LogPath("grow.log").toStdString(), whole, nullptr).status, TReadResult::Ok);
    QVERIFY(testing::SameSampleBytes(form->session().store().allSamples(), whole.allSamples()));
    QVERIFY(testing::SameSampleBytes(form->session().store().voltageSamples(), whole.voltageSamples()));
    QTRY_VERIFY(form->plottedPoints().size() == 1100);
    ExpectOneFullDrawing(*form);
    // Both ways of drawing were used: segments added while the scales stood, full redraws when
    // the time axis grew.
    QVERIFY(form->fullRedraws >= 2);
}

void TstFollow::zoomKeepsItsBandWhileUndoAndResetTakeWhatArrived()
{
    WriteLog("zoom.log", Header + Records(0, 200));
    auto form = MakeForm();
    QVERIFY(form);
    // Azimuth across, so samples that arrive later can fall inside a band of it.
    QTest::mouseClick(form->findChild<QRadioButton*>("rbHorizontal1"), Qt::LeftButton, {}, QPoint(6, 8));
    QCOMPARE(form->horizontalQuantity(), Azimuth);
    QVERIFY(form->openLogFile(LogPath("zoom.log"), true));
    // Azimuth counts 8192..8199 over the area's 520 columns from 40: a band over the left third
    // keeps counts 8192 and 8193 (columns 40 and 114) and drops 8194 on (188 and beyond).
    QTest::mousePress(form->Plot, Qt::LeftButton, {}, QPoint(40, 225));
    QTest::mouseMove(form->Plot, QPoint(150, 225));
    QTest::mouseRelease(form->Plot, Qt::LeftButton, {}, QPoint(150, 225));
    QCOMPARE(form->session().store().allSamples().size(), std::size_t{50});  // 2 of every 8 of 200
    QVERIFY(form->session().store().allUndo().size() == 1);

    // 80 more records: 20 of them carry counts 8192 or 8193.
    Append(LogPath("zoom.log"), Records(200, 280));
    QTRY_COMPARE(form->session().store().allRecords().size(), std::size_t{280});
    QCOMPARE(form->session().store().allSamples().size(), std::size_t{70});
    for (const Sample& s : form->session().store().allSamples())
        QVERIFY(s[Azimuth] < 8194 * 360.0 / 32768);
    // Inside the band the scales stood: the new segments were added to the picture, and it is
    // the picture a full drawing gives.
    QVERIFY(form->appendedDraws > 0);
    ExpectOneFullDrawing(*form);

    // Reset gives the whole file, as one read of it has it.
    form->tbExpandClick();
    TSampleStore whole;
    readLogFile(LogPath("zoom.log").toStdString(), whole, nullptr);
    QVERIFY(testing::SameSampleBytes(form->session().store().allSamples(), whole.allSamples()));
    QVERIFY(testing::SameSampleBytes(form->session().store().voltageSamples(), whole.voltageSamples()));
}

void TstFollow::menuShortcutSettingAndNewestLog()
{
    WriteLog("older.log", Header + Records(0, 10));
    WriteLog("tonight.log", Header + Records(0, 20));
    WriteLog("a-later-name.log", Header + Records(0, 30));
    using namespace std::chrono_literals;
    const auto now = std::filesystem::file_time_type::clock::now();
    std::filesystem::last_write_time(LogPath("older.log").toStdString(), now - 2h);
    std::filesystem::last_write_time(LogPath("a-later-name.log").toStdString(), now - 1h);
    std::filesystem::last_write_time(LogPath("tonight.log").toStdString(), now);
    {
        auto form = MakeForm();
        QVERIFY(form);
        QVERIFY(!form->miFollow->isChecked());
        QCOMPARE(form->miFollow->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
        QVERIFY(form->openLatestLog());
        QVERIFY(form->following());
        QVERIFY(form->miFollow->isChecked());
        QCOMPARE(form->session().store().allRecords().size(), std::size_t{20});
        QCOMPARE(std::filesystem::path(form->follower()->path()).filename().string(), std::string("tonight.log"));
        // Ctrl+L unticks it: following ends, the data stay.
        QTest::keyClick(form.get(), Qt::Key_L, Qt::ControlModifier);
        QVERIFY(!form->miFollow->isChecked());
        QVERIFY(!form->following());
        QCOMPARE(form->session().store().allRecords().size(), std::size_t{20});
        // And ticks it again: the log shown is followed again.
        QTest::keyClick(form.get(), Qt::Key_L, Qt::ControlModifier);
        QVERIFY(form->following());
    }
    // Remembered in the viewer's section; the next window starts with it ticked.
    QFile ini(root_.filePath("ZVK.ini"));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QVERIFY(ini.readAll().contains("Follow log=1\r\n"));
    auto form = MakeForm();
    QVERIFY(form->miFollow->isChecked());
    // The controller asks for an older log: read, not followed; for the newest: followed.
    QVERIFY(form->openControllerLog(LogPath("older.log")));
    QVERIFY(form->following());  // "Follow log" is ticked: every log opened is followed
    form->miFollow->setChecked(false);
    form->miFollowClick(false);
    QVERIFY(form->openControllerLog(LogPath("older.log")));
    QVERIFY(!form->following());
    QVERIFY(form->openControllerLog(LogPath("tonight.log")));
    QVERIFY(form->following());
}

void TstFollow::deletedLogEndsFollowingAndKeepsTheData()
{
    WriteLog("gone.log", Header + Records(0, 50));
    auto form = MakeForm();
    QVERIFY(form);
    QVERIFY(form->openLogFile(LogPath("gone.log"), true));
    Append(LogPath("gone.log"), Records(50, 60));
    QVERIFY(QFile::remove(LogPath("gone.log")));
    QTRY_VERIFY(!form->following());
    QCOMPARE(form->session().store().allSamples().size(), std::size_t{60});
    QCOMPARE(form->lblFollow->text(), QStringLiteral("60 records, following ended"));
    QCOMPARE(messages_.size(), std::size_t{1});
    QVERIFY2(messages_.front().contains("gone.log was deleted"), qPrintable(messages_.front()));
}

QTEST_MAIN(TstFollow)
#include "tst_follow.moc"
