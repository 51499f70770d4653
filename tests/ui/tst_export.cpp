// The picture leaves the window: File > Export picture... and driftline-cli plot -o as PNG, SVG
// and PDF, the plot drawn at a scaled desktop's device pixels, the read-out of the sample under
// the mouse, and the fit window beside the main window with the peak in the quantities' units.
#include "analysis/ui/Polunit.h"
#include "app/Exportpicture.h"
#include "app/Mainunit.h"
#include "plot/canvas/Drawview.h"
#include "plot/canvas/Plotexport.h"
#include "plot/canvas/Plotrender.h"
#include "plot/ui/Plotunit.h"
#include "session/Logsession.h"
#include "suite/Globalunit.h"

#include <QtTest>

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <cstdint>
#include <limits>
#include <memory>

using namespace driftline;

namespace {

constexpr int SimulatedRecords = 20000;

bool IsRed(QRgb c)
{
    return qRed(c) > 200 && qGreen(c) < 90 && qBlue(c) < 90;
}

// What an SVG file holds: its texts, and the vertices of its paths by stroke colour.
struct SvgContent {
    QStringList texts;
    QMap<QString, int> vertices;  // stroke colour -> number of path vertices (M and L)
    QMap<QString, int> moves;     // stroke colour -> number of pieces (M) of its paths
    bool wellFormed = false;
};

SvgContent ReadSvg(const QString& path)
{
    SvgContent content;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return content;
    QXmlStreamReader xml(&file);
    QStringList strokes{QStringLiteral("none")};  // the stroke in force, by element depth
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QXmlStreamAttributes a = xml.attributes();
            strokes << (a.hasAttribute("stroke") ? a.value("stroke").toString() : strokes.last());
            if (xml.name() == QLatin1String("text"))
                content.texts << xml.readElementText(QXmlStreamReader::IncludeChildElements);
            else if (xml.name() == QLatin1String("path")) {
                const QString d = a.value("d").toString();
                content.vertices[strokes.last()] += d.count(QLatin1Char('M')) + d.count(QLatin1Char('L'));
                content.moves[strokes.last()] += d.count(QLatin1Char('M'));
            }
            if (xml.isEndElement())  // readElementText consumed the end
                strokes.removeLast();
        } else if (xml.isEndElement()) {
            strokes.removeLast();
        }
    }
    content.wellFormed = !xml.hasError();
    return content;
}

// How many of the red pixels of the plot area of classic are red in other at scale times their
// place (the same picture drawn again, at other's resolution), as "kept of red".
std::pair<int, int> RedKept(const QImage& classic, const QImage& other, int scale)
{
    int red = 0, kept = 0;
    for (int y = 41; y < 409; ++y)
        for (int x = 41; x < 559; ++x)
            if (IsRed(classic.pixel(x, y))) {
                ++red;
                kept += IsRed(other.pixel(scale * x, scale * y)) ? 1 : 0;
            }
    return {kept, red};
}

QByteArray FileStart(const QString& path, int n)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(n) : QByteArray();
}

}  // namespace

class TstExport : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void pngEqualsTheWindowsPicture();
    void scaledDesktopDrawsAtDevicePixels();
    void svgHoldsTheTraceAsPathsAndTheLabelsAsText();
    void svgShowsTheFitOnlyWhileItIsOnScreen();
    void aLineOfManySegmentsIsDrawnWhole();
    void pdfIsAPageOfThePlotsSize();
    void unknownExtensionIsRefused();
    void ctrlEAsksForTheFileAndConfirms();
    void commandLinePicksTheFormatByExtension_data();
    void commandLinePicksTheFormatByExtension();
    void nearestSampleIsMarkedWithItsValues();
    void fitWindowStaysOnScreenAndNamesThePeak();

private:
    std::unique_ptr<TForm1> OpenForm();
    QString Out(const QString& name) const { return root_.filePath(name); }

    QTemporaryDir root_;
    QString log_;
    QStringList errors_;
};

