// FITS tables with CFITSIO: columns of derived quantities and a header that says where they come from.
#include "analysis/Fitswriter.h"

#include "astro/Sitesettings.h"

#include "Version.h"
#include "suite/Fileunit.h"
#include "suite/Globalunit.h"

#include <fitsio.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace driftline {

namespace {

// The date-time serial's day 0 (1899-12-30) is MJD 15018.
constexpr double SerialToMjd = 15018.0;
// Rows converted and handed to CFITSIO at a time: bounded memory however long the table is.
constexpr std::size_t RowsPerChunk = 65536;
// FITS files come in records of this many bytes.
constexpr std::size_t FitsRecordBytes = 2880;
// A fixed-length string keyword holds at most this many characters.
constexpr std::size_t MaxShortValueChars = 68;

constexpr const char* ColumnNames[QuantityCount] = {
    "TIME", "AZIMUTH", "ALTITUDE", "RA", "DEC", "GLAT", "GLON", "VOLTS",
};
constexpr const char* ColumnUnits[QuantityCount] = {"d", "deg", "deg", "deg", "deg", "deg", "deg", "V"};
constexpr const char* ColumnComments[QuantityCount] = {
    "MJD (UTC) of the sample",
    "azimuth, from north through east, corrected",
    "altitude, corrected",
    "right ascension",
    "declination",
    "galactic latitude (Beta)",
    "galactic longitude (Lambda)",
    "receiver output",
};

// Header values must be printable ASCII; anything else (a UTF-8 file name, a control character)
// becomes '?' rather than making CFITSIO refuse the whole file.
std::string HeaderText(const std::string& text, std::size_t maxChars = std::string::npos)
{
    std::string out;
    out.reserve(std::min(text.size(), maxChars));
    for (const char c : text) {
        if (out.size() >= maxChars)
            break;
        const auto u = static_cast<unsigned char>(c);
        out.push_back(u >= 32 && u <= 126 ? c : '?');
    }
    return out;
}

double SignedDegrees(double deg)
{
    return deg > 180.0 ? deg - 360.0 : deg;
}

// "2024-03-20T12:00:00.000" of a UTC serial.
std::string IsoText(double utc)
{
    const TSystemTime t = DecodeDateTime(utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u.%03u", unsigned{t.wYear}, unsigned{t.wMonth},
                  unsigned{t.wDay}, unsigned{t.wHour}, unsigned{t.wMinute}, unsigned{t.wSecond},
                  unsigned{t.wMilliseconds});
    return text;
}

std::string StatusText(int status)
{
    char text[FLEN_STATUS] = {};
    fits_get_errstatus(status, text);
    return std::string("FITS error ") + std::to_string(status) + ": " + text;
}

// The CFITSIO memory file: its buffer is malloc'd and grown by CFITSIO with realloc.
struct TMemoryFits {
    fitsfile* file = nullptr;
    void* buffer = nullptr;
    std::size_t size = 0;
    ~TMemoryFits()
    {
        if (file != nullptr) {
            int ignored = 0;
            fits_close_file(file, &ignored);
        }
        std::free(buffer);
    }
};

// Key writers that do nothing once status is set, as CFITSIO's own calls do.
void KeyString(fitsfile* f, const char* key, const std::string& value, const char* comment, int& status)
{
    std::string v = HeaderText(value, MaxShortValueChars);
    fits_write_key(f, TSTRING, key, v.data(), comment, &status);
}

void KeyDouble(fitsfile* f, const char* key, double value, const char* comment, int& status)
{
    fits_write_key_dbl(f, key, value, -15, comment, &status);
}

void KeyCounts(fitsfile* f, const char* key, std::int32_t value, const char* comment, int& status)
{
    if (value == NoCorrection) {
        fits_write_key_null(f, key, comment, &status);
        return;
    }
    long v = value;
    fits_write_key(f, TLONG, key, &v, comment, &status);
}

void WriteHeader(fitsfile* f, const TFitsTableInfo& info, int& status)
{
    KeyString(f, "TELESCOP", info.telescopeName, "telescope name", status);
    KeyDouble(f, "OBSGEO-B", SignedDegrees(info.latitudeDeg), "[deg] site latitude, north positive", status);
    KeyDouble(f, "OBSGEO-L", SignedDegrees(info.longitudeDeg), "[deg] site longitude, east positive", status);
    KeyDouble(f, "OBSGEO-H", info.heightM, "[m] site height", status);

    KeyString(f, "TIMESYS", "UTC", "time scale of TIME, DATE-OBS and DATE-END", status);
    KeyDouble(f, "MJDREF", 0.0, "TIME is the modified Julian date itself", status);
    KeyString(f, "TIMEUNIT", "d", "unit of TIME", status);
    if (std::isfinite(info.firstUtc) && std::isfinite(info.lastUtc)) {
        KeyString(f, "DATE-OBS", IsoText(info.firstUtc), "first sample (UTC)", status);
        KeyString(f, "DATE-END", IsoText(info.lastUtc), "last sample (UTC)", status);
        KeyDouble(f, "MJD-OBS", info.firstUtc + SerialToMjd, "[d] first sample (UTC)", status);
    }

    if (info.frame == TPositionFrame::Icrs) {
        KeyString(f, "POSFRAME", "ICRS", "frame of RA, DEC, GLAT, GLON", status);
        KeyString(f, "RADESYS", "ICRS", "reference system of RA and DEC", status);
        fits_write_key_log(f, "REFRACT", info.pressureHpa > 0.0 ? 1 : 0, "radio refraction removed", &status);
        KeyDouble(f, "PRESSURE", info.pressureHpa, "[hPa] air pressure at the site", status);
        KeyDouble(f, "TEMPERAT", info.temperatureC, "[Celsius] air temperature at the site", status);
        KeyDouble(f, "HUMIDITY", info.humidityPercent, "[%] relative humidity at the site", status);
        KeyDouble(f, "DUT1", info.dut1Seconds, "[s] UT1 - UTC; polar motion taken as 0", status);
        fits_write_comment(f,
                           "Observed azimuth and altitude (refraction included) to ICRS and galactic "
                           "coordinates with ERFA.",
                           &status);
    } else {
        KeyString(f, "POSFRAME", "CLASSIC", "of date, no precession", status);
        fits_write_comment(f, "RA and DEC are of date, no precession, nutation, aberration or refraction.", &status);
        fits_write_comment(f,
                           info.isJ2000 != 0 ? "GLAT and GLON from the J2000 rotation constants."
                                             : "GLAT and GLON from the B1950 rotation constants.",
                           &status);
    }

    KeyCounts(f, "AZCORLOG", info.loggedAzimuthCorrection, "[counts] logged azimuth correction", status);
    KeyCounts(f, "ALCORLOG", info.loggedAltitudeCorrection, "[counts] logged altitude correction", status);
    KeyCounts(f, "AZCORR", info.azimuthCorrection, "[counts] azimuth correction applied", status);
    KeyCounts(f, "ALTCORR", info.altitudeCorrection, "[counts] altitude correction applied", status);

    // A long file name continues over several cards rather than being cut short.
    const std::string logName = HeaderText(info.logFileName);
    if (logName.size() > MaxShortValueChars)
        fits_write_key_longwarn(f, &status);
    fits_write_key_longstr(f, "LOGFILE", logName.c_str(), "source log file", &status);
    KeyString(f, "CREATOR", std::string("Driftline ") + version::FileVersion, "program that wrote this file", status);
}

}  // namespace

