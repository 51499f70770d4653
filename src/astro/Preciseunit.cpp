// Precise positions: observed azimuth and altitude to ICRS and galactic coordinates with ERFA.
#include "astro/Preciseunit.h"

#include "astro/AstroConstants.h"

#include <erfa.h>

#include <algorithm>
#include <cmath>

namespace driftline {

namespace {

// Julian Date of the date-time serial's day 0 (1899-12-30 00:00).
constexpr double DateTimeEpochJulianDay = 2415018.5;
constexpr double SecondsPerDay = 86400.0;

// An angle in degrees as a signed value in (-180, 180]: settings may hold a southern latitude or
// a western longitude as 360 minus its size.
double SignedDegrees(double deg)
{
    double d = std::fmod(deg, 360.0);
    if (d > 180.0)
        d -= 360.0;
    else if (d <= -180.0)
        d += 360.0;
    return d;
}

// The context's air and site values in ERFA's units.
struct TSiteRadians {
    double elong;
    double phi;
    double hm;
    double phpa;
    double tc;
    double rh;
    double wl;
};

TSiteRadians SiteRadians(const TPreciseSite& site)
{
    TSiteRadians r{};
    r.elong = SignedDegrees(site.longitudeDeg) * DegToRad;
    r.phi = SignedDegrees(site.latitudeDeg) * DegToRad;
    r.hm = site.heightM;
    // ERFA's refraction is zero at zero pressure; a negative pressure means nothing better.
    r.phpa = site.pressureHpa > 0.0 ? site.pressureHpa : 0.0;
    r.tc = site.temperatureC;
    r.rh = std::clamp(site.humidityPercent, 0.0, 100.0) / 100.0;
    r.wl = site.wavelengthMicrons;
    return r;
}

// Star-independent context of a UTC instant for the site; false when ERFA refuses the date
// (a "dubious year" beyond ERFA's leap-second table is accepted, as ERFA itself does).
bool ComputeContext(const TPreciseSite& site, TDateTime utc, eraASTROM& astrom)
{
    const TSiteRadians r = SiteRadians(site);
    double utc1 = 0.0;
    double utc2 = 0.0;
    DateTimeToJulianParts(utc, utc1, utc2);
    double eo = 0.0;
    const int status = eraApco13(utc1, utc2, site.dut1Seconds, r.elong, r.phi, r.hm, 0.0, 0.0, r.phpa, r.tc, r.rh,
                                 r.wl, &astrom, &eo);
    return status >= 0;
}

// Observed azimuth and altitude (degrees) to ICRS and galactic, given a context whose Earth
// rotation angle is that of the sample.
void PlaceFromContext(eraASTROM& astrom, double azimuthDeg, double altitudeDeg, TPrecisePlace& place)
{
    // ERFA takes azimuth from north through east, as the telescope counts it, and zenith distance.
    double ri = 0.0;
    double di = 0.0;
    eraAtoiq("A", azimuthDeg * DegToRad, (90.0 - altitudeDeg) * DegToRad, &astrom, &ri, &di);
    double rc = 0.0;
    double dc = 0.0;
    eraAticq(ri, di, &astrom, &rc, &dc);
    double gl = 0.0;
    double gb = 0.0;
    eraIcrs2g(rc, dc, &gl, &gb);

    // eraAnp gives [0, 2pi); rounding to degrees may still reach 360, which is 0.
    auto longitude = [](double rad) {
        const double deg = eraAnp(rad) * RadToDeg;
        return deg >= 360.0 ? 0.0 : deg;
    };
    place.raDeg = longitude(rc);
    place.decDeg = dc * RadToDeg;
    place.lambdaDeg = longitude(gl);
    place.betaDeg = gb * RadToDeg;
}

}  // namespace

void DateTimeToJulianParts(TDateTime utc, double& jd1, double& jd2)
{
    const double day = std::floor(utc);
    jd1 = DateTimeEpochJulianDay + day;
    jd2 = utc - day;
}

bool ObservedToIcrs(const TPreciseSite& site, TDateTime utc, double azimuthDeg, double altitudeDeg,
                    TPrecisePlace& place)
{
    if (!std::isfinite(utc))
        return false;
    eraASTROM astrom{};
    if (!ComputeContext(site, utc, astrom))
        return false;
    PlaceFromContext(astrom, azimuthDeg, altitudeDeg, place);
    return true;
}

// ---------------------------------------------------------------- the kept context

struct TPreciseFrame::TContext {
    eraASTROM astrom{};
    long long block = 0;
    bool valid = false;
};

TPreciseFrame::TPreciseFrame(const TPreciseSite& site) : site_(site), context_(std::make_unique<TContext>()) {}

TPreciseFrame::~TPreciseFrame() = default;

TPreciseFrame::TPreciseFrame(const TPreciseFrame& other)
    : site_(other.site_), context_(std::make_unique<TContext>(*other.context_)), contexts_(other.contexts_)
{
}

TPreciseFrame& TPreciseFrame::operator=(const TPreciseFrame& other)
{
    if (this != &other) {
        site_ = other.site_;
        *context_ = *other.context_;
        contexts_ = other.contexts_;
    }
    return *this;
}

bool TPreciseFrame::Place(TDateTime utc, double azimuthDeg, double altitudeDeg, TPrecisePlace& place)
{
    if (!std::isfinite(utc))
        return false;
    // Blocks are counted from the serial's day 0, so every instant belongs to one block whatever
    // came before it; the context is taken at the block's middle.
    const double blockDays = PreciseContextSeconds / SecondsPerDay;
    const double block = std::floor(utc / blockDays);
    if (std::fabs(block) > 1e15)
        return false;
    const long long blockIndex = static_cast<long long>(block);
    TContext& c = *context_;
    if (!c.valid || c.block != blockIndex) {
        c.valid = false;
        if (!ComputeContext(site_, (block + 0.5) * blockDays, c.astrom))
            return false;
        c.block = blockIndex;
        c.valid = true;
        ++contexts_;
    }
    // The Earth rotation angle of this very sample, from UT1 = UTC + DUT1.
    double ut11 = 0.0;
    double ut12 = 0.0;
    DateTimeToJulianParts(utc, ut11, ut12);
    ut12 += site_.dut1Seconds / SecondsPerDay;
    eraAper13(ut11, ut12, &c.astrom);
    PlaceFromContext(c.astrom, azimuthDeg, altitudeDeg, place);
    return true;
}

}  // namespace driftline
