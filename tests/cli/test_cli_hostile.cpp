// driftline-cli against inputs and outputs that are not plain files, and its own error lines.
#include "Clirunner.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace driftline::testing {
namespace {

TEST(CliHostile, FifosAndDevicesAreRefusedAtOnce)
{
    TCliFolder folder;
    // The folder stands as the suite, so no "no suite folder" line comes before the pinned error.
    const ScopedEnv suite("ZVK_ROOT", folder.path().string());
    const auto fifo = folder.path() / "pipe.log";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);  // no writer: reading it the plain way hangs
    const auto log = folder.write("a.log", "Opening session 12/05/2010 21:03:15 (UTC)\r\n75795000 8192 4096 1024\r\n");

    struct Case {
        const char* name;
        std::vector<std::string> args;
        int exitCode;
        std::string err;  // the whole of stderr
    };
    const Case cases[] = {
        {"info of a FIFO",
         {"info", fifo.string()},
         1,
         "driftline-cli: cannot open " + fifo.string() + ": not a regular file\n"},
        {"info of /dev/zero", {"info", "/dev/zero"}, 1, "driftline-cli: cannot open /dev/zero: not a regular file\n"},
        {"save into a FIFO",
         {"save", log.string(), "--x", "0", "--y", "1", "--format", "csv", "-o", fifo.string()},
         1,
         "driftline-cli save: cannot save " + fifo.string() + ": not a regular file\n"},
        {"limits into a FIFO",
         {"limits", log.string(), "-o", fifo.string()},
         1,
         "driftline-cli limits: cannot save " + fifo.string() + ": not a regular file\n"},
        // An endless settings file reads as none: every setting keeps its default.
        {"settings from /dev/zero", {"info", log.string(), "--ini", "/dev/zero"}, 0, ""},
    };
    for (const Case& c : cases) {
        const TCliRun run = RunCliCommand(c.args, folder);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.name;
        EXPECT_EQ(run.err, c.err) << c.name;
        struct stat info {};
        ASSERT_EQ(::lstat(fifo.c_str(), &info), 0) << c.name;
        EXPECT_TRUE(S_ISFIFO(info.st_mode)) << c.name;
    }
}

TEST(CliHostile, PlotAndFitPrintOnlyTheirOwnErrorLine)
{
    TCliFolder folder;
    // The folder stands as the suite, so no "no suite folder" line comes before the pinned error.
    const ScopedEnv suite("ZVK_ROOT", folder.path().string());
    const auto log = folder.write("a.log", "Opening session 12/05/2010 21:03:15 (UTC)\r\n75795000 8192 4096 1024\r\n"
                                           "75796000 8193 4097 1025\r\n75797000 8194 4098 1026\r\n");
    // Without a runtime folder the toolkit would note that on stderr before anything else.
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedValue = saved ? saved : "";
    ::unsetenv("XDG_RUNTIME_DIR");
    const std::string out = (folder.path() / "missing" / "p.png").string();
    const TCliRun plot = RunCliCommand({"plot", log.string(), "--x", "0", "--y", "1", "-o", out}, folder);
    const TCliRun fit = RunCliCommand({"fit", log.string(), "--x", "0", "--y", "1", "--coeffs", "2", "-o", out},
                                      folder);
    if (saved)
        ::setenv("XDG_RUNTIME_DIR", savedValue.c_str(), 1);
    EXPECT_EQ(plot.exitCode, 1);
    EXPECT_EQ(plot.err, "driftline-cli plot: cannot write " + out + ": No such file or directory\n");
    EXPECT_EQ(fit.exitCode, 1);
    EXPECT_EQ(SplitLines(fit.err).size(), 1u) << fit.err;
    EXPECT_EQ(fit.err.rfind("driftline-cli fit: ", 0), 0u) << fit.err;
}

}  // namespace
}  // namespace driftline::testing
