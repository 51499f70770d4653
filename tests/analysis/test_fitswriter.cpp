// FITS tables: what a FITS reader gets back through CFITSIO (columns, units, values, keywords),
// and the writes that must fail without harm.
#include "analysis/Fitswriter.h"

#include "Version.h"

#include <fitsio.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace driftline {
namespace {

namespace fs = std::filesystem;

// One file opened read-only at its SAMPLES table; closed with the object.
class TFitsReader {
public:
    explicit TFitsReader(const fs::path& path)
    {
        fits_open_file(&file_, path.c_str(), READONLY, &status_);
        char name[] = "SAMPLES";
        fits_movnam_hdu(file_, BINARY_TBL, name, 0, &status_);
    }
    ~TFitsReader()
    {
        int ignored = 0;
        if (file_ != nullptr)
            fits_close_file(file_, &ignored);
    }
    bool ok() const { return status_ == 0; }
    long rows()
    {
        long n = -1;
        fits_get_num_rows(file_, &n, &status_);
        return n;
    }
    int columns()
    {
        int n = -1;
        fits_get_num_cols(file_, &n, &status_);
        return n;
    }
    // A string keyword; "<missing>" or "<undefined>" when it is absent or has no value.
    std::string text(const char* key)
    {
        char* value = nullptr;
        int status = 0;
        fits_read_key_longstr(file_, key, &value, nullptr, &status);
        std::string out = status == KEY_NO_EXIST      ? "<missing>"
                          : status == VALUE_UNDEFINED ? "<undefined>"
                          : status != 0               ? "<error>"
                                                      : value;
        if (value != nullptr)
            fits_free_memory(value, &status);
        return out;
    }
    double number(const char* key)
    {
        double v = -1e300;
        int status = 0;
        fits_read_key(file_, TDOUBLE, key, &v, nullptr, &status);
        return status == 0 ? v : -1e300;
    }
    int keyStatus(const char* key)
    {
        char value[FLEN_VALUE];
        int status = 0;
        fits_read_keyword(file_, key, value, nullptr, &status);
        if (status == 0 && std::string(value).empty())
            return VALUE_UNDEFINED;
        return status;
    }
    std::vector<double> column(int n, long rows)
    {
        std::vector<double> v(static_cast<std::size_t>(rows));
        int anynul = 0;
        fits_read_col_dbl(file_, n, 1, 1, rows, 0.0, v.data(), &anynul, &status_);
        return v;
    }
    // Every header card as one text.
    std::string header()
    {
        int cards = 0;
        fits_get_hdrspace(file_, &cards, nullptr, &status_);
        std::string all;
        for (int i = 1; i <= cards; ++i) {
            char card[FLEN_CARD];
            fits_read_record(file_, i, card, &status_);
            all += card;
            all += '\n';
        }
        return all;
    }

private:
    fitsfile* file_ = nullptr;
    int status_ = 0;
};

Sample MakeSample(std::array<double, QuantityCount> v)
{
    Sample s;
    s.values = v;
    return s;
}

class FitsTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = fs::temp_directory_path() / (std::string("driftline-fits-") + info->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }
    fs::path folder;
};

TFitsTableInfo IcrsInfo()
{
    TFitsTableInfo info;
    info.telescopeName = "Dish 3m";
    info.latitudeDeg = 360.0 - (33.0 + 56.0 / 60.0);  // held as 360 + latitude
    info.longitudeDeg = 360.0 - (2.0 + 16.0 / 60.0);  // a western longitude as 360 minus its size
    info.heightM = 200.0;
    info.frame = TPositionFrame::Icrs;
    info.pressureHpa = 990.0;
    info.temperatureC = 10.0;
    info.humidityPercent = 50.0;
    info.dut1Seconds = -0.25;
    info.loggedAzimuthCorrection = 12;
    info.azimuthCorrection = 15;
    info.logFileName = "2024-03-20 drift scan.log";
    return info;
}

// Stored values in the lists' conventions: Time a serial, negative Declination and Beta as 360 + d.
// 45371.5 is 2024-03-20 12:00 UTC, which is MJD 60389.5 (MJD 51544 is 2000-01-01; 8845 days later).
SampleList ThreeSamples()
{
    return {
        MakeSample({45371.5, 180.0, 30.0, 355.5, 350.5, 300.0, 82.5, 2.5}),
        MakeSample({45371.75, 439.453125, 90.0, 0.0, 12.25, 0.5, 359.75, 0.0}),
        MakeSample({45371.25, -1.0, 5.0, 359.999, 270.0, 271.0, 0.0, 9.9975585938}),
    };
}

