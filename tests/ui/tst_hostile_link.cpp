// The controller link and the window against hostile peers and hostile files in Logs, and the
// viewer process against SIGTERM and SIGHUP.
#include "app/Controllerlink.h"
#include "app/Mainunit.h"
#include "suite/Controllerprotocol.h"
#include "suite/Globalunit.h"
#include "ui/Rawpeer.h"

#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
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

// True when the viewer has hung up on fd (a read gives end of file rather than "would block").
bool HungUp(int fd)
{
    char byte = 0;
    return ::recv(fd, &byte, 1, MSG_DONTWAIT) == 0;
}

}  // namespace

class TestHostileLink : public QObject {
    Q_OBJECT

private:
    QTemporaryDir runtime_{QStringLiteral("/tmp/dl-run-XXXXXX")};
    QTemporaryDir suite_{QStringLiteral("/tmp/dl-suite-XXXXXX")};
    QTemporaryDir outside_{QStringLiteral("/tmp/dl-outside-XXXXXX")};
    std::unique_ptr<TControllerLink> link_;
    QStringList opened_;
    QStringList refused_;

    QString root() const { return suite_.path(); }
    QString logs() const { return suite_.path() + QStringLiteral("/Logs"); }
    QString log(const char* name) const { return logs() + QLatin1Char('/') + QLatin1String(name); }

