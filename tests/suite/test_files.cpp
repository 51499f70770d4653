// File helpers: atomic replacement, whole-file reads, the log listing and thousands texts.
#include "suite/Fileunit.h"
#include "suite/Globalunit.h"
#include "suite/Listfiles.h"

#include "suite/SuiteTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace driftline {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::ScratchFolder;
using test::WriteBytes;

std::vector<std::string> EntriesOf(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(FileWrite, ReplacesKeepsPermissionsAndLeavesNoTemporaryFile)
{
    ScratchFolder folder;
    const fs::path target = folder.path() / "out.csv";
    std::string error;

    // Every byte value, CR LF and a NUL must arrive unchanged.
    std::string bytes = "a,b\r\n";
    for (int c = 0; c < 256; ++c)
        bytes.push_back(static_cast<char>(c));
    ASSERT_TRUE(WriteFileAtomically(target, bytes, error)) << error;
    EXPECT_EQ(ReadBytes(target), bytes);

    ::chmod(target.c_str(), 0604);
    ASSERT_TRUE(WriteFileAtomically(target, "second", error)) << error;
    EXPECT_EQ(ReadBytes(target), "second");
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0604u);

    ASSERT_TRUE(WriteFileAtomically(target, "", error)) << error;
    EXPECT_EQ(ReadBytes(target), "");
    EXPECT_EQ(EntriesOf(folder.path()), std::vector<std::string>{"out.csv"});
}

TEST(FileWrite, NewFileFollowsTheCreationMask)
{
    ScratchFolder folder;
    const mode_t old = ::umask(027);
    std::string error;
    const bool ok = WriteFileAtomically(folder.path() / "new.txt", "x", error);
    ::umask(old);
    ASSERT_TRUE(ok) << error;
    struct stat info {};
    ASSERT_EQ(::stat((folder.path() / "new.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);  // 0666 without the masked 027
}

TEST(FileWrite, ThroughALinkTheLinkedFileIsReplaced)
{
    ScratchFolder folder;
    WriteBytes(folder.path() / "real.ini", "old");
    fs::create_symlink("real.ini", folder.path() / "link.ini");
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(folder.path() / "link.ini", "new", error)) << error;
    EXPECT_TRUE(fs::is_symlink(folder.path() / "link.ini"));
    EXPECT_EQ(ReadBytes(folder.path() / "real.ini"), "new");
}

TEST(FileWrite, FailuresGiveTheReasonAndKeepTheOldFile)
{
    ScratchFolder scratch;
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(scratch.path() / "missing" / "x.txt", "x", error));
    EXPECT_EQ(error, "No such file or directory");

    const fs::path locked = scratch.path() / "locked";
    WriteBytes(locked / "keep.txt", "precious");
    ::chmod(scratch.path().c_str(), 0755);
    ::chmod((locked / "keep.txt").c_str(), 0644);
    ::chmod(locked.c_str(), 0555);
    const std::optional<std::string> outcome = test::RunWithoutRootRights([&] {
        std::string reason;
        const bool ok = WriteFileAtomically(locked / "keep.txt", "overwritten", reason);
        return std::string(ok ? "ok" : "failed") + ":" + reason;
    });
    ::chmod(locked.c_str(), 0755);
    if (!outcome)
        GTEST_SKIP() << "could not give up root rights";
    EXPECT_EQ(*outcome, "failed:Permission denied");
    EXPECT_EQ(ReadBytes(locked / "keep.txt"), "precious");
    EXPECT_EQ(EntriesOf(locked), std::vector<std::string>{"keep.txt"});
}

TEST(FileRead, WholeFileOrTheReason)
{
    ScratchFolder folder;
    const std::string bytes("line\r\n\0tail", 11);
    WriteBytes(folder.path() / "f.bin", bytes);
    std::string read = "stale";
    std::string error;
    ASSERT_TRUE(ReadWholeFile(folder.path() / "f.bin", read, error)) << error;
    EXPECT_EQ(read, bytes);

    EXPECT_FALSE(ReadWholeFile(folder.path() / "absent", read, error));
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_FALSE(ReadWholeFile(folder.path(), read, error));
    EXPECT_EQ(error, "Is a directory");
}

TEST(ListFiles, ByExtensionSortedByNameInByteOrder)
{
    ScratchFolder folder;
    const fs::path logs = folder.path() / "Logs";
    for (const char* name : {"b.log", "a.log", "notes.txt", "Z.log", "c.LOG", "log", "a.log.bak", ".log"}) {
        WriteBytes(logs / name, "x");
    }
    fs::create_directories(logs / "old.log");  // a folder that matches is listed like a file

    const std::vector<std::string> expectedLogs = {".log", "Z.log", "a.log", "b.log", "old.log"};
    std::vector<std::string> list = {"left over"};
    ListFiles(logs, "log", list);
    EXPECT_EQ(list, expectedLogs);
    ListFiles(logs, ".log", list);
    EXPECT_EQ(list, expectedLogs);
    // A trailing separator on the folder changes nothing.
    ListFiles(logs.string() + "/", "log", list);
    EXPECT_EQ(list, expectedLogs);

    ListFiles(logs, "", list);
    EXPECT_EQ(list, (std::vector<std::string>{".log", "Z.log", "a.log", "a.log.bak", "b.log", "c.LOG", "log",
                                              "notes.txt", "old.log"}));
    ListFiles(logs, "txt", list);
    EXPECT_EQ(list, std::vector<std::string>{"notes.txt"});

    ListFiles(folder.path() / "no such folder", "log", list);
    EXPECT_TRUE(list.empty());
}

TEST(FormatThousands, CommasBetweenGroupsOfThree)
{
    struct Case {
        std::uint64_t n;
        const char* text;
    };
    const Case cases[] = {
        {0, "0"},
        {7, "7"},
        {123, "123"},
        {999, "999"},
        {1000, "1,000"},
        {12345, "12,345"},
        {1234567, "1,234,567"},
        {100000000, "100,000,000"},
        {4294967295u, "4,294,967,295"},
        {4294967296ull, "4,294,967,296"},  // beyond 32 bits, a file over 4 GiB
        {18446744073709551615ull, "18,446,744,073,709,551,615"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatThousands(c.n), c.text) << c.n;
}

}  // namespace
}  // namespace driftline
