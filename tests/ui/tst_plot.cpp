// The plot canvas, TPlot and DrawView: the canvas line's ends, clipping to the area, the frame, opaque text, the
// zoom band on the visible picture only, and the fast sample line against drawing every segment.
#include "plot/canvas/Drawview.h"
#include "plot/canvas/Plotrender.h"
#include "plot/ui/Plotunit.h"

#include <QPainter>
#include <QtTest>

#include <algorithm>
#include <array>
#include <random>
#include <set>
#include <utility>
#include <vector>

using namespace driftline;

Q_DECLARE_METATYPE(driftline::PlotPoint)
Q_DECLARE_METATYPE(driftline::PlottedPoints)

namespace {

using PixelList = std::vector<std::pair<int, int>>;

const QRgb Red = qRgb(255, 0, 0);
const QRgb Black = qRgb(0, 0, 0);
const QRgb MarginTint = qRgb(255, 255, 225);

std::set<std::pair<int, int>> PixelsOf(const QImage& image, QRgb colour)
{
    std::set<std::pair<int, int>> out;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour)
                out.insert({x, y});
    return out;
}

// A plot of the given size, set up as the window sets up its own, with a fixed margin tint.
std::unique_ptr<TPlotCanvas> MakePlot(int width = DefaultPlotWidth, int height = DefaultPlotHeight)
{
    auto plot = std::make_unique<TPlotCanvas>(PlotRect(0, 0, width, height));
    SetUpPlot(*plot);
    plot->SetMarginColor(QColor(MarginTint));
    return plot;
}

Sample MakeSample(double time, double azimuth, double altitude, double volts)
{
    Sample s;
    s[Time] = time;
    s[Azimuth] = azimuth;
    s[Altitude] = altitude;
    s[RightAscension] = azimuth;
    s[Declination] = altitude;
    s[Beta] = altitude;
    s[Lambda] = azimuth;
    s[Volts] = volts;
    return s;
}

}  // namespace

class TstPlot : public QObject {
    Q_OBJECT

private slots:
    void canvasLineKeepsStartDropsEnd_data();
    void canvasLineKeepsStartDropsEnd();
    void rasterLineMatchesQPainter_data();
    void rasterLineMatchesQPainter();
    void lineToClipsToArea_data();
    void lineToClipsToArea();
    void clearDrawsFrameAndArea();
    void drawTextIsOpaqueOnItsRegion_data();
    void drawTextIsOpaqueOnItsRegion();
    void zoomBandOnlyOnVisiblePicture();
    void fastSamplesMatchEverySegment_data();
    void fastSamplesMatchEverySegment();
    void drawViewGridIsTheModelsGrid();
    void drawViewJoinsSamplesInRed();
    void marginStaysPaleForBlackLabels_data();
    void marginStaysPaleForBlackLabels();
};

void TstPlot::canvasLineKeepsStartDropsEnd_data()
{
    QTest::addColumn<PlotPoint>("a");
    QTest::addColumn<PlotPoint>("b");
    QTest::addColumn<PixelList>("expected");
    // A canvas line covers its start pixel and stops one short of its end, whichever way it runs.
    QTest::newRow("right") << PlotPoint{2, 2} << PlotPoint{6, 2} << PixelList{{2, 2}, {3, 2}, {4, 2}, {5, 2}};
    QTest::newRow("left") << PlotPoint{6, 2} << PlotPoint{2, 2} << PixelList{{6, 2}, {5, 2}, {4, 2}, {3, 2}};
    QTest::newRow("down") << PlotPoint{3, 1} << PlotPoint{3, 5} << PixelList{{3, 1}, {3, 2}, {3, 3}, {3, 4}};
    QTest::newRow("up") << PlotPoint{3, 5} << PlotPoint{3, 1} << PixelList{{3, 5}, {3, 4}, {3, 3}, {3, 2}};
    QTest::newRow("diagonal") << PlotPoint{1, 1} << PlotPoint{4, 4} << PixelList{{1, 1}, {2, 2}, {3, 3}};
    QTest::newRow("diagonal back") << PlotPoint{4, 4} << PlotPoint{1, 1} << PixelList{{4, 4}, {3, 3}, {2, 2}};
    // Slope 1/2 sampled at the pixel centres: y = 0.5 (x + 0.5) gives 0.25, 0.75, 1.25, 1.75.
    QTest::newRow("half slope") << PlotPoint{0, 0} << PlotPoint{4, 2} << PixelList{{0, 0}, {1, 0}, {2, 1}, {3, 1}};
    QTest::newRow("no length") << PlotPoint{3, 3} << PlotPoint{3, 3} << PixelList{};
}

