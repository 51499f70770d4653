// Derived quantities, Refresh with corrections, and the store's lists.
#include "astro/Sitesettings.h"
#include "astro/Sourceunit.h"
#include "logdata/Logreader.h"
#include "logdata/Samplederive.h"
#include "logdata/Samplestore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace driftline {
namespace {

// 12 May 2010 as a day serial counted from 30 Dec 1899: 1 Jan 2010 is 40179 (109 years of
// 365 days plus 27 leap days, plus the 2 days of 30/31 Dec 1899), and 12 May is 131 days later
// (31 + 28 + 31 + 30 + 11).
constexpr double May12of2010 = 40310.0;

TEST(SampleDerivation, ExampleRecordOnTwelfthOfMay2010)
{
    const Sample s = deriveSample({75795000, 8192, 4096, 1024}, 0, 0, May12of2010, CurrentSite());
    // 75,795,000 ms = 21 h 3 min 15 s = 75795 / 86400 of a day.
    EXPECT_DOUBLE_EQ(s[Time], May12of2010 + 75795.0 / 86400.0);
    EXPECT_EQ(s[Azimuth], 90.0);   // 8192 / 32768 of a turn
    EXPECT_EQ(s[Altitude], 45.0);  // 4096 / 32768 of a turn
    EXPECT_EQ(s[Volts], 2.5);      // 1024 / 4096 of 10 V
    for (int q : {RightAscension, Declination, Beta, Lambda}) {
        EXPECT_GE(s[q], 0.0) << QuantityCaption(q);
        EXPECT_LE(s[q], 360.0) << QuantityCaption(q);
    }
}

TEST(SampleDerivation, CountsToAnglesWithoutFoldingAndSignedShifts)
{
    struct Case {
        std::uint32_t counts;
        std::int64_t shift;
        double degrees;  // (counts + shift) x 360 / 32768
    };
    const Case cases[] = {
        {40000, 0, 439.453125},                                    // no folding into 0..360
        {8192, 3, 90.032958984375},                                // 3 counts = 0.032958984375 degree
        {2, -5, -0.032958984375},                                  // a negative corrected count is a negative angle
        {0, -32768, -360.0},        {4294967295u, 1, 47185920.0},  // 2^32 counts: the 64-bit sum does not wrap to 0
    };
    for (const auto& c : cases) {
        const Sample az = deriveSample({0, c.counts, 0, 0}, c.shift, 0, 0.0, CurrentSite());
        EXPECT_EQ(az[Azimuth], c.degrees) << c.counts << " + " << c.shift;
        const Sample alt = deriveSample({0, 0, c.counts, 0}, 0, c.shift, 0.0, CurrentSite());
        EXPECT_EQ(alt[Altitude], c.degrees) << c.counts << " + " << c.shift;
    }
}

TEST(QuantityNames, CaptionsCodeNamesAndIndices)
{
    struct Case {
        const char* text;
        bool ok;
        Quantity q;
    };
    const Case cases[] = {
        {"Right ascension", true, RightAscension},
        {"right ASCENSION", true, RightAscension},
        {"RightAscension", true, RightAscension},
        {"rightascension", true, RightAscension},
        {"3", true, RightAscension},
        {"0", true, Time},
        {"7", true, Volts},
        {"volts", true, Volts},
        {"LAMBDA", true, Lambda},
        {"8", false, Time},
        {"-1", false, Time},
        {"", false, Time},
        {"Right  ascension", false, Time},
        {"Volt", false, Time},
    };
    for (const auto& c : cases) {
        Quantity q = Declination;
        ASSERT_EQ(ParseQuantity(c.text, q), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(q, c.q) << c.text;
        }
    }
    EXPECT_STREQ(QuantityCaption(RightAscension), "Right ascension");
    EXPECT_STREQ(QuantityCodeName(RightAscension), "RightAscension");
    // Every caption and code name reads back as its own quantity.
    for (int i = 0; i < QuantityCount; ++i) {
        Quantity q = Time;
        EXPECT_TRUE(ParseQuantity(QuantityCaption(i), q) && q == i) << i;
        EXPECT_TRUE(ParseQuantity(QuantityCodeName(i), q) && q == i) << i;
    }
}

// A store filled by the line parser, as a file would fill it.
TSampleStore StoreFromLines(std::initializer_list<const char*> lines)
{
    TSampleStore store;
    store.clearForRead();
    for (const char* line : lines)
        parseLogLine(line, store, false);
    store.deriveRecords(1);
    return store;
}

TEST(SampleRefresh, UserCorrectionReplacesLoggedOne)
{
    TSampleStore store = StoreFromLines({"Opening session 12/05/2010 21:03:15 (UTC)", "Azimuth correction 12",
                                         "Altitude correction -4", "75795000 8192 4096 1024", "75796000 8193 4097"});
    ASSERT_EQ(store.allSamples().size(), 2u);
    ASSERT_EQ(store.voltageSamples().size(), 1u);
    const SampleList asRead = store.allSamples().toList();

    // The user's value equal to the logged one leaves the samples as read.
    store.rebuildSamples(1);
    ASSERT_EQ(store.allSamples().size(), 2u);
    EXPECT_EQ(std::memcmp(store.allSamples().toList().data(), asRead.data(), sizeof(Sample) * 2), 0);

    // 12 -> 15 shifts every azimuth by 3 counts; altitude stays.
    store.azimuthCorrection = 15;
    store.rebuildSamples(1);
    EXPECT_EQ(store.allSamples()[0][Azimuth], 90.0 + 0.032958984375);
    EXPECT_EQ(store.allSamples()[1][Azimuth], 8193 * 360.0 / 32768 + 0.032958984375);
    EXPECT_EQ(store.voltageSamples()[0][Azimuth], 90.0 + 0.032958984375);
    EXPECT_EQ(store.allSamples()[0][Altitude], 45.0);
    EXPECT_EQ(store.allSamples()[0][Time], asRead[0][Time]);

    // -4 -> -10 moves altitudes 6 counts down.
    store.altitudeCorrection = -10;
    store.rebuildSamples(1);
    EXPECT_EQ(store.allSamples()[0][Altitude], 45.0 - 6 * 360.0 / 32768);
}

TEST(SampleRefresh, NegativeCorrectedCountGivesNegativeAngle)
{
    TSampleStore store = StoreFromLines({"Azimuth correction 0", "1000 2 100 7"});
    store.azimuthCorrection = -5;
    store.rebuildSamples(1);
    ASSERT_EQ(store.allSamples().size(), 1u);
    EXPECT_EQ(store.allSamples()[0][Azimuth], -3 * 360.0 / 32768);
}

TEST(SampleRefresh, ExtremeCorrectionsDoNotOverflowTheShift)
{
    // INT32_MAX - INT32_MIN does not fit in 32 bits; the shift is formed in 64 bits.
    TSampleStore store = StoreFromLines({"Azimuth correction -2147483648", "1000 0 100 7"});
    store.azimuthCorrection = 2147483647;
    EXPECT_EQ(store.azimuthShift(), 4294967295LL);
    store.rebuildSamples(1);
    EXPECT_EQ(store.allSamples()[0][Azimuth], 4294967295.0 * 360.0 / 32768.0);
}

TEST(SampleRefresh, AxisWithoutLoggedCorrectionIsNotShifted)
{
    TSampleStore store = StoreFromLines({"Azimuth correction 7", "1000 8192 4096"});
    EXPECT_EQ(store.azimuthCorrection, 7);
    EXPECT_EQ(store.altitudeCorrection, NoCorrection);
    EXPECT_EQ(store.loggedAltitudeCorrection, NoCorrection);
    store.altitudeCorrection = 100;  // nothing logged to replace
    store.rebuildSamples(1);
    EXPECT_EQ(store.altitudeShift(), 0);
    EXPECT_EQ(store.allSamples()[0][Altitude], 45.0);
}

TEST(SampleRefresh, RecordsKeepTheirOwnDatesAcrossMidnight)
{
    TSampleStore store = StoreFromLines({"Opening session 12/05/2010 23:59:58 (UTC)", "Azimuth correction 0",
                                         "86398000 8192 4096 1", "Date changed 13/05/2010", "1000 8192 4096 2",
                                         "2000 8192 4096"});
    ASSERT_EQ(store.allSamples().size(), 3u);
    auto checkDates = [&](const char* when) {
        EXPECT_DOUBLE_EQ(store.allSamples()[0][Time], May12of2010 + 86398.0 / 86400.0) << when;
        EXPECT_DOUBLE_EQ(store.allSamples()[1][Time], May12of2010 + 1.0 + 1.0 / 86400.0) << when;
        EXPECT_DOUBLE_EQ(store.allSamples()[2][Time], May12of2010 + 1.0 + 2.0 / 86400.0) << when;
        ASSERT_EQ(store.voltageSamples().size(), 2u) << when;
        EXPECT_DOUBLE_EQ(store.voltageSamples()[0][Time], May12of2010 + 86398.0 / 86400.0) << when;
        EXPECT_DOUBLE_EQ(store.voltageSamples()[1][Time], May12of2010 + 1.0 + 1.0 / 86400.0) << when;
    };
    checkDates("as read");
    store.azimuthCorrection = 3;
    store.rebuildSamples(1);
    checkDates("after Refresh");
    EXPECT_EQ(store.logDate, May12of2010 + 1.0);
}

TEST(SampleRefresh, RestoresZoomedListsAndEmptiesHistories)
{
    TSampleStore store = StoreFromLines({"Azimuth correction 0", "1 1 1 1", "2 2 2", "3 3 3 3"});
    // A zoom as the plot does it: old lists on the histories, lists narrowed in place.
    store.narrowSamples({true, false, false}, {false, false});
    store.rebuildSamples(1);
    EXPECT_EQ(store.allSamples().size(), 3u);
    EXPECT_EQ(store.voltageSamples().size(), 2u);
    EXPECT_TRUE(store.allUndo().empty());
    EXPECT_TRUE(store.voltageUndo().empty());
}

TEST(SampleStore, ActiveSamplesFollowVoltsOnly)
{
    TSampleStore store = StoreFromLines({"1 1 1 1", "2 2 2"});
    EXPECT_TRUE(store.activeSamples(false).sameAs(store.allSamples()));
    EXPECT_TRUE(store.activeSamples(true).sameAs(store.voltageSamples()));
    EXPECT_EQ(store.activeSamples(true).size(), 1u);
}

// A deterministic spread of records over several dates, with and without volts.
TSampleStore ManyRecords(std::size_t n)
{
    TSampleStore store;
    std::uint32_t x = 12345;
    for (std::size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        if (i % 20000 == 0)
            store.logDate = May12of2010 + static_cast<double>(i / 20000);
        store.appendRecord({static_cast<std::uint32_t>(i * 997 % 86400000), x % 40000, (x >> 8) % 9000, x % 4096},
                           i % 7 != 3);
    }
    return store;
}

TEST(SampleDerivation, ParallelDerivationIsBitIdenticalToSerial)
{
    TSampleStore serial = ManyRecords(70001);
    serial.deriveRecords(1);
    for (unsigned threads : {2u, 3u}) {
        TSampleStore parallel = ManyRecords(70001);
        parallel.deriveRecords(threads);
        ASSERT_EQ(parallel.allSamples().size(), serial.allSamples().size());
        ASSERT_EQ(parallel.voltageSamples().size(), serial.voltageSamples().size());
        EXPECT_EQ(std::memcmp(parallel.allSamples().toList().data(), serial.allSamples().toList().data(),
                              sizeof(Sample) * serial.allSamples().size()),
                  0)
            << threads << " threads";
        EXPECT_EQ(std::memcmp(parallel.voltageSamples().toList().data(), serial.voltageSamples().toList().data(),
                              sizeof(Sample) * serial.voltageSamples().size()),
                  0)
            << threads << " threads";
        parallel.azimuthCorrection = parallel.loggedAzimuthCorrection = 0;
        parallel.rebuildSamples(threads);
        EXPECT_EQ(std::memcmp(parallel.allSamples().toList().data(), serial.allSamples().toList().data(),
                              sizeof(Sample) * serial.allSamples().size()),
                  0)
            << threads << " threads, Refresh";
    }
    // Each voltage sample is the derivation of its own record and date.
    for (std::size_t v = 0; v < serial.voltageRecords().size(); v += 997) {
        const Sample direct = deriveSample(serial.voltageRecords()[v], 0, 0, serial.voltageRecordDates()[v],
                                           CurrentSite());
        EXPECT_EQ(std::memcmp(&direct, &serial.voltageSamples()[v], sizeof(Sample)), 0) << v;
    }
}

}  // namespace
}  // namespace driftline

