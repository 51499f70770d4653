// The simulated drift-scan log read back by the reader.
#include "logdata/Logreader.h"
#include "logdata/Logsimulator.h"

#include "Logtestfiles.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace driftline {
namespace {

TEST(LogSimulator, ReadsBackAsDescribed)
{
    TSimulateOptions options;
    options.records = 5000;
    options.hour = 23;  // 23:03:15 + 5000 s crosses midnight
    options.noVoltsEvery = 10;
    options.malformedEvery = 100;
    const std::string text = SimulateLog(options);
    EXPECT_EQ(text, SimulateLog(options)) << "same options, same bytes";
    TSimulateOptions other = options;
    other.seed = 2;
    EXPECT_NE(text, SimulateLog(other));
    EXPECT_NE(text.find("Date changed 13/05/2010\r\n"), std::string::npos);
    EXPECT_EQ(text.rfind("Opening session 12/05/2010 23:03:15 (UTC)\r\n", 0), 0u);

    driftline::testing::TTempFolder folder;
    TSampleStore store;
    ASSERT_EQ(readLogFile(folder.write("sim.log", text), store, nullptr).status, TReadResult::Ok);
    // Malformed lines are passed over: exactly the requested records, every tenth without volts.
    EXPECT_EQ(store.allSamples().size(), 5000u);
    EXPECT_EQ(store.voltageSamples().size(), 4500u);
    EXPECT_EQ(store.loggedAzimuthCorrection, 12);
    EXPECT_EQ(store.loggedAltitudeCorrection, -4);
    EXPECT_EQ(store.receiverValues[ReceiverTimerInterval], "1000 ms");
    for (const auto& value : store.receiverValues)
        EXPECT_FALSE(value.empty());
    // Time runs on through midnight, a second a record.
    for (std::size_t i = 1; i < store.allSamples().size(); ++i)
        ASSERT_NEAR(store.allSamples()[i][Time] - store.allSamples()[i - 1][Time], 1.0 / 86400.0, 1e-9) << i;
    // Parked within a count of 16384 (180 degrees), and the source's bump peaks mid-run.
    for (const Sample& s : store.allSamples())
        ASSERT_NEAR(s[Azimuth], 180.0, 360.0 / 32768 + 1e-12);
    const auto peak = std::max_element(store.voltageSamples().begin(), store.voltageSamples().end(),
                                       [](const Sample& a, const Sample& b) { return a[Volts] < b[Volts]; });
    const auto peakIndex = static_cast<double>(peak - store.voltageSamples().begin());
    EXPECT_NEAR(peakIndex, 2250.0, 200.0);
    EXPECT_NEAR((*peak)[Volts], 2.5, 0.15);
    EXPECT_NEAR(store.voltageSamples().front()[Volts], 1.0, 0.15);
}

}  // namespace
}  // namespace driftline
