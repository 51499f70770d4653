// Following a growing log: whatever the chunks the writer's bytes arrive in, the store after each
// look equals one read of the text up to its last LF, and the store at the end equals one read of
// the finished file; truncation, replacement, deletion and a late invalid date.
#include "logdata/Logfollower.h"
#include "logdata/Logreader.h"
#include "logdata/Logsimulator.h"
#include "session/Logsession.h"

#include "Logtestfiles.h"
#include "Samplebytes.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace driftline {
namespace {

using driftline::testing::TTempFolder;

// Two sessions; the first crosses midnight with a "Date changed" line. Between the records: a
// record cut short by a crash (two fields), a line with a tab, a lone CR inside a line, a line of
// noise, empty lines, LF-only line ends, a receiver line that also says "Date", and the second
// session's own corrections and receiver values.
std::string DamagedTwoSessionLog()
{
    TSimulateOptions first;
    first.records = 150;
    first.hour = 23;
    first.minute = 58;
    first.second = 0;
    first.malformedEvery = 40;
    first.noVoltsEvery = 7;
    TSimulateOptions second = first;
    second.records = 60;
    second.day = 13;
    second.hour = 4;
    second.azimuthCorrection = -20;
    second.altitudeCorrection = 9;
    second.seed = 7;
    std::string text = SimulateLog(first);
    text += "75987000 16384\r\n";             // cut short: ignored
    text += "75988000\t16384 3641 1000\r\n";  // a tab: not a record
    text += "75989000 16384\r3641 1000\r\n";  // a CR inside: not a record
    text += "\x01\xfe garbage\r\n\r\n\n";
    text += "*Rec* Date 1\r\n";  // tested as a date line; no "/": no date
    text += SimulateLog(second);
    // LF-only ends on the tail of the second session.
    text += "86000 16385 3642 1100\n86001 16385 3642\n86002 16386 3643 1101\n";
    return text;
}

// Field by field, bit for bit, in order.
void ExpectSameStore(const TSampleStore& got, const TSampleStore& want, const std::string& where)
{
    auto sameBytes = [](const auto& a, const auto& b) {
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (std::memcmp(&a[i], &b[i], sizeof(a[0])) != 0)
                return false;
        return true;
    };
    EXPECT_EQ(got.allRecords().size(), want.allRecords().size()) << where;
    EXPECT_TRUE(sameBytes(got.allRecords(), want.allRecords())) << where;
    EXPECT_TRUE(sameBytes(got.voltageRecords(), want.voltageRecords())) << where;
    EXPECT_TRUE(sameBytes(got.allRecordDates(), want.allRecordDates())) << where;
    EXPECT_TRUE(sameBytes(got.voltageRecordDates(), want.voltageRecordDates())) << where;
    EXPECT_EQ(got.allSamples().size(), want.allSamples().size()) << where;
    EXPECT_TRUE(sameBytes(got.allSamples(), want.allSamples())) << where;
    EXPECT_TRUE(sameBytes(got.voltageSamples(), want.voltageSamples())) << where;
    EXPECT_EQ(std::memcmp(&got.logDate, &want.logDate, sizeof got.logDate), 0) << where;
    EXPECT_EQ(got.loggedAzimuthCorrection, want.loggedAzimuthCorrection) << where;
    EXPECT_EQ(got.loggedAltitudeCorrection, want.loggedAltitudeCorrection) << where;
    EXPECT_EQ(got.azimuthCorrection, want.azimuthCorrection) << where;
    EXPECT_EQ(got.receiverValues, want.receiverValues) << where;
}

// One read of the complete lines of text (up to and including its last LF), from logDate 0.
TSampleStore ReadOfCompleteLines(const TTempFolder& folder, const std::string& text)
{
    const std::size_t lastLf = text.rfind('\n');
    const std::string complete = lastLf == std::string::npos ? std::string() : text.substr(0, lastLf + 1);
    TSampleStore store;
    readLogFile(folder.write("reference.log", complete), store, nullptr, 1);
    return store;
}

void Append(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TEST(LogFollower, AnyChunkingGivesTheListsOfOneRead)
{
    const std::string log = DamagedTwoSessionLog();
    ASSERT_NE(log.find("Date changed"), std::string::npos);  // the first session crosses midnight
    TTempFolder folder;
    const TSampleStore whole = ReadOfCompleteLines(folder, log);
    ASSERT_GT(whole.allRecords().size(), 200u);
    ASSERT_LT(whole.voltageRecords().size(), whole.allRecords().size());

    // Cut points: random ones, a cut right after every CR (the LF comes in the next chunk), a cut
    // in the middle of every line, and everything in one piece.
    struct Chunking {
        const char* name;
        unsigned seed;      // random cuts when not 0
        bool afterEveryCr;  // cut between every CR and its LF
        bool midLine;       // cut in the middle of every line
    };
    const Chunking chunkings[] = {
        {"random 1", 1, false, false},         {"random 2", 2, false, false}, {"random 3", 3, false, false},
        {"between CR and LF", 0, true, false}, {"mid line", 0, false, true},  {"one piece", 0, false, false},
    };
    for (const auto& c : chunkings) {
        std::vector<std::size_t> cuts;
        if (c.seed != 0) {
            std::mt19937 random(c.seed);
            std::uniform_int_distribution<std::size_t> length(1, 90);
            for (std::size_t at = length(random); at < log.size(); at += length(random))
                cuts.push_back(at);
        }
        for (std::size_t i = 0; i < log.size(); ++i) {
            if (c.afterEveryCr && log[i] == '\r')
                cuts.push_back(i + 1);
            if (c.midLine && log[i] == '\n' && i + 4 < log.size())
                cuts.push_back(i + 4);
        }
        cuts.push_back(log.size());
        std::sort(cuts.begin(), cuts.end());

        // The follower starts on the first chunk; the first cut leaves a partial header line.
        const auto path = folder.write("grow.log", log.substr(0, cuts.front()));
        TSampleStore store;
        TLogFollower follower(store);
        ASSERT_EQ(follower.open(path).status, TReadResult::Ok) << c.name;
        std::size_t written = cuts.front();
        for (std::size_t k = 1; k < cuts.size(); ++k) {
            Append(path, log.substr(written, cuts[k] - written));
            written = cuts[k];
            const TFollowStep step = follower.poll();
            ASSERT_FALSE(step.ended()) << c.name << " at byte " << written << ": " << step.message;
            // Never a line before its LF: the store is one read of the complete lines so far.
            if (k % 25 == 0 || k + 1 == cuts.size())
                ExpectSameStore(store, ReadOfCompleteLines(folder, log.substr(0, written)),
                                std::string(c.name) + " at byte " + std::to_string(written));
        }
        ExpectSameStore(store, whole, std::string(c.name) + " at the end");
        EXPECT_EQ(follower.heldBytes(), 0u) << c.name;
        EXPECT_EQ(follower.offset(), log.size()) << c.name;
    }
}

TEST(LogFollower, HalfWrittenRecordWaitsForItsLineEnd)
{
    // The last line "75987000 16384 36" would be read as a record at altitude 0.40 degrees.
    struct Case {
        const char* name;
        std::string tail;           // appended after the first record
        std::size_t recordsBefore;  // records once the tail is there
        std::string rest;           // then appended
        std::uint32_t lastAltitude;
    };
    const Case cases[] = {
        {"digits cut", "75987000 16384 36", 1, "41 1024\r\n", 3641},
        {"CR without LF", "75987000 16384 3641 1024\r", 1, "\n", 3641},
        {"LF only", "75987000 16384 3641", 1, "\n", 3641},
    };
    TTempFolder folder;
    for (const auto& c : cases) {
        const auto path = folder.write("half.log", "Opening session 12/05/2010 21:00:00 (UTC)\r\n1 2 3 4\r\n");
        TSampleStore store;
        TLogFollower follower(store);
        ASSERT_EQ(follower.open(path).status, TReadResult::Ok);
        Append(path, c.tail);
        EXPECT_EQ(follower.poll().status, TFollowStep::Idle) << c.name;
        EXPECT_EQ(store.allRecords().size(), c.recordsBefore) << c.name;
        EXPECT_EQ(follower.heldBytes(), c.tail.size()) << c.name;
        Append(path, c.rest);
        const TFollowStep step = follower.poll();
        EXPECT_EQ(step.status, TFollowStep::Grew) << c.name;
        EXPECT_EQ(step.newRecords, 1u) << c.name;
        ASSERT_EQ(store.allRecords().size(), 2u) << c.name;
        EXPECT_EQ(store.allRecords().back().altitudeCounts, c.lastAltitude) << c.name;
        EXPECT_EQ(store.allSamples().size(), 2u) << c.name;
    }
}

TEST(LogFollower, ShrinkReplacementAndDeletion)
{
    const std::string before = "Opening session 12/05/2010 21:00:00 (UTC)\r\n1 2 3 4\r\n5 6 7 8\r\n9 10 11 12\r\n";
    const std::string after = "Opening session 14/05/2010 01:00:00 (UTC)\r\n100 200 300\r\n";
    struct Case {
        const char* name;
        int change;  // 0 truncate and rewrite shorter, 1 rename another file over it, 2 delete
        TFollowStep::Status expected;
    };
    const Case cases[] = {
        {"shrink", 0, TFollowStep::Restarted},
        {"replace", 1, TFollowStep::Restarted},
        {"delete", 2, TFollowStep::Deleted},
    };
    TTempFolder folder;
    for (const auto& c : cases) {
        const auto path = folder.write("night.log", before);
        TSampleStore store;
        TLogFollower::Options options;
        options.deleteGraceMs = 0;
        TLogFollower follower(store, options);
        ASSERT_EQ(follower.open(path).status, TReadResult::Ok) << c.name;
        ASSERT_EQ(store.allRecords().size(), 3u) << c.name;
        std::string final = after;
        if (c.change == 0) {
            folder.write("night.log", after);  // truncates in place: same file, fewer bytes
        } else if (c.change == 1) {
            // Longer than what was read, so only the new inode tells it is another file.
            final = after + "101 201 301 5\r\n102 202 302 6\r\n103 203 303\r\n104 204 304\r\n";
            std::filesystem::rename(folder.write("new.tmp", final), path);
        } else {
            Append(path, "13 14 15 16\r\n");  // written just before the file went
            std::filesystem::remove(path);
        }
        const TFollowStep step = follower.poll();
        EXPECT_EQ(step.status, c.expected) << c.name;
        if (c.change == 2) {
            EXPECT_FALSE(follower.following()) << c.name;
            EXPECT_NE(step.message.find("night.log"), std::string::npos) << step.message;
            EXPECT_NE(step.message.find("deleted"), std::string::npos) << step.message;
            ASSERT_EQ(store.allRecords().size(), 4u) << c.name;  // the data stay, the last line too
            EXPECT_EQ(store.allSamples().size(), 4u) << c.name;
            EXPECT_EQ(store.allRecords().back().voltsCounts, 16u) << c.name;
        } else {
            EXPECT_TRUE(follower.following()) << c.name;
            ExpectSameStore(store, ReadOfCompleteLines(folder, final), c.name);
            // And it goes on following the new content.
            Append(path, "105 205 305 7\r\n");
            EXPECT_EQ(follower.poll().status, TFollowStep::Grew) << c.name;
            ExpectSameStore(store, ReadOfCompleteLines(folder, final + "105 205 305 7\r\n"), c.name);
        }
    }
}

TEST(LogFollower, DeletionWaitsForTheGraceBeforeEnding)
{
    TTempFolder folder;
    const auto path = folder.write("gone.log", "1 2 3 4\r\n");
    TSampleStore store;
    TLogFollower::Options options;
    options.deleteGraceMs = 60000;  // longer than this test: the first look must not end it
    TLogFollower follower(store, options);
    ASSERT_EQ(follower.open(path).status, TReadResult::Ok);
    std::filesystem::remove(path);
    EXPECT_EQ(follower.poll().status, TFollowStep::Idle);
    EXPECT_TRUE(follower.following());
    EXPECT_EQ(follower.timeoutMs(), 60000);
    // The writer creates it again: a new file, read from the start.
    folder.write("gone.log", "5 6 7 8\r\n9 10 11 12\r\n");
    EXPECT_EQ(follower.poll().status, TFollowStep::Restarted);
    EXPECT_EQ(store.allRecords().size(), 2u);
}

TEST(LogFollower, InvalidDateArrivingLateStopsAtThatLine)
{
    const std::string start = "Opening session 12/05/2010 21:00:00 (UTC)\r\n1 2 3 4\r\n";
    const std::string late = "5 6 7 8\r\nDate changed 31/02/2010\r\n9 10 11 12\r\n";
    TTempFolder folder;
    const auto path = folder.write("late.log", start);
    TSampleStore store;
    TLogFollower follower(store);
    ASSERT_EQ(follower.open(path).status, TReadResult::Ok);
    Append(path, late);
    const TFollowStep step = follower.poll();
    EXPECT_EQ(step.status, TFollowStep::InvalidDate);
    EXPECT_EQ(step.message, "Invalid argument to date encode");
    EXPECT_EQ(step.line, 4u);  // header, two records, then the date line
    EXPECT_FALSE(follower.following());
    // As one read of the whole file: it stops at the same line with the same lists.
    TSampleStore whole;
    const TReadResult read = readLogFile(folder.write("whole.log", start + late), whole, nullptr, 1);
    EXPECT_EQ(read.status, TReadResult::InvalidDate);
    EXPECT_EQ(read.line, step.line);
    ExpectSameStore(store, whole, "late invalid date");
    // Nothing more is taken.
    Append(path, "13 14 15 16\r\n");
    EXPECT_EQ(follower.poll().status, TFollowStep::Idle);
    EXPECT_EQ(store.allRecords().size(), 2u);
}

TEST(LogFollower, OverlongLineIsSkippedAsTheReadSkipsIt)
{
    // A record padded with 5 MiB of blanks (over the 4 MiB a line may have) between two records,
    // then a date line that is no date: the read skips the long line (taken whole it would be a
    // record) but counts it, and stops at line 5.
    const std::string start = "Opening session 12/05/2010 21:00:00 (UTC)\r\n1 2 3 4\r\n";
    const std::string noise = "100 200 300 400" + std::string(5u << 20, ' ');
    const std::string rest = "5 6 7 8\r\nDate changed 31/02/2010\r\n9 10 11 12\r\n";
    TTempFolder folder;
    const auto path = folder.write("long.log", start);
    TSampleStore store;
    TLogFollower follower(store);
    ASSERT_EQ(follower.open(path).status, TReadResult::Ok);
    for (std::size_t at = 0; at < noise.size(); at += 1u << 20) {
        Append(path, noise.substr(at, 1u << 20));
        EXPECT_EQ(follower.poll().status, TFollowStep::Idle);
    }
    Append(path, "\r\n" + rest);
    const TFollowStep step = follower.poll();
    EXPECT_EQ(step.status, TFollowStep::InvalidDate);
    TSampleStore whole;
    const TReadResult read = readLogFile(folder.write("whole.log", start + noise + "\r\n" + rest), whole, nullptr, 1);
    ASSERT_EQ(read.status, TReadResult::InvalidDate);
    EXPECT_EQ(step.line, read.line);
    EXPECT_EQ(step.line, 5u);
    ExpectSameStore(store, whole, "over-long line");
    EXPECT_EQ(store.allRecords().size(), 2u);
}

TEST(LogFollower, OpenRefusesWhatAReadRefuses)
{
    TTempFolder folder;
    struct Case {
        const char* name;
        std::filesystem::path path;
    };
    const auto fifo = folder.path() / "fifo.log";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const Case cases[] = {{"missing", folder.path() / "none.log"}, {"folder", folder.path()}, {"fifo", fifo}};
    for (const auto& c : cases) {
        TSampleStore store;
        store.appendRecord({1, 2, 3, 4}, true);
        TLogFollower follower(store);
        EXPECT_EQ(follower.open(c.path).status, TReadResult::OpenFailed) << c.name;
        EXPECT_FALSE(follower.following()) << c.name;
        EXPECT_EQ(store.allRecords().size(), 1u) << c.name;  // nothing cleared
        EXPECT_EQ(follower.poll().status, TFollowStep::Idle) << c.name;
    }
}

TEST(LogFollower, WakesOnGrowthAndFallsBackToTheClock)
{
    TTempFolder folder;
    const auto path = folder.write("wake.log", "1 2 3 4\r\n");
    {
        TSampleStore store;
        TLogFollower follower(store);
        ASSERT_EQ(follower.open(path).status, TReadResult::Ok);
        ASSERT_TRUE(follower.usesNotify());  // a local temporary folder
        EXPECT_EQ(follower.timeoutMs(), -1);
        pollfd idle{follower.notifyFd(), POLLIN, 0};
        EXPECT_EQ(::poll(&idle, 1, 0), 0);  // nothing written: nothing to wake for
        Append(path, "5 6 7 8\r\n");
        pollfd woken{follower.notifyFd(), POLLIN, 0};
        EXPECT_EQ(::poll(&woken, 1, 5000), 1);
        EXPECT_EQ(follower.poll().newRecords, 1u);
        pollfd drained{follower.notifyFd(), POLLIN, 0};
        EXPECT_EQ(::poll(&drained, 1, 0), 0);  // poll() took the events
    }
    {
        TSampleStore store;
        TLogFollower::Options options;
        options.forceStatPolling = true;
        TLogFollower follower(store, options);
        ASSERT_EQ(follower.open(path).status, TReadResult::Ok);
        EXPECT_FALSE(follower.usesNotify());
        EXPECT_EQ(follower.notifyFd(), -1);
        EXPECT_EQ(follower.timeoutMs(), 500);
        Append(path, "9 10 11 12\r\n");
        EXPECT_EQ(follower.poll().newRecords, 1u);
        EXPECT_EQ(store.allRecords().size(), 3u);
    }
}

// Zoom histories and arrivals: a list zoomed twice takes exactly the arrived samples both bands
// keep; Undo and Reset give back the earlier lists with the arrivals each of them keeps.
TEST(LogFollower, ArrivalsAfterZoomsFollowEveryBand)
{
    auto sample = [](double volts) {
        Sample s;
        s[Volts] = volts;
        return s;
    };
    auto volts = [](const SampleList& list) {
        std::vector<double> v;
        for (const Sample& s : list)
            v.push_back(s[Volts]);
        return v;
    };
    // Bands: zoom 1 keeps volts above 2, zoom 2 keeps volts below 6.
    const TUndoHistory::SampleTest above2 = [](const Sample& s) { return s[Volts] > 2; };
    const TUndoHistory::SampleTest below6 = [](const Sample& s) { return s[Volts] < 6; };
    auto keepOf = [](const SampleList& list, const TUndoHistory::SampleTest& test) {
        std::vector<bool> keep;
        for (const Sample& s : list)
            keep.push_back(test(s));
        return keep;
    };
    SampleList list = {sample(1), sample(3), sample(5), sample(7)};
    TUndoHistory history;
    history.recordZoom(list, keepOf(list, above2), above2);
    history.recordZoom(list, keepOf(list, below6), below6);
    ASSERT_EQ(volts(list), (std::vector<double>{3, 5}));

    history.appendArrived(list, {sample(0), sample(4), sample(8), sample(2.5)});
    EXPECT_EQ(volts(list), (std::vector<double>{3, 5, 4, 2.5}));
    EXPECT_EQ(volts(history.at(1)), (std::vector<double>{3, 5, 7, 4, 8, 2.5}));

    // A third arrival after one Undo: only the first band applies now.
    list = history.takeBack();
    history.appendArrived(list, {sample(9), sample(1.5)});
    EXPECT_EQ(volts(list), (std::vector<double>{3, 5, 7, 4, 8, 2.5, 9}));
    list = history.takeFront();
    EXPECT_EQ(volts(list), (std::vector<double>{1, 3, 5, 7, 0, 4, 8, 2.5, 9, 1.5}));
    EXPECT_TRUE(history.empty());
}

// A followed log after a zoom: the unzoomed list (Reset) ends equal to one read of the file.
TEST(LogFollower, ResetAfterFollowingAZoomedLogGivesTheWholeRead)
{
    const std::string log = DamagedTwoSessionLog();
    const std::size_t half = log.find('\n', log.size() / 2) + 1;
    TTempFolder folder;
    const auto path = folder.write("zoomed.log", log.substr(0, half));
    TSampleStore store;
    TLogFollower follower(store);
    ASSERT_EQ(follower.open(path).status, TReadResult::Ok);
    // Keep the samples of the first 60 % of the time range read so far.
    const double cut = store.allSamples().front()[Time] +
                       0.6 * (store.allSamples().back()[Time] - store.allSamples().front()[Time]);
    const TUndoHistory::SampleTest early = [cut](const Sample& s) { return s[Time] <= cut; };
    std::vector<bool> keepAll, keepVolts;
    for (const Sample& s : store.allSamples())
        keepAll.push_back(early(s));
    for (const Sample& s : store.voltageSamples())
        keepVolts.push_back(early(s));
    store.narrowSamples(keepAll, keepVolts, early);
    const std::size_t zoomedCount = store.allSamples().size();

    Append(path, log.substr(half));
    ASSERT_EQ(follower.poll().status, TFollowStep::Grew);
    // Every later sample lies after the cut (the log's time only grows within a session, and the
    // second session starts on the next day): the zoomed list gains none.
    EXPECT_EQ(store.allSamples().size(), zoomedCount);
    ASSERT_TRUE(store.resetZoom());
    ExpectSameStore(store, ReadOfCompleteLines(folder, log), "reset after following");
}

}  // namespace
}  // namespace driftline

