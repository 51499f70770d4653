// The reading loop: line splitting, session state, stops, failed opens, progress accounting.
#include "logdata/Logreader.h"
#include "logdata/Logsimulator.h"
#include "logdata/Progressmodel.h"

#include "Logtestfiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace driftline {
namespace {

using driftline::testing::TTempFolder;

constexpr double May12of2010 = 40310.0;  // see test_samplestore.cpp for the count

TEST(LogReader, LineEndsCrLfLfAndLastLineWithoutEnd)
{
    struct Case {
        const char* name;
        std::string bytes;
        std::size_t records;
        std::uint32_t lastVolts;
    };
    const Case cases[] = {
        {"crlf", "1 2 3 4\r\n5 6 7 8\r\n", 2, 8},
        {"lf", "1 2 3 4\n5 6 7 8\n", 2, 8},
        {"no end", "1 2 3 4\r\n5 6 7 8", 2, 8},
        {"cr at end", "1 2 3 4\r\n5 6 7 8\r", 2, 8},
        {"empty lines", "\r\n\r\n1 2 3 4\r\n\n", 1, 4},
        {"lone cr inside", "1 2 3 4\r5 6 7 8\r\n", 0, 0},  // one line with a CR in it: not a record
        {"empty file", "", 0, 0},
    };
    TTempFolder folder;
    for (const auto& c : cases) {
        TSampleStore store;
        const auto path = folder.write("case.log", c.bytes);
        // Written long ago: a last line without its end is complete (a fresh one may not be yet).
        std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
        const TReadResult result = readLogFile(path, store, nullptr);
        EXPECT_EQ(result.status, TReadResult::Ok) << c.name;
        ASSERT_EQ(store.allRecords().size(), c.records) << c.name;
        ASSERT_EQ(store.allSamples().size(), c.records) << c.name;
        if (c.records != 0) {
            EXPECT_EQ(store.allRecords().back().voltsCounts, c.lastVolts) << c.name;
        }
    }
}

TEST(LogReader, SessionStateFromHeaderCorrectionsAndReceivers)
{
    TTempFolder folder;
    const auto path = folder.write("a.log", "Opening session 12/05/2010 21:03:15 (UTC)\r\n"
                                            "Azimuth correction 12\r\n"
                                            "Altitude correction -4\r\n"
                                            "*Rec* DC Gain 10\r\n"
                                            "*Rec* IF Gain 2 x10\r\n"
                                            "*Rec* DC Gain 20\r\n"
                                            "75795000 8192 4096 1024\r\n"
                                            "75796000 8193 4096\r\n"
                                            "Closing session\r\n");
    TSampleStore store;
    ASSERT_EQ(readLogFile(path, store, nullptr).status, TReadResult::Ok);
    EXPECT_EQ(store.logDate, May12of2010);  // midnight: the header's time is not used
    EXPECT_EQ(store.loggedAzimuthCorrection, 12);
    EXPECT_EQ(store.azimuthCorrection, 12);
    EXPECT_EQ(store.loggedAltitudeCorrection, -4);
    EXPECT_EQ(store.altitudeCorrection, -4);
    EXPECT_EQ(store.receiverValues[ReceiverDCGain], "20");  // a later line replaces the value
    EXPECT_EQ(store.receiverValues[ReceiverIFGain], "2 x10");
    EXPECT_EQ(store.receiverValues[ReceiverTimerInterval], "");
    ASSERT_EQ(store.allSamples().size(), 2u);
    ASSERT_EQ(store.voltageSamples().size(), 1u);
    EXPECT_DOUBLE_EQ(store.allSamples()[0][Time], May12of2010 + 75795.0 / 86400.0);
    EXPECT_EQ(store.allSamples()[0][Azimuth], 90.0);
    EXPECT_EQ(store.voltageSamples()[0][Volts], 2.5);
}

TEST(LogReader, SecondFileStartsAfreshButKeepsLogDate)
{
    TTempFolder folder;
    const auto first = folder.write("a.log", "Opening session 12/05/2010\r\nDate changed 13/05/2010\r\n"
                                             "Azimuth correction 7\r\n*Rec* DC Gain 10\r\n1 2 3 4\r\n");
    const auto second = folder.write("b.log", "86399999 1 2\r\n");
    TSampleStore store;
    ASSERT_EQ(readLogFile(first, store, nullptr).status, TReadResult::Ok);
    store.narrowSamples({true}, {true});  // a zoom that keeps the one sample
    ASSERT_EQ(readLogFile(second, store, nullptr).status, TReadResult::Ok);
    EXPECT_EQ(store.receiverValues[ReceiverDCGain], "");
    EXPECT_EQ(store.loggedAzimuthCorrection, NoCorrection);
    EXPECT_EQ(store.azimuthCorrection, NoCorrection);
    EXPECT_TRUE(store.allUndo().empty());
    ASSERT_EQ(store.allSamples().size(), 1u);
    EXPECT_TRUE(store.voltageSamples().empty());
    // The records of b.log precede any date line of theirs: they take 13 May from a.log.
    EXPECT_DOUBLE_EQ(store.allSamples()[0][Time], May12of2010 + 1.0 + 86399999.0 / 86400000.0);
}

TEST(LogReader, RecordsBeforeAnyDateAtStartTakeDayZero)
{
    TTempFolder folder;
    TSampleStore store;
    ASSERT_EQ(readLogFile(folder.write("a.log", "43200000 0 0\r\n"), store, nullptr).status, TReadResult::Ok);
    ASSERT_EQ(store.allSamples().size(), 1u);
    EXPECT_EQ(store.allSamples()[0][Time], 0.5);  // noon of 30 Dec 1899
}

TEST(LogReader, InvalidDateStopsAndKeepsEarlierLines)
{
    TTempFolder folder;
    const auto path = folder.write("a.log", "Opening session 12/05/2010 21:03:15 (UTC)\r\n"
                                            "1000 1 2 3\r\n"
                                            "2000 1 2\r\n"
                                            "Date changed 31/02/2010\r\n"
                                            "3000 1 2 3\r\n");
    TSampleStore store;
    const TReadResult result = readLogFile(path, store, nullptr);
    EXPECT_EQ(result.status, TReadResult::InvalidDate);
    EXPECT_EQ(result.line, 4u);
    EXPECT_EQ(result.message(), "Invalid argument to date encode");
    EXPECT_EQ(store.allSamples().size(), 2u);
    EXPECT_EQ(store.voltageSamples().size(), 1u);
    EXPECT_EQ(store.logDate, May12of2010);
}

TEST(LogReader, FailedOpenChangesNothing)
{
    TTempFolder folder;
    TSampleStore store;
    ASSERT_EQ(readLogFile(folder.write("a.log", "Opening session 12/05/2010\r\nAzimuth correction 5\r\n"
                                                "*Rec* DC Gain 10\r\n1 2 3 4\r\n"),
                          store, nullptr)
                  .status,
              TReadResult::Ok);
    store.azimuthCorrection = 9;          // the user's edit
    store.narrowSamples({true}, {true});  // a zoom that keeps the one sample

    struct Case {
        const char* name;
        std::filesystem::path path;
        const char* reason;
    };
    const Case cases[] = {
        {"missing file", folder.path() / "missing.log", "No such file or directory"},
        {"a folder", folder.path(), "Is a directory"},
    };
    for (const auto& c : cases) {
        TProgressModel progress;
        const TReadResult result = readLogFile(c.path, store, &progress);
        EXPECT_EQ(result.status, TReadResult::OpenFailed) << c.name;
        EXPECT_EQ(result.reason, c.reason) << c.name;
        EXPECT_EQ(store.allSamples().size(), 1u) << c.name;
        EXPECT_EQ(store.voltageRecords().size(), 1u) << c.name;
        EXPECT_EQ(store.allUndo().size(), 1u) << c.name;
        EXPECT_EQ(store.receiverValues[ReceiverDCGain], "10") << c.name;
        EXPECT_EQ(store.loggedAzimuthCorrection, 5) << c.name;
        EXPECT_EQ(store.azimuthCorrection, 9) << c.name;
        EXPECT_EQ(store.logDate, May12of2010) << c.name;
    }
}

TEST(LogReader, SurvivesArbitraryBytes)
{
    TTempFolder folder;
    std::mt19937 random(7);
    std::string noise(300000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random() & 0xFF);
    const std::string nuls(2 * 1048576 + 3, '\0');
    const std::string longLines = std::string(3000000, '7') + "\n" + std::string(2000000, ' ') + "1 2 3\n" +
                                  "Date changed " + std::string(5000, '9') + "/1/2010\n" + "5 6 7 8";
    for (const std::string* bytes : std::initializer_list<const std::string*>{&noise, &nuls, &longLines}) {
        TSampleStore store;
        TProgressModel progress;
        const TReadResult result = readLogFile(folder.write("x.log", *bytes), store, &progress);
        EXPECT_NE(result.status, TReadResult::OpenFailed);
        EXPECT_EQ(store.allSamples().size(), store.allRecords().size());
        EXPECT_EQ(store.voltageSamples().size(), store.voltageRecords().size());
    }
    // The long-line file: a record of a 3,000,000-digit field is malformed, the blank-led line is
    // a record, and the date line with a day beyond every month stops the read at line 3.
    TSampleStore store;
    const TReadResult result = readLogFile(folder.write("long.log", longLines), store, nullptr);
    EXPECT_EQ(result.status, TReadResult::InvalidDate);
    EXPECT_EQ(result.line, 3u);
    EXPECT_EQ(store.allRecords().size(), 1u);
}

TEST(LogReader, ParallelReadIsBitIdenticalToSerial)
{
    TTempFolder folder;
    TSimulateOptions options;
    options.records = 60000;
    options.hour = 20;
    // Short lines: more records than the reader reserved for, so the background derivation
    // has to stop part-way and the rest is derived after the parse.
    std::string dense = "Opening session 12/05/2010\n";
    for (int i = 0; i < 80000; ++i) {
        dense += std::to_string(i % 10) + " " + std::to_string(i % 7) + " 1" + (i % 3 ? " 5\n" : "\n");
        if (i == 40000)
            dense += "Date changed 13/05/2010\n";
    }
    for (const std::string& text : {SimulateLog(options), dense}) {
        const auto path = folder.write("sim.log", text);
        TSampleStore serial, parallel;
        ASSERT_EQ(readLogFile(path, serial, nullptr, 1).status, TReadResult::Ok);
        ASSERT_EQ(readLogFile(path, parallel, nullptr, 2).status, TReadResult::Ok);
        ASSERT_GE(serial.allSamples().size(), 60000u);
        ASSERT_EQ(parallel.allSamples().size(), serial.allSamples().size());
        ASSERT_EQ(parallel.voltageSamples().size(), serial.voltageSamples().size());
        EXPECT_EQ(std::memcmp(serial.allSamples().toList().data(), parallel.allSamples().toList().data(),
                              sizeof(Sample) * serial.allSamples().size()),
                  0);
        EXPECT_EQ(std::memcmp(serial.voltageSamples().toList().data(), parallel.voltageSamples().toList().data(),
                              sizeof(Sample) * serial.voltageSamples().size()),
                  0);
    }
}

TEST(ReadProgress, ShownOnlyAboveOneMebibyte)
{
    struct Case {
        std::uint64_t size;
        bool shown;
        std::uint64_t bytesPerStep;  // ceil(size / 100)
        const char* sizeText;
    };
    const Case cases[] = {
        {0, false, 0, ""},
        {1048576, false, 0, ""},
        {1048577, true, 10486, "1,048,577"},  // 10,485.77 rounded up
        {2000000, true, 20000, "2,000,000"},
        {5000000001ull, true, 50000001, "5,000,000,001"},  // beyond 32 bits
    };
    for (const auto& c : cases) {
        TProgressModel progress;
        EXPECT_EQ(progress.ProgressStart(c.size), c.shown) << c.size;
        if (c.shown) {
            EXPECT_EQ(progress.bytesPerStep, c.bytesPerStep) << c.size;
            EXPECT_EQ(progress.fileSizeText, c.sizeText) << c.size;
        }
    }
}

TEST(ReadProgress, StepsCarryTheRemainder)
{
    TProgressModel progress;
    std::vector<std::string> texts;
    progress.onStep = [&](const std::string& bytes, const std::string& percent, int position) {
        texts.push_back(bytes + " | " + percent + " | " + std::to_string(position));
    };
    ASSERT_TRUE(progress.ProgressStart(1048577));  // 10,486 bytes a step
    progress.ProgressAdvance(10483);               // 10,485 accounted: not yet a step
    EXPECT_TRUE(texts.empty());
    progress.ProgressAdvance(0);  // 10,487: one step, 1 left over
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "10,487 processed of 1,048,577 bytes | 1 % | 1");
    EXPECT_EQ(progress.bytesSinceStep, 1u);
    progress.ProgressAdvance(10483);  // 1 + 10,485 = 10,486: exactly a step
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1], "20,972 processed of 1,048,577 bytes | 2 % | 2");
    EXPECT_EQ(progress.bytesSinceStep, 0u);
}

