#pragma once
// Precise positions: the direction the dish points (observed azimuth and altitude, refraction
// included) at a UTC instant, as ICRS right ascension and declination (J2000) and galactic
// coordinates, through the IAU's observed-to-ICRS chain as ERFA publishes it.
//
// Conventions, once: azimuth is counted from north through east (ERFA's own convention), in
// degrees, not necessarily folded; longitude is east positive and may be given as 360 minus the
// size of a western longitude; latitude is geodetic (WGS84) and may be held as 360 + latitude
// for a southern site. Results are signed: declination and galactic latitude in -90..90, right
// ascension and galactic longitude in [0, 360). Polar motion is taken as 0.
#include "astro/Timeunit.h"

#include <memory>

namespace driftline {

// The frame a derivation gives right ascension, declination and the galactic coordinates in.
enum class TPositionFrame : int {
    Classic = 0,  // of date, no precession, nutation, aberration or refraction (Sourceunit)
    Icrs = 1,     // ICRS (J2000) through the chain below
};

// Refraction switches from the optical to the radio model above 100 microns; a radio
// telescope's wavelength (21 cm here) is far beyond that, and the radio model does not depend on
// the exact value.
inline constexpr double RadioWavelengthMicrons = 210000.0;

// How long, in seconds of data time, one slow context (precession-nutation, Earth position and
// velocity, refraction constants) serves; the Earth rotation angle is taken per sample.
inline constexpr double PreciseContextSeconds = 300.0;

// The site and the air, as plain values.
struct TPreciseSite {
    double longitudeDeg = 0.0;      // east positive (a western longitude may be 360 minus its size)
    double latitudeDeg = 0.0;       // geodetic, north positive (a southern one may be 360 + latitude)
    double heightM = 0.0;           // above the WGS84 ellipsoid, metres
    double pressureHpa = 0.0;       // at the site, hPa; 0 turns refraction off
    double temperatureC = 10.0;     // degrees Celsius
    double humidityPercent = 50.0;  // relative humidity, 0..100 (values outside are clamped)
    double wavelengthMicrons = RadioWavelengthMicrons;  // above 100: radio refraction
    double dut1Seconds = 0.0;                           // UT1 - UTC, seconds

    bool operator==(const TPreciseSite&) const = default;
};

// One position in both systems, degrees.
struct TPrecisePlace {
    double raDeg = 0.0;      // ICRS right ascension, [0, 360)
    double decDeg = 0.0;     // ICRS declination, -90..90
    double betaDeg = 0.0;    // galactic latitude b, -90..90
    double lambdaDeg = 0.0;  // galactic longitude l, [0, 360)
};

// A UTC date-time serial (days since 1899-12-30) as a two-part Julian Date, whole day part first,
// so the time of day keeps its full precision.
void DateTimeToJulianParts(TDateTime utc, double& jd1, double& jd2);

// ICRS and galactic place of an observed azimuth and altitude (degrees) at a UTC instant, with
// the whole context computed for that instant: the reference every faster path is measured by.
// Returns false (place untouched) when ERFA refuses the date.
// Called: eraApco13, eraAtoiq, eraAticq, eraIcrs2g.
// Reference: IERS Conventions (2010), IERS Technical Note 36; ERFA manual, "Star-independent
// astrometry parameters".
bool ObservedToIcrs(const TPreciseSite& site, TDateTime utc, double azimuthDeg, double altitudeDeg,
                    TPrecisePlace& place);

// The same chain for a stream of samples. The slow part of the context is computed once per block
// of PreciseContextSeconds of data time, at the block's middle, and kept; each sample then sets
// only its own Earth rotation angle. Blocks are fixed in data time (not started by the first
// sample seen), so a sample gets the same result whichever order, slice or thread derives it.
// Within a block the observed-to-CIRS step of recent pointings is kept too (a parked dish
// repeats a few encoder counts), and CIRS to ICRS and galactic run on vectors with eraAticq's
// and eraIcrs2g's own steps; ObservedToIcrs is the reference they are tested against.
//
// Error budget of the kept context, against ObservedToIcrs for the same sample, at most 150 s
// from the block middle: the observer's diurnal velocity turns by up to 0.63 degree, which moves
// the diurnal aberration (at most 0.32" at the equator) by under 0.004"; the annual aberration
// (20.5") turns with the Earth's orbit by under 0.001"; precession and nutation move by under
// 0.001". Sum: below 0.006", tested at 0.01" over a two-day log at a northern and a southern site.
//
// One object per thread: Place keeps its context between calls.
class TPreciseFrame {
public:
    explicit TPreciseFrame(const TPreciseSite& site);
    ~TPreciseFrame();
    TPreciseFrame(const TPreciseFrame& other);
    TPreciseFrame& operator=(const TPreciseFrame& other);

    const TPreciseSite& Site() const { return site_; }

    // ICRS and galactic place of an observed azimuth and altitude (degrees) at a UTC instant.
    // Returns false (place untouched) when ERFA refuses the date.
    bool Place(TDateTime utc, double azimuthDeg, double altitudeDeg, TPrecisePlace& place);

    // How many slow contexts were computed so far (each block of data time costs one).
    long long ContextsComputed() const { return contexts_; }

private:
    struct TContext;
    TPreciseSite site_;
    std::unique_ptr<TContext> context_;
    long long contexts_ = 0;
};

}  // namespace driftline
