// TAngle: degrees, minutes and seconds of arc with the value in degrees.
#include "astro/Angleunit.h"

#include "astro/AstroConstants.h"

#include <cmath>
#include <cstdlib>

namespace driftline {

using angle_detail::FoldIntoTurn;

// Angle from whole degrees, minutes and seconds of arc; a negative degree count makes
// the whole angle negative, stored as 360 + angle.
TAngle::TAngle(int degrees, int minutes, int seconds)
{
    if (degrees == 0 && (minutes < 0 || seconds < 0)) {
        // No sign can sit on zero degrees, so a negative minute or second count carries the
        // sign of the whole angle: 0 deg -7 min is 7 minutes west or south.
        long m = std::labs(static_cast<long>(minutes));
        long s = std::labs(static_cast<long>(seconds));
        m += s / 60;
        s %= 60;
        long d = m / 60;
        m %= 60;
        double value = 360.0 - static_cast<double>(d) - static_cast<double>(m) / 60.0 - static_cast<double>(s) / 3600.0;
        value = FoldIntoTurn(value);
        // The parts are those of the value, so the text and the signed text read right.
        long total = (360L * 3600L - (d * 3600L + m * 60L + s)) % (360L * 3600L);
        if (total < 0)
            total += 360L * 3600L;
        degrees_ = static_cast<std::uint16_t>(total / 3600L);
        minutes_ = static_cast<std::uint16_t>((total / 60L) % 60L);
        seconds_ = static_cast<std::uint16_t>(total % 60L);
        value_ = value;
        return;
    }

    // Minutes and seconds are unsigned 16-bit counts here, as the settings hand them over.
    long m = static_cast<std::uint16_t>(minutes);
    long s = static_cast<std::uint16_t>(seconds);
    long d = degrees;
    m += s / 60;
    s %= 60;
    // The carry enlarges the size of the degrees, whatever their sign.
    const long carry = m / 60;
    m %= 60;
    d += d < 0 ? -carry : carry;

    const bool negative = d < 0;
    long folded = d % 360L;
    if (folded < 0)
        folded += 360L;
    degrees_ = static_cast<std::uint16_t>(folded);
    minutes_ = static_cast<std::uint16_t>(m);
    seconds_ = static_cast<std::uint16_t>(s);
    const double fraction = static_cast<double>(m) / 60.0 + static_cast<double>(s) / 3600.0;
    double value = negative ? static_cast<double>(folded) - fraction : static_cast<double>(folded) + fraction;
    // -360 deg 30 min folds to 0 degrees, and 0 - 0.5 lies below the turn.
    if (value < 0.0)
        value += 360.0;
    value_ = value;
}

// Sets from degrees (or encoder counts), folded into [0, 360) and truncated to whole
// seconds of arc.
void TAngle::Set(double x, bool inCounts)
{
    if (inCounts)
        x *= DegreesPerCount;
    const angle_detail::TArcParts parts = angle_detail::ArcParts(x);
    degrees_ = static_cast<std::uint16_t>(parts.d);
    minutes_ = static_cast<std::uint16_t>(parts.m);
    seconds_ = static_cast<std::uint16_t>(parts.s);
    value_ = angle_detail::ValueOf(parts);
}

// Text "D° M' S\"" with the UTF-8 degree sign; signed, a value above 180 degrees reads
// as minus its distance below a full turn.
std::string TAngle::Text(bool isSigned) const
{
    if (isSigned && degrees_ > 180) {
        std::string text(1, '-');
        text += TAngle(360.0 - value_).Text(false);
        return text;
    }
    std::string text = std::to_string(degrees_);
    text += "\u00B0 ";
    text += std::to_string(minutes_);
    text += "' ";
    text += std::to_string(seconds_);
    text += '"';
    return text;
}

}  // namespace driftline
