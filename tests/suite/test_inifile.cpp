// Settings file parsing and the viewer's section writer.
#include "suite/Inifile.h"

#include "suite/SuiteTestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <locale.h>
#include <sys/stat.h>

namespace driftline {
namespace {

using test::ReadBytes;
using test::ScratchFolder;
using test::WriteBytes;

// ---------------------------------------------------------------- number forms

struct IntCase {
    const char* text;
    std::int32_t expected;
};

TEST(IniParse, IntegersDecimalAndHexWithDefaultOnAnythingElse)
{
    constexpr std::int32_t def = -77;
    const IntCase cases[] = {
        {"42", 42},
        {"-17", -17},
        {"+5", 5},
        {"  7  ", 7},  // blanks at the ends are not part of the value
        {"0x1F", 31},
        {"0X1f", 31},
        {"$FF", 255},
        {"-0x10", -16},
        {"$FFFFFFFF", -1},  // eight hex digits are a 32-bit pattern
        {"0x7FFFFFFF", 2147483647},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", def},  // decimal beyond 32 bits does not parse
        {"0x100000000", def},
        {"", def},
        {"-", def},
        {"0x", def},
        {"$", def},
        {"12abc", def},
        {"1 2", def},
        {"1.5", def},
        {"0xG1", def},
    };
    for (const IntCase& c : cases) {
        EXPECT_EQ(ParseIniInt(c.text, def), c.expected) << "text \"" << c.text << "\"";
    }
}

struct RealCase {
    const char* text;
    double expected;
};

TEST(IniParse, RealsWithPointAndDefaultOnAnythingElse)
{
    constexpr double def = -99.25;
    const RealCase cases[] = {
        {"8.1", 8.1},    {"-0.05", -0.05}, {"+2.5", 2.5},  {".5", 0.5},  {"3.", 3.0},
        {"1e3", 1000.0}, {"2.5E-1", 0.25}, {" 6.7 ", 6.7}, {"12", 12.0}, {"abc", def},
        {"1.2.3", def},  {"inf", def},     {"nan", def},   {"", def},    {"0x10", def},
        {"1e", def},     {"e5", def},      {"5 .1", def},  {"1,5", def},
    };
    for (const RealCase& c : cases) {
        EXPECT_EQ(ParseIniReal(c.text, def, '.'), c.expected) << "text \"" << c.text << "\"";
    }
}

TEST(IniParse, RealsAcceptTheLocaleSeparatorBesideThePoint)
{
    constexpr double def = -1.0;
    const RealCase cases[] = {
        {"0,5667", 0.5667}, {"0.5667", 0.5667}, {"-2,0", -2.0}, {"1,000.5", def}, {"1,2,3", def},
    };
    for (const RealCase& c : cases) {
        EXPECT_EQ(ParseIniReal(c.text, def, ','), c.expected) << "text \"" << c.text << "\"";
    }
}

TEST(IniParse, RealsFollowTheUsersLocale)
{
    // The separator comes from the user's environment, not from the process locale, which the
    // program leaves at "C" so its own number texts keep the point.
    const char* candidates[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "de_DE", "fr_FR"};
    const char* found = nullptr;
    for (const char* name : candidates) {
        if (locale_t probe = newlocale(LC_NUMERIC_MASK, name, static_cast<locale_t>(nullptr))) {
            freelocale(probe);
            found = name;
            break;
        }
    }
    if (!found)
        GTEST_SKIP() << "no German or French locale installed";
    const char* oldAll = std::getenv("LC_ALL");
    const std::string saved = oldAll ? oldAll : "";
    setenv("LC_ALL", found, 1);
    const char separator = UserDecimalSeparator();
    const double withComma = ParseIniReal("0,5667", -1.0);
    const double withPoint = ParseIniReal("0.5667", -1.0);
    if (oldAll)
        setenv("LC_ALL", saved.c_str(), 1);
    else
        unsetenv("LC_ALL");
    EXPECT_EQ(separator, ',') << found;
    EXPECT_EQ(withComma, 0.5667) << found;
    EXPECT_EQ(withPoint, 0.5667) << found;
}

TEST(IniParse, PointIsTheSeparatorWithoutAUserLocale)
{
    const char* oldAll = std::getenv("LC_ALL");
    const std::string saved = oldAll ? oldAll : "";
    setenv("LC_ALL", "C", 1);
    const char separator = UserDecimalSeparator();
    const double value = ParseIniReal("0.5667", -1.0);
    if (oldAll)
        setenv("LC_ALL", saved.c_str(), 1);
    else
        unsetenv("LC_ALL");
    EXPECT_EQ(separator, '.');
    EXPECT_EQ(value, 0.5667);
}

TEST(IniParse, BooleansAreIntegers)
{
    struct BoolCase {
        const char* text;
        int expected;  // 0 false, 1 true, -1 the default
    };
    const BoolCase cases[] = {
        {"0", 0},   {"1", 1},    {"2", 1},     {"-1", 1}, {"0x0", 0},
        {"$10", 1}, {"yes", -1}, {"true", -1}, {"", -1},  {"1x", -1},
    };
    for (const BoolCase& c : cases) {
        for (bool def : {false, true}) {
            const bool expected = c.expected < 0 ? def : c.expected == 1;
            EXPECT_EQ(ParseIniBool(c.text, def), expected) << "text \"" << c.text << "\" default " << def;
        }
    }
}

// ---------------------------------------------------------------- reading

TEST(IniReader, SectionsAndKeysMatchIgnoringCaseAndValuesAreTrimmed)
{
    const TIniReader ini = TIniReader::FromText("; comment line\r\n"
                                                "[TeleScope]\r\n"
                                                "NAME =   Dish  3  \r\n"
                                                "[log FILE]\r\n"
                                                "prefix=\r\n"
                                                "[Com Ports]\r\n"
                                                "Motor=\t0x10\t\r\n"
                                                "Motor=5\r\n");
    EXPECT_EQ(ini.String("Telescope", "Name", "x"), "Dish  3");
    EXPECT_EQ(ini.String("TELESCOPE", "name", "x"), "Dish  3");
    // Present but empty is the empty text, not the default.
    EXPECT_EQ(ini.String("Log file", "Prefix", "ZV"), "");
    // Of two equal keys the first is read.
    EXPECT_EQ(ini.Int("com ports", "MOTOR", -1), 16);
    EXPECT_EQ(ini.Int("Com Ports", "Receiver", -1), -1);
    EXPECT_EQ(ini.String("Missing", "Name", "fallback"), "fallback");
    EXPECT_FALSE(ini.Value("Telescope", "comment line").has_value());
}

TEST(IniReader, StringsAreCutTo2047Characters)
{
    const std::string longName(3000, 'n');
    const std::string exact(2047, 'e');
    const TIniReader ini = TIniReader::FromText("[A]\nLong=" + longName + "\nExact=" + exact + "\n");
    EXPECT_EQ(ini.String("A", "Long", ""), std::string(2047, 'n'));
    EXPECT_EQ(ini.String("A", "Exact", ""), exact);
}

TEST(IniReader, OneKeyReadersOpenTheFileAndFallBack)
{
    ScratchFolder folder;
    const auto ini = folder.path() / "ZVK.ini";
    WriteBytes(ini, "[Driftline]\r\nTop=250\r\nVolts only=1\r\nLeft=left\r\n");
    EXPECT_EQ(ReadIniInt(ini, "driftline", "top", 100), 250);
    EXPECT_EQ(ReadIniInt(ini, "Driftline", "Left", 100), 100);
    EXPECT_EQ(ReadIniInt(ini, "Driftline", "Coeff No", 4), 4);
    EXPECT_TRUE(ReadIniBool(ini, "Driftline", "Volts only", false));
    EXPECT_EQ(ReadIniInt(folder.path() / "absent.ini", "Driftline", "Top", 100), 100);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "absent.ini"));
}

