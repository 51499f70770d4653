// Text forms of quantity values and fixed-decimals numbers.
#include "plot/QuantityText.h"

#include "astro/Angleunit.h"
#include "astro/AstroConstants.h"
#include "astro/Raunit.h"
#include "astro/Timeunit.h"
#include "logdata/Samplestore.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace driftline {

// Time of day of a date-time serial as HH:MM:SS. The day fraction is rounded to the nearest
// millisecond before the seconds are cut off, so 21:03:15.000 held as 21:03:14.99999... still
// shows 21:03:15; a fraction that rounds up to a whole day shows 00:00:00. A negative serial's
// time of day is the magnitude of its fraction (days count back from 1899-12-30, hours forward).
std::string TimeOfDayText(double serial)
{
    if (!std::isfinite(serial))
        return {};
    const double fraction = std::fabs(serial - std::trunc(serial));
    const auto msPerDay = static_cast<long long>(MillisecondsPerDay);
    long long ms = std::llround(fraction * MillisecondsPerDay);
    if (ms >= msPerDay)
        ms -= msPerDay;
    const int seconds = static_cast<int>(ms / 1000);  // 0 .. 86399
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

std::string DatedTimeText(double serial)
{
    // Midnight of 0001-01-01 and of 9999-12-31 + 1 day as serials.
    constexpr double FirstSerial = -693593.0;
    constexpr double EndSerial = 2958466.0;
    if (!std::isfinite(serial) || serial < FirstSerial || serial >= EndSerial - 1.0 / MillisecondsPerDay)
        return TimeOfDayText(serial);
    const TSystemTime t = DecodeDateTime(serial);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond);
    return text;
}

std::string QuantityText(int q, double v)
{
    switch (q) {
    case Time:
        return TimeOfDayText(v);
    case Azimuth:
        return TAngle(v).Text(false);
    case Lambda:
        // A longitude is never negative; a folded plot value below 0 names the same direction.
        return TAngle(v < 0.0 ? v + 360.0 : v).Text(false);
    case Altitude:
    case Declination:
    case Beta:
        return TAngle(v).Text(true);
    case RightAscension:
        return TRa((v < 0.0 ? v + 360.0 : v) / 15.0).Text();
    case Volts:
        return FormatFixed(v, 3);
    default:
        return {};
    }
}

// Fixed-decimals text rounded on the exact value of v. A double is an integer times a power of
// two, so its decimal expansion ends after at most (53 - binary exponent) fraction digits; writing
// that many digits gives the exact value, and the digit after the last kept one decides alone:
// 5 or more rounds the magnitude up (an exact tie included, away from zero), below 5 cuts.
std::string FormatFixed(double v, int decimals)
{
    const int d = std::max(decimals, 1);
    if (std::isnan(v))
        return "NAN";
    if (std::isinf(v))
        return v < 0 ? "-INF" : "INF";
    const double magnitude = std::fabs(v);
    if (magnitude < std::pow(10.0, -d))
        return "0";

    int exponent = 0;
    std::frexp(magnitude, &exponent);
    const int exactDigits = std::max(0, 53 - exponent);
    const int precision = std::max(exactDigits, d + 1);
    std::vector<char> buffer(static_cast<std::size_t>(precision) + 330);
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                       std::chars_format::fixed, precision);
    std::string digits(buffer.data(), written.ptr);  // "III.FFFF...", exact

    const std::size_t point = digits.find('.');
    const bool roundUp = digits[point + 1 + static_cast<std::size_t>(d)] >= '5';
    digits.resize(point + 1 + static_cast<std::size_t>(d));
    if (roundUp) {
        std::size_t i = digits.size();
        bool carry = true;
        while (carry && i > 0) {
            --i;
            if (digits[i] == '.')
                continue;
            if (digits[i] == '9') {
                digits[i] = '0';
            } else {
                ++digits[i];
                carry = false;
            }
        }
        if (carry)
            digits.insert(digits.begin(), '1');
    }
    return v < 0 ? "-" + digits : digits;
}

}  // namespace driftline
