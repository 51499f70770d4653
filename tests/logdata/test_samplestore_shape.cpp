// The store's shape: one base list of samples, the voltage and zoomed lists as views of it, dates
// as runs. Every list must hold exactly the samples a store of plain copies would hold: checked
// against samples derived record by record from a log whose dates the test knows, and against a
// model of zooms, views, undo, reset and arrivals that keeps every list as a copy.
#include "astro/Sitesettings.h"
#include "logdata/Extremes.h"
#include "logdata/Logfilecheck.h"
#include "logdata/Logreader.h"
#include "logdata/Samplederive.h"
#include "logdata/Samplestore.h"

#include "Logtestfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <limits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace driftline {
namespace {

using driftline::testing::TTempFolder;

// Day serials counted from 30 Dec 1899 (day 0): 1 Jan 2010 is 40179 (109 years of 365 days, 27
// leap days, and the 2 days of 30/31 Dec 1899), so 30 and 31 Dec 2009 are 40177 and 40178, and
// 12 May 2010 is 131 days after 1 Jan (31 + 28 + 31 + 30 + 11).
constexpr double Dec30of2009 = 40177.0;
constexpr double Dec31of2009 = 40178.0;
constexpr double Jan1of2010 = 40179.0;
constexpr double May12of2010 = 40310.0;

// A log with what it should leave: each record, whether it carried volts, and the date it was
// read under.
struct TKnownLog {
    std::string text;
    std::vector<RawRecord> records;
    std::vector<bool> volts;
    std::vector<double> dates;
    std::size_t dateChanges = 0;  // records whose date differs from the record before
};

// Sessions crossing midnight twice, a date line repeated, a later session on another day, and the
// whole repeated (so dates also go back); records without volts, cut-short and noisy lines
// between them, CR LF and LF line ends.
TKnownLog MakeKnownLog(int repeats, int recordsPerDay)
{
    TKnownLog log;
    double date = 0.0;
    std::uint32_t n = 0;
    auto dateLine = [&](const std::string& line, double day) {
        log.text += line;
        date = day;
    };
    auto records = [&](std::uint32_t firstMs) {
        for (int i = 0; i < recordsPerDay; ++i, ++n) {
            const RawRecord raw{firstMs + static_cast<std::uint32_t>(i) * 250u, 16384u + n % 3u, 3641u - n % 2u,
                                400u + n % 97u};
            const bool volts = n % 5 != 0;
            char line[96];
            if (volts)
                std::snprintf(line, sizeof line, "%u %u %u %u", raw.milliseconds, raw.azimuthCounts, raw.altitudeCounts,
                              raw.voltsCounts);
            else
                std::snprintf(line, sizeof line, "%u %u %u", raw.milliseconds, raw.azimuthCounts, raw.altitudeCounts);
            log.text += line;
            log.text += n % 3 == 0 ? "\n" : "\r\n";
            if (n % 7 == 0)
                log.text += "86399 12\r\n";  // cut short: not a record
            if (n % 11 == 0)
                log.text += "noise \x01 line\r\n";
            if (!log.dates.empty() && std::memcmp(&log.dates.back(), &date, sizeof date) != 0)
                ++log.dateChanges;
            log.records.push_back(volts ? raw : RawRecord{raw.milliseconds, raw.azimuthCounts, raw.altitudeCounts, 0});
            log.volts.push_back(volts);
            log.dates.push_back(date);
        }
    };
    for (int r = 0; r < repeats; ++r) {
        dateLine("Opening session 30/12/2009 23:00:00 (UTC)\r\n", Dec30of2009);
        records(82800000);
        dateLine("Date changed 31/12/2009\r\n", Dec31of2009);
        records(0);
        dateLine("Date changed 31/12/2009\r\n", Dec31of2009);  // the same date again
        records(3600000);
        dateLine("Date changed 01/01/2010\r\n", Jan1of2010);
        records(0);
        dateLine("Opening session 12/05/2010 04:00:00 (UTC)\r\n", May12of2010);
        records(14400000);
    }
    return log;
}

bool SameBits(const Sample& a, const Sample& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(SampleStoreShape, ListsAreTheSamplesOfTheirRecordsAcrossDateLines)
{
    // Big enough for the sliced read on two threads (over 256 KiB), and a small one read serially.
    struct Case {
        const char* name;
        int repeats;
        int recordsPerDay;
        unsigned threads;
    };
    const Case cases[] = {
        {"small, one thread", 1, 40, 1},
        {"large, one thread", 3, 2500, 1},
        {"large, two threads", 3, 2500, 2},
        {"large, four threads", 3, 2500, 4},
    };
    TTempFolder folder;
    for (const Case& c : cases) {
        const TKnownLog log = MakeKnownLog(c.repeats, c.recordsPerDay);
        TSampleStore store;
        ASSERT_EQ(readLogFile(folder.write("known.log", log.text), store, nullptr, c.threads).status, TReadResult::Ok)
            << c.name;
        ASSERT_EQ(store.allRecords().size(), log.records.size()) << c.name;
        // One date entry per change of date, not one per record.
        EXPECT_EQ(store.dateRuns().size(), log.dateChanges + 1) << c.name;
        const std::vector<TDateTime> dates = store.allRecordDates();
        ASSERT_EQ(dates.size(), log.dates.size()) << c.name;

        const TSite site = CurrentSite();
        std::size_t v = 0;
        std::size_t wrongAll = 0, wrongVolts = 0, wrongDates = 0;
        for (std::size_t i = 0; i < log.records.size(); ++i) {
            wrongDates += dates[i] != log.dates[i] || store.recordDate(i) != log.dates[i];
            const Sample expected = deriveSample(log.records[i], 0, 0, log.dates[i], site);
            wrongAll += !SameBits(store.allSamples()[i], expected);
            if (log.volts[i]) {
                ASSERT_LT(v, store.voltageSamples().size()) << c.name;
                wrongVolts += !SameBits(store.voltageSamples()[v], expected);
                wrongVolts += std::memcmp(&store.voltageRecords()[v], &log.records[i], sizeof(RawRecord)) != 0;
                ++v;
            }
        }
        EXPECT_EQ(wrongDates, 0u) << c.name;
        EXPECT_EQ(wrongAll, 0u) << c.name;
        EXPECT_EQ(wrongVolts, 0u) << c.name;
        EXPECT_EQ(v, store.voltageSamples().size()) << c.name;
        EXPECT_EQ(store.voltageRecords().size(), v) << c.name;
        // The voltage dates are those of their records.
        const std::vector<TDateTime> voltageDates = store.voltageRecordDates();
        ASSERT_EQ(voltageDates.size(), v) << c.name;
        for (std::size_t k = 0; k < v; ++k)
            ASSERT_EQ(voltageDates[k], log.dates[store.voltageRecordIndex()[k]]) << c.name << " voltage " << k;
    }
}

// The lists of one store as plain copies, with what each list admits of samples that arrive.
struct TCopyModel {
    using Test = std::function<bool(const Sample&)>;
    struct State {
        SampleList list;
        Test member;
    };
    SampleList unzoomed;
    State current{{}, [](const Sample&) { return true; }};
    std::vector<State> history;

    static SampleList Filter(const SampleList& list, const Test& test)
    {
        SampleList kept;
        for (const Sample& s : list)
            if (test(s))
                kept.push_back(s);
        return kept;
    }
    void narrow(const Test& test)
    {
        history.push_back(current);
        const Test before = current.member;
        current = {Filter(current.list, test), [before, test](const Sample& s) { return before(s) && test(s); }};
    }
    void view(const Test& test)
    {
        history.push_back(current);
        current = {Filter(unzoomed, test), test};
    }
    void undo()
    {
        if (history.empty())
            return;
        current = history.back();
        history.pop_back();
    }
    void reset()
    {
        if (history.empty())
            return;
        current = {unzoomed, [](const Sample&) { return true; }};
        history.clear();
    }
    void arrive(const SampleList& arrived)
    {
        for (const Sample& s : arrived) {
            unzoomed.push_back(s);
            for (State& state : history)
                if (state.member(s))
                    state.list.push_back(s);
            if (current.member(s))
                current.list.push_back(s);
        }
    }
};

bool SameList(const SampleView& got, const SampleList& want)
{
    if (got.size() != want.size())
        return false;
    for (std::size_t i = 0; i < want.size(); ++i)
        if (!SameBits(got[i], want[i]))
            return false;
    return true;
}

TEST(SampleStoreShape, ZoomsViewsUndoResetAndArrivalsGiveTheListsOfPlainCopies)
{
    const TKnownLog log = MakeKnownLog(2, 150);
    TTempFolder folder;
    TSampleStore whole;
    ASSERT_EQ(readLogFile(folder.write("whole.log", log.text), whole, nullptr, 1).status, TReadResult::Ok);
    // Split the text into what is read first and lines that arrive later, a part at a time.
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < log.text.size();) {
        const std::size_t lf = log.text.find('\n', at);
        lines.push_back(log.text.substr(at, lf - at));
        at = lf + 1;
    }
    const std::size_t firstLines = lines.size() / 3;

    // Bands as fractions of each session's time of day (the dates differ, so the band is on
    // the fraction of the day: arrivals on later days fall in it too).
    auto band = [](double lo, double hi) {
        return [lo, hi](const Sample& s) {
            const double day = s[Time] - static_cast<double>(static_cast<long long>(s[Time]));
            return day >= lo && day <= hi;
        };
    };
    struct Op {
        char kind;  // n narrow, v view, u undo, r reset, a arrival of `count` lines
        double lo, hi;
        std::size_t count;
    };
    struct Case {
        const char* name;
        std::vector<Op> ops;
    };
    const Case cases[] = {
        {"narrow twice, undo, reset",
         {{'n', 0.0, 0.6, 0}, {'n', 0.1, 0.2, 0}, {'u', 0, 0, 0}, {'n', 0.05, 0.5, 0}, {'r', 0, 0, 0}}},
        {"a view widens past the zoom, undo brings the zoom back, reset the whole",
         {{'n', 0.1, 0.2, 0}, {'v', 0.0, 0.7, 0}, {'u', 0, 0, 0}, {'v', 0.5, 1.0, 0}, {'r', 0, 0, 0}}},
        // Times of day in the log: 23:00 (0.958 of a day), 00:00 (0.0), 01:00 (0.042), 04:00
        // (0.167); the second half of the file repeats the first, so later arrivals fall in every
        // band, also in a view's band outside the zoom before it.
        {"arrivals under zoom and view",
         {{'n', 0.0, 0.1, 0},
          {'a', 0, 0, 300},
          {'v', 0.03, 0.99, 0},
          {'a', 0, 0, 300},
          {'n', 0.1, 0.5, 0},
          {'a', 0, 0, 200},
          {'u', 0, 0, 0},
          {'a', 0, 0, 100},
          {'u', 0, 0, 0},
          {'a', 0, 0, 100},
          {'u', 0, 0, 0},
          {'a', 0, 0, 100},
          {'n', 0.0, 0.05, 0},
          {'r', 0, 0, 0},
          {'a', 0, 0, 100000}}},
        {"views in a row (a wheel's steps), undone through, arrivals between",
         {{'v', 0.0, 0.9, 0},
          {'v', 0.03, 0.99, 0},
          {'a', 0, 0, 300},
          {'v', 0.1, 0.99, 0},
          {'n', 0.5, 0.99, 0},
          {'v', 0.0, 0.05, 0},
          {'a', 0, 0, 400},
          {'u', 0, 0, 0},
          {'a', 0, 0, 200},
          {'u', 0, 0, 0},
          {'u', 0, 0, 0},
          {'a', 0, 0, 100},
          {'v', 0.0, 0.2, 0},
          {'u', 0, 0, 0},
          {'u', 0, 0, 0},
          {'u', 0, 0, 0},
          {'u', 0, 0, 0}}},
        {"a view first, then zooms inside it, arrivals between",
         {{'v', 0.03, 0.99, 0}, {'n', 0.5, 0.99, 0}, {'a', 0, 0, 900}, {'u', 0, 0, 0}, {'u', 0, 0, 0}, {'u', 0, 0, 0}}},
    };
    for (const Case& c : cases) {
        TSampleStore store;
        std::string first;
        for (std::size_t i = 0; i < firstLines; ++i)
            first += lines[i] + "\n";
        ASSERT_EQ(readLogFile(folder.write("first.log", first), store, nullptr, 1).status, TReadResult::Ok);
        std::size_t nextLine = firstLines;
        TCopyModel all, volts;
        all.unzoomed = all.current.list = store.allSamples().toList();
        volts.unzoomed = volts.current.list = store.voltageSamples().toList();
        std::size_t step = 0;
        for (const Op& op : c.ops) {
            const std::string where = std::string(c.name) + ", step " + std::to_string(step++);
            const TUndoHistory::SampleTest test = band(op.lo, op.hi);
            switch (op.kind) {
            case 'n': {
                std::vector<bool> keepAll, keepVolts;
                for (const Sample& s : store.allSamples())
                    keepAll.push_back(test(s));
                for (const Sample& s : store.voltageSamples())
                    keepVolts.push_back(test(s));
                store.narrowSamples(keepAll, keepVolts, test);
                all.narrow(test);
                volts.narrow(test);
                break;
            }
            case 'v': {
                // Flags over the unzoomed lists, which the model holds as copies.
                std::vector<bool> keepAll, keepVolts;
                for (const Sample& s : all.unzoomed)
                    keepAll.push_back(test(s));
                for (const Sample& s : volts.unzoomed)
                    keepVolts.push_back(test(s));
                store.viewSamples(keepAll, keepVolts, test);
                all.view(test);
                volts.view(test);
                break;
            }
            case 'u':
                EXPECT_EQ(store.undoZoom(), !all.history.empty()) << where;
                all.undo();
                volts.undo();
                break;
            case 'r':
                EXPECT_EQ(store.resetZoom(), !all.history.empty()) << where;
                all.reset();
                volts.reset();
                break;
            case 'a': {
                const std::size_t records = store.allRecords().size();
                const std::size_t voltageRecords = store.voltageRecords().size();
                for (std::size_t k = 0; k < op.count && nextLine < lines.size(); ++k, ++nextLine) {
                    std::string_view line = lines[nextLine];
                    if (!line.empty() && line.back() == '\r')
                        line.remove_suffix(1);
                    parseLogLine(line, store, false);
                }
                store.deriveArrived(records, voltageRecords, 0, 0);
                // The arrivals' samples as one read of the whole file has them.
                SampleList arrivedAll, arrivedVolts;
                for (std::size_t i = records; i < store.allRecords().size(); ++i)
                    arrivedAll.push_back(whole.allSamples()[i]);
                for (std::size_t i = voltageRecords; i < store.voltageRecords().size(); ++i)
                    arrivedVolts.push_back(whole.voltageSamples()[i]);
                all.arrive(arrivedAll);
                volts.arrive(arrivedVolts);
                break;
            }
            }
            EXPECT_EQ(store.allUndo().size(), all.history.size()) << where;
            EXPECT_EQ(store.voltageUndo().size(), volts.history.size()) << where;
            EXPECT_TRUE(SameList(store.allSamples(), all.current.list))
                << where << ": " << store.allSamples().size() << " samples against " << all.current.list.size();
            EXPECT_TRUE(SameList(store.voltageSamples(), volts.current.list))
                << where << ": " << store.voltageSamples().size() << " voltage samples against "
                << volts.current.list.size();
        }
        // The case did what its name says: the store read the whole file by the end when asked.
        if (nextLine == lines.size() && all.history.empty()) {
            EXPECT_TRUE(SameList(store.allSamples(), whole.allSamples().toList())) << c.name;
        }
    }
}

// The ends a plain pass over a list finds: first-of-equals extremes (FindAllExtremes) and the
// folded ends of the four angles, worked out here sample by sample.
struct TPlainEnds {
    std::array<ExtremeIndex, QuantityCount> extremes{};
    std::array<double, QuantityCount> foldedLo{}, foldedHi{};
};

TPlainEnds PlainEnds(const SampleView& list)
{
    TPlainEnds e;
    e.extremes = FindAllExtremes(list);
    for (const int q : {RightAscension, Declination, Beta, Lambda}) {
        const auto k = static_cast<std::size_t>(q);
        const auto fold = [](double v) { return v >= 180.0 ? v - 360.0 : v; };
        e.foldedLo[k] = e.foldedHi[k] = fold(list[0][q]);
        for (const Sample& s : list) {
            const double v = fold(s[q]);
            if (v < e.foldedLo[k])
                e.foldedLo[k] = v;
            if (v > e.foldedHi[k])
                e.foldedHi[k] = v;
        }
    }
    return e;
}

::testing::AssertionResult SameEnds(const TListEnds* got, const SampleView& list)
{
    if (got == nullptr)
        return ::testing::AssertionFailure() << "no ends";
    const TPlainEnds want = PlainEnds(list);
    for (std::size_t q = 0; q < QuantityCount; ++q) {
        const ExtremeIndex g = got->extremes()[q];
        if (g.minimum != want.extremes[q].minimum || g.maximum != want.extremes[q].maximum)
            return ::testing::AssertionFailure()
                   << QuantityCaption(static_cast<int>(q)) << ": positions " << g.minimum << ", " << g.maximum
                   << " against " << want.extremes[q].minimum << ", " << want.extremes[q].maximum;
        if (std::memcmp(&got->lo[q], &list[g.minimum].values[q], sizeof(double)) != 0 ||
            std::memcmp(&got->hi[q], &list[g.maximum].values[q], sizeof(double)) != 0)
            return ::testing::AssertionFailure() << QuantityCaption(static_cast<int>(q)) << ": values not the list's";
    }
    for (const int q : {RightAscension, Declination, Beta, Lambda}) {
        const auto k = static_cast<std::size_t>(q);
        if (std::memcmp(&got->foldedLo[k], &want.foldedLo[k], sizeof(double)) != 0 ||
            std::memcmp(&got->foldedHi[k], &want.foldedHi[k], sizeof(double)) != 0)
            return ::testing::AssertionFailure()
                   << QuantityCaption(q) << ": folded ends " << got->foldedLo[k] << ", " << got->foldedHi[k]
                   << " against " << want.foldedLo[k] << ", " << want.foldedHi[k];
    }
    return ::testing::AssertionSuccess();
}

TEST(SampleStoreShape, EndsFoundWhileDerivingAreThoseOfAPlainPass)
{
    TTempFolder folder;
    const TKnownLog log = MakeKnownLog(5, 2500);
    ASSERT_GT(log.text.size(), ProgressThresholdBytes);  // so the progress dialog shows
    const auto path = folder.write("ends.log", log.text);
    // The sliced read on several threads, one thread, and both with the progress dialog (which
    // steps behind the sliced parse).
    for (const unsigned threads : {1u, 2u, 3u}) {
        for (const bool withProgress : {false, true}) {
            TSampleStore store;
            TProgressModel progress;
            ASSERT_EQ(readLogFile(path, store, withProgress ? &progress : nullptr, threads).status, TReadResult::Ok);
            const std::string where = std::to_string(threads) + " threads" + (withProgress ? ", progress" : "");
            EXPECT_TRUE(SameEnds(store.allEnds(), store.allSamples())) << where;
            EXPECT_TRUE(SameEnds(store.voltageEnds(), store.voltageSamples())) << where;

            // Refresh with corrections derives everything again, ends included.
            store.azimuthCorrection = 100;
            store.loggedAzimuthCorrection = -3000;
            store.rebuildSamples(threads);
            EXPECT_TRUE(SameEnds(store.allEnds(), store.allSamples())) << where << ", refreshed";
            EXPECT_TRUE(SameEnds(store.voltageEnds(), store.voltageSamples())) << where << ", refreshed";

            // A zoom has no ends of its own; its undo finds them again.
            std::vector<bool> keepAll(store.allSamples().size(), true), keepVolts(store.voltageSamples().size(), false);
            keepAll[0] = false;
            store.narrowSamples(keepAll, keepVolts);
            EXPECT_EQ(store.allEnds(), nullptr) << where;
            EXPECT_EQ(store.voltageEnds(), nullptr) << where;
            ASSERT_TRUE(store.undoZoom());
            EXPECT_TRUE(SameEnds(store.allEnds(), store.allSamples())) << where << ", undone";
        }
    }
}

TEST(SampleStoreShape, EndsOfPartsJoinToThoseOfOnePass)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Values of every quantity at once (the angles of 359 and 1 fold to -1 and 1).
    struct Case {
        const char* name;
        std::vector<double> values;
    };
    const Case cases[] = {
        {"equal values across a cut keep the first", {5, 3, 7, 3, 7, 3}},
        {"a NaN first sample is never replaced", {nan, 1, 2, 0}},
        {"a NaN later is passed over", {4, nan, 2, nan, 9}},
        {"angles across 0 and 180", {359, 1, 180, 179.5, 200, 0}},
        {"infinities", {1, std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}},
        {"one sample", {42}},
        {"zeros of both signs keep the first", {1, 0.0, -0.0, 0.0, -1, -0.0}},
        {"an end reached twice in a row", {2, 8, 8, 1, 1, 8}},
    };
    // Each quantity its own values (so that a mixed-up quantity shows), from one base value: the
    // angles' share folds across 0 for some bases and not for others.
    const auto sampleOf = [](double v) {
        Sample s;
        for (std::size_t q = 0; q < QuantityCount; ++q)
            s.values[q] = std::isnan(v) ? v : v * static_cast<double>(q % 3 == 0 ? 1 : -1) + 37.0 * q;
        return s;
    };
    for (const Case& c : cases) {
        SampleList list;
        for (const double v : c.values) {
            Sample s;
            s.values.fill(v);
            list.push_back(s);
        }
        // Every way of cutting the list into three parts, empty parts included.
        SampleList spread;
        for (const double v : c.values)
            spread.push_back(sampleOf(v));
        // Every way of cutting the list into three parts, empty parts included; each part taken
        // in sample by sample, and as a block.
        for (const SampleList* each : {&list, &spread}) {
            const SampleList& l = *each;
            for (std::size_t a = 0; a <= l.size(); ++a) {
                for (std::size_t b = a; b <= l.size(); ++b) {
                    TListEnds ends = TListEnds::StartingWith(l[0]);
                    TListEnds blocks = TListEnds::StartingWith(l[0]);
                    for (const auto& [lo, hi] : {std::pair{std::size_t{0}, a}, {a, b}, {b, l.size()}}) {
                        TListEnds part = TListEnds::Empty();
                        for (std::size_t i = lo; i < hi; ++i)
                            part.add(l[i], i);
                        ends.join(part);
                        TListEnds blockPart = TListEnds::Empty();
                        blockPart.addBlock([&](std::size_t k) -> const Sample& { return l[lo + k]; }, hi - lo, lo);
                        blocks.join(blockPart);
                    }
                    const std::string where = std::string(c.name) + (each == &spread ? ", spread" : "") +
                                              ", cut at " + std::to_string(a) + " and " + std::to_string(b);
                    EXPECT_TRUE(SameEnds(&ends, l)) << where;
                    EXPECT_TRUE(SameEnds(&blocks, l)) << where << ", in blocks";
                }
            }
        }
    }
}

