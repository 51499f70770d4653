// The controller link's line format, socket paths and the POSIX client and listener.
#include "suite/Controllerprotocol.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace driftline {
namespace {

namespace fs = std::filesystem;

// Numbers chosen for the tests (any distinct non-zero numbers serve), in message order.
ControllerMessageTable TestTable()
{
    ControllerMessageTable table;
    table.numbers = {49001, 49002, 49003, 49004, 49005, 49006, 49007};
    return table;
}

// A short private folder under /tmp: socket paths must stay within 107 bytes.
struct TempFolder {
    fs::path path;
    TempFolder()
    {
        std::string pattern = "/tmp/dl-proto-XXXXXX";
        path = ::mkdtemp(pattern.data());
    }
    ~TempFolder() { fs::remove_all(path); }
};

struct ParseRow {
    const char* label;
    std::string line;
    bool ok;
    ControllerMessage message;
    std::int64_t wParam;
    const char* endpoint;
    std::int64_t lParam;
};

TEST(ControllerLine, ParsesTheGrammarAndRejectsEverythingElse)
{
    const std::string longEndpoint = "/" + std::string(107, 'e');  // 108 bytes: one too many
    const std::string okEndpoint = "/" + std::string(106, 'e');    // 107 bytes: fits
    const ParseRow rows[] = {
        {"by name", "LogFile Index\t1\t0", true, ControllerMessage::LogFileIndex, 1, "", 0},
        {"CR before LF", "LogFile Index\t1\t0\r", true, ControllerMessage::LogFileIndex, 1, "", 0},
        {"by number", "49003\t2\t7", true, ControllerMessage::LogFileIndex, 2, "", 7},
        {"negative index is well formed", "LogFile Index\t-1\t0", true, ControllerMessage::LogFileIndex, -1, "", 0},
        {"quitting", "Driftline Quitting\t0\t0", true, ControllerMessage::DriftlineQuitting, 0, "", 0},
        {"answer number form", "49005\t0\t0", true, ControllerMessage::CallingHandleReceived, 0, "", 0},
        {"unhandled name", "New Source\t5\t-3", true, ControllerMessage::NewSource, 5, "", -3},
        {"handle", "Calling Handle\t/run/user/1000/c.sock\t0", true, ControllerMessage::CallingHandle, 0,
         "/run/user/1000/c.sock", 0},
        {"handle endpoint of 107 bytes", "Calling Handle\t" + okEndpoint + "\t0", true,
         ControllerMessage::CallingHandle, 0, okEndpoint.c_str(), 0},
        {"handle endpoint of 108 bytes", "Calling Handle\t" + longEndpoint + "\t0", false, {}, 0, "", 0},
        {"relative endpoint", "Calling Handle\tc.sock\t0", false, {}, 0, "", 0},
        {"empty endpoint", "Calling Handle\t\t0", false, {}, 0, "", 0},
        {"control byte in endpoint", "Calling Handle\t/tmp/a\x01.sock\t0", false, {}, 0, "", 0},
        {"name letter case", "logfile index\t1\t0", false, {}, 0, "", 0},
        {"blanks instead of TABs", "LogFile Index 1 0", false, {}, 0, "", 0},
        {"blank after name", "LogFile Index \t1\t0", false, {}, 0, "", 0},
        {"two fields", "LogFile Index\t1", false, {}, 0, "", 0},
        {"four fields", "LogFile Index\t1\t0\t5", false, {}, 0, "", 0},
        {"empty wParam", "LogFile Index\t\t0", false, {}, 0, "", 0},
        {"empty lParam", "LogFile Index\t1\t", false, {}, 0, "", 0},
        {"plus sign", "LogFile Index\t+1\t0", false, {}, 0, "", 0},
        {"lone minus", "LogFile Index\t-\t0", false, {}, 0, "", 0},
        {"trailing garbage", "LogFile Index\t1x\t0", false, {}, 0, "", 0},
        {"blank in number", "LogFile Index\t 1\t0", false, {}, 0, "", 0},
        {"beyond int64", "LogFile Index\t9223372036854775808\t0", false, {}, 0, "", 0},
        {"number 0 is a failed registration", "0\t0\t0", false, {}, 0, "", 0},
        {"foreign number", "12345\t0\t0", false, {}, 0, "", 0},
        {"number beyond 32 bits", "4294967296\t0\t0", false, {}, 0, "", 0},
        {"empty line", "", false, {}, 0, "", 0},
        {"unknown name", "Open Sesame\t1\t0", false, {}, 0, "", 0},
        {"oversized", "LogFile Index\t1\t" + std::string(4100, '0'), false, {}, 0, "", 0},
    };
    const auto table = TestTable();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        auto parsed = ParseControllerLine(row.line, table);
        ASSERT_EQ(parsed.has_value(), row.ok);
        if (!row.ok)
            continue;
        EXPECT_EQ(parsed->message, row.message);
        EXPECT_EQ(parsed->number, table.number(row.message));
        EXPECT_EQ(parsed->wParam, row.wParam);
        EXPECT_EQ(parsed->endpoint, row.endpoint);
        EXPECT_EQ(parsed->lParam, row.lParam);
    }
}

