// The ICRS path of the derivation: the four count quantities as the classic derivation gives
// them, the sky position from TPreciseFrame. Kept apart from the classic derivation so that each
// can change without the other.
#include "logdata/Samplederive.h"

#include "astro/AstroConstants.h"

#include <cmath>

namespace driftline {

namespace {

// A signed latitude-like angle as the lists hold it: a negative value as 360 + value.
double StoredLatitude(double deg)
{
    const double v = deg < 0.0 ? deg + 360.0 : deg;
    return v >= 360.0 ? v - 360.0 : v;
}

}  // namespace

Sample derivePreciseSample(const RawRecord& raw, std::int64_t azimuthShift, std::int64_t altitudeShift, TDateTime date,
                           TPreciseFrame& frame)
{
    // The same counts arithmetic as the classic derivation.
    Sample s;
    SetPlainQuantities(raw, azimuthShift, altitudeShift, date, s);

    TPrecisePlace place;
    // Only a time that is not a number is refused; its sky quantities are not numbers either.
    if (!frame.Place(s[Time], s[Azimuth], s[Altitude], place)) {
        const double nan = std::nan("");
        place = {nan, nan, nan, nan};
    }
    s[RightAscension] = place.raDeg;
    s[Declination] = StoredLatitude(place.decDeg);
    s[Beta] = StoredLatitude(place.betaDeg);
    s[Lambda] = place.lambdaDeg;
    return s;
}

TPreciseFrame* TSampleStore::preciseFrame()
{
    if (!preciseSite)
        return nullptr;
    if (!preciseCache_ || !(preciseCache_->Site() == *preciseSite))
        preciseCache_.emplace(*preciseSite);
    return &*preciseCache_;
}

}  // namespace driftline
