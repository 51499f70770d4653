// The reader against files that block, never end, carry endless lines, change under it or end
// in a half-written line.
#include "logdata/Logfilecheck.h"
#include "logdata/Logreader.h"

#include "logdata/Logtestfiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace driftline {
namespace {

using driftline::testing::TTempFolder;
namespace fs = std::filesystem;

// Dates the file's modification time back, as for a log its writer finished long ago.
void Settle(const fs::path& file)
{
    fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::seconds(60));
}

TEST(HostileLog, BlockingAndEndlessFilesAreRefusedBeforeAnythingChanges)
{
    TTempFolder folder;
    const fs::path fifo = folder.path() / "pipe.log";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);  // no writer: a blocking open would hang here
    for (const fs::path& path : {fifo, fs::path("/dev/zero")}) {
        TSampleStore store;
        parseLogLine("1 2 3 4", store);
        const TReadResult result = readLogFile(path, store, nullptr);
        EXPECT_EQ(result.status, TReadResult::OpenFailed) << path;
        EXPECT_EQ(result.message(), "not a regular file") << path;
        EXPECT_EQ(store.allRecords().size(), 1u) << path;  // the earlier file's record stays
    }
}

TEST(HostileLog, LinesOverTheCapAreSkippedAndStillCounted)
{
    TTempFolder folder;
    const std::string atCap(MaxLogLineBytes, ' ');
    struct Case {
        const char* name;
        std::string bytes;
        std::size_t records;
        TReadResult::Status status;
        std::uint64_t line;
    };
    const Case cases[] = {
        // "1 2 3" padded with blanks to just over the cap: a record by its fields, but too long.
        {"over by one", "1 2 3" + atCap + "\n5 6 7\n", 1, TReadResult::Ok, 0},
        // Exactly at the cap (a CR LF end not counted) it is still a record.
        {"at cap", "1 2 3" + atCap.substr(5) + "\r\n5 6 7\n", 2, TReadResult::Ok, 0},
        // Several blocks long, before an invalid date: the skipped line keeps its number.
        {"numbering", std::string(5 * MaxLogLineBytes, '7') + "\n1 2 3\nDate changed 31/02/2010\n5 6 7\n", 1,
         TReadResult::InvalidDate, 3},
        // An endless last line without a line end is dropped too.
        {"unterminated", "1 2 3\n" + std::string(3 * MaxLogLineBytes, '\0'), 1, TReadResult::Ok, 0},
    };
    for (const Case& c : cases) {
        const fs::path path = folder.write("long.log", c.bytes);
        Settle(path);
        TSampleStore store;
        const TReadResult result = readLogFile(path, store, nullptr);
        EXPECT_EQ(result.status, c.status) << c.name;
        EXPECT_EQ(result.line, c.line) << c.name;
        EXPECT_EQ(store.allRecords().size(), c.records) << c.name;
    }
}

TEST(HostileLog, AFileThatChangesDuringTheReadIsReported)
{
    const std::string record = "75795000 8192 4096 1024\r\n";
    std::string bytes;
    while (bytes.size() < 4 * ProgressThresholdBytes)
        bytes += record;
    const std::size_t total = bytes.size() / record.size();

    struct Case {
        const char* name;
        std::function<void(const fs::path&)> act;  // done at the first progress step
        bool changed;
    };
    TTempFolder folder;
    const Case cases[] = {
        {"truncated", [](const fs::path& p) { ::truncate(p.c_str(), 100); }, true},
        {"deleted", [](const fs::path& p) { fs::remove(p); }, true},
        {"replaced", [&folder](const fs::path& p) { fs::rename(folder.write("other.log", "1 2 3\n"), p); }, true},
        {"appended",
         [](const fs::path& p) {
             const int fd = ::open(p.c_str(), O_WRONLY | O_APPEND);
             (void)!::write(fd, "1 2 3 4\r\n", 9);
             ::close(fd);
         },
         false},
        {"untouched", [](const fs::path&) {}, false},
    };
    for (const Case& c : cases) {
        const fs::path path = folder.write("moving.log", bytes);
        TSampleStore store;
        TProgressModel progress;
        bool acted = false;
        progress.onStep = [&](const std::string&, const std::string&, int) {
            if (!acted)
                c.act(path);
            acted = true;
        };
        const TReadResult result = readLogFile(path, store, &progress);
        ASSERT_TRUE(acted) << c.name;
        EXPECT_EQ(result.status, c.changed ? TReadResult::Changed : TReadResult::Ok) << c.name;
        if (c.changed) {
            EXPECT_EQ(result.message(), path.string() + " changed while it was read") << c.name;
            // What was read before the change stays.
            EXPECT_GT(store.allRecords().size(), 0u) << c.name;
        } else {
            EXPECT_GE(store.allRecords().size(), total) << c.name;
        }
    }
}

TEST(HostileLog, AHalfWrittenLastLineWaitsUntilTheFileHasSettled)
{
    struct Case {
        const char* name;
        std::string tail;  // the last line, without a line end
        bool settled;
        std::size_t records;
        const char* dcGain;
    };
    const Case cases[] = {
        // The controller was cut off mid-field: "36" is the start of an altitude.
        {"record, fresh", "75867000 16385 36", false, 1, ""},
        {"record, settled", "75867000 16385 36", true, 2, ""},
        {"record with CR, settled", "75867000 16385 3650 12\r", true, 2, ""},
        {"two fields, settled", "75867000 16385", true, 1, ""},
        {"receiver, fresh", "*Rec* DC Gain 2", false, 1, ""},
        {"receiver, settled", "*Rec* DC Gain 20", true, 1, "20"},
    };
    TTempFolder folder;
    for (const Case& c : cases) {
        const fs::path path = folder.write("tail.log", "75866000 16384 3600 10\r\n" + c.tail);
        if (c.settled)
            Settle(path);
        TSampleStore store;
        const TReadResult result = readLogFile(path, store, nullptr);
        EXPECT_EQ(result.status, TReadResult::Ok) << c.name;
        EXPECT_EQ(store.allRecords().size(), c.records) << c.name;
        EXPECT_EQ(store.receiverValues[ReceiverDCGain], c.dcGain) << c.name;
    }

    // The rule itself around the settle time, with a clock ahead and behind.
    const auto now = std::chrono::system_clock::now();
    EXPECT_FALSE(TakeUnterminatedLastLine("1 2 3", now - std::chrono::milliseconds(1900), now));
    EXPECT_TRUE(TakeUnterminatedLastLine("1 2 3", now - std::chrono::milliseconds(2100), now));
    EXPECT_FALSE(TakeUnterminatedLastLine("1 2 3", now + std::chrono::milliseconds(1900), now));
    EXPECT_TRUE(TakeUnterminatedLastLine("1 2 3", now + std::chrono::hours(1), now));  // skewed clock
}

}  // namespace
}  // namespace driftline
