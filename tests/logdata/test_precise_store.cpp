// Samples in the ICRS frame: the lists' conventions, the same numbers whichever way the records
// are derived, and the frame settings of the viewer's section.
#include "logdata/Logreader.h"
#include "logdata/Logsimulator.h"
#include "logdata/Samplederive.h"
#include "logdata/Samplestore.h"
#include "session/Logsession.h"
#include "suite/Inifile.h"
#include "suite/Positionsettings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace driftline {
namespace {

// The settings' default site: 54 16' N, 2 16' W (held as 357 44'), 200 m, 990 hPa, 10 C, 50 %.
TPreciseSite DefaultSite()
{
    TPreciseSite site;
    site.latitudeDeg = 54.0 + 16.0 / 60.0;
    site.longitudeDeg = 360.0 - (2.0 + 16.0 / 60.0);
    site.heightM = 200.0;
    site.pressureHpa = 990.0;
    site.temperatureC = 10.0;
    site.humidityPercent = 50.0;
    return site;
}

// One record at 2024-03-20 12:00:00 UTC (serial 45371.5), 16384 counts (180 deg) and 2731
// counts (30.0036621 deg). Its ICRS place from Astropy's AltAz -> ICRS for that site
// (`scripts/icrs_reference.py point 45371.5 180 30.003662109375`): RA 355.938668178,
// Dec -5.890954012, l 82.732190241, b -63.349884369 (Astropy's galactic is 0.02" off ICRS's).
TEST(PreciseSamples, ListsHoldTheIcrsPlaceInTheirConvention)
{
    TPreciseFrame frame(DefaultSite());
    const Sample s = derivePreciseSample({43200000, 16384, 2731, 1024}, 0, 0, 45371.0, frame);
    EXPECT_EQ(s[Time], 45371.5);
    EXPECT_EQ(s[Azimuth], 180.0);
    EXPECT_EQ(s[Volts], 2.5);
    EXPECT_NEAR(s[RightAscension], 355.938668178, 0.01 / 3600.0);
    // Negative declination and galactic latitude as 360 + value, as in the classic frame.
    EXPECT_NEAR(s[Declination], 360.0 - 5.890954012, 0.01 / 3600.0);
    EXPECT_NEAR(s[Beta], 360.0 - 63.349884369, 0.03 / 3600.0);
    EXPECT_NEAR(s[Lambda], 82.732190241, 0.03 / 3600.0 / std::cos(63.35 * 3.14159265 / 180.0));
    // Not cut to whole arc-seconds as the classic angle records are: -21207.434".
    const double arcsec = (360.0 - s[Declination]) * 3600.0;
    EXPECT_GT(std::fabs(arcsec - std::round(arcsec)), 0.1);
}

class PreciseStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        log = std::filesystem::temp_directory_path() /
              ("driftline-precise-" + std::to_string(::getpid()) + "-" + info->name() + ".log");
        // A simulated drift scan of two hours (and so 24 blocks of context), big enough for the
        // read to derive behind the parser on a second thread.
        TSimulateOptions options;
        options.records = 14400;
        options.intervalMs = 500;
        options.hour = 23;  // crosses midnight
        options.minute = 15;
        std::ofstream(log, std::ios::binary) << SimulateLog(options);
    }
    void TearDown() override { std::filesystem::remove(log); }
    std::filesystem::path log;
};

// The read (parser plus a deriving thread, then the rest split over threads), a one-thread read
// and Refresh with any thread count give the same bits in the ICRS frame.
TEST_F(PreciseStore, SameSamplesWhicheverWayTheyAreDerived)
{
    TSampleStore oneThread;
    oneThread.preciseSite = DefaultSite();
    ASSERT_EQ(readLogFile(log, oneThread, nullptr, 1).status, TReadResult::Ok);
    ASSERT_GT(oneThread.allSamples().size(), 14000u);
    for (unsigned threads : {0u, 2u, 3u}) {
        TSampleStore store;
        store.preciseSite = DefaultSite();
        ASSERT_EQ(readLogFile(log, store, nullptr, threads).status, TReadResult::Ok);
        ASSERT_EQ(store.allSamples().size(), oneThread.allSamples().size());
        EXPECT_EQ(std::memcmp(store.allSamples().toList().data(), oneThread.allSamples().toList().data(),
                              sizeof(Sample) * store.allSamples().size()),
                  0)
            << threads << " threads";
        EXPECT_EQ(std::memcmp(store.voltageSamples().toList().data(), oneThread.voltageSamples().toList().data(),
                              sizeof(Sample) * store.voltageSamples().size()),
                  0)
            << threads << " threads";
        store.rebuildSamples(threads);
        EXPECT_EQ(std::memcmp(store.allSamples().toList().data(), oneThread.allSamples().toList().data(),
                              sizeof(Sample) * store.allSamples().size()),
                  0)
            << threads << " threads, Refresh";
    }
}

