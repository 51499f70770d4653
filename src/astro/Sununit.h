#pragma once
// The Sun's position and the Earth's heliocentric position, nutation and obliquity of the
// ecliptic, after the Solar Position Algorithm of Reda and Andreas (Solar Energy 76 (2004)
// 577-589; NREL/TP-560-34302). The library runs only its first steps (function codes 0 and 1).
#include "astro/Sourceunit.h"
#include "astro/Timeunit.h"

#include <cstdint>

namespace driftline {

// What SpaCalculate computes: code 0 runs up to the geocentric right ascension and declination;
// code 1 stops after the true obliquity (Earth position, nutation and obliquity valid, alpha and
// delta not computed). The published algorithm's later codes (topocentric position, refraction,
// incidence, rise and set) are not used by this program.
enum TSpaFunction : std::int32_t {
    SpaGeocentric = 0,
    SpaObliquity = 1,
};

// The solar position record: inputs, then the intermediate and output values in the order of
// the published algorithm. Angles in degrees unless a name says otherwise.
struct TSpaData {
    // Inputs.
    std::int32_t year = 2000;
    std::int32_t month = 1;
    std::int32_t day = 1;
    std::int32_t hour = 12;
    std::int32_t minute = 0;
    std::int32_t second = 0;
    double deltaT = 0.0;        // TT - UT, seconds
    double timeZone = 0.0;      // local time minus UTC, hours
    double longitude = 0.0;     // observer, east positive
    double latitude = 0.0;      // observer, north positive
    double elevation = 0.0;     // metres
    double pressure = 1013.0;   // millibars
    double temperature = 10.0;  // degrees Celsius
    double slope = 0.0;
    double azmRotation = 0.0;
    double atmosRefract = 0.5667;
    std::int32_t function = SpaGeocentric;

    // Intermediate and output values.
    double jd = 0.0;          // Julian day
    double jc = 0.0;          // Julian century
    double jde = 0.0;         // Julian ephemeris day
    double jce = 0.0;         // Julian ephemeris century
    double jme = 0.0;         // Julian ephemeris millennium
    double l = 0.0;           // Earth heliocentric longitude, [0, 360)
    double b = 0.0;           // Earth heliocentric latitude
    double r = 0.0;           // Earth radius vector, AU
    double theta = 0.0;       // geocentric longitude, [0, 360)
    double beta = 0.0;        // geocentric latitude
    double x0 = 0.0;          // mean elongation of the Moon from the Sun
    double x1 = 0.0;          // mean anomaly of the Sun
    double x2 = 0.0;          // mean anomaly of the Moon
    double x3 = 0.0;          // argument of latitude of the Moon
    double x4 = 0.0;          // longitude of the ascending node of the Moon
    double delPsi = 0.0;      // nutation in longitude
    double delEpsilon = 0.0;  // nutation in obliquity
    double epsilon0 = 0.0;    // mean obliquity, arc-seconds
    double epsilon = 0.0;     // true obliquity
    double delTau = 0.0;      // aberration correction
    double lamda = 0.0;       // apparent Sun longitude
    double nu0 = 0.0;         // mean Greenwich sidereal time, [0, 360)
    double nu = 0.0;          // apparent Greenwich sidereal time
    double alpha = 0.0;       // geocentric right ascension, [0, 360)
    double delta = 0.0;       // geocentric declination

    // Values of the published algorithm's later steps, kept for the record's layout;
    // SpaCalculate never fills them.
    double h = 0.0, xi = 0.0, delAlpha = 0.0, deltaPrime = 0.0, alphaPrime = 0.0, hPrime = 0.0;
    double e0 = 0.0, delE = 0.0, e = 0.0, eot = 0.0, srha = 0.0, ssha = 0.0, sta = 0.0;
    double zenith = 0.0, azimuthAstro = 0.0, azimuth = 0.0, incidence = 0.0;
    double suntransit = 0.0, sunrise = 0.0, sunset = 0.0;
};

// The fixed difference TT - UT the library uses, seconds.
inline constexpr double SpaDeltaT = 64.784;

// Checks the inputs: 0 when all are acceptable, else the number of the first failed check.
int SpaValidateInputs(const TSpaData& spa);

// Validates and computes as far as spa.function asks; returns 0 on success, else the number of
// the first failed input check (and computes nothing).
int SpaCalculate(TSpaData& spa);

// Fills the inputs from a source's instant (its local half, whole seconds) and the site (its
// angles in degrees as the settings hold them, height in metres, pressure in millibars,
// temperature in degrees Celsius), for the given function code.
void SpaFillFromSource(TSpaData& spa, const TSource& source, const TSite& site, TSpaFunction function);

// Earth heliocentric longitude and latitude in degrees (longitude in [0, 360), latitude not
// folded) and radius vector in AU, for jme Julian ephemeris millennia from J2000.
struct TEarthHeliocentric {
    double longitudeDeg;
    double latitudeDeg;
    double radiusAu;
};
TEarthHeliocentric EarthHeliocentric(double jme);

// The Earth record the planets share: a code-1 calculation with the true obliquity in radians
// and its cosine and sine.
struct TEarthRecord {
    TSpaData spa;
    double obliquityRad = 0.0;
    double cosObliquity = 1.0;
    double sinObliquity = 0.0;
    bool calculated = false;         // at least one calculation was attempted
    TDateTime calculatedAt = 0.0;    // body-clock instant of the last calculation
    std::uint64_t calculations = 0;  // number of calculations so far
};

// The shared Earth record, recalculated from source (at source.Site) when more than one minute of body-clock
// time has passed since the last calculation (or the clock went back); the first use always
// calculates. A failed calculation reports "Error in sun's params number N" and keeps the
// previous values.
const TEarthRecord& EarthRecordFor(const TSource& source);

// Forgets the shared Earth record, so that the next use calculates it afresh.
void ResetEarthRecord();

}  // namespace driftline