void TstExport::initTestCase()
{
    QVERIFY(root_.isValid());
    QVERIFY(QDir(root_.path()).mkpath("Logs"));
    QFile ini(root_.filePath("ZVK.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Latitude]\r\nDegrees=52\r\n");
    ini.close();
    TGlobalOptions options;
    options.rootFolder = root_.path().toStdString();
    InstallGlobal(options);
    log_ = root_.filePath("Logs/scan.log");
    QProcess sim;
    sim.start(DRIFTLINE_CLI,
              {"simulate", log_, "--records", QString::number(SimulatedRecords), "--root", root_.path()});
    QVERIFY(sim.waitForFinished(60000));
    QCOMPARE(sim.exitCode(), 0);
}

std::unique_ptr<TForm1> TstExport::OpenForm()
{
    TFormSeams seams;
    seams.message = [](QWidget*, const QString&, bool) {};
    auto form = std::make_unique<TForm1>(nullptr, seams);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return nullptr;
    errors_.clear();
    TExportSeams exportSeams;
    exportSeams.showError = [this](QWidget*, const QString& text) { errors_ << text; };
    form->exportPicture->setSeams(exportSeams);
    if (!form->openLogFile(log_, false))
        return nullptr;
    // Volts against time, the drift scan's hump (the window remembers the axes of the form before).
    form->findChild<QAbstractButton*>("rbHorizontal0")->click();
    form->findChild<QAbstractButton*>("rbVertical7")->click();
    return form;
}

void TstExport::pngEqualsTheWindowsPicture()
{
    auto form = OpenForm();
    QVERIFY(form);
    QCOMPARE(form->Plot->PictureRatio(), 1.0);
    QVERIFY(form->exportPicture->exportTo(Out("window.png")));
    const QImage saved(Out("window.png"));
    QCOMPARE(saved.size(), QSize(600, 450));
    QVERIFY(saved.convertToFormat(QImage::Format_RGB32) == form->Plot->Picture());
    QVERIFY(form->Plot->Picture() == form->Plot->Canvas.Bitmap);
}

void TstExport::scaledDesktopDrawsAtDevicePixels()
{
    auto form = OpenForm();
    QVERIFY(form);
    const QImage classic = form->Plot->Canvas.Bitmap;
    form->Plot->SetPictureRatio(2.0);
    const QImage& sharp = form->Plot->Picture();
    QCOMPARE(sharp.size(), QSize(1200, 900));
    QCOMPARE(sharp.devicePixelRatio(), 2.0);
    // Every canvas pixel becomes two by two device pixels of the same colour where lines and
    // fills are concerned: the frame's corner (40, 40) and the first grey grid column.
    for (const QPoint& d : {QPoint(80, 80), QPoint(81, 81), QPoint(80, 81)})
        QCOMPARE(sharp.pixel(d), qRgb(0, 0, 0));
    int grid = -1;
    for (int x = 41; x < 560 && grid < 0; ++x)
        if (classic.pixel(x, 60) == qRgb(128, 128, 128))
            grid = x;
    QVERIFY(grid > 0);
    QCOMPARE(sharp.pixel(2 * grid, 120), qRgb(128, 128, 128));
    QCOMPARE(sharp.pixel(2 * grid + 1, 121), qRgb(128, 128, 128));
    // The red line lands on the same places: nearly every red canvas pixel is red at its device
    // pixels' corner (end pixels of a chain may differ by one). Volts across the plot, too: a
    // sample line wandering back and forth over every row, hundreds of thousands of segments.
    for (const bool across : {false, true}) {
        if (across) {
            form->findChild<QAbstractButton*>("rbHorizontal7")->click();
            form->findChild<QAbstractButton*>("rbVertical0")->click();
        }
        const QImage& drawn = form->Plot->Canvas.Bitmap;
        const auto [kept, red] = RedKept(drawn, form->Plot->Picture(), 2);
        QVERIFY(red > 500);
        QVERIFY2(kept >= red * 98 / 100, qPrintable(QString("%1 of %2").arg(kept).arg(red)));
    }
    // A mouse move Shows the picture again: with the canvas unchanged it is not painted again
    // (the same image), after a redraw it is.
    const qint64 painted = form->Plot->Picture().cacheKey();
    QTest::mouseMove(form->Plot, QPoint(300, 200));
    QCOMPARE(form->Plot->Picture().cacheKey(), painted);
    form->Redraw();
    QVERIFY(form->Plot->Picture().cacheKey() != painted);
    QCOMPARE(form->Plot->Picture().size(), QSize(1200, 900));
    // A PNG exported now is the sharp picture; back at ratio 1 the classic bitmap returns.
    QVERIFY(form->exportPicture->exportTo(Out("sharp.png")));
    QCOMPARE(QImage(Out("sharp.png")).size(), QSize(1200, 900));
    form->Plot->SetPictureRatio(1.0);
    QVERIFY(form->Plot->Picture() == form->Plot->Canvas.Bitmap);
}

void TstExport::svgHoldsTheTraceAsPathsAndTheLabelsAsText()
{
    auto form = OpenForm();
    QVERIFY(form);
    QVERIFY(form->exportPicture->exportTo(Out("plot.svg")));
    QSvgRenderer renderer(Out("plot.svg"));
    QVERIFY(renderer.isValid());
    QCOMPARE(renderer.viewBox(), QRect(0, 0, 600, 450));
    const SvgContent svg = ReadSvg(Out("plot.svg"));
    QVERIFY(svg.wellFormed);
    // The seven labels as text: the title, the two names and the four range ends.
    QVERIFY2(svg.texts.contains("Volts v Time"), qPrintable(svg.texts.join('|')));
    QVERIFY(svg.texts.contains("Time") && svg.texts.contains("Volts"));
    QCOMPARE(svg.texts.size(), 7);
    // The trace in red, by pixel column: at most first, lowest, highest and last of each of the
    // 521 columns, far fewer than the samples.
    const int traceVertices = svg.vertices.value("#ff0000");
    QVERIFY2(traceVertices > 200 && traceVertices <= 4 * 521 + 8, qPrintable(QString::number(traceVertices)));
    QVERIFY(static_cast<std::size_t>(traceVertices) < form->session().plottedPoints().size() / 4);
    // Drawn again, it is the same picture: the red pixels of the screen are red in the drawing;
    // also with volts across the plot (the line wandering over every row, most segments drawn
    // many times over).
    for (const bool across : {false, true}) {
        if (across) {
            form->findChild<QAbstractButton*>("rbHorizontal7")->click();
            form->findChild<QAbstractButton*>("rbVertical0")->click();
            QVERIFY(form->exportPicture->exportTo(Out("plot.svg")));
        }
        QSvgRenderer again(Out("plot.svg"));
        QImage drawn(600, 450, QImage::Format_RGB32);
        drawn.fill(Qt::white);
        {
            QPainter painter(&drawn);
            again.render(&painter, QRectF(0, 0, 600, 450));
        }
        const auto [kept, red] = RedKept(form->Plot->Canvas.Bitmap, drawn, 1);
        QVERIFY2(kept >= red * 95 / 100, qPrintable(QString("%1 of %2").arg(kept).arg(red)));
    }
}

void TstExport::svgShowsTheFitOnlyWhileItIsOnScreen()
{
    auto form = OpenForm();
    QVERIFY(form);
    form->miFitClick();
    QVERIFY(form->exportPicture->exportTo(Out("fit.svg")));
    QVERIFY(ReadSvg(Out("fit.svg")).moves.value("#0000ff") >= 2);  // the curve and the peak marker
    // A redraw removes the curve from the screen, and so from the next export.
    form->Redraw();
    QVERIFY(form->exportPicture->exportTo(Out("nofit.svg")));
    QCOMPARE(ReadSvg(Out("nofit.svg")).moves.value("#0000ff"), 0);
}

void TstExport::aLineOfManySegmentsIsDrawnWhole()
{
    // A million samples of volts across the plot against time up it: noise sends each sample to
    // another column, so few join, and the line runs back and forth over the same few pixels of
    // every row (a quarter of a million segments after the repeats are left out, in as many
    // pieces). A renderer given them as one path left most of the line out; drawn at twice the
    // device pixels and as SVG, the line must be all there.
    TPlotCanvas plot(PlotRect(0, 0, 600, 450));
    SetUpPlot(plot);
    PlottedPoints points;
    std::uint32_t noise = 12345;
    for (std::int64_t i = 0; i < 1000000; ++i) {
        noise = noise * 1664525u + 1013904223u;
        points.pixelX.push_back(static_cast<double>(200 + (noise >> 16) % 61));
        points.pixelY.push_back(static_cast<double>(409 - i * 368 / 1000000));
    }
    points.horizontalValues = points.pixelX;
    points.verticalValues = points.pixelY;
    DrawSamples(plot, points);
    const auto [kept, red] = RedKept(plot.Bitmap, CanvasPicture(plot, 2.0), 2);
    QVERIFY(red > 10000);
    QVERIFY2(kept >= red * 98 / 100, qPrintable(QString("%1 of %2").arg(kept).arg(red)));
    std::string error;
    QVERIFY(SavePlotPicture(plot, Out("many.svg").toStdString(), PictureFormat::Svg, error));
    QSvgRenderer renderer(Out("many.svg"));
    QImage drawn(600, 450, QImage::Format_RGB32);
    drawn.fill(Qt::white);
    {
        QPainter painter(&drawn);
        renderer.render(&painter, QRectF(0, 0, 600, 450));
    }
    const auto [svgKept, svgRed] = RedKept(plot.Bitmap, drawn, 1);
    QVERIFY2(svgKept >= svgRed * 95 / 100, qPrintable(QString("%1 of %2").arg(svgKept).arg(svgRed)));
}

void TstExport::pdfIsAPageOfThePlotsSize()
{
    auto form = OpenForm();
    QVERIFY(form);
    QVERIFY(form->exportPicture->exportTo(Out("plot.pdf")));
    QFile pdf(Out("plot.pdf"));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    QVERIFY(bytes.startsWith("%PDF-"));
    QVERIFY(bytes.trimmed().endsWith("%%EOF"));
    QVERIFY(bytes.size() > 2000);
    // One page of 600 x 450 points, a point per pixel; the labels as text in an embedded font.
    QCOMPARE(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page "), 1);
    QVERIFY2(
        QRegularExpression("/MediaBox \\[0 0 600(\\.0+)? 450(\\.0+)?\\]").match(QString::fromLatin1(bytes)).hasMatch(),
        bytes.mid(bytes.indexOf("/MediaBox"), 40).constData());
    QVERIFY(bytes.contains("/Font"));
}

void TstExport::unknownExtensionIsRefused()
{
    auto form = OpenForm();
    QVERIFY(form);
    for (const QString& name : {QStringLiteral("plot.gif"), QStringLiteral("plot")}) {
        errors_.clear();
        QVERIFY(!form->exportPicture->exportTo(Out(name)));
        QCOMPARE(errors_.size(), 1);
        QVERIFY2(errors_[0].contains(".png, .svg or .pdf"), qPrintable(errors_[0]));
        QVERIFY(!QFile::exists(Out(name)));
    }
    // A folder that does not exist: a clear error, nothing claimed.
    errors_.clear();
    QVERIFY(!form->exportPicture->exportTo(Out("missing/plot.svg")));
    QCOMPARE(errors_.size(), 1);
    QVERIFY(!form->findChild<QLabel*>("StatusPanel0")->text().startsWith("Exported"));
}

void TstExport::ctrlEAsksForTheFileAndConfirms()
{
    auto form = OpenForm();
    QVERIFY(form);
    QString suggested, filter;
    TExportSeams seams;
    seams.runSaveDialog = [&](QWidget*, const QString& s, const QString& f) {
        suggested = s;
        filter = f;
        return Out("keyed.pdf");
    };
    form->exportPicture->setSeams(seams);
    QCOMPARE(form->exportPicture->action()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
    form->activateWindow();
    QTest::keyClick(form.get(), Qt::Key_E, Qt::ControlModifier);
    QVERIFY2(suggested.endsWith("scan.png"), qPrintable(suggested));
    QVERIFY(filter.contains("*.png") && filter.contains("*.svg") && filter.contains("*.pdf"));
    QVERIFY(FileStart(Out("keyed.pdf"), 5) == "%PDF-");
    QCOMPARE(form->findChild<QLabel*>("StatusPanel0")->text(), "Exported the picture to " + Out("keyed.pdf"));
    // The next export opens where this one went.
    QTest::keyClick(form.get(), Qt::Key_E, Qt::ControlModifier);
    QCOMPARE(QFileInfo(suggested).absolutePath(), QFileInfo(Out("keyed.pdf")).absolutePath());
}

void TstExport::commandLinePicksTheFormatByExtension_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("starts");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("png") << "cli.png" << QStringList{} << 0 << QByteArray("\x89PNG") << QString();
    QTest::newRow("upper-case PNG") << "CLI2.PNG" << QStringList{} << 0 << QByteArray("\x89PNG") << QString();
    QTest::newRow("svg") << "cli.svg" << QStringList{} << 0 << QByteArray("<?xml") << QString();
    QTest::newRow("pdf") << "cli.pdf" << QStringList{} << 0 << QByteArray("%PDF-") << QString();
    QTest::newRow("png at twice the pixels")
        << "cli2x.png" << QStringList{"--scale", "2"} << 0 << QByteArray("\x89PNG") << QString();
    QTest::newRow("gif refused") << "cli.gif" << QStringList{} << 2 << QByteArray() << "cannot tell the picture format";
    QTest::newRow("no extension refused")
        << "cli" << QStringList{} << 2 << QByteArray() << "cannot tell the picture format";
    QTest::newRow("scaled svg refused") << "cli2x.svg" << QStringList{"--scale", "2"} << 2 << QByteArray()
                                        << "--scale applies to PNG";
    QTest::newRow("scale out of range") << "cli9x.png" << QStringList{"--scale", "9"} << 2 << QByteArray()
                                        << "--scale must be";
}

void TstExport::commandLinePicksTheFormatByExtension()
{
    QFETCH(QString, name);
    QFETCH(QStringList, extra);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, starts);
    QFETCH(QString, refusal);
    QProcess cli;
    cli.start(DRIFTLINE_CLI,
              QStringList{"plot", log_, "--root", root_.path(), "--x", "Time", "--y", "Volts", "-o", Out(name)} +
                  extra);
    QVERIFY(cli.waitForFinished(60000));
    const QString err = QString::fromLocal8Bit(cli.readAllStandardError());
    QCOMPARE(cli.exitCode(), exitCode);
    if (exitCode != 0) {
        QVERIFY2(err.contains(refusal), qPrintable(err));
        QVERIFY(!QFile::exists(Out(name)));
        return;
    }
    QVERIFY2(FileStart(Out(name), starts.size()) == starts, qPrintable(name));
    if (!extra.isEmpty())
        QCOMPARE(QImage(Out(name)).size(), QSize(1200, 900));
}

void TstExport::nearestSampleIsMarkedWithItsValues()
{
    auto form = OpenForm();
    QVERIFY(form);
    const PlottedPoints& points = form->session().plottedPoints();
    for (const QPoint& at : {QPoint(300, 225), QPoint(45, 400), QPoint(555, 45)}) {
        QTest::mouseMove(form->Plot, at);
        const std::optional<PlotPoint> marker = form->Plot->Marker();
        QVERIFY(marker);
        // No plotted point is nearer than the marked one.
        const auto d2 = [&](double x, double y) { return (x - at.x()) * (x - at.x()) + (y - at.y()) * (y - at.y()); };
        double best = std::numeric_limits<double>::max();
        for (std::size_t i = 0; i < points.size(); ++i)
            best = std::min(best, d2(points.pixelX[i], points.pixelY[i]));
        QCOMPARE(d2(marker->x, marker->y), best);
        const QStringList lines = form->Plot->toolTip().split('\n');
        QCOMPARE(lines.size(), 9);
        QVERIFY2(QRegularExpression("^Sample [\\d,]+ of [\\d,]+$").match(lines[0]).hasMatch(), qPrintable(lines[0]));
        QVERIFY2(QRegularExpression("^Time 2010-05-1\\d \\d\\d:\\d\\d:\\d\\d$").match(lines[1]).hasMatch(),
                 qPrintable(lines[1]));
        QVERIFY(lines[8].startsWith("Volts "));
        // The classic read-out of the pointer's place stays in the status bar.
        QVERIFY(form->findChild<QLabel*>("StatusPanel0")->text().startsWith("Time "));
        // The marker is drawn on screen only: the picture and the canvas stay as drawn.
        QVERIFY(form->Plot->Picture() == form->Plot->Canvas.Bitmap);
    }
    // Off the plot area (the margin) the marker and the tooltip go.
    QTest::mouseMove(form->Plot, QPoint(10, 10));
    QVERIFY(!form->Plot->Marker());
    QVERIFY(form->Plot->toolTip().isEmpty());
}

void TstExport::fitWindowStaysOnScreenAndNamesThePeak()
{
    auto form = OpenForm();
    QVERIFY(form);
    const QRect screen = form->screen()->availableGeometry();
    // The main window against the screen's right edge: no room on its right.
    form->move(screen.right() - form->frameGeometry().width() + 1, screen.top());
    QTest::qWait(10);
    form->miFitClick();
    QVERIFY(form->polForm && form->polForm->isVisible());
    const QRect fit = form->polForm->frameGeometry();
    QVERIFY2(screen.contains(fit.topLeft()) && fit.right() <= screen.right(), qPrintable(QString("%1,%2 %3x%4 on %5x%6")
                                                                                             .arg(fit.x())
                                                                                             .arg(fit.y())
                                                                                             .arg(fit.width())
                                                                                             .arg(fit.height())
                                                                                             .arg(screen.width())
                                                                                             .arg(screen.height())));
    // The peak of the drift scan's hump in the time's own units, date included.
    const QStringList peak = form->polForm->PeakLines();
    QCOMPARE(peak.size(), 3);
    QVERIFY2(peak[0].startsWith("Peak at x = "), qPrintable(peak[0]));
    QVERIFY2(QRegularExpression("^Time = 2010-05-1\\d \\d\\d:\\d\\d:\\d\\d$").match(peak[1]).hasMatch(),
             qPrintable(peak[1]));
    QVERIFY2(peak[2].startsWith("Volts = "), qPrintable(peak[2]));
    // The coefficients are listed as before.
    QVERIFY(form->polForm->Lines().first().startsWith("Corr coeff = "));
}

QTEST_MAIN(TstExport)
#include "tst_export.moc"
