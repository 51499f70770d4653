// Sun, Moon and planet sources: right ascension and declination recomputed on every read.
#include "astro/AstroConstants.h"
#include "astro/Bodyclock.h"
#include "astro/Galeqeclunit.h"
#include "astro/MoonUnit.h"
#include "astro/Planetunit.h"
#include "astro/Sourceunit.h"
#include "astro/Sununit.h"

#include <cmath>
#include <cstring>
#include <memory>

namespace driftline {

namespace {

const char* const BodyNames[] = {"Sun", "Moon", "Mercury", "Venus", "Mars", "Jupiter", "Saturn", "Uranus", "Neptune"};

// The position model of a Moon or planet kind for a Julian day; null for other kinds.
std::unique_ptr<TPlanet> MakeModel(std::int32_t kind, double julianDay)
{
    switch (kind) {
    case KindMoon:
        return std::make_unique<TMoon>(julianDay);
    case KindMercury:
        return std::make_unique<TMercury>(julianDay);
    case KindVenus:
        return std::make_unique<TVenus>(julianDay);
    case KindMars:
        return std::make_unique<TMars>(julianDay);
    case KindJupiter:
        return std::make_unique<TJupiter>(julianDay);
    case KindSaturn:
        return std::make_unique<TSaturn>(julianDay);
    case KindUranus:
        return std::make_unique<TUranus>(julianDay);
    case KindNeptune:
        return std::make_unique<TNeptune>(julianDay);
    default:
        return nullptr;
    }
}

}  // namespace

// A Sun, Moon or planet source named after its body, with its position for the first time.
TSource TSource::Body(TSourceKind kind, const TUtcLocalTime& when, const TSite& site)
{
    TSource s;
    s.Site = site;
    s.Kind = kind;
    if (kind >= KindSun && kind <= KindNeptune)
        std::strncpy(s.Name, BodyNames[kind - KindSun], sizeof(s.Name) - 1);
    s.Time = when;
    s.RefreshBody();
    return s;
}

// Right ascension and declination of kinds 2 to 10. The Sun is computed for the source's own
// time; the Moon and the planets for the body clock's "now" (as the suite has always done), the
// planets seen from the shared Earth record. Other kinds are left alone.
void TSource::RefreshBody()
{
    if (Kind == KindSun) {
        // Geocentric apparent position: no parallax and no refraction. On a failed input check
        // the previous position stays.
        TSpaData spa;
        SpaFillFromSource(spa, *this, Site, SpaGeocentric);
        if (SpaCalculate(spa) == 0) {
            Ra.SetHours(spa.alpha / 15.0);
            Dec.Set(spa.delta);
        }
        return;
    }
    const TUtcLocalTime now = BodyClockUtcLocal();
    const std::unique_ptr<TPlanet> model = MakeModel(Kind, driftline::JulianDay(now.Utc, Site));
    if (!model)
        return;

    const double longitude = model->GetLongitude();
    const double latitude = model->GetLatitude();
    if (Kind == KindMoon) {
        // Ecliptic to equatorial with the rotation constants of the settings' equinox.
        const TCoordPair equatorial = Rotate(TCoordPair{latitude, longitude}, EclipticToEquatorial, Site);
        Ra.SetHours(equatorial.Longitude / 15.0);
        Dec.Set(equatorial.Latitude);
        return;
    }

    // Heliocentric rectangular ecliptic coordinates, shifted to the Earth (whose latitude, below
    // one arc-second, is taken as 0), then turned to the equator by the true obliquity. No
    // light-time or aberration correction.
    const double r = model->GetDistance();
    const double l = longitude * DegToRad;
    const double b = latitude * DegToRad;
    const TEarthRecord& earth = EarthRecordFor(*this);
    const double earthL = earth.spa.l * DegToRad;
    const double x = r * std::cos(b) * std::cos(l) - earth.spa.r * std::cos(earthL);
    const double y = r * std::cos(b) * std::sin(l) - earth.spa.r * std::sin(earthL);
    const double z = r * std::sin(b);
    const double yEq = y * earth.cosObliquity - z * earth.sinObliquity;
    const double zEq = y * earth.sinObliquity + z * earth.cosObliquity;
    Ra.SetHours(std::atan2(yEq, x) * 180.0 / (15.0 * Pi));
    Dec.Set(std::atan2(zEq, std::sqrt(x * x + yEq * yEq)) * RadToDeg);
}

}  // namespace driftline
