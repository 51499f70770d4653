// The window that fits its desktop: the plot follows the window's size (and is the classic picture
// again at the design size), the remembered place kept on a screen, a second window cascading,
// grid values on and off, and the plot's colours on a dark palette.
#include "app/Mainunit.h"
#include "app/Windowgeometry.h"
#include "astro/Timeunit.h"
#include "plot/AxisScale.h"
#include "plot/QuantityText.h"
#include "plot/canvas/Plotrender.h"
#include "plot/ui/Plotunit.h"
#include "session/Logsession.h"
#include "suite/Globalunit.h"

#include <QtTest>

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QFile>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace driftline;

namespace {

constexpr QRgb Red = qRgb(255, 0, 0);

// A site for the derivation; the viewer's own section is added by each test.
const QByteArray SuiteSettings = "[Latitude]\r\nDegrees=52\r\nMinutes=37\r\nSeconds=30\r\n"
                                 "[Longitude]\r\nDegrees=1\r\nMinutes=17\r\nSeconds=45\r\n";

// Ten minutes of a drift scan: azimuth creeping, volts a hump.
QByteArray ScanLog()
{
    QByteArray log = "Opening session 12/05/2010 21:03:15 (UTC)\r\n";
    for (int i = 0; i < 600; ++i) {
        const int volts = 1000 + (i > 200 && i < 400 ? (100 - std::abs(300 - i)) * 4 : 0) + i % 9;
        log += QByteArray::number(75795000 + i * 1000) + ' ' + QByteArray::number(8192 + i / 7) + ' ' +
               QByteArray::number(4096 + i % 5) + ' ' + QByteArray::number(volts) + "\r\n";
    }
    return log;
}

// The palette of a dark desktop theme.
QPalette DarkPalette()
{
    QPalette p;
    p.setColor(QPalette::Window, QColor(40, 42, 46));
    p.setColor(QPalette::WindowText, QColor(225, 225, 225));
    p.setColor(QPalette::Base, QColor(25, 26, 28));
    p.setColor(QPalette::Text, QColor(225, 225, 225));
    p.setColor(QPalette::Button, QColor(40, 42, 46));
    p.setColor(QPalette::ButtonText, QColor(225, 225, 225));
    p.setColor(QPalette::ToolTipBase, QColor(20, 20, 20));
    p.setColor(QPalette::Link, QColor(90, 160, 240));
    return p;
}

}  // namespace

class TstWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void plotFollowsTheWindowAndIsClassicAtTheDesignSize();
    void placeOnScreenKeepsTheWindowWithinReach_data();
    void placeOnScreenKeepsTheWindowWithinReach();
    void savedPlaceOffScreenOpensOnScreen();
    void secondWindowCascades();
    void gridValuesLabelEveryGridLine_data();
    void gridValuesLabelEveryGridLine();
    void gridValuesInTheWindowAndTheCommandLine();
    void darkPaletteKeepsTheRedTraceAndTakesTheMargin();
    void controlPanelFitsALargerFont_data();
    void controlPanelFitsALargerFont();

private:
    std::unique_ptr<TForm1> MakeForm();
    QString LogPath() const { return root_.filePath("Logs/scan.log"); }
    void WriteSettings(const QByteArray& viewerSection);
    QTemporaryDir root_;
};

void TstWindow::initTestCase()
{
    QVERIFY(root_.isValid());
    QVERIFY(QDir(root_.path()).mkpath("Logs"));
    TGlobalOptions options;
    options.rootFolder = root_.path().toStdString();
    InstallGlobal(options);
    QFile log(LogPath());
    QVERIFY(log.open(QIODevice::WriteOnly));
    log.write(ScanLog());
}

void TstWindow::init()
{
    WriteSettings({});
}

