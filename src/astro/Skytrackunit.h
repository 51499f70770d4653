#pragma once
// Where a body or a catalogue source stands in a parked dish's sky over a stretch of time:
// topocentric azimuth and altitude of the Sun, the Moon, a planet or a fixed ICRS position, for a
// site given as an argument (nothing here reads the settings). The site's latitude and longitude
// may be given either as the settings hold them (0 to 360) or signed (-180 to 180); its height is
// taken as above the ellipsoid, and its equinox, temperature, pressure and refraction are not read.
//
// Conventions: azimuth in degrees from north through east, 0 to 360; altitude in degrees above
// the geometric horizon (no refraction); times are TDateTime serials in UTC, taken as UT1 (the
// difference, below 0.9 s, moves a source by less than 0.004 degree).
//
// Positions of date come from the library's own models: the Sun from the Solar Position Algorithm
// (Sununit), the Moon from TMoon, the planets from their VSOP87 series seen from the Earth of the
// same algorithm, all turned to the equator by its true obliquity; catalogue sources from ERFA
// (ICRS to CIRS, eraAtci13). The diurnal parallax is applied with the observer on the WGS84
// ellipsoid (eraGd2gc): up to a degree for the Moon, 9 arc-seconds for the Sun.
// Sidereal time: mean sidereal time of Meeus, Astronomical Algorithms, 2nd ed., eq. 12.4, plus
// the equation of the equinoxes (nutation in longitude times cos of the true obliquity).
#include "astro/Site.h"
#include "astro/Sourceunit.h"
#include "astro/Timeunit.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace driftline {

struct THorizontal {
    double azimuthDeg = 0.0;   // 0 to 360, north through east
    double altitudeDeg = 0.0;  // -90 to 90
};

// What is tracked: a body of kind KindSun .. KindNeptune, or a fixed ICRS position (J2000
// catalogue right ascension and declination, degrees).
struct TSkyTarget {
    TSourceKind kind = KindSun;
    bool fixed = false;
    double icrsRaDeg = 0.0;
    double icrsDecDeg = 0.0;
    std::string name;  // "Sun", "Cas A", "19:59:28.4 +40:44:02" ...

    static TSkyTarget Body(TSourceKind kind);
    static TSkyTarget Fixed(double raDeg, double decDeg, std::string name);
};

// Great-circle angle in degrees between two horizontal directions (haversine form, exact for
// small angles).
double SeparationDeg(const THorizontal& a, const THorizontal& b);

// The apparent place of a target over a time range: right ascension and declination of date
// (equinox based), distance and equation of the equinoxes at nodes ten minutes apart, linearly
// interpolated (the Moon's path bends by far less than an arc-second over ten minutes); the
// sidereal time and the parallax are worked out at each instant.
class TSkyTrack {
public:
    // Covers [fromUtc, toUtc] (serials; swapped when given the other way round).
    TSkyTrack(const TSkyTarget& target, const TSite& site, TDateTime fromUtc, TDateTime toUtc);

    // Topocentric azimuth and altitude at an instant; instants outside the covered range are
    // extrapolated from the nearest nodes.
    THorizontal At(TDateTime utc) const;

    TDateTime from() const { return from_; }
    TDateTime to() const { return to_; }
    const TSkyTarget& target() const { return target_; }

private:
    struct TNode {
        double raDeg;  // unwrapped along the track
        double decDeg;
        double distanceM;     // 0 for a fixed source (no parallax)
        double eqEquinoxDeg;  // equation of the equinoxes
    };
    TSkyTarget target_;
    TSite site_;  // latitude and longitude signed, -180 to 180
    TDateTime from_ = 0.0, to_ = 0.0;
    double stepDays_ = 0.0;
    std::vector<TNode> nodes_;
    double sinLat_ = 0.0, cosLat_ = 1.0;
    double observerXyM_ = 0.0, observerZM_ = 0.0;  // geocentric distance from the axis, height above the equator
};

// Greenwich mean sidereal time in degrees, 0 to 360, for a UTC serial taken as UT1
// (Meeus, Astronomical Algorithms, 2nd ed., eq. 12.4).
double MeanSiderealDeg(TDateTime utc);

// A body's name ("Sun" .. "Neptune", any case) as its kind.
std::optional<TSourceKind> BodyKindFromName(std::string_view name);
// The display name of kind KindSun .. KindNeptune.
const char* BodyName(TSourceKind kind);

// A bright radio source of the built-in list.
struct TCatalogueSource {
    const char* name;
    double raDeg;  // ICRS, degrees
    double decDeg;
};
// Cas A, Cyg A, Tau A, Vir A, Sgr A.
const std::vector<TCatalogueSource>& CatalogueSources();
// A built-in source by name, ignoring case and spaces ("cyga", "Cyg A").
std::optional<TCatalogueSource> FindCatalogueSource(std::string_view name);

// "HH:MM:SS.s" (also "HH MM SS.s" or decimal hours "HH.hhh") as degrees, 0 to 360; nothing when
// malformed or out of range.
std::optional<double> ParseRightAscension(std::string_view text);
// "+DD:MM:SS.s" or "-DD:MM:SS" (also with spaces, or decimal degrees) as degrees, -90 to 90;
// "-00:30:00" is half a degree south.
std::optional<double> ParseDeclination(std::string_view text);

}  // namespace driftline
