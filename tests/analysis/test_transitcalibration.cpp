// Calibration round trips: a simulated log of a target drifting through a beam whose pointing is
// off by a known number of counts must give back that many counts, through the log reader, the
// fit and the calibration as the command runs them.
#include "analysis/Transitreport.h"
#include "astro/AstroConstants.h"
#include "logdata/Logreader.h"
#include "logdata/Logsimulator.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace {

using namespace driftline;

constexpr double SecondsPerDay = 86400.0;
// The simulator's logged azimuth correction.
constexpr std::int32_t LoggedAzimuthCorrection = 12;

struct TRoundTrip {
    TTransitReport report;
    TDateTime midScan = 0.0;
};

// Simulates, writes and reads back a scan of n one-second records from start, and runs the
// transit job on the voltage samples as the command does.
TRoundTrip RunRoundTrip(const TSkyTarget& target, const TSite& site, const char* start, std::uint64_t n, double beamDeg,
                        std::int32_t mispointAz, std::int32_t mispointAlt, double snr, std::uint64_t seed)
{
    TSimulateOptions sim;
    sim.records = n;
    sim.seed = seed;
    EXPECT_TRUE(ParseSimulateStart(start, sim)) << start;
    TSimulateTarget scan;
    scan.target = target;
    scan.site = site;
    scan.beamFwhmDeg = beamDeg;
    scan.azimuthMispointCounts = mispointAz;
    scan.altitudeMispointCounts = mispointAlt;
    scan.snr = snr;
    sim.target = scan;
    std::string problem;
    EXPECT_TRUE(ParkForTarget(sim, problem)) << problem;

    const auto path = std::filesystem::temp_directory_path() /
                      ("driftline-transit-" + std::to_string(::getpid()) + "-" + std::to_string(seed) + ".log");
    {
        std::ofstream out(path, std::ios::binary);
        out << SimulateLog(sim);
    }
    TSampleStore store;
    const TReadResult read = readLogFile(path, store, nullptr);
    std::filesystem::remove(path);
    EXPECT_EQ(read.status, TReadResult::Ok);
    EXPECT_EQ(store.loggedAzimuthCorrection, LoggedAzimuthCorrection);

    TRoundTrip out;
    out.report = RunTransit(store.voltageSamples(), target, site, store.azimuthCorrection);
    out.midScan = EncodeDate(sim.year, sim.month, sim.day) +
                  (sim.hour * 3600.0 + sim.minute * 60.0 + sim.second + static_cast<double>(n) / 2.0) / SecondsPerDay;
    return out;
}

