// The first-start question of an installed viewer: choosing or creating a suite folder through
// the dialog (the folder dialog answered by the test), remembering the answer, the viewer's
// command line, and help pages taken from the installed copy before the built-in one.
#include "app/Helpunit.h"
#include "app/Startoptions.h"
#include "app/Suitechooser.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>

using namespace driftline;
namespace fs = std::filesystem;

namespace {

fs::path PathOf(const QString& folder)
{
    return fs::path(folder.toStdString());
}

void Touch(const fs::path& file, const std::string& text = "")
{
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

}  // namespace

class TestSuiteChooser : public QObject {
    Q_OBJECT

private slots:
    void chooserAnswers_data()
    {
        QTest::addColumn<QString>("button");   // which button the user presses
        QTest::addColumn<QString>("picked");   // the folder the folder dialog returns, below the scratch folder
        QTest::addColumn<QString>("prepare");  // "suite": picked/ZVK.ini exists; "logs": picked is a suite's Logs
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("root");  // expected root, below the scratch folder
        QTest::addColumn<bool>("refused");  // the problem line is shown

        QTest::newRow("existing suite") << "btnExisting"
                                        << "Suite"
                                        << "suite" << true << "Suite" << false;
        QTest::newRow("Logs of a suite means the suite") << "btnExisting"
                                                         << "Suite/Logs"
                                                         << "logs" << true << "Suite" << false;
        QTest::newRow("existing folder without ZVK.ini") << "btnExisting"
                                                         << "Plain"
                                                         << "" << false << "" << true;
        QTest::newRow("folder dialog cancelled") << "btnExisting"
                                                 << ""
                                                 << "" << false << "" << false;
        QTest::newRow("new suite") << "btnCreate"
                                   << "New Suite"
                                   << "" << true << "New Suite" << false;
        QTest::newRow("new suite over an existing one") << "btnCreate"
                                                        << "Suite"
                                                        << "suite" << true << "Suite" << false;
    }

    void chooserAnswers()
    {
        QFETCH(QString, button);
        QFETCH(QString, picked);
        QFETCH(QString, prepare);
        QFETCH(bool, accepted);
        QFETCH(QString, root);
        QFETCH(bool, refused);

        QTemporaryDir scratch;
        QVERIFY(scratch.isValid());
        const fs::path base = PathOf(scratch.path());
        fs::create_directories(base / "Plain");
        if (prepare == "suite" || prepare == "logs") {
            Touch(base / "Suite" / "ZVK.ini", "[Telescope]\r\nName=Mine\r\n");
            fs::create_directories(base / "Suite" / "Logs");
        }
        int asked = 0;
        TSuiteChooser chooser([&](QWidget*, const QString&, const QString&) {
            ++asked;
            return picked.isEmpty() ? QString() : QString::fromStdString((base / picked.toStdString()).string());
        });
        chooser.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chooser));
        QPushButton* pressed = chooser.findChild<QPushButton*>(button);
        QVERIFY(pressed);
        QTest::mouseClick(pressed, Qt::LeftButton);