void TstWindow::WriteSettings(const QByteArray& viewerSection)
{
    QFile ini(root_.filePath("ZVK.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write(SuiteSettings);
    if (!viewerSection.isEmpty())
        ini.write("[Driftline]\r\n" + viewerSection);
}

std::unique_ptr<TForm1> TstWindow::MakeForm()
{
    TFormSeams seams;
    seams.message = [](QWidget*, const QString& text, bool) { qWarning("message: %s", qPrintable(text)); };
    auto form = std::make_unique<TForm1>(nullptr, seams);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return nullptr;
    return form;
}

void TstWindow::plotFollowsTheWindowAndIsClassicAtTheDesignSize()
{
    auto form = MakeForm();
    QVERIFY(form);
    QVERIFY(form->openLogFile(LogPath()));
    const QSize design = form->size();
    QCOMPARE(form->Plot->size(), QSize(DefaultPlotWidth, DefaultPlotHeight));

    // The same log drawn without a window at a control size, as driftline-cli plot --size does.
    const auto headless = [&](int width, int height) {
        TLogSession session(width, height);
        session.read(LogPath().toStdString());
        session.setAxes(form->horizontalQuantity(), form->verticalQuantity());
        return RenderSession(session);
    };
    const auto classic = headless(DefaultPlotWidth, DefaultPlotHeight);
    QVERIFY(form->Plot->Picture() == classic->Bitmap);

    // Larger: the plot takes every pixel the window gains, its view and picture with it.
    form->resize(design.width() + 240, design.height() + 130);
    QTRY_COMPARE(form->Plot->size(), QSize(DefaultPlotWidth + 240, DefaultPlotHeight + 130));
    QCOMPARE(form->session().view().controlWidth, DefaultPlotWidth + 240);
    QCOMPARE(form->session().view().Area, PlotRect(40, 40, DefaultPlotWidth + 200, DefaultPlotHeight + 90));
    QVERIFY(form->Plot->Picture() == headless(DefaultPlotWidth + 240, DefaultPlotHeight + 130)->Bitmap);
    QCOMPARE(form->plottedPoints().size(), form->session().activeSamples().size());
    // The last sample sits at the larger area's right edge.
    QCOMPARE(form->plottedPoints().pixelX.back(), double(DefaultPlotWidth + 200));

    // Smaller than the design: nothing but the control panel's width keeps the window wide.
    form->resize(design.width() - 250, design.height());
    QTRY_COMPARE(form->Plot->size(), QSize(DefaultPlotWidth - 250, DefaultPlotHeight));

    // Back at the design size: the classic picture, pixel for pixel.
    form->resize(design);
    QTRY_COMPARE(form->Plot->size(), QSize(DefaultPlotWidth, DefaultPlotHeight));
    QVERIFY(form->Plot->Picture() == classic->Bitmap);
}

void TstWindow::placeOnScreenKeepsTheWindowWithinReach_data()
{
    QTest::addColumn<QRect>("saved");
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<QRect>("expected");
    const QRect left(0, 0, 1600, 1000);
    const QRect right(1600, 0, 1280, 1024);
    const int bar = 20;  // title bar rows
    QTest::newRow("on screen: kept") << QRect(100, 100, 795, 514) << QList<QRect>{left} << QRect(100, 100, 795, 514);
    // At most 1600 - 100 = 1500: the left 100 pixels of the title bar stay on the screen.
    QTest::newRow("past the right edge") << QRect(5000, 300, 795, 514) << QList<QRect>{left}
                                         << QRect(1500, 300, 795, 514);
    // Above the screen: the title bar comes down onto it.
    QTest::newRow("above the top") << QRect(200, -400, 795, 514) << QList<QRect>{left} << QRect(200, bar, 795, 514);
    QTest::newRow("left of the screen") << QRect(-3000, 50, 795, 514) << QList<QRect>{left}
                                        << QRect(0, 50, 795, 514);
    QTest::newRow("below the bottom") << QRect(300, 2000, 795, 514) << QList<QRect>{left}
                                      << QRect(300, 900, 795, 514);
    // Larger than the screen: shrunk to it, less the title bar.
    QTest::newRow("larger than the screen") << QRect(0, 0, 2400, 1800) << QList<QRect>{left}
                                            << QRect(0, bar, 1600, 1000 - bar);
    // A second monitor that is still there keeps its window; one that was unplugged gives it to
    // the nearest screen.
    QTest::newRow("on the second screen") << QRect(1800, 200, 795, 514) << QList<QRect>{left, right}
                                          << QRect(1800, 200, 795, 514);
    QTest::newRow("second screen gone") << QRect(1800, 200, 795, 514) << QList<QRect>{left}
                                        << QRect(1500, 200, 795, 514);
    QTest::newRow("mostly on the second") << QRect(1500, 100, 795, 514) << QList<QRect>{left, right}
                                          << QRect(1600, 100, 795, 514);
}

void TstWindow::placeOnScreenKeepsTheWindowWithinReach()
{
    QFETCH(QRect, saved);
    QFETCH(QList<QRect>, screens);
    QFETCH(QRect, expected);
    QCOMPARE(PlaceOnScreen(saved, screens, 20), expected);
}

void TstWindow::savedPlaceOffScreenOpensOnScreen()
{
    // Remembered on a monitor far to the left and above that is no longer there.
    WriteSettings("Top=-3000\r\nLeft=-9000\r\nWidth=700\r\nHeight=520\r\n");
    auto form = MakeForm();
    QVERIFY(form);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2(screen.contains(form->pos()), qPrintable(QStringLiteral("%1,%2").arg(form->x()).arg(form->y())));
    QCOMPARE(form->size(), QSize(700, 520));
    // And the size and place it has now are what the next start finds.
    form->move(screen.left() + 30, screen.top() + 40);
    form.reset();
    QFile ini(root_.filePath("ZVK.ini"));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QByteArray written = ini.readAll();
    for (const QByteArray& line : {QByteArray("Width=700\r\n"), QByteArray("Height=520\r\n"),
                                   "Left=" + QByteArray::number(screen.left() + 30) + "\r\n"})
        QVERIFY2(written.contains(line), written.constData());
}

void TstWindow::secondWindowCascades()
{
    auto first = MakeForm();
    QVERIFY(first);
    auto second = MakeForm();
    QVERIFY(second);
    // Both remembered the same place; the second opens a title bar lower and further right.
    const int step = second->pos().x() - first->pos().x();
    QVERIFY2(step >= 8, qPrintable(QString::number(step)));
    QCOMPARE(second->pos().y() - first->pos().y(), step);
    // Once the first has closed, a new window takes its place again.
    first.reset();
    auto third = MakeForm();
    QVERIFY(third);
    QCOMPARE(third->pos(), QPoint(100, 100));

    // A cascade that would leave the screen starts again from the screen's corner.
    const QRect screen(0, 0, 1000, 800);
    QCOMPARE(Cascade(QRect(100, 100, 795, 514), 2, 20, screen), QRect(140, 140, 795, 514));
    // (910, 710) would leave 90 pixels of the window's corner on the screen, less than 100.
    QCOMPARE(Cascade(QRect(890, 690, 795, 514), 1, 20, screen), QRect(20, 20, 795, 514));
}

void TstWindow::gridValuesLabelEveryGridLine_data()
{
    QTest::addColumn<int>("quantity");
    QTest::addColumn<double>("minimum");
    QTest::addColumn<double>("maximum");
    QTest::addColumn<QStringList>("expected");
    // 2010-07-14 is day 40373. 12:00 on the 14th to midnight of the 17th, 2.5 days: the 5-hour
    // step (1 hour would give 60 steps, 5 hours 12), first tick the first whole multiple of 5
    // hours since the epoch after noon, 13:00; ticks below the last, 20:00 on the 16th.
    QTest::newRow("time over two and a half days")
        << int(Time) << 40373.5 << 40376.0
        << QStringList{"2010-07-14 13:00:00", "2010-07-14 18:00:00", "2010-07-14 23:00:00", "2010-07-15 04:00:00",
                       "2010-07-15 09:00:00", "2010-07-15 14:00:00", "2010-07-15 19:00:00", "2010-07-16 00:00:00",
                       "2010-07-16 05:00:00", "2010-07-16 10:00:00", "2010-07-16 15:00:00"};
    // Within a day the times stay as the classic labels show them.
    QTest::newRow("time over two hours") << int(Time) << 40373.5 << 40373.5 + 2.0 / 24
                                         << QStringList{"12:00:00", "12:10:00", "12:20:00", "12:30:00", "12:40:00",
                                                        "12:50:00", "13:00:00", "13:10:00", "13:20:00", "13:30:00",
                                                        "13:40:00", "13:50:00"};
    QTest::newRow("volts") << int(Volts) << 0.13 << 0.87
                           << QStringList{"0.150", "0.200", "0.250", "0.300", "0.350", "0.400", "0.450",
                                          "0.500", "0.550", "0.600", "0.650", "0.700", "0.750", "0.800"};
    // A declination across 0 is labelled with signed angles, 5 arc minutes apart.
    QTest::newRow("declination") << int(Declination) << -0.3 << 0.2
                                 << QStringList{"-0\u00b0 15' 0\"", "-0\u00b0 10' 0\"", "-0\u00b0 5' 0\"", "0\u00b0 0' 0\"",
                                                "0\u00b0 5' 0\"", "0\u00b0 10' 0\""};
}

void TstWindow::gridValuesLabelEveryGridLine()
{
    QFETCH(int, quantity);
    QFETCH(double, minimum);
    QFETCH(double, maximum);
    QFETCH(QStringList, expected);
    AxisScale scale;
    scale.Quantity = quantity;
    scale.Minimum = minimum;
    scale.Maximum = maximum;
    SetTicks(scale);
    QStringList texts;
    for (const std::string& t : GridValueTexts(scale))
        texts << QString::fromStdString(t);
    QCOMPARE(texts, expected);

    // The view labels every grid line with these texts, beside its line.
    TPlotView view;
    const bool horizontal = quantity != Declination;
    view.horizontalQuantity = horizontal ? static_cast<Quantity>(quantity) : Time;
    view.verticalQuantity = horizontal ? Volts : static_cast<Quantity>(quantity);
    view.axisScales[ScaleIndex(quantity, false)] = scale;
    const auto width = [](const std::string& t) { return static_cast<std::int32_t>(7 * t.size()); };
    const std::vector<PlotLabel> labels = view.gridValueLabels(false, width, 15);
    const GridLines grid = view.gridLines(false);
    QCOMPARE(labels.size(), grid.x.size() + grid.y.size());
    const std::size_t first = horizontal ? 0 : grid.x.size();
    for (int i = 0; i < expected.size(); ++i) {
        const PlotLabel& label = labels[first + static_cast<std::size_t>(i)];
        QCOMPARE(QString::fromStdString(label.text), expected[i]);
        // Inside the area, next to its own line.
        QVERIFY(view.Area.Contains(label.x, label.y));
        if (horizontal)
            QVERIFY(std::abs(label.x - grid.x[static_cast<std::size_t>(i)]) <= 16);
        else
            QVERIFY(std::abs(label.y - grid.y[static_cast<std::size_t>(i)]) <= 16);
    }

    // Rounded to the millisecond first: a hair before midnight is the next day's midnight.
    QCOMPARE(DatedTimeText(40373.0 - 0.0004 / 86400.0), std::string("2010-07-14 00:00:00"));
}

void TstWindow::gridValuesInTheWindowAndTheCommandLine()
{
    auto form = MakeForm();
    QVERIFY(form);
    QVERIFY(form->openLogFile(LogPath()));
    auto* gridValues = form->findChild<QAction*>(QStringLiteral("miGridValues"));
    QVERIFY(gridValues && gridValues->isCheckable() && !gridValues->isChecked());
    const QImage classic = form->Plot->Picture();

    gridValues->trigger();
    const QImage labelled = form->Plot->Picture();
    // More text: pixels in the labels' black that the classic picture lacks, inside the area.
    int newBlack = 0;
    const PlotRect area = form->Plot->Canvas.Area;
    for (int y = area.top + 1; y < area.bottom - 1; ++y)
        for (int x = area.left + 1; x < area.right - 1; ++x)
            if (labelled.pixel(x, y) == qRgb(0, 0, 0) && classic.pixel(x, y) != qRgb(0, 0, 0))
                ++newBlack;
    QVERIFY2(newBlack > 200, qPrintable(QString::number(newBlack)));

    // driftline-cli plot --grid-values draws the same picture.
    const QString png = root_.filePath("grid.png");
    QProcess cli;
    cli.start(DRIFTLINE_CLI, {"plot", LogPath(), "--root", root_.path(), "--x", "Time", "--y", "Azimuth",
                              "--grid-values", "-o", png});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    QVERIFY(QImage(png).convertToFormat(QImage::Format_RGB32) == labelled);

    // Off again: the classic picture; and the choice is remembered.
    gridValues->trigger();
    QVERIFY(form->Plot->Picture() == classic);
    gridValues->trigger();
    form.reset();
    auto again = MakeForm();
    QVERIFY(again);
    QVERIFY(again->findChild<QAction*>(QStringLiteral("miGridValues"))->isChecked());
    QVERIFY(again->session().gridValues());
}

void TstWindow::darkPaletteKeepsTheRedTraceAndTakesTheMargin()
{
    // The default (light) palette gives the classic colours.
    QCOMPARE(PlotColoursFor(QPalette()), PlotColours{});

    auto form = MakeForm();
    QVERIFY(form);
    QVERIFY(form->openLogFile(LogPath()));
    const QImage classic = form->Plot->Picture();
    const QPalette saved = QApplication::palette();
    QApplication::setPalette(DarkPalette());
    QTRY_COMPARE(form->Plot->Picture().pixel(5, 5), qRgb(40, 42, 46));
    const QImage dark = form->Plot->Picture();
    // The area is dark, the trace still red and where it was.
    QCOMPARE(dark.pixel(300, 60), qRgb(25, 26, 28));
    int redKept = 0, red = 0;
    for (int y = 0; y < dark.height(); ++y)
        for (int x = 0; x < dark.width(); ++x)
            if (dark.pixel(x, y) == Red) {
                ++red;
                redKept += classic.pixel(x, y) == Red;
            }
    QVERIFY(red > 500);
    QCOMPARE(redKept, red);
    // The labels in the margin are light on dark.
    bool lightText = false;
    for (int y = 0; y < 40 && !lightText; ++y)
        for (int x = 0; x < dark.width() && !lightText; ++x)
            lightText = dark.pixel(x, y) == qRgb(225, 225, 225);
    QVERIFY(lightText);

    QApplication::setPalette(saved);
    QTRY_VERIFY(form->Plot->Picture() == classic);
}

void TstWindow::controlPanelFitsALargerFont_data()
{
    QTest::addColumn<double>("points");
    QTest::newRow("11 points") << 11.0;
    QTest::newRow("12 points") << 12.0;
}

void TstWindow::controlPanelFitsALargerFont()
{
    QFETCH(double, points);
    const QFont saved = QApplication::font();
    QFont font = saved;
    font.setPointSizeF(points);
    QApplication::setFont(font);
    auto form = MakeForm();
    QApplication::setFont(saved);
    QVERIFY(form);
    // Every radio item and the Refresh button have the width their text needs ("Right ascension"
    // was cut to "Right ascensi"), and the rows of each group the height they need.
    const auto items = form->findChildren<QRadioButton*>();
    QCOMPARE(items.size(), 16);
    for (const QRadioButton* item : items) {
        QVERIFY2(item->width() >= item->sizeHint().width(), qPrintable(item->text()));
        QVERIFY2(item->height() >= item->fontMetrics().height(), qPrintable(item->text()));
    }
    const auto* refresh = form->findChild<QPushButton*>(QStringLiteral("btnRefresh"));
    QVERIFY(refresh->width() >= refresh->sizeHint().width());
    // The window is wider for it, so the plot keeps its design width, as far as the screen
    // (800 pixels wide on the offscreen platform) leaves room.
    const int screen = QGuiApplication::primaryScreen()->availableGeometry().width();
    const int panel = form->findChild<QWidget*>(QStringLiteral("pnlControl"))->width();
    QVERIFY(panel > 195);
    QCOMPARE(form->Plot->width(), std::min(DefaultPlotWidth, screen - panel));
}

QTEST_MAIN(TstWindow)
#include "tst_window.moc"
