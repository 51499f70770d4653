#pragma once
// TSource: one sky position with its instant, built from the telescope's azimuth and altitude.
#include "astro/Angleunit.h"
#include "astro/Galeqeclunit.h"
#include "astro/Raunit.h"
#include "astro/Timeunit.h"
#include <cstddef>
#include <cstdint>

namespace driftline {

enum TSourceKind : std::int32_t {
    KindEquatorial = 0,  // also every position made from azimuth and altitude
    KindGalactic = 1,
    KindSun = 2,
    KindMoon = 3,
    KindMercury = 4,
    KindVenus = 5,
    KindMars = 6,
    KindJupiter = 7,
    KindSaturn = 8,
    KindUranus = 9,
    KindNeptune = 10,
};

// Sine and cosine of an angle given in degrees.
struct TAngleTrig {
    double sin = 0.0;
    double cos = 1.0;
};
TAngleTrig AngleTrig(double degrees);

// Hour angle and declination, degrees.
struct THourAngleDec {
    double hourAngleDeg = 0.0;
    double decDeg = 0.0;
};
// Hour angle and declination of an azimuth (from north through east) and an altitude, given by
// their sines and cosines, at a site latitude in degrees; no refraction, nutation or precession.
// Source: J. Meeus, Astronomical Algorithms, chapter 13.
THourAngleDec HorizontalToEquatorial(TAngleTrig azimuth, TAngleTrig altitude, double latitudeDeg);

// A local sidereal time (hours) brought into [0, 24] by one day either way.
double FoldLocalSiderealHours(double lstHours);

// The four coordinates a TSource made from a pointing holds (degrees, as GetRa, GetDec, GetBeta
// and GetLambda give their values): from its hour angle and declination and the folded local
// sidereal time, with the rotation constants of the site's equinox. The same bits as the
// TSource, without building one.
struct TSkyPosition {
    double ra = 0.0;
    double dec = 0.0;
    double beta = 0.0;
    double lambda = 0.0;
};
TSkyPosition SkyPositionFrom(const THourAngleDec& hd, double lstHours, const TSite& site);

// What a sky position takes from the pointing alone: the hour angle (degrees), and the
// declination as the source keeps it (quantised, [0, 360)) with its sine and cosine for the
// galactic rotation. A derivation keeps it while a parked dish repeats its counts.
struct TPointing {
    double hourAngleDeg = 0.0;
    TRotationLatitude dec;
};
TPointing PointingFrom(const THourAngleDec& hd);
// The positions of count pointings at their local sidereal times (hours), out[i] from
// pointing[i] and lstHours[i]: the bits of SkyPositionFrom one at a time, with the galactic
// rotations of a batch overlapping.
void SkyPositionsFrom(const TPointing* pointing, const double* lstHours, std::size_t count, const TSite& site,
                      TSkyPosition* out);

class TSource {
public:
    // Azimuth (degrees from north through east) and altitude (degrees) at an instant;
    // derives right ascension, declination and the galactic coordinates at once. A null
    // `when` stands for the current instant.
    TSource(double azimuthDeg, double altitudeDeg, const TUtcLocalTime* when, const TSite& site);
    // The same at the site of the installed settings (Sitesettings.cpp).
    TSource(double azimuthDeg, double altitudeDeg, const TUtcLocalTime* when);
    // A body of kind 2 to 10, whose position is recomputed on every read.
    static TSource Body(TSourceKind kind, const TUtcLocalTime& when, const TSite& site);
    static TSource Body(TSourceKind kind, const TUtcLocalTime& when);
    // A catalogue source of kind 1 at galactic latitude and longitude (degrees); its right
    // ascension and declination are derived at once.
    static TSource FromGalactic(double betaDeg, double lambdaDeg, const TUtcLocalTime& when, const TSite& site);
    static TSource FromGalactic(double betaDeg, double lambdaDeg, const TUtcLocalTime& when);

    // Copies of the records; kinds 2 to 10 are brought up to date first.
    TRa GetRa();
    TAngle GetDec();
    TAngle GetBeta();
    TAngle GetLambda();

    char Name[128] = {};
    std::int32_t Kind = KindEquatorial;
    double Unused = -1.0;
    double Azimuth = 0.0;
    double Altitude = 0.0;
    TRa Ra;
    TAngle Dec;
    TUtcLocalTime Time;
    TAngle Beta;
    TAngle Lambda;
    bool Flag = false;
    // The site and equinox every position of this source is computed for.
    TSite Site;

private:
    TSource() = default;
    // Recomputes Ra and Dec of a Sun, Moon or planet source (kinds 2 to 10).
    void RefreshBody();
    void RefreshGalactic();    // Beta, Lambda from Ra, Dec (kind 0)
    void RefreshEquatorial();  // Ra, Dec from Beta, Lambda (kind 1)
};

}  // namespace driftline
