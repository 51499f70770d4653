// driftline-cli simulate end to end: determinism, line ends, midnight, and option errors.
#include "Clirunner.h"

#include "logdata/Logreader.h"

#include <gtest/gtest.h>

namespace driftline {
namespace {

using testing::ReadFileText;
using testing::RunCliCommand;
using testing::TCliFolder;

TEST(CliSimulate, DeterministicCrLfLogAcrossMidnight)
{
    TCliFolder folder;
    const auto a = folder.path() / "a.log";
    const auto b = folder.path() / "b.log";
    const std::vector<std::string> options = {
        "--records",     "4000", "--seed",           "9", "--start",           "31/12/2010 23:00:00",
        "--interval-ms", "2000", "--no-volts-every", "0", "--malformed-every", "500"};
    std::vector<std::string> argsA = {"simulate", a.string()}, argsB = {"simulate", b.string()};
    argsA.insert(argsA.end(), options.begin(), options.end());
    argsB.insert(argsB.end(), options.begin(), options.end());
    ASSERT_EQ(RunCliCommand(argsA, folder).exitCode, 0);
    ASSERT_EQ(RunCliCommand(argsB, folder).exitCode, 0);
    const std::string text = ReadFileText(a);
    EXPECT_EQ(text, ReadFileText(b));
    ASSERT_FALSE(text.empty());
    // Every LF is the end of a CR LF pair.
    std::size_t lf = 0, crlf = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++lf;
            crlf += i > 0 && text[i - 1] == '\r';
        }
    }
    EXPECT_EQ(lf, crlf);
    EXPECT_EQ(text.rfind("Opening session 31/12/2010 23:00:00 (UTC)\r\n", 0), 0u);
    // 4000 records of 2 s from 23:00 run past midnight into the new year.
    EXPECT_NE(text.find("\r\nDate changed 01/01/2011\r\n"), std::string::npos);

    TSampleStore store;
    ASSERT_EQ(readLogFile(a, store, nullptr).status, TReadResult::Ok);
    EXPECT_EQ(store.allRecords().size(), 4000u);
    EXPECT_EQ(store.voltageRecords().size(), 4000u);  // --no-volts-every 0: all carry volts
    // The last record lies 7998 s after 23:00 of 31 Dec 2010, that is 01:13:18 on 1 Jan 2011.
    EXPECT_EQ(store.allRecords().back().milliseconds, (1u * 3600 + 13 * 60 + 18) * 1000);

    const auto other = folder.path() / "c.log";
    std::vector<std::string> argsC = argsA;
    argsC[1] = other.string();
    argsC[5] = "10";  // another seed
    ASSERT_EQ(RunCliCommand(argsC, folder).exitCode, 0);
    EXPECT_NE(ReadFileText(other), text);
}

TEST(CliSimulate, BadOptions)
{
    TCliFolder folder;
    const std::string out = (folder.path() / "x.log").string();
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* err;
    };
    const Case cases[] = {
        {{"simulate", out, "--records", "abc"}, 2, "driftline-cli simulate: bad value for --records: 'abc'"},
        {{"simulate", out, "--records", "-3"}, 2, "driftline-cli simulate: bad value for --records: '-3'"},
        {{"simulate", out, "--start", "31/02/2010 00:00:00"}, 2, "driftline-cli simulate: bad value for --start"},
        {{"simulate", out, "--start", "12/05/2010"}, 2, "driftline-cli simulate: bad value for --start"},
        {{"simulate", out, "--interval-ms", "0"}, 2, "driftline-cli simulate: bad value for --interval-ms"},
        {{"simulate", out, "--volts-only"}, 2, "driftline-cli simulate: unknown option '--volts-only'"},
        {{"simulate"}, 2, "driftline-cli simulate: no output file given"},
        {{"simulate", (folder.path() / "no" / "such" / "x.log").string()}, 1, "driftline-cli: cannot write "},
    };
    for (const auto& c : cases) {
        const auto run = RunCliCommand(c.args, folder);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args.back() << ": " << run.err;
        EXPECT_EQ(run.err.rfind(c.err, 0), 0u) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
}  // namespace driftline
