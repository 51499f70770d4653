// Which suite driftline-cli uses when none is named with --root: the log's own suite, ZVK_ROOT,
// the suite remembered by the viewer, or none, which is said in one line.
#include "Clirunner.h"

#include <gtest/gtest.h>

#include <optional>

namespace driftline {
namespace {

using testing::RunCliCommand;
using testing::ScopedEnv;
using testing::SplitLines;
using testing::TCliFolder;

// One record with the dish at the zenith (altitude 8192 counts = 90 degrees), where the
// declination is the site latitude.
const char* const ZenithLog = "Opening session 12/05/2010 21:03:15 (UTC)\r\n75795000 0 8192 1024\r\n";
// 33 deg 30 min south: the declination column holds it as 360 - 33.5 = 326.5.
const char* const SouthIni = "[Latitude]\r\nDegrees=-33\r\nMinutes=30\r\n";
// The built-in site, 54 deg 16 min north.
constexpr double DefaultLatitude = 54.0 + 16.0 / 60.0;

double Declination(const std::string& out)
{
    const auto lines = SplitLines(out);
    if (lines.size() < 2)
        return -1;
    std::string field = lines[1];
    for (int i = 0; i < 4; ++i)
        field = field.substr(field.find(',') + 1);
    return std::stod(field.substr(0, field.find(',')));
}

TEST(CliSuite, RootWithoutTheRootOption)
{
    TCliFolder folder;
    std::filesystem::create_directories(folder.path() / "south" / "Logs");
    std::filesystem::create_directories(folder.path() / "loose");
    std::filesystem::create_directories(folder.path() / "config" / "driftline");
    folder.write("south/ZVK.ini", SouthIni);
    const auto inSuite = folder.write("south/Logs/ZV-12-05-2010-0001.log", ZenithLog);
    const auto loose = folder.write("loose/ZV-12-05-2010-0001.log", ZenithLog);
    const std::string south = (folder.path() / "south").string();
    const std::string remembered = "[Suite]\nRoot=" + south + "\n";
    const std::string hint = "driftline-cli: no suite folder is known (a folder holding ZVK.ini and Logs); "
                             "name one with --root DIR or ZVK_ROOT=DIR, or choose one in the viewer\n";

    struct Case {
        const char* name;
        std::filesystem::path log;
        std::optional<std::string> zvkRoot;
        std::string config;  // driftline.conf; "" = none
        double declination;
        bool hint;
    };
    const Case cases[] = {
        {"log in a suite's Logs", inSuite, std::nullopt, "", 326.5, false},
        {"loose log, nothing known", loose, std::nullopt, "", DefaultLatitude, true},
        {"loose log, remembered suite", loose, std::nullopt, remembered, 326.5, false},
        {"loose log, ZVK_ROOT", loose, south, "", 326.5, false},
        {"ZVK_ROOT beats the log's suite", inSuite, (folder.path() / "loose").string(), "", DefaultLatitude, false},
    };
    for (const Case& c : cases) {
        ScopedEnv root("ZVK_ROOT", c.zvkRoot);
        ScopedEnv config("XDG_CONFIG_HOME", (folder.path() / "config").string());
        std::filesystem::remove(folder.path() / "config" / "driftline" / "driftline.conf");
        if (!c.config.empty())
            folder.write("config/driftline/driftline.conf", c.config);
        const auto run = RunCliCommand({"derive", c.log.string()}, folder);
        EXPECT_EQ(run.exitCode, 0) << c.name << ": " << run.err;
        EXPECT_NEAR(Declination(run.out), c.declination, 1e-9) << c.name << "\n" << run.out;
        EXPECT_EQ(run.err, c.hint ? hint : "") << c.name;
    }
}

}  // namespace
}  // namespace driftline