void TstPlot::canvasLineKeepsStartDropsEnd()
{
    QFETCH(PlotPoint, a);
    QFETCH(PlotPoint, b);
    QFETCH(PixelList, expected);
    const std::set<std::pair<int, int>> want(expected.begin(), expected.end());

    TPlotCanvas plot(PlotRect(0, 0, 10, 8));
    plot.Bitmap.fill(Qt::white);
    plot.Pen.setColor(QColor(Red));
    plot.CanvasLine(a, b);
    QCOMPARE(PixelsOf(plot.Bitmap, Red), want);

    QImage direct(10, 8, QImage::Format_RGB32);
    direct.fill(Qt::white);
    RasterCanvasLine(direct, a, b, Red);
    QCOMPARE(PixelsOf(direct, Red), want);
}

void TstPlot::rasterLineMatchesQPainter_data()
{
    QTest::addColumn<unsigned>("seed");
    QTest::addColumn<int>("maxLength");
    QTest::newRow("short lines") << 1u << 6;
    QTest::newRow("medium lines") << 2u << 40;
    QTest::newRow("long lines") << 3u << 600;
    QTest::newRow("long lines, other seed") << 4u << 600;
}

void TstPlot::rasterLineMatchesQPainter()
{
    QFETCH(unsigned, seed);
    QFETCH(int, maxLength);
    const int w = 600;
    const int h = 450;
    TPlotCanvas plot(PlotRect(0, 0, w, h));
    plot.Pen.setColor(QColor(Red));
    QImage direct(w, h, QImage::Format_RGB32);
    plot.Bitmap.fill(Qt::white);
    direct.fill(Qt::white);
    std::mt19937 rng(seed);
    int compared = 0;
    while (compared < 1500) {
        const PlotPoint a{static_cast<int>(rng() % w), static_cast<int>(rng() % h)};
        const PlotPoint b{a.x + static_cast<int>(rng() % (2 * maxLength + 1)) - maxLength,
                          a.y + static_cast<int>(rng() % (2 * maxLength + 1)) - maxLength};
        if (b.x < 0 || b.x >= w || b.y < 0 || b.y >= h)
            continue;
        plot.CanvasLine(a, b);
        RasterCanvasLine(direct, a, b, Red);
        const QRect box = QRect(QPoint(std::min(a.x, b.x), std::min(a.y, b.y)),
                                QPoint(std::max(a.x, b.x), std::max(a.y, b.y)));
        const QImage painted = plot.Bitmap.copy(box);
        const QImage written = direct.copy(box);
        if (painted != written)
            QFAIL(qPrintable(QStringLiteral("line (%1,%2)-(%3,%4) differs").arg(a.x).arg(a.y).arg(b.x).arg(b.y)));
        QPainter(&plot.Bitmap).fillRect(box, Qt::white);
        QPainter(&direct).fillRect(box, Qt::white);
        ++compared;
    }
}

