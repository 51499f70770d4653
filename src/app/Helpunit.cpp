#include "app/Helpunit.h"

#include "suite/Suiteroot.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QKeySequence>
#include <QPointer>
#include <QShortcut>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>
#include <map>

// The help pages live in a static library: their resource must be registered by name, or the
// linker may leave it out.
static void RegisterHelpResource()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(help);
        return true;
    }();
    (void)registered;
}

namespace driftline {

namespace {

// Context numbers of the main window's controls. Numbers are grouped by subject (1x window and
// files, 2x axes and read-out, 3x zoom, 4x corrections, 5x receiver, 6x fit, 7x saving, 8x the
// controller link); rgHorizontal's 20 is the one the form has always carried.
const std::map<QString, int>& ContextOfName()
{
    static const std::map<QString, int> map = {
        {QStringLiteral("TForm1"), 10},           {QStringLiteral("ToolBar1"), 10},
        {QStringLiteral("lblCaption"), 10},       {QStringLiteral("pnlControl"), 10},
        {QStringLiteral("tbOpen"), 11},           {QStringLiteral("miOpen"), 11},
        {QStringLiteral("miTextEditor"), 12},     {QStringLiteral("miAbout"), 13},
        {QStringLiteral("miHelp"), 14},           {QStringLiteral("miExit"), 15},
        {QStringLiteral("rgHorizontal"), 20},     {QStringLiteral("pnlHoriz"), 20},
        {QStringLiteral("rgVertical"), 21},       {QStringLiteral("pnlVert"), 21},
        {QStringLiteral("miVolts"), 22},          {QStringLiteral("StatusBar"), 23},
        {QStringLiteral("pnlPlot"), 30},          {QStringLiteral("Plot"), 30},
        {QStringLiteral("tbUndo"), 31},           {QStringLiteral("tbExpand"), 32},
        {QStringLiteral("edAzCorr"), 40},         {QStringLiteral("edAltCorr"), 41},
        {QStringLiteral("btnRefresh"), 42},       {QStringLiteral("pnlReceiver"), 50},
        {QStringLiteral("lblTimerInterval"), 50}, {QStringLiteral("lblIFGain"), 50},
        {QStringLiteral("lblDCGain"), 50},        {QStringLiteral("lblIntegration"), 50},
        {QStringLiteral("lblOffset"), 50},        {QStringLiteral("pnlNorm"), 60},
        {QStringLiteral("seCoeff"), 60},          {QStringLiteral("miFit"), 61},
        {QStringLiteral("tbSave"), 70},           {QStringLiteral("miSaveAs"), 70},
        {QStringLiteral("miSaveLimits"), 71},
    };
    return map;
}

// The topic of each context number: page and anchor.
const std::map<int, QString>& TopicOfContext()
{
    static const std::map<int, QString> map = {
        {10, QStringLiteral("index.html#window")},
        {11, QStringLiteral("opening.html#open")},
        {12, QStringLiteral("opening.html#editor")},
        {13, QStringLiteral("index.html#about")},
        {14, QStringLiteral("index.html#contents")},
        {15, QStringLiteral("index.html#closing")},
        {20, QStringLiteral("axes.html#horizontal")},
        {21, QStringLiteral("axes.html#vertical")},
        {22, QStringLiteral("axes.html#volts")},
        {23, QStringLiteral("axes.html#readout")},
        {30, QStringLiteral("zoom.html#zoom")},
        {31, QStringLiteral("zoom.html#undo")},
        {32, QStringLiteral("zoom.html#reset")},
        {40, QStringLiteral("corrections.html#azimuth")},
        {41, QStringLiteral("corrections.html#altitude")},
        {42, QStringLiteral("corrections.html#refresh")},
        {50, QStringLiteral("opening.html#receiver")},
        {60, QStringLiteral("fit.html#coefficients")},
        {61, QStringLiteral("fit.html#fit")},
        {70, QStringLiteral("saving.html#selection")},
        {71, QStringLiteral("saving.html#limits")},
        {80, QStringLiteral("controller.html#link")},
        {81, QStringLiteral("settings.html#settings")},
        {82, QStringLiteral("quantities.html#quantities")},
    };
    return map;
}

QPointer<THelpWindow>& TheHelpWindow()
{
    static QPointer<THelpWindow> window;
    return window;
}

THelpWindow* EnsureHelpWindow()
{
    if (!TheHelpWindow())
        TheHelpWindow() = new THelpWindow;
    return TheHelpWindow();
}

}  // namespace

int HelpContextFor(const QString& objectName)
{
    const auto& map = ContextOfName();
    auto it = map.find(objectName);
    return it == map.end() ? 0 : it->second;
}

int HelpContextForWidget(const QWidget* widget)
{
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget())
        if (int context = HelpContextFor(w->objectName()))
            return context;
    return 0;
}

