// The settings object: defaults, every parsing rule on real keys, the derived angles, counts
// and paths, message numbers, log file names and the controller's session header.
#include "suite/Globalunit.h"

#include "suite/SuiteTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <set>

namespace driftline {
namespace {

namespace fs = std::filesystem;
using test::EnvironmentGuard;
using test::ReadBytes;
using test::ScratchFolder;
using test::WriteBytes;

// The text with every digit replaced by '9', to compare a dated text with its expected form.
std::string DigitsAsNines(std::string text)
{
    for (char& c : text) {
        if (c >= '0' && c <= '9')
            c = '9';
    }
    return text;
}

// A suite root holding the given ZVK.ini text; the TGlobal is built on it.
struct SuiteRoot {
    ScratchFolder folder;
    explicit SuiteRoot(const std::string& ini = {}, const fs::path& base = {}) : folder(base)
    {
        if (!ini.empty())
            WriteBytes(folder.path() / "ZVK.ini", ini);
    }
    TGlobalOptions Options() const
    {
        TGlobalOptions options;
        options.rootFolder = folder.path();
        return options;
    }
};

TEST(GlobalSettings, DefaultsWithoutAnySettingsFile)
{
    SuiteRoot root;
    const TGlobal g(root.Options());
    EXPECT_EQ(g.TelescopeName, "Radio Telescope");
    EXPECT_EQ(g.MotorPort, -1);
    EXPECT_EQ(g.ReceiverPort, -1);
    EXPECT_EQ(g.AzRate, 8.1);
    EXPECT_EQ(g.AzMin, 140);
    EXPECT_EQ(g.AzMax, 350);
    EXPECT_EQ(g.AzOverrun, 0.05);
    EXPECT_EQ(g.AzCorrection, 0);
    EXPECT_EQ(g.AltMin, 10);
    EXPECT_EQ(g.AltMax, 92);
    EXPECT_EQ(g.AltRate, 6.7);
    EXPECT_EQ(g.AltOverrun, 0.05);
    EXPECT_EQ(g.AltCorrection, 0);
    // The decimal as the controller writes it (fifteen threes), which is not the double of 2/15.
    EXPECT_EQ(g.RaDiff, 0.133333333333333);
    EXPECT_NE(g.RaDiff, 2.0 / 15.0);
    EXPECT_EQ(g.DecDiff, 2.0);
    EXPECT_EQ(g.MotorAzimuth, 16748);
    EXPECT_EQ(g.MotorAltitude, 5916);
    EXPECT_EQ(g.MotorDelay, 20);
    EXPECT_EQ(g.Height, 200);
    EXPECT_EQ(g.Temperature, 10);
    EXPECT_EQ(g.Pressure, 990);
    EXPECT_EQ(g.Refraction, 0.5667);
    EXPECT_EQ(g.LogPrefix, "ZV");
    EXPECT_TRUE(g.LogSparse);
    EXPECT_EQ(g.IsJ2000, 1);
    EXPECT_EQ(g.LsrVector.x, 7.5);
    EXPECT_EQ(g.LsrVector.y, 13.5);
    EXPECT_EQ(g.LsrVector.z, 6.8);
    // 54 deg 16 min = 54 + 16/60; -2 deg 16 min (west) = 360 - 2 - 16/60.
    EXPECT_NEAR(g.Latitude.Value(), 54.0 + 16.0 / 60.0, 1e-9);
    EXPECT_NEAR(g.Longitude.Value(), 360.0 - 2.0 - 16.0 / 60.0, 1e-9);
    // By hand: trunc(140*32768/360 + 0.5) = trunc(12743.61) = 12743; 350 gives 31858.28 -> 31858;
    // 10 gives 910.72 -> 910; 92 gives 8374.54 -> 8374.
    EXPECT_EQ(g.AzMinCounts, 12743);
    EXPECT_EQ(g.AzMaxCounts, 31858);
    EXPECT_EQ(g.AltMinCounts, 910);
    EXPECT_EQ(g.AltMaxCounts, 8374);
    EXPECT_TRUE(g.ComPorts.empty());
    EXPECT_TRUE(g.ComConfigs.empty());
    // Reading creates nothing: neither the settings file nor the log folder.
    EXPECT_FALSE(fs::exists(root.folder.path() / "ZVK.ini"));
    EXPECT_FALSE(fs::exists(root.folder.path() / "Logs"));
}

TEST(GlobalSettings, EveryKeyIsReadIgnoringCaseWithHexAndBlanks)
{
    SuiteRoot root("[TELESCOPE]\r\nname = Dish 7 \r\n"
                   "[com ports]\r\nMOTOR=0x3\r\nReceiver = $0A\r\n"
                   "[Azimuth]\r\nAzRate=9.5\r\nMin=100\r\nMax=300\r\nOverrun=0.25\r\nCorrection=-12\r\n"
                   "[altitude]\r\nmin=5\r\nmax=85\r\naltrate=4.5\r\noverrun=0.5\r\ncorrection=0X10\r\n"
                   "[ChooseSource]\r\nRa Diff=0.25\r\nDec Diff=3.5\r\n"
                   "[Motor]\r\nAzimuth=100\r\nAltitude=200\r\nDelay=35\r\n"
                   "[Position]\r\nHeight=12\r\nTemperature=-5\r\nPressure=1013\r\nRefraction=0.6\r\n"
                   "[Log file]\r\nPrefix=OBS\r\nSparse=0\r\n"
                   "[Calculations]\r\nEquinox=J1950\r\n"
                   "[LSR]\r\nU=1.5\r\nV=-2.5\r\nW=3e1\r\n");
    const TGlobal g(root.Options());
    EXPECT_EQ(g.TelescopeName, "Dish 7");
    EXPECT_EQ(g.MotorPort, 3);
    EXPECT_EQ(g.ReceiverPort, 10);
    EXPECT_EQ(g.AzRate, 9.5);
    EXPECT_EQ(g.AzMin, 100);
    EXPECT_EQ(g.AzMax, 300);
    EXPECT_EQ(g.AzOverrun, 0.25);
    EXPECT_EQ(g.AzCorrection, -12);
    EXPECT_EQ(g.AltMin, 5);
    EXPECT_EQ(g.AltMax, 85);
    EXPECT_EQ(g.AltRate, 4.5);
    EXPECT_EQ(g.AltOverrun, 0.5);
    EXPECT_EQ(g.AltCorrection, 16);
    EXPECT_EQ(g.RaDiff, 0.25);
    EXPECT_EQ(g.DecDiff, 3.5);
    EXPECT_EQ(g.MotorAzimuth, 100);
    EXPECT_EQ(g.MotorAltitude, 200);
    EXPECT_EQ(g.MotorDelay, 35);
    EXPECT_EQ(g.Height, 12);
    EXPECT_EQ(g.Temperature, -5);
    EXPECT_EQ(g.Pressure, 1013);
    EXPECT_EQ(g.Refraction, 0.6);
    EXPECT_EQ(g.LogPrefix, "OBS");
    EXPECT_FALSE(g.LogSparse);
    EXPECT_EQ(g.IsJ2000, 0);
    EXPECT_EQ(g.LsrVector.x, 1.5);
    EXPECT_EQ(g.LsrVector.y, -2.5);
    EXPECT_EQ(g.LsrVector.z, 30.0);
    // 100 deg: trunc(9102.22 + 0.5) = 9102; 300: 27306.67 + 0.5 -> 27307; 5: 455.11 -> 455;
    // 85: 7736.89 -> 7737.
    EXPECT_EQ(g.AzMinCounts, 9102);
    EXPECT_EQ(g.AzMaxCounts, 27307);
    EXPECT_EQ(g.AltMinCounts, 455);
    EXPECT_EQ(g.AltMaxCounts, 7737);
    EXPECT_EQ(g.LogFileName.rfind("OBS-", 0), 0u) << g.LogFileName;
}

TEST(GlobalSettings, BadOrEmptyValuesGiveDefaultsButEmptyStringsStayEmpty)
{
    SuiteRoot root("[Telescope]\nName=\n"
                   "[Com Ports]\nMotor=abc\nReceiver=12abc\n"
                   "[Azimuth]\nAzRate=fast\nMin=\nMax=1e2\n"
                   "[Position]\nRefraction=0.5.1\nHeight=0x\n"
                   "[Log file]\nPrefix=\nSparse=yes\n");
    const TGlobal g(root.Options());
    EXPECT_EQ(g.TelescopeName, "");
    EXPECT_EQ(g.LogPrefix, "");
    EXPECT_EQ(g.MotorPort, -1);
    EXPECT_EQ(g.ReceiverPort, -1);
    EXPECT_EQ(g.AzRate, 8.1);
    EXPECT_EQ(g.AzMin, 140);
    EXPECT_EQ(g.AzMax, 350);
    EXPECT_EQ(g.Refraction, 0.5667);
    EXPECT_EQ(g.Height, 200);
    EXPECT_TRUE(g.LogSparse);
}

TEST(GlobalSettings, LongTelescopeNameIsCut)
{
    SuiteRoot root("[Telescope]\r\nName=" + std::string(2100, 'T') + "\r\n");
    const TGlobal g(root.Options());
    EXPECT_EQ(g.TelescopeName, std::string(2047, 'T'));
}

TEST(GlobalSettings, ReadingLeavesTheFileAsItWas)
{
    const std::string text = "; hand-written\r\n[Telescope]\r\nName=Dish\r\n";
    SuiteRoot root(text);
    const fs::path ini = root.folder.path() / "ZVK.ini";
    const auto before = fs::last_write_time(ini);
    {
        const TGlobal g(root.Options());
    }
    EXPECT_EQ(ReadBytes(ini), text);
    EXPECT_EQ(fs::last_write_time(ini), before);
}

TEST(GlobalSettings, EquinoxIsJ1950OnlyForThatExactText)
{
    struct EquinoxCase {
        const char* line;
        std::int32_t isJ2000;
    };
    const EquinoxCase cases[] = {
        {"Equinox=J1950", 0}, {"Equinox =  J1950  ", 0}, {"equinox=J1950", 0}, {"Equinox=j1950", 1},
        {"Equinox=J2000", 1}, {"Equinox=B1950", 1},      {"Equinox=", 1},      {"Equinox=J1950x", 1},
    };
    for (const EquinoxCase& c : cases) {
        SuiteRoot root(std::string("[Calculations]\r\n") + c.line + "\r\n");
        const TGlobal g(root.Options());
        EXPECT_EQ(g.IsJ2000, c.isJ2000) << c.line;
    }
}

TEST(GlobalSettings, SparseIsAnInteger)
{
    struct SparseCase {
        const char* value;
        bool sparse;
    };
    const SparseCase cases[] = {{"0", false}, {"2", true}, {"1", true}, {"-1", true}, {"0x0", false}, {"no", true}};
    for (const SparseCase& c : cases) {
        SuiteRoot root(std::string("[Log file]\r\nSparse=") + c.value + "\r\n");
        const TGlobal g(root.Options());
        EXPECT_EQ(g.LogSparse, c.sparse) << "Sparse=" << c.value;
    }
}

TEST(GlobalSettings, LimitsAreFoldedIntoOneTurnBeforeConversion)
{
    struct LimitCase {
        const char* ini;
        std::int32_t azMinCounts;
        std::int32_t altMaxCounts;
    };
    // -10 deg folds to 350 deg (31858 counts, as the default maximum); 360 folds to 0;
    // 720 + 90 folds to 90: 90*32768/360 = 8192 exactly, + 0.5 truncates to 8192.
    const LimitCase cases[] = {
        {"[Azimuth]\nMin=-10\n", 31858, 8374},
        {"[Azimuth]\nMin=360\n", 0, 8374},
        {"[Azimuth]\nMin=810\n[Altitude]\nMax=90\n", 8192, 8192},
        {"[Altitude]\nMax=-360\n", 12743, 0},
    };
    for (const LimitCase& c : cases) {
        SuiteRoot root(c.ini);
        const TGlobal g(root.Options());
        EXPECT_EQ(g.AzMinCounts, c.azMinCounts) << c.ini;
        EXPECT_EQ(g.AltMaxCounts, c.altMaxCounts) << c.ini;
    }
}

TEST(GlobalSettings, SiteAnglesTakeTheSignOfTheDegrees)
{
    struct SiteCase {
        const char* ini;
        double latitudeDeg;
        double longitudeDeg;
    };
    const SiteCase cases[] = {
        // Minutes follow the sign of the degrees: -2 deg 16 min is 2 deg 16 min west.
        {"[Longitude]\nDegrees=-2\nMinutes=16\n", 54.0 + 16.0 / 60.0, 360.0 - (2.0 + 16.0 / 60.0)},
        {"[Latitude]\nDegrees=0\nMinutes=30\nSeconds=0\n", 0.5, 357.0 + 44.0 / 60.0},
        {"[Latitude]\nDegrees=-33\nMinutes=30\n", 326.5, 357.0 + 44.0 / 60.0},
        // With no degrees to carry the sign, a negative minute count makes the angle negative.
        {"[Latitude]\nDegrees=0\nMinutes=-7\n[Longitude]\nDegrees=0\nMinutes=0\nSeconds=-30\n", 360.0 - 7.0 / 60.0,
         360.0 - 30.0 / 3600.0},
        // Seconds carry: 10 deg 59 min 60 s is 11 deg.
        {"[Latitude]\nDegrees=10\nMinutes=59\nSeconds=60\n", 11.0, 357.0 + 44.0 / 60.0},
        // Each part is narrowed to 16 bits first: 65590 is 65536 + 54.
        {"[Latitude]\nDegrees=65590\n", 54.0 + 16.0 / 60.0, 357.0 + 44.0 / 60.0},
        {"[Longitude]\nDegrees=15\nMinutes=0\n", 54.0 + 16.0 / 60.0, 15.0},
    };
    for (const SiteCase& c : cases) {
        SuiteRoot root(c.ini);
        const TGlobal g(root.Options());
        EXPECT_NEAR(g.Latitude.Value(), c.latitudeDeg, 1e-9) << c.ini;
        EXPECT_NEAR(g.Longitude.Value(), c.longitudeDeg, 1e-9) << c.ini;
    }
}

// ---------------------------------------------------------------- root and paths

TEST(GlobalPaths, RootFromTheExecutableFolder)
{
    EnvironmentGuard noRoot("ZVK_ROOT", nullptr);
    struct RootCase {
        const char* exeFolder;
        const char* root;
    };
    const RootCase cases[] = {
        {"/opt/Suite/Driftline", "/opt/Suite"},
        {"/opt/Suite/Driftline/", "/opt/Suite"},
        {"/Driftline", "/"},
        {"/", ""},          // a top folder has no parent: everything becomes relative
        {"Driftline", ""},  // a bare folder name has none either
        {"Suite/Driftline", "Suite"},
    };
    for (const RootCase& c : cases) {
        TGlobalOptions options;
        options.executableFolder = c.exeFolder;
        const TGlobal g(options);
        EXPECT_EQ(g.RootFolder, fs::path(c.root)) << c.exeFolder;
    }
}

TEST(GlobalPaths, EmptyRootGivesRelativePaths)
{
    EnvironmentGuard noRoot("ZVK_ROOT", nullptr);
    TGlobalOptions options;
    options.executableFolder = "Driftline";
    const TGlobal g(options);
    EXPECT_EQ(g.RootFolder, fs::path());
    EXPECT_EQ(g.IniFilePath, fs::path("ZVK.ini"));
    EXPECT_EQ(g.LogsFolder, fs::path("Logs"));
    EXPECT_EQ(g.DataFolder, fs::path("Data"));
    EXPECT_EQ(g.SourcesFilePath, fs::path("Data/Sources.csv"));
    EXPECT_EQ(g.LogFilePath, fs::path("Logs") / g.LogFileName);
}

TEST(GlobalPaths, DerivedPathsBelowTheRoot)
{
    SuiteRoot root;
    const TGlobal g(root.Options());
    const fs::path r = root.folder.path();
    EXPECT_EQ(g.RootFolder, r);
    EXPECT_EQ(g.IniFilePath, r / "ZVK.ini");
    EXPECT_EQ(g.LogsFolder, r / "Logs");
    EXPECT_EQ(g.DataFolder, r / "Data");
    EXPECT_EQ(g.SourcesFilePath, r / "Data" / "Sources.csv");
    EXPECT_EQ(g.LogFilePath, r / "Logs" / g.LogFileName);
    // ZV-dd-mm-yyyy-0001.log, with only the extension changed for the debug file.
    EXPECT_EQ(DigitsAsNines(g.LogFileName), "ZV-99-99-9999-9999.log");
    EXPECT_TRUE(g.LogFileName.ends_with("-0001.log")) << g.LogFileName;
    fs::path expectedDebug = r / "Logs" / g.LogFileName;
    expectedDebug.replace_extension(".debug");
    EXPECT_EQ(g.DebugFilePath, expectedDebug);
    EXPECT_EQ(g.DebugFilePath.extension(), ".debug");
}

TEST(GlobalPaths, ExplicitRootBeatsEnvironmentWhichBeatsExecutable)
{
    SuiteRoot fromOption("[Telescope]\nName=option\n");
    SuiteRoot fromEnvironment("[Telescope]\nName=environment\n");
    EnvironmentGuard env("ZVK_ROOT", fromEnvironment.folder.path().c_str());

    TGlobalOptions both = fromOption.Options();
    both.executableFolder = "/nowhere/Driftline";
    const TGlobal withOption(both);
    EXPECT_EQ(withOption.RootFolder, fromOption.folder.path());
    EXPECT_EQ(withOption.TelescopeName, "option");

    TGlobalOptions envOnly;
    envOnly.executableFolder = "/nowhere/Driftline";
    const TGlobal withEnvironment(envOnly);
    EXPECT_EQ(withEnvironment.RootFolder, fromEnvironment.folder.path());
    EXPECT_EQ(withEnvironment.TelescopeName, "environment");

    EnvironmentGuard emptyEnv("ZVK_ROOT", "");
    const TGlobal withExecutable(envOnly);
    EXPECT_EQ(withExecutable.RootFolder, fs::path("/nowhere"));
}

TEST(GlobalPaths, RunningExecutableFolderIsFoundWhenNotGiven)
{
    EnvironmentGuard noRoot("ZVK_ROOT", nullptr);
    const fs::path exe = fs::read_symlink("/proc/self/exe");
    const TGlobal g(TGlobalOptions{});
    EXPECT_EQ(g.RootFolder, exe.parent_path().parent_path());
}

// ---------------------------------------------------------------- log file names

TEST(GlobalLogName, FirstFreeSequenceOfTheDay)
{
    SuiteRoot root;
    const fs::path logs = root.folder.path() / "Logs";
    WriteBytes(logs / "ZV-12-05-2010-0001.log", "x");
    WriteBytes(logs / "ZV-12-05-2010-0002.log", "x");
    WriteBytes(logs / "ZV-12-05-2010-0004.log", "x");
    WriteBytes(logs / "ZV-13-05-2010-0003.log", "x");  // another day does not count
    const TGlobal g(root.Options());
    EXPECT_EQ(g.MakeLogFileName(2010, 5, 12), "ZV-12-05-2010-0003.log");
    EXPECT_EQ(g.MakeLogFileName(2010, 5, 13), "ZV-13-05-2010-0001.log");
    // Day and month are two digits, the year four.
    EXPECT_EQ(g.MakeLogFileName(987, 1, 2), "ZV-02-01-0987-0001.log");
}

TEST(GlobalLogName, PrefixFromSettingsAndEmptyWhenTheDayIsFull)
{
    // Ten thousand files: a memory file system keeps this quick where there is one.
    std::error_code ec;
    const fs::path memory = fs::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "";
    SuiteRoot root("[Log file]\r\nPrefix=Obs\r\n", memory);
    const fs::path logs = root.folder.path() / "Logs";
    fs::create_directories(logs);
    for (int n = 1; n <= 9999; ++n) {
        char name[64];
        std::snprintf(name, sizeof name, "Obs-01-07-2011-%04d.log", n);
        const int fd = ::open((logs / name).c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0) << name;
        ::close(fd);
    }
    const TGlobal g(root.Options());
    EXPECT_EQ(g.MakeLogFileName(2011, 7, 1), "");
    EXPECT_EQ(g.MakeLogFileName(2011, 7, 2), "Obs-02-07-2011-0001.log");
}

// ---------------------------------------------------------------- session header

TEST(GlobalSessionHeader, OpeningLineLeavesOutMidnight)
{
    EXPECT_EQ(SessionOpeningLine(2010, 5, 12, 21, 3, 15), "Opening session 12/05/2010 21:03:15 (UTC)");
    EXPECT_EQ(SessionOpeningLine(2010, 5, 12, 0, 0, 0), "Opening session 12/05/2010 (UTC)");
    EXPECT_EQ(SessionOpeningLine(2010, 5, 12, 0, 0, 1), "Opening session 12/05/2010 00:00:01 (UTC)");
    EXPECT_EQ(SessionOpeningLine(2010, 12, 1, 9, 5, 7), "Opening session 01/12/2010 09:05:07 (UTC)");
}

TEST(GlobalSessionHeader, OnlyTheControllerWritesIt)
{
    EnvironmentGuard noRoot("ZVK_ROOT", nullptr);
    ScratchFolder suite;
    const std::string ini = "[Azimuth]\r\nCorrection=12\r\n[Altitude]\r\nCorrection=-4\r\n";
    // The controller lives in the root itself, so its executable folder is the root.
    WriteBytes(suite.path() / "ZVK.ini", ini);
    fs::create_directories(suite.path() / "Logs");

    TGlobalOptions viewer;
    viewer.executableFolder = suite.path() / "Driftline";
    {
        const TGlobal g(viewer);
        EXPECT_EQ(g.RootFolder, suite.path());
        EXPECT_FALSE(fs::exists(g.LogFilePath));
    }

    TGlobalOptions controller;
    controller.executableFolder = suite.path();
    controller.applicationTitle = "zvk";
    fs::path logFile;
    {
        const TGlobal g(controller);
        EXPECT_EQ(g.RootFolder, suite.path());
        logFile = g.LogFilePath;
    }
    ASSERT_TRUE(fs::exists(logFile));
    const std::string text = ReadBytes(logFile);
    const std::size_t firstEnd = text.find("\r\n");
    ASSERT_NE(firstEnd, std::string::npos) << text;
    const std::string opening = DigitsAsNines(text.substr(0, firstEnd));
    EXPECT_TRUE(opening == "Opening session 99/99/9999 99:99:99 (UTC)" || opening == "Opening session 99/99/9999 (UTC)")
        << text;
    EXPECT_EQ(text.substr(firstEnd), "\r\nAzimuth correction 12\r\nAltitude correction -4\r\n");
}

// ---------------------------------------------------------------- message numbers

TEST(GlobalMessages, NumbersFollowTheSharedScheme)
{
    // FNV-1a of "a" by hand: 0x811C9DC5 xor 0x61 = 0x811C9DA4; times 16777619 (0x01000193)
    // mod 2^32 = 0xE40C292C (also the published FNV test vector). mod 0x4000 = 0x292C, so the
    // number is 0xC000 + 0x292C = 0xE92C. "foobar" hashes to the published 0xBF9CF968 -> 0xF968.
    EXPECT_EQ(MessageNumber("a"), 0xE92Cu);
    EXPECT_EQ(MessageNumber("foobar"), 0xF968u);
    EXPECT_EQ(MessageNumber(""), 0xC000u + 2166136261u % 0x4000u);

    SuiteRoot root;
    const TGlobal g(root.Options());
    // Values from an independent FNV-1a script over the exact names (also in the protocol notes).
    struct NameCase {
        const char* name;
        std::uint32_t member;
        std::uint32_t expected;
    };
    const NameCase cases[] = {
        {"Calling Handle", g.MsgCallingHandle, 0xE143},
        {"Driftline Quitting", g.MsgDriftlineQuitting, 0xD591},
        {"LogFile Index", g.MsgLogFileIndex, 0xD09B},
        {"Arcwatch Quitting", g.MsgArcwatchQuitting, 0xE3D5},
        {"Calling Handle received", g.MsgCallingHandleReceived, 0xC46E},
        {"New Source", g.MsgNewSource, 0xC9D6},
        {"Track position", g.MsgTrackPosition, 0xD147},
    };
    std::set<std::uint32_t> distinct;
    for (const NameCase& c : cases) {
        EXPECT_EQ(c.member, c.expected) << c.name;
        EXPECT_EQ(MessageNumber(c.name), c.expected) << c.name;
        EXPECT_GE(c.member, 0xC000u) << c.name;
        EXPECT_LE(c.member, 0xFFFFu) << c.name;
        distinct.insert(c.member);
    }
    EXPECT_EQ(distinct.size(), 7u);
    // Letter case is part of the name.
    EXPECT_EQ(MessageNumber("calling handle"), 0xF283u);
}

// ---------------------------------------------------------------- the one instance

TEST(GlobalInstance, InstallReplacesAndDestroyForgets)
{
    SuiteRoot first("[Telescope]\nName=first\n");
    SuiteRoot second("[Telescope]\nName=second\n");
    TGlobal& a = InstallGlobal(first.Options());
    EXPECT_EQ(&Global(), &a);
    EXPECT_EQ(Global().TelescopeName, "first");
    InstallGlobal(second.Options());
    EXPECT_EQ(Global().TelescopeName, "second");
    EXPECT_EQ(&Global(), &Global());
    DestroyGlobal();
    {
        EnvironmentGuard env("ZVK_ROOT", first.folder.path().c_str());
        // Rebuilt on the next call with default options, which now find the first root.
        EXPECT_EQ(Global().TelescopeName, "first");
    }
    DestroyGlobal();
}

}  // namespace
}  // namespace driftline
