// Saving the selection: number texts, the text and binary layouts, and writes that fail.
#include "analysis/Selectionwriter.h"

#include <gtest/gtest.h>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace driftline {
namespace {

namespace fs = std::filesystem;

PlottedPoints Points(std::vector<double> h, std::vector<double> v)
{
    PlottedPoints p;
    p.pixelX.assign(h.size(), 0.0);
    p.pixelY.assign(h.size(), 0.0);
    p.horizontalValues = std::move(h);
    p.verticalValues = std::move(v);
    return p;
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A fresh, empty folder per test below the system's temporary folder.
class SaveFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = fs::temp_directory_path() / (std::string("driftline-save-") + info->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }
    fs::path folder;
};

// ---------------------------------------------------------------- number texts

TEST(SelectionNumberText, TwelveSignificantDigitsInShorterForm)
{
    // Expected texts are those of printf("%.12g").
    const std::pair<double, const char*> cases[] = {
        {0.000012345, "1.2345e-05"},
        {123456789012345.0, "1.23456789012e+14"},
        {360.0, "360"},
        {40373.9, "40373.9"},  // 2010-07-14 21:36:00 as a date-time serial
        {0.25, "0.25"},
        {-0.5, "-0.5"},
        {0.0, "0"},
        {0.0001, "0.0001"},
        {100000000000.0, "100000000000"},  // 1e11: exponent 11 stays fixed
        {1000000000000.0, "1e+12"},        // exponent 12 switches to exponent form
        {1.0 / 3.0, "0.333333333333"},
        {2.0 / 3.0, "0.666666666667"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(SelectionNumberText(value), text) << value;
}

TEST(SelectionNumberText, PointEvenUnderACommaLocale)
{
    const char* const candidates[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8"};
    bool found = false;
    for (const char* name : candidates)
        if (std::setlocale(LC_NUMERIC, name)) {
            found = true;
            break;
        }
    const fs::path built = fs::temp_directory_path() / "driftline-comma-locale";
    if (!found) {
        // No such locale installed: compile one from the system's locale sources, if it has them.
        fs::create_directories(built);
        const std::string command = "localedef -i de_DE -f UTF-8 " + (built / "de_DE.UTF-8").string() +
                                    " >/dev/null 2>&1";
        if (std::system(command.c_str()) == 0) {
            ::setenv("LOCPATH", built.c_str(), 1);
            found = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
        }
    }
    if (!found) {
        fs::remove_all(built);
        GTEST_SKIP() << "no locale with a decimal comma is available";
    }
    char probe[16];
    std::snprintf(probe, sizeof probe, "%g", 0.25);
    EXPECT_STREQ(probe, "0,25") << "the locale in force does not use a decimal comma";
    const std::string text = SelectionNumberText(0.25);
    const std::string general = GeneralText(0.25);
    std::setlocale(LC_NUMERIC, "C");
    ::unsetenv("LOCPATH");
    fs::remove_all(built);
    EXPECT_EQ(text, "0.25");
    EXPECT_EQ(general, "0.25");
}

TEST(GeneralText, SixSignificantDigits)
{
    const std::pair<double, const char*> cases[] = {
        {312.457, "312.457"},
        {-0.01234567, "-0.0123457"},
        {0.0001, "0.0001"},  // E = -3: still fixed
        {1500.0, "1500"},
        {2.0, "2"},
        {0.000015, "1.5E-5"},
        {2345678000000.0, "2.34568E12"},
        {10000000.0, "1E7"},
        {0.000012345, "1.2345E-5"},  // E = -4: exponent form
        {1234567.0, "1.23457E6"},    // E = 7
        {150.0, "150"},
        {999999.0, "999999"},  // E = 6: fixed
        {999999.5, "1E6"},     // rounds up to 1000000, whose E is 7
        {123456.5, "123457"},  // an exact tie rounds away from zero
        {-123456.5, "-123457"},
        {0.0, "0"},
        {-1.0, "-1"},
        {0.00099999, "0.00099999"},
        {-2.5e-300, "-2.5E-300"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(GeneralText(value), text) << value;
}

// ---------------------------------------------------------------- file layouts

TEST(TextSelectionBytes, OneCrLfLinePerPointInPlottedOrder)
{
    const auto points = Points({40373.9, 40373.85, 40373.95}, {0.25, 1.5, 0.000012345});
    EXPECT_EQ(TextSelectionBytes(points, ','), "40373.9,0.25\r\n40373.85,1.5\r\n40373.95,1.2345e-05\r\n");
    EXPECT_EQ(TextSelectionBytes(points, ' '), "40373.9 0.25\r\n40373.85 1.5\r\n40373.95 1.2345e-05\r\n");
    EXPECT_EQ(TextSelectionBytes(PlottedPoints{}, ','), "");
}

TEST(BinarySelectionBytes, LittleEndianDoublePairs)
{
    // IEEE 754 patterns: 1.0 = 3FF0 0000 0000 0000, -2.0 = C000 ..., 0.25 = 3FD0 ...,
    // written least significant byte first.
    const auto bytes = BinarySelectionBytes(Points({1.0, 0.25, -2.0}, {-2.0, 1.0, 0.25}));
    ASSERT_EQ(bytes.size(), 48u);
    const std::string one("\x00\x00\x00\x00\x00\x00\xF0\x3F", 8);
    const std::string minusTwo("\x00\x00\x00\x00\x00\x00\x00\xC0", 8);
    const std::string quarter("\x00\x00\x00\x00\x00\x00\xD0\x3F", 8);
    EXPECT_EQ(bytes, one + minusTwo + quarter + one + minusTwo + quarter);
}

// ---------------------------------------------------------------- writing files

TEST_F(SaveFolder, EachFileTypeWritesItsLayout)
{
    const auto points = Points({360.0, 1.0}, {0.25, -2.0});
    std::string error;
    ASSERT_TRUE(WriteSelection(folder / "a.csv", points, SaveCommaSeparated, error)) << error;
    ASSERT_TRUE(WriteSelection(folder / "a.txt", points, SaveSpaceSeparated, error)) << error;
    ASSERT_TRUE(WriteSelection(folder / "a.dat", points, SaveBinary, error)) << error;
    EXPECT_EQ(ReadFile(folder / "a.csv"), "360,0.25\r\n1,-2\r\n");
    EXPECT_EQ(ReadFile(folder / "a.txt"), "360 0.25\r\n1 -2\r\n");
    EXPECT_EQ(ReadFile(folder / "a.dat").size(), 32u);
    EXPECT_EQ(ReadFile(folder / "a.dat").substr(0, 8), std::string("\x00\x00\x00\x00\x00\x80\x76\x40", 8));  // 360.0
    EXPECT_FALSE(WriteSelection(folder / "b.csv", points, -1, error));
    EXPECT_FALSE(fs::exists(folder / "b.csv"));
}

TEST_F(SaveFolder, ExistingFileIsReplacedAndNoTemporaryFileStays)
{
    {
        std::ofstream(folder / "old.csv", std::ios::binary) << "a much longer old content\r\n";
    }
    std::string error;
    ASSERT_TRUE(WriteTextSelection(folder / "old.csv", Points({1}, {2}), ',', error)) << error;
    EXPECT_EQ(ReadFile(folder / "old.csv"), "1,2\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(SaveFolder, WriteThatCannotSucceedIsReported)
{
    // A regular file in place of the folder stops the write even for root.
    {
        std::ofstream(folder / "plain", std::ios::binary) << "x";
    }
    std::string error;
    EXPECT_FALSE(WriteTextSelection(folder / "plain" / "out.csv", Points({1}, {2}), ',', error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(WriteBinarySelection(folder / "missing" / "out.dat", Points({1}, {2}), error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadFile(folder / "plain"), "x");
}

TEST_F(SaveFolder, FailedWriteLeavesTheTargetAsItWas)
{
    // A folder of that name cannot be replaced by the new file; it and its content must survive.
    fs::create_directories(folder / "taken.csv");
    {
        std::ofstream(folder / "taken.csv" / "inside", std::ios::binary) << "keep";
    }
    std::string error;
    EXPECT_FALSE(WriteTextSelection(folder / "taken.csv", Points({1}, {2}), ',', error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadFile(folder / "taken.csv" / "inside"), "keep");
    // Nothing but the folder itself is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace driftline