void TstPlot::lineToClipsToArea_data()
{
    QTest::addColumn<PlotPoint>("from");
    QTest::addColumn<PlotPoint>("to");
    QTest::addColumn<int>("redCount");
    QTest::addColumn<PixelList>("red");
    QTest::addColumn<PixelList>("notRed");
    // Area (10, 10)-(50, 40). Counts follow from the crossings worked out on the edge lines.
    QTest::newRow("inside to outside ends at the right edge")
        << PlotPoint{20, 20} << PlotPoint{80, 20} << 30 << PixelList{{20, 20}, {49, 20}} << PixelList{{50, 20}};
    QTest::newRow("outside to inside starts at the right edge")
        << PlotPoint{80, 25} << PlotPoint{20, 25} << 30 << PixelList{{50, 25}, {21, 25}}
        << PixelList{{20, 25}, {51, 25}};
    QTest::newRow("through the area between its two crossings")
        << PlotPoint{0, 30} << PlotPoint{80, 30} << 40 << PixelList{{10, 30}, {49, 30}} << PixelList{{9, 30}, {50, 30}};
    QTest::newRow("above the area draws nothing")
        << PlotPoint{0, 5} << PlotPoint{80, 5} << 0 << PixelList{} << PixelList{{20, 5}};
    // The segment meets the bottom edge's line at x = 63, right of the area: no crossing.
    QTest::newRow("crossing the bottom line beside the area")
        << PlotPoint{60, 30} << PlotPoint{70, 60} << 0 << PixelList{} << PixelList{{63, 40}};
    QTest::newRow("down out of the bottom edge")
        << PlotPoint{30, 20} << PlotPoint{30, 60} << 20 << PixelList{{30, 20}, {30, 39}} << PixelList{{30, 40}};
    QTest::newRow("inside") << PlotPoint{12, 12} << PlotPoint{16, 12} << 4 << PixelList{{12, 12}, {15, 12}}
                            << PixelList{{16, 12}};
}

void TstPlot::lineToClipsToArea()
{
    QFETCH(PlotPoint, from);
    QFETCH(PlotPoint, to);
    QFETCH(int, redCount);
    QFETCH(PixelList, red);
    QFETCH(PixelList, notRed);
    TPlotCanvas plot(PlotRect(0, 0, 100, 70));
    plot.MarginColor = QColor(MarginTint);
    plot.SetArea(PlotRect(10, 10, 50, 40));
    plot.Pen.setColor(QColor(Red));
    plot.MoveTo(from.x, from.y);
    plot.LineTo(to.x, to.y);
    QCOMPARE(plot.LastPoint, to);
    QCOMPARE(static_cast<int>(PixelsOf(plot.Bitmap, Red).size()), redCount);
    for (const auto& [x, y] : red)
        QVERIFY2(plot.Bitmap.pixel(x, y) == Red, qPrintable(QStringLiteral("(%1,%2) should be red").arg(x).arg(y)));
    for (const auto& [x, y] : notRed)
        QVERIFY2(plot.Bitmap.pixel(x, y) != Red, qPrintable(QStringLiteral("(%1,%2) should not be red").arg(x).arg(y)));
}

void TstPlot::clearDrawsFrameAndArea()
{
    auto plot = MakePlot();
    const QImage& b = plot->Bitmap;
    QCOMPARE(plot->Area, PlotRect(40, 40, 560, 410));
    // The frame covers the area's left and top edges and stops one pixel short of its right and
    // bottom edges; beyond it lies the margin.
    const struct {
        int x, y;
        QRgb colour;
    } expected[] = {
        {0, 0, MarginTint},
        {39, 200, MarginTint},
        {40, 40, Black},
        {300, 40, Black},
        {559, 40, Black},
        {560, 40, MarginTint},
        {40, 409, Black},
        {300, 409, Black},
        {300, 410, MarginTint},
        {41, 41, qRgb(255, 255, 255)},
        {558, 408, qRgb(255, 255, 255)},
        {599, 449, MarginTint},
    };
    for (const auto& e : expected)
        QVERIFY2(b.pixel(e.x, e.y) == e.colour,
                 qPrintable(QStringLiteral("pixel (%1,%2) is %3").arg(e.x).arg(e.y).arg(b.pixel(e.x, e.y), 0, 16)));
    QCOMPARE(plot->Pen.color(), QColor(Qt::black));
}

