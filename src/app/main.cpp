// driftline: the viewer. driftline [--root DIR] [--follow] [LOGFILE]
// Start-up order: the shared globals (settings, folders), the application titled "Driftline",
// the main window, the event loop; LOGFILE is opened right after start-up as File, Open would.
#include "about/Aboutunit.h"
#include "app/Helpunit.h"
#include "app/Mainunit.h"
#include "astro/Reportunit.h"
#include "suite/Globalunit.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>

namespace {

// Errors that escape a handler are shown, and the viewer goes on running.
class TDriftlineApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            ShowError(QString::fromLocal8Bit(e.what()));
        } catch (...) {
            ShowError(QStringLiteral("Unknown error"));
        }
        return false;
    }

    static void ShowError(const QString& text)
    {
        QMessageBox::critical(nullptr, QStringLiteral("Driftline"), text);
    }
};

struct TStartOptions {
    std::string root;
    std::string logFile;
    bool help = false;
    bool follow = false;
    std::string problem;
};

TStartOptions ParseStartOptions(int argc, char** argv)
{
    TStartOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--follow") {
            options.follow = true;
        } else if (arg == "--root") {
            if (i + 1 >= argc) {
                options.problem = "--root needs a folder";
                return options;
            }
            options.root = argv[++i];
        } else if (arg.rfind("--root=", 0) == 0) {
            options.root = arg.substr(std::strlen("--root="));
        } else if (!arg.empty() && arg[0] == '-') {
            // Options of the toolkit (-platform, -style, ...) are left to QApplication.
        } else if (options.logFile.empty()) {
            options.logFile = arg;
        }
    }
    return options;
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace driftline;
    const TStartOptions options = ParseStartOptions(argc, argv);
    if (options.help) {
        std::printf("usage: driftline [--root DIR] [--follow] [LOGFILE]\n\n"
                    "Opens the viewer on the suite at DIR (default: ZVK_ROOT, else the parent of the\n"
                    "executable's folder) and reads LOGFILE right after start-up.\n"
                    "  --follow  follow the log as it grows (View, Follow log); without LOGFILE, the\n"
                    "            newest log of the suite's Logs folder\n");
        return 0;
    }
    if (!options.problem.empty()) {
        std::fprintf(stderr, "driftline: %s\nusage: driftline [--root DIR] [--follow] [LOGFILE]\n", options.problem.c_str());
        return 2;
    }

    TGlobalOptions globalOptions;
    globalOptions.rootFolder = options.root;
    try {
        InstallGlobal(globalOptions);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "driftline: %s\n", e.what());
        return 0;
    }

    int status = 0;
    {
        TDriftlineApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Driftline"));
        QApplication::setApplicationDisplayName(QStringLiteral("Driftline"));
        // The toolkit sets the process locale from the environment; the program's own number
        // texts (files, labels) always use the point, so numbers stay in the "C" locale.
        std::setlocale(LC_NUMERIC, "C");
        CreateAboutBox();
        SetReportHandler([](const std::string& message) {
            QMessageBox::warning(nullptr, QStringLiteral("Driftline"), QString::fromStdString(message));
        });
        try {
            TForm1 form;
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
