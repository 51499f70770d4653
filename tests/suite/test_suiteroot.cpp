// Where the suite is found: the root rule as a table over its inputs, the remembered suite in
// driftline.conf, a new suite's settings and the installed data folder.
#include "suite/Globalunit.h"
#include "suite/Suiteroot.h"

#include "suite/SuiteTestSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace driftline {
namespace {

namespace fs = std::filesystem;
using test::EnvironmentGuard;
using test::ReadBytes;
using test::ScratchFolder;
using test::WriteBytes;

// The file system of a case: the ZVK.ini files that exist.
std::function<bool(const fs::path&)> Existing(std::set<std::string> files)
{
    return [files = std::move(files)](const fs::path& file) { return files.count(file.string()) != 0; };
}

TEST(SuiteRoot, RuleOverItsInputs)
{
    const std::string remembered = "[Suite]\nRoot=/home/obs/Telescope\n";
    struct Case {
        const char* name;
        const char* exeFolder;
        const char* rootOption;
        const char* environment;
        std::string config;
        const char* log;
        std::set<std::string> files;
        TRootSource source;
        const char* root;
    };
    const Case cases[] = {
        // In a suite: the folder above the executable's, unless --root or ZVK_ROOT names another.
        {"in a suite",
         "/srv/Suite/Driftline",
         "",
         "",
         remembered,
         "/other/Suite/Logs/ZV.log",
         {"/srv/Suite/ZVK.ini", "/other/Suite/ZVK.ini", "/home/obs/Telescope/ZVK.ini"},
         TRootSource::Executable,
         "/srv/Suite"},
        {"in a suite, trailing slash",
         "/srv/Suite/Driftline/",
         "",
         "",
         "",
         "",
         {"/srv/Suite/ZVK.ini"},
         TRootSource::Executable,
         "/srv/Suite"},
        {"in a suite, --root wins",
         "/srv/Suite/Driftline",
         "/named",
         "/env",
         "",
         "",
         {"/srv/Suite/ZVK.ini"},
         TRootSource::Option,
         "/named"},
        {"in a suite, ZVK_ROOT wins",
         "/srv/Suite/Driftline",
         "",
         "/env",
         "",
         "",
         {"/srv/Suite/ZVK.ini"},
         TRootSource::Environment,
         "/env"},
        // Installed: /usr/ZVK.ini does not exist, so the sources are asked in order.
        {"installed, --root",
         "/usr/bin",
         "/named",
         "/env",
         remembered,
         "/other/Suite/Logs/ZV.log",
         {"/other/Suite/ZVK.ini", "/home/obs/Telescope/ZVK.ini"},
         TRootSource::Option,
         "/named"},
        {"installed, ZVK_ROOT",
         "/usr/bin",
         "",
         "/env",
         remembered,
         "",
         {"/home/obs/Telescope/ZVK.ini"},
         TRootSource::Environment,
         "/env"},
        {"installed, remembered",
         "/usr/bin",
         "",
         "",
         remembered,
         "",
         {"/home/obs/Telescope/ZVK.ini"},
         TRootSource::Remembered,
         "/home/obs/Telescope"},
        {"installed, log of another suite beats the remembered one",
         "/usr/bin",
         "",
         "",
         remembered,
         "/other/Suite/Logs/ZV-12-05-2010-0001.log",
         {"/other/Suite/ZVK.ini", "/home/obs/Telescope/ZVK.ini"},
         TRootSource::LogFolder,
         "/other/Suite"},
        {"installed, log outside a Logs folder",
         "/usr/bin",
         "",
         "",
         remembered,
         "/other/Suite/Data/ZV.log",
         {"/other/Suite/ZVK.ini", "/home/obs/Telescope/ZVK.ini"},
         TRootSource::Remembered,
         "/home/obs/Telescope"},
        {"installed, Logs folder of no suite", "/usr/bin", "", "", "", "/tmp/Logs/ZV.log", {}, TRootSource::None, ""},
        {"installed, remembered suite gone", "/usr/bin", "", "", remembered, "", {}, TRootSource::None, ""},
        {"installed, remembered relative folder",
         "/usr/bin",
         "",
         "",
         "[Suite]\nRoot=Telescope\n",
         "",
         {"Telescope/ZVK.ini"},
         TRootSource::None,
         ""},
        {"installed, nothing", "/usr/bin", "", "", "", "", {}, TRootSource::None, ""},
        {"executable in the top folder", "/", "", "", "", "", {"/ZVK.ini"}, TRootSource::None, ""},
        // A ZVK.ini beside the executable is the controller's place, not a companion's.
        {"ZVK.ini beside the executable", "/srv/Suite", "", "", "", "", {"/srv/Suite/ZVK.ini"}, TRootSource::None, ""},
    };
    for (const Case& c : cases) {
        TRootInputs inputs;
        inputs.executableFolder = c.exeFolder;
        inputs.rootOption = c.rootOption;
        inputs.environmentRoot = c.environment;
        inputs.configText = c.config;
        inputs.logArgument = c.log;
        inputs.fileExists = Existing(c.files);
        const TRootChoice choice = ChooseSuiteRoot(inputs);
        EXPECT_EQ(choice.source, c.source) << c.name;
        EXPECT_EQ(choice.root, fs::path(c.root)) << c.name;
    }
}

TEST(SuiteRoot, ConfigFileLocation)
{
    struct Case {
        const char* xdg;
        const char* home;
        const char* file;
    };
    const Case cases[] = {
        {"/cfg", "/home/a", "/cfg/driftline/driftline.conf"},
        {nullptr, "/home/a", "/home/a/.config/driftline/driftline.conf"},
        {"", "/home/a", "/home/a/.config/driftline/driftline.conf"},
        {"relative/cfg", "/home/a", "/home/a/.config/driftline/driftline.conf"},  // relative values are ignored
        {nullptr, nullptr, ""},
        {nullptr, "relative", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ConfigFilePathFor(c.xdg, c.home), fs::path(c.file))
            << (c.xdg ? c.xdg : "(unset)") << " " << (c.home ? c.home : "(unset)");
}

TEST(SuiteRoot, RememberedSuiteSurvivesAndKeepsOtherSettings)
{
    ScratchFolder folder;
    const fs::path config = folder.path() / "cfg" / "driftline" / "driftline.conf";
    std::string error;
    ASSERT_TRUE(RememberSuiteRoot(config, "/home/obs/First Suite", error)) << error;
    EXPECT_EQ(RememberedRoot(ReadBytes(config)), fs::path("/home/obs/First Suite"));

    WriteBytes(config, "[Other]\nKey=1\n[Suite]\nRoot=/old\n");
    ASSERT_TRUE(RememberSuiteRoot(config, "/new", error)) << error;
    const std::string text = ReadBytes(config);
    EXPECT_EQ(RememberedRoot(text), fs::path("/new"));
    EXPECT_NE(text.find("[Other]\nKey=1\n"), std::string::npos) << text;

    EXPECT_FALSE(RememberSuiteRoot({}, "/x", error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(RememberedRoot("[Elsewhere]\nRoot=/x\n"), fs::path());
}

TEST(SuiteRoot, NewSuiteReadsAsTheDefaults)
{
    EnvironmentGuard noRoot("ZVK_ROOT", nullptr);
    ScratchFolder empty;
    ScratchFolder created;
    const fs::path root = created.path() / "My Suite";
    std::string error;
    ASSERT_TRUE(CreateSuite(root, error)) << error;
    EXPECT_TRUE(fs::is_directory(root / "Logs"));
    EXPECT_TRUE(fs::is_empty(root / "Logs"));
    EXPECT_TRUE(IsSuiteFolder(root));

    // Every value written must read back as the value a missing key gives.
    TGlobalOptions withFile, withoutFile;
    withFile.rootFolder = root;
    withoutFile.rootFolder = empty.path();
    const TGlobal a(withFile), b(withoutFile);
    EXPECT_EQ(a.TelescopeName, b.TelescopeName);
    EXPECT_EQ(std::tie(a.MotorPort, a.ReceiverPort, a.MotorAzimuth, a.MotorAltitude, a.MotorDelay),
              std::tie(b.MotorPort, b.ReceiverPort, b.MotorAzimuth, b.MotorAltitude, b.MotorDelay));
    EXPECT_EQ(std::tie(a.AzRate, a.AzMin, a.AzMax, a.AzOverrun, a.AzCorrection),
              std::tie(b.AzRate, b.AzMin, b.AzMax, b.AzOverrun, b.AzCorrection));
    EXPECT_EQ(std::tie(a.AltRate, a.AltMin, a.AltMax, a.AltOverrun, a.AltCorrection),
              std::tie(b.AltRate, b.AltMin, b.AltMax, b.AltOverrun, b.AltCorrection));
    EXPECT_EQ(a.RaDiff, b.RaDiff);
    EXPECT_EQ(a.DecDiff, b.DecDiff);
    EXPECT_EQ(std::tie(a.LatDegrees, a.LatMinutes, a.LatSeconds, a.LongDegrees, a.LongMinutes, a.LongSeconds),
              std::tie(b.LatDegrees, b.LatMinutes, b.LatSeconds, b.LongDegrees, b.LongMinutes, b.LongSeconds));
    EXPECT_EQ(std::tie(a.Height, a.Temperature, a.Pressure, a.Refraction),
              std::tie(b.Height, b.Temperature, b.Pressure, b.Refraction));
    EXPECT_EQ(std::tie(a.LogPrefix, a.LogSparse, a.IsJ2000), std::tie(b.LogPrefix, b.LogSparse, b.IsJ2000));
    EXPECT_EQ(a.LsrVector.x, b.LsrVector.x);
    EXPECT_EQ(a.LsrVector.y, b.LsrVector.y);
    EXPECT_EQ(a.LsrVector.z, b.LsrVector.z);

    // The file spells the settings out (54 deg 16 min north, 2 deg 16 min west) in CR LF lines.
    const std::string text = ReadBytes(root / "ZVK.ini");
    EXPECT_NE(text.find("[Latitude]\r\nDegrees=54\r\nMinutes=16\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Longitude]\r\nDegrees=-2\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Equinox=J2000\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("\n\n"), std::string::npos) << "a bare LF line end";
}

TEST(SuiteRoot, CreatingKeepsTheControllersSettings)
{
    ScratchFolder suite;
    WriteBytes(suite.path() / "ZVK.ini", "[Telescope]\r\nName=Dish 3\r\n");
    std::string error;
    ASSERT_TRUE(CreateSuite(suite.path(), error)) << error;
    EXPECT_EQ(ReadBytes(suite.path() / "ZVK.ini"), "[Telescope]\r\nName=Dish 3\r\n");
    EXPECT_TRUE(fs::is_directory(suite.path() / "Logs"));

    // Below a regular file no suite can be made, and the reason is given.
    WriteBytes(suite.path() / "plain", "x");
    EXPECT_FALSE(CreateSuite(suite.path() / "plain" / "Suite", error));
    EXPECT_FALSE(error.empty());
}

TEST(SuiteRoot, InstalledDataBesideTheBinFolder)
{
    EXPECT_EQ(InstalledDataFolder("/usr/bin"), fs::path("/usr/share/driftline"));
    EXPECT_EQ(InstalledDataFolder("/opt/dl/bin"), fs::path("/opt/dl/share/driftline"));

    ScratchFolder prefix;
    fs::create_directories(prefix.path() / "bin");
    EXPECT_EQ(InstalledHelpFolder(prefix.path() / "bin"), fs::path()) << "no help installed";
    WriteBytes(prefix.path() / "share" / "driftline" / "help" / "index.html", "<html></html>");
    EXPECT_EQ(InstalledHelpFolder(prefix.path() / "bin"), prefix.path() / "share" / "driftline" / "help");
    EXPECT_EQ(InstalledHelpFolder({}), fs::path());
}

}  // namespace
}  // namespace driftline