// ---------------------------------------------------------------- writing

// Two controller sections, comments, blank lines and CR LF line ends; the viewer's section sits
// between them so that additions must land inside it, not at the end.
constexpr const char* ControllerFile = "; ZVK settings\r\n"
                                       "[Telescope]\r\n"
                                       "Name = Dish 3\r\n"
                                       "\r\n"
                                       "[Driftline]\r\n"
                                       "Horizontal=2\r\n"
                                       " vertical = 5\r\n"
                                       ";Top=1\r\n"
                                       "Top=10\r\n"
                                       "\r\n"
                                       "\r\n"
                                       "[Azimuth]\r\n"
                                       "Min=140\r\n"
                                       "[Altitude]\r\n"
                                       "Min=10\r\n";

struct WriteCase {
    const char* name;
    std::string before;
    const char* section;
    std::vector<std::pair<std::string, std::string>> keyValues;
    std::string after;
};

TEST(IniWriter, ChangesOnlyTheGivenKeysAndKeepsEveryOtherByte)
{
    const std::string base = ControllerFile;
    const WriteCase cases[] = {
        {"existing keys keep their key text and blanks",
         base,
         "DRIFTLINE",
         {{"Horizontal", "3"}, {"Vertical", "4"}},
         "; ZVK settings\r\n[Telescope]\r\nName = Dish 3\r\n\r\n[Driftline]\r\nHorizontal=3\r\n vertical = 4\r\n"
         ";Top=1\r\nTop=10\r\n\r\n\r\n[Azimuth]\r\nMin=140\r\n[Altitude]\r\nMin=10\r\n"},
        {"a commented-out key is not the key",
         base,
         "Driftline",
         {{"Top", "250"}},
         "; ZVK settings\r\n[Telescope]\r\nName = Dish 3\r\n\r\n[Driftline]\r\nHorizontal=2\r\n vertical = 5\r\n"
         ";Top=1\r\nTop=250\r\n\r\n\r\n[Azimuth]\r\nMin=140\r\n[Altitude]\r\nMin=10\r\n"},
        {"missing key goes after the section's last non-blank line",
         base,
         "Driftline",
         {{"Coeff No", "6"}},
         "; ZVK settings\r\n[Telescope]\r\nName = Dish 3\r\n\r\n[Driftline]\r\nHorizontal=2\r\n vertical = 5\r\n"
         ";Top=1\r\nTop=10\r\nCoeff No=6\r\n\r\n\r\n[Azimuth]\r\nMin=140\r\n[Altitude]\r\nMin=10\r\n"},
        {"same key in two sections: only the named section changes",
         base,
         "altitude",
         {{"min", "12"}},
         "; ZVK settings\r\n[Telescope]\r\nName = Dish 3\r\n\r\n[Driftline]\r\nHorizontal=2\r\n vertical = 5\r\n"
         ";Top=1\r\nTop=10\r\n\r\n\r\n[Azimuth]\r\nMin=140\r\n[Altitude]\r\nMin=12\r\n"},
        {"missing section goes at the end",
         base,
         "Driftline2",
         {{"FileType", "1"}, {"Top", "5"}},
         base + "[Driftline2]\r\nFileType=1\r\nTop=5\r\n"},
        {"LF file gets LF lines",
         "[A]\nx=1\n\n[B]\ny=2\n",
         "A",
         {{"z", "3"}, {"x", "9"}},
         "[A]\nx=9\nz=3\n\n[B]\ny=2\n"},
        {"new file uses CR LF",
         "",
         "Driftline",
         {{"Top", "100"}, {"Left", "120"}},
         "[Driftline]\r\nTop=100\r\nLeft=120\r\n"},
        {"last line without a line end", "[A]\r\nx=1", "A", {{"y", "2"}}, "[A]\r\nx=1\r\ny=2\r\n"},
        {"section at end without a line end", "[A]\r\nx=1", "B", {{"y", "2"}}, "[A]\r\nx=1\r\n[B]\r\ny=2\r\n"},
        {"first of two equal sections",
         "[D]\r\nk=1\r\n[d]\r\nk=2\r\n",
         "D",
         {{"K", "7"}},
         "[D]\r\nk=7\r\n[d]\r\nk=2\r\n"},
        {"empty section gets its key right below the header",
         "[D]\r\n\r\n[E]\r\n",
         "D",
         {{"k", "1"}},
         "[D]\r\nk=1\r\n\r\n[E]\r\n"},
        {"line breaks in a value cannot split the line", "[D]\r\n", "D", {{"k", "a\r\nb"}}, "[D]\r\nk=ab\r\n"},
    };
    for (const WriteCase& c : cases) {
        EXPECT_EQ(ApplyIniSection(c.before, c.section, c.keyValues), c.after) << c.name;
    }
}

