// driftline-cli derive end to end: CSV values, corrections, volts-only and every kind of bad input.
#include "Clirunner.h"

#include "logdata/Logreader.h"
#include "suite/Globalunit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

namespace driftline {
namespace {

using testing::RunCliCommand;
using testing::SplitLines;
using testing::TCliFolder;

const char* const Header = "time,azimuth,altitude,right_ascension,declination,beta,lambda,volts";

// A site at 51 deg 28' 38" north, J2000.
const char* const SiteIni = "[Latitude]\r\nDegrees=51\r\nMinutes=28\r\nSeconds=38\r\n"
                            "[Longitude]\r\nDegrees=0\r\nMinutes=0\r\nSeconds=0\r\n"
                            "[Calculations]\r\nEquinox=J2000\r\n";

std::vector<double> Values(const std::string& csvLine)
{
    std::vector<double> values;
    const char* p = csvLine.c_str();
    while (*p) {
        char* end = nullptr;
        values.push_back(std::strtod(p, &end));
        p = *end == ',' ? end + 1 : end;
        if (end == p && *p)
            break;
    }
    return values;
}

TEST(CliDerive, ExampleRecordValues)
{
    TCliFolder folder;
    folder.write("ZVK.ini", SiteIni);
    const auto log = folder.write("a.log", "Opening session 12/05/2010 21:03:15 (UTC)\r\n"
                                           "Azimuth correction 12\r\n75795000 8192 4096 1024\r\n"
                                           "75796000 0 8192\r\n");
    const auto run = RunCliCommand({"derive", log.string(), "--root", folder.path().string()}, folder);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto lines = SplitLines(run.out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], Header);
    const auto first = Values(lines[1]);
    ASSERT_EQ(first.size(), 8u) << lines[1];
    // 12 May 2010 is day 40310; 21:03:15 is 75795 s of 86400.
    EXPECT_NEAR(first[0], 40310.0 + 75795.0 / 86400.0, 1e-9);
    EXPECT_EQ(first[1], 90.0);
    EXPECT_EQ(first[2], 45.0);
    EXPECT_EQ(first[7], 2.5);
    // At the zenith the declination is the site latitude: 51 + 28/60 + 38/3600 degrees,
    // held to whole arc-seconds.
    const auto zenith = Values(lines[2]);
    ASSERT_EQ(zenith.size(), 8u);
    EXPECT_NEAR(zenith[4], 51.0 + 28.0 / 60.0 + 38.0 / 3600.0, 1.0 / 3600.0 + 1e-12);
    EXPECT_EQ(zenith[7], 0.0);

    // --ini naming the same file gives the same output.
    const auto viaIni = RunCliCommand({"derive", log.string(), "--ini", (folder.path() / "ZVK.ini").string()}, folder);
    EXPECT_EQ(viaIni.exitCode, 0) << viaIni.err;
    EXPECT_EQ(viaIni.out, run.out);
}

class CliDeriveSimulated : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_.write("ZVK.ini", SiteIni);
        log_ = folder_.path() / "sim.log";
        const auto made = RunCliCommand(
            {"simulate", log_.string(), "--records", "3000", "--start", "12/05/2010 23:30:00", "--no-volts-every", "4"},
            folder_);
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }
    testing::TCliRun derive(std::vector<std::string> extra)
    {
        std::vector<std::string> args = {"derive", log_.string(), "--root", folder_.path().string()};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunCliCommand(args, folder_);
    }
    TCliFolder folder_;
    std::filesystem::path log_;
};

TEST_F(CliDeriveSimulated, ValuesRoundTripToTheStoresSamples)
{
    const auto run = derive({});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    InstallGlobal(TGlobalOptions{folder_.path(), {}, "Driftline"});
    TSampleStore store;
    ASSERT_EQ(readLogFile(log_, store, nullptr).status, TReadResult::Ok);
    const auto lines = SplitLines(run.out);
    ASSERT_EQ(lines.size(), 3001u);
    ASSERT_EQ(store.allSamples().size(), 3000u);
    // %.17g gives back every double exactly.
    for (std::size_t i = 0; i < 3000; ++i) {
        const auto values = Values(lines[i + 1]);
        ASSERT_EQ(values.size(), 8u) << lines[i + 1];
        for (int q = 0; q < QuantityCount; ++q)
            ASSERT_EQ(values[static_cast<std::size_t>(q)], store.allSamples()[i][q]) << "line " << i + 2 << " " << q;
    }
    DestroyGlobal();

    const auto voltsOnly = derive({"--volts-only"});
    ASSERT_EQ(voltsOnly.exitCode, 0);
    EXPECT_EQ(SplitLines(voltsOnly.out).size(), 1u + 2250u);  // every fourth record had no volts
}

