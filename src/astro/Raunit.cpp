// TRa: a right ascension in hours, minutes and seconds of time, its value in degrees.
#include "astro/Raunit.h"

#include <cmath>

namespace driftline {

// Sets from hours: the folded value in degrees, and as parts whole hours and minutes and
// rounded seconds.
void TRa::SetHours(double hours)
{
    updating_ = true;
    const double v = FoldedDegrees(hours);
    value_ = v;

    long h = static_cast<long>(v / 15.0);
    const double r = (v / 15.0 - static_cast<double>(h)) * 60.0;
    long m = static_cast<long>(r);
    long s = static_cast<long>((r - static_cast<double>(m)) * 60.0 + 0.5);
    // Rounding can reach 60 seconds; a text never shows 60 of them.
    if (s >= 60) {
        s -= 60;
        ++m;
    }
    if (m >= 60) {
        m -= 60;
        ++h;
    }
    hours_ = static_cast<std::uint16_t>(h);
    minutes_ = static_cast<std::uint16_t>(m);
    seconds_ = static_cast<std::uint16_t>(s);
    updating_ = false;
}

// Whole hours; while the parts are being set they are computed from the value.
std::uint16_t TRa::Hours() const
{
    if (updating_)
        return static_cast<std::uint16_t>(value_ / 15.0);
    return hours_;
}

// Whole minutes of time; while the parts are being set they are computed from the value.
std::uint16_t TRa::Minutes() const
{
    if (updating_) {
        const double h = std::trunc(value_ / 15.0);
        return static_cast<std::uint16_t>((value_ / 15.0 - h) * 60.0);
    }
    return minutes_;
}

// Whole seconds of time; while the parts are being set they are computed (truncated) from the value.
std::uint16_t TRa::Seconds() const
{
    if (updating_) {
        const double h = std::trunc(value_ / 15.0);
        const double r = (value_ / 15.0 - h) * 60.0;
        return static_cast<std::uint16_t>((r - std::trunc(r)) * 60.0);
    }
    return seconds_;
}

// Text "H hrs M' S\"".
std::string TRa::Text() const
{
    std::string text = std::to_string(Hours());
    text += " hrs ";
    text += std::to_string(Minutes());
    text += "' ";
    text += std::to_string(Seconds());
    text += '"';
    return text;
}

}  // namespace driftline
