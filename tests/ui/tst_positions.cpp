// The window's frame of positions: View > Positions, the status bar, Refresh in the frame in
// force, the "Frame" setting, and a FITS table from Save As matching the command-line tool's.
#include "analysis/Selectionwriter.h"
#include "analysis/ui/Saveunit.h"
#include "app/Mainunit.h"
#include "astro/Sitesettings.h"
#include "logdata/Samplederive.h"
#include "suite/Globalunit.h"

#include <QtTest>

#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

#include <cmath>
#include <cstring>
#include <memory>

using namespace driftline;

namespace {

// 20 March 2024 12:00:00 and 12:00:10 UTC; 16384 counts = 180 deg, 2731 = 30.0036621 deg.
const QByteArray NorthLog = "Opening session 20/03/2024 12:00:00 (UTC)\r\n"
                            "Azimuth correction 0\r\n"
                            "43200000 16384 2731 1024\r\n"
                            "43210000 6827 455 1030\r\n"
                            "43220000 6000 1200 1050\r\n";

// The suite's defaults give the site (54 16' N, 2 16' W, 200 m, 990 hPa, 10 C); the viewer plots
// Declination against Time.
const QByteArray ViewerIni = "[Driftline]\r\nHorizontal=0\r\nVertical=4\r\n";

// Astropy's AltAz -> ICRS declination of the first record at that site, 50 % humidity, 21 cm,
// polar motion 0 (`scripts/icrs_reference.py point 45371.5 180 30.003662109375`).
constexpr double FirstIcrsDec = -5.890954012;

}  // namespace

