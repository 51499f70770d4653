// The fit command on the window: the result window, the curve drawn in blue, the warning box.
#include "analysis/Fitunit.h"
#include "analysis/PolyfitUnit.h"
#include "analysis/ui/Fitdraw.h"
#include "analysis/ui/Polunit.h"
#include "plot/canvas/Plotrender.h"
#include "plot/ui/Plotunit.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <vector>

using namespace driftline;

namespace {

PlottedPoints Pixels(std::vector<double> x, std::vector<double> y)
{
    PlottedPoints p;
    p.horizontalValues = x;
    p.verticalValues = y;
    p.pixelX = std::move(x);
    p.pixelY = std::move(y);
    return p;
}

bool IsFitBlue(const QImage& image, int x, int y)
{
    return image.pixel(x, y) == QColor(0, 0, 255).rgb();
}

}  // namespace

class TestAnalysisFit : public QObject {
    Q_OBJECT

private:
    std::vector<std::string> shown_;
    PolyFitReporter previous_;

private slots:
    void init()
    {
        shown_.clear();
        previous_ = SetPolyFitReporter([this](const std::string& text, const std::string&) { shown_.push_back(text); });
    }
    void cleanup() { SetPolyFitReporter(previous_); }

    void resultWindowLooksAsDesigned()
    {
        QWidget owner;
        TPolForm form(&owner);
        QCOMPARE(form.windowTitle(), QStringLiteral("Polynomial fit"));
        QVERIFY(form.isWindow());
        QCOMPARE(form.size(), QSize(332, 258));
        QVERIFY(form.minimumSize() != form.maximumSize());  // resizable
        const QFont font = form.Memo()->font();
        QVERIFY(font.bold());
        QCOMPARE(font.pixelSize(), 13);
        // Monospaced as actually rendered: a narrow and a wide letter take the same advance.
        const QFontMetrics metrics(font);
        QCOMPARE(metrics.horizontalAdvance(QLatin1Char('i')), metrics.horizontalAdvance(QLatin1Char('W')));
        QVERIFY(QFontInfo(font).bold());
        QCOMPARE(form.Memo()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }

    void showAtMovesEmptiesAndComesBackAfterClose()
    {
        QWidget owner;
        TPolForm form(&owner);
        form.ShowAt(300, 120);
        form.AddLine("old line");
        QCOMPARE(form.Lines(), QStringList{"old line"});
        form.close();
        QVERIFY(!form.isVisible());
        form.ShowAt(310, 130);
        QVERIFY(form.isVisible());
        QVERIFY(form.Lines().isEmpty());
        QCOMPARE(form.pos(), QPoint(310, 130));
    }

    void failingFitListsKeptCoefficientsBesideTheWindow()
    {
        // A main window with room on its right on the screen (the result window opens there).
        QWidget mainWindow;
        mainWindow.setGeometry(10, 80, 400, 300);
        mainWindow.show();
        TPlot plot(nullptr, PlotRect(0, 0, 600, 450));
        SetUpPlot(plot.Canvas);
        TPolForm* polForm = nullptr;
        std::vector<double> kept = {100.0, -0.5, 0.25};
        const double r = RunFitCommand(&mainWindow, polForm, plot,
                                       [&] { return RunFit(Pixels({300}, {200}), 5, kept); });
        QCOMPARE(r, -1.0);
        QVERIFY(polForm != nullptr);
        QCOMPARE(polForm->parentWidget(), &mainWindow);
        QCOMPARE(polForm->Lines(),
                 (QStringList{"Corr coeff = -1.00000", "a0 = 100", "a1 = -0.5", "a2 = 0.25", "a3 = 0", "a4 = 0"}));
        QCOMPARE(shown_.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(shown_[0]), QStringLiteral("PolyFit called with less than two points"));
        const QRect frame = mainWindow.frameGeometry();
        QCOMPARE(polForm->pos(), QPoint(frame.x() + frame.width(), frame.y()));

        // The second fit reuses the window and empties it first.
        TPolForm* const first = polForm;
        RunFitCommand(&mainWindow, polForm, plot, [&] { return RunFit(Pixels({300}, {200}), 1, kept); });
        QCOMPARE(polForm, first);
        QCOMPARE(polForm->Lines(), (QStringList{"Corr coeff = -1.00000", "a0 = 100"}));
    }

    void curveAndMarkerAreBlue()
    {
        // Pixel y = 0.01 (x - 150)^2 + 100 for x = 100..200: the peak on screen is at x = 150,
        // y = 100; the curve's lowest screen point is y = 125, at both ends.
        std::vector<double> x, y;
        for (int px = 100; px <= 200; ++px) {
            x.push_back(px);
            y.push_back(0.01 * (px - 150) * (px - 150) + 100);
        }
        QWidget mainWindow;
        TPlot plot(nullptr, PlotRect(0, 0, 600, 450));
        SetUpPlot(plot.Canvas);
        plot.Canvas.Clear();
        TPolForm* polForm = nullptr;
        std::vector<double> kept;
        const double r = RunFitCommand(&mainWindow, polForm, plot, [&] { return RunFit(Pixels(x, y), 3, kept); });
        QVERIFY(r > 0.999999);
        QCOMPARE(plot.Canvas.Pen.color(), QColor(0, 0, 255));
        const QImage& bitmap = plot.Canvas.Bitmap;
        for (int row = 101; row <= 123; ++row)
            QVERIFY2(IsFitBlue(bitmap, 150, row), qPrintable(QString("marker row %1").arg(row)));
        QVERIFY(IsFitBlue(bitmap, 125, 106));   // on the curve: 0.01 * 25^2 + 100 = 106.25
        QVERIFY(!IsFitBlue(bitmap, 125, 130));  // below it, white area
        QVERIFY(!IsFitBlue(bitmap, 150, 140));  // the marker ends at the curve's lowest level
        // Show copied the bitmap to the picture on screen.
        QCOMPARE(plot.Picture().pixel(150, 110), bitmap.pixel(150, 110));
    }

    void warningBoxStaysOnTop()
    {
        QWidget mainWindow;
        mainWindow.show();
        InstallPolyFitMessageBox(&mainWindow);
        QString title, text;
        bool onTop = false;
        bool warning = false;
        QTimer answer;
        answer.setInterval(10);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            answer.stop();
            title = box->windowTitle();
            text = box->text();
            onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            warning = box->icon() == QMessageBox::Warning;
            box->button(QMessageBox::Ok)->click();
        });
        answer.start();
        std::vector<double> coefficients;
        QCOMPARE(FitPolynomial({1, 2}, {1, 2}, coefficients), -1.0);
        QCOMPARE(title, QStringLiteral("PolyFit Exception"));
        QCOMPARE(text, QStringLiteral("PolyFit called with less than one term"));
        QVERIFY(onTop);
        QVERIFY(warning);
    }
};

QTEST_MAIN(TestAnalysisFit)
#include "tst_analysis_fit.moc"