TEST(ReadProgress, ReaderReportsEveryPercentOfATwoMillionByteFile)
{
    // 250,000 lines of "1 2 34" + CR LF = 2,000,000 bytes: 100 steps of 20,000 bytes.
    std::string bytes;
    for (int i = 0; i < 250000; ++i)
        bytes += "1 2 34\r\n";
    TTempFolder folder;
    TProgressModel progress;
    std::vector<std::string> byteTexts;
    int lastPosition = 0;
    progress.onStep = [&](const std::string& text, const std::string& percent, int position) {
        byteTexts.push_back(text);
        EXPECT_EQ(percent, std::to_string(position) + " %");
        EXPECT_EQ(position, lastPosition + 1);
        lastPosition = position;
    };
    TSampleStore store;
    ASSERT_EQ(readLogFile(folder.write("two.log", bytes), store, &progress).status, TReadResult::Ok);
    EXPECT_EQ(store.allSamples().size(), 250000u);
    ASSERT_EQ(byteTexts.size(), 100u);
    EXPECT_EQ(byteTexts.front(), "20,000 processed of 2,000,000 bytes");
    EXPECT_EQ(byteTexts[49], "1,000,000 processed of 2,000,000 bytes");
    EXPECT_EQ(byteTexts.back(), "2,000,000 processed of 2,000,000 bytes");

    // A small file shows nothing and reports nothing.
    byteTexts.clear();
    ASSERT_EQ(readLogFile(folder.write("small.log", "1 2 3\r\n"), store, &progress).status, TReadResult::Ok);
    EXPECT_FALSE(progress.shown);
    EXPECT_TRUE(byteTexts.empty());
}

}  // namespace
}  // namespace driftline
