// Writing to paths that are not plain files, and the temporary files a killed write leaves.
#include "suite/Fileunit.h"
#include "suite/Inifile.h"

#include "suite/SuiteTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <utime.h>

namespace driftline {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::ScratchFolder;
using test::WriteBytes;

// Whatever the node, a refused write must leave it as it was: same type, same inode.
struct NodeIdentity {
    dev_t dev = 0;
    ino_t ino = 0;
    mode_t mode = 0;
    bool operator==(const NodeIdentity&) const = default;
};
NodeIdentity IdentityOf(const fs::path& p)
{
    struct stat info {};
    if (::lstat(p.c_str(), &info) != 0)
        return {};
    return {info.st_dev, info.st_ino, info.st_mode};
}

TEST(HostileOutput, DevicesFifosSocketsAndFoldersAreRefusedAndLeftAlone)
{
    ScratchFolder folder;
    const fs::path fifo = folder.path() / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path dir = folder.path() / "dir.csv";
    fs::create_directory(dir);
    const fs::path sock = folder.path() / "s.sock";
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", sock.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::vector<fs::path> nodes = {fifo, dir, sock};
    // A link to a FIFO is followed, and the FIFO it ends at is refused just the same.
    const fs::path linkToFifo = folder.path() / "link-to-pipe";
    fs::create_symlink("pipe", linkToFifo);
    nodes.push_back(linkToFifo);

    for (const fs::path& node : nodes) {
        SCOPED_TRACE(node.string());
        const NodeIdentity before = IdentityOf(node);
        std::string error;
        EXPECT_FALSE(WriteFileAtomically(node, "bytes", error));
        EXPECT_EQ(error, "not a regular file");
        EXPECT_EQ(IdentityOf(node), before);
        // The settings writer goes the same way.
        EXPECT_FALSE(WriteIniSection(node, "Driftline", {{"Top", "1"}}, error));
        EXPECT_EQ(IdentityOf(node), before);
    }
    ::close(fd);
    // Nothing was left behind by the refused writes.
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder.path()))
        ++entries;
    EXPECT_EQ(entries, nodes.size());
}

TEST(HostileOutput, ADeviceNodeIsRefusedAndLeftAlone)
{
    ScratchFolder folder;
    // A copy of /dev/full: the node a careless replace would destroy. Only root may make one.
    const fs::path device = folder.path() / "full";
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        GTEST_SKIP() << "mknod not permitted here";
    const NodeIdentity before = IdentityOf(device);
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(device, "bytes", error));
    EXPECT_EQ(error, "not a regular file");
    EXPECT_FALSE(WriteIniSection(device, "Driftline", {{"Top", "1"}}, error));
    EXPECT_EQ(IdentityOf(device), before);
    EXPECT_TRUE(S_ISCHR(before.mode));
}

TEST(HostileOutput, DanglingAndChainedLinksAreWrittenThrough)
{
    ScratchFolder folder;
    fs::create_directory(folder.path() / "real");
    // out.csv -> hop -> real/target.csv (missing): the write creates real/target.csv.
    fs::create_symlink("real/target.csv", folder.path() / "hop");
    fs::create_symlink(folder.path() / "hop", folder.path() / "out.csv");
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(folder.path() / "out.csv", "through", error)) << error;
    EXPECT_TRUE(fs::is_symlink(folder.path() / "out.csv"));
    EXPECT_TRUE(fs::is_symlink(folder.path() / "hop"));
    EXPECT_EQ(ReadBytes(folder.path() / "real" / "target.csv"), "through");

    // A loop has no end to write to.
    fs::create_symlink("b", folder.path() / "a");
    fs::create_symlink("a", folder.path() / "b");
    EXPECT_FALSE(WriteFileAtomically(folder.path() / "a", "x", error));
    EXPECT_EQ(error, "Too many levels of symbolic links");
}

TEST(HostileOutput, LongestValidNamesAreWritable)
{
    ScratchFolder folder;
    for (const std::size_t length : {250u, 255u}) {
        const fs::path target = folder.path() / std::string(length, 'n');
        std::string error;
        EXPECT_TRUE(WriteFileAtomically(target, "x", error)) << length << ": " << error;
        EXPECT_EQ(ReadBytes(target), "x");
    }
}

TEST(HostileOutput, TemporaryNamesAreRecognisedExactly)
{
    struct Case {
        const char* leaf;
        bool own;
        long pid;
    };
    const Case cases[] = {
        {".driftline-tmp-1234-aZ09xy", true, 1234},
        {".driftline-tmp-1-abcdef", true, 1},
        {".driftline-tmp-1234-abcde", false, 0},    // suffix one short
        {".driftline-tmp-1234-abcdefg", false, 0},  // one long
        {".driftline-tmp--abcdef", false, 0},       // no process id
        {".driftline-tmp-12a4-abcdef", false, 0},
        {".driftline-tmp-1234-abc.ef", false, 0},
        {".out.csv.AbCdEf", false, 0},  // someone else's pattern
        {"driftline-tmp-1234-abcdef", false, 0},
    };
    for (const Case& c : cases) {
        long pid = 0;
        EXPECT_EQ(IsOwnTemporaryName(c.leaf, pid), c.own) << c.leaf;
        if (c.own) {
            EXPECT_EQ(pid, c.pid) << c.leaf;
        }
    }
}

