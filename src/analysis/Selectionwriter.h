#pragma once
// Saving the plotted selection: the horizontal and vertical value of every plotted point as a
// comma- or space-separated text file or as a binary file, and the number texts of the fit window.
#include "plot/AxisScale.h"

#include <filesystem>
#include <string>

namespace driftline {

// The three save formats, by item index of the file-type radio group.
enum SaveFileType : int {
    SaveCommaSeparated = 0,
    SaveSpaceSeparated = 1,
    SaveBinary = 2,
    SaveFits = 3,  // a FITS binary table (Fitswriter); needs the header's facts besides the points
};
inline constexpr int SaveFileTypeCount = 4;

// Save dialog filter of each file type, as "description|pattern|description|pattern".
inline constexpr const char* SaveFilters[SaveFileTypeCount] = {
    "Comma separated values (*.csv)|*.csv|Any (*.*)|*.*",
    "Space separated values (*.txt)|*.txt|Any (*.*)|*.*",
    "Data file (*.dat)|*.dat|Any (*.*)|*.*",
    "FITS table (*.fits)|*.fits|Any (*.*)|*.*",
};
// The save dialog keeps this default extension for every file type.
inline constexpr const char* SaveDefaultExtension = "csv";
// The extension a file of each type gets when the name typed has none.
inline constexpr const char* SaveExtensions[SaveFileTypeCount] = {"csv", "txt", "dat", "fits"};

// v in the shorter of fixed and exponent form with 12 significant digits, as the formatted-output
// "g" conversion gives ("0.25", "360", "1.2345e-05", "1.23456789012e+14"), always with a point.
std::string SelectionNumberText(double v);

// v rounded to `digits` significant digits (exact ties away from zero) in fixed notation when the
// decimal exponent E of v = 0.d1d2... x 10^E lies in -3..6, else as d.ddddE<exp> with trailing
// zeros dropped: 312.457, 0.0001, 1500, 1.2345E-5, 2.34568E12, 1E7; "0" for zero. Always a point.
std::string GeneralText(double v, int digits = 6);

// The bytes of a text selection file: per point "<horizontal><separator><vertical>\r\n".
std::string TextSelectionBytes(const PlottedPoints& points, char separator);

// The bytes of a binary selection file: per point the horizontal and the vertical value as
// little-endian IEEE 754 doubles, 16 bytes, no header.
std::string BinarySelectionBytes(const PlottedPoints& points);

// Writes the text or binary selection file through a temporary file renamed over the target, so
// a failure leaves any existing file as it was. False with the reason in error on failure.
bool WriteTextSelection(const std::filesystem::path& path, const PlottedPoints& points, char separator,
                        std::string& error);
bool WriteBinarySelection(const std::filesystem::path& path, const PlottedPoints& points, std::string& error);

// Writes the selection in the format of a file-type item index (0, 1 or 2); false with a reason
// for any other index (a FITS table is written by WriteFitsSelection) or a failed write.
bool WriteSelection(const std::filesystem::path& path, const PlottedPoints& points, int fileType, std::string& error);

}  // namespace driftline