TEST(SlicedReadProgress, StepsAreThoseOfTheOneThreadRead)
{
    // The one-thread read steps the dialog line by line in file order; the read in slices must
    // show the same steps with the same texts, and stop where it stops.
    const TKnownLog known = MakeKnownLog(5, 2500);
    std::string invalidLate = known.text;
    invalidLate.insert(invalidLate.find('\n', invalidLate.size() * 3 / 4) + 1, "Date changed 31/02/2010\r\n");
    std::string longLine = known.text;
    longLine.insert(longLine.find('\n', longLine.size() / 3) + 1, std::string(MaxLogLineBytes + 10, 'x') + "\r\n");
    std::string noLastLf = known.text + "123 456 789 1011";
    struct Case {
        const char* name;
        const std::string* text;
        TReadResult::Status status;
    };
    const Case cases[] = {
        {"CR LF and LF lines, noise", &known.text, TReadResult::Ok},
        {"an invalid date three quarters in", &invalidLate, TReadResult::InvalidDate},
        {"a line over the length cap", &longLine, TReadResult::Ok},
        {"a last line without LF", &noLastLf, TReadResult::Ok},
    };
    TTempFolder folder;
    for (const Case& c : cases) {
        const auto path = folder.write("progress.log", *c.text);
        std::vector<std::string> reference;
        std::uint64_t referenceLine = 0;
        std::size_t referenceRecords = 0;
        for (const unsigned threads : {1u, 2u, 3u}) {
            TProgressModel progress;
            std::vector<std::string> steps;
            progress.onStep = [&](const std::string& bytes, const std::string& percent, int position) {
                steps.push_back(bytes + " | " + percent + " | " + std::to_string(position));
            };
            TSampleStore store;
            const TReadResult result = readLogFile(path, store, &progress, threads);
            ASSERT_EQ(result.status, c.status) << c.name << ", " << threads << " threads";
            ASSERT_TRUE(progress.shown) << c.name;
            if (threads == 1) {
                reference = steps;
                referenceLine = result.line;
                referenceRecords = store.allRecords().size();
                EXPECT_GT(reference.size(), 50u) << c.name;
                continue;
            }
            EXPECT_EQ(steps, reference) << c.name << ", " << threads << " threads";
            EXPECT_EQ(result.line, referenceLine) << c.name << ", " << threads << " threads";
            EXPECT_EQ(store.allRecords().size(), referenceRecords) << c.name << ", " << threads << " threads";
            EXPECT_GE(progress.recordsRead, referenceRecords) << c.name << ", " << threads << " threads";
        }
    }
}

