// driftline-cli transit end to end, on scans written by driftline-cli simulate.
#include "Clirunner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace driftline {
namespace {

using testing::RunCliCommand;
using testing::SplitLines;
using testing::TCliFolder;

const std::vector<std::string> FitKeys = {"peak_time",      "peak_time_sigma_s", "amplitude_volts",
                                          "baseline_volts", "fwhm_seconds",      "snr"};
const std::vector<std::string> CalibrationKeys = {
    "body",         "predicted_time",     "offset_seconds",          "closest_separation_deg", "drift_deg_per_hour",
    "fwhm_degrees", "azimuth_correction", "azimuth_correction_sigma"};

// The lines as (key, value) pairs in order; a line without ": " fails the test.
std::vector<std::pair<std::string, std::string>> KeyValues(const std::string& out)
{
    std::vector<std::pair<std::string, std::string>> kv;
    for (const std::string& line : SplitLines(out)) {
        const auto colon = line.find(": ");
        EXPECT_NE(colon, std::string::npos) << line;
        if (colon != std::string::npos)
            kv.emplace_back(line.substr(0, colon), line.substr(colon + 2));
    }
    return kv;
}

// Seconds of the day of "DD/MM/YYYY HH:MM:SS.s UTC".
double SecondsOfDay(const std::string& text)
{
    int d = 0, mo = 0, y = 0, h = 0, mi = 0;
    double s = 0.0;
    char utc[4] = {};
    EXPECT_EQ(std::sscanf(text.c_str(), "%d/%d/%d %d:%d:%lf %3s", &d, &mo, &y, &h, &mi, &s, utc), 7) << text;
    EXPECT_STREQ(utc, "UTC");
    return h * 3600.0 + mi * 60.0 + s;
}

// The accuracy case: a Sun scan through a 6 degree beam, the dish 40 counts off in
// azimuth, signal to noise about 100. The log's correction is 12, so "Azimuth corr" should be 52;
// the dish really points where the Sun is at 11:20:00, half-way through 6000 one-second records.
TEST(CliTransit, SunScanGivesCorrectionBeamWidthAndPeakTime)
{
    TCliFolder folder;
    const std::string log = (folder.path() / "sun.log").string();
    const std::string root = folder.path().string();
    ASSERT_EQ(RunCliCommand({"simulate", log, "--body", "Sun", "--start", "21/06/2010 10:30:00", "--records", "6000",
                             "--beam-deg", "6", "--mispoint-az", "40", "--snr", "100", "--root", root},
                            folder)
                  .exitCode,
              0);
    const auto run = RunCliCommand({"transit", log, "--body", "sun", "--root", root}, folder);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const auto kv = KeyValues(run.out);
    std::vector<std::string> keys;
    std::map<std::string, std::string> values;
    for (const auto& [k, v] : kv) {
        keys.push_back(k);
        values[k] = v;
    }
    std::vector<std::string> expectedKeys = FitKeys;
    expectedKeys.insert(expectedKeys.end(), CalibrationKeys.begin(), CalibrationKeys.end());
    ASSERT_EQ(keys, expectedKeys);

    EXPECT_EQ(values["body"], "Sun");
    EXPECT_NEAR(std::stod(values["azimuth_correction"]), 52.0, 2.0);
    EXPECT_EQ(values["azimuth_correction"].find('.'), std::string::npos) << "whole counts";
    EXPECT_NEAR(std::stod(values["fwhm_degrees"]), 6.0, 0.12);
    EXPECT_NEAR(SecondsOfDay(values["peak_time"]), 11 * 3600.0 + 20 * 60.0, 5.0);
    EXPECT_NEAR(std::stod(values["snr"]), 100.0, 15.0);
    EXPECT_NEAR(std::stod(values["amplitude_volts"]), 1.5, 0.05);
    EXPECT_NEAR(std::stod(values["baseline_volts"]), 1.0, 0.01);
    // The Sun in June drifts at 15 deg/h times cos(23.4) = 13.8 deg/h on the sky.
    EXPECT_NEAR(std::stod(values["drift_deg_per_hour"]), 13.77, 0.1);
    // The passage over the logged pointing comes before the peak: 40 counts is 0.44 degree of
    // azimuth, crossed at the Sun's azimuth rate (around 30 deg/h at 59 degrees up near noon)
    // in roughly a minute.
    const double offset = std::stod(values["offset_seconds"]);
    EXPECT_GT(offset, 20.0);
    EXPECT_LT(offset, 150.0);
    EXPECT_NEAR(SecondsOfDay(values["peak_time"]) - SecondsOfDay(values["predicted_time"]), offset, 0.2);

    // Without a target: the fit's six lines only, the same values.
    const auto bare = RunCliCommand({"transit", log, "--root", root}, folder);
    ASSERT_EQ(bare.exitCode, 0) << bare.err;
    const auto bareKv = KeyValues(bare.out);
    ASSERT_EQ(bareKv.size(), FitKeys.size());
    for (std::size_t i = 0; i < FitKeys.size(); ++i) {
        EXPECT_EQ(bareKv[i].first, FitKeys[i]);
        EXPECT_EQ(bareKv[i].second, values[FitKeys[i]]);
    }
}

// A catalogue source by name and the same place typed as --ra/--dec give the same answer; a
// negative error comes back negative.
TEST(CliTransit, FixedPositionByNameAndByCoordinates)
{
    TCliFolder folder;
    const std::string log = (folder.path() / "cyga.log").string();
    const std::string root = folder.path().string();
    ASSERT_EQ(RunCliCommand({"simulate", log, "--ra", "19:59:28.3566", "--dec", "+40:44:02.097", "--start",
                             "15/01/2011 20:00:00", "--records", "6000", "--mispoint-az", "-50", "--root", root},
                            folder)
                  .exitCode,
              0);
    const auto byName = RunCliCommand({"transit", log, "--body", "Cyg A", "--root", root}, folder);
    const auto byPlace = RunCliCommand(
        {"transit", log, "--ra", "19:59:28.3566", "--dec", "+40:44:02.097", "--root", root}, folder);
    ASSERT_EQ(byName.exitCode, 0) << byName.err;
    ASSERT_EQ(byPlace.exitCode, 0) << byPlace.err;
    const auto a = KeyValues(byName.out), b = KeyValues(byPlace.out);
    ASSERT_EQ(a.size(), 14u);
    ASSERT_EQ(b.size(), 14u);
    EXPECT_EQ(a[6].second, "Cyg A");
    EXPECT_EQ(b[6].second, "RA 19:59:28.4 Dec +40:44:02");
    for (std::size_t i = 7; i < a.size(); ++i)
        EXPECT_EQ(a[i].second, b[i].second) << a[i].first;
    EXPECT_NEAR(std::stod(a[12].second), 12.0 - 50.0, 2.0);
}

TEST(CliTransit, FailuresSayWhyOnOneLine)
{
    TCliFolder folder;
    const std::string root = folder.path().string();
    const std::string sun = (folder.path() / "sun.log").string();
    ASSERT_EQ(RunCliCommand({"simulate", sun, "--body", "Sun", "--start", "21/06/2010 10:30:00", "--records", "6000",
                             "--root", root},
                            folder)
                  .exitCode,
              0);
    // Zoomed into the baseline before the Sun arrives (the left tenth of the plot): no result,
    // nothing on standard output, one line on standard error.
    const auto zoomed = RunCliCommand({"transit", sun, "--body", "Sun", "--band", "40:90", "--root", root}, folder);
    EXPECT_EQ(zoomed.exitCode, 1);
    EXPECT_EQ(zoomed.out, "");
    EXPECT_EQ(SplitLines(zoomed.err).size(), 1u) << zoomed.err;
    EXPECT_EQ(zoomed.err.rfind("driftline-cli transit: ", 0), 0u) << zoomed.err;

    // The fit succeeds, but Sgr A never comes near a dish parked on the June Sun.
    const auto far = RunCliCommand({"transit", sun, "--body", "Sgr A", "--root", root}, folder);
    EXPECT_EQ(far.exitCode, 1);
    EXPECT_EQ(SplitLines(far.out).size(), 6u);
    EXPECT_EQ(SplitLines(far.err).size(), 1u) << far.err;

    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* inError;
    };
    const Case cases[] = {
        {{"transit", sun, "--ra", "12:00:00"}, 2, "both"},
        {{"transit", sun, "--body", "Pluto"}, 2, "unknown body"},
        {{"transit", sun, "--body", "Sun", "--ra", "1:0:0", "--dec", "0"}, 2, "not both"},
        {{"transit", sun, "--ra", "25:00:00", "--dec", "0"}, 2, "right ascension"},
        {{"transit", sun, "--ra", "1:00:00", "--dec", "+91:00:00"}, 2, "declination"},
        {{"transit"}, 2, "no log"},
        {{"simulate", (folder.path() / "x.log").string(), "--mispoint-az", "40"}, 2, "needs --body"},
        {{"simulate", (folder.path() / "x.log").string(), "--body", "Sun", "--beam-deg", "0"}, 2, "--beam-deg"},
        {{"simulate", (folder.path() / "x.log").string(), "--body", "Sun", "--start", "21/12/2010 22:00:00", "--root",
          root},
         1,
         "altitude"},
    };
    for (const Case& c : cases) {
        const auto run = RunCliCommand(c.args, folder);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args.back() << ": " << run.err;
        EXPECT_NE(run.err.find(c.inError), std::string::npos) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "x.log"));
}

}  // namespace
}  // namespace driftline
