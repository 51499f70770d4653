// driftline-cli in the ICRS frame: --frame, --dut1, --no-refraction and the Frame setting, and
// FITS tables from derive and save.
#include "Clirunner.h"

#include <fitsio.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace driftline {
namespace {

using testing::ReadFileText;
using testing::RunCliCommand;
using testing::SplitLines;
using testing::TCliFolder;

// 20 March 2024, 12:00:00 and 12:00:10 UTC. Counts: 16384 = 180 deg, 2731 = 30.0036621 deg,
// 6827 = 75.0073242 deg, 455 = 4.9987793 deg.
const char* const NorthLog = "Opening session 20/03/2024 12:00:00 (UTC)\r\n"
                             "Azimuth correction 0\r\n"
                             "43200000 16384 2731 1024\r\n"
                             "43210000 6827 455 1030\r\n";

// 1 July 2025, 03:17:42.500 UTC; 18204 counts = 199.9951172 deg, 5461 = 59.9963379 deg.
const char* const SouthLog = "Opening session 01/07/2025 03:17:42 (UTC)\r\n"
                             "11862500 18204 5461 2000\r\n";

// A southern site in the suite's own keys, with the viewer's humidity.
const char* const SouthIni = "[Latitude]\r\nDegrees=-33\r\nMinutes=56\r\nSeconds=0\r\n"
                             "[Longitude]\r\nDegrees=18\r\nMinutes=28\r\nSeconds=0\r\n"
                             "[Position]\r\nHeight=10\r\nPressure=1013\r\nTemperature=20\r\n"
                             "[Driftline]\r\nHumidity=70\r\n";

struct TPlace {
    double ra, dec, beta, lambda;  // as derive prints them: Dec and Beta below 0 as 360 + value
};

std::vector<double> Values(const std::string& line)
{
    std::vector<double> v;
    const char* p = line.c_str();
    while (*p) {
        char* end = nullptr;
        v.push_back(std::strtod(p, &end));
        if (end == p)
            break;
        p = *end == ',' ? end + 1 : end;
    }
    return v;
}

std::vector<TPlace> Places(const std::string& csv)
{
    std::vector<TPlace> places;
    const auto lines = SplitLines(csv);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const auto v = Values(lines[i]);
        if (v.size() == 8)
            places.push_back({v[3], v[4], v[5], v[6]});
    }
    return places;
}

double Signed(double stored)
{
    return stored > 180.0 ? stored - 360.0 : stored;
}

double ApartArcsec(double ra1, double dec1, double ra2, double dec2)
{
    const double r = 3.141592653589793 / 180.0;
    const double c = std::sin(dec1 * r) * std::sin(dec2 * r) +
                     std::cos(dec1 * r) * std::cos(dec2 * r) * std::cos((ra1 - ra2) * r);
    return std::acos(std::min(1.0, c)) / r * 3600.0;
}

// Expected places: Astropy 5.2.1's AltAz -> ICRS (and -> Galactic) for the counts' angles, the
// settings' site and air (defaults 54 16' N, 2 16' W, 200 m, 990 hPa, 10 C; humidity 50 %), 21 cm,
// polar motion 0: `scripts/icrs_reference.py point SERIAL AZ ALT [...]`. The kept context adds up
// to 0.005" and Astropy's FK5-based galactic frame about 0.02".
struct TExpected {
    const char* name;
    std::vector<std::string> extraArgs;
    std::size_t row;
    double ra, dec, lambda, beta;
};

TEST(CliPrecise, DeriveInTheIcrsFrameMatchesIndependentPlaces)
{
    const TExpected cases[] = {
        {"north 180/30", {}, 0, 355.938668178, -5.890954012, 82.732190241, -63.349884369},
        {"north 75/5, refraction", {}, 1, 95.391559145, 12.657068785, 198.285369019, -0.741928589},
        {"north 75/5, no refraction", {"--no-refraction"}, 1, 95.290694114, 12.795161275, 198.117211122, -0.763777540},
        {"north 180/30, DUT1 0.4 s", {"--dut1", "0.4"}, 0, 355.940339813, -5.890954334, 82.735216413, -63.350844868},
    };
    TCliFolder folder;
    const auto log = folder.write("north.log", NorthLog);
    for (const TExpected& c : cases) {
        std::vector<std::string> args = {"derive", log.string(), "--root", folder.path().string(), "--frame", "icrs"};
        args.insert(args.end(), c.extraArgs.begin(), c.extraArgs.end());
        const auto run = RunCliCommand(args, folder);
        ASSERT_EQ(run.exitCode, 0) << c.name << ": " << run.err;
        const auto places = Places(run.out);
        ASSERT_EQ(places.size(), 2u) << run.out;
        const TPlace& p = places[c.row];
        EXPECT_LT(ApartArcsec(p.ra, Signed(p.dec), c.ra, c.dec), 0.01)
            << c.name << ": " << p.ra << " " << p.dec << " expected " << c.ra << " " << c.dec;
        EXPECT_LT(ApartArcsec(p.lambda, Signed(p.beta), c.lambda, c.beta), 0.03) << c.name;
        // The lists keep their convention: a negative declination as 360 + d.
        if (c.dec < 0) {
            EXPECT_GT(p.dec, 270.0) << c.name;
        }
    }

    // Southern site, its humidity read from the viewer's section.
    folder.write("ZVK.ini", SouthIni);
    const auto south = folder.write("south.log", SouthLog);
    const auto run = RunCliCommand({"derive", south.string(), "--root", folder.path().string(), "--frame", "icrs"},
                                   folder);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto places = Places(run.out);
    ASSERT_EQ(places.size(), 1u);
    EXPECT_LT(ApartArcsec(places[0].ra, Signed(places[0].dec), 326.291048890, -60.975006816), 0.01)
        << places[0].ra << " " << places[0].dec;
    EXPECT_LT(ApartArcsec(places[0].lambda, Signed(places[0].beta), 332.300449969, -44.073692727), 0.03);
}

