// driftline-cli pixels end to end: a simulated log, its plotted points, zoom bands and bad input.
#include "cli/Clirunner.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using RunResult = driftline::testing::TCliRun;

// Runs driftline-cli with the given arguments; stdout is captured, stderr dropped.
RunResult RunCli(const std::string& arguments)
{
    return driftline::testing::RunCliLine(arguments);
}

using Points = std::vector<std::pair<int, int>>;

Points ParsePoints(const std::string& text)
{
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "pixel_x,pixel_y");
    Points points;
    while (std::getline(in, line)) {
        const std::size_t comma = line.find(',');
        points.emplace_back(std::stoi(line.substr(0, comma)), std::stoi(line.substr(comma + 1)));
    }
    return points;
}

class CliPixels : public ::testing::Test {
protected:
    // 2000 records one second apart, every 50th without volts: 1960 voltage records.
    static void SetUpTestSuite()
    {
        dir_ = std::filesystem::temp_directory_path() / ("driftline_pixels_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        log_ = (dir_ / "drift.log").string();
        ASSERT_EQ(RunCli("simulate " + log_ + " --records 2000 --no-volts-every 50").exitCode, 0);
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(dir_); }

    static Points Pixels(const std::string& options, int expectedExit = 0)
    {
        const RunResult r = RunCli("pixels " + log_ + " " + options);
        EXPECT_EQ(r.exitCode, expectedExit) << options;
        return ParsePoints(r.out);
    }

    static inline std::filesystem::path dir_;
    static inline std::string log_;
};

TEST_F(CliPixels, EverySampleIsPlottedInsideTheArea)
{
    const Points all = Pixels("--x Time --y Volts");
    ASSERT_EQ(all.size(), 2000u);
    // Time grows through the log: the first sample sits on the left edge, the last on the right,
    // and x never goes back.
    EXPECT_EQ(all.front().first, 40);
    EXPECT_EQ(all.back().first, 560);
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_GE(all[i].second, 40) << i;
        EXPECT_LE(all[i].second, 410) << i;
        if (i > 0) {
            EXPECT_GE(all[i].first, all[i - 1].first) << i;
        }
    }
    EXPECT_EQ(Pixels("--x Time --y Volts --volts-only").size(), 1960u);

    // A larger control moves the area's far edges with it.
    const Points large = Pixels("--x Time --y Volts --size 800x600");
    EXPECT_EQ(large.back().first, 760);
}

TEST_F(CliPixels, BandsZoomLikeDrags)
{
    const Points full = Pixels("--x Time --y Volts");
    const Points zoomed = Pixels("--x Time --y Volts --band 100:250");
    const Points reversed = Pixels("--x Time --y Volts --band 250:100");
    EXPECT_EQ(zoomed, reversed);
    // Every kept sample was in columns 100..250 before the zoom; after it they fill the area again.
    std::size_t inBand = 0;
    for (const auto& [x, y] : full)
        inBand += (x >= 100 && x <= 250) ? 1 : 0;
    EXPECT_EQ(zoomed.size(), inBand);
    ASSERT_FALSE(zoomed.empty());
    EXPECT_EQ(zoomed.front().first, 40);
    EXPECT_EQ(zoomed.back().first, 560);

    // A drag that never enters the area, or a click, does not zoom.
    EXPECT_EQ(Pixels("--x Time --y Volts --band 10:30"), full);
    EXPECT_EQ(Pixels("--x Time --y Volts --band 300:300"), full);
    // Two zooms in order: the second band spans the whole area, so it keeps the first's samples.
    EXPECT_EQ(Pixels("--x Time --y Volts --band 100:250 --band 40:560").size(), zoomed.size());
    // Dragged past the right edge: the band ends at the edge.
    EXPECT_EQ(Pixels("--x Time --y Volts --band 300:700"), Pixels("--x Time --y Volts --band 300:560"));
}

TEST_F(CliPixels, BadInputIsRefused)
{
    EXPECT_EQ(RunCli("pixels " + log_ + " --y Volts").exitCode, 2);
    EXPECT_EQ(RunCli("pixels " + log_ + " --x Nowhere --y Volts").exitCode, 2);
    EXPECT_EQ(RunCli("pixels " + log_ + " --x Time --y Volts --band 100").exitCode, 2);
    EXPECT_EQ(RunCli("pixels " + (dir_ / "missing.log").string() + " --x Time --y Volts").exitCode, 1);
    const RunResult help = RunCli("pixels --help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: driftline-cli pixels", 0), 0u);
}

// The viewer's wheel and pan steps. The 2000 records span 1999 s across 520 columns; column 300 is
// halfway (999.5 s). One notch in keeps [999.5 - 799.6, 999.5 + 799.6] s, records 200..1799; the
// right arrow's 52 columns are then 159.9 s: [359.9, 1958.9] s, records 360..1958; a notch back
// out about column 300 of 200..1799 (999.5 s) keeps [0.125, 1998.875] s, records 1..1998.
TEST_F(CliPixels, WheelAndPanStepsAsTheViewerMakesThem)
{
    const std::string axes = "--x Time --y Volts ";
    EXPECT_EQ(Pixels(axes + "--step wheel:300:1").size(), 1600u);
    EXPECT_EQ(Pixels(axes + "--step wheel:300:1 --step pan:52:0").size(), 1599u);
    EXPECT_EQ(Pixels(axes + "--step wheel:300:1 --step wheel:300:-1").size(), 1998u);
    // The points kept fill the area again.
    const Points zoomed = Pixels(axes + "--step wheel:300:2");
    ASSERT_FALSE(zoomed.empty());
    EXPECT_EQ(zoomed.front().first, 40);
    EXPECT_EQ(zoomed.back().first, 560);
    for (const char* bad : {"wheel:300", "zoom:1:2", "wheel:x:1", "pan:1:2:3", "wheel:300:1000"})
        EXPECT_EQ(RunCli("pixels " + log_ + " " + axes + "--step " + bad).exitCode, 2) << bad;
}

}  // namespace