void TstPlot::drawTextIsOpaqueOnItsRegion_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<double>("angle");
    QTest::addColumn<bool>("inArea");
    QTest::newRow("level, in the area") << 60 << 30 << 0.0 << true;
    QTest::newRow("level, in the margin") << 5 << 2 << 0.0 << false;
    QTest::newRow("upwards, in the margin") << 20 << 90 << 90.0 << false;
    QTest::newRow("upwards, in the area") << 100 << 75 << 90.0 << true;
}

void TstPlot::drawTextIsOpaqueOnItsRegion()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(double, angle);
    QFETCH(bool, inArea);
    const QRgb areaColour = qRgb(200, 255, 200);
    const QRgb untouched = qRgb(0, 0, 255);
    TPlotCanvas plot(PlotRect(0, 0, 200, 100));
    plot.MarginColor = QColor(MarginTint);
    plot.AreaColor = QColor(areaColour);
    plot.Area = PlotRect(40, 20, 160, 80);
    plot.Bitmap.fill(untouched);  // shows which pixels the text wrote
    const QString text = QStringLiteral("Volts");
    plot.DrawText(text, x, y, angle);

    const int w = plot.TextWidth(text);
    const int h = QFontMetrics(plot.Font).height();
    // The text cell: w x h to the right of and below (x, y); turned upwards it lies above y and
    // to the right of x.
    const QRect cell = angle == 0.0 ? QRect(x, y, w, h) : QRect(x, y - w, h, w);
    const QRgb background = inArea ? areaColour : MarginTint;
    int dark = 0;
    for (int py = 0; py < plot.Bitmap.height(); ++py) {
        for (int px = 0; px < plot.Bitmap.width(); ++px) {
            const QRgb c = plot.Bitmap.pixel(px, py);
            if (!cell.contains(px, py)) {
                QVERIFY2(c == untouched,
                         qPrintable(QStringLiteral("(%1,%2) outside the cell changed").arg(px).arg(py)));
                continue;
            }
            QVERIFY2(c != untouched, qPrintable(QStringLiteral("(%1,%2) inside the cell not filled").arg(px).arg(py)));
            if (qGray(c) < 80)
                ++dark;
        }
    }
    QVERIFY(dark > 10);
    // The cell's corners lie outside the glyphs: they show the region's colour.
    QCOMPARE(plot.Bitmap.pixel(cell.topLeft()), background);
    QCOMPARE(plot.Bitmap.pixel(cell.bottomRight()), background);
}

void TstPlot::zoomBandOnlyOnVisiblePicture()
{
    auto plot = std::make_unique<TPlot>(nullptr, PlotRect(0, 0, DefaultPlotWidth, DefaultPlotHeight));
    SetUpPlot(plot->Canvas);
    plot->Canvas.SetMarginColor(QColor(MarginTint));
    const QImage before = plot->Canvas.Bitmap.copy();
    plot->ShowBand(100, 250);
    QCOMPARE(plot->Canvas.Bitmap, before);
    int blackOnEdge = 0;
    for (int y = 41; y < 409; ++y)
        if (plot->Picture().pixel(100, y) == Black)
            ++blackOnEdge;
    // Dashed: part of the edge, not all of it.
    QVERIFY2(blackOnEdge > 100 && blackOnEdge < 368, qPrintable(QString::number(blackOnEdge)));
    QVERIFY(plot->Picture().pixel(175, 200) != Black);
    plot->Show();
    QCOMPARE(plot->Picture(), plot->Canvas.Bitmap);
}