namespace driftline {
namespace {

// Every list a mutation leaves behind: the record-side lists always in step, and the sample lists
// either the full derivation (no zoom standing) or a narrowing of it.
void ExpectListsInStep(const TSampleStore& store, const char* step)
{
    EXPECT_EQ(store.allRecordDates().size(), store.allRecords().size()) << step;
    EXPECT_EQ(store.voltageRecordDates().size(), store.voltageRecords().size()) << step;
    EXPECT_LE(store.voltageRecords().size(), store.allRecords().size()) << step;
    if (store.canUndo()) {
        EXPECT_LE(store.allSamples().size(), store.allRecords().size()) << step;
        EXPECT_LE(store.voltageSamples().size(), store.voltageRecords().size()) << step;
        return;
    }
    ASSERT_EQ(store.allSamples().size(), store.allRecords().size()) << step;
    ASSERT_EQ(store.voltageSamples().size(), store.voltageRecords().size()) << step;
    // Position i of a sample list is the derivation of record i under its own date.
    const auto az = store.azimuthShift();
    const auto alt = store.altitudeShift();
    for (std::size_t i = 0; i < store.allRecords().size(); ++i) {
        const Sample d = deriveSample(store.allRecords()[i], az, alt, store.allRecordDates()[i], CurrentSite());
        EXPECT_EQ(std::memcmp(&d, &store.allSamples()[i], sizeof d), 0) << step << " all " << i;
    }
    for (std::size_t v = 0; v < store.voltageRecords().size(); ++v) {
        const Sample d = deriveSample(store.voltageRecords()[v], az, alt, store.voltageRecordDates()[v], CurrentSite());
        EXPECT_EQ(std::memcmp(&d, &store.voltageSamples()[v], sizeof d), 0) << step << " volts " << v;
    }
}

// Alternate flags, starting with keep.
std::vector<bool> EveryOther(std::size_t n)
{
    std::vector<bool> keep(n);
    for (std::size_t i = 0; i < n; i += 2)
        keep[i] = true;
    return keep;
}

TEST(SampleStoreInvariant, ListsStayInStepThroughEveryMutation)
{
    TSampleStore store;
    ExpectListsInStep(store, "new");
    store.clearForRead();
    for (const char* line : {"Opening session 12/05/2010", "Azimuth correction 4", "1000 10 20 30", "2000 11 21",
                             "Date changed 13/05/2010", "3000 12 22 32", "4000 13 23 33", "5000 14 24"})
        parseLogLine(line, store, false);
    // Records appended but not yet derived: only the record side must agree.
    EXPECT_EQ(store.allRecordDates().size(), 5u);
    EXPECT_EQ(store.voltageRecordDates().size(), 3u);
    store.deriveRecords(1);
    ExpectListsInStep(store, "derived");
    // One more record read with deriveNow, as a live feed appends it.
    parseLogLine("6000 15 25 35", store, true);
    ExpectListsInStep(store, "appended and derived");

    store.narrowSamples(EveryOther(store.allSamples().size()), EveryOther(store.voltageSamples().size()));
    EXPECT_EQ(store.allSamples().size(), 3u);
    EXPECT_EQ(store.voltageSamples().size(), 2u);
    ExpectListsInStep(store, "zoomed once");
    // A mask shorter than its list drops the samples it does not reach.
    store.narrowSamples({true}, {});
    EXPECT_EQ(store.allSamples().size(), 1u);
    EXPECT_TRUE(store.voltageSamples().empty());
    EXPECT_EQ(store.allUndo().size(), 2u);
    EXPECT_TRUE(store.undoZoom());
    EXPECT_EQ(store.allSamples().size(), 3u);
    EXPECT_EQ(store.voltageSamples().size(), 2u);
    EXPECT_TRUE(store.resetZoom());
    ExpectListsInStep(store, "reset");
    EXPECT_FALSE(store.undoZoom());
    EXPECT_FALSE(store.resetZoom());
    ExpectListsInStep(store, "nothing to undo");

    store.narrowSamples(EveryOther(6), EveryOther(4));
    store.azimuthCorrection = 9;
    store.rebuildSamples(2);
    EXPECT_FALSE(store.canUndo());
    ExpectListsInStep(store, "rebuilt with a correction");

    store.clearForRead();
    ExpectListsInStep(store, "cleared");
    EXPECT_TRUE(store.allRecords().empty());
}

}  // namespace
}  // namespace driftline