TEST_F(FitsTable, DerivedSamplesRoundTrip)
{
    const SampleList samples = ThreeSamples();
    TFitsTableInfo info = IcrsInfo();
    SetTimeRange(info, samples);
    const fs::path path = folder / "samples.fits";
    std::string error;
    ASSERT_TRUE(WriteFitsTable(path, SampleColumns(samples), samples.size(), info, error)) << error;

    TFitsReader fits(path);
    ASSERT_TRUE(fits.ok());
    ASSERT_EQ(fits.rows(), 3);
    ASSERT_EQ(fits.columns(), 8);
    const char* names[] = {"TIME", "AZIMUTH", "ALTITUDE", "RA", "DEC", "GLAT", "GLON", "VOLTS"};
    const char* units[] = {"d", "deg", "deg", "deg", "deg", "deg", "deg", "V"};
    // Expected column values as a FITS reader must see them: MJD, signed declination and latitude.
    const std::vector<std::vector<double>> expected = {
        {60389.5, 60389.75, 60389.25}, {180.0, 439.453125, -1.0}, {30.0, 90.0, 5.0},   {355.5, 0.0, 359.999},
        {-9.5, 12.25, -90.0},          {-60.0, 0.5, -89.0},       {82.5, 359.75, 0.0}, {2.5, 0.0, 9.9975585938},
    };
    for (int c = 0; c < 8; ++c) {
        const std::string n = std::to_string(c + 1);
        EXPECT_EQ(fits.text(("TTYPE" + n).c_str()), names[c]);
        EXPECT_EQ(fits.text(("TUNIT" + n).c_str()), units[c]) << names[c];
        const std::vector<double> values = fits.column(c + 1, 3);
        for (std::size_t r = 0; r < 3; ++r)
            EXPECT_NEAR(values[r], expected[static_cast<std::size_t>(c)][r], 1e-9) << names[c] << " row " << r;
    }

    EXPECT_EQ(fits.text("TIMESYS"), "UTC");
    EXPECT_EQ(fits.number("MJDREF"), 0.0);
    // The earliest and latest instants, whatever the row order.
    EXPECT_EQ(fits.text("DATE-OBS"), "2024-03-20T06:00:00.000");
    EXPECT_EQ(fits.text("DATE-END"), "2024-03-20T18:00:00.000");
    EXPECT_EQ(fits.text("TELESCOP"), "Dish 3m");
    EXPECT_NEAR(fits.number("OBSGEO-B"), -33.933333333, 1e-8);
    EXPECT_NEAR(fits.number("OBSGEO-L"), -2.266666667, 1e-8);
    EXPECT_EQ(fits.number("OBSGEO-H"), 200.0);
    EXPECT_EQ(fits.text("RADESYS"), "ICRS");
    EXPECT_EQ(fits.number("DUT1"), -0.25);
    EXPECT_EQ(fits.number("PRESSURE"), 990.0);
    EXPECT_EQ(fits.number("HUMIDITY"), 50.0);
    EXPECT_EQ(fits.number("AZCORLOG"), 12.0);
    EXPECT_EQ(fits.number("AZCORR"), 15.0);
    // No correction line for the altitude: the keywords are there, without a value.
    EXPECT_EQ(fits.keyStatus("ALCORLOG"), VALUE_UNDEFINED);
    EXPECT_EQ(fits.keyStatus("ALTCORR"), VALUE_UNDEFINED);
    EXPECT_EQ(fits.text("LOGFILE"), "2024-03-20 drift scan.log");
    EXPECT_EQ(fits.text("CREATOR"), std::string("Driftline ") + version::FileVersion);
}

TEST_F(FitsTable, ClassicFrameSaysOfDateAndNamesNoReferenceSystem)
{
    const SampleList samples = ThreeSamples();
    for (const std::int32_t isJ2000 : {1, 0}) {
        TFitsTableInfo info = IcrsInfo();
        info.frame = TPositionFrame::Classic;
        info.isJ2000 = isJ2000;
        const fs::path path = folder / "classic.fits";
        std::string error;
        ASSERT_TRUE(WriteFitsTable(path, SampleColumns(samples), samples.size(), info, error)) << error;
        TFitsReader fits(path);
        ASSERT_TRUE(fits.ok());
        EXPECT_EQ(fits.text("RADESYS"), "<missing>");
        EXPECT_EQ(fits.text("DUT1"), "<missing>");
        EXPECT_EQ(fits.text("POSFRAME"), "CLASSIC");
        const std::string header = fits.header();
        EXPECT_NE(header.find("of date, no precession"), std::string::npos) << header;
        EXPECT_NE(header.find(isJ2000 ? "J2000 rotation constants" : "B1950 rotation constants"), std::string::npos);
        // The classic lists hold -9.5 as 350.5; the file says -9.5 in either frame.
        EXPECT_EQ(fits.column(5, 3)[0], -9.5);
    }
}