TFitsTableInfo FitsInfoFor(const TGlobal& global, const TPositionSettings& settings, const TSampleStore& store,
                           const std::filesystem::path& logPath, const SampleView& samples)
{
    TFitsTableInfo info;
    info.telescopeName = global.TelescopeName;
    info.latitudeDeg = global.Latitude.Value();
    info.longitudeDeg = global.Longitude.Value();
    info.heightM = global.Height;
    info.frame = settings.frame;
    info.isJ2000 = global.IsJ2000;
    const TPreciseSite site = PreciseSiteFor(SiteFromSettings(global), settings);
    info.pressureHpa = site.pressureHpa;
    info.temperatureC = site.temperatureC;
    info.humidityPercent = site.humidityPercent;
    info.dut1Seconds = site.dut1Seconds;
    info.loggedAzimuthCorrection = store.loggedAzimuthCorrection;
    info.loggedAltitudeCorrection = store.loggedAltitudeCorrection;
    info.azimuthCorrection = store.azimuthCorrection;
    info.altitudeCorrection = store.altitudeCorrection;
    info.logFileName = logPath.filename().string();
    SetTimeRange(info, samples);
    return info;
}

const char* FitsColumnName(Quantity q)
{
    return q >= 0 && q < QuantityCount ? ColumnNames[q] : "";
}

const char* FitsColumnUnit(Quantity q)
{
    return q >= 0 && q < QuantityCount ? ColumnUnits[q] : "";
}

double FitsValue(Quantity q, double stored)
{
    switch (q) {
    case Time:
        return stored + SerialToMjd;
    case Declination:
    case Beta:
        return SignedDegrees(stored);
    default:
        return stored;
    }
}

std::vector<TFitsColumn> SampleColumns(const SampleView& samples)
{
    std::vector<TFitsColumn> columns;
    // Sample is eight doubles and nothing else, so one quantity of a list is a strided array.
    static_assert(sizeof(Sample) == QuantityCount * sizeof(double));
    const double* base = samples.empty() ? nullptr : samples.front().values.data();
    for (int q = 0; q < QuantityCount; ++q)
        columns.push_back({static_cast<Quantity>(q), base == nullptr ? nullptr : base + q, QuantityCount});
    return columns;
}

