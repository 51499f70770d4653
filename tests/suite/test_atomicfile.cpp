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
        folder = fs::temp_directory_path() /
                 ("driftline-atomic-" + std::to_string(::getpid()) + "-" +
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
    // A folder in the way: the write goes to the temporary file, the rename fails, nothing stays.
    fs::create_directories(folder / "taken");
    fs::create_directories(folder / "taken" / "inside");
    TAtomicFile folderInTheWay;
    ASSERT_TRUE(folderInTheWay.Open(folder / "taken", error)) << error;
    ASSERT_TRUE(folderInTheWay.Write("x", error));
    error.clear();
    EXPECT_FALSE(folderInTheWay.Commit(error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::is_directory(folder / "taken" / "inside"));
    EXPECT_EQ(FilesInFolder(), 2u);
}

}  // namespace
}  // namespace driftline
