// A file written in pieces through a temporary file: replaced only on Commit, untouched otherwise.
#include "suite/Fileunit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace driftline {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class AtomicFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("driftline-atomic-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        std::ofstream(folder / "target.csv", std::ios::binary) << "old contents\r\n";
    }
    void TearDown() override { fs::remove_all(folder); }
    std::size_t FilesInFolder() const
    {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }
    fs::path folder;
};

TEST_F(AtomicFile, PiecesReplaceTheTargetOnlyOnCommit)
{
    std::string error;
    TAtomicFile file;
    ASSERT_TRUE(file.Open(folder / "target.csv", error)) << error;
    ASSERT_TRUE(file.Write("time,volts\n", error)) << error;
    ASSERT_TRUE(file.Write("1,2\n", error)) << error;
    // Until the commit the old file is there, beside one temporary file.
    EXPECT_EQ(Read(folder / "target.csv"), "old contents\r\n");
    EXPECT_EQ(FilesInFolder(), 2u);
    ASSERT_TRUE(file.Commit(error)) << error;
    EXPECT_EQ(Read(folder / "target.csv"), "time,volts\n1,2\n");
    EXPECT_EQ(FilesInFolder(), 1u);
    // Nothing more can be written or committed once it is done.
    EXPECT_FALSE(file.Write("x", error));
    EXPECT_FALSE(file.Commit(error));
    EXPECT_EQ(Read(folder / "target.csv"), "time,volts\n1,2\n");
}

TEST_F(AtomicFile, AbandonedWriteLeavesTheTargetAndNoTemporaryFile)
{
    {
        std::string error;
        TAtomicFile file;
        ASSERT_TRUE(file.Open(folder / "target.csv", error)) << error;
        ASSERT_TRUE(file.Write("half a file", error)) << error;
    }
    EXPECT_EQ(Read(folder / "target.csv"), "old contents\r\n");
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(AtomicFile, TargetsThatCannotBeWritten)
{
    std::string error;
    TAtomicFile missingFolder;
    EXPECT_FALSE(missingFolder.Open(folder / "no such folder" / "a.csv", error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(missingFolder.Write("x", error));
    // Anything but a regular file or a new name is refused at Open, as every safe write refuses
    // it, and left as it was: a folder, a device (through a link too).
    fs::create_directories(folder / "taken" / "inside");
    fs::create_symlink("/dev/null", folder / "to-device");
    for (const fs::path& refused : {folder / "taken", fs::path("/dev/null"), folder / "to-device"}) {
        TAtomicFile file;
        error.clear();
        EXPECT_FALSE(file.Open(refused, error)) << refused;
        EXPECT_EQ(error, NotRegularFileReason) << refused;
        EXPECT_FALSE(file.Commit(error));
    }
    EXPECT_TRUE(fs::is_directory(folder / "taken" / "inside"));
    EXPECT_TRUE(fs::is_symlink(folder / "to-device"));
    EXPECT_EQ(FilesInFolder(), 3u);
}

// Through a link the file it names is replaced and the link stays; the temporary file on the way
// carries the same name pattern as every other safe write's, so stale ones are cleaned alike.
TEST_F(AtomicFile, ThroughALinkTheNamedFileIsReplacedWithTheSharedTemporaryName)
{
    fs::create_directories(folder / "real");
    std::ofstream(folder / "real" / "data.csv", std::ios::binary) << "old";
    fs::create_symlink(fs::path("real") / "data.csv", folder / "link.csv");
    std::string error;
    TAtomicFile file;
    ASSERT_TRUE(file.Open(folder / "link.csv", error)) << error;
    std::string leaf;
    for (const auto& entry : fs::directory_iterator(folder / "real"))
        if (entry.path().filename() != "data.csv")
            leaf = entry.path().filename().string();
    long pid = 0;
    EXPECT_TRUE(IsOwnTemporaryName(leaf, pid)) << leaf;
    EXPECT_EQ(pid, static_cast<long>(::getpid()));
    ASSERT_TRUE(file.Write("new", error)) << error;
    ASSERT_TRUE(file.Commit(error)) << error;
    EXPECT_TRUE(fs::is_symlink(folder / "link.csv"));
    EXPECT_EQ(Read(folder / "real" / "data.csv"), "new");
    EXPECT_EQ(
        static_cast<std::size_t>(std::distance(fs::directory_iterator(folder / "real"), fs::directory_iterator())), 1u);
}

}  // namespace
}  // namespace driftline
