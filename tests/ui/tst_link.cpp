// The viewer's end of the controller link, hosted in a small harness, with driftline-cli
// controller (started as a separate process) as the controller.
#include "app/Controllerlink.h"
#include "suite/Controllerprotocol.h"
#include "suite/Globalunit.h"
#include "ui/Rawpeer.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace driftline;
namespace fs = std::filesystem;
using driftline::testing::ConnectRaw;
using driftline::testing::Spin;

namespace {

// Sends one raw line (or any bytes) to the viewer's socket as a peer would.
bool SendRaw(const QString& socketPath, const std::string& bytes)
{
    return SendControllerLine(socketPath.toStdString(), bytes, false, 2000).sent;
}

}  // namespace

class TestControllerLink : public QObject {
    Q_OBJECT

private:
    QTemporaryDir runtime_{QStringLiteral("/tmp/dl-run-XXXXXX")};
    QTemporaryDir suite_{QStringLiteral("/tmp/dl-suite-XXXXXX")};
    std::unique_ptr<TControllerLink> link_;
    QStringList opened_;

    QString root() const { return suite_.path(); }
    QString logs() const { return suite_.path() + QStringLiteral("/Logs"); }

    // Runs driftline-cli controller with args while the event loop keeps the link serving.
    struct CliRun {
        int exitCode = -1;
        QString out;
        QString err;
    };
    CliRun runCli(const QStringList& args, int timeoutMs = 15000)
    {
        QProcess process;
        process.start(QStringLiteral(DRIFTLINE_CLI),
                      QStringList{QStringLiteral("controller"), QStringLiteral("--root"), root()} + args);
        CliRun run;
        if (!process.waitForStarted(5000))
            return run;
        QElapsedTimer timer;
        timer.start();
        while (process.state() != QProcess::NotRunning && timer.elapsed() < timeoutMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(2000);
            return run;
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(runtime_.isValid() && suite_.isValid());
        // Both sides derive the socket folder from XDG_RUNTIME_DIR; a private one keeps the test
        // away from any real viewer of this user.
        ::chmod(runtime_.path().toLocal8Bit().constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
        QVERIFY(QDir().mkpath(logs()));
        for (const char* name : {"b.log", "notes.txt", "a.log"})
            std::ofstream((logs() + QLatin1Char('/') + QLatin1String(name)).toStdString()) << "x\r\n";
        TGlobalOptions options;
        options.rootFolder = root().toStdString();
        InstallGlobal(options);
    }

    void init()
    {
        link_ = std::make_unique<TControllerLink>();
        QVERIFY2(link_->listen(), qPrintable(link_->errorString()));
        opened_.clear();
        connect(link_.get(), &TControllerLink::openLogFileRequested, this,
                [this](const QString& path) { opened_ << path; });
    }

    void cleanup() { link_.reset(); }

    void cleanupTestCase() { DestroyGlobal(); }

    void socketIsPrivateAndDerivedFromTheRoot()
    {
        const QString expected = QString::fromStdString(ViewerSocketPath(root().toStdString()).native());
        QCOMPARE(QFileInfo(expected).path(), runtime_.path());
        QCOMPARE(link_->socketPath(), expected);
        struct stat info {};
        QCOMPARE(::lstat(expected.toLocal8Bit().constData(), &info), 0);
        QVERIFY(S_ISSOCK(info.st_mode));
        QCOMPARE(int(info.st_mode & 077), 0);
    }

    void announceIsAnsweredWithTheNumberOfCallingHandleReceived()
    {
        QSignalSpy announced(link_.get(), &TControllerLink::controllerAnnounced);
        const CliRun run = runCli({QStringLiteral("announce")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out.trimmed(), QString::number(Global().MsgCallingHandleReceived));
        QCOMPARE(announced.count(), 1);
        const QString endpoint = QString::fromStdString(ControllerEndpointPath(root().toStdString()).native());
        QCOMPARE(link_->controllerEndpoint(), endpoint);
    }

    void logFileIndexOpensByNameOrder_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("expected");  // empty: nothing opens
        QTest::newRow("index 0") << QByteArray("LogFile Index\t0\t0\n") << QStringLiteral("a.log");
        QTest::newRow("index 1") << QByteArray("LogFile Index\t1\t0\n") << QStringLiteral("b.log");
        QTest::newRow("by number") << QByteArray::number(Global().MsgLogFileIndex).append("\t1\t0\n")
                                   << QStringLiteral("b.log");
        QTest::newRow("CR LF") << QByteArray("LogFile Index\t1\t0\r\n") << QStringLiteral("b.log");
        QTest::newRow("index 2 is past the logs") << QByteArray("LogFile Index\t2\t0\n") << QString();
        QTest::newRow("negative") << QByteArray("LogFile Index\t-1\t0\n") << QString();
        QTest::newRow("blanks for TABs") << QByteArray("LogFile Index 1 0\n") << QString();
        QTest::newRow("letter case") << QByteArray("logfile index\t1\t0\n") << QString();
        QTest::newRow("garbage") << QByteArray("\x01\x02garbage\n") << QString();
        QTest::newRow("oversized") << QByteArray(5000, '7').prepend("LogFile Index\t1\t").append('\n') << QString();
        QTest::newRow("no LF before hang-up") << QByteArray("LogFile Index\t1\t0") << QString();
        QTest::newRow("ignored message") << QByteArray("New Source\t1\t0\n") << QString();
    }

    void logFileIndexOpensByNameOrder()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, expected);
        QVERIFY(SendRaw(link_->socketPath(), line.toStdString()));
        if (expected.isEmpty()) {
            Spin(250);
            QVERIFY2(opened_.isEmpty(), qPrintable(opened_.join(QLatin1Char(' '))));
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(opened_.size(), 1, 3000);
            QCOMPARE(opened_.front(), logs() + QLatin1Char('/') + expected);
        }
    }

