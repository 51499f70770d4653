// Tools, "Transit fit..." on the real main window: a simulated Sun scan with the dish 40 counts
// off in azimuth, zoomed, fitted, and the correction applied with the result window's button.
#include "analysis/ui/Transitform.h"
#include "astro/Sitesettings.h"
#include "app/Mainunit.h"
#include "app/Transitcommand.h"
#include "astro/AstroConstants.h"
#include "logdata/Logsimulator.h"
#include "plot/ui/Plotunit.h"
#include "suite/Globalunit.h"

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace driftline;

class TstTransit : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(root_.isValid());
        TGlobalOptions options;
        options.rootFolder = root_.path().toStdString();
        InstallGlobal(options);
    }

    void useThisAzimuthCorrectionAppliesItAndRefreshes();

private:
    QTemporaryDir root_;
};

void TstTransit::useThisAzimuthCorrectionAppliesItAndRefreshes()
{
    // The scan: the log's correction is 12 and the dish really points 40 counts further in
    // azimuth, so the value to use is 52.
    TSimulateOptions sim;
    sim.records = 6000;
    QVERIFY(ParseSimulateStart("21/06/2010 10:30:00", sim));
    TSimulateTarget scan;
    scan.target = TSkyTarget::Body(KindSun);
    scan.site = CurrentSite();
    scan.azimuthMispointCounts = 40;
    sim.target = scan;
    std::string problem;
    QVERIFY2(ParkForTarget(sim, problem), problem.c_str());
    const QString path = root_.filePath("sun.log");
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(SimulateLog(sim)));
    }

    TFormSeams seams;
    seams.openFile = [](QWidget*, const QString&, const QString&, const QString&) { return QString(); };
    seams.message = [](QWidget*, const QString& text, bool) { QFAIL(qPrintable(text)); };
    TForm1 form(nullptr, seams);
    form.resize(795, form.height());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.findChild<QAbstractButton*>("rbHorizontal0")->click();  // Time
    form.findChild<QAbstractButton*>("rbVertical7")->click();    // Volts
    form.openChosenFile(path);
    QCOMPARE(form.session().store().voltageSamples().size(), form.session().store().voltageRecords().size());

    // Zoom as a user would to 10:45 .. 11:45 and a half (the scan runs 10:30 .. 12:10 and the Sun crosses at
    // 11:20 with a half-power width of 26 minutes): the whole hump stays on screen.
    const auto column = [&form](double hours) {
        Sample s;
        s[Time] = form.session().store().logDate + hours / 24.0;
        return form.session().view().samplePixel(s, Time, Volts, form.session().positiveVoltageView()).x;
    };
    const int x0 = column(10.75), x1 = column(11.75 + 0.5 / 60.0);
    QTest::mousePress(form.Plot, Qt::LeftButton, {}, QPoint(x0, 225));
    QTest::mouseMove(form.Plot, QPoint((x0 + x1) / 2, 225));
    QTest::mouseMove(form.Plot, QPoint(x1, 225));
    QTest::mouseRelease(form.Plot, Qt::LeftButton, {}, QPoint(x1, 225));
    QVERIFY(form.session().store().voltageSamples().size() < form.session().store().voltageRecords().size());

    int asked = 0;
    form.transitCommand->setSeams({[&asked](QWidget*) {
                                       ++asked;
                                       return std::optional<TTransitChoice>(TTransitChoice{"Sun", {}, {}});
                                   },
                                   {}});
    QAction* action = form.findChild<QAction*>("miTransit");
    QVERIFY(action);
    action->trigger();
    QCOMPARE(asked, 1);

    TTransitForm* result = form.transitCommand->resultWindow();
    QVERIFY(result && result->isVisible());
    QVERIFY2(result->Problem().isEmpty(), qPrintable(result->Problem()));
    const TTransitReport& report = form.transitCommand->lastReport();
    QVERIFY(report.ok());
    const qint64 correction = report.calibration->azimuthCorrection;
    QVERIFY2(std::abs(correction - 52) <= 2, qPrintable(QString::number(correction)));
    QVERIFY(result->Rows().contains(QStringLiteral("Azimuth correction: %1 counts").arg(correction)));
    // The fitted curve is drawn over the samples in its own colour.
    int curvePixels = 0;
    for (int y = 0; y < form.Plot->Picture().height(); ++y)
        for (int x = 0; x < form.Plot->Picture().width(); ++x)
            curvePixels += form.Plot->Picture().pixel(x, y) == TransitCurveColor.rgb();
    QVERIFY2(curvePixels > 300, qPrintable(QString::number(curvePixels)));

    // The button: the value goes into "Azimuth corr" and Refresh derives the samples again.
    QPushButton* apply = result->applyButton();
    QVERIFY(apply->isVisible() && apply->isEnabled());
    QTest::mouseClick(apply, Qt::LeftButton);
    auto* edAzCorr = form.findChild<QLineEdit*>("edAzCorr");
    QCOMPARE(edAzCorr->text(), QString::number(correction));
    QCOMPARE(qint64{form.session().store().azimuthCorrection}, correction);
    // Refresh brought back the whole file with every azimuth shifted from the logged counts by
    // the new correction less the logged 12.
    QCOMPARE(form.session().store().voltageSamples().size(), form.session().store().voltageRecords().size());
    QVERIFY(form.session().store().allUndo().empty());
    for (std::size_t i : {std::size_t{0}, form.session().store().allRecords().size() / 2,
                          form.session().store().allRecords().size() - 1}) {
        const double expected = (static_cast<double>(form.session().store().allRecords()[i].azimuthCounts) +
                                 static_cast<double>(correction - 12)) *
                                DegreesPerCount;
        QCOMPARE(form.session().store().allSamples()[i][Azimuth], expected);
    }
    QVERIFY(!apply->isEnabled());

    // Fitted again with the correction in place, the passage falls on the peak.
    action->trigger();
    QVERIFY(form.transitCommand->lastReport().ok());
    QVERIFY(std::abs(form.transitCommand->lastReport().calibration->offsetSeconds) < 10.0);
    QVERIFY(std::abs(form.transitCommand->lastReport().calibration->azimuthCorrection - correction) <= 1);
}

QTEST_MAIN(TstTransit)
#include "tst_transit.moc"
