// The help: every context number leads to an anchor that exists, the shipped pages are the ones in
// docs/help and link to each other correctly, HelpHandler's three requests, F1 on a focused
// control; and the text-editor command's hand-over to the desktop (a fake xdg-open on PATH).
#include "app/Helpunit.h"
#include "desktop/Shellunit.h"

#include <QDirIterator>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QtTest>

using namespace driftline;

namespace {

QString ReadResource(const QString& page)
{
    QFile file(QStringLiteral(":/help/") + page);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

// The anchors a page offers: <a name="..."> and id="...".
QSet<QString> AnchorsOf(const QString& html)
{
    QSet<QString> anchors;
    static const QRegularExpression pattern(QStringLiteral("(?:<a\\s+name|\\sid)=\"([^\"]+)\""));
    for (auto it = pattern.globalMatch(html); it.hasNext();)
        anchors.insert(it.next().captured(1));
    return anchors;
}

QStringList ShippedPages()
{
    QStringList pages;
    for (QDirIterator it(QStringLiteral(":/help")); it.hasNext();) {
        it.next();
        pages << it.fileName();
    }
    pages.sort();
    return pages;
}

// Whether pageAndAnchor ("axes.html#horizontal") names an existing page and anchor.
bool TopicExists(const QString& pageAndAnchor)
{
    const QString page = pageAndAnchor.section(QLatin1Char('#'), 0, 0);
    const QString anchor = pageAndAnchor.section(QLatin1Char('#'), 1);
    const QString html = ReadResource(page);
    return !html.isEmpty() && (anchor.isEmpty() || AnchorsOf(html).contains(anchor));
}

}  // namespace

class TestHelp : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { HelpHandler(HelpCloseAll, 0); }

    void shippedPagesAreTheDocsHelpPages()
    {
        // Touch the help once so its resource is registered.
        HelpHandler(HelpContents, 0);
        QStringList onDisk = QDir(QStringLiteral(DRIFTLINE_SOURCE_DIR "/docs/help"))
                                 .entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
        QVERIFY(onDisk.contains(QStringLiteral("index.html")));
        QCOMPARE(ShippedPages(), onDisk);
    }

    void everyContextNumberHasAnExistingTopic()
    {
        HelpHandler(HelpContents, 0);
        for (int context : HelpContextNumbers())
            QVERIFY2(TopicExists(HelpTopicFor(context)),
                     qPrintable(QStringLiteral("%1 -> %2").arg(context).arg(HelpTopicFor(context))));
    }

    void everyControlOfTheMainWindowHasAContextWithATopic()
    {
        // The main window's controls, by object name; rgHorizontal has always carried 20.
        QCOMPARE(HelpContextFor(QStringLiteral("rgHorizontal")), 20);
        const char* controls[] = {"TForm1",         "ToolBar1",    "tbUndo",           "tbExpand",   "tbOpen",
                                  "tbSave",         "lblCaption",  "pnlPlot",          "pnlControl", "pnlHoriz",
                                  "rgHorizontal",   "edAzCorr",    "edAltCorr",        "pnlVert",    "rgVertical",
                                  "btnRefresh",     "pnlReceiver", "lblTimerInterval", "lblIFGain",  "lblDCGain",
                                  "lblIntegration", "lblOffset",   "pnlNorm",          "seCoeff",    "StatusBar",
                                  "miOpen",         "miSaveAs",    "miSaveLimits",     "miExit",     "miVolts",
                                  "miTextEditor",   "miFit",       "miHelp",           "miAbout"};
        const std::vector<int> numbers = HelpContextNumbers();
        for (const char* name : controls) {
            const int context = HelpContextFor(QLatin1String(name));
            QVERIFY2(context > 0, name);
            QVERIFY2(std::find(numbers.begin(), numbers.end(), context) != numbers.end(), name);
        }
        QCOMPARE(HelpContextFor(QStringLiteral("noSuchControl")), 0);
        QCOMPARE(HelpTopicFor(0), QStringLiteral("index.html"));
        QCOMPARE(HelpTopicFor(9999), QStringLiteral("index.html"));
    }

    void linksBetweenPagesLeadSomewhere()
    {
        HelpHandler(HelpContents, 0);
        static const QRegularExpression href(QStringLiteral("href=\"([^\"]+)\""));
        for (const QString& page : ShippedPages()) {
            const QString html = ReadResource(page);
            for (auto it = href.globalMatch(html); it.hasNext();) {
                QString target = it.next().captured(1);
                if (target.startsWith(QLatin1String("http")))
                    continue;
                if (target.startsWith(QLatin1Char('#')))
                    target.prepend(page);
                QVERIFY2(TopicExists(target), qPrintable(page + QStringLiteral(" -> ") + target));
            }
        }
    }

