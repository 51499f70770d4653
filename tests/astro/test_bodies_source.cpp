// Sun, Moon and planet sources (kinds 2 to 10): positions against published apparent places,
// the shared Earth record's refresh, the reporting seam and the filling of the solar record.
#include "AstroSite.h"
#include "astro/Bodyclock.h"
#include "astro/Reportunit.h"
#include "astro/Sitesettings.h"
#include "astro/Sourceunit.h"
#include "astro/Sununit.h"
#include "suite/Globalunit.h"
#include "suite/SuiteTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace driftline {
namespace {

constexpr double ArcSecond = 1.0 / 3600.0;
constexpr double OneSecondOfDay = 1.0 / 86400.0;

// Signed declination from a TAngle value (negative angles are held as 360 + angle).
double Signed(double deg)
{
    return deg > 180.0 ? deg - 360.0 : deg;
}

// A UTC instant and its local time zoneHours ahead.
TUtcLocalTime MakeTime(int y, int mo, int d, int h, int mi, int s, double zoneHours = 0.0)
{
    TUtcLocalTime t;
    t.Utc.wYear = static_cast<std::uint16_t>(y);
    t.Utc.wMonth = static_cast<std::uint16_t>(mo);
    t.Utc.wDay = static_cast<std::uint16_t>(d);
    t.Utc.wHour = static_cast<std::uint16_t>(h);
    t.Utc.wMinute = static_cast<std::uint16_t>(mi);
    t.Utc.wSecond = static_cast<std::uint16_t>(s);
    t.Local = DecodeDateTime(SystemTimeToDateTime(t.Utc) + zoneHours / 24.0);
    return t;
}

// Holds the body clock at a settable instant for the test's lifetime.
class FixedClock {
public:
    explicit FixedClock(TDateTime at) : now_(at)
    {
        previous_ = SetBodyClock([this] { return now_; });
    }
    ~FixedClock() { SetBodyClock(previous_); }
    void Set(TDateTime at) { now_ = at; }
    void Advance(double seconds) { now_ += seconds * OneSecondOfDay; }

private:
    TDateTime now_;
    TBodyClock previous_;
};

// Collects the library's messages instead of writing them to stderr.
class MessageCollector {
public:
    MessageCollector()
    {
        previous_ = SetReportHandler([this](const std::string& m) { messages.push_back(m); });
    }
    ~MessageCollector() { SetReportHandler(previous_); }
    std::vector<std::string> messages;

private:
    TReportHandler previous_;
};

// A southern, western site under J2000: 33 30' S, 70 15' W, 520 m, 15 C, 950 mbar.
TSite SouthernSite()
{
    TSite site = testing::SiteAt(-33, 30, -70, 15, "J2000");
    site.heightM = 520;
    site.temperatureC = 15;
    site.pressureMbar = 950;
    site.refractionDeg = 0.55;
    return site;
}

class BodySourceTest : public ::testing::Test {
protected:
    void SetUp() override { ResetEarthRecord(); }
    void TearDown() override { ResetEarthRecord(); }
    const TSite site_ = SouthernSite();
};

TEST_F(BodySourceTest, SolarRecordIsFilledFromTheLocalTimeAndTheSite)
{
    // 2003-10-17 19:30:30.750 UTC, local time two hours ahead.
    TUtcLocalTime when = MakeTime(2003, 10, 17, 19, 30, 30, 2.0);
    when.Utc.wMilliseconds = 750;
    when.Local.wMilliseconds = 750;
    // Written to a settings file and read back through the one seam, the site must arrive as
    // the formulas' record holds it.
    test::ScratchFolder root;
    test::WriteBytes(root.path() / "ZVK.ini",
                     "[Latitude]\r\nDegrees=-33\r\nMinutes=30\r\nSeconds=0\r\n"
                     "[Longitude]\r\nDegrees=-70\r\nMinutes=15\r\nSeconds=0\r\n"
                     "[Position]\r\nHeight=520\r\nTemperature=15\r\nPressure=950\r\nRefraction=0.55\r\n"
                     "[Calculations]\r\nEquinox=J2000\r\n");
    TGlobalOptions options;
    options.rootFolder = root.path();
    InstallGlobal(options);
    const TSite fromFile = CurrentSite();
    InstallGlobal(TGlobalOptions{});
    EXPECT_EQ(fromFile.latitudeDeg, 326.5);
    EXPECT_EQ(fromFile.longitudeDeg, 289.75);
    EXPECT_EQ(fromFile.heightM, 520);
    EXPECT_EQ(fromFile.temperatureC, 15);
    EXPECT_EQ(fromFile.pressureMbar, 950);
    EXPECT_EQ(fromFile.refractionDeg, 0.55);
    EXPECT_TRUE(fromFile.j2000);
    TSource source(180.0, 30.0, &when, fromFile);
    TSpaData spa;
    SpaFillFromSource(spa, source, source.Site, SpaObliquity);
    EXPECT_EQ(spa.year, 2003);
    EXPECT_EQ(spa.month, 10);
    EXPECT_EQ(spa.day, 17);
    EXPECT_EQ(spa.hour, 21);
    EXPECT_EQ(spa.minute, 30);
    EXPECT_EQ(spa.second, 30);
    EXPECT_NEAR(spa.timeZone, 2.0, 1e-9);
    EXPECT_EQ(spa.deltaT, 64.784);
    // Southern and western angles arrive as 326.5 and 289.75 degrees and are signed again.
    EXPECT_NEAR(spa.latitude, -33.5, 1e-9);
    EXPECT_NEAR(spa.longitude, -70.25, 1e-9);
    EXPECT_EQ(spa.elevation, 520.0);
    EXPECT_EQ(spa.temperature, 15.0);
    EXPECT_EQ(spa.pressure, 950.0);
    EXPECT_NEAR(spa.atmosRefract, 0.55, 1e-12);
    EXPECT_EQ(spa.function, SpaObliquity);
    // The southern site passes the checks, and the local time gives the UTC Julian day
    // (Reda and Andreas 2004, test case: 2452930.312847 at 19:30:30 UTC; milliseconds dropped).
    ASSERT_EQ(SpaCalculate(spa), 0);
    EXPECT_NEAR(spa.jd, 2452930.312847, 1e-6);
}

TEST_F(BodySourceTest, SunMatchesThePublishedGeocentricPosition)
{
    // Reda and Andreas 2004 test case, 2003-10-17 19:30:30 UT: geocentric right ascension
    // 202.22741 and declination -9.31434 degrees. Delta T differs (64.784 s here, 67 s there):
    // the Sun moves 0.00003 degrees in 2.2 s. The declination is held in whole arc-seconds.
    for (double zone : {0.0, 1.0, -7.0}) {
        TSource sun = TSource::Body(KindSun, MakeTime(2003, 10, 17, 19, 30, 30, zone), site_);
        EXPECT_STREQ(sun.Name, "Sun");
        EXPECT_EQ(sun.Kind, KindSun);
        EXPECT_NEAR(sun.GetRa().Value(), 202.22741, 1e-4) << "zone " << zone;
        EXPECT_NEAR(Signed(sun.GetDec().Value()), -9.31434, ArcSecond) << "zone " << zone;
    }
}

TEST_F(BodySourceTest, SunIsRecomputedOnEveryReadAndKeptOnFailure)
{
    TSource sun = TSource::Body(KindSun, MakeTime(2003, 10, 17, 19, 30, 30), site_);
    const double ra = sun.GetRa().Value();
    // Six hours later the Sun has moved on by about a quarter of a degree of right ascension.
    sun.Time = MakeTime(2003, 10, 18, 1, 30, 30);
    const double later = sun.GetRa().Value();
    EXPECT_NEAR(later - ra, 0.25, 0.05);
    // A year outside -2000..6000 fails the first input check: the position stays.
    sun.Time.Local.wYear = 7000;
    EXPECT_EQ(sun.GetRa().Value(), later);
}

TEST_F(BodySourceTest, MoonFollowsTheClockNotTheSourcesTime)
{
    // Meeus, example 47.a: 1992 April 12, 0h: apparent right ascension 134.688470 and
    // declination 13.768368 degrees (with the true obliquity; the rotation here uses the fixed
    // J2000 obliquity, 0.0013 degrees less, and no FK5 correction: tolerance 0.01 degrees).
    FixedClock clock(EncodeDate(1992, 4, 12));
    TSource moon = TSource::Body(KindMoon, MakeTime(2003, 10, 17, 19, 30, 30), site_);
    EXPECT_STREQ(moon.Name, "Moon");
    EXPECT_NEAR(moon.GetRa().Value(), 134.688470, 0.01);
    EXPECT_NEAR(Signed(moon.GetDec().Value()), 13.768368, 0.01);

    // A day later the Moon has moved about 13 degrees east; the source's own time is unchanged.
    clock.Advance(86400.0);
    EXPECT_NEAR(moon.GetRa().Value() - 134.688470, 13.5, 2.0);
}

TEST_F(BodySourceTest, VenusMatchesMeeusExample33a)
{
    // Meeus, example 33.a: Venus on 1992 December 20, 0h TD: apparent right ascension
    // 21h 04m 41.454s = 316.172725 degrees, declination -18 53' 16.84" = -18.888011 degrees.
    // This model applies no light time, aberration or nutation in longitude (together about
    // one arc-minute here), so the tolerance is 0.05 degrees.
    const TDateTime at = EncodeDate(1992, 12, 20);
    FixedClock clock(at);
    TUtcLocalTime when;
    UtcLocalFromDateTime(when, at);
    TSource venus = TSource::Body(KindVenus, when, site_);
    EXPECT_STREQ(venus.Name, "Venus");
    EXPECT_NEAR(venus.GetRa().Value(), 316.172725, 0.05);
    EXPECT_NEAR(Signed(venus.GetDec().Value()), -18.888011, 0.05);
}

TEST_F(BodySourceTest, PlanetsShareTheEarthRecordForOneMinute)
{
    const TDateTime start = EncodeDate(2024, 3, 1) + 0.5;
    FixedClock clock(start);
    TUtcLocalTime when;
    UtcLocalFromDateTime(when, start);

    TSource mars = TSource::Body(KindMars, when, site_);
    const TEarthRecord& earth = EarthRecordFor(mars);
    const auto first = earth.calculations;
    EXPECT_GE(first, 1u);
    EXPECT_NEAR(earth.obliquityRad, 23.4362 * 0.017453292519943295, 1e-4);  // 2024: 23 26' 10"
    EXPECT_NEAR(earth.cosObliquity, std::cos(earth.obliquityRad), 1e-15);
    EXPECT_NEAR(earth.sinObliquity, std::sin(earth.obliquityRad), 1e-15);

    struct Step {
        const char* what;
        double seconds;  // body-clock time since start
        TSourceKind kind;
        unsigned newCalculations;
    };
    const Step steps[] = {
        {"30 s later, another planet", 30.0, KindJupiter, 0},
        {"59 s later", 59.0, KindSaturn, 0},
        {"61 s later", 61.0, KindMars, 1},
        {"61 s + 30 s", 91.0, KindNeptune, 0},
        {"clock set back to the start", 0.0, KindUranus, 1},
    };
    auto calculations = first;
    for (const Step& s : steps) {
        clock.Set(start + s.seconds * OneSecondOfDay);
        TSource planet = TSource::Body(s.kind, when, site_);
        planet.GetRa();
        EXPECT_EQ(EarthRecordFor(planet).calculations - calculations, s.newCalculations) << s.what;
        calculations = EarthRecordFor(planet).calculations;
    }
}

TEST_F(BodySourceTest, FailedEarthRecordIsReportedAndThePreviousValuesKept)
{
    MessageCollector collector;
    const TDateTime start = EncodeDate(2024, 3, 1);
    FixedClock clock(start);
    TUtcLocalTime when;
    UtcLocalFromDateTime(when, start);
    TSource jupiter = TSource::Body(KindJupiter, when, site_);
    const double earthL = EarthRecordFor(jupiter).spa.l;
    const double ra = jupiter.GetRa().Value();
    ASSERT_TRUE(collector.messages.empty());

    // Two minutes later a read from a source whose local hour is 24 with a minute past it.
    clock.Advance(120.0);
    jupiter.Time.Local.wHour = 24;
    jupiter.Time.Local.wMinute = 1;
    const double raAfter = jupiter.GetRa().Value();
    ASSERT_EQ(collector.messages.size(), 1u);
    EXPECT_EQ(collector.messages[0], "Error in sun's params number 5");
    EXPECT_EQ(EarthRecordFor(jupiter).spa.l, earthL);
    // Jupiter itself moves about 0.0002 degrees in two minutes.
    EXPECT_NEAR(raAfter, ra, 0.001);
}

// Under the J1950 equinox the library's day numbers are 18262 days lower (exactly 50 calendar
// years here: 2042-04-12 is JD 2466986.5, 1992-04-12 is JD 2448724.5). The Moon and planet
// models are dated by that day number; the Sun and the Earth record take their dates from the
// calendar of the source's own time and are not shifted.
class J1950BodySourceTest : public ::testing::Test {
protected:
    void SetUp() override { ResetEarthRecord(); }
    void TearDown() override { ResetEarthRecord(); }
    const TSite site_ = testing::SiteAt(52, 0, 0, 0, "J1950");
};

TEST_F(J1950BodySourceTest, MoonIsDatedFiftyYearsEarlierAndTurnedWithTheB1950Obliquity)
{
    // With the clock at 2042-04-12 0h the Moon model is dated JD 2448724.5, Meeus' example
    // 47.a: apparent longitude 133.167265, latitude -3.229126 degrees. Turned to the equator
    // with the B1950 row of the rotation tables (sin e = 0.39788119938, cos e = 0.91743694670,
    // e = 23.4457887 degrees) by Meeus' equations 13.3 and 13.4, worked out by hand with
    // Python's math module: right ascension 134.689358, declination 13.772031 degrees. The
    // J2000 row would give a declination 16.6" lower; an unshifted date a different Moon.
    FixedClock clock(EncodeDate(2042, 4, 12));
    TSource moon = TSource::Body(KindMoon, MakeTime(2003, 10, 17, 19, 30, 30), site_);
    EXPECT_NEAR(moon.GetRa().Value(), 134.689358, 1e-4);
    // The declination is held in whole arc-seconds, truncated downwards.
    EXPECT_NEAR(moon.GetDec().Value(), 13.772031, 1.5 * ArcSecond);
}

TEST_F(J1950BodySourceTest, PlanetModelIsShiftedButTheEarthRecordFollowsTheSourcesTime)
{
    // Clock at 2042-12-20 0h: the Venus model is dated JD 2448976.5 (1992 Dec 20, Meeus 32.a).
    // The source's own time is 1992-12-20 0h, and the Earth record is filled from it, so the
    // geocentric place is that of Meeus' example 33.a (right ascension 316.172725, declination
    // -18.888011 degrees). The library leaves out light time (7.5 minutes of Venus' 1.2 degrees
    // a day: 0.006), aberration (at most 0.006) and the nutation in longitude (at most 0.005),
    // hence 0.02 degrees. An Earth dated by the clock instead (JD 2467238.5: half a day later in
    // its orbit and 50 years of precession on) moves Venus by about 0.1 degrees of right
    // ascension, worked out from the shared earth.csv and venus.csv with a short Python script.
    FixedClock clock(EncodeDate(2042, 12, 20));
    TSource venus = TSource::Body(KindVenus, MakeTime(1992, 12, 20, 0, 0, 0), site_);
    EXPECT_NEAR(venus.GetRa().Value(), 316.172725, 0.02);
    EXPECT_NEAR(Signed(venus.GetDec().Value()), -18.888011, 0.02);
}

TEST_F(J1950BodySourceTest, SunTakesItsDateFromTheCalendar)
{
    // The solar position algorithm's test case (2003-10-17 19:30:30 UT: 202.22741, -9.31434
    // degrees) comes out the same under J1950: its Julian day is made from the date itself.
    TSource sun = TSource::Body(KindSun, MakeTime(2003, 10, 17, 19, 30, 30), site_);
    EXPECT_NEAR(sun.GetRa().Value(), 202.22741, 1e-4);
    EXPECT_NEAR(Signed(sun.GetDec().Value()), -9.31434, ArcSecond);
}

TEST(ReportSeam, DefaultWritesTheLineToStderr)
{
    ::testing::internal::CaptureStderr();
    ReportMessage("Error in sun's params number 8");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Error in sun's params number 8\n");

    std::string seen;
    const TReportHandler previous = SetReportHandler([&](const std::string& m) { seen = m; });
    ReportMessage("first");
    EXPECT_EQ(seen, "first");
    SetReportHandler(previous);
    ::testing::internal::CaptureStderr();
    ReportMessage("second");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "second\n");
    EXPECT_EQ(seen, "first");
}

}  // namespace
}  // namespace driftline
