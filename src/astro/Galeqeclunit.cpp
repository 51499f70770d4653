// Rotations between equatorial, galactic and ecliptic coordinates.
#include "astro/Galeqeclunit.h"

#include "astro/AstroConstants.h"
#include "astro/Exactround.h"

#include <algorithm>
#include <cmath>

namespace driftline {

namespace {

static_assert(180.0 / Pi == RadToDeg, "degrees per radian must be 180/pi exactly");

// Euler angles of one rotation: psi and phi in radians, theta by its sine and cosine.
struct TRotation {
    double psi;
    double sinTheta;
    double cosTheta;
    double phi;
};

// Rows 0..5: B1950 constants (equinox J1950), rows 6..11: J2000, in conversion order.
// The galactic rows hold the north galactic pole (RA 192.25, Dec 27.4; J2000: 192.85948,
// 27.12825) and the node longitude 33 (J2000: 32.93192) degrees: Blaauw et al. (1960),
// MNRAS 121, 123, and the Hipparcos catalogue, ESA SP-1200, vol. 1, section 1.5.3. The
// ecliptic rows hold the obliquity 23.44579 (B1950) and 23.43929 (J2000) degrees.
constexpr TRotation Rotations[12] = {
    {0.57595865315, 0.88781538514, 0.46019978478, 4.9261918136},
    {4.9261918136, -0.88781538514, 0.46019978478, 0.57595865315},
    {0.0, 0.39788119938, 0.91743694670, 0.0},
    {0.0, -0.39788119938, 0.91743694670, 0.0},
    {0.11129056012, 0.86766174755, 0.49715499774, 4.7005372834},
    {4.7005372834, -0.86766174755, 0.49715499774, 0.11129056012},
    {0.57477043300, 0.88998808748, 0.45598377618, 4.9368292465},
    {4.9368292465, -0.88998808748, 0.45598377618, 0.57477043300},
    {0.0, 0.39777715593, 0.91748206207, 0.0},
    {0.0, -0.39777715593, 0.91748206207, 0.0},
    {0.11142137093, 0.86766622025, 0.49714719172, 4.71279419371},
    {4.71279419371, -0.86766622025, 0.49714719172, 0.11142137093},
};

}  // namespace

// Rotates a (latitude, longitude) pair in degrees by one of the six conversions, with the
// constants of the site's equinox; the output longitude lies in [0, 360).
TCoordPair Rotate(TCoordPair in, int conversion, const TSite& site)
{
    return RotateWith(RotationLatitude(in.Latitude), in.Longitude, conversion, site);
}

TRotationLatitude RotationLatitude(double latitudeDeg)
{
    const double b = latitudeDeg / RadToDeg;
    return {std::sin(b), std::cos(b), latitudeDeg};
}

// Rotation of the sphere through the Euler angles phi (about the old pole), theta (about
// the node) and psi (about the new pole).
TCoordPair RotateWith(TRotationLatitude latitude, double longitudeDeg, int conversion, const TSite& site)
{
    TCoordPair out;
    RotateManyWith(&latitude, &longitudeDeg, 1, conversion, site, &out);
    return out;
}

// In stages over the whole batch: the steps of one rotation depend on each other, but those of
// different rotations do not, so each stage's divisions and library calls overlap across the
// batch instead of waiting on one another. Every value is computed by the same expression as a
// rotation on its own.
void RotateManyWith(const TRotationLatitude* latitude, const double* longitudeDeg, std::size_t count,
                    int conversion, const TSite& site, TCoordPair* out)
{
    if (conversion < EquatorialToGalactic || conversion > GalacticToEcliptic) {
        for (std::size_t i = 0; i < count; ++i)
            out[i] = {latitude[i].degrees, longitudeDeg[i]};
        return;
    }
    const int row = 6 * (site.j2000 ? 1 : 0) + conversion;
    const TRotation& r = Rotations[row];
    for (std::size_t begin = 0; begin < count; begin += RotationBatch) {
        const std::size_t n = std::min(RotationBatch, count - begin);
        const TRotationLatitude* lat = latitude + begin;
        TCoordPair* to = out + begin;
        double sinA[RotationBatch], cosA[RotationBatch];
        for (std::size_t i = 0; i < n; ++i) {
            const double a = longitudeDeg[begin + i] / RadToDeg - r.phi;
            sinA[i] = std::sin(a);
            cosA[i] = std::cos(a);
        }
        for (std::size_t i = 0; i < n; ++i) {
            const double cbsa = lat[i].cos * sinA[i];
            double s = -r.sinTheta * cbsa + r.cosTheta * lat[i].sin;
            // The clamp keeps asin defined when rounding carries a pole input past 1.
            if (s > 1.0)
                s = 1.0;
            if (s < -1.0)
                s = -1.0;
            to[i].Latitude = std::asin(s) * RadToDeg;
        }
        for (std::size_t i = 0; i < n; ++i) {
            const double cbsa = lat[i].cos * sinA[i];
            const double t = std::atan2(r.cosTheta * cbsa + r.sinTheta * lat[i].sin, lat[i].cos * cosA[i]);
            double longitude = RemainderOfPeriods(t + r.psi + FourPi, TwoPi) * RadToDeg;
            // fmod leaves [0, 2 pi), but the product can round up to exactly 360.
            if (longitude >= 360.0)
                longitude = 0.0;
            to[i].Longitude = longitude;
        }
    }
}

// Degrees into [0, 360): 360 added while below 0, subtracted while at or above 360.
// A value that is not finite is returned unchanged.
double FoldDegrees(double degrees)
{
    if (!std::isfinite(degrees))
        return degrees;
    // Far outside one turn the loops would be slow; fmod is exact.
    if (degrees >= 720.0 || degrees < -720.0)
        degrees = std::fmod(degrees, 360.0);
    while (degrees < 0.0)
        degrees += 360.0;
    while (degrees >= 360.0)
        degrees -= 360.0;
    return degrees;
}

// A vector of three components.
TVector3 MakeVector(double x, double y, double z)
{
    return TVector3{x, y, z};
}

}  // namespace driftline