// The frame comes from the viewer's "Frame" setting unless --frame says otherwise; the classic
// frame is the default and its output does not change. The ICRS frame ignores the equinox flag.
TEST(CliPrecise, FrameSettingOptionAndEquinox)
{
    TCliFolder folder;
    const auto log = folder.write("north.log", NorthLog);
    const std::string root = folder.path().string();
    auto derive = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = {"derive", log.string(), "--root", root};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto run = RunCliCommand(args, folder);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return run.out;
    };
    const std::string classic = derive({});
    const std::string icrs = derive({"--frame", "icrs"});
    EXPECT_EQ(derive({"--frame", "classic"}), classic);
    EXPECT_NE(icrs, classic);
    // The classic frame is 2024's equator of date: about 0.33 degree of precession from J2000
    // in right ascension near 0 h, so the two frames differ by far more than any rounding.
    EXPECT_GT(ApartArcsec(Places(classic)[0].ra, Signed(Places(classic)[0].dec), Places(icrs)[0].ra,
                          Signed(Places(icrs)[0].dec)),
              600.0);

    folder.write("ZVK.ini", "[Driftline]\r\nFrame=1\r\n");
    EXPECT_EQ(derive({}), icrs);
    EXPECT_EQ(derive({"--frame", "classic"}), classic);
    // A Frame key in another section is not the viewer's.
    folder.write("ZVK.ini", "[Position]\r\nFrame=1\r\n");
    EXPECT_EQ(derive({}), classic);
    // Under J1950 the classic galactic coordinates change; the ICRS frame does not look at it.
    folder.write("ZVK.ini", "[Calculations]\r\nEquinox=J1950\r\n[Driftline]\r\nFrame=1\r\n");
    EXPECT_EQ(derive({}), icrs);
    EXPECT_NE(derive({"--frame", "classic"}), classic);
}

TEST(CliPrecise, BadPositionOptionsAreUsageErrors)
{
    TCliFolder folder;
    const auto log = folder.write("north.log", NorthLog);
    struct Case {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"derive", log.string(), "--frame", "fk5"}, "unknown frame 'fk5'"},
        {{"derive", log.string(), "--frame"}, "option --frame needs a value"},
        {{"derive", log.string(), "--dut1", "1.5"}, "bad DUT1 '1.5'"},
        {{"derive", log.string(), "--dut1", "nan"}, "bad DUT1 'nan'"},
        {{"derive", log.string(), "--no-refraction=1"}, "unknown option"},
        {{"derive", log.string(), "--format", "fits"}, "--format fits needs -o FILE"},
        {{"derive", log.string(), "--format", "xml"}, "unknown format 'xml'"},
        {{"info", log.string(), "--frame", "j2000"}, "unknown frame 'j2000'"},
        {{"plot", log.string(), "--x", "Time", "--y", "Volts", "--dut1", "x", "-o", "a.png"}, "bad DUT1 'x'"},
    };
    for (const Case& c : cases) {
        const auto run = RunCliCommand(c.args, folder);
        EXPECT_EQ(run.exitCode, 2) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty());
    }
}