namespace driftline {
namespace {

// The samples of list whose pixel on the view as it stood before a zoom lies in rect: what that
// zoom keeps, worked out from one read of the whole file instead of zoom and arrivals.
SampleList KeptBy(const SampleView& list, const TPlotView& view, const PlotRect& rect)
{
    SampleList kept;
    for (const Sample& s : list) {
        const PlotPoint p = view.samplePixel(s, view.horizontalQuantity, view.verticalQuantity, false);
        if (rect.left <= p.x && p.x <= rect.right && rect.top <= p.y && p.y <= rect.bottom)
            kept.push_back(s);
    }
    return kept;
}

// A followed session zoomed by a band of columns, of rows or by a box (and a second zoom on top):
// the samples that arrive afterwards land in the list as it stands and in every undo step exactly
// where those zooms put them, and reset gives one read of the finished file.
TEST(LogFollower, SessionZoomsOfEveryKindTakeTheArrivalsInsideThem)
{
    const std::string log = DamagedTwoSessionLog();
    const std::size_t half = log.find('\n', log.size() / 3) + 1;
    struct Case {
        const char* name;
        ZoomBand first;
        std::optional<ZoomBand> second;
    };
    // The default control's area runs from (40, 40) to (560, 410).
    const Case cases[] = {
        {"columns", {150, 450, ZoomKind::Columns}, std::nullopt},
        {"rows", {0, 0, ZoomKind::Rows, 120, 330}, std::nullopt},
        {"box", {100, 500, ZoomKind::Box, 80, 380}, std::nullopt},
        {"box then rows", {100, 500, ZoomKind::Box, 80, 380}, ZoomBand{0, 0, ZoomKind::Rows, 200, 410}},
    };
    for (const auto& c : cases) {
        TTempFolder folder;
        const auto path = folder.write("zoomed.log", log.substr(0, half));
        TLogSession session;
        session.setAxes(Azimuth, Altitude);
        ASSERT_EQ(session.readFollowed(path).status, TReadResult::Ok) << c.name;
        ASSERT_TRUE(session.following()) << c.name;
        const std::size_t readCount = session.store().allSamples().size();
        const TPlotView beforeFirst = session.view();
        session.zoomToBand(c.first);
        const TPlotView beforeSecond = session.view();
        if (c.second)
            session.zoomToBand(*c.second);
        const std::size_t zoomedCount = session.store().allSamples().size();

        Append(path, log.substr(half));
        ASSERT_EQ(session.takeArrived().status, TFollowStep::Grew) << c.name;
        const TSampleStore whole = ReadOfCompleteLines(folder, log);
        SampleList all = KeptBy(whole.allSamples(), beforeFirst, c.first.rect(beforeFirst.Area));
        SampleList volts = KeptBy(whole.voltageSamples(), beforeFirst, c.first.rect(beforeFirst.Area));
        if (c.second) {
            all = KeptBy(all, beforeSecond, c.second->rect(beforeSecond.Area));
            volts = KeptBy(volts, beforeSecond, c.second->rect(beforeSecond.Area));
        }
        // The case is worth its name only when some arrivals are kept and some are not.
        EXPECT_GT(all.size(), zoomedCount) << c.name;
        EXPECT_LT(all.size() - zoomedCount, whole.allSamples().size() - readCount) << c.name;
        EXPECT_TRUE(testing::SameSampleBytes(session.store().allSamples(), all)) << c.name;
        EXPECT_TRUE(testing::SameSampleBytes(session.store().voltageSamples(), volts)) << c.name;
        if (c.second) {
            ASSERT_TRUE(session.undo()) << c.name;
            EXPECT_TRUE(testing::SameSampleBytes(session.store().allSamples(),
                                        KeptBy(whole.allSamples(), beforeFirst, c.first.rect(beforeFirst.Area))))
                << c.name;
        }
        ASSERT_TRUE(session.reset()) << c.name;
        ExpectSameStore(session.store(), whole, std::string("reset after ") + c.name);
    }
}

}  // namespace
}  // namespace driftline
