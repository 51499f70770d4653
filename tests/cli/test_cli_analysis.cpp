// driftline-cli fit, save and limits end to end on a simulated log.
#include "analysis/Fitunit.h"

#include "cli/Clirunner.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace driftline {
namespace {

namespace fs = std::filesystem;

using CliRun = testing::TCliRun;

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> SplitLines(const std::string& text, const char* end = "\n")
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    const std::size_t endLength = std::strlen(end);
    while (start < text.size()) {
        std::size_t stop = text.find(end, start);
        if (stop == std::string::npos)
            stop = text.size();
        lines.push_back(text.substr(start, stop - start));
        start = stop + endLength;
    }
    return lines;
}

class CliAnalysis : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = fs::temp_directory_path() / ("driftline_cli_analysis_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        ASSERT_EQ(Run("simulate " + (dir_ / "scan.log").string() + " --records 1500").exitCode, 0);
        ASSERT_EQ(Run("simulate " + (dir_ / "one.log").string() + " --records 1 --malformed-every 0").exitCode, 0);
    }
    static void TearDownTestSuite() { fs::remove_all(dir_); }

    static CliRun Run(const std::string& arguments) { return testing::RunCliLine(arguments, dir_ / "stderr.txt"); }
    static std::string Log() { return (dir_ / "scan.log").string(); }

    static fs::path dir_;
};

fs::path CliAnalysis::dir_;

TEST_F(CliAnalysis, FitPrintsTheWindowsLinesForThePlottedPixels)
{
    // The pixels command gives the plotted positions; the fit of those in this process must list
    // exactly what the fit command prints.
    const auto pixels = Run("pixels " + Log() + " --x Time --y Volts --band 150:450");
    ASSERT_EQ(pixels.exitCode, 0) << pixels.err;
    PlottedPoints points;
    for (const auto& line : SplitLines(pixels.out)) {
        if (line == "pixel_x,pixel_y")
            continue;
        const auto comma = line.find(',');
        points.pixelX.push_back(std::stod(line.substr(0, comma)));
        points.pixelY.push_back(std::stod(line.substr(comma + 1)));
    }
    ASSERT_GT(points.size(), 100u);
    std::vector<double> coefficients;
    const auto expected = RunFit(points, 5, coefficients).memoLines;

    const auto fit = Run("fit " + Log() + " --x Time --y Volts --band 150:450 --coeffs 5");
    EXPECT_EQ(fit.exitCode, 0) << fit.err;
    EXPECT_EQ(SplitLines(fit.out), expected);
}

TEST_F(CliAnalysis, PeakFollowsTheCoefficientsOnlyWhenAsked)
{
    // --peak adds the fit window's three peak lines after the unchanged classic lines.
    const auto plain = Run("fit " + Log() + " --x Time --y Volts --coeffs 3");
    const auto peak = Run("fit " + Log() + " --x Time --y Volts --coeffs 3 --peak");
    ASSERT_EQ(plain.exitCode, 0);
    ASSERT_EQ(peak.exitCode, 0);
    const auto plainLines = SplitLines(plain.out);
    const auto peakLines = SplitLines(peak.out);
    ASSERT_EQ(plainLines.size(), 4u);
    ASSERT_EQ(peakLines.size(), 7u);
    EXPECT_TRUE(std::equal(plainLines.begin(), plainLines.end(), peakLines.begin()));
    EXPECT_EQ(peakLines[4].rfind("Peak at x = ", 0), 0u) << peakLines[4];
    // The simulated scan runs from 21:03:15 on 12 May 2010 for 1500 s.
    EXPECT_EQ(peakLines[5].rfind("Time = 2010-05-12 21:", 0), 0u) << peakLines[5];
    EXPECT_EQ(peakLines[6].rfind("Volts = ", 0), 0u) << peakLines[6];
}

TEST_F(CliAnalysis, FailingFitReportsOnStderrAndListsMinusOne)
{
    const auto fit = Run("fit " + (dir_ / "one.log").string() + " --x Time --y Volts --coeffs 3");
    EXPECT_EQ(fit.exitCode, 1);
    EXPECT_EQ(fit.out, "Corr coeff = -1.00000\na0 = 0\na1 = 0\na2 = 0\n");
    EXPECT_NE(fit.err.find("PolyFit called with less than two points"), std::string::npos) << fit.err;
}

