#pragma once
// FITS tables: derived samples or a saved selection as a binary table extension that the usual
// FITS readers open, with the site, the frame, the corrections and the source log in its header.
#include "astro/Preciseunit.h"
#include "logdata/Samplestore.h"
#include "plot/AxisScale.h"
#include "suite/Positionsettings.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace driftline {

class TGlobal;

// What the header says about where the values come from.
struct TFitsTableInfo {
    std::string telescopeName;
    // Site: signed degrees (north and east positive; a value held as 360 + x is taken as x), metres.
    double latitudeDeg = 0.0;
    double longitudeDeg = 0.0;
    double heightM = 0.0;
    TPositionFrame frame = TPositionFrame::Classic;
    // Classic frame only: which rotation constants gave the galactic coordinates (1 J2000, 0 B1950).
    std::int32_t isJ2000 = 1;
    // ICRS frame only: the air and time values the chain used.
    double pressureHpa = 0.0;  // 0: refraction off
    double temperatureC = 0.0;
    double humidityPercent = 0.0;
    double dut1Seconds = 0.0;
    // Encoder counts; NoCorrection when the log had no correction line (written as undefined).
    std::int32_t loggedAzimuthCorrection = NoCorrection;
    std::int32_t loggedAltitudeCorrection = NoCorrection;
    std::int32_t azimuthCorrection = NoCorrection;
    std::int32_t altitudeCorrection = NoCorrection;
    std::string logFileName;  // the source log's file name (no folder)
    // First and last UTC instant of the samples (date-time serials); NaN when there is none.
    double firstUtc = std::nan("");
    double lastUtc = std::nan("");
};

// One column: a quantity and where its values lie (value i at values[i * stride]).
struct TFitsColumn {
    Quantity quantity = Time;
    const double* values = nullptr;
    std::size_t stride = 1;
};

// The header of a table from store's samples: telescope and site from the suite's settings, the
// frame and its air from settings, the corrections from the store, the log's file name, and the
// time range of samples.
TFitsTableInfo FitsInfoFor(const TGlobal& global, const TPositionSettings& settings, const TSampleStore& store,
                           const std::filesystem::path& logPath, const SampleView& samples);

// FITS column name and unit of a quantity: TIME d (MJD, UTC), AZIMUTH, ALTITUDE, RA, DEC, GLAT
// (Beta), GLON (Lambda) in deg, VOLTS in V.
const char* FitsColumnName(Quantity q);
const char* FitsColumnUnit(Quantity q);

// A stored value as written to FITS: Time as MJD (serial + 15018), Declination and Beta signed
// (-90..90, where the lists hold a negative value as 360 + value), all others unchanged.
double FitsValue(Quantity q, double stored);

// All eight quantities of a sample list, in Quantity order.
std::vector<TFitsColumn> SampleColumns(const SampleView& samples);
// The horizontal and vertical values of plotted points as two columns.
std::vector<TFitsColumn> PointColumns(const PlottedPoints& points, Quantity horizontal, Quantity vertical);
// First and last Time of a sample list into info (NaN for an empty list).
void SetTimeRange(TFitsTableInfo& info, const SampleView& samples);

// The bytes of a FITS file: an empty primary header and one binary table extension "SAMPLES"
// with rows rows of the given columns. False with a reason on failure.
bool FitsTableBytes(const std::vector<TFitsColumn>& columns, std::size_t rows, const TFitsTableInfo& info,
                    std::string& bytes, std::string& error);

// A saved selection as a FITS table: the plot's two quantities and the header's facts.
struct TFitsSelection {
    Quantity horizontal = Time;
    Quantity vertical = Volts;
    TFitsTableInfo info;
};

// The plotted points' horizontal and vertical values as a two-column FITS table, written as
// WriteFitsTable writes.
bool WriteFitsSelection(const std::filesystem::path& path, const PlottedPoints& points, const TFitsSelection& selection,
                        std::string& error);

// Writes that file through a temporary file renamed over the target, so a failure leaves any
// existing file as it was. False with the reason in error on failure.
bool WriteFitsTable(const std::filesystem::path& path, const std::vector<TFitsColumn>& columns, std::size_t rows,
                    const TFitsTableInfo& info, std::string& error);

}  // namespace driftline
