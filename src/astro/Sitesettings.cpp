// The settings' site, and the entry points that compute at it. Each wrapper only reads the
// installed settings and hands them to the formula that takes a TSite.
#include "astro/Sitesettings.h"

#include "astro/Galeqeclunit.h"
#include "astro/Sourceunit.h"
#include "astro/Timeunit.h"
#include "suite/Globalunit.h"

namespace driftline {

TSite SiteFromSettings(const TGlobal& global)
{
    TSite site;
    site.latitudeDeg = global.Latitude.Value();
    site.longitudeDeg = global.Longitude.Value();
    site.heightM = global.Height;
    site.temperatureC = global.Temperature;
    site.pressureMbar = global.Pressure;
    site.refractionDeg = global.Refraction;
    site.j2000 = global.IsJ2000 != 0;
    return site;
}

TSite CurrentSite()
{
    return SiteFromSettings(Global());
}

std::int32_t DayNumber(const TSystemTime& utc)
{
    return DayNumber(utc, CurrentSite());
}
double JulianDay(const TSystemTime& utc)
{
    return JulianDay(utc, CurrentSite());
}
double GreenwichSiderealTime(const TSystemTime& utc)
{
    return GreenwichSiderealTime(utc, CurrentSite());
}
double LocalSiderealTime(const TSystemTime& utc)
{
    return LocalSiderealTime(utc, CurrentSite());
}

TCoordPair Rotate(TCoordPair in, int conversion)
{
    return Rotate(in, conversion, CurrentSite());
}

TSource::TSource(double azimuthDeg, double altitudeDeg, const TUtcLocalTime* when)
    : TSource(azimuthDeg, altitudeDeg, when, CurrentSite())
{}

TSource TSource::Body(TSourceKind kind, const TUtcLocalTime& when)
{
    return Body(kind, when, CurrentSite());
}

TSource TSource::FromGalactic(double betaDeg, double lambdaDeg, const TUtcLocalTime& when)
{
    return FromGalactic(betaDeg, lambdaDeg, when, CurrentSite());
}

}  // namespace driftline
