// Chunked parallel number formatting: the same bytes as one thread formatting in order.
#include "analysis/Chunkformat.h"
#include "analysis/Selectionwriter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <vector>

namespace driftline {
namespace {

// Values as a derived log holds them: times running over midnight (day 40310 to 40311), negative
// declinations and altitudes, a negative zero, and extremes of the double range.
std::vector<double> LogLikeValues(std::size_t n)
{
    std::vector<double> v;
    for (std::size_t k = 0; k < n; ++k) {
        switch (k % 6) {
        case 0:
            v.push_back(40310.99 + static_cast<double>(k) / 86400.0);
            break;
        case 1:
            v.push_back(-33.5 + std::sin(static_cast<double>(k)) * 1e-3);
            break;
        case 2:
            v.push_back(k % 12 == 2 ? -0.0 : 359.999999999 - static_cast<double>(k) * 1e-9);
            break;
        case 3:
            v.push_back(-std::numeric_limits<double>::denorm_min() * static_cast<double>(k));
            break;
        case 4:
            v.push_back(1.7976931348623157e308 / static_cast<double>(k + 1));
            break;
        default:
            v.push_back(2.5244140625 * static_cast<double>(k % 7) - 4.0);
            break;
        }
    }
    return v;
}

// One thread, printf's own %.17g: the formatter the chunks must match.
std::string SerialText(const std::vector<double>& v, const char* format)
{
    std::string text;
    char buffer[64];
    for (std::size_t k = 0; k < v.size(); ++k) {
        text.append(buffer, static_cast<std::size_t>(std::snprintf(buffer, sizeof buffer, format, v[k])));
        text += k % 4 == 3 ? '\n' : ',';
    }
    return text;
}

TEST(ChunkFormat, SameBytesAsOneThreadForEveryCutAndThreadCount)
{
    struct Case {
        std::size_t count, chunk;
        unsigned threads;
    };
    const Case cases[] = {
        {0, 5, 2},     {1, 5, 2},     {4, 5, 2},       {5, 5, 2},       {6, 5, 2},     {37, 1, 3},
        {1000, 64, 2}, {1000, 64, 3}, {1000, 1000, 2}, {1001, 1000, 2}, {20003, 0, 0}, {200003, 0, 2},
    };
    for (const auto& c : cases) {
        const auto values = LogLikeValues(c.count);
        std::string text;
        std::size_t pieces = 0;
        const bool done = FormatInOrder(
            c.count, c.chunk, c.threads,
            [&](std::size_t begin, std::size_t end, std::string& out) {
                char buffer[64];
                for (std::size_t k = begin; k < end; ++k) {
                    out.append(buffer,
                               static_cast<std::size_t>(std::snprintf(buffer, sizeof buffer, "%.17g", values[k])));
                    out += k % 4 == 3 ? '\n' : ',';
                }
            },
            [&](const std::string& piece) {
                text += piece;
                ++pieces;
                return true;
            });
        EXPECT_TRUE(done);
        EXPECT_EQ(text, SerialText(values, "%.17g")) << c.count << " items, chunks of " << c.chunk;
        if (c.chunk != 0) {
            EXPECT_EQ(pieces, (c.count + c.chunk - 1) / c.chunk) << c.count;
        }
    }
}

TEST(ChunkFormat, AFailedWriteStopsAtOnce)
{
    std::size_t written = 0;
    const bool done = FormatInOrder(
        100, 10, 2, [](std::size_t, std::size_t, std::string& out) { out.push_back('x'); },
        [&](const std::string&) { return ++written < 3; });
    EXPECT_FALSE(done);
    EXPECT_EQ(written, 3u);
}

TEST(ChunkFormat, AWriteThatThrowsStopsTheWorkersAndPassesTheExceptionOn)
{
    // Many more chunks than slots: the workers would wait for slots the writer never frees.
    std::size_t written = 0;
    EXPECT_THROW(FormatInOrder(
                     1000, 1, 2, [](std::size_t, std::size_t, std::string& out) { out.push_back('x'); },
                     [&](const std::string&) -> bool {
                         if (++written == 2)
                             throw std::runtime_error("disk gone");
                         return true;
                     }),
                 std::runtime_error);
    EXPECT_EQ(written, 2u);
}

TEST(ChunkFormat, WritesOnTheCallingThreadWhileLaterChunksAreFormatted)
{
    // The first write waits (up to a few seconds, so a fault fails rather than hangs) for the
    // third chunk to be formatted: with two threads that only happens when formatting goes on
    // beside the writes rather than in rounds between them.
    const auto caller = std::this_thread::get_id();
    std::mutex mutex;
    std::condition_variable formatted;
    bool thirdFormatted = false;
    bool overlapped = false;
    std::size_t writes = 0;
    bool allOnCaller = true;
    const bool done = FormatInOrder(
        40, 10, 2,
        [&](std::size_t begin, std::size_t, std::string& out) {
            out = std::to_string(begin);
            if (begin == 20) {
                std::lock_guard lock(mutex);
                thirdFormatted = true;
                formatted.notify_all();
            }
        },
        [&](const std::string& piece) {
            allOnCaller = allOnCaller && std::this_thread::get_id() == caller;
            if (writes++ == 0) {
                EXPECT_EQ(piece, "0");
                std::unique_lock lock(mutex);
                overlapped = formatted.wait_for(lock, std::chrono::seconds(5), [&] { return thirdFormatted; });
            }
            return true;
        });
    EXPECT_TRUE(done);
    EXPECT_TRUE(overlapped);
    EXPECT_TRUE(allOnCaller);
    EXPECT_EQ(writes, 4u);
}

TEST(ChunkFormat, TextSelectionOfManyPointsIsPrintfsTwelveDigits)
{
    // More points than one chunk holds, so several chunks are cut and joined.
    PlottedPoints points;
    const auto values = LogLikeValues(2 * 150001);
    for (std::size_t k = 0; k < values.size(); k += 2) {
        points.horizontalValues.push_back(values[k]);
        points.verticalValues.push_back(values[k + 1]);
    }
    std::string expected;
    char buffer[64];
    for (std::size_t k = 0; k < points.horizontalValues.size(); ++k) {
        expected.append(buffer,
                        static_cast<std::size_t>(std::snprintf(buffer, sizeof buffer, "%.12g;%.12g\r\n",
                                                               points.horizontalValues[k], points.verticalValues[k])));
    }
    EXPECT_EQ(TextSelectionBytes(points, ';'), expected);

    // The file is written chunk by chunk as the chunks are made: the same bytes, and a file
    // already there is replaced whole.
    const auto path = std::filesystem::temp_directory_path() / "driftline-test-chunked-selection.txt";
    {
        std::ofstream old(path, std::ios::binary);
        old << std::string(3 * expected.size(), 'x');
    }
    std::string error;
    ASSERT_TRUE(WriteTextSelection(path, points, ';', error)) << error;
    std::ifstream in(path, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(written == expected) << written.size() << " bytes written, " << expected.size() << " expected";
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace driftline