        QCOMPARE(asked, 1);
        QCOMPARE(chooser.result() == QDialog::Accepted, accepted);
        QCOMPARE(chooser.isVisible(), !accepted);
        QCOMPARE(!chooser.problem().isEmpty(), refused);
        if (refused)
            QVERIFY2(chooser.problem().contains(QStringLiteral("ZVK.ini")), qPrintable(chooser.problem()));
        QCOMPARE(chooser.chosenRoot(), root.isEmpty() ? fs::path() : base / root.toStdString());
        if (accepted) {
            // The chosen folder is a suite; the controller's own settings were not replaced.
            QVERIFY(fs::is_directory(base / root.toStdString() / "Logs"));
            QVERIFY(IsSuiteFolder(base / root.toStdString()));
            if (prepare == "suite") {
                std::ifstream in(base / "Suite" / "ZVK.ini");
                std::string first;
                std::getline(in, first);
                QCOMPARE(QString::fromStdString(first), QStringLiteral("[Telescope]\r"));
            }
        }
    }

    void creatingWhereNothingCanBeMadeIsRefused()
    {
        QTemporaryDir scratch;
        const fs::path file = PathOf(scratch.path()) / "a file";
        Touch(file, "x");
        TSuiteChooser chooser([&](QWidget*, const QString&, const QString&) {
            return QString::fromStdString((file / "Suite").string());
        });
        chooser.createNew();
        QVERIFY(chooser.result() != QDialog::Accepted);
        QVERIFY2(chooser.problem().startsWith(QStringLiteral("Cannot create a suite in")),
                 qPrintable(chooser.problem()));
        QVERIFY(chooser.chosenRoot().empty());
    }

    void answerIsRememberedAndNotAskedAgain()
    {
        QTemporaryDir scratch;
        const fs::path base = PathOf(scratch.path());
        const fs::path config = base / "config" / "driftline" / "driftline.conf";
        const fs::path suite = base / "Suite";
        int asked = 0;
        const TSuiteQuestion question = [&] {
            ++asked;
            std::string error;
            CreateSuite(suite, error);
            return suite;
        };
        auto inputs = [&] {
            TRootInputs in;
            in.executableFolder = "/usr/bin";
            std::ifstream file(config);
            in.configText.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
            in.fileExists = [](const fs::path& f) { return fs::is_regular_file(f); };
            return in;
        };
        QCOMPARE(ViewerSuiteRoot(inputs(), question, config), suite);
        QCOMPARE(asked, 1);
        QCOMPARE(RememberedRoot([&] {
                     std::ifstream file(config);
                     return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
                 }()),
                 suite);
        // The next start finds it without asking.
        QCOMPARE(ViewerSuiteRoot(inputs(), question, config), suite);
        QCOMPARE(asked, 1);

        // A declined question gives no root and remembers nothing new.
        const fs::path otherConfig = base / "other" / "driftline.conf";
        QCOMPARE(ViewerSuiteRoot(
                     TRootInputs{}, [] { return fs::path(); }, otherConfig),
                 fs::path());
        QVERIFY(!fs::exists(otherConfig));
    }

    void viewerCommandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<bool>("version");

        QTest::newRow("log only") << QStringList{"/s/Logs/a.log"} << ""
                                  << "/s/Logs/a.log"
                                  << "" << false;
        QTest::newRow("root and log") << QStringList{"--root", "/s", "a.log"} << "/s"
                                      << "a.log"
                                      << "" << false;
        QTest::newRow("root=") << QStringList{"--root=/s"} << "/s"
                               << ""
                               << "" << false;
        QTest::newRow("toolkit option skipped") << QStringList{"-style", "a.log"} << ""
                                                << "a.log"
                                                << "" << false;
        QTest::newRow("root without folder") << QStringList{"--root"} << ""
                                             << ""
                                             << "--root needs a folder" << false;
        QTest::newRow("empty root") << QStringList{"--root="} << ""
                                    << ""
                                    << "--root needs a folder" << false;
        QTest::newRow("version") << QStringList{"--version"} << ""
                                 << ""
                                 << "" << true;
    }

    void viewerCommandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, root);
        QFETCH(QString, log);
        QFETCH(QString, problem);
        QFETCH(bool, version);
        std::vector<std::string> texts{"driftline"};
        for (const QString& a : args)
            texts.push_back(a.toStdString());
        std::vector<const char*> argv;
        for (const auto& t : texts)
            argv.push_back(t.c_str());
        const TStartOptions options = ParseStartOptions(static_cast<int>(argv.size()), argv.data());
        QCOMPARE(QString::fromStdString(options.root), root);
        QCOMPARE(QString::fromStdString(options.logFile), log);
        QCOMPARE(QString::fromStdString(options.problem), problem);
        QCOMPARE(options.version, version);
    }

    void helpAndManualShareTheOptionTable()
    {
        const QString help = QString::fromStdString(StartHelpText());
        const QString man = QString::fromStdString(ViewerManPage());
        for (const TStartOption& option : StartOptionTable()) {
            QVERIFY2(help.contains(QString::fromUtf8(option.term)), option.term);
            // In roff every hyphen is written \-.
            QVERIFY2(man.contains(QString::fromUtf8(option.term).replace(QStringLiteral("-"), QStringLiteral("\\-"))),
                     option.term);
        }
    }

    void installedHelpBeforeBuiltIn()
    {
        QTemporaryDir scratch;
        const QString help = scratch.filePath(QStringLiteral("help"));
        Touch(PathOf(help) / "index.html", "<html>installed</html>");
        Touch(PathOf(help) / "axes.html", "<html>installed</html>");
        QCOMPARE(HelpUrlIn(help, QStringLiteral("axes.html#horizontal")).toLocalFile(),
                 help + QStringLiteral("/axes.html"));
        QCOMPARE(HelpUrlIn(help, QStringLiteral("axes.html#horizontal")).fragment(), QStringLiteral("horizontal"));
        QCOMPARE(HelpUrlIn(help, QStringLiteral("index.html")),
                 QUrl::fromLocalFile(help + QStringLiteral("/index.html")));
        // A page the installed copy lacks, and no installed copy at all, come from the program itself.
        QCOMPARE(HelpUrlIn(help, QStringLiteral("fit.html")), QUrl(QStringLiteral("qrc:/help/fit.html")));
        QCOMPARE(HelpUrlIn(QString(), QStringLiteral("zoom.html#undo")),
                 QUrl(QStringLiteral("qrc:/help/zoom.html#undo")));
    }
};

QTEST_MAIN(TestSuiteChooser)
#include "tst_suitechooser.moc"