TEST(ControllerLine, EveryMessageSurvivesFormatAndParseByNameAndByNumber)
{
    const char* names[] = {"Calling Handle",          "Driftline Quitting", "LogFile Index", "Arcwatch Quitting",
                           "Calling Handle received", "New Source",         "Track position"};
    const auto table = TestTable();
    for (std::size_t i = 0; i < ControllerMessageCount; ++i) {
        const auto message = static_cast<ControllerMessage>(i);
        SCOPED_TRACE(names[i]);
        EXPECT_STREQ(ControllerMessageName(message), names[i]);
        const std::string wParam = message == ControllerMessage::CallingHandle ? "/tmp/x.sock" : "42";
        for (const std::string& text :
             {FormatControllerLine(message, wParam, "-9"), FormatControllerLine(table.number(message), wParam, "-9")}) {
            ASSERT_EQ(text.back(), '\n');
            auto parsed = ParseControllerLine(std::string_view(text).substr(0, text.size() - 1), table);
            ASSERT_TRUE(parsed);
            EXPECT_EQ(parsed->message, message);
            EXPECT_EQ(parsed->lParam, -9);
        }
    }
    EXPECT_EQ(FormatControllerLine(ControllerMessage::LogFileIndex, "1", "0"), "LogFile Index\t1\t0\n");
}

TEST(ControllerPaths, FnvHashMatchesThePublishedTestVectors)
{
    // From the FNV reference test suite (32-bit FNV-1a).
    EXPECT_EQ(Fnv1a32(""), 0x811c9dc5u);
    EXPECT_EQ(Fnv1a32("a"), 0xe40c292cu);
    EXPECT_EQ(Fnv1a32("foobar"), 0xbf9cf968u);
}

TEST(ControllerPaths, SocketFolderComesFromTheRuntimeFolderOrTmp)
{
    EXPECT_EQ(ControllerSocketFolder("/run/user/1000", 1000), fs::path("/run/user/1000"));
    EXPECT_EQ(ControllerSocketFolder("", 1000), fs::path("/tmp/driftline-1000"));
    EXPECT_EQ(ControllerSocketFolder("relative/dir", 7), fs::path("/tmp/driftline-7"));
}

TEST(ControllerPaths, ViewerAndControllerNamesHashTheCanonicalRoot)
{
    TempFolder temp;
    // 0x2a0c975e is FNV-1a of "/" (worked out by hand: 2166136261 xor 0x2f, times 16777619 mod 2^32).
    EXPECT_EQ(ViewerSocketPath("/", "/f"), fs::path("/f/driftline-2a0c975e.sock"));
    EXPECT_EQ(ControllerEndpointPath("/", "/f"), fs::path("/f/driftline-controller-2a0c975e.sock"));

    const fs::path suite = temp.path / "suite";
    fs::create_directories(suite / "Driftline");
    fs::create_symlink(suite, temp.path / "link");
    const auto expected = ViewerSocketPath(suite, "/f");
    for (const fs::path& spelling : {suite / "", suite / ".", suite / "Driftline" / "..", temp.path / "link"})
        EXPECT_EQ(ViewerSocketPath(spelling, "/f"), expected) << spelling;
    EXPECT_NE(ViewerSocketPath(temp.path / "other", "/f"), expected);
    EXPECT_NE(ControllerEndpointPath(suite, "/f"), expected);
}