void TstPlot::fastSamplesMatchEverySegment_data()
{
    QTest::addColumn<PlottedPoints>("points");
    auto add = [](const char* name, const std::vector<std::pair<double, double>>& xy) {
        PlottedPoints p;
        for (const auto& [x, y] : xy) {
            p.horizontalValues.push_back(x);
            p.verticalValues.push_back(y);
            p.pixelX.push_back(x);
            p.pixelY.push_back(y);
        }
        QTest::newRow(name) << p;
    };
    std::mt19937 rng(7);
    std::vector<std::pair<double, double>> xy;
    // Many samples per column, slowly rising with noise: the typical drift scan against time.
    for (int i = 0; i < 200000; ++i)
        xy.push_back({40 + i * 520 / 200000, 300 - i / 2000 + static_cast<int>(rng() % 40)});
    add("dense time series", xy);
    xy.clear();
    int x = 300, y = 200;
    for (int i = 0; i < 30000; ++i) {
        x = std::clamp(x + static_cast<int>(rng() % 7) - 3, 40, 560);
        y = std::clamp(y + static_cast<int>(rng() % 7) - 3, 40, 410);
        xy.push_back({x, y});
    }
    add("random walk", xy);
    xy.clear();
    for (int i = 0; i < 20000; ++i)
        xy.push_back({i % 2 ? 40 + static_cast<int>(rng() % 520) : 300, 40 + static_cast<int>(rng() % 371)});
    add("jumps between columns", xy);
    xy.clear();
    for (int i = 0; i < 20000; ++i)
        xy.push_back({static_cast<int>(rng() % 700) - 50, static_cast<int>(rng() % 550) - 50});
    add("points outside the area", xy);
    xy.clear();
    // A parked dish: three azimuth columns across the plot and few volts levels, so most long
    // segments repeat ones drawn before.
    for (int i = 0; i < 50000; ++i)
        xy.push_back({std::array{40, 300, 560}[rng() % 3], 200 + static_cast<int>(rng() % 12)});
    add("repeated long segments", xy);
    // Runs in one column ending on a strict extreme, with and without a segment after them.
    add("run ends on its maximum", {{100, 200}, {100, 210}, {100, 190}, {100, 220}});
    add("run ends on its minimum then leaves", {{100, 200}, {100, 210}, {100, 180}, {101, 205}});
    add("run revisits its extremes",
        {{99, 150}, {100, 200}, {100, 150}, {100, 250}, {100, 150}, {100, 250}, {120, 60}});
    add("one sample", {{300, 200}});
    add("all on the area's corner", {{40, 410}, {40, 410}, {40, 410}});
    add("on the edges", {{40, 40}, {560, 40}, {560, 410}, {40, 410}, {40, 40}, {300, 410}, {560, 225}});
}

void TstPlot::fastSamplesMatchEverySegment()
{
    QFETCH(PlottedPoints, points);
    auto fast = MakePlot();
    auto plain = MakePlot();
    DrawSamples(*fast, points, DrawMode::Fast);
    DrawSamples(*plain, points, DrawMode::EverySegment);
    QVERIFY(fast->Bitmap == plain->Bitmap);
    QCOMPARE(fast->LastPoint, plain->LastPoint);
    // A line of no length has no pixels: only a move to another point draws.
    bool moves = false;
    for (std::size_t i = 1; i < points.size(); ++i)
        moves = moves || points.pixelX[i] != points.pixelX[i - 1] || points.pixelY[i] != points.pixelY[i - 1];
    QCOMPARE(!PixelsOf(fast->Bitmap, Red).empty(), moves);
}

void TstPlot::drawViewGridIsTheModelsGrid()
{
    // Two hours of samples from 0.13 V rising to 0.87 V: a grid in both directions.
    SampleList samples;
    for (int i = 0; i <= 7200; ++i)
        samples.push_back(MakeSample(40000.5 + i / 86400.0, 100.0, 45.0, 0.13 + 0.74 * i / 7200.0));
    TPlotView view;
    view.horizontalQuantity = Time;
    view.verticalQuantity = Volts;
    view.rescaleAll(samples, {});
    auto plot = MakePlot();
    PlottedPoints points;
    DrawView(*plot, view, samples, false, points);
    QCOMPARE(points.size(), samples.size());

    const QRgb grey = GridColor.rgb();
    const GridLines grid = view.gridLines(false);
    QVERIFY(grid.x.size() >= 5 && grid.y.size() >= 5);
    const std::set<int> gridColumns(grid.x.begin(), grid.x.end());
    const std::set<int> gridRows(grid.y.begin(), grid.y.end());
    // A row just inside the top of the area: grey exactly in the grid's columns (where the red
    // line does not pass over them).
    const int row = plot->Area.top + 3;
    for (int x = plot->Area.left + 1; x < plot->Area.right - 1; ++x) {
        const QRgb c = plot->Bitmap.pixel(x, row);
        if (c == Red)
            continue;
        QVERIFY2((c == grey) == (gridColumns.count(x) == 1), qPrintable(QStringLiteral("column %1").arg(x)));
    }
    const int column = plot->Area.right - 3;
    for (int y = plot->Area.top + 1; y < plot->Area.bottom - 1; ++y) {
        const QRgb c = plot->Bitmap.pixel(column, y);
        if (c == Red || gridColumns.count(column))
            continue;
        QVERIFY2((c == grey) == (gridRows.count(y) == 1), qPrintable(QStringLiteral("row %1").arg(y)));
    }
}