TEST_F(CliDeriveSimulated, CorrectionsShiftAsRefresh)
{
    const auto asRead = SplitLines(derive({}).out);
    const auto sameCorrections = derive({"--az-corr", "12", "--alt-corr", "-4"});
    ASSERT_EQ(sameCorrections.exitCode, 0) << sameCorrections.err;
    EXPECT_EQ(SplitLines(sameCorrections.out), asRead);

    // Logged 12 -> 15: every azimuth 3 counts (0.032958984375 degree) further; -4 -> -10: six down.
    const auto shifted = SplitLines(derive({"--az-corr", "15", "--alt-corr=-10"}).out);
    ASSERT_EQ(shifted.size(), asRead.size());
    for (std::size_t i = 1; i < asRead.size(); i += 97) {
        const auto before = Values(asRead[i]);
        const auto after = Values(shifted[i]);
        EXPECT_EQ(after[1] - before[1], 0.032958984375) << i;
        EXPECT_EQ(before[2] - after[2], 6 * 0.010986328125) << i;
        EXPECT_EQ(after[0], before[0]) << i;
        EXPECT_EQ(after[7], before[7]) << i;
    }
}

TEST(CliDerive, BadInputGivesOneLineAndExitCode)
{
    TCliFolder folder;
    const auto noCorrections = folder.write("plain.log", "1000 1 2 3\r\n");
    const auto badDate = folder.write("baddate.log", "Opening session 12/05/2010\r\n1000 1 2 3\r\n"
                                                     "Date changed 31/02/2010\r\n2000 1 2 3\r\n");
    const std::string missing = (folder.path() / "missing.log").string();
    // A folder stands for its *.log files; one without any is an error of its own.
    const auto noLogs = folder.path() / "empty";
    std::filesystem::create_directories(noLogs);
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string err;  // expected at the start of stderr
        std::size_t outLines;
    };
    const Case cases[] = {
        {{"derive", missing}, 1, "driftline-cli: cannot open " + missing + ": No such file or directory\n", 0},
        {{"derive", noLogs.string()}, 1, "driftline-cli: no *.log files in " + noLogs.string() + "\n", 1},
        {{"derive", badDate.string()},
         1,
         "driftline-cli: " + badDate.string() + ": line 3: Invalid argument to date encode\n",
         2},
        {{"derive", noCorrections.string(), "--az-corr", "5"},
         1,
         "driftline-cli derive: --az-corr: the log has no azimuth correction line to replace\n",
         0},
        {{"derive", noCorrections.string(), "--alt-corr", "5"},
         1,
         "driftline-cli derive: --alt-corr: the log has no altitude correction line to replace\n",
         0},
        {{"derive", noCorrections.string(), "--az-corr", "x5"}, 1, "driftline-cli derive: --az-corr: 'x5'", 0},
        {{"derive", noCorrections.string(), "--frobnicate"},
         2,
         "driftline-cli derive: unknown option '--frobnicate'\nusage: driftline-cli derive LOG",
         0},
        {{"derive", noCorrections.string(), "--x", "Time"}, 2, "driftline-cli derive: unknown option '--x'", 0},
        {{"derive"}, 2, "driftline-cli derive: no log file given\nusage: driftline-cli derive", 0},
        {{"derive", noCorrections.string(), "--root"}, 2, "driftline-cli derive: option --root needs a value", 0},
    };
    // The suite is named, so the complaint about the input is the only line.
    const testing::ScopedEnv suite("ZVK_ROOT", folder.path().string());
    for (const auto& c : cases) {
        const auto run = RunCliCommand(c.args, folder);
        const std::string what = c.args.back();
        EXPECT_EQ(run.exitCode, c.exitCode) << what << ": " << run.err;
        EXPECT_EQ(run.err.rfind(c.err, 0), 0u) << what << ": " << run.err;
        // One line of complaint, plus the usage line for usage errors.
        EXPECT_EQ(SplitLines(run.err).size(), c.exitCode == 2 ? 2u : 1u) << what << ": " << run.err;
        EXPECT_EQ(SplitLines(run.out).size(), c.outLines) << what;
    }
}

TEST(CliDerive, IniNamesTheSettingsFileWhateverItsName)
{
    // Altitude 8192 counts is 90 degrees: at the zenith the declination is the site latitude.
    TCliFolder folder;
    const auto log = folder.write("zenith.log", "Opening session 12/05/2010 21:03:15 (UTC)\r\n1000 0 8192 100\r\n");
    const auto south = folder.write("south site.ini", "[Latitude]\r\nDegrees=-33\r\nMinutes=30\r\n");
    const auto run = RunCliCommand({"derive", log.string(), "--ini", south.string()}, folder);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto lines = SplitLines(run.out);
    ASSERT_EQ(lines.size(), 2u);
    // Fifth field: 33 30' south is held as 360 - 33.5 = 326.5.
    std::string field = lines[1];
    for (int i = 0; i < 4; ++i)
        field = field.substr(field.find(',') + 1);
    EXPECT_EQ(std::stod(field.substr(0, field.find(','))), 326.5) << lines[1];
}