std::vector<int> HelpContextNumbers()
{
    std::vector<int> numbers;
    for (const auto& [context, topic] : TopicOfContext())
        numbers.push_back(context);
    return numbers;
}

QString HelpTopicFor(int context)
{
    const auto& map = TopicOfContext();
    auto it = map.find(context);
    return it == map.end() ? QStringLiteral("index.html") : it->second;
}

QUrl HelpUrlIn(const QString& helpFolder, const QString& pageAndAnchor)
{
    if (!helpFolder.isEmpty()) {
        const QString page = pageAndAnchor.section(QLatin1Char('#'), 0, 0);
        const QString anchor = pageAndAnchor.section(QLatin1Char('#'), 1);
        if (!page.isEmpty() && QFileInfo(QDir(helpFolder), page).isFile()) {
            QUrl url = QUrl::fromLocalFile(QDir(helpFolder).filePath(page));
            if (!anchor.isEmpty())
                url.setFragment(anchor);
            return url;
        }
    }
    return QUrl(QStringLiteral("qrc:/help/") + pageAndAnchor);
}

QString InstalledHelpPages()
{
    static const QString folder = QString::fromStdString(InstalledHelpFolder(RunningExecutableFolder()).string());
    return folder;
}

QUrl HelpUrl(const QString& pageAndAnchor)
{
    return HelpUrlIn(InstalledHelpPages(), pageAndAnchor);
}

THelpWindow::THelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    RegisterHelpResource();
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Driftline Help"));
    // Help stays open beside the main window but never keeps the program alive on its own.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(760, 600);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    // Pictures and links of a page are looked up beside it, in the installed copy or the built-in one.
    QStringList searchPaths{QStringLiteral(":/help")};
    if (!InstalledHelpPages().isEmpty())
        searchPaths.prepend(InstalledHelpPages());
    browser_->setSearchPaths(searchPaths);
    // Links to the web leave for the browser; links between pages stay here.
    browser_->setOpenExternalLinks(true);

    auto* bar = new QToolBar(this);
    QAction* back = bar->addAction(QStringLiteral("Back"), browser_, &QTextBrowser::backward);
    QAction* forward = bar->addAction(QStringLiteral("Forward"), browser_, &QTextBrowser::forward);
    bar->addAction(QStringLiteral("Contents"), this, [this] { showTopic(QStringLiteral("index.html")); });
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(browser_);
}

void THelpWindow::showTopic(const QString& pageAndAnchor)
{
    browser_->setSource(HelpUrl(pageAndAnchor));
    show();
    raise();
    activateWindow();
}

QUrl THelpWindow::currentSource() const
{
    return browser_->source();
}

bool HelpHandler(int request, int data)
{
    switch (request) {
    case HelpContents:
        EnsureHelpWindow()->showTopic(QStringLiteral("index.html"));
        break;
    case HelpContext:
        EnsureHelpWindow()->showTopic(HelpTopicFor(data));
        break;
    case HelpCloseAll:
        if (THelpWindow* window = TheHelpWindow()) {
            window->close();
            delete window;
        }
        break;
    default:
        break;
    }
    return true;
}

THelpWindow* HelpWindow()
{
    return TheHelpWindow();
}

void InstallHelpShortcut(QWidget* window)
{
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_F1), window);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, window, [window] {
        QWidget* focus = QApplication::focusWidget();
        if (focus == nullptr || focus->window() != window)
            focus = window;
        HelpHandler(HelpContext, HelpContextForWidget(focus));
    });
}

}  // namespace driftline