// The dish sits where the target is half-way through the run, so the peak is then; counted in
// whole counts, that place can be off by half a count in each axis, a few seconds of drift.
TEST(TransitCalibration, RoundTripsKnownMispointingsOfBothSigns)
{
    const TSite site{52.0, 5.0, 10};
    struct Case {
        const char* name;
        TSkyTarget target;
        const char* start;
        std::uint64_t records;
        double beamDeg;
        std::int32_t mispointAz;
        double snr;
    };
    const Case cases[] = {
        // The accuracy case: a 6 degree beam, 40 counts off, SNR about 100.
        {"Sun +40", TSkyTarget::Body(KindSun), "21/06/2010 10:30:00", 6000, 6.0, 40, 100.0},
        {"Sun -40", TSkyTarget::Body(KindSun), "21/06/2010 10:30:00", 6000, 6.0, -40, 100.0},
        {"Sun low in winter, -25", TSkyTarget::Body(KindSun), "21/12/2010 09:00:00", 6000, 6.0, -25, 100.0},
        {"Jupiter +60", TSkyTarget::Body(KindJupiter), "10/10/2010 22:00:00", 6000, 6.0, 60, 60.0},
        {"Saturn -70", TSkyTarget::Body(KindSaturn), "15/01/2011 02:00:00", 6000, 6.0, -70, 60.0},
        {"Mars +30", TSkyTarget::Body(KindMars), "21/06/2010 12:00:00", 6000, 6.0, 30, 80.0},
        {"Moon +35", TSkyTarget::Body(KindMoon), "15/01/2011 20:00:00", 6000, 6.0, 35, 100.0},
        // Far enough off (3.3 degrees) that the passage time is no longer linear in the offset.
        {"Cyg A +300, narrow beam", TSkyTarget::Fixed(299.868153, 40.733916, "Cyg A"), "15/01/2011 20:00:00", 8000, 8.0,
         300, 100.0},
    };
    std::uint64_t seed = 100;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TRoundTrip trip = RunRoundTrip(c.target, site, c.start, c.records, c.beamDeg, c.mispointAz, 0, c.snr,
                                             ++seed);
        const TTransitReport& r = trip.report;
        ASSERT_TRUE(r.ok()) << r.problem();
        const TTransitCalibration& cal = *r.calibration;
        EXPECT_NEAR(static_cast<double>(cal.azimuthCorrection), LoggedAzimuthCorrection + c.mispointAz, 2.0);
        EXPECT_NEAR(cal.fwhmDeg, c.beamDeg, 0.02 * c.beamDeg);
        EXPECT_NEAR((r.fit.peakTime - trip.midScan) * SecondsPerDay, 0.0, 5.0);
        // The quoted sigma is honest: the answer lies within a few of them (plus the half count the
        // parked place was rounded by), and it is not so wide as to mean nothing.
        EXPECT_LT(std::abs(cal.azimuthShiftCounts + LoggedAzimuthCorrection - (LoggedAzimuthCorrection + c.mispointAz)),
                  4.0 * cal.azimuthCorrectionSigma + 1.0);
        EXPECT_GT(cal.azimuthCorrectionSigma, 0.0);
        EXPECT_LT(cal.azimuthCorrectionSigma, 3.0);
        // The passage over the logged pointing and the peak differ by the mis-pointing: the
        // target reaches a pointing that lies short of the true one first (azimuth growing as
        // each of these targets drifts), so a positive error gives a positive offset.
        EXPECT_GT(cal.offsetSeconds * c.mispointAz, 0.0) << "offset " << cal.offsetSeconds << " s";
        // With the altitude right, the target passes the logged pointing no further off than the
        // azimuth error itself (less where its path crosses the azimuth circle at an angle), plus
        // the half counts the parked place was rounded to.
        EXPECT_LT(cal.closestSeparationDeg, std::abs(c.mispointAz) * DegreesPerCount + 0.02);
    }
}

// A correction already typed into "Azimuth corr" and applied with Refresh is the base of the new
// value: the same scan read with the right correction in place gives that correction back.
TEST(TransitCalibration, StartsFromTheCorrectionTheSamplesWereDerivedWith)
{
    const TSite site{52.0, 5.0, 10};
    TSimulateOptions sim;
    sim.records = 6000;
    sim.seed = 7;
    ASSERT_TRUE(ParseSimulateStart("21/06/2010 10:30:00", sim));
    TSimulateTarget scan;
    scan.target = TSkyTarget::Body(KindSun);
    scan.site = site;
    scan.azimuthMispointCounts = 40;
    sim.target = scan;
    std::string problem;
    ASSERT_TRUE(ParkForTarget(sim, problem)) << problem;
    const auto path = std::filesystem::temp_directory_path() /
                      ("driftline-transit-base-" + std::to_string(::getpid()) + ".log");
    {
        std::ofstream out(path, std::ios::binary);
        out << SimulateLog(sim);
    }
    TSampleStore store;
    ASSERT_EQ(readLogFile(path, store, nullptr).status, TReadResult::Ok);
    std::filesystem::remove(path);
    store.azimuthCorrection = LoggedAzimuthCorrection + 40;
    store.rebuildSamples();
    const TTransitReport r = RunTransit(store.voltageSamples(), scan.target, site, store.azimuthCorrection);
    ASSERT_TRUE(r.ok()) << r.problem();
    EXPECT_NEAR(static_cast<double>(r.calibration->azimuthCorrection), LoggedAzimuthCorrection + 40, 2.0);
    EXPECT_NEAR(r.calibration->azimuthShiftCounts, 0.0, 2.0);
    EXPECT_NEAR(r.calibration->offsetSeconds, 0.0, 10.0);
}

