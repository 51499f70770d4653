// driftline-cli info and derive over several logs or a folder: order, totals, failures among good
// logs, and the single-log output left as it was.
#include "Clirunner.h"

#include <gtest/gtest.h>

#include <map>

namespace driftline {
namespace {

using testing::RunCliCommand;
using testing::SplitLines;
using testing::TCliFolder;

const char* const Header = "time,azimuth,altitude,right_ascension,declination,beta,lambda,volts";

class CliMultilog : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_.write("ZVK.ini", "[Latitude]\r\nDegrees=51\r\n[Calculations]\r\nEquinox=J2000\r\n");
        std::filesystem::create_directories(logs());
        // Distinct sizes name each log in the output; c.log crosses midnight.
        make("c.log", "300", "12/05/2010 23:58:00");
        make("a.log", "200", "12/05/2010 21:03:15");
        make("b.log", "100", "13/05/2010 02:00:00");
        folder_.write("Logs/notes.txt", "not a log\r\n");
    }
    void make(const std::string& name, const std::string& records, const std::string& start)
    {
        const auto made = RunCliCommand(
            {"simulate", log(name), "--records", records, "--start", start, "--no-volts-every", "7"}, folder_);
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }
    std::filesystem::path logs() const { return folder_.path() / "Logs"; }
    std::string log(const std::string& name) const { return (logs() / name).string(); }
    // The first field of every line after the header, counted per value, in order of first sight.
    static std::vector<std::pair<std::string, std::size_t>> FileColumn(const std::string& csv)
    {
        std::vector<std::pair<std::string, std::size_t>> runs;
        const auto lines = SplitLines(csv);
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const std::string file = lines[i].substr(0, lines[i].find(','));
            if (runs.empty() || runs.back().first != file)
                runs.emplace_back(file, 0);
            ++runs.back().second;
        }
        return runs;
    }

    TCliFolder folder_;
    testing::ScopedEnv suite_{"ZVK_ROOT", folder_.path().string()};
};

TEST_F(CliMultilog, InfoBlocksInArgumentOrderThenTotal)
{
    const auto run = RunCliCommand({"info", log("c.log"), log("a.log"), log("b.log")}, folder_);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    // Each block is exactly what info prints for that log alone, under a line naming it.
    std::string expected;
    std::size_t voltageRecords = 0;
    for (const char* name : {"c.log", "a.log", "b.log"}) {
        const auto single = RunCliCommand({"info", log(name)}, folder_);
        ASSERT_EQ(single.exitCode, 0) << single.err;
        expected += "== " + log(name) + "\n" + single.out;
        const auto at = single.out.find("voltage records: ");
        ASSERT_NE(at, std::string::npos);
        voltageRecords += std::stoul(single.out.substr(at + 17));
    }
    // Every seventh record of each log lacks volts: 300 + 200 + 100 records, 258 + 172 + 86 volts.
    EXPECT_EQ(voltageRecords, 516u);
    expected += "total: 3 logs, 0 not read in full, 600 records, 516 voltage records\n";
    EXPECT_EQ(run.out, expected);
}

TEST_F(CliMultilog, FolderMeansItsLogsInNameOrder)
{
    const auto info = RunCliCommand({"info", logs().string()}, folder_);
    ASSERT_EQ(info.exitCode, 0) << info.err;
    std::vector<std::string> named;
    for (const auto& line : SplitLines(info.out))
        if (line.rfind("== ", 0) == 0)
            named.push_back(line.substr(3));
    EXPECT_EQ(named, (std::vector<std::string>{log("a.log"), log("b.log"), log("c.log")}));

    const auto derive = RunCliCommand({"derive", logs().string()}, folder_);
    ASSERT_EQ(derive.exitCode, 0) << derive.err;
    EXPECT_EQ(SplitLines(derive.out).at(0), std::string("file,") + Header);
    const std::vector<std::pair<std::string, std::size_t>> expected = {
        {log("a.log"), 200}, {log("b.log"), 100}, {log("c.log"), 300}};
    EXPECT_EQ(FileColumn(derive.out), expected);
}

TEST_F(CliMultilog, DeriveRowsAreTheSingleLogRowsBehindTheFileName)
{
    // One log alone keeps the header without the file column, byte for byte as before.
    std::string joined = std::string("file,") + Header + "\n";
    for (const char* name : {"b.log", "c.log"}) {
        const auto single = RunCliCommand({"derive", log(name)}, folder_);
        ASSERT_EQ(single.exitCode, 0) << single.err;
        const auto lines = SplitLines(single.out);
        ASSERT_EQ(lines.at(0), Header);
        for (std::size_t i = 1; i < lines.size(); ++i)
            joined += log(name) + "," + lines[i] + "\n";
    }
    const auto both = RunCliCommand({"derive", log("b.log"), log("c.log")}, folder_);
    ASSERT_EQ(both.exitCode, 0) << both.err;
    EXPECT_EQ(both.out, joined);
}

TEST_F(CliMultilog, BadLogAmongGoodOnesFailsAloneAndSetsTheStatus)
{
    const auto badDate = folder_.write("Logs/bad.log", "Opening session 12/05/2010\r\n1000 1 2 3\r\n"
                                                       "Date changed 31/02/2010\r\n2000 1 2 3\r\n");
    const std::string missing = log("missing.log");
    struct Case {
        std::string bad;
        std::string err;         // the one line on stderr
        std::size_t badRecords;  // what the bad log still gives before its fault
    };
    const Case cases[] = {
        {missing, "driftline-cli: cannot open " + missing + ": No such file or directory\n", 0},
        {badDate.string(), "driftline-cli: " + badDate.string() + ": line 3: Invalid argument to date encode\n", 1},
    };
    for (const auto& c : cases) {
        const auto derive = RunCliCommand({"derive", log("a.log"), c.bad, log("b.log")}, folder_);
        EXPECT_EQ(derive.exitCode, 1) << c.bad;
        EXPECT_EQ(derive.err, c.err);
        std::vector<std::pair<std::string, std::size_t>> expected = {{log("a.log"), 200}};
        if (c.badRecords)
            expected.emplace_back(c.bad, c.badRecords);
        expected.emplace_back(log("b.log"), 100);
        EXPECT_EQ(FileColumn(derive.out), expected) << c.bad;

        const auto info = RunCliCommand({"info", log("a.log"), c.bad, log("b.log")}, folder_);
        EXPECT_EQ(info.exitCode, 1) << c.bad;
        EXPECT_EQ(info.err, c.err);
        EXPECT_NE(info.out.find("== " + log("b.log") + "\nfile: " + log("b.log") + "\nrecords: 100\n"),
                  std::string::npos);
        EXPECT_NE(info.out.find("total: 3 logs, 1 not read in full, " + std::to_string(300 + c.badRecords)),
                  std::string::npos)
            << info.out;
    }
}

TEST_F(CliMultilog, FileNameWithCommaIsQuoted)
{
    std::filesystem::copy_file(log("b.log"), logs() / "x,\"y\".log");
    const auto run = RunCliCommand({"derive", log("a.log"), log("x,\"y\".log")}, folder_);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto lines = SplitLines(run.out);
    ASSERT_EQ(lines.size(), 301u);
    // RFC 4180: the field in quotes, each quote doubled.
    EXPECT_EQ(lines[201].rfind("\"" + logs().string() + "/x,\"\"y\"\".log\",", 0), 0u) << lines[201];
}

}  // namespace
}  // namespace driftline