TEST(SampleView, BehavesAsARandomAccessListOfItsBase)
{
    SampleList base(6);
    for (std::size_t i = 0; i < base.size(); ++i)
        base[i][Time] = 10.0 * static_cast<double>(i);
    const SampleIndexList places = {1, 3, 4};

    struct Case {
        const char* name;
        SampleView view;
        std::vector<double> times;
    };
    const Case cases[] = {
        {"a whole list, converted", base, {0, 10, 20, 30, 40, 50}},
        {"the first entries", SampleView(base.data(), 2), {0, 10}},
        {"places", SampleView(base.data(), places.data(), places.size()), {10, 30, 40}},
        {"empty", SampleView(), {}},
    };
    for (const Case& c : cases) {
        const SampleView& v = c.view;
        ASSERT_EQ(v.size(), c.times.size()) << c.name;
        EXPECT_EQ(v.empty(), c.times.empty()) << c.name;
        std::vector<double> forward, backward, indexed;
        for (const Sample& s : v)
            forward.push_back(s[Time]);
        for (auto it = v.end(); it != v.begin();)
            backward.push_back((*--it)[Time]);
        for (std::size_t i = 0; i < v.size(); ++i)
            indexed.push_back(v[i][Time]);
        std::reverse(backward.begin(), backward.end());
        EXPECT_EQ(forward, c.times) << c.name;
        EXPECT_EQ(backward, c.times) << c.name;
        EXPECT_EQ(indexed, c.times) << c.name;
        EXPECT_EQ(v.end() - v.begin(), static_cast<std::ptrdiff_t>(c.times.size())) << c.name;
        if (!v.empty()) {
            EXPECT_EQ(v.front()[Time], c.times.front()) << c.name;
            EXPECT_EQ(v.back()[Time], c.times.back()) << c.name;
            // A sorted view found by binary search, as the read-out does.
            const auto at = std::lower_bound(v.begin(), v.end(), c.times.back(),
                                             [](const Sample& s, double t) { return s[Time] < t; });
            EXPECT_EQ(at - v.begin(), static_cast<std::ptrdiff_t>(c.times.size() - 1)) << c.name;
            EXPECT_EQ(v.begin()[1 % v.size()][Time], c.times[1 % c.times.size()]) << c.name;
        }
        EXPECT_TRUE(v.sameAs(c.view)) << c.name;
    }
    EXPECT_FALSE(SampleView(base).sameAs(SampleView(base.data(), 2)));
}

}  // namespace
}  // namespace driftline