TEST_F(FitsTable, SavedSelectionColumnsAndAPlotOfAQuantityAgainstItself)
{
    PlottedPoints points;
    points.horizontalValues = {350.5, 10.0};
    points.verticalValues = {350.5, 10.0};
    points.pixelX = points.pixelY = {0.0, 0.0};
    TFitsTableInfo info = IcrsInfo();
    const fs::path path = folder / "selection.fits";
    std::string error;
    ASSERT_TRUE(WriteFitsTable(path, PointColumns(points, Declination, Declination), points.size(), info, error))
        << error;
    TFitsReader fits(path);
    ASSERT_TRUE(fits.ok());
    ASSERT_EQ(fits.columns(), 2);
    EXPECT_EQ(fits.text("TTYPE1"), "DEC");
    EXPECT_EQ(fits.text("TTYPE2"), "DEC_2");
    EXPECT_EQ(fits.column(2, 2), (std::vector<double>{-9.5, 10.0}));
    // No samples: no first instant to name.
    EXPECT_EQ(fits.text("DATE-OBS"), "<missing>");
}

// Columns are handed over in blocks; values either side of a block edge must land in their rows.
TEST_F(FitsTable, LongTableKeepsEveryRowInPlace)
{
    constexpr std::size_t Rows = 140001;
    SampleList samples(Rows);
    for (std::size_t i = 0; i < Rows; ++i)
        samples[i][Volts] = static_cast<double>(i);
    const fs::path path = folder / "long.fits";
    std::string error;
    ASSERT_TRUE(WriteFitsTable(path, SampleColumns(samples), Rows, TFitsTableInfo{}, error)) << error;
    TFitsReader fits(path);
    ASSERT_EQ(fits.rows(), static_cast<long>(Rows));
    const std::vector<double> volts = fits.column(8, static_cast<long>(Rows));
    for (std::size_t i : {std::size_t{0}, std::size_t{65535}, std::size_t{65536}, std::size_t{131072}, Rows - 1})
        EXPECT_EQ(volts[i], static_cast<double>(i)) << "row " << i;
    EXPECT_EQ(fs::file_size(path) % 2880, 0u);
}

// The same table gives the same bytes (no write time in the file), so the window and the
// command-line tool can be compared byte for byte.
TEST_F(FitsTable, SameTableSameBytes)
{
    const SampleList samples = ThreeSamples();
    std::string a, b, error;
    ASSERT_TRUE(FitsTableBytes(SampleColumns(samples), 3, IcrsInfo(), a, error)) << error;
    ASSERT_TRUE(FitsTableBytes(SampleColumns(samples), 3, IcrsInfo(), b, error)) << error;
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.size() % 2880, 0u);
    EXPECT_EQ(a.substr(0, 30), "SIMPLE  =                    T");
}

// Header values must be printable ASCII: names from the settings or the file system that are not
// still give a readable file, and a very long log name survives whole.
TEST_F(FitsTable, HeaderTextsOutsideAsciiAndLongNames)
{
    TFitsTableInfo info = IcrsInfo();
    info.telescopeName = "M\xc3\xbcller's dish";
    info.logFileName = std::string(120, 'x') + "\xe2\x9c\x93.log";
    const fs::path path = folder / "names.fits";
    std::string error;
    ASSERT_TRUE(WriteFitsTable(path, SampleColumns({}), 0, info, error)) << error;
    TFitsReader fits(path);
    ASSERT_TRUE(fits.ok());
    EXPECT_EQ(fits.text("TELESCOP"), "M??ller's dish");
    EXPECT_EQ(fits.text("LOGFILE"), std::string(120, 'x') + "???.log");
    EXPECT_EQ(fits.rows(), 0);
}

TEST_F(FitsTable, FailedWritesReportAndLeaveNothingBehind)
{
    const SampleList samples = ThreeSamples();
    std::string error;
    EXPECT_FALSE(WriteFitsTable(folder / "missing" / "x.fits", SampleColumns(samples), 3, IcrsInfo(), error));
    EXPECT_FALSE(error.empty());
    // A folder in the way is not replaced, and no temporary file is left beside it.
    fs::create_directories(folder / "taken.fits");
    error.clear();
    EXPECT_FALSE(WriteFitsTable(folder / "taken.fits", SampleColumns(samples), 3, IcrsInfo(), error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::is_directory(folder / "taken.fits"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    // Rows but no values is refused rather than read from nowhere.
    std::string bytes;
    error.clear();
    EXPECT_FALSE(FitsTableBytes({{Time, nullptr, 1}}, 2, IcrsInfo(), bytes, error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace driftline