// Each command that reads a log takes the frame; the ICRS ranges differ from the classic ones.
TEST(CliPrecise, EveryLogCommandTakesTheFrame)
{
    TCliFolder folder;
    // Five pointings across the sky, so that the inner points of a plot move with the frame.
    const auto log = folder.write("sweep.log", "Opening session 20/03/2024 12:00:00 (UTC)\r\n"
                                               "43200000 16384 2731 1024\r\n43260000 6827 455 1030\r\n"
                                               "43320000 2000 6000 1100\r\n43380000 30000 7000 1000\r\n"
                                               "43440000 12000 4000 1200\r\n");
    const std::string root = folder.path().string();
    const std::vector<std::vector<std::string>> commands = {
        {"info", log.string()},
        {"pixels", log.string(), "--x", "RightAscension", "--y", "Declination"},
        {"limits", log.string(), "-o", "-"},
        {"save", log.string(), "--x", "RightAscension", "--y", "Declination", "--format", "csv", "-o", "-"},
        {"fit", log.string(), "--x", "RightAscension", "--y", "Declination", "--coeffs", "2"},
    };
    for (const auto& command : commands) {
        auto args = command;
        args.insert(args.end(), {"--root", root});
        const auto classic = RunCliCommand(args, folder);
        args.insert(args.end(), {"--frame", "icrs", "--dut1", "0.1", "--no-refraction"});
        const auto icrs = RunCliCommand(args, folder);
        EXPECT_EQ(classic.exitCode, icrs.exitCode) << command[0] << ": " << icrs.err;
        EXPECT_TRUE(icrs.err.empty()) << command[0] << ": " << icrs.err;
        EXPECT_NE(classic.out, icrs.out) << command[0];
        if (command[0] == "info") {
            EXPECT_EQ(classic.out.find("positions:"), std::string::npos);
            EXPECT_NE(icrs.out.find("\npositions: ICRS (J2000)\n"), std::string::npos) << icrs.out;
        }
    }
}

// FITS tables from derive and save, read back through CFITSIO.
TEST(CliPrecise, DeriveAndSaveWriteFitsTables)
{
    TCliFolder folder;
    const auto log = folder.write("north.log", NorthLog);
    const std::string root = folder.path().string();
    const auto table = folder.path() / "derived.fits";
    auto run = RunCliCommand(
        {"derive", log.string(), "--root", root, "--frame", "icrs", "--format", "fits", "-o", table.string()}, folder);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.out.empty());

    fitsfile* f = nullptr;
    int status = 0;
    fits_open_table(&f, table.c_str(), READONLY, &status);
    ASSERT_EQ(status, 0);
    long rows = 0;
    int columns = 0;
    fits_get_num_rows(f, &rows, &status);
    fits_get_num_cols(f, &columns, &status);
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(columns, 8);
    char value[FLEN_VALUE] = {};
    fits_read_key(f, TSTRING, "RADESYS", value, nullptr, &status);
    EXPECT_STREQ(value, "ICRS");
    fits_read_key(f, TSTRING, "LOGFILE", value, nullptr, &status);
    EXPECT_STREQ(value, "north.log");
    fits_read_key(f, TSTRING, "DATE-OBS", value, nullptr, &status);
    EXPECT_STREQ(value, "2024-03-20T12:00:00.000");
    double dec[2] = {};
    int anynul = 0;
    fits_read_col(f, TDOUBLE, 5, 1, 1, 2, nullptr, dec, &anynul, &status);
    EXPECT_EQ(status, 0);
    // Signed in the file (the CSV holds the first one as 360 + d), same place as above.
    EXPECT_NEAR(dec[0], -5.890954012, 0.01 / 3600.0);
    fits_close_file(f, &status);

    // The selection: two columns, in the classic frame here.
    const auto saved = folder.path() / "saved.fits";
    run = RunCliCommand({"save", log.string(), "--root", root, "--x", "Time", "--y", "Declination", "--format", "fits",
                         "-o", saved.string()},
                        folder);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    status = 0;
    fits_open_table(&f, saved.c_str(), READONLY, &status);
    ASSERT_EQ(status, 0);
    fits_get_num_cols(f, &columns, &status);
    EXPECT_EQ(columns, 2);
    fits_read_key(f, TSTRING, "TTYPE2", value, nullptr, &status);
    EXPECT_STREQ(value, "DEC");
    int keyStatus = 0;
    fits_read_key(f, TSTRING, "RADESYS", value, nullptr, &keyStatus);
    EXPECT_EQ(keyStatus, KEY_NO_EXIST);
    fits_read_key(f, TSTRING, "POSFRAME", value, nullptr, &status);
    EXPECT_STREQ(value, "CLASSIC");
    fits_close_file(f, &status);
    EXPECT_EQ(status, 0);

    // The same bytes through standard output.
    run = RunCliCommand(
        {"save", log.string(), "--root", root, "--x", "Time", "--y", "Declination", "--format", "fits", "-o", "-"},
        folder);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, ReadFileText(saved));

    // derive -o with CSV writes what standard output would get.
    const auto csv = folder.path() / "derived.csv";
    run = RunCliCommand({"derive", log.string(), "--root", root, "-o", csv.string()}, folder);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFileText(csv), RunCliCommand({"derive", log.string(), "--root", root}, folder).out);
}

}  // namespace
}  // namespace driftline
