// driftline-cli derive --follow end to end: a log written piece by piece while the tool follows
// it; once the writer stops and the tool ends (idle exit, SIGTERM, SIGINT), its output is the
// output of derive on the finished file, byte for byte.
#include "Clirunner.h"

#include "logdata/Logsimulator.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

namespace driftline {
namespace {

using testing::ReadFileText;
using testing::RunCliCommand;
using testing::TCliFolder;
using testing::TCliRun;

const char* const SiteIni = "[Latitude]\r\nDegrees=51\r\nMinutes=28\r\nSeconds=38\r\n"
                            "[Calculations]\r\nEquinox=J2000\r\n";

// Starts driftline-cli with its stdout and stderr going to files; returns its process id.
pid_t StartCli(const std::vector<std::string>& args, const std::filesystem::path& out, const std::filesystem::path& err)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(o, 1);
        ::dup2(e, 2);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(DRIFTLINE_CLI));
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(DRIFTLINE_CLI, argv.data());
        ::_exit(127);
    }
    return pid;
}

std::size_t LineCount(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(CliFollow, OutputOnceTheWriterStopsIsThatOfDeriveOnTheFinishedFile)
{
    TSimulateOptions simulate;
    simulate.records = 300;
    simulate.hour = 23;
    simulate.minute = 58;  // crosses midnight
    const std::string log = SimulateLog(simulate);
    // The tool starts on the session header and the first records; the rest arrives in
    // pieces cut inside lines and between CR and LF.
    const std::size_t firstPart = log.find("\r\n", log.size() / 3) + 1;

    struct Case {
        const char* name;
        int signal;  // 0: end by --idle-exit
    };
    const Case cases[] = {{"idle exit", 0}, {"SIGTERM", SIGTERM}, {"SIGINT", SIGINT}};
    for (const auto& c : cases) {
        TCliFolder folder;
        const auto ini = folder.write("ZVK.ini", SiteIni);
        const auto path = folder.write("night.log", log.substr(0, firstPart));
        std::vector<std::string> args = {"derive", path.string(), "--ini", ini.string(), "--follow"};
        if (c.signal == 0) {
            args.push_back("--idle-exit");
            args.push_back("1");
        }
        const auto outPath = folder.path() / "follow.out";
        const pid_t pid = StartCli(args, outPath, folder.path() / "follow.err");
        ASSERT_GT(pid, 0);

        // The first part ends between a CR and its LF: that line waits. What is printed before
        // anything more is written is what derive prints for the complete lines.
        const auto firstCopy = folder.write("first.log", log.substr(0, log.rfind('\n', firstPart - 1) + 1));
        const std::size_t firstLines = LineCount(
            RunCliCommand({"derive", firstCopy.string(), "--ini", ini.string()}, folder).out);
        ASSERT_GT(firstLines, 50u);
        auto waitForLines = [&](std::size_t lines) {
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (LineCount(ReadFileText(outPath)) < lines && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return LineCount(ReadFileText(outPath));
        };
        EXPECT_EQ(waitForLines(firstLines), firstLines) << c.name;
        {
            std::ofstream out(path, std::ios::binary | std::ios::app);
            std::size_t at = firstPart;
            std::size_t piece = 7;
            while (at < log.size()) {
                const std::size_t n = std::min(piece, log.size() - at);
                out.write(log.data() + at, static_cast<std::streamsize>(n));
                out.flush();
                at += n;
                piece = piece * 3 % 701 + 1;  // lengths that land anywhere in a line
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        }
        TCliRun whole = RunCliCommand({"derive", path.string(), "--ini", ini.string()}, folder);
        ASSERT_EQ(whole.exitCode, 0) << whole.err;
        if (c.signal != 0) {
            // Everything complete is printed (and flushed) while following; then the signal.
            EXPECT_EQ(waitForLines(LineCount(whole.out)), LineCount(whole.out)) << c.name;
            ::kill(pid, c.signal);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status)) << c.name << ": ended by a signal";
        EXPECT_EQ(WEXITSTATUS(status), 0) << c.name << ": " << ReadFileText(folder.path() / "follow.err");
        const std::string followed = ReadFileText(outPath);
        EXPECT_TRUE(followed == whole.out)
            << c.name << ": output differs from derive: " << followed.size() << " bytes against " << whole.out.size();
    }
}

TEST(CliFollow, OptionsThatDoNotGoTogether)
{
    TCliFolder folder;
    const auto path = folder.write("a.log", "1 2 3 4\r\n");
    struct Case {
        std::vector<std::string> args;
        const char* problem;
    };
    const Case cases[] = {
        {{"derive", path.string(), "--idle-exit", "1"}, "--idle-exit needs --follow"},
        {{"derive", path.string(), "--follow", "--idle-exit", "soon"}, "is not a number of seconds"},
        {{"derive", path.string(), "--follow", "--idle-exit", "-1"}, "is not a number of seconds"},
        {{"derive", path.string(), "--follow", "--az-corr", "3"}, "--follow does not take"},
    };
    for (const auto& c : cases) {
        const TCliRun run = RunCliCommand(c.args, folder);
        EXPECT_EQ(run.exitCode, 2) << c.problem;
        EXPECT_NE(run.err.find(c.problem), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty()) << c.problem;
    }
}

}  // namespace
}  // namespace driftline