TEST(CliDerive, NeverCrashesOnStrangeBytes)
{
    TCliFolder folder;
    std::mt19937 random(11);
    std::string noise(200000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random() & 0xFF);
    const std::string files[] = {noise, std::string(100000, '\0'),
                                 std::string(4000000, '1') + "\n" + std::string(100000, '-') + " 1 2\n"};
    for (const auto& bytes : files) {
        const auto log = folder.write("x.log", bytes);
        const auto run = RunCliCommand({"derive", log.string()}, folder);
        EXPECT_TRUE(run.exitCode == 0 || run.exitCode == 1) << run.exitCode << " " << run.err;
        EXPECT_EQ(SplitLines(run.out).front(), Header);
    }
}

TEST(CliTool, HelpOfEachCommandAndVersion)
{
    TCliFolder folder;
    const auto toolHelp = RunCliCommand({"--help"}, folder);
    ASSERT_EQ(toolHelp.exitCode, 0);
    EXPECT_EQ(toolHelp.out.rfind("usage: driftline-cli <command> [options]\n", 0), 0u) << toolHelp.out;
    // Every command the tool lists (the indented lines after "Commands:") has a help of its own,
    // beginning with its usage line; the core three must be among them.
    std::vector<std::string> commands;
    bool inCommands = false;
    for (const auto& line : SplitLines(toolHelp.out)) {
        if (line == "Commands:") {
            inCommands = true;
        } else if (inCommands && line.rfind("  ", 0) == 0 && line.size() > 2 && line[2] != '-') {
            commands.push_back(line.substr(2, line.find(' ', 2) - 2));
        } else if (inCommands && line.empty()) {
            inCommands = false;
        }
    }
    for (const char* core : {"derive", "info", "simulate"})
        EXPECT_NE(std::find(commands.begin(), commands.end(), core), commands.end()) << core << "\n" << toolHelp.out;
    for (const auto& command : commands) {
        const auto run = RunCliCommand({command, "--help"}, folder);
        EXPECT_EQ(run.exitCode, 0) << command;
        EXPECT_EQ(run.out.rfind("usage: driftline-cli " + command, 0), 0u) << run.out;
        EXPECT_TRUE(run.err.empty()) << command << ": " << run.err;
    }
    const auto version = RunCliCommand({"--version"}, folder);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "driftline-cli 3.7.1.0\n");
}

TEST(CliTool, UnknownCommandsOptionsAndQuantitiesGetTheUsageLine)
{
    TCliFolder folder;
    const auto log = folder.write("a.log", "1000 1 2 3\r\n");
    struct Case {
        std::vector<std::string> args;
        std::string firstLine;   // of stderr
        std::string usageStart;  // start of its second line
    };
    const Case cases[] = {
        {{"frobnicate"}, "driftline-cli: unknown command 'frobnicate'", "usage: driftline-cli <command>"},
        {{"info", log.string(), "--az-corr", "3"},
         "driftline-cli info: unknown option '--az-corr'",
         "usage: driftline-cli info LOG"},
        {{"simulate", "out.log", "--records=-5"},
         "driftline-cli simulate: bad value for --records: '-5'",
         "usage: driftline-cli simulate OUT.log"},
        // Quantities are the eight captions, code names or indices 0..7, nothing else.
        {{"pixels", log.string(), "--x", "Speed", "--y", "Volts"},
         "driftline-cli pixels: unknown quantity 'Speed' (Time, Azimuth, Altitude, RightAscension, Declination, "
         "Beta, Lambda, Volts or 0..7)",
         "usage: driftline-cli pixels LOG"},
        {{"pixels", log.string(), "--x", "Time", "--y", "8"},
         "driftline-cli pixels: unknown quantity '8' (Time, "
         "Azimuth, Altitude, RightAscension, Declination, Beta, Lambda, Volts or 0..7)",
         "usage: driftline-cli pixels LOG"},
    };
    for (const auto& c : cases) {
        const auto run = RunCliCommand(c.args, folder);
        const auto lines = SplitLines(run.err);
        EXPECT_EQ(run.exitCode, 2) << run.err;
        ASSERT_EQ(lines.size(), 2u) << run.err;
        EXPECT_EQ(lines[0], c.firstLine);
        EXPECT_EQ(lines[1].rfind(c.usageStart, 0), 0u) << lines[1];
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
}

}  // namespace
}  // namespace driftline
