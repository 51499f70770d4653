// Saving from the window: the file-type dialog and its setting, the save dialogs cancelled, the
// files written, and saves that fail.
#include "analysis/Selectionwriter.h"
#include "analysis/ui/Saveunit.h"
#include "suite/Inifile.h"

#include <QApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

using namespace driftline;
namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

PlottedPoints TwoPoints()
{
    PlottedPoints p;
    p.horizontalValues = {40373.9, 360.0};
    p.verticalValues = {0.25, 0.000012345};
    p.pixelX = {40, 560};
    p.pixelY = {410, 40};
    return p;
}

// Seams that record what the commands asked for and answer as told.
struct FakeDialogs {
    int formatDialogRuns = 0;
    bool formatAnswer = true;
    int chooseItem = -2;  // checked in the form before answering; -2 leaves it
    int saveDialogRuns = 0;
    QString savePath;  // empty = cancelled
    QString lastFilter;
    QString lastSuffix;
    QStringList errors;

    SaveSeams Seams()
    {
        SaveSeams seams;
        seams.runFormatDialog = [this](TSaveForm& form) {
            ++formatDialogRuns;
            if (chooseItem != -2)
                form.SetItemIndex(chooseItem);
            return formatAnswer;
        };
        seams.runSaveDialog = [this](QWidget*, const QString& filter, const QString& suffix) {
            ++saveDialogRuns;
            lastFilter = filter;
            lastSuffix = suffix;
            return savePath;
        };
        seams.showError = [this](QWidget*, const QString&, const QString& text) { errors << text; };
        return seams;
    }
};

}  // namespace

class TestAnalysisSave : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;
    fs::path Folder() const { return fs::path(dir_->path().toStdString()); }
    fs::path Ini() const { return Folder() / "ZVK.ini"; }
    QString PathIn(const char* name) const { return QString::fromStdString((Folder() / name).string()); }