TEST_F(CliAnalysis, BadCoefficientCountsAreUsageErrors)
{
    for (const char* count : {"0", "21", "x", "2.5"}) {
        const auto fit = Run("fit " + Log() + " --x Time --y Volts --coeffs " + count);
        EXPECT_EQ(fit.exitCode, 2) << count;
        EXPECT_TRUE(fit.out.empty()) << count;
    }
    EXPECT_EQ(Run("fit " + Log() + " --x Time --y Volts").exitCode, 2);
}

TEST_F(CliAnalysis, SaveFormatsAgreeWithEachOther)
{
    const fs::path csv = dir_ / "sel.csv", txt = dir_ / "sel.txt", dat = dir_ / "sel.dat";
    const std::string common = "save " + Log() + " --x Time --y Volts --volts-only --band 100:400";
    ASSERT_EQ(Run(common + " --format csv -o " + csv.string()).exitCode, 0);
    ASSERT_EQ(Run(common + " --format txt -o " + txt.string()).exitCode, 0);
    ASSERT_EQ(Run(common + " --format dat -o " + dat.string()).exitCode, 0);
    const auto csvLines = SplitLines(ReadFile(csv), "\r\n");
    ASSERT_GT(csvLines.size(), 100u);
    std::string spaced = ReadFile(csv);
    for (char& c : spaced)
        if (c == ',')
            c = ' ';
    EXPECT_EQ(ReadFile(txt), spaced);
    const std::string binary = ReadFile(dat);
    ASSERT_EQ(binary.size(), 16 * csvLines.size());
    // The first record's doubles print as the first line's numbers.
    double first[2];
    std::memcpy(first, binary.data(), sizeof first);
    char line[64];
    std::snprintf(line, sizeof line, "%.12g,%.12g", first[0], first[1]);
    EXPECT_EQ(csvLines[0], line);
    // Standard output gets the same bytes.
    EXPECT_EQ(Run(common + " --format csv -o -").out, ReadFile(csv));
}

TEST_F(CliAnalysis, WritesThatFailExitNonZeroAndKeepTheOldFile)
{
    const fs::path plain = dir_ / "plain";
    std::ofstream(plain, std::ios::binary) << "old";
    const auto save = Run("save " + Log() + " --x Time --y Volts --format csv -o " + (plain / "x.csv").string());
    EXPECT_EQ(save.exitCode, 1);
    EXPECT_NE(save.err.find("cannot save"), std::string::npos) << save.err;
    fs::create_directories(dir_ / "taken.csv");
    const auto limits = Run("limits " + Log() + " -o " + (dir_ / "taken.csv").string());
    EXPECT_EQ(limits.exitCode, 1);
    EXPECT_NE(limits.err.find((dir_ / "taken.csv").string()), std::string::npos) << limits.err;
    EXPECT_TRUE(fs::is_directory(dir_ / "taken.csv"));
    EXPECT_EQ(ReadFile(plain), "old");
    EXPECT_EQ(Run("save " + Log() + " --x Time --y Volts --format xls -o -").exitCode, 2);
}

TEST_F(CliAnalysis, LimitsReportToFileAndStdout)
{
    const fs::path out = dir_ / "limits.csv";
    ASSERT_EQ(Run("limits " + Log() + " -o " + out.string()).exitCode, 0);
    const std::string text = ReadFile(out);
    const auto lines = SplitLines(text, "\r\n");
    ASSERT_EQ(lines.size(), 38u);
    EXPECT_EQ(lines[0], "Values with positive voltage");
    EXPECT_EQ(lines[19], "All values");
    EXPECT_EQ(Run("limits " + Log() + " -o -").out, text);
    // A band narrows both sections.
    const auto zoomed = Run("limits " + Log() + " --band 200:300 -o -");
    EXPECT_EQ(zoomed.exitCode, 0);
    EXPECT_NE(zoomed.out, text);
}

}  // namespace
}  // namespace driftline
