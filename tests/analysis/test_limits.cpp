// The report of maxima and minima.
#include "analysis/Limitswriter.h"

#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace driftline {
namespace {

Sample MakeSample(double time, double az, double alt, double ra, double dec, double beta, double lambda, double volts)
{
    Sample s;
    s.values = {time, az, alt, ra, dec, beta, lambda, volts};
    return s;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "line without CR LF at byte " << start;
        if (end == std::string::npos)
            break;
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

const char* const Names[] = {"Time",        "Azimuth", "Altitude", "Right ascension",
                             "Declination", "Beta",    "Lambda",   "Volts"};
const std::string Header = "Name,,Time,Azimuth,Altitude,Right ascension,Declination,Beta,Lambda,Volts";

// The row texts of the first sample below, worked out by hand:
// 40373.9 = 2010-07-14 21:36:00; 349.5 deg azimuth = 349 deg 30'; declination 349.5 = -10 deg 30';
// right ascension 90 deg = 6 hours; 0.3125 V shows with three decimals, the tie rounded up.
const std::string FirstValues =
    "21:36:00,349\xC2\xB0 30' 0\",30\xC2\xB0 15' 0\",6 hrs 0' 0\",-10\xC2\xB0 30' 0\",2\xC2\xB0 30' 0\","
    "120\xC2\xB0 0' 0\",0.313";

TEST(LimitsReport, LogWithoutVoltsHasEmptyFirstSection)
{
    const SampleList all = {MakeSample(40373.9, 349.5, 30.25, 90.0, 349.5, 2.5, 120.0, 0.3125)};
    const auto lines = Lines(LimitsReportText({}, all));
    ASSERT_EQ(lines.size(), 2u * 19u);
    EXPECT_EQ(lines[0], "Values with positive voltage");
    EXPECT_EQ(lines[1], Header);
    for (int q = 0; q < 8; ++q) {
        EXPECT_EQ(lines[static_cast<std::size_t>(2 + 2 * q)], std::string(Names[q]) + ",Minimum,,,,,,,,");
        EXPECT_EQ(lines[static_cast<std::size_t>(3 + 2 * q)], std::string(Names[q]) + ",Maximum,,,,,,,,");
    }
    EXPECT_EQ(lines[18], "");
    EXPECT_EQ(lines[19], "All values");
    EXPECT_EQ(lines[20], Header);
    // With one sample every row shows that sample.
    for (int q = 0; q < 8; ++q) {
        EXPECT_EQ(lines[static_cast<std::size_t>(21 + 2 * q)], std::string(Names[q]) + ",Minimum," + FirstValues);
        EXPECT_EQ(lines[static_cast<std::size_t>(22 + 2 * q)], std::string(Names[q]) + ",Maximum," + FirstValues);
    }
    EXPECT_EQ(lines[37], "");
}

TEST(LimitsReport, EqualExtremesShowTheEarlierSample)
{
    // Samples 1 and 2 share the largest voltage and samples 0 and 2 the smallest azimuth;
    // the azimuth tells the rows apart.
    const SampleList samples = {
        MakeSample(40373.5, 10.0, 20.0, 30.0, 40.0, 5.0, 60.0, 0.5),
        MakeSample(40373.25, 12.0, 21.0, 31.0, 41.0, 6.0, 61.0, 2.0),
        MakeSample(40373.75, 10.0, 22.0, 32.0, 42.0, 7.0, 62.0, 2.0),
    };
    const auto lines = Lines(LimitsReportText(samples, samples));
    ASSERT_EQ(lines.size(), 38u);
    auto azimuthOf = [](const std::string& row) {
        std::stringstream in(row);
        std::string field;
        for (int i = 0; i < 4; ++i)
            std::getline(in, field, ',');
        return field;  // name, kind, time, azimuth
    };
    for (std::size_t section : {0u, 19u}) {
        EXPECT_EQ(lines[section + 2 + 2 * 7 + 1].rfind("Volts,Maximum,06:00:00,12\xC2\xB0 0' 0\"", 0), 0u)
            << lines[section + 2 + 2 * 7 + 1];
        EXPECT_EQ(azimuthOf(lines[section + 2 + 2 * 1]), "10\xC2\xB0 0' 0\"");              // Azimuth minimum
        EXPECT_EQ(lines[section + 2 + 2 * 1].substr(0, 26), "Azimuth,Minimum,12:00:00,1");  // sample 0
        EXPECT_EQ(lines[section + 2 + 2 * 0].substr(0, 24), "Time,Minimum,06:00:00,12");    // earliest serial
        EXPECT_EQ(lines[section + 3 + 2 * 0].substr(0, 24), "Time,Maximum,18:00:00,10");
    }
}

TEST(LimitsReport, WriteFailureIsReportedAndFileAppearsOnSuccess)
{
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "driftline-limits-test";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const SampleList all = {MakeSample(40373.9, 349.5, 30.25, 90.0, 349.5, 2.5, 120.0, 0.3125)};
    std::string error;
    EXPECT_FALSE(WriteLimitsReport(folder / "none" / "limits.csv", all, all, error));
    EXPECT_FALSE(error.empty());
    ASSERT_TRUE(WriteLimitsReport(folder / "limits.csv", {}, all, error)) << error;
    std::ifstream in(folder / "limits.csv", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.rfind("Values with positive voltage\r\n" + Header + "\r\nTime,Minimum,,,,,,,,\r\n", 0), 0u);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace driftline