// Refresh re-derives in the frame in force: switching the frame and refreshing moves the
// positions, switching back gives the classic samples again, bit for bit.
TEST_F(PreciseStore, RefreshDerivesInTheFrameInForce)
{
    TSampleStore store;
    ASSERT_EQ(readLogFile(log, store, nullptr).status, TReadResult::Ok);
    const SampleList classic = store.allSamples().toList();
    store.preciseSite = DefaultSite();
    store.rebuildSamples();
    ASSERT_EQ(store.allSamples().size(), classic.size());
    // Same counts, time and volts; the sky moved by the precession since 2010 (about 0.14 degree)
    // and more.
    EXPECT_EQ(store.allSamples()[100][Azimuth], classic[100][Azimuth]);
    EXPECT_EQ(store.allSamples()[100][Time], classic[100][Time]);
    EXPECT_GT(std::fabs(store.allSamples()[100][RightAscension] - classic[100][RightAscension]), 0.05);
    store.preciseSite.reset();
    store.rebuildSamples();
    EXPECT_EQ(std::memcmp(store.allSamples().toList().data(), classic.data(), sizeof(Sample) * classic.size()), 0);
}

TEST(PositionSettings, ViewerSectionKeysAndTheirDefaults)
{
    struct Case {
        const char* name;
        const char* ini;
        TPositionFrame frame;
        double humidity, dut1;
    } cases[] = {
        {"nothing set", "", TPositionFrame::Classic, 50.0, 0.0},
        {"ICRS, humid, DUT1", "[Driftline]\r\nFrame=1\r\nHumidity=80\r\nDUT1=-0.35\r\n", TPositionFrame::Icrs, 80.0,
         -0.35},
        {"keys ignore case", "[driftline]\r\nframe = 1\r\nhumidity=0\r\ndut1=0.9\r\n", TPositionFrame::Icrs, 0.0, 0.9},
        {"unknown frame is classic", "[Driftline]\r\nFrame=2\r\n", TPositionFrame::Classic, 50.0, 0.0},
        {"frame as text is classic", "[Driftline]\r\nFrame=icrs\r\n", TPositionFrame::Classic, 50.0, 0.0},
        {"humidity beyond 100", "[Driftline]\r\nHumidity=150\r\n", TPositionFrame::Classic, 50.0, 0.0},
        {"negative humidity", "[Driftline]\r\nHumidity=-5\r\n", TPositionFrame::Classic, 50.0, 0.0},
        {"DUT1 beyond a second", "[Driftline]\r\nDUT1=1.5\r\n", TPositionFrame::Classic, 50.0, 0.0},
        {"DUT1 not a number", "[Driftline]\r\nDUT1=abc\r\n", TPositionFrame::Classic, 50.0, 0.0},
        {"keys of another section", "[Position]\r\nFrame=1\r\nHumidity=90\r\nDUT1=0.2\r\n", TPositionFrame::Classic,
         50.0, 0.0},
    };
    for (const Case& c : cases) {
        const TPositionSettings s = ReadPositionSettings(TIniReader::FromText(c.ini), "Driftline");
        EXPECT_EQ(s.frame, c.frame) << c.name;
        EXPECT_EQ(s.humidityPercent, c.humidity) << c.name;
        EXPECT_EQ(s.dut1Seconds, c.dut1) << c.name;
        EXPECT_TRUE(s.refraction) << c.name;
    }
}

// The session keeps the frame for its own re-derivations and hands it to the session of the next
// file, as the window opens every file in a fresh session: the next file is read in the frame the
// user chose, and leaving the frame on a session gives the classic samples again on refresh.
TEST_F(PreciseStore, SessionCarriesTheFrameToRefreshAndTheNextFile)
{
    TLogSession classic;
    ASSERT_EQ(classic.read(log).status, TReadResult::Ok);
    TLogSession icrs;
    icrs.setFrameSite(DefaultSite());
    ASSERT_EQ(icrs.read(log).status, TReadResult::Ok);
    const SampleList icrsSamples = icrs.store().allSamples().toList();
    ASSERT_EQ(icrsSamples.size(), classic.store().allSamples().size());
    EXPECT_GT(std::fabs(icrsSamples[0][RightAscension] - classic.store().allSamples()[0][RightAscension]), 0.05);

    std::unique_ptr<TLogSession> next = icrs.nextSession();
    ASSERT_TRUE(next->frameSite().has_value());
    ASSERT_EQ(next->read(log).status, TReadResult::Ok);
    EXPECT_EQ(std::memcmp(next->store().allSamples().toList().data(), icrsSamples.data(),
                          sizeof(Sample) * icrsSamples.size()),
              0);

    next->setFrameSite(std::nullopt);
    next->refresh();
    const SampleList back = next->store().allSamples().toList();
    ASSERT_EQ(back.size(), classic.store().allSamples().size());
    EXPECT_EQ(std::memcmp(back.data(), classic.store().allSamples().toList().data(), sizeof(Sample) * back.size()), 0);
}

}  // namespace
}  // namespace driftline