// A target that is nowhere near the dish, or below the horizon, gives no calibration.
TEST(TransitCalibration, TargetsThatDoNotPassTheDishGiveNoResult)
{
    const TSite site{52.0, 5.0, 10};
    // A Sun scan, calibrated against Sgr A (far south) and against the Moon on a day it is
    // elsewhere in the sky.
    TSimulateOptions sim;
    sim.records = 6000;
    ASSERT_TRUE(ParseSimulateStart("21/06/2010 10:30:00", sim));
    TSimulateTarget scan;
    scan.target = TSkyTarget::Body(KindSun);
    scan.site = site;
    sim.target = scan;
    std::string problem;
    ASSERT_TRUE(ParkForTarget(sim, problem)) << problem;
    const auto path = std::filesystem::temp_directory_path() /
                      ("driftline-transit-far-" + std::to_string(::getpid()) + ".log");
    {
        std::ofstream out(path, std::ios::binary);
        out << SimulateLog(sim);
    }
    TSampleStore store;
    ASSERT_EQ(readLogFile(path, store, nullptr).status, TReadResult::Ok);
    std::filesystem::remove(path);
    const auto sgrA = FindCatalogueSource("Sgr A");
    ASSERT_TRUE(sgrA);
    const TTransitReport r = RunTransit(store.voltageSamples(), TSkyTarget::Fixed(sgrA->raDeg, sgrA->decDeg, "Sgr A"),
                                        site, store.azimuthCorrection);
    EXPECT_EQ(r.fit.status, TTransitStatus::Ok);
    EXPECT_FALSE(r.ok());
    EXPECT_FALSE(r.problem().empty());
    // Only the fit's six lines are printed for a failed calibration.
    EXPECT_EQ(TransitReportLines(r).size(), 6u);

    // Venus is up on that day, 40-odd degrees from the Sun: within the searched hours it has a
    // closest passage, but one far outside the beam, so the Sun's peak is not its transit.
    const TTransitReport venus = RunTransit(store.voltageSamples(), TSkyTarget::Body(KindVenus), site,
                                            store.azimuthCorrection);
    EXPECT_FALSE(venus.ok());
    EXPECT_NE(venus.problem().find("Venus"), std::string::npos) << venus.problem();

    // Simulating a target below the horizon is refused with a reason.
    TSimulateOptions night = sim;
    ASSERT_TRUE(ParseSimulateStart("21/12/2010 20:00:00", night));
    EXPECT_FALSE(ParkForTarget(night, problem));
    EXPECT_NE(problem.find("altitude"), std::string::npos) << problem;
}

TEST(TransitReport, TimesRoundToATenthWithoutReachingSixty)
{
    struct Case {
        TDateTime t;
        const char* expected;
    };
    // 12 May 2010 is serial 40310 (EncodeDate); times built from seconds.
    const Case cases[] = {
        {40310.0 + (21 * 3600 + 3 * 60 + 15.34) / SecondsPerDay, "12/05/2010 21:03:15.3 UTC"},
        {40310.0 + (23 * 3600 + 59 * 60 + 59.96) / SecondsPerDay, "13/05/2010 00:00:00.0 UTC"},
        {40310.0 + 59.95 / SecondsPerDay + 1e-9, "12/05/2010 00:01:00.0 UTC"},
        {40310.0, "12/05/2010 00:00:00.0 UTC"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TransitTimeText(c.t), c.expected);
}

}  // namespace
