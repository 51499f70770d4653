// Precise positions: observed azimuth and altitude to ICRS and galactic coordinates with ERFA.
#include "astro/Preciseunit.h"

#include "astro/AstroConstants.h"

#include <erfa.h>
#include <erfam.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

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
    const int status = eraApco13(utc1, utc2, site.dut1Seconds, r.elong, r.phi, r.hm, 0.0, 0.0, r.phpa, r.tc, r.rh, r.wl,
                                 &astrom, &eo);
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

namespace {

// The ICRS-to-galactic rotation of eraIcrs2g as a matrix: its columns are the galactic
// directions of the ICRS axes, so a sample turns one vector instead of going through angles.
struct TGalacticMatrix {
    double r[3][3];
    TGalacticMatrix()
    {
        const double axes[3][2] = {{0.0, 0.0}, {ERFA_DPI / 2.0, 0.0}, {0.0, ERFA_DPI / 2.0}};
        for (int c = 0; c < 3; ++c) {
            double gl = 0.0;
            double gb = 0.0;
            eraIcrs2g(axes[c][0], axes[c][1], &gl, &gb);
            double column[3];
            eraS2c(gl, gb, column);
            for (int row = 0; row < 3; ++row)
                r[row][c] = column[row];
        }
    }
};

const TGalacticMatrix& GalacticMatrix()
{
    static const TGalacticMatrix matrix;
    return matrix;
}

// Unit vector of a - b.
void UnitDifference(const double a[3], const double b[3], double out[3])
{
    double w[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
    double r = 0.0;
    eraPn(w, &r, out);
}

// A deflection step that moves the direction by less than this (radians, 0.0002 micro-arc-seconds)
// has converged: each further step moves it by a smaller amount still.
constexpr double ConvergedRadians = 1e-15;

// CIRS direction to ICRS (BCRS) direction: eraAticq's steps on vectors, with ERFA's routines:
// bias-precession-nutation undone, then aberration (two rounds, as eraAticq) and the Sun's light
// deflection (up to eraAticq's five rounds; away from the Sun two already converge) removed by
// iterating their forward models. Only the final directions are normalised, as nothing else
// reads the intermediate ones.
void CirsToIcrsVector(eraASTROM& astrom, const double cirs[3], double icrs[3])
{
    double ppr[3];
    eraTrxp(astrom.bpn, const_cast<double*>(cirs), ppr);
    double d[3] = {0.0, 0.0, 0.0};
    double before[3];
    double after[3];
    for (int j = 0; j < 2; ++j) {
        UnitDifference(ppr, d, before);
        eraAb(before, astrom.v, astrom.em, astrom.bm1, after);
        for (int i = 0; i < 3; ++i)
            d[i] = after[i] - before[i];
    }
    double pnat[3];
    UnitDifference(ppr, d, pnat);
    d[0] = d[1] = d[2] = 0.0;
    for (int j = 0; j < 5; ++j) {
        UnitDifference(pnat, d, before);
        eraLdsun(before, astrom.eh, astrom.em, after);
        double change = 0.0;
        for (int i = 0; i < 3; ++i) {
            const double next = after[i] - before[i];
            change = std::max(change, std::fabs(next - d[i]));
            d[i] = next;
        }
        if (j > 0 && change < ConvergedRadians)
            break;
    }
    UnitDifference(pnat, d, icrs);
}

}  // namespace

// Observed-to-CIRS results of recent pointings: a parked dish's encoders flicker between a few
// neighbouring counts, so the same azimuth and altitude come back again and again, and only the
// Earth rotation angle differs between their samples.
struct TPointingCache {
    static constexpr std::size_t Slots = 16;  // a power of two
    struct TSlot {
        double azimuthDeg = std::nan("");  // NaN never equals a pointing: the slot is empty
        double altitudeDeg = std::nan("");
        double minusHourAngle = 0.0;  // CIRS right ascension minus the local Earth rotation angle
        double cirsDec = 0.0;
    };
    TSlot slots[Slots];

    static std::size_t SlotOf(double azimuthDeg, double altitudeDeg)
    {
        std::uint64_t a = 0;
        std::uint64_t b = 0;
        std::memcpy(&a, &azimuthDeg, sizeof a);
        std::memcpy(&b, &altitudeDeg, sizeof b);
        const std::uint64_t h = (a ^ (b * 0x9E3779B97F4A7C15ull)) * 0xBF58476D1CE4E5B9ull;
        return static_cast<std::size_t>(h >> 60) & (Slots - 1);
    }
    void Clear()
    {
        for (TSlot& slot : slots)
            slot = TSlot{};
    }
};

struct TPreciseFrame::TContext {
    eraASTROM astrom{};
    long long block = 0;
    bool valid = false;
    TPointingCache pointings;
};

TPreciseFrame::TPreciseFrame(const TPreciseSite& site) : site_(site), context_(std::make_unique<TContext>())
{}

TPreciseFrame::~TPreciseFrame() = default;

TPreciseFrame::TPreciseFrame(const TPreciseFrame& other)
    : site_(other.site_), context_(std::make_unique<TContext>(*other.context_)), contexts_(other.contexts_)
{}

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
        c.pointings.Clear();
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

    // Observed to CIRS. eraAtoiq adds the local Earth rotation angle to the minus hour angle as
    // its very last step, so for a pointing seen before in this block that sum is all that changes.
    // The minus hour angle is taken with the angle at 0, so it does not depend on which sample
    // met the pointing first.
    TPointingCache::TSlot& slot = c.pointings.slots[TPointingCache::SlotOf(azimuthDeg, altitudeDeg)];
    if (slot.azimuthDeg != azimuthDeg || slot.altitudeDeg != altitudeDeg) {
        const double eral = c.astrom.eral;
        c.astrom.eral = 0.0;
        eraAtoiq("A", azimuthDeg * DegToRad, (90.0 - altitudeDeg) * DegToRad, &c.astrom, &slot.minusHourAngle,
                 &slot.cirsDec);
        c.astrom.eral = eral;
        slot.azimuthDeg = azimuthDeg;
        slot.altitudeDeg = altitudeDeg;
    }
    double cirs[3];
    eraS2c(c.astrom.eral + slot.minusHourAngle, slot.cirsDec, cirs);

    double icrs[3];
    CirsToIcrsVector(c.astrom, cirs, icrs);
    double galactic[3];
    eraRxp(const_cast<double(*)[3]>(GalacticMatrix().r), icrs, galactic);

    auto longitude = [](double rad) {
        const double deg = eraAnp(rad) * RadToDeg;
        return deg >= 360.0 ? 0.0 : deg;
    };
    double theta = 0.0;
    double phi = 0.0;
    eraC2s(icrs, &theta, &phi);
    place.raDeg = longitude(theta);
    place.decDeg = phi * RadToDeg;
    eraC2s(galactic, &theta, &phi);
    place.lambdaDeg = longitude(theta);
    place.betaDeg = phi * RadToDeg;
    return true;
}

}  // namespace driftline
