// driftline-cli's read progress: drawn and erased on a terminal, never written to a file or pipe.
#include "Clirunner.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace driftline {
namespace {

using testing::RunCliCommand;
using testing::TCliFolder;

class CliProgress : public ::testing::Test {
protected:
    void SetUp() override
    {
        // 60,000 records of some 25 bytes: over the 1 MiB below which a read never shows progress.
        const auto made = RunCliCommand({"simulate", log_.string(), "--records", "60000"}, folder_);
        ASSERT_EQ(made.exitCode, 0) << made.err;
        ASSERT_GT(std::filesystem::file_size(log_), 1048576u);
    }
    TCliFolder folder_;
    std::filesystem::path log_ = folder_.path() / "long.log";
    testing::ScopedEnv suite_{"ZVK_ROOT", folder_.path().string()};
    testing::ScopedEnv atOnce_{"DRIFTLINE_PROGRESS_AFTER_MS", std::string("0")};
};

TEST_F(CliProgress, NothingOnStandardErrorThroughAPipeOrFile)
{
    for (const char* command : {"info", "derive"}) {
        const auto run = RunCliCommand({command, log_.string()}, folder_);
        EXPECT_EQ(run.exitCode, 0) << command;
        EXPECT_EQ(run.err, "") << command;
    }
    const auto piped = testing::RunCliLine("info " + testing::ShellQuote(log_.string()) + " | cat",
                                           folder_.path() / "piped.err");
    EXPECT_EQ(piped.exitCode, 0);
    EXPECT_EQ(piped.err, "");
}

TEST_F(CliProgress, DrawnAndErasedOnATerminal)
{
    if (std::system("command -v script >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no script(1) to give the tool a terminal";
    // script runs the tool on a pseudo-terminal and copies what the terminal shows; standard
    // output goes to a file, so all that shows is standard error.
    const std::string inner = testing::ShellQuote(DRIFTLINE_CLI) + " info " + testing::ShellQuote(log_.string()) +
                              " >" + testing::ShellQuote((folder_.path() / "tty.out").string());
    const auto shown = folder_.path() / "tty.shown";
    const std::string command = "script -qec " + testing::ShellQuote(inner) + " /dev/null >" +
                                testing::ShellQuote(shown.string()) + " 2>&1 </dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string screen = testing::ReadFileText(shown);
    // Redrawn in place from the line's start, with the bar, the byte count and the record count.
    EXPECT_EQ(screen.rfind("\r[", 0), 0u) << screen.substr(0, 200);
    EXPECT_NE(screen.find(" MB  "), std::string::npos);
    EXPECT_NE(screen.find(" records  "), std::string::npos);
    // The bar steps per hundredth of the file (its last step falls on the final byte only when
    // the size divides by 100): the 99th is drawn, with 99 % to 100 % of the 60,000 records read.
    const std::size_t last = screen.find(" 99 %");
    ASSERT_NE(last, std::string::npos);
    const std::size_t mb = screen.find(" MB  ", last);
    ASSERT_NE(mb, std::string::npos);
    const unsigned long records = std::stoul(screen.substr(mb + 5));
    EXPECT_GE(records, 59400u);
    EXPECT_LE(records, 60000u);
    // Erased at the end: nothing of it stays before the next output.
    ASSERT_GE(screen.size(), 4u);
    EXPECT_EQ(screen.substr(screen.size() - 4), "\r\033[K");
    EXPECT_EQ(screen.find('\n'), std::string::npos);
    // The report itself is unchanged.
    EXPECT_NE(testing::ReadFileText(folder_.path() / "tty.out").find("records: 60000\n"), std::string::npos);
}

}  // namespace
}  // namespace driftline