    void makeLink(int idleTimeoutMs, int maxPeers)
    {
        link_.reset();
        TControllerLink::Options options;
        options.logsFolder = logs().toStdString();
        options.socketPath = ViewerSocketPath(root().toStdString());
        options.messages = MessageTableOf(Global());
        options.idleTimeoutMs = idleTimeoutMs;
        options.maxPeers = maxPeers;
        link_ = std::make_unique<TControllerLink>(options, nullptr);
        QVERIFY2(link_->listen(), qPrintable(link_->errorString()));
        opened_.clear();
        refused_.clear();
        connect(link_.get(), &TControllerLink::openLogFileRequested, this, [this](const QString& p) { opened_ << p; });
        connect(link_.get(), &TControllerLink::openRefused, this, [this](const QString& t) { refused_ << t; });
    }

private slots:
    void initTestCase()
    {
        QVERIFY(runtime_.isValid() && suite_.isValid() && outside_.isValid());
        ::chmod(runtime_.path().toLocal8Bit().constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
        QVERIFY(QDir().mkpath(logs()));
        // In name order: a.log, b.log, c.log (link inside), d.log (a folder), e.log (empty),
        // f.log (link to a file outside Logs).
        const QByteArray record = "Opening session 12/05/2010 21:03:15 (UTC)\r\n75795000 8192 4096 1024\r\n"
                                  "75796000 8193 4097 1025\r\n";
        for (const char* name : {"a.log", "b.log"}) {
            std::ofstream(log(name).toStdString(), std::ios::binary) << record.toStdString();
        }
        fs::create_symlink("a.log", log("c.log").toStdString());
        QVERIFY(QDir().mkpath(log("d.log")));
        std::ofstream(log("e.log").toStdString());
        const std::string secret = (outside_.path() + QStringLiteral("/secret.log")).toStdString();
        std::ofstream(secret, std::ios::binary) << record.toStdString();
        fs::create_symlink(secret, log("f.log").toStdString());
        TGlobalOptions options;
        options.rootFolder = root().toStdString();
        InstallGlobal(options);
    }

    void cleanup() { link_.reset(); }
    void cleanupTestCase() { DestroyGlobal(); }

    void aBurstOfRequestsOpensOnceWithTheLatest()
    {
        makeLink(5000, 16);
        // 10,000 requests in one write, the last one for b.log: a window opening each in turn
        // would be busy for minutes.
        std::string burst;
        for (int i = 0; i < 10000; ++i)
            burst += "LogFile Index\t0\t0\n";
        burst += "LogFile Index\t1\t0\n";
        const int peer = ConnectRaw(link_->socketPath());
        QVERIFY(peer >= 0);
        std::size_t sent = 0;
        QElapsedTimer timer;
        timer.start();
        while (sent < burst.size() && timer.elapsed() < 10000) {
            const ssize_t n = ::send(peer, burst.data() + sent, burst.size() - sent, MSG_DONTWAIT);
            if (n > 0)
                sent += static_cast<std::size_t>(n);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        QCOMPARE(sent, burst.size());
        QTRY_VERIFY_WITH_TIMEOUT(!opened_.isEmpty() && opened_.back() == log("b.log"), 5000);
        Spin(200);
        // The socket hands the burst over in pieces, as many as the load on the machine makes
        // it; each piece opens at most once, far from once per line.
        QVERIFY2(opened_.size() <= 500, qPrintable(QString::number(opened_.size())));
        QCOMPARE(opened_.back(), log("b.log"));
        ::close(peer);
    }

    void aLineMustBeCompleteWithinTheTimeoutFromTheStart()
    {
        makeLink(1000, 16);
        // A slow peer: a byte every 250 ms (4.5 s for the line) never completes a line in time,
        // however lively it is.
        const int slow = ConnectRaw(link_->socketPath());
        QVERIFY(slow >= 0);
        const std::string line = "LogFile Index\t1\t0\n";
        bool hungUp = false;
        for (std::size_t i = 0; i < line.size() && !hungUp; ++i) {
            (void)!::send(slow, &line[i], 1, MSG_NOSIGNAL);
            Spin(250);
            hungUp = HungUp(slow);
        }
        QVERIFY(hungUp);
        QVERIFY(opened_.isEmpty());
        ::close(slow);

        // A peer that completes a line in time may go on with the next one.
        const int steady = ConnectRaw(link_->socketPath());
        QVERIFY(steady >= 0);
        for (const char* l : {"LogFile Index\t0\t0\n", "LogFile Index\t1\t0\n"}) {
            Spin(500);
            QVERIFY(::send(steady, l, std::strlen(l), MSG_NOSIGNAL) > 0);
        }
        QTRY_COMPARE_WITH_TIMEOUT(opened_, (QStringList{log("a.log"), log("b.log")}), 2000);
        ::close(steady);
    }

    void aFullHouseOfIdlePeersMakesRoomForTheController()
    {
        makeLink(60000, 4);
        std::vector<int> idle;
        for (int i = 0; i < 4; ++i) {
            idle.push_back(ConnectRaw(link_->socketPath()));
            QVERIFY(idle.back() >= 0);
            (void)!::send(idle.back(), "Log", 3, MSG_NOSIGNAL);
            Spin(30);
        }
        QVERIFY(SendControllerLine(link_->socketPath().toStdString(), "LogFile Index\t1\t0\n", false, 2000).sent);
        QTRY_COMPARE_WITH_TIMEOUT(opened_, QStringList{log("b.log")}, 3000);
        // The oldest of them made the room; the newest is still connected.
        QVERIFY(HungUp(idle.front()));
        QVERIFY(!HungUp(idle.back()));
        for (int fd : idle)
            ::close(fd);
    }

    void onlyRegularFilesInsideLogsAreOpened_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("plain file") << 0 << log("a.log") << QString();
        QTest::newRow("link inside Logs") << 2 << log("c.log") << QString();
        QTest::newRow("folder") << 3 << QString()
                                << QStringLiteral("Cannot open %1: not a regular file").arg(log("d.log"));
        QTest::newRow("link leading outside")
            << 5 << QString() << QStringLiteral("Cannot open %1: outside the Logs folder").arg(log("f.log"));
    }

    void onlyRegularFilesInsideLogsAreOpened()
    {
        QFETCH(int, index);
        QFETCH(QString, opened);
        QFETCH(QString, refusal);
        makeLink(5000, 16);
        const std::string line = "LogFile Index\t" + std::to_string(index) + "\t0\n";
        QVERIFY(SendControllerLine(link_->socketPath().toStdString(), line, false, 2000).sent);
        if (opened.isEmpty()) {
            QTRY_COMPARE_WITH_TIMEOUT(refused_, QStringList{refusal}, 3000);
            QVERIFY(opened_.isEmpty());
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(opened_, QStringList{opened}, 3000);
            QVERIFY(refused_.isEmpty());
        }
    }

    void theWindowReportsControllerFailuresInTheStatusBar()
    {
        int boxes = 0;
        TFormSeams seams;
        seams.openFile = [](QWidget*, const QString&, const QString&, const QString&) { return QString(); };
        seams.message = [&boxes](QWidget*, const QString&, bool) { ++boxes; };
        TForm1 form(nullptr, seams);
        form.show();
        QVERIFY(form.controllerLink && form.controllerLink->isListening());
        const QLabel* status = form.findChild<QLabel*>(QStringLiteral("StatusPanel0"));
        QVERIFY(status);
        const std::string socket = form.controllerLink->socketPath().toStdString();
        // An empty file, a folder, then a good file: none of them may stop the next.
        struct Step {
            int index;
            QString status;
        };
        const Step steps[] = {
            {4, QStringLiteral("Nothing in file e.log")},
            {3, QStringLiteral("Cannot open %1: not a regular file").arg(log("d.log"))},
        };
        for (const Step& step : steps) {
            const std::string line = "LogFile Index\t" + std::to_string(step.index) + "\t0\n";
            QVERIFY(SendControllerLine(socket, line, false, 2000).sent);
            QTRY_COMPARE_WITH_TIMEOUT(status->text(), step.status, 3000);
        }
        QVERIFY(SendControllerLine(socket, "LogFile Index\t1\t0\n", false, 2000).sent);
        QTRY_COMPARE_WITH_TIMEOUT(form.session().store().allRecords().size(), std::size_t{2}, 3000);
        QCOMPARE(boxes, 0);
        // The user's own open still reports in a box.
        form.openLogFile(log("e.log"));
        QCOMPARE(boxes, 1);
    }

    void terminationSignalsWriteTheSettings_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    void terminationSignalsWriteTheSettings()
    {
        QFETCH(int, signalNumber);
        QTemporaryDir root(QStringLiteral("/tmp/dl-term-XXXXXX"));
        QVERIFY(root.isValid());
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("Logs")));
        const QString ini = root.filePath(QStringLiteral("ZVK.ini"));
        {
            QFile f(ini);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[Telescope]\r\nName=Dish\r\n");
        }
        QProcess viewer;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        viewer.setProcessEnvironment(env);
        viewer.start(QStringLiteral(DRIFTLINE_VIEWER), {QStringLiteral("--root"), root.path()});
        QVERIFY(viewer.waitForStarted(5000));
        // The viewer is up once its controller socket answers.
        const std::string socket = ViewerSocketPath(root.path().toStdString()).string();
        QTRY_VERIFY_WITH_TIMEOUT(SendControllerLine(socket, "", false, 200).sent, 30000);
        QCOMPARE(::kill(static_cast<pid_t>(viewer.processId()), signalNumber), 0);
        QVERIFY(viewer.waitForFinished(30000));
        QCOMPARE(viewer.exitStatus(), QProcess::NormalExit);
        QFile f(ini);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY2(text.startsWith("[Telescope]\r\nName=Dish\r\n[Driftline]\r\n"), text.constData());
        QVERIFY2(text.contains("\r\nHorizontal=") && text.contains("\r\nCoeff No="), text.constData());
    }
};

QTEST_MAIN(TestHostileLink)
#include "tst_hostile_link.moc"