class TstPositions : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(root_.isValid());
        QVERIFY(QDir(root_.path()).mkpath("Logs"));
        TGlobalOptions options;
        options.rootFolder = root_.path().toStdString();
        InstallGlobal(options);
        QFile log(LogPath());
        QVERIFY(log.open(QIODevice::WriteOnly));
        log.write(NorthLog);
    }
    void init() { WriteIni(ViewerIni); }

    void classicByDefaultAndNothingWritten()
    {
        {
            auto form = MakeForm();
            QVERIFY(form->miFrameClassic->isChecked());
            QVERIFY(!form->miFrameIcrs->isChecked());
            QVERIFY(form->lblFrame->isHidden());
            QVERIFY(!form->session().frameSite().has_value());
            QVERIFY(form->openLogFile(LogPath()));
            // The classic derivation, bit for bit.
            const Sample classic = deriveSample({43200000, 16384, 2731, 1024}, 0, 0, 45371.0, CurrentSite());
            QCOMPARE(std::memcmp(&form->session().store().allSamples()[0], &classic, sizeof(Sample)), 0);
        }
        // A run without a choice leaves the key out, as before the menu existed.
        QVERIFY(!ReadIni().contains("Frame="));
    }

    void choosingIcrsDerivesAgainShowsAndRemembers()
    {
        {
            auto form = MakeForm();
            form->show();
            QVERIFY(form->openLogFile(LogPath()));
            const double classicDec = form->session().store().allSamples()[0][Declination];
            form->miFrameIcrs->trigger();
            QVERIFY(form->miFrameIcrs->isChecked());
            QVERIFY(!form->miFrameClassic->isChecked());
            const double icrsDec = form->session().store().allSamples()[0][Declination];
            QVERIFY2(std::fabs(icrsDec - (360.0 + FirstIcrsDec)) * 3600.0 < 0.01,
                     qPrintable(QString::number(icrsDec, 'g', 12)));
            QVERIFY(std::fabs(icrsDec - classicDec) * 3600.0 > 1.0);
            // The status bar names the frame, beside the two read-out panels, within the window.
            QVERIFY(!form->lblFrame->isHidden());
            QCOMPARE(form->lblFrame->text(), QStringLiteral("ICRS (J2000)"));
            auto* panel0 = form->findChild<QLabel*>(QStringLiteral("StatusPanel0"));
            auto* panel1 = form->findChild<QLabel*>(QStringLiteral("StatusPanel1"));
            QVERIFY(panel0->width() + panel1->width() + form->lblFrame->width() <= form->width());
            // Refresh derives in the frame in force.
            form->findChild<QPushButton*>(QStringLiteral("btnRefresh"))->setEnabled(true);
            form->btnRefreshClick();
            QCOMPARE(form->session().store().allSamples()[0][Declination], icrsDec);
        }
        QVERIFY2(ReadIni().contains("[Driftline]\r\nHorizontal=0\r\nVertical=4\r\n"), ReadIni().constData());
        QVERIFY(ReadIni().contains("Frame=1\r\n"));
        {
            // The next run starts in the ICRS frame and reads in it.
            auto form = MakeForm();
            QVERIFY(form->miFrameIcrs->isChecked());
            QVERIFY(form->openLogFile(LogPath()));
            QVERIFY(std::fabs(form->session().store().allSamples()[0][Declination] - (360.0 + FirstIcrsDec)) * 3600.0 <
                    0.01);
            // Back to classic: the classic samples again, and the panel goes.
            form->miFrameClassic->trigger();
            const Sample classic = deriveSample({43200000, 16384, 2731, 1024}, 0, 0, 45371.0, CurrentSite());
            QCOMPARE(std::memcmp(&form->session().store().allSamples()[0], &classic, sizeof(Sample)), 0);
            QVERIFY(form->lblFrame->isHidden());
        }
        QVERIFY(ReadIni().contains("Frame=0\r\n"));
    }

    void dut1ComesFromTheViewersSection_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<double>("shiftArcsec");
        // 0.5 s of Earth rotation is 0.5 x 15.041" of right ascension.
        QTest::newRow("viewer's DUT1") << QByteArray("[Driftline]\r\nFrame=1\r\nDUT1=0.5\r\n") << 7.52;
        QTest::newRow("another section's DUT1")
            << QByteArray("[Driftline]\r\nFrame=1\r\n[Position]\r\nDUT1=0.5\r\n") << 0.0;
    }
    void dut1ComesFromTheViewersSection()
    {
        QFETCH(QByteArray, ini);
        QFETCH(double, shiftArcsec);
        WriteIni("[Driftline]\r\nFrame=1\r\n");
        double plainRa = 0.0;
        {
            auto form = MakeForm();
            QVERIFY(form->openLogFile(LogPath()));
            plainRa = form->session().store().allSamples()[0][RightAscension];
        }
        WriteIni(ini);
        auto form = MakeForm();
        QVERIFY(form->openLogFile(LogPath()));
        const double shift = (form->session().store().allSamples()[0][RightAscension] - plainRa) * 3600.0;
        QVERIFY2(std::fabs(shift - shiftArcsec) < 0.05, qPrintable(QString::number(shift)));
    }

    // Save As, "FITS table": the same bytes as `driftline-cli save --format fits` for the view.
    void saveAsFitsMatchesCommandLine()
    {
        WriteIni(ViewerIni + "Frame=1\r\n");
        const QString saved = root_.filePath("window.fits");
        {
            auto form = MakeForm();
            QVERIFY(form->openLogFile(LogPath()));
            form->Redraw();
            form->saveCommands->seams.runFormatDialog = [](TSaveForm& dialog) {
                dialog.SetItemIndex(SaveFits);
                return true;
            };
            QString filter;
            form->saveCommands->seams.runSaveDialog = [&](QWidget*, const QString& f, const QString&) {
                filter = f;
                return saved;
            };
            QStringList errors;
            form->saveCommands->seams.showError = [&](QWidget*, const QString&, const QString& text) {
                errors << text;
            };
            form->tbSaveClick();
            QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
            QCOMPARE(filter, QStringLiteral("FITS table (*.fits);;Any (*.*)"));
        }
        QVERIFY(ReadIni().contains("FileType=3\r\n"));
        const QString cli = root_.filePath("cli.fits");
        QProcess run;
        run.start(DRIFTLINE_CLI, {"save", LogPath(), "--root", root_.path(), "--x", "Time", "--y", "Declination",
                                  "--format", "fits", "-o", cli});
        QVERIFY(run.waitForFinished(30000));
        QCOMPARE(run.exitCode(), 0);
        const QByteArray windowBytes = ReadFile(saved);
        QVERIFY(windowBytes.contains("RADESYS = 'ICRS    '"));
        QVERIFY(windowBytes.contains("LOGFILE = 'north.log'"));
        QCOMPARE(windowBytes, ReadFile(cli));
    }

private:
    QString LogPath() const { return root_.filePath("Logs/north.log"); }
    std::unique_ptr<TForm1> MakeForm()
    {
        TFormSeams seams;
        seams.openFile = [](QWidget*, const QString&, const QString&, const QString&) { return QString(); };
        seams.message = [](QWidget*, const QString& text, bool) { qWarning("message: %s", qPrintable(text)); };
        auto form = std::make_unique<TForm1>(nullptr, seams);
        form->resize(795, form->height());
        return form;
    }
    void WriteIni(const QByteArray& text)
    {
        QFile ini(root_.filePath("ZVK.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(text);
    }
    static QByteArray ReadFile(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QByteArray ReadIni() const { return ReadFile(root_.filePath("ZVK.ini")); }

    QTemporaryDir root_;
};

QTEST_MAIN(TstPositions)
#include "tst_positions.moc"