TEST(ControllerPaths, SocketFolderMustBePrivate)
{
    TempFolder temp;
    std::string error;
    const fs::path fresh = temp.path / "sockets";
    ASSERT_TRUE(EnsureSocketFolder(fresh, error)) << error;
    struct stat info {};
    ASSERT_EQ(::lstat(fresh.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(EnsureSocketFolder(fresh, error)) << "an existing private folder is fine";

    const fs::path open = temp.path / "open";
    fs::create_directory(open);
    ::chmod(open.c_str(), 0755);
    EXPECT_FALSE(EnsureSocketFolder(open, error));
    EXPECT_NE(error.find("open to other users"), std::string::npos) << error;

    fs::create_directory_symlink(fresh, temp.path / "link");
    EXPECT_FALSE(EnsureSocketFolder(temp.path / "link", error)) << "a link could point anywhere";

    std::ofstream(temp.path / "file") << "x";
    EXPECT_FALSE(EnsureSocketFolder(temp.path / "file", error));
}

TEST(LogFileAtIndex, CountsOnlyLogFilesInNameOrder)
{
    TempFolder temp;
    for (const char* name : {"b.log", "notes.txt", "a.log"})
        std::ofstream(temp.path / name) << "x";
    struct Row {
        std::int64_t index;
        const char* expected;  // nullptr: ignored
    } rows[] = {{0, "a.log"}, {1, "b.log"}, {2, nullptr}, {-1, nullptr}, {1LL << 40, nullptr}};
    for (const auto& row : rows) {
        auto path = LogFileAtIndex(temp.path, row.index);
        if (row.expected == nullptr) {
            EXPECT_FALSE(path) << row.index;
        } else {
            ASSERT_TRUE(path) << row.index;
            EXPECT_EQ(*path, temp.path / row.expected);
        }
    }
    EXPECT_FALSE(LogFileAtIndex(temp.path / "missing", 0));
}

// A raw peer: connects to path and writes bytes, then keeps or closes the connection.
int RawConnect(const fs::path& path)
{
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

TEST(ControllerSocket, ListenerReceivesLinesAndSkipsBadPeers)
{
    TempFolder temp;
    const fs::path path = temp.path / "c.sock";
    TControllerListener listener;
    std::string error;
    ASSERT_TRUE(listener.listen(path, error)) << error;
    struct stat info {};
    ASSERT_EQ(::lstat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 077, 0u) << "the socket is for this user only";

    std::thread peers([&] {
        // A peer that hangs up mid-line, then one that sends an oversized line, then a good one.
        int fd = RawConnect(path);
        (void)!::write(fd, "LogFile Ind", 11);
        ::close(fd);
        fd = RawConnect(path);
        const std::string huge(5000, 'x');
        (void)!::send(fd, huge.data(), huge.size(), MSG_NOSIGNAL);
        ::close(fd);
        auto sent = SendControllerLine(path, "Driftline Quitting\t0\t0\n", false, 2000);
        EXPECT_TRUE(sent.sent) << sent.error;
    });
    auto line = listener.waitLine(5000);
    peers.join();
    ASSERT_TRUE(line);
    EXPECT_EQ(*line, "Driftline Quitting\t0\t0");

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(listener.waitLine(300)) << "nobody writes: the wait ends at its timeout";
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(250));
    EXPECT_LT(waited, std::chrono::milliseconds(2000));
}

TEST(ControllerSocket, SendReportsMissingListenersAndAwaitsAnswers)
{
    TempFolder temp;
    auto result = SendControllerLine(temp.path / "nobody.sock", "x\t0\t0\n", false, 500);
    EXPECT_FALSE(result.sent);
    EXPECT_FALSE(result.error.empty());

    const fs::path path = temp.path / "v.sock";
    TControllerListener listener;
    std::string error;
    ASSERT_TRUE(listener.listen(path, error)) << error;
    // The listener reads but never answers, so an awaited answer times out.
    std::thread reader([&] { listener.waitLine(3000); });
    const auto start = std::chrono::steady_clock::now();
    result = SendControllerLine(path, "Calling Handle\t/tmp/c.sock\t0\n", true, 400);
    reader.join();
    EXPECT_TRUE(result.sent);
    EXPECT_FALSE(result.answered);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
}

TEST(ControllerSocket, ListenRefusesLiveSocketsAndOtherFilesButReplacesStaleOnes)
{
    TempFolder temp;
    std::string error;
    const fs::path path = temp.path / "c.sock";
    {
        TControllerListener first;
        ASSERT_TRUE(first.listen(path, error)) << error;
        TControllerListener second;
        EXPECT_FALSE(second.listen(path, error)) << "another program answers there";
    }
    EXPECT_FALSE(fs::exists(path)) << "the listener removes its socket file";

    // A stale socket file: bound once, its program gone.
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    TControllerListener third;
    EXPECT_TRUE(third.listen(path, error)) << error;

    const fs::path plain = temp.path / "plain";
    std::ofstream(plain) << "keep me";
    TControllerListener fourth;
    EXPECT_FALSE(fourth.listen(plain, error));
    EXPECT_TRUE(fs::exists(plain)) << "a file that is not a socket is never removed";
}

}  // namespace
}  // namespace driftline
