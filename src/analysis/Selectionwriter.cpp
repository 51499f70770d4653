// Saving the plotted selection as text or binary files, and the general number text of the fit.
#include "analysis/Selectionwriter.h"

#include "analysis/Chunkformat.h"
#include "suite/Fileunit.h"
#include "suite/Numbertext.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>

namespace driftline {

namespace {

// Longest text of one number with 12 significant digits: sign, 12 digits, point, "e-308".
constexpr std::size_t MaxNumberChars = 19;

// %.12g of v at out, which has room for MaxGeneralChars bytes.
char* AppendNumber(char* out, double v)
{
    return GeneralDigits(out, v, 12);
}

void AppendDouble(std::string& bytes, double v)
{
    auto bits = std::bit_cast<std::uint64_t>(v);
    if constexpr (std::endian::native == std::endian::big)
        bits = ((bits & 0x00000000000000FFull) << 56) | ((bits & 0x000000000000FF00ull) << 40) |
               ((bits & 0x0000000000FF0000ull) << 24) | ((bits & 0x00000000FF000000ull) << 8) |
               ((bits & 0x000000FF00000000ull) >> 8) | ((bits & 0x0000FF0000000000ull) >> 24) |
               ((bits & 0x00FF000000000000ull) >> 40) | ((bits & 0xFF00000000000000ull) >> 56);
    char raw[8];
    std::memcpy(raw, &bits, sizeof raw);
    bytes.append(raw, sizeof raw);
}

}  // namespace

std::string SelectionNumberText(double v)
{
    char buffer[MaxGeneralChars];
    return std::string(buffer, AppendNumber(buffer, v));
}

std::string GeneralText(double v, int digits)
{
    if (digits < 1)
        digits = 1;
    if (v == 0.0)
        return "0";
    if (std::isnan(v))
        return "NAN";
    if (std::isinf(v))
        return v < 0 ? "-INF" : "INF";
    // Forty significant digits are the exact decimal expansion as far as any rounding decision at
    // six (or up to twenty) digits can depend on it.
    constexpr int ExpansionDigits = 40;
    char buffer[ExpansionDigits + 16];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(v), std::chars_format::scientific,
                                   ExpansionDigits - 1)
                         .ptr;
    std::string mantissa;
    const char* p = buffer;
    for (; p != end && *p != 'e'; ++p)
        if (*p != '.')
            mantissa += *p;
    // The exponent follows as "e+05" or "e-05".
    int exponent = 0;
    const char* q = p + 1;
    const bool negativeExponent = q != end && *q == '-';
    if (q != end && (*q == '+' || *q == '-'))
        ++q;
    std::from_chars(q, end, exponent);
    if (negativeExponent)
        exponent = -exponent;

    const auto keep = static_cast<std::size_t>(digits < ExpansionDigits ? digits : ExpansionDigits);
    std::string kept = mantissa.substr(0, keep);
    if (keep < mantissa.size() && mantissa[keep] >= '5') {
        // Round away from zero: carry through trailing nines.
        std::size_t i = kept.size();
        while (i > 0 && kept[i - 1] == '9')
            kept[--i] = '0';
        if (i == 0) {
            kept.insert(kept.begin(), '1');
            kept.pop_back();
            ++exponent;
        } else {
            ++kept[i - 1];
        }
    }
    while (kept.size() > 1 && kept.back() == '0')
        kept.pop_back();

    // E with v = 0.d1d2... x 10^E is one more than the scientific exponent d1.d2... x 10^e.
    const int e = exponent + 1;
    std::string text = v < 0 ? "-" : "";
    const auto len = static_cast<int>(kept.size());
    if (e >= -3 && e <= 6) {
        if (e <= 0) {
            text += "0.";
            text.append(static_cast<std::size_t>(-e), '0');
            text += kept;
        } else if (len <= e) {
            text += kept;
            text.append(static_cast<std::size_t>(e - len), '0');
        } else {
            text += kept.substr(0, static_cast<std::size_t>(e));
            text += '.';
            text += kept.substr(static_cast<std::size_t>(e));
        }
    } else {
        text += kept[0];
        if (len > 1) {
            text += '.';
            text += kept.substr(1);
        }
        text += 'E';
        text += std::to_string(e - 1);
    }
    return text;
}

namespace {

// The text lines of the points, chunk by chunk on every core, each chunk handed to take() in
// order; false when take() stopped it.
bool FormatTextSelection(const PlottedPoints& points, char separator,
                         const std::function<bool(const std::string& text)>& take)
{
    const std::size_t n = points.horizontalValues.size() < points.verticalValues.size() ? points.horizontalValues.size()
                                                                                        : points.verticalValues.size();
    // Each chunk into a buffer sized for its longest possible lines.
    return FormatInOrder(
        n, 0, 0,
        [&](std::size_t begin, std::size_t end, std::string& text) {
            text.resize((end - begin) * (2 * MaxNumberChars + 3) + MaxGeneralChars);
            char* out = text.data();
            for (std::size_t k = begin; k < end; ++k) {
                out = AppendNumber(out, points.horizontalValues[k]);
                *out++ = separator;
                out = AppendNumber(out, points.verticalValues[k]);
                *out++ = '\r';
                *out++ = '\n';
            }
            text.resize(static_cast<std::size_t>(out - text.data()));
        },
        take);
}

}  // namespace

std::string TextSelectionBytes(const PlottedPoints& points, char separator)
{
    std::string bytes;
    FormatTextSelection(points, separator, [&](const std::string& text) {
        bytes += text;
        return true;
    });
    return bytes;
}

std::string BinarySelectionBytes(const PlottedPoints& points)
{
    const std::size_t n = points.horizontalValues.size() < points.verticalValues.size() ? points.horizontalValues.size()
                                                                                        : points.verticalValues.size();
    std::string bytes;
    bytes.reserve(16 * n);
    for (std::size_t k = 0; k < n; ++k) {
        AppendDouble(bytes, points.horizontalValues[k]);
        AppendDouble(bytes, points.verticalValues[k]);
    }
    return bytes;
}

bool WriteTextSelection(const std::filesystem::path& path, const PlottedPoints& points, char separator,
                        std::string& error)
{
    // Each chunk goes to the file as soon as it and those before it are made, while the next
    // ones are formatted: no copy of the whole text, and the disk starts early.
    TAtomicFile file;
    return file.Open(path, error) &&
           FormatTextSelection(points, separator, [&](const std::string& text) { return file.Write(text, error); }) &&
           file.Commit(error);
}

bool WriteBinarySelection(const std::filesystem::path& path, const PlottedPoints& points, std::string& error)
{
    return WriteFileAtomically(path, BinarySelectionBytes(points), error);
}

bool WriteSelection(const std::filesystem::path& path, const PlottedPoints& points, int fileType, std::string& error)
{
    switch (fileType) {
    case SaveCommaSeparated:
        return WriteTextSelection(path, points, ',', error);
    case SaveSpaceSeparated:
        return WriteTextSelection(path, points, ' ', error);
    case SaveBinary:
        return WriteBinarySelection(path, points, error);
    case SaveFits:
        error = "a FITS table needs its header";
        return false;
    default:
        error = "no file type chosen";
        return false;
    }
}

}  // namespace driftline
