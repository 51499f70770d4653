// TSource: a sky position with its instant, built from the telescope's azimuth and altitude.
#include "astro/Sourceunit.h"

#include "astro/AstroConstants.h"
#include "astro/Galeqeclunit.h"

#include <algorithm>
#include <cmath>

namespace driftline {

namespace {

// Sine and cosine of the site latitude, kept per thread and keyed on the latitude value,
// so that a position at another site is seen at once.
struct TLatitudeCache {
    double latDeg = 0.0;
    double sinLat = 0.0;
    double cosLat = 1.0;
    bool valid = false;
};
thread_local TLatitudeCache latitudeCache;

// Sine and cosine of the site latitude, recomputed when the latitude differs.
const TLatitudeCache& SiteLatitude(double latDeg)
{
    TLatitudeCache& cache = latitudeCache;
    if (!cache.valid || cache.latDeg != latDeg) {
        const double latRad = latDeg * DegToRad;
        cache.latDeg = latDeg;
        cache.sinLat = std::sin(latRad);
        cache.cosLat = std::cos(latRad);
        cache.valid = true;
    }
    return cache;
}

}  // namespace

TAngleTrig AngleTrig(double degrees)
{
    const double radians = degrees * DegToRad;
    return {std::sin(radians), std::cos(radians)};
}

// Source: J. Meeus, Astronomical Algorithms, chapter 13 (equations 13.5 and 13.6 solved for
// the equatorial coordinates, azimuth here counted from north).
THourAngleDec HorizontalToEquatorial(TAngleTrig azimuth, TAngleTrig altitude, double latitudeDeg)
{
    const TLatitudeCache& site = SiteLatitude(latitudeDeg);
    const double sinAlt = altitude.sin;
    const double cosAlt = altitude.cos;
    const double sinAz = azimuth.sin;
    const double cosAz = azimuth.cos;
    double sinDec = sinAlt * site.sinLat + cosAlt * site.cosLat * cosAz;
    // The clamp keeps asin defined when rounding carries the pole past 1.
    if (sinDec > 1.0)
        sinDec = 1.0;
    if (sinDec < -1.0)
        sinDec = -1.0;
    const double decRad = std::asin(sinDec);
    // At the pole both arguments are 0 and atan2 gives an hour angle of 0.
    const double hourAngleRad = std::atan2(-cosAlt * sinAz, sinAlt * site.cosLat - cosAlt * cosAz * site.sinLat);
    return {hourAngleRad * RadToDeg, decRad * RadToDeg};
}

double FoldLocalSiderealHours(double lstHours)
{
    if (lstHours > 24.0)
        lstHours -= 24.0;
    if (lstHours < 0.0)
        lstHours += 24.0;
    return lstHours;
}

TSkyPosition SkyPositionFrom(const THourAngleDec& hd, double lstHours, const TSite& site)
{
    const TPointing pointing = PointingFrom(hd);
    TSkyPosition out;
    SkyPositionsFrom(&pointing, &lstHours, 1, site, &out);
    return out;
}

TPointing PointingFrom(const THourAngleDec& hd)
{
    return {hd.hourAngleDeg, RotationLatitude(TAngle::QuantisedDegrees(hd.decDeg))};
}

// The values TSource's records take (TRa::SetHours, TAngle::Set), without their parts; the
// galactic rotations of the batch in one go.
void SkyPositionsFrom(const TPointing* pointing, const double* lstHours, std::size_t count, const TSite& site,
                      TSkyPosition* out)
{
    for (std::size_t begin = 0; begin < count; begin += RotationBatch) {
        const std::size_t n = std::min(RotationBatch, count - begin);
        TRotationLatitude dec[RotationBatch];
        double ra[RotationBatch];
        TCoordPair galactic[RotationBatch];
        for (std::size_t i = 0; i < n; ++i) {
            const TPointing& p = pointing[begin + i];
            ra[i] = TRa::FoldedDegrees((lstHours[begin + i] * 15.0 - p.hourAngleDeg) / 15.0);
            dec[i] = p.dec;
        }
        RotateManyWith(dec, ra, n, EquatorialToGalactic, site, galactic);
        for (std::size_t i = 0; i < n; ++i)
            out[begin + i] = {ra[i], dec[i].degrees, TAngle::QuantisedDegrees(galactic[i].Latitude),
                              TAngle::QuantisedDegrees(galactic[i].Longitude)};
    }
}

// Position of the telescope's azimuth and altitude (degrees) at an instant (the current
// one when `when` is null): right ascension, declination and galactic coordinates.
TSource::TSource(double azimuthDeg, double altitudeDeg, const TUtcLocalTime* when, const TSite& site)
    : Azimuth(azimuthDeg), Altitude(altitudeDeg), Site(site)
{
    if (when != nullptr)
        Time = *when;
    else
        UtcLocalNow(Time);

    const THourAngleDec hd = HorizontalToEquatorial(AngleTrig(azimuthDeg), AngleTrig(altitudeDeg), Site.latitudeDeg);
    const double lstHours = FoldLocalSiderealHours(LocalSiderealTime(Time.Utc, Site));
    // The right ascension setter folds the hours into [0, 360] degrees.
    Ra.SetHours((lstHours * 15.0 - hd.hourAngleDeg) / 15.0);
    Dec.Set(hd.decDeg);
    RefreshGalactic();
}

// A galactic catalogue source (latitude and longitude in degrees) at an instant.
TSource TSource::FromGalactic(double betaDeg, double lambdaDeg, const TUtcLocalTime& when, const TSite& site)
{
    TSource s;
    s.Site = site;
    s.Kind = KindGalactic;
    s.Time = when;
    s.Beta.Set(betaDeg);
    s.Lambda.Set(lambdaDeg);
    s.RefreshEquatorial();
    return s;
}

// Right ascension (value in degrees); a Sun, Moon or planet is recomputed first.
TRa TSource::GetRa()
{
    if (Kind >= KindSun && Kind <= KindNeptune)
        RefreshBody();
    return Ra;
}

// Declination (value in degrees, negative as 360 + d); a Sun, Moon or planet is recomputed first.
TAngle TSource::GetDec()
{
    if (Kind >= KindSun && Kind <= KindNeptune)
        RefreshBody();
    return Dec;
}

// Galactic latitude b (value in degrees, negative as 360 + b); a Sun, Moon or planet is recomputed first.
TAngle TSource::GetBeta()
{
    if (Kind >= KindSun && Kind <= KindNeptune)
        RefreshBody();
    return Beta;
}

// Galactic longitude l in degrees, 0 to 360; a Sun, Moon or planet is recomputed first.
TAngle TSource::GetLambda()
{
    if (Kind >= KindSun && Kind <= KindNeptune)
        RefreshBody();
    return Lambda;
}

// Beta and Lambda (degrees) from the right ascension and declination values.
void TSource::RefreshGalactic()
{
    const TCoordPair galactic = Rotate(TCoordPair{Dec.Value(), Ra.Value()}, EquatorialToGalactic, Site);
    Beta.Set(galactic.Latitude);
    Lambda.Set(galactic.Longitude);
}

// Right ascension (hours) and declination (degrees) from the Beta and Lambda values.
void TSource::RefreshEquatorial()
{
    const TCoordPair equatorial = Rotate(TCoordPair{Beta.Value(), Lambda.Value()}, GalacticToEquatorial, Site);
    Ra.SetHours(equatorial.Longitude / 15.0);
    Dec.Set(equatorial.Latitude);
}

}  // namespace driftline