private slots:
    void init() { dir_ = std::make_unique<QTemporaryDir>(); }
    void cleanup() { dir_.reset(); }

    void formLooksAsDesigned()
    {
        QWidget owner;
        TSaveForm form(&owner, Ini());
        QCOMPARE(form.size(), QSize(298, 167));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QCOMPARE(form.rgFileType()->title(), QStringLiteral("Save selected values as ... "));
        const auto buttons = form.rgFileType()->findChildren<QRadioButton*>();
        QStringList texts;
        for (auto* b : buttons)
            texts << b->text();
        QCOMPARE(texts, (QStringList{"Comma separated values", "Space separated values", "Binary", "FITS table"}));
        QCOMPARE(form.btnOk()->text(), QStringLiteral("&Ok"));
        QCOMPARE(form.btnCancel()->text(), QStringLiteral("&Cancel"));
    }

    void storedFileTypeSelectsItem_data()
    {
        QTest::addColumn<QString>("iniText");
        QTest::addColumn<int>("expected");
        QTest::newRow("no file") << QString() << 0;
        QTest::newRow("binary") << "[Driftline]\r\nFileType=2\r\n" << 2;
        QTest::newRow("space") << "[Other]\r\nFileType=2\r\n[driftline]\r\nfiletype = 1\r\n" << 1;
        QTest::newRow("FITS table") << "[Driftline]\r\nFileType=3\r\n" << 3;
        QTest::newRow("beyond last item") << "[Driftline]\r\nFileType=7\r\n" << 3;
        QTest::newRow("negative: none") << "[Driftline]\r\nFileType=-1\r\n" << -1;
        QTest::newRow("not a number") << "[Driftline]\r\nFileType=csv\r\n" << 0;
    }
    void storedFileTypeSelectsItem()
    {
        QFETCH(QString, iniText);
        QFETCH(int, expected);
        if (!iniText.isNull())
            WriteFile(Ini(), iniText.toStdString());
        TSaveForm form(nullptr, Ini());
        QCOMPARE(form.ItemIndex(), expected);
    }

    void chosenTypeIsWrittenAtExitAndPreselectedNextRun()
    {
        WriteFile(Ini(), "[Site]\r\nLatitude=52\r\n");
        FakeDialogs dialogs;
        dialogs.chooseItem = SaveBinary;
        dialogs.savePath = PathIn("points.dat");
        {
            TSaveCommands commands(nullptr, Ini(), dialogs.Seams());
            QVERIFY(commands.tbSaveClick(TwoPoints()));
        }
        QCOMPARE(ReadIniInt(Ini(), "Driftline", "FileType", -5), 2);
        QCOMPARE(ReadIniInt(Ini(), "Site", "Latitude", 0), 52);  // other sections kept
        TSaveCommands next(nullptr, Ini(), dialogs.Seams());
        dialogs.chooseItem = -2;
        dialogs.formatAnswer = false;
        next.tbSaveClick(TwoPoints());
        QVERIFY(next.saveForm() != nullptr);
        QCOMPARE(next.saveForm()->ItemIndex(), 2);
    }

    void runWithoutSaveNeitherReadsNorWritesTheKey()
    {
        WriteFile(Ini(), "[Driftline]\r\nTop=5\r\n");
        {
            TSaveCommands commands(nullptr, Ini(), FakeDialogs{}.Seams());
        }
        QCOMPARE(ReadFile(Ini()), std::string("[Driftline]\r\nTop=5\r\n"));
    }

    void eachTypeUsesItsFilterAndWritesItsFile_data()
    {
        QTest::addColumn<int>("fileType");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("comma") << 0 << "Comma separated values (*.csv);;Any (*.*)"
                               << QByteArray("40373.9,0.25\r\n360,1.2345e-05\r\n") << "csv";
        QTest::newRow("space") << 1 << "Space separated values (*.txt);;Any (*.*)"
                               << QByteArray("40373.9 0.25\r\n360 1.2345e-05\r\n") << "txt";
        QTest::newRow("binary") << 2 << "Data file (*.dat);;Any (*.*)"
                                << QByteArray::fromStdString(BinarySelectionBytes(TwoPoints())) << "dat";
    }
    void eachTypeUsesItsFilterAndWritesItsFile()
    {
        QFETCH(int, fileType);
        QFETCH(QString, filter);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, suffix);
        FakeDialogs dialogs;
        dialogs.chooseItem = fileType;
        dialogs.savePath = PathIn("out.any");
        TSaveCommands commands(nullptr, Ini(), dialogs.Seams());
        QVERIFY(commands.tbSaveClick(TwoPoints()));
        QCOMPARE(dialogs.lastFilter, filter);
        // The type's own extension: binary data named .csv misled every program that opened it.
        QCOMPARE(dialogs.lastSuffix, suffix);
        QCOMPARE(commands.saveFilter(), filter);
        QCOMPARE(QByteArray::fromStdString(ReadFile(Folder() / "out.any")), bytes);
        QVERIFY(dialogs.errors.isEmpty());
    }

    void realFormatDialogCancelledWritesNothing()
    {
        FakeDialogs dialogs;
        SaveSeams seams = dialogs.Seams();
        seams.runFormatDialog = DefaultSaveSeams().runFormatDialog;  // the real modal dialog
        TSaveCommands commands(nullptr, Ini(), seams);
        QTimer answer;
        answer.setInterval(10);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* form = qobject_cast<TSaveForm*>(QApplication::activeModalWidget());
            if (!form)
                return;
            answer.stop();
            form->SetItemIndex(1);
            QTest::mouseClick(form->btnCancel(), Qt::LeftButton);
        });
        answer.start();
        QVERIFY(!commands.tbSaveClick(TwoPoints()));
        QCOMPARE(dialogs.saveDialogRuns, 0);
        // The choice made in the dialog stays as chosen.
        QCOMPARE(commands.saveForm()->ItemIndex(), 1);
        QVERIFY(fs::is_empty(Folder()));
    }

    void realFormatDialogOkGoesOnToTheSaveDialog()
    {
        FakeDialogs dialogs;
        dialogs.savePath = PathIn("ok.csv");
        SaveSeams seams = dialogs.Seams();
        seams.runFormatDialog = DefaultSaveSeams().runFormatDialog;
        TSaveCommands commands(nullptr, Ini(), seams);
        QTimer answer;
        answer.setInterval(10);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* form = qobject_cast<TSaveForm*>(QApplication::activeModalWidget());
            if (!form)
                return;
            answer.stop();
            QTest::mouseClick(form->btnOk(), Qt::LeftButton);
        });
        answer.start();
        QVERIFY(commands.tbSaveClick(TwoPoints()));
        QCOMPARE(ReadFile(Folder() / "ok.csv"), std::string("40373.9,0.25\r\n360,1.2345e-05\r\n"));
    }

    void saveDialogCancelledWritesNothing()
    {
        FakeDialogs dialogs;
        dialogs.chooseItem = 0;
        TSaveCommands commands(nullptr, Ini(), dialogs.Seams());
        QVERIFY(!commands.tbSaveClick(TwoPoints()));
        QVERIFY(!commands.miSaveLimitsClick({}, {}));
        QCOMPARE(dialogs.saveDialogRuns, 2);
        QVERIFY(dialogs.errors.isEmpty());
        QCOMPARE(commands.saveForm()->ItemIndex(), 0);
        std::error_code ec;
        QVERIFY(!fs::exists(Ini(), ec));  // written only at exit
    }

    void noItemSelectedEndsTheCommand()
    {
        FakeDialogs dialogs;
        dialogs.chooseItem = -1;
        dialogs.savePath = PathIn("never.csv");
        TSaveCommands commands(nullptr, Ini(), dialogs.Seams());
        QVERIFY(!commands.tbSaveClick(TwoPoints()));
        QCOMPARE(dialogs.saveDialogRuns, 0);
    }

    void failedSaveIsReportedAndKeepsWhatWasThere()
    {
        WriteFile(Folder() / "plain", "x");
        fs::create_directories(Folder() / "taken.csv");
        WriteFile(Folder() / "taken.csv" / "inside", "keep");
        FakeDialogs dialogs;
        dialogs.chooseItem = 0;
        TSaveCommands commands(nullptr, Ini(), dialogs.Seams());

        // Below a regular file nothing can be created, even by root.
        dialogs.savePath = PathIn("plain") + "/out.csv";
        QVERIFY(!commands.tbSaveClick(TwoPoints()));
        QCOMPARE(dialogs.errors.size(), 1);
        QVERIFY2(dialogs.errors[0].startsWith("Cannot save " + dialogs.savePath + ": "), qPrintable(dialogs.errors[0]));
        QVERIFY(dialogs.errors[0].size() > ("Cannot save " + dialogs.savePath + ": ").size());

        // A folder in the way of the target: reported, and the folder keeps its content.
        dialogs.savePath = PathIn("taken.csv");
        QVERIFY(!commands.miSaveLimitsClick({}, {}));
        QCOMPARE(dialogs.errors.size(), 2);
        QVERIFY(dialogs.errors[1].contains(dialogs.savePath));
        QCOMPARE(ReadFile(Folder() / "taken.csv" / "inside"), std::string("keep"));
        QCOMPARE(ReadFile(Folder() / "plain"), std::string("x"));
    }

    void limitsUseTheirOwnFilterAndWriteTheReport()
    {
        FakeDialogs dialogs;
        dialogs.chooseItem = 2;
        dialogs.savePath = PathIn("limits.csv");
        TSaveCommands commands(nullptr, Ini(), dialogs.Seams());
        QVERIFY(commands.miSaveLimitsClick({}, {}));
        QCOMPARE(dialogs.lastFilter, QStringLiteral("Comma separated values (*.csv);;Any (*.*)"));
        QCOMPARE(dialogs.lastSuffix, QStringLiteral("csv"));
        QCOMPARE(dialogs.formatDialogRuns, 0);
        const std::string text = ReadFile(Folder() / "limits.csv");
        QVERIFY(text.rfind("Values with positive voltage\r\nName,,Time,", 0) == 0);
        QVERIFY(text.find("\r\nAll values\r\n") != std::string::npos);
    }
};

QTEST_MAIN(TestAnalysisSave)
#include "tst_analysis_save.moc"
