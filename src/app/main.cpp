// driftline: the viewer. driftline [--root DIR] [--follow] [LOGFILE]
// Start-up order: the application titled "Driftline", the suite root (asked for when nothing names
// one), the shared globals (settings, folders), the main window, the event loop; LOGFILE is opened
// right after start-up as File, Open would.
#include "about/Aboutunit.h"
#include "app/Helpunit.h"
#include "app/Mainunit.h"
#include "app/Startoptions.h"
#include "app/Suitechooser.h"
#include "app/Terminationwatch.h"
#include "astro/Reportunit.h"
#include "suite/Globalunit.h"
#include "Version.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <new>
#include <string>

namespace {

// What the user reads instead of "std::bad_alloc".
constexpr const char* OutOfMemoryText = "Not enough memory for this operation";

// Errors that escape a handler are shown, and the viewer goes on running.
class TDriftlineApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::bad_alloc&) {
            ShowError(QString::fromUtf8(OutOfMemoryText));
        } catch (const std::exception& e) {
            ShowError(QString::fromLocal8Bit(e.what()));
        } catch (...) {
            ShowError(QStringLiteral("Unknown error"));
        }
        return false;
    }

    static void ShowError(const QString& text) { QMessageBox::critical(nullptr, QStringLiteral("Driftline"), text); }
};

}  // namespace

int main(int argc, char** argv)
{
    using namespace driftline;
    const TStartOptions options = ParseStartOptions(argc, argv);
    if (options.help || options.version || options.manPage) {
        const std::string pages = InstalledHelpFolder(RunningExecutableFolder()).string();
        const std::string text = options.help
                                     ? StartHelpText() +
                                           "\nHelp pages: " + (pages.empty() ? "built into the program" : pages) + "\n"
                                 : options.version ? std::string("driftline ") + version::FileVersion + "\n"
                                                   : ViewerManPage();
        std::fputs(text.c_str(), stdout);
        return 0;
    }
    if (!options.problem.empty()) {
        std::fprintf(stderr, "driftline: %s\nusage: driftline [--root DIR] [--follow] [LOGFILE]\n",
                     options.problem.c_str());
        return 2;
    }

    int status = 0;
    {
        TDriftlineApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Driftline"));
        QApplication::setApplicationDisplayName(QStringLiteral("Driftline"));
        // The desktop entry's name ties the windows to the menu entry and its icon.
        QGuiApplication::setDesktopFileName(QStringLiteral("org.driftline.Driftline"));
        QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/driftline.svg")));

        // The suite: named, found beside the executable or the log, remembered, or asked for.
        std::string rememberProblem;
        const std::filesystem::path root = ViewerSuiteRoot(GatherRootInputs(options.root, options.logFile),
                                                           DialogSuiteQuestion(), ConfigFilePath(), &rememberProblem);
        if (root.empty()) {
            std::fprintf(stderr, "driftline: %s\n", NoSuiteHint);
            return 0;
        }
        if (!rememberProblem.empty())
            std::fprintf(stderr, "driftline: cannot remember the suite folder in %s: %s\n", ConfigFilePath().c_str(),
                         rememberProblem.c_str());
        TGlobalOptions globalOptions;
        globalOptions.rootFolder = root;
        try {
            InstallGlobal(globalOptions);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "driftline: %s\n", e.what());
            return 0;
        }
        // The toolkit sets the process locale from the environment; the program's own number
        // texts (files, labels) always use the point, so numbers stay in the "C" locale.
        std::setlocale(LC_NUMERIC, "C");
        CreateAboutBox();
        SetReportHandler([](const std::string& message) {
            QMessageBox::warning(nullptr, QStringLiteral("Driftline"), QString::fromStdString(message));
        });
        try {
            // A logout or `kill` closes the window as the user would, so the settings are
            // written (by the window's destructor once the event loop has returned). Watched
            // before the window exists: the window opens the controller socket, and a peer that
            // sees it may signal at once.
            TTerminationWatch termination;
            TForm1 form;
            QObject::connect(&termination, &TTerminationWatch::terminationRequested, &form, [&form] {
                form.close();
                QCoreApplication::quit();
            });
            form.show();
            if (options.follow)
                form.miFollow->setChecked(true);
            if (!options.logFile.empty()) {
                const QString path = QString::fromLocal8Bit(options.logFile.c_str());
                QTimer::singleShot(0, &form, [&form, path] { form.openChosenFile(path); });
            } else if (options.follow) {
                QTimer::singleShot(0, &form, [&form] { form.openLatestLog(); });
            }
            status = QApplication::exec();
        } catch (const std::bad_alloc&) {
            TDriftlineApplication::ShowError(QString::fromUtf8(OutOfMemoryText));
            status = 0;
        } catch (const std::exception& e) {
            TDriftlineApplication::ShowError(QString::fromLocal8Bit(e.what()));
            status = 0;
        }
        HelpHandler(HelpCloseAll, 0);
        // The about box is a window: it must go while the application object still exists.
        DestroyAboutBox();
    }
    DestroyGlobal();
    return status;
}