    void theThreeRequests()
    {
        QVERIFY(HelpHandler(HelpContents, 0));
        QVERIFY(HelpWindow() != nullptr);
        QVERIFY(HelpWindow()->isVisible());
        QCOMPARE(HelpWindow()->currentSource(), QUrl(QStringLiteral("qrc:/help/index.html")));
        QVERIFY(HelpWindow()->browser()->toPlainText().contains(QStringLiteral("Contents")));
        QVERIFY(!HelpWindow()->testAttribute(Qt::WA_QuitOnClose));

        QVERIFY(HelpHandler(HelpContext, 20));
        QCOMPARE(HelpWindow()->currentSource(), QUrl(QStringLiteral("qrc:/help/axes.html#horizontal")));
        QVERIFY(HelpWindow()->browser()->toPlainText().contains(QStringLiteral("Horizontal axis")));

        QVERIFY(HelpHandler(HelpContext, 4711));
        QCOMPARE(HelpWindow()->currentSource(), QUrl(QStringLiteral("qrc:/help/index.html")));

        QVERIFY(HelpHandler(7, 0));  // not a request: nothing changes
        QCOMPARE(HelpWindow()->currentSource(), QUrl(QStringLiteral("qrc:/help/index.html")));

        QVERIFY(HelpHandler(HelpCloseAll, 0));
        QVERIFY(HelpWindow() == nullptr);
        QVERIFY(HelpHandler(HelpCloseAll, 0));  // closing twice is harmless
    }

    void f1OpensTheFocusedControlsTopic_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("topic");
        QTest::newRow("radio button inside rgHorizontal")
            << QStringLiteral("rbTime") << QStringLiteral("axes.html#horizontal");
        QTest::newRow("rgVertical") << QStringLiteral("rbAzimuth") << QStringLiteral("axes.html#vertical");
        QTest::newRow("edAzCorr") << QStringLiteral("edAzCorr") << QStringLiteral("corrections.html#azimuth");
        QTest::newRow("seCoeff") << QStringLiteral("seCoeff") << QStringLiteral("fit.html#coefficients");
        QTest::newRow("unnamed edit falls back to the window")
            << QStringLiteral("anonymous") << QStringLiteral("index.html#window");
    }

    void f1OpensTheFocusedControlsTopic()
    {
        QFETCH(QString, focus);
        QFETCH(QString, topic);
        // A stand-in for the main window with the real object names and nesting.
        QWidget window;
        window.setObjectName(QStringLiteral("TForm1"));
        window.resize(400, 300);
        auto* layout = new QVBoxLayout(&window);
        auto* horizontal = new QGroupBox(QStringLiteral("Horizontal axis"), &window);
        horizontal->setObjectName(QStringLiteral("rgHorizontal"));
        (new QVBoxLayout(horizontal))->addWidget(new QRadioButton(QStringLiteral("Time"), horizontal));
        horizontal->findChild<QRadioButton*>()->setObjectName(QStringLiteral("rbTime"));
        auto* vertical = new QGroupBox(QStringLiteral("Vertical Axis"), &window);
        vertical->setObjectName(QStringLiteral("rgVertical"));
        (new QVBoxLayout(vertical))->addWidget(new QRadioButton(QStringLiteral("Azimuth"), vertical));
        vertical->findChild<QRadioButton*>()->setObjectName(QStringLiteral("rbAzimuth"));
        auto* edAzCorr = new QLineEdit(&window);
        edAzCorr->setObjectName(QStringLiteral("edAzCorr"));
        auto* seCoeff = new QSpinBox(&window);
        seCoeff->setObjectName(QStringLiteral("seCoeff"));
        auto* anonymous = new QLineEdit(&window);
        anonymous->setObjectName(QStringLiteral("anonymous"));
        for (QWidget* w :
             {static_cast<QWidget*>(horizontal), static_cast<QWidget*>(vertical), static_cast<QWidget*>(edAzCorr),
              static_cast<QWidget*>(seCoeff), static_cast<QWidget*>(anonymous)})
            layout->addWidget(w);
        InstallHelpShortcut(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        auto* target = window.findChild<QWidget*>(focus);
        QVERIFY(target);
        target->setFocus();
        QTRY_VERIFY(target->hasFocus());
        QTest::keyClick(&window, Qt::Key_F1);
        QVERIFY(HelpWindow() != nullptr);
        QCOMPARE(HelpWindow()->currentSource(), QUrl(QStringLiteral("qrc:/help/") + topic));
    }

    void textEditorHandsThePathToXdgOpenUnchanged()
    {
        // A file name with blanks, "%" and a quote must reach xdg-open as one argument, as it is.
        QTemporaryDir bin, logs;
        const QString record = bin.path() + QStringLiteral("/record.txt");
        const QString script = bin.path() + QStringLiteral("/xdg-open");
        {
            QFile file(script);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray("#!/bin/sh\nprintf '%s|%s\\n' \"$#\" \"$1\" > '") + record.toLocal8Bit() +
                       ".part' && mv '" + record.toLocal8Bit() + ".part' '" + record.toLocal8Bit() + "'\n");
        }
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", bin.path().toLocal8Bit() + ":/usr/bin:/bin");
        const QString log = logs.path() + QStringLiteral("/ZV 12%20 'run'.log");
        QVERIFY(ShellOpenFile(log));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 5000);
        qputenv("PATH", oldPath);
        QFile file(record);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()).trimmed(), QStringLiteral("1|") + log);

        QVERIFY(!ShellOpenFile(QString()));
    }

    void shellOpenerCanBeReplaced()
    {
        QList<QUrl> seen;
        TShellOpener previous = SetShellOpener([&](const QUrl& url) {
            seen << url;
            return true;
        });
        QVERIFY(ShellOpenUrl(QUrl(QStringLiteral("http://www.example.org/x"))));
        QVERIFY(ShellOpenFile(QStringLiteral("/tmp/a b.log")));
        SetShellOpener(previous);
        QCOMPARE(seen, (QList<QUrl>{QUrl(QStringLiteral("http://www.example.org/x")),
                                    QUrl::fromLocalFile(QStringLiteral("/tmp/a b.log"))}));
    }
};

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
