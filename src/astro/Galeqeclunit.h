#pragma once
// Rotations between equatorial, galactic and ecliptic coordinates (1950 or J2000 constants,
// chosen by the site's equinox at each call).
#include "astro/Site.h"

#include <cstddef>

namespace driftline {

// Latitude-like coordinate first (declination, b, ecliptic latitude), then longitude-like
// (right ascension in degrees, l, ecliptic longitude); both in degrees.
struct TCoordPair {
    double Latitude = 0.0;
    double Longitude = 0.0;
};

enum TConversion : int {
    EquatorialToGalactic = 0,
    GalacticToEquatorial = 1,
    EquatorialToEcliptic = 2,
    EclipticToEquatorial = 3,
    EclipticToGalactic = 4,
    GalacticToEcliptic = 5,
};

// Rotates a pair (degrees) by one of the six conversions with the constants of site.j2000; the
// output longitude lies in [0, 360). Source: galactic pole and node of Blaauw et al. (1960),
// MNRAS 121, 123, and of the Hipparcos catalogue, ESA SP-1200, vol. 1, section 1.5.3.
TCoordPair Rotate(TCoordPair in, int conversion, const TSite& site);
// The same at the site of the installed settings (Sitesettings.cpp).
TCoordPair Rotate(TCoordPair in, int conversion);

// Rotate in two halves, for callers that rotate many longitudes at one latitude (a parked dish's
// declination): the latitude's sine and cosine as Rotate takes them, then the rotation of a
// longitude at that latitude. RotateWith(RotationLatitude(lat), lon, c, site) is
// Rotate({lat, lon}, c, site), bit for bit.
struct TRotationLatitude {
    double sin = 0.0;
    double cos = 1.0;
    double degrees = 0.0;
};
TRotationLatitude RotationLatitude(double latitudeDeg);
TCoordPair RotateWith(TRotationLatitude latitude, double longitudeDeg, int conversion, const TSite& site);
// RotateWith for count pairs at once (out[i] from latitude[i] and longitudeDeg[i]), the same bits
// as one at a time; faster on long runs, whose rotations overlap in the processor.
void RotateManyWith(const TRotationLatitude* latitude, const double* longitudeDeg, std::size_t count,
                    int conversion, const TSite& site, TCoordPair* out);
// The batch RotateManyWith works through at a time (its scratch lives on the stack).
inline constexpr std::size_t RotationBatch = 64;

// Angle into [0, 360): add 360 while below 0, subtract 360 while at or above 360.
double FoldDegrees(double degrees);

struct TVector3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};
TVector3 MakeVector(double x, double y, double z);

}  // namespace driftline