namespace driftline {
namespace {

// The sample a TSource built for the record's instant gives: the way every sample was derived
// before the derivation kept anything from one record to the next.
Sample ThroughASource(const RawRecord& raw, std::int64_t azShift, std::int64_t altShift, TDateTime date,
                      const TSite& site)
{
    Sample s;
    s[Time] = date + static_cast<double>(raw.milliseconds) / 86400000.0;
    s[Azimuth] = static_cast<double>(static_cast<std::int64_t>(raw.azimuthCounts) + azShift) * 360.0 / 32768.0;
    s[Altitude] = static_cast<double>(static_cast<std::int64_t>(raw.altitudeCounts) + altShift) * 360.0 / 32768.0;
    s[Volts] = static_cast<double>(raw.voltsCounts) * 10.0 / 4096.0;
    TUtcLocalTime when;
    UtcLocalFromDateTime(when, s[Time]);
    TSource position(s[Azimuth], s[Altitude], &when, site);
    s[RightAscension] = position.GetRa().Value();
    s[Declination] = position.GetDec().Value();
    s[Beta] = position.GetBeta().Value();
    s[Lambda] = position.GetLambda().Value();
    return s;
}

TEST(SampleDeriver, KeepsNothingThatChangesAResult)
{
    TSite south;  // 33 30' S, 70 15' W under the 1950 equinox
    south.latitudeDeg = 326.5;
    south.longitudeDeg = 289.75;
    south.j2000 = false;
    struct Case {
        const char* name;
        TSite site;
        std::int64_t azShift, altShift;
    };
    const Case cases[] = {
        {"settings' site", CurrentSite(), 0, 0},
        {"southern site, 1950 equinox", south, 0, 0},
        {"shifts below zero and past a turn", CurrentSite(), -40000, 33000},
    };
    // Parked runs (the same counts again and again), slews, counts beyond one turn and at its
    // edges, times that cross midnight and go back a day, a record dated far away.
    std::vector<std::pair<RawRecord, TDateTime>> records;
    std::uint32_t x = 99;
    for (int i = 0; i < 6000; ++i) {
        x = x * 1664525u + 1013904223u;
        const bool parked = (i / 50) % 2 == 0;
        std::uint32_t az = parked ? 16384 : (i % 7 == 0 ? 32767 + x % 3 : x % 70000);
        std::uint32_t alt = parked ? 3641 : (i % 11 == 0 ? 0 : (x >> 8) % 9000);
        // Moving on one axis only: the other axis repeats its counts.
        if (!parked && !records.empty() && i % 3 == 1)
            az = records.back().first.azimuthCounts;
        if (!parked && !records.empty() && i % 3 == 2)
            alt = records.back().first.altitudeCounts;
        const TDateTime date = 40310.0 + (i / 1500) - (i % 1000 == 999 ? 3 : 0) + (i == 4321 ? 20000 : 0);
        records.push_back({{static_cast<std::uint32_t>(86390000 + i * 997 % 20000), az, alt, x % 4096}, date});
    }
    for (const Case& c : cases) {
        TSampleDeriver deriver(c.site);
        for (std::size_t i = 0; i < records.size(); ++i) {
            const auto& [raw, date] = records[i];
            const Sample kept = deriver.derive(raw, c.azShift, c.altShift, date);
            const Sample fresh = ThroughASource(raw, c.azShift, c.altShift, date, c.site);
            ASSERT_EQ(std::memcmp(&kept, &fresh, sizeof(Sample)), 0) << c.name << ", record " << i;
        }
    }
}

TEST(SampleDeriver, SineAndCosineOfEveryCountAreTheLibrarys)
{
    // The count table and the pointing both take AngleTrig; it must give exactly what separate
    // calls of sine and cosine give (the compiler may fuse the pair into one call).
    for (std::uint32_t c = 0; c < 32768; c += 1) {
        const double radians = static_cast<double>(c) * 360.0 / 32768.0 * (3.14159265358979323846 / 180.0);
        const TAngleTrig direct{std::sin(radians), std::cos(radians)};
        const TAngleTrig table = AngleTrig(static_cast<double>(c) * 360.0 / 32768.0);
        ASSERT_EQ(std::memcmp(&direct, &table, sizeof direct), 0) << c;
    }
}

}  // namespace
}  // namespace driftline
