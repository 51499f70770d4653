// Drawing the plot without the window, and writing it as PNG.
#include "plot/canvas/Plotrender.h"

#include "suite/Fileunit.h"

#include <QGuiApplication>
#include <QBuffer>
#include <QByteArray>
#include <QPalette>

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace driftline {

namespace {
int sessionArgc = 1;
char sessionName[] = "driftline";
char* sessionArgv[] = {sessionName, nullptr};

QtMessageHandler previousHandler = nullptr;

// A command-line run owes the user only its own lines: the toolkit's notes about the desktop it
// does not use (no XDG_RUNTIME_DIR, say) are dropped; critical and fatal messages still show.
void QuietSessionMessages(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        if (previousHandler)
            previousHandler(type, context, text);
        else
            std::fprintf(stderr, "%s\n", qPrintable(text));
    }
}
}  // namespace

TOffscreenSession::TOffscreenSession()
{
    if (QCoreApplication::instance() != nullptr)
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    previousHandler = qInstallMessageHandler(QuietSessionMessages);
    app_ = std::make_unique<QGuiApplication>(sessionArgc, sessionArgv);
}

TOffscreenSession::~TOffscreenSession()
{
    if (app_) {
        app_.reset();
        qInstallMessageHandler(previousHandler);
    }
}

QColor PlotMarginColor(const QPalette& palette)
{
    const QColor tip = palette.color(QPalette::ToolTipBase);
    // The labels in the margin are black on their opaque background, so a dark theme's tool-tip
    // colour would hide them; the margin then takes the classic pale tool-tip yellow.
    return tip.lightness() >= MinimumMarginLightness ? tip : QColor(255, 255, 220);
}

PlotColours PlotColoursFor(const QPalette& palette)
{
    PlotColours colours;
    const QColor window = palette.color(QPalette::Window);
    if (window.lightness() >= DarkWindowLightness) {
        colours.margin = PlotMarginColor(palette);
        return colours;
    }
    const QColor text = palette.color(QPalette::WindowText);
    QColor area = palette.color(QPalette::Base);
    // A base as light as the text would leave the labels in the area unreadable.
    if (std::abs(area.lightness() - text.lightness()) < 96)
        area = window;
    const auto between = [](const QColor& a, const QColor& b, double f) {
        return QColor(static_cast<int>(a.red() + (b.red() - a.red()) * f),
                      static_cast<int>(a.green() + (b.green() - a.green()) * f),
                      static_cast<int>(a.blue() + (b.blue() - a.blue()) * f));
    };
    colours.margin = window;
    colours.area = area;
    colours.frame = text;
    colours.text = text;
    colours.grid = between(area, text, 1.0 / 3.0);
    return colours;
}

void SetUpPlot(TPlotCanvas& plot)
{
    plot.MarginColor = PlotMarginColor(QGuiApplication::palette());
    plot.AreaColor = Qt::white;
    plot.Pen.setColor(Qt::black);
    const int w = plot.Bitmap.width();
    const int h = plot.Bitmap.height();
    plot.SetArea(PlotRect(PlotAreaInset, PlotAreaInset, w - PlotAreaInset, h - PlotAreaInset));
}

std::unique_ptr<TPlotCanvas> RenderSession(TLogSession& session)
{
    const TPlotView& view = session.view();
    auto plot = std::make_unique<TPlotCanvas>(PlotRect(0, 0, view.controlWidth, view.controlHeight));
    SetUpPlot(*plot);
    DrawSession(*plot, session);
    return plot;
}

bool SavePlotPng(const TPlotCanvas& plot, const std::filesystem::path& out, std::string& error)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!plot.Bitmap.save(&buffer, "PNG")) {
        error = "cannot encode the picture as PNG";
        return false;
    }
    return WriteFileAtomically(out, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), error);
}

}  // namespace driftline