void TstPlot::drawViewJoinsSamplesInRed()
{
    // The first sample holds both minima, the second both maxima: the line runs from the
    // area's bottom-left corner to its top-right corner.
    const SampleList samples = {MakeSample(40000.25, 10, 20, 1.0), MakeSample(40000.75, 30, 40, 2.0)};
    TPlotView view;
    view.horizontalQuantity = Time;
    view.verticalQuantity = Volts;
    view.rescaleAll(samples, {});
    auto plot = MakePlot();
    PlottedPoints points;
    DrawView(*plot, view, samples, false, points);
    QCOMPARE(points.pixelX, (std::vector<double>{40, 560}));
    QCOMPARE(points.pixelY, (std::vector<double>{410, 40}));
    QCOMPARE(plot->Bitmap.pixel(40, 410), Red);
    QVERIFY(plot->Bitmap.pixel(560, 40) != Red);
    // Near the middle the line passes within a pixel of (300, 225).
    bool nearMiddle = false;
    for (int dy = -1; dy <= 1; ++dy)
        nearMiddle = nearMiddle || plot->Bitmap.pixel(300, 225 + dy) == Red;
    QVERIFY(nearMiddle);
}

void TstPlot::marginStaysPaleForBlackLabels_data()
{
    QTest::addColumn<QColor>("toolTipBase");
    QTest::addColumn<QColor>("expected");
    const QColor paleYellow(255, 255, 220);
    // Light themes keep their own tool-tip colour; HSL lightness (max + min) / 2 of each is in the
    // row name. Dark ones would hide the black labels and give the pale yellow instead.
    QTest::newRow("classic info yellow, 237") << paleYellow << paleYellow;
    QTest::newRow("light grey, 247") << QColor(0xf7, 0xf7, 0xf7) << QColor(0xf7, 0xf7, 0xf7);
    QTest::newRow("pale blue, 232") << QColor(0xd8, 0xe8, 0xf8) << QColor(0xd8, 0xe8, 0xf8);
    QTest::newRow("lightness 160 exactly") << QColor(160, 160, 160) << QColor(160, 160, 160);
    QTest::newRow("lightness 159") << QColor(159, 159, 159) << paleYellow;
    QTest::newRow("slate dark, 54") << QColor(0x31, 0x36, 0x3b) << paleYellow;
    QTest::newRow("black, 0") << QColor(0, 0, 0) << paleYellow;
}

void TstPlot::marginStaysPaleForBlackLabels()
{
    QFETCH(QColor, toolTipBase);
    QFETCH(QColor, expected);
    const QPalette saved = QApplication::palette();
    QPalette palette = saved;
    palette.setColor(QPalette::ToolTipBase, toolTipBase);
    QApplication::setPalette(palette);
    TPlotCanvas plot(PlotRect(0, 0, DefaultPlotWidth, DefaultPlotHeight));
    SetUpPlot(plot);
    QApplication::setPalette(saved);
    QCOMPARE(plot.MarginColor, expected);
    // The margin of the picture itself, outside the frame.
    QCOMPARE(plot.Bitmap.pixel(5, 5), expected.rgb());
}

QTEST_MAIN(TstPlot)
#include "tst_plot.moc"
