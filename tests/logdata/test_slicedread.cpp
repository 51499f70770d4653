// The parallel parse against the serial read: the same store, bit for bit, however the file is
// cut into slices, on logs damaged in every way the line rules know.
#include "logdata/Logreader.h"
#include "logdata/Logsimulator.h"

#include "Logtestfiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace driftline {
namespace {

using driftline::testing::TTempFolder;

// Sessions of simulated records glued together, with damage spliced in between lines: noise,
// blank and CR-only lines, malformed and over-long records, repeated session headers and date
// lines (so records of several days sit in different slices), corrections and receiver lines
// that change late in the file (an empty value too), NULs, and no line end on the last line.
std::string DamagedLog(unsigned seed, std::size_t invalidDateAtLine = 0)
{
    std::mt19937 random(seed);
    std::string text;
    for (int session = 0; session < 3; ++session) {
        TSimulateOptions options;
        options.records = 15000;
        options.seed = seed + static_cast<unsigned>(session);
        options.day = 12 + 3 * session;
        options.hour = 22;  // every session crosses a midnight
        options.intervalMs = 250 + 250 * static_cast<unsigned>(session);
        options.noVoltsEvery = 7;
        options.malformedEvery = 300;
        options.azimuthCorrection = 12 + session;
        text += SimulateLog(options);
    }
    const std::vector<std::string> damage = {
        "",
        "\r",
        "   ",
        "garbage line",
        std::string("\0\0\0", 3),
        "1 2",
        "99999999999 1 2 3",
        "1 2 3 4 5",
        "Date changed 14/05/2010",
        "Opening session 20/06/2011 00:00:01 (UTC)",
        "Opening session (UTC)",
        "Azimuth correction -77",
        "Altitude correction 2147483647",
        "*Rec* DC Gain ",
        "*Rec* IF Gain 3 x10",
        "- 1 - 2 - 3",
        "4294967295 4294967295 4294967295 4294967295",
        "Date changed",
        "\xff\xfe 1 2 3",
    };
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    std::size_t pos = 0;
    std::size_t lines = 0;
    while (pos < text.size()) {
        std::size_t lf = text.find('\n', pos);
        if (lf == std::string::npos)
            lf = text.size() - 1;
        out.append(text, pos, lf + 1 - pos);
        pos = lf + 1;
        if (++lines % 37 == 0) {
            out += damage[random() % damage.size()];
            out += random() % 2 ? "\r\n" : "\n";
        }
        if (invalidDateAtLine != 0 && lines == invalidDateAtLine)
            out += "Date changed 31/02/2010\r\n";  // no such day: the read stops here
    }
    out += "123 456 789 1011";  // a last record without a line end
    return out;
}

void ExpectSameStore(const TSampleStore& a, const TSampleStore& b, const std::string& what)
{
    ASSERT_EQ(a.allRecords().size(), b.allRecords().size()) << what;
    ASSERT_EQ(a.voltageRecords().size(), b.voltageRecords().size()) << what;
    ASSERT_EQ(a.allSamples().size(), b.allSamples().size()) << what;
    ASSERT_EQ(a.voltageSamples().size(), b.voltageSamples().size()) << what;
    const auto same = [](const auto& x, const auto& y) {
        for (std::size_t i = 0; i < x.size(); ++i)
            if (std::memcmp(&x[i], &y[i], sizeof(x[0])) != 0)
                return false;
        return true;
    };
    EXPECT_TRUE(same(a.allRecords(), b.allRecords())) << what;
    EXPECT_TRUE(same(a.voltageRecords(), b.voltageRecords())) << what;
    EXPECT_TRUE(same(a.allRecordDates(), b.allRecordDates())) << what;
    EXPECT_TRUE(same(a.voltageRecordDates(), b.voltageRecordDates())) << what;
    EXPECT_TRUE(same(a.allSamples(), b.allSamples())) << what;
    EXPECT_TRUE(same(a.voltageSamples(), b.voltageSamples())) << what;
    EXPECT_EQ(std::memcmp(&a.logDate, &b.logDate, sizeof a.logDate), 0) << what;
    EXPECT_EQ(a.azimuthCorrection, b.azimuthCorrection) << what;
    EXPECT_EQ(a.loggedAzimuthCorrection, b.loggedAzimuthCorrection) << what;
    EXPECT_EQ(a.altitudeCorrection, b.altitudeCorrection) << what;
    EXPECT_EQ(a.loggedAltitudeCorrection, b.loggedAltitudeCorrection) << what;
    EXPECT_EQ(a.receiverValues, b.receiverValues) << what;
}

TEST(SlicedRead, EveryCutGivesTheSerialStore)
{
    TTempFolder folder;
    struct Case {
        const char* name;
        std::string text;
        TReadResult::Status status;
    };
    const Case cases[] = {
        {"damaged", DamagedLog(3), TReadResult::Ok},
        {"damaged, other seed", DamagedLog(11), TReadResult::Ok},
        {"invalid date in the middle", DamagedLog(5, 30000), TReadResult::InvalidDate},
        // Some 48,000 lines: line 4,000 lies in the first slice even when cut in seven, which
        // reads into the store itself, so the later slices must add nothing.
        {"invalid date in the first slice", DamagedLog(7, 4000), TReadResult::InvalidDate},
        // Records before any date line take the date the previous file left, in the first slice.
        {"records before the first date line", "1000 2 3 4\n5 6 7\n" + DamagedLog(9), TReadResult::Ok},
    };
    std::string big;
    for (int i = 0; i < 120000; ++i)
        big += std::to_string(90000000 + i) + " 1 2 3\nAzimuth correction 5\n*Rec* DC Gain 99\n";
    const auto bigPath = folder.write("big.log", "Date changed 01/01/2011\n" + big);
    for (const Case& c : cases) {
        ASSERT_GT(c.text.size(), 1000000u) << c.name;  // large enough for up to seven slices
        const auto path = folder.write("damaged.log", c.text);
        TSampleStore serial;
        serial.logDate = 40000.0;  // the date an earlier file left: records before any date line
        const TReadResult expected = readLogFile(path, serial, nullptr, 1);
        ASSERT_EQ(expected.status, c.status) << c.name;
        ASSERT_GT(serial.allRecords().size(), 3000u) << c.name;
        for (unsigned threads = 2; threads <= 7; ++threads) {
            const std::string what = std::string(c.name) + ", " + std::to_string(threads) + " slices";
            TSampleStore sliced;
            sliced.logDate = 40000.0;
            if (threads == 4) {
                // A store that held a larger read (its lists keep their room and old entries
                // beyond the end) and its session values must end as a fresh one.
                ASSERT_EQ(readLogFile(bigPath, sliced, nullptr, threads).status, TReadResult::Ok);
                sliced.logDate = 40000.0;
            }
            const TReadResult got = readLogFile(path, sliced, nullptr, threads);
            EXPECT_EQ(got.status, expected.status) << what;
            EXPECT_EQ(got.line, expected.line) << what;
            ExpectSameStore(serial, sliced, what);
        }
    }
}

TEST(SlicedRead, LinesAcrossEveryCutPosition)
{
    // One date line, then records; a second date line and a correction placed at each of many
    // positions so that the cut falls before, inside and after them.
    TTempFolder folder;
    std::string head = "12/05/2010 Date changed\n";
    std::string body;
    for (int i = 0; i < 30000; ++i)
        body += std::to_string(i) + " " + std::to_string(i % 9000) + " 77" + (i % 2 ? " 5\n" : "\r\n");
    for (std::size_t at : {body.size() / 2 - 3, body.size() / 2, body.size() / 2 + 11, body.size() / 3}) {
        std::string text = head + body;
        const std::size_t lineStart = text.rfind('\n', at) + 1;
        text.insert(lineStart, "Date changed 13/05/2010\nAltitude correction 9\n*Rec* Timer interval 5 s\n");
        const auto path = folder.write("cut.log", text);
        TSampleStore serial;
        ASSERT_EQ(readLogFile(path, serial, nullptr, 1).status, TReadResult::Ok);
        for (unsigned threads : {2u, 3u}) {
            TSampleStore sliced;
            ASSERT_EQ(readLogFile(path, sliced, nullptr, threads).status, TReadResult::Ok);
            ExpectSameStore(serial, sliced, "at " + std::to_string(at) + ", " + std::to_string(threads));
        }
        EXPECT_EQ(serial.loggedAltitudeCorrection, 9);
        EXPECT_EQ(serial.receiverValues[ReceiverTimerInterval], "5 s");
    }
}

TEST(SlicedRead, CutExactlyAtADateLine)
{
    // Two slices are cut at the first line start at or after the middle of the file. The file is
    // padded so that the middle falls exactly at the start of a date line (the second slice
    // starts with it) or just after it (the first slice ends with it); the records on each side
    // must keep their own day.
    TTempFolder folder;
    const auto records = [](int from, int count) {
        std::string text;
        for (int i = from; i < from + count; ++i)
            text += std::to_string(1000 * i) + " " + std::to_string(i % 7000) + " 55 " + std::to_string(i % 900) +
                    "\r\n";
        return text;
    };
    const std::string dateLine = "Date changed 13/05/2010\r\n";
    for (const bool dateOpensSecondSlice : {true, false}) {
        std::string first = "Date changed 12/05/2010\r\n" + records(0, 20000);
        if (!dateOpensSecondSlice)
            first += dateLine;
        std::string second = (dateOpensSecondSlice ? dateLine : std::string()) + records(20000, 19000);
        ASSERT_LT(second.size(), first.size());
        // The last line's first field takes leading zeros (same value) to make both halves equal.
        const std::size_t missing = first.size() - second.size();
        second += std::string(missing - std::string("7 1 2 3\n").size(), '0') + "7 1 2 3\n";
        ASSERT_EQ(first.size(), second.size());
        const std::string text = first + second;
        ASSERT_EQ(text[text.size() / 2 - 1], '\n');
        ASSERT_EQ(text.compare(dateOpensSecondSlice ? text.size() / 2 : text.size() / 2 - dateLine.size(),
                               dateLine.size(), dateLine),
                  0);
        const auto path = folder.write("cut.log", text);
        TSampleStore serial;
        ASSERT_EQ(readLogFile(path, serial, nullptr, 1).status, TReadResult::Ok);
        TSampleStore sliced;
        ASSERT_EQ(readLogFile(path, sliced, nullptr, 2).status, TReadResult::Ok);
        const std::string what = dateOpensSecondSlice ? "date line opens the second slice"
                                                      : "date line ends the first slice";
        ExpectSameStore(serial, sliced, what);
        // 12 May 2010 for the first 20,000 records, 13 May for the rest (days since 30 Dec 1899).
        ASSERT_EQ(sliced.allRecords().size(), 39001u) << what;
        EXPECT_EQ(sliced.recordDate(19999), 40310.0) << what;
        EXPECT_EQ(sliced.recordDate(20000), 40311.0) << what;
        EXPECT_EQ(sliced.recordDate(39000), 40311.0) << what;
    }
}

TEST(SlicedRead, AppendedSliceIsTheSameOnAnyNumberOfThreads)
{
    // Large enough that the copy of the second part is shared out over several threads; the
    // expected store takes every record one by one, as the one-thread read does.
    constexpr std::size_t FirstCount = 1000;
    constexpr std::size_t PartCount = 1500000;
    const auto recordAt = [](std::size_t i) {
        return RawRecord{static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(i * 7),
                         static_cast<std::uint32_t>(i ^ 0x5a5a), static_cast<std::uint32_t>(i % 1000)};
    };
    const auto hasVolts = [](std::size_t i) { return i % 5 != 3; };
    // The part's own date lines come at these records; before the first, its records are undated.
    const auto dateAt = [](std::size_t i) -> double {
        return i < 400000 ? std::numeric_limits<double>::quiet_NaN() : i < 900000 ? 40311.0 : 40312.0;
    };
    constexpr double Undated = 40310.0;  // the date in force where the part starts

    TSampleStore expected;
    expected.logDate = 40300.0;
    for (std::size_t i = 0; i < FirstCount; ++i)
        expected.appendRecord(recordAt(i), hasVolts(i));
    for (std::size_t i = 0; i < PartCount; ++i) {
        const double date = dateAt(i);
        expected.logDate = std::isnan(date) ? Undated : date;
        expected.appendRecord(recordAt(FirstCount + i), hasVolts(FirstCount + i));
    }

    for (unsigned threads : {1u, 2u, 3u, 4u, 0u}) {
        const std::string what = std::to_string(threads) + " threads";
        TSampleStore store;
        store.logDate = 40300.0;
        for (std::size_t i = 0; i < FirstCount; ++i)
            store.appendRecord(recordAt(i), hasVolts(i));
        TSampleStore part;
        for (std::size_t i = 0; i < PartCount; ++i) {
            part.logDate = dateAt(i);
            part.appendRecord(recordAt(FirstCount + i), hasVolts(FirstCount + i));
        }
        store.appendRecordsOf(std::move(part), Undated, threads);
        EXPECT_TRUE(part.allRecords().empty()) << what;
        ASSERT_EQ(store.allRecords().size(), FirstCount + PartCount) << what;
        ASSERT_EQ(store.voltageRecordIndex(), expected.voltageRecordIndex()) << what;
        EXPECT_EQ(std::memcmp(store.allRecords().data(), expected.allRecords().data(),
                              store.allRecords().size() * sizeof(RawRecord)),
                  0)
            << what;
        ASSERT_EQ(store.dateRuns().size(), 4u) << what;  // 40300, then 40310, 40311, 40312
        for (std::size_t r = 0; r < store.dateRuns().size(); ++r) {
            EXPECT_EQ(store.dateRuns()[r].firstRecord, expected.dateRuns()[r].firstRecord) << what;
            EXPECT_EQ(store.dateRuns()[r].date, expected.dateRuns()[r].date) << what;
        }
    }
}

}  // namespace
}  // namespace driftline