// A process id that surely belongs to no running process: a child that has been reaped.
long GonePid()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

TEST(HostileOutput, KilledWritesLeftoversAreRemovedOnTheNextWrite)
{
    ScratchFolder folder;
    const fs::path f = folder.path();
    const std::string gone = ".driftline-tmp-" + std::to_string(GonePid()) + "-AAAAAA";
    const std::string alive = ".driftline-tmp-" + std::to_string(::getppid()) + "-BBBBBB";
    const std::string aliveButOld = ".driftline-tmp-" + std::to_string(::getppid()) + "-CCCCCC";
    const std::string mine = ".driftline-tmp-" + std::to_string(::getpid()) + "-DDDDDD";
    for (const std::string& name : {gone, alive, aliveButOld, mine})
        WriteBytes(f / name, "half");
    // Two days old.
    const utimbuf old{::time(nullptr) - 2 * 86400, ::time(nullptr) - 2 * 86400};
    ASSERT_EQ(::utime((f / aliveButOld).c_str(), &old), 0);
    // Files of other patterns, and a folder of ours, are never touched.
    WriteBytes(f / ".out.csv.AbCdEf", "foreign");
    fs::create_directory(f / (".driftline-tmp-" + std::to_string(GonePid()) + "-EEEEEE"));

    std::string error;
    ASSERT_TRUE(WriteFileAtomically(f / "out.csv", "new", error)) << error;
    EXPECT_FALSE(fs::exists(f / gone));
    EXPECT_FALSE(fs::exists(f / aliveButOld));
    EXPECT_TRUE(fs::exists(f / alive));
    EXPECT_TRUE(fs::exists(f / mine));
    EXPECT_TRUE(fs::exists(f / ".out.csv.AbCdEf"));
    EXPECT_EQ(ReadBytes(f / "out.csv"), "new");
}

TEST(HostileOutput, AKilledWriteLeavesOnlyARecognisableTemporaryFile)
{
    ScratchFolder folder;
    const fs::path target = folder.path() / "big.csv";
    WriteBytes(target, "old");
    // The child is killed while writing: its write never returns.
    const pid_t child = ::fork();
    if (child == 0) {
        std::string error;
        WriteFileAtomically(target, std::string(std::size_t{1} << 28, 'x'), error);
        ::_exit(0);
    }
    // Wait until the child's temporary file is there, then kill it.
    bool seen = false;
    for (int i = 0; i < 5000 && !seen; ++i) {
        for (const auto& entry : fs::directory_iterator(folder.path())) {
            long pid = 0;
            seen = seen || IsOwnTemporaryName(entry.path().filename().string(), pid);
        }
        if (!seen)
            ::usleep(1000);
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(seen);
    EXPECT_EQ(ReadBytes(target), "old");
    EXPECT_EQ(RemoveStaleTemporaryFiles(folder.path()), 1u);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder.path()))
        ++entries;
    EXPECT_EQ(entries, 1u);
}

TEST(HostileInput, SettingsAndWholeFileReadsRefuseEndlessAndBlockingFiles)
{
    ScratchFolder folder;
    const fs::path fifo = folder.path() / "pipe.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);  // no writer: a blocking open would hang here
    std::string bytes;
    std::string error;
    EXPECT_FALSE(ReadWholeFile(fifo, bytes, error));
    EXPECT_EQ(error, "not a regular file");
    EXPECT_FALSE(ReadWholeFile("/dev/zero", bytes, error));
    EXPECT_EQ(error, "not a regular file");

    // One byte over the cap is refused, the cap itself is read.
    WriteBytes(folder.path() / "big.ini", std::string(MaxSettingsFileBytes + 1, ';'));
    EXPECT_FALSE(ReadWholeFile(folder.path() / "big.ini", bytes, error));
    EXPECT_EQ(error, "File too large");
    WriteBytes(folder.path() / "cap.ini", std::string(MaxSettingsFileBytes, ';'));
    EXPECT_TRUE(ReadWholeFile(folder.path() / "cap.ini", bytes, error)) << error;
    EXPECT_EQ(bytes.size(), MaxSettingsFileBytes);

    // The settings reader takes such a file as an empty one: every default holds.
    EXPECT_EQ(TIniReader(fifo).Int("Driftline", "Top", 42), 42);
    EXPECT_EQ(TIniReader("/dev/zero").Int("Driftline", "Top", 42), 42);
}

}  // namespace
}  // namespace driftline
