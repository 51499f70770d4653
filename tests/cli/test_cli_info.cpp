// driftline-cli info end to end on a small hand-made log.
#include "Clirunner.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace driftline {
namespace {

using testing::RunCliCommand;
using testing::SplitLines;
using testing::TCliFolder;

bool HasLine(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(CliInfo, CountsCorrectionsReceiversAndRanges)
{
    TCliFolder folder;
    folder.write("ZVK.ini", "[Latitude]\r\nDegrees=52\r\n");
    const auto log = folder.write("a.log", "Opening session 12/05/2010 21:03:15 (UTC)\r\n"
                                           "Azimuth correction 12\r\n"
                                           "*Rec* DC Gain 10\r\n"
                                           "*Rec* IF Gain 2 x10\r\n"
                                           "75795000 8192 4096 1024\r\n"
                                           "75796000 8193 4095\r\n"
                                           "75797000 8191 4097 2048\r\n");
    const auto run = RunCliCommand({"info", log.string(), "--root", folder.path().string()}, folder);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto lines = SplitLines(run.out);
    for (const char* expected : {
             "records: 3",
             "voltage records: 2",
             "azimuth correction: 12",
             "altitude correction: none",
             "DC Gain: 10",
             "IF Gain: 2 x10",
             "Timer interval: ",
             // 40310 + 75795/86400 days, rounded to the nearest double and printed with 17 digits
             // (worked out with exact fractions, outside Driftline).
             "first sample time: 40310.877256944441 (12/05/2010 21:03:15.000 UTC)",
             // 8191..8193 counts: 90 -/+ 0.010986328125 degree; 4095..4097 likewise about 45.
             // 0.989013671875 deg = 59' 20.45" and 0.010986328125 deg = 0' 39.55", cut to whole
             // seconds of arc.
             "Azimuth: min 89\u00B0 59' 20\" (89.989013671875) max 90\u00B0 0' 39\" (90.010986328125)",
             "Altitude: min 44\u00B0 59' 20\" (44.989013671875) max 45\u00B0 0' 39\" (45.010986328125)",
             // The record without volts counts as 0 V; volts show three decimals, 0 as "0".
             "Volts: min 0 (0) max 5.000 (5)",
             // Times of day of the first and last record (75795 and 75797 seconds after midnight).
             "Time: min 21:03:15 (40310.877256944441) max 21:03:17 (40310.877280092594)",
         })
        EXPECT_TRUE(HasLine(lines, expected)) << "missing \"" << expected << "\" in\n" << run.out;
    EXPECT_TRUE(HasLine(lines, "last sample time: 40310.877280092594 (12/05/2010 21:03:17.000 UTC)")) << run.out;

    const auto volts = RunCliCommand({"info", log.string(), "--root", folder.path().string(), "--volts-only"}, folder);
    ASSERT_EQ(volts.exitCode, 0);
    EXPECT_TRUE(HasLine(SplitLines(volts.out), "Volts: min 2.500 (2.5) max 5.000 (5)")) << volts.out;
    EXPECT_TRUE(
        HasLine(SplitLines(volts.out), "Azimuth: min 89\u00B0 59' 20\" (89.989013671875) max 90\u00B0 0' 0\" (90)"))
        << volts.out;
}

TEST(CliInfo, LogWithoutRecordsAndBadInput)
{
    TCliFolder folder;
    const auto empty = folder.write("empty.log", "*Rec* DC Gain 3\r\n");
    const auto run = RunCliCommand({"info", empty.string()}, folder);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(HasLine(SplitLines(run.out), "samples: none")) << run.out;
    EXPECT_TRUE(HasLine(SplitLines(run.out), "DC Gain: 3")) << run.out;

    // With the suite named, the failed open is the only line on stderr.
    const auto missing = RunCliCommand(
        {"info", (folder.path() / "nope.log").string(), "--root", folder.path().string()}, folder);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err,
              "driftline-cli: cannot open " + (folder.path() / "nope.log").string() + ": No such file or directory\n");
    const auto unknown = RunCliCommand({"info", empty.string(), "--band", "1:2"}, folder);
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_EQ(unknown.err.rfind("driftline-cli info: unknown option '--band'\nusage: driftline-cli info", 0), 0u)
        << unknown.err;
}

}  // namespace
}  // namespace driftline