TEST(IniWriter, WritesTheFileAndReadsBack)
{
    ScratchFolder folder;
    const auto ini = folder.path() / "ZVK.ini";
    WriteBytes(ini, ControllerFile);
    ::chmod(ini.c_str(), 0640);
    std::string error;
    ASSERT_TRUE(WriteIniSection(ini, "Driftline", {{"Top", "321"}, {"Volts only", "1"}}, error)) << error;
    EXPECT_EQ(ReadIniInt(ini, "Driftline", "Top", 0), 321);
    EXPECT_TRUE(ReadIniBool(ini, "Driftline", "Volts only", false));
    EXPECT_EQ(ReadIniInt(ini, "Altitude", "Min", 0), 10);
    struct stat info {};
    ASSERT_EQ(::stat(ini.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);

    const auto fresh = folder.path() / "new.ini";
    ASSERT_TRUE(WriteIniSection(fresh, "Driftline", {{"FileType", "2"}}, error)) << error;
    EXPECT_EQ(ReadBytes(fresh), "[Driftline]\r\nFileType=2\r\n");
}

TEST(IniWriter, UnwritableFolderFailsWithTheReasonAndKeepsTheOldFile)
{
    ScratchFolder scratch;
    const auto folder = scratch.path() / "locked";
    const auto ini = folder / "ZVK.ini";
    WriteBytes(ini, ControllerFile);
    ::chmod(scratch.path().c_str(), 0755);
    ::chmod(ini.c_str(), 0644);
    ::chmod(folder.c_str(), 0555);

    const std::optional<std::string> outcome = test::RunWithoutRootRights([&] {
        std::string error;
        const bool ok = WriteIniSection(ini, "Driftline", {{"Top", "1"}}, error);
        return std::string(ok ? "ok" : "failed") + ":" + error;
    });
    ::chmod(folder.c_str(), 0755);
    if (!outcome)
        GTEST_SKIP() << "could not give up root rights";
    EXPECT_EQ(*outcome, "failed:Permission denied");
    EXPECT_EQ(ReadBytes(ini), ControllerFile);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        left.push_back(entry.path().filename());
    EXPECT_EQ(left, std::vector<std::string>{"ZVK.ini"});
}

// What the writer puts in, the reader must find: both go by one reading of sections and lines.
TEST(IniRoundTrip, WrittenKeysReadBackWhateverTheFileAroundThem)
{
    struct Case {
        const char* name;
        std::string before;
    };
    const Case cases[] = {
        // A line that opens a bracket and never closes it is no section header.
        {"unclosed header after the section", "[Driftline]\nTop=1\n[x\n"},
        {"unclosed header before the section", "[x\n[Driftline]\nTop=1\n"},
        // Old Mac line ends: every CR ends a line.
        {"CR line ends", "[Telescope]\rName=Dish\r[Driftline]\rTop=1\rLeft=2\r"},
        {"CR line ends, section missing", "[Telescope]\rName=Dish\r"},
        {"mixed line ends", "[Telescope]\r\nName=Dish\n[Driftline]\rTop=1\r\n"},
        // A NUL is a byte of its line like any other, not the end of the text.
        {"NUL before the section", std::string("[Telescope]\r\nName=Di\0sh\r\n[Driftline]\r\nTop=1\r\n", 40)},
        {"UTF-8 signature", "\xEF\xBB\xBF[Driftline]\r\nTop=1\r\n"},
        {"only a signature", "\xEF\xBB\xBF"},
        {"empty", ""},
    };
    const std::vector<std::pair<std::string, std::string>> written = {
        {"Horizontal", "3"}, {"Vertical", "4"}, {"Top", "250"}, {"Volts only", "1"}};
    for (const Case& c : cases) {
        const std::string after = ApplyIniSection(c.before, "Driftline", written);
        const TIniReader ini = TIniReader::FromText(after);
        for (const auto& [key, value] : written) {
            EXPECT_EQ(ini.Value("Driftline", key), value) << c.name << ": " << key;
        }
        // The controller's own sections read as before.
        const TIniReader old = TIniReader::FromText(c.before);
        EXPECT_EQ(ini.Value("Telescope", "Name"), old.Value("Telescope", "Name")) << c.name;
    }
    // The reader's view of the cases above, worked out by hand.
    EXPECT_EQ(TIniReader::FromText("[Telescope]\rName=Dish\r").Value("Telescope", "Name"), "Dish");
    EXPECT_EQ(TIniReader::FromText(std::string("[A]\r\nk=a\0b\r\n[B]\r\nk=2\r\n", 23)).Value("B", "k"), "2");
    EXPECT_EQ(TIniReader::FromText("\xEF\xBB\xBF[A]\r\nk=1\r\n").Value("A", "k"), "1");
    EXPECT_EQ(TIniReader::FromText("[A]\nk=1\n[x\nj=2\n").Value("A", "j"), "2");
    EXPECT_FALSE(TIniReader::FromText("[A]\nk=1\n[x\nj=2\n").Value("x", "j").has_value());
}

// Found by the settings fuzzer: a value with blanks before it gained one more blank with every
// rewrite of its line (the blanks after "=" are kept, and the value brought its own).
TEST(IniRoundTrip, RewritingTheSameValuesChangesNothing)
{
    const std::vector<std::pair<std::string, std::string>> written = {{"Top", "  250"}, {"Left", "\t7 "}};
    const std::string once = ApplyIniSection("[Driftline]\r\nTop= 1\r\n", "Driftline", written);
    EXPECT_EQ(once, "[Driftline]\r\nTop= 250\r\nLeft=7\r\n");
    EXPECT_EQ(ApplyIniSection(once, "Driftline", written), once);
}

}  // namespace
}  // namespace driftline
