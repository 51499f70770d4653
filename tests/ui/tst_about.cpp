// The about box: its texts and layout, IsShowing, the web link and the mail to the author (run
// against a fake xdg-email on PATH, and without one).
#include "about/Aboutunit.h"
#include "desktop/Shellunit.h"
#include "suite/Globalunit.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <QtTest>

using namespace driftline;

namespace {

QString Slurp(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

void WriteText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

}  // namespace

class TestAboutBox : public QObject {
    Q_OBJECT

private:
    QTemporaryDir suite_;
    QTemporaryDir bin_;
    QTemporaryDir temp_;
    QByteArray oldPath_;
    std::unique_ptr<TAboutBox> box_;
    QList<QUrl> opened_;

    template <class T>
    T* child(const char* name)
    {
        T* widget = box_->findChild<T*>(QLatin1String(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }

private slots:
    void initTestCase()
    {
        QApplication::setApplicationName(QStringLiteral("Driftline"));
        TGlobalOptions options;
        options.rootFolder = suite_.path().toStdString();
        InstallGlobal(options);
        QDir().mkpath(QString::fromStdString(Global().LogsFolder.native()));
        oldPath_ = qgetenv("PATH");
        // Copies go below TMPDIR: a private one shows whether everything was cleaned up.
        qputenv("TMPDIR", temp_.path().toLocal8Bit());
        SetShellOpener([this](const QUrl& url) {
            opened_ << url;
            return true;
        });
    }

    void init()
    {
        box_ = std::make_unique<TAboutBox>(nullptr, QStringLiteral("www.example.org/driftline"),
                                           QStringLiteral("author@example.org"));
        opened_.clear();
        QFile::remove(QString::fromStdString(Global().DebugFilePath.native()));
        QFile::remove(QString::fromStdString(Global().LogFilePath.native()));
    }

    void cleanup()
    {
        box_.reset();
        qputenv("PATH", oldPath_);
    }

    void cleanupTestCase()
    {
        SetShellOpener(nullptr);
        DestroyGlobal();
    }

    void versionTextsComeFromTheBuild()
    {
        // This build's values: file version 3.7.1.0, product version 37b, product ZVK, July 2010.
        QCOMPARE(box_->windowTitle(), QStringLiteral("About ZVK"));
        QCOMPARE(child<QLabel>("lblProductName")->text(), QStringLiteral("ZVK"));
        QCOMPARE(child<QLabel>("lblFileVersion")->text(), QStringLiteral("File Version 3.7.1.0"));
        QCOMPARE(child<QLabel>("lblProductVersion")->text(), QStringLiteral("Product Version 37b"));
        QCOMPARE(child<QLabel>("lblAuthor")->text(), QStringLiteral("\u00A9 ") + box_->CompanyName);
        QVERIFY(!box_->CompanyName.isEmpty());
        QCOMPARE(child<QLabel>("lblDate")->text(), QStringLiteral("July 2010"));
        QCOMPARE(child<QLabel>("lblAddress")->text(), QStringLiteral("author@example.org"));
        QCOMPARE(child<QLabel>("lblWebSite")->text(), QStringLiteral("www.example.org/driftline"));
        QCOMPARE(box_->ProductVersion, QStringLiteral("37b"));
        QCOMPARE(box_->FileVersion, QStringLiteral("3.7.1.0"));
    }

    void layoutFollowsTheDesign_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QPoint>("topLeft");
        QTest::newRow("lblProductName") << QStringLiteral("lblProductName") << QPoint(70, 32);
        QTest::newRow("lblFileVersion") << QStringLiteral("lblFileVersion") << QPoint(70, 62);
        QTest::newRow("lblProductVersion") << QStringLiteral("lblProductVersion") << QPoint(72, 92);
        QTest::newRow("lblAuthor") << QStringLiteral("lblAuthor") << QPoint(70, 122);
        QTest::newRow("lblAddress") << QStringLiteral("lblAddress") << QPoint(70, 151);
        QTest::newRow("lblWebSite") << QStringLiteral("lblWebSite") << QPoint(70, 181);
        QTest::newRow("lblDate") << QStringLiteral("lblDate") << QPoint(70, 211);
        QTest::newRow("IconImage") << QStringLiteral("IconImage") << QPoint(8, 8);
    }

    void layoutFollowsTheDesign()
    {
        QFETCH(QString, name);
        QFETCH(QPoint, topLeft);
        QCOMPARE(box_->size(), QSize(411, 320));
        QCOMPARE(child<QWidget>("Panel1")->geometry(), QRect(11, 8, 389, 257));
        QCOMPARE(child<QPushButton>("OKButton")->geometry(), QRect(168, 278, 75, 25));
        QVERIFY(child<QPushButton>("OKButton")->isDefault());
        auto* widget = box_->findChild<QWidget*>(name);
        QVERIFY(widget);
        QCOMPARE(widget->parentWidget()->objectName(), QStringLiteral("Panel1"));
        QCOMPARE(widget->pos(), topLeft);
        if (auto* label = qobject_cast<QLabel*>(widget); label && name != QLatin1String("IconImage"))
            QCOMPARE(label->width(), label->sizeHint().width());  // labels take their text's width
    }

    void isShowingFollowsShowAndHide()
    {
        QVERIFY(!box_->IsShowing);
        box_->show();
        QVERIFY(QTest::qWaitForWindowExposed(box_.get()));
        QVERIFY(box_->IsShowing);
        QTest::mouseClick(child<QPushButton>("OKButton"), Qt::LeftButton);
        QVERIFY(!box_->IsShowing);
        QVERIFY(!box_->isVisible());
        box_->show();
        QVERIFY(box_->IsShowing);
        box_->close();
        QVERIFY(!box_->IsShowing);
        QVERIFY(!box_->testAttribute(Qt::WA_QuitOnClose));
    }

    void webLabelOpensItsTextAfterHttp()
    {
        box_->show();
        QTest::mouseClick(child<QLabel>("lblWebSite"), Qt::LeftButton);
        QCOMPARE(opened_.size(), 1);
        QCOMPARE(opened_.front().toString(), QStringLiteral("http://www.example.org/driftline"));
        QTest::mouseClick(child<QLabel>("lblWebSite"), Qt::RightButton);
        QCOMPARE(opened_.size(), 1);
    }

    void mailGoesThroughXdgEmailWithCopiesNamedAsTheOriginals_data()
    {
        QTest::addColumn<bool>("debugExists");
        QTest::addColumn<bool>("logExists");
        QTest::newRow("neither") << false << false;
        QTest::newRow("debug only") << true << false;
        QTest::newRow("both") << true << true;
    }

    void mailGoesThroughXdgEmailWithCopiesNamedAsTheOriginals()
    {
        QFETCH(bool, debugExists);
        QFETCH(bool, logExists);
        const QString debug = QString::fromStdString(Global().DebugFilePath.native());
        const QString log = QString::fromStdString(Global().LogFilePath.native());
        if (debugExists)
            WriteText(debug, "DEBUG-LINES");
        if (logExists)
            WriteText(log, "LOG-LINES");

        // The fake records each argument and, for each --attach, the attached file's name and text.
        const QString record = bin_.path() + QStringLiteral("/record.txt");
        QFile::remove(record);
        const QString script = bin_.path() + QStringLiteral("/xdg-email");
        WriteText(script, QByteArray("#!/bin/sh\nout='") + record.toLocal8Bit() +
                              "'\n"
                              "for a in \"$@\"; do printf 'arg:%s\\n' \"$a\" >> \"$out\"; done\n"
                              "while [ $# -gt 0 ]; do\n"
                              "  if [ \"$1\" = --attach ]; then\n"
                              "    printf 'name:%s\\n' \"$(basename \"$2\")\" >> \"$out\"\n"
                              "    printf 'text:%s\\n' \"$(cat \"$2\")\" >> \"$out\"; shift\n"
                              "  fi\n"
                              "  shift\n"
                              "done\n");
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", bin_.path().toLocal8Bit() + ":/usr/bin:/bin");

        QVERIFY(box_->lblAddressClick());
        const QStringList lines = Slurp(record).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const int count = int(debugExists) + int(logExists);
        QStringList args = lines.filter(QRegularExpression(QStringLiteral("^arg:")));
        QCOMPARE(args.value(0), QStringLiteral("arg:--subject"));
        QCOMPARE(args.value(1), QStringLiteral("arg:Driftline 37b"));
        QCOMPARE(args.value(2), QStringLiteral("arg:--body"));
        QCOMPARE(args.value(3), QStringLiteral("arg:%1 file(s) attached.").arg(count));
        QCOMPARE(args.size(), 4 + 2 * count + 1);
        QCOMPARE(args.last(), QStringLiteral("arg:author@example.org"));

        QStringList expectedFiles;
        if (debugExists)
            expectedFiles << QStringLiteral("name:") + QFileInfo(debug).fileName()
                          << QStringLiteral("text:DEBUG-LINES");
        if (logExists)
            expectedFiles << QStringLiteral("name:") + QFileInfo(log).fileName() << QStringLiteral("text:LOG-LINES");
        QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^(name|text):"))), expectedFiles);
        for (int i = 0; i < count; ++i) {
            const QString copy = args.value(5 + 2 * i).mid(4);
            QVERIFY2(copy.contains(QStringLiteral("/~%1.~~/").arg(i)), qPrintable(copy));
            QVERIFY2(!QFile::exists(copy), "the copy is removed after the mail program returned");
        }
        QCOMPARE(QDir(temp_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        QVERIFY(opened_.isEmpty());
        QCOMPARE(QFile::exists(debug), debugExists);  // the originals stay
    }

    void withoutXdgEmailAMailtoAddressOpens()
    {
        WriteText(QString::fromStdString(Global().DebugFilePath.native()), "DEBUG");
        qputenv("PATH", bin_.path().toLocal8Bit() + "/nothing-here");
        QVERIFY(!box_->lblAddressClick());
        QCOMPARE(opened_.size(), 1);
        // A mailto: address carries no files, so none are counted.
        const QUrl mail = opened_.front();
        QCOMPARE(mail.scheme(), QStringLiteral("mailto"));
        QCOMPARE(mail.path(), QStringLiteral("author@example.org"));
        const QUrlQuery query(mail);
        QCOMPARE(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded), QStringLiteral("Driftline 37b"));
        QCOMPARE(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded),
                 QStringLiteral("0 file(s) attached."));
        QCOMPARE(QDir(temp_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    }

    void theOneAboutBoxLivesFromCreateToDestroy()
    {
        QVERIFY(AboutBox() == nullptr);
        CreateAboutBox();
        QVERIFY(AboutBox() != nullptr);
        QCOMPARE(AboutBox()->ProductVersion, QStringLiteral("37b"));
        QVERIFY(!AboutBox()->IsShowing);
        DestroyAboutBox();
        QVERIFY(AboutBox() == nullptr);
    }
};

QTEST_MAIN(TestAboutBox)
#include "tst_about.moc"
