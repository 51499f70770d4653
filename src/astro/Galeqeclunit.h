#pragma once
// Rotations between equatorial, galactic and ecliptic coordinates (B1950 or J2000 constants,
// chosen by the settings' equinox at each call).
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

// Rotates a pair by one of the six conversions; the output longitude lies in [0, 360).
TCoordPair Rotate(TCoordPair in, int conversion);

// Angle into [0, 360): add 360 while below 0, subtract 360 while at or above 360.
double FoldDegrees(double degrees);

struct TVector3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};
TVector3 MakeVector(double x, double y, double z);

}  // namespace driftline