    void cliOpenAsksForTheFile()
    {
        const CliRun run = runCli({QStringLiteral("open"), QStringLiteral("1")});
        QCOMPARE(run.exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(opened_, QStringList{logs() + QStringLiteral("/b.log")}, 3000);
    }

    void quittingReachesTheAnnouncedController()
    {
        QProcess controller;
        controller.start(QStringLiteral(DRIFTLINE_CLI),
                         {QStringLiteral("controller"), QStringLiteral("--root"), root(), QStringLiteral("announce"),
                          QStringLiteral("--wait-quit"), QStringLiteral("--timeout"), QStringLiteral("10")});
        QVERIFY(controller.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(!link_->controllerEndpoint().isEmpty(), 10000);
        link_->PostQuitting();
        QTRY_COMPARE_WITH_TIMEOUT(controller.state(), QProcess::NotRunning, 10000);
        QCOMPARE(controller.exitCode(), 0);
        const QStringList lines =
            QString::fromUtf8(controller.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines, (QStringList{QString::number(Global().MsgCallingHandleReceived),
                                     QStringLiteral("Driftline Quitting 0 0")}));
    }

    void withoutAnnouncementNothingIsPosted()
    {
        // A controller listening on the default endpoint but never announced must hear nothing.
        TControllerListener listener;
        std::string error;
        QVERIFY2(listener.listen(ControllerEndpointPath(root().toStdString()), error), error.c_str());
        link_->PostQuitting();
        QVERIFY(!listener.waitLine(300));
        QVERIFY(link_->controllerEndpoint().isEmpty());
    }

    void cliWaitQuitTimesOut()
    {
        const CliRun run = runCli({QStringLiteral("wait-quit"), QStringLiteral("--timeout"), QStringLiteral("0.3")});
        QCOMPARE(run.exitCode, 3);
    }

    void requestDuringAReadRunsAfterItLatestWins()
    {
        link_->setReadInProgress(true);
        QVERIFY(SendRaw(link_->socketPath(), "LogFile Index\t0\t0\n"));
        QVERIFY(SendRaw(link_->socketPath(), "LogFile Index\t1\t0\n"));
        QVERIFY(SendRaw(link_->socketPath(), "LogFile Index\t7\t0\n"));  // invalid: does not replace b.log
        Spin(300);
        QVERIFY(opened_.isEmpty());
        QCOMPARE(link_->pendingLogFile(), logs() + QStringLiteral("/b.log"));
        link_->setReadInProgress(false);
        QTRY_COMPARE_WITH_TIMEOUT(opened_, QStringList{logs() + QStringLiteral("/b.log")}, 3000);
        Spin(100);
        QCOMPARE(opened_.size(), 1);
        QVERIFY(link_->pendingLogFile().isEmpty());
    }

    void requestInsideTheOpenHandlerIsNotNested_data()
    {
        QTest::addColumn<bool>("sameConnection");
        QTest::newRow("second request from another peer") << false;
        QTest::newRow("same peer sends more and hangs up meanwhile") << true;
    }

    void requestInsideTheOpenHandlerIsNotNested()
    {
        // The window's open handler lets events run while it reads; a request arriving then must
        // wait for the handler to return, never start a read inside it; and the peer whose line is
        // being handled may send more or hang up meanwhile.
        QFETCH(bool, sameConnection);
        const int peer = ConnectRaw(link_->socketPath());
        QVERIFY(peer >= 0);
        int depth = 0, maxDepth = 0;
        connect(link_.get(), &TControllerLink::openLogFileRequested, this, [&](const QString& path) {
            ++depth;
            maxDepth = std::max(maxDepth, depth);
            if (path.endsWith(QLatin1String("b.log"))) {
                if (sameConnection) {
                    (void)!::write(peer, "LogFile Index\t0\t0\n", 18);
                    ::close(peer);
                } else {
                    SendRaw(link_->socketPath(), "LogFile Index\t0\t0\n");
                }
                Spin(300);
            }
            --depth;
        });
        QCOMPARE(::write(peer, "LogFile Index\t1\t0\n", 18), ssize_t(18));
        QTRY_COMPARE_WITH_TIMEOUT(opened_.size(), 2, 3000);
        QCOMPARE(opened_, (QStringList{logs() + QStringLiteral("/b.log"), logs() + QStringLiteral("/a.log")}));
        QCOMPARE(maxDepth, 1);
        if (!sameConnection)
            ::close(peer);
    }

    void silentAndBrokenPeersDoNotBlock()
    {
        const int silent = ConnectRaw(link_->socketPath());
        QVERIFY(silent >= 0);
        const int halfLine = ConnectRaw(link_->socketPath());
        QVERIFY(halfLine >= 0);
        QCOMPARE(::write(halfLine, "LogFile Ind", 11), ssize_t(11));
        Spin(50);
        ::close(halfLine);
        const CliRun run = runCli({QStringLiteral("open"), QStringLiteral("0")}, 4000);
        QCOMPARE(run.exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(opened_, QStringList{logs() + QStringLiteral("/a.log")}, 2000);
        ::close(silent);
    }

    void silentPeerIsDroppedAfterTheIdleTimeout()
    {
        link_.reset();
        TControllerLink::Options options;
        options.logsFolder = logs().toStdString();
        options.socketPath = ViewerSocketPath(root().toStdString());
        options.messages = MessageTableOf(Global());
        options.idleTimeoutMs = 200;
        link_ = std::make_unique<TControllerLink>(options, nullptr);
        QVERIFY(link_->listen());
        const int silent = ConnectRaw(link_->socketPath());
        QVERIFY(silent >= 0);
        Spin(600);
        char byte = 0;
        QCOMPARE(::recv(silent, &byte, 1, MSG_DONTWAIT), ssize_t(0));  // 0: the viewer hung up
        ::close(silent);
    }

    void secondViewerOfTheSameSuiteDoesNotStealTheSocket()
    {
        TControllerLink second;
        QVERIFY(!second.listen());
        QVERIFY(!second.errorString().isEmpty());
        QVERIFY(SendRaw(link_->socketPath(), "LogFile Index\t1\t0\n"));
        QTRY_COMPARE_WITH_TIMEOUT(opened_.size(), 1, 3000);
    }
};

QTEST_MAIN(TestControllerLink)
#include "tst_link.moc"