std::vector<TFitsColumn> PointColumns(const PlottedPoints& points, Quantity horizontal, Quantity vertical)
{
    return {{horizontal, points.horizontalValues.data(), 1}, {vertical, points.verticalValues.data(), 1}};
}

void SetTimeRange(TFitsTableInfo& info, const SampleView& samples)
{
    info.firstUtc = info.lastUtc = std::nan("");
    if (samples.empty())
        return;
    // The file's first and last instants, not its first and last lines: a log may step back in time.
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    for (const Sample& s : samples) {
        lo = std::min(lo, s[Time]);
        hi = std::max(hi, s[Time]);
    }
    info.firstUtc = lo;
    info.lastUtc = hi;
}

bool FitsTableBytes(const std::vector<TFitsColumn>& columns, std::size_t rows, const TFitsTableInfo& info,
                    std::string& bytes, std::string& error)
{
    for (const TFitsColumn& c : columns) {
        if (c.quantity < 0 || c.quantity >= QuantityCount || (rows > 0 && c.values == nullptr)) {
            error = "a column has no values";
            return false;
        }
    }
    // Names must differ for the readers; the same quantity twice (a plot of x against x) gets a suffix.
    std::vector<std::string> names;
    for (const TFitsColumn& c : columns) {
        std::string name = FitsColumnName(c.quantity);
        while (std::find(names.begin(), names.end(), name) != names.end())
            name += "_2";
        names.push_back(name);
    }
    std::vector<char*> types;
    std::vector<char*> forms;
    std::vector<char*> units;
    std::string doubleForm = "1D";
    std::vector<std::string> unitTexts;
    for (const TFitsColumn& c : columns)
        unitTexts.emplace_back(FitsColumnUnit(c.quantity));
    for (std::size_t i = 0; i < columns.size(); ++i) {
        types.push_back(names[i].data());
        forms.push_back(doubleForm.data());
        units.push_back(unitTexts[i].data());
    }

    TMemoryFits mem;
    mem.size = FitsRecordBytes;
    mem.buffer = std::malloc(mem.size);
    if (mem.buffer == nullptr) {
        error = "out of memory";
        return false;
    }
    int status = 0;
    fits_create_memfile(&mem.file, &mem.buffer, &mem.size, 0, std::realloc, &status);
    fits_create_img(mem.file, BYTE_IMG, 0, nullptr, &status);
    char extension[] = "SAMPLES";
    fits_create_tbl(mem.file, BINARY_TBL, static_cast<LONGLONG>(rows), static_cast<int>(columns.size()), types.data(),
                    forms.data(), units.data(), extension, &status);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const std::string key = "TCOMM" + std::to_string(i + 1);
        KeyString(mem.file, key.c_str(), ColumnComments[columns[i].quantity], nullptr, status);
    }
    WriteHeader(mem.file, info, status);

    std::vector<double> chunk;
    chunk.reserve(std::min(rows, RowsPerChunk));
    for (std::size_t first = 0; first < rows && status == 0; first += RowsPerChunk) {
        const std::size_t n = std::min(RowsPerChunk, rows - first);
        for (std::size_t i = 0; i < columns.size() && status == 0; ++i) {
            const TFitsColumn& c = columns[i];
            chunk.resize(n);
            for (std::size_t r = 0; r < n; ++r)
                chunk[r] = FitsValue(c.quantity, c.values[(first + r) * c.stride]);
            fits_write_col_dbl(mem.file, static_cast<int>(i + 1), static_cast<LONGLONG>(first + 1), 1,
                               static_cast<LONGLONG>(n), chunk.data(), &status);
        }
    }
    fits_close_file(mem.file, &status);
    mem.file = nullptr;
    if (status != 0) {
        error = StatusText(status);
        return false;
    }
    // CFITSIO leaves the buffer exactly as long as the file, a whole number of FITS records.
    if (mem.size == 0 || mem.size % FitsRecordBytes != 0) {
        error = "FITS file of an unexpected length";
        return false;
    }
    bytes.assign(static_cast<const char*>(mem.buffer), mem.size);
    return true;
}

bool WriteFitsTable(const std::filesystem::path& path, const std::vector<TFitsColumn>& columns, std::size_t rows,
                    const TFitsTableInfo& info, std::string& error)
{
    std::string bytes;
    if (!FitsTableBytes(columns, rows, info, bytes, error))
        return false;
    return WriteFileAtomically(path, bytes, error);
}

bool WriteFitsSelection(const std::filesystem::path& path, const PlottedPoints& points, const TFitsSelection& selection,
                        std::string& error)
{
    return WriteFitsTable(path, PointColumns(points, selection.horizontal, selection.vertical),
                          points.horizontalValues.size(), selection.info, error);
}

}  // namespace driftline
