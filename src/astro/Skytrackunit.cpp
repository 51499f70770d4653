// Topocentric tracks of the Sun, the Moon, the planets and fixed ICRS positions.
#include "astro/Skytrackunit.h"

#include "astro/AstroConstants.h"
#include "astro/Galeqeclunit.h"
#include "astro/MoonUnit.h"
#include "astro/Planetunit.h"
#include "astro/Sununit.h"

#include <erfa.h>
#include <erfam.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <memory>

namespace driftline {

namespace {

constexpr double SecondsPerDay = 86400.0;
constexpr double MetresPerAu = 149597870700.0;  // IAU 2012 Resolution B2
constexpr double MetresPerKm = 1000.0;
// Julian day of the TDateTime origin, 30 Dec 1899 00:00.
constexpr double DateTimeOriginJd = 2415018.5;
constexpr double NodeStepSeconds = 600.0;

const char* const BodyNames[] = {"Sun", "Moon", "Mercury", "Venus", "Mars", "Jupiter", "Saturn", "Uranus", "Neptune"};

std::unique_ptr<TPlanet> MakePlanet(TSourceKind kind, double jde)
{
    switch (kind) {
    case KindMercury:
        return std::make_unique<TMercury>(jde);
    case KindVenus:
        return std::make_unique<TVenus>(jde);
    case KindMars:
        return std::make_unique<TMars>(jde);
    case KindJupiter:
        return std::make_unique<TJupiter>(jde);
    case KindSaturn:
        return std::make_unique<TSaturn>(jde);
    case KindUranus:
        return std::make_unique<TUranus>(jde);
    case KindNeptune:
        return std::make_unique<TNeptune>(jde);
    default:
        return nullptr;
    }
}

std::string Compact(std::string_view text)
{
    std::string out;
    for (char c : text) {
        if (!std::isspace(static_cast<unsigned char>(c)))
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

// Up to three non-negative numbers separated by ':' or blanks; the last may have a fraction.
std::optional<std::vector<double>> SexagesimalParts(std::string_view text)
{
    std::vector<double> parts;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == ':'))
            ++i;
        if (i == text.size())
            break;
        std::size_t j = i;
        while (j < text.size() && text[j] != ' ' && text[j] != ':')
            ++j;
        double v = 0.0;
        const auto r = std::from_chars(text.data() + i, text.data() + j, v);
        if (r.ec != std::errc() || r.ptr != text.data() + j || !std::isfinite(v) || v < 0.0)
            return std::nullopt;
        parts.push_back(v);
        i = j;
    }
    if (parts.empty() || parts.size() > 3)
        return std::nullopt;
    // Only the last part may carry a fraction; minutes and seconds stay below 60.
    for (std::size_t k = 0; k + 1 < parts.size(); ++k) {
        if (parts[k] != std::floor(parts[k]))
            return std::nullopt;
    }
    for (std::size_t k = 1; k < parts.size(); ++k) {
        if (parts[k] >= 60.0)
            return std::nullopt;
    }
    return parts;
}

double FromParts(const std::vector<double>& parts)
{
    double v = 0.0;
    double scale = 1.0;
    for (double p : parts) {
        v += p * scale;
        scale /= 60.0;
    }
    return v;
}

}  // namespace

TSkyTarget TSkyTarget::Body(TSourceKind kind)
{
    TSkyTarget t;
    t.kind = kind;
    t.name = BodyName(kind);
    return t;
}

TSkyTarget TSkyTarget::Fixed(double raDeg, double decDeg, std::string name)
{
    TSkyTarget t;
    t.kind = KindEquatorial;
    t.fixed = true;
    t.icrsRaDeg = raDeg;
    t.icrsDecDeg = decDeg;
    t.name = std::move(name);
    return t;
}

double SeparationDeg(const THorizontal& a, const THorizontal& b)
{
    const double dAlt = (b.altitudeDeg - a.altitudeDeg) * DegToRad;
    const double dAz = (b.azimuthDeg - a.azimuthDeg) * DegToRad;
    const double s1 = std::sin(dAlt / 2.0);
    const double s2 = std::sin(dAz / 2.0);
    double h = s1 * s1 + std::cos(a.altitudeDeg * DegToRad) * std::cos(b.altitudeDeg * DegToRad) * s2 * s2;
    h = std::clamp(h, 0.0, 1.0);  // keeps asin defined against rounding
    return 2.0 * std::asin(std::sqrt(h)) * RadToDeg;
}

double MeanSiderealDeg(TDateTime utc)
{
    // Days from J2000.0 (JD 2451545.0), formed from the serial directly to keep the digits.
    const double d = utc + DateTimeOriginJd - J2000JulianDay;
    const double t = d / 36525.0;
    const double theta = 280.46061837 + 360.98564736629 * d + 0.000387933 * t * t - t * t * t / 38710000.0;
    return FoldDegrees(std::fmod(theta, 360.0));
}

TSkyTrack::TSkyTrack(const TSkyTarget& target, const TSite& given, TDateTime fromUtc, TDateTime toUtc)
    : target_(target), site_(given)
{
    // The settings hold a southern latitude or a western longitude as 360 minus its size.
    site_.latitudeDeg = given.latitudeDeg > 180.0 ? given.latitudeDeg - 360.0 : given.latitudeDeg;
    site_.longitudeDeg = given.longitudeDeg > 180.0 ? given.longitudeDeg - 360.0 : given.longitudeDeg;
    const TSite& site = site_;
    if (toUtc < fromUtc)
        std::swap(fromUtc, toUtc);
    // Nodes on whole seconds: the solar position algorithm takes whole seconds.
    from_ = std::floor(fromUtc * SecondsPerDay) / SecondsPerDay;
    stepDays_ = NodeStepSeconds / SecondsPerDay;
    const std::size_t count = static_cast<std::size_t>(std::ceil((toUtc - from_) / stepDays_)) + 2;
    to_ = from_ + static_cast<double>(count - 1) * stepDays_;

    const double latRad = site.latitudeDeg * DegToRad;
    const double lonRad = site.longitudeDeg * DegToRad;
    sinLat_ = std::sin(latRad);
    cosLat_ = std::cos(latRad);
    double xyz[3] = {0.0, 0.0, 0.0};
    if (eraGd2gc(ERFA_WGS84, lonRad, latRad, site.heightM, xyz) == 0) {
        observerXyM_ = std::hypot(xyz[0], xyz[1]);
        observerZM_ = xyz[2];
    }

    nodes_.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        // Whole seconds from the start: every node's instant is exact in the record's fields.
        const TDateTime t = from_ + static_cast<double>(i) * NodeStepSeconds / SecondsPerDay;
        const TSystemTime st = DecodeDateTime(t);
        TSpaData spa;
        spa.year = st.wYear;
        spa.month = st.wMonth;
        spa.day = st.wDay;
        spa.hour = st.wHour;
        spa.minute = st.wMinute;
        spa.second = st.wSecond;
        spa.deltaT = SpaDeltaT;
        spa.timeZone = 0.0;
        spa.longitude = site.longitudeDeg;
        spa.latitude = site.latitudeDeg;
        spa.elevation = site.heightM;
        spa.function = SpaGeocentric;
        TNode node{0.0, 0.0, 0.0, 0.0};
        if (SpaCalculate(spa) != 0) {
            // Only a date outside the algorithm's years fails; keep the previous node.
            if (!nodes_.empty())
                node = nodes_.back();
            nodes_.push_back(node);
            continue;
        }
        const double eps = spa.epsilon * DegToRad;
        node.eqEquinoxDeg = spa.delPsi * std::cos(eps);

        if (target.fixed) {
            // ICRS to CIRS (precession, nutation, aberration, light deflection), then the CIRS
            // right ascension made equinox based: RA = ri - eo, since GST = ERA - eo.
            double utc1 = 0.0, utc2 = 0.0, tai1 = 0.0, tai2 = 0.0, tt1 = 0.0, tt2 = 0.0;
            utc1 = DateTimeOriginJd;
            utc2 = t;
            if (eraUtctai(utc1, utc2, &tai1, &tai2) < 0 || eraTaitt(tai1, tai2, &tt1, &tt2) != 0) {
                tt1 = utc1;
                tt2 = utc2 + (32.184 + 37.0) / SecondsPerDay;
            }
            double ri = 0.0, di = 0.0, eo = 0.0;
            eraAtci13(target.icrsRaDeg * DegToRad, target.icrsDecDeg * DegToRad, 0.0, 0.0, 0.0, 0.0, tt1, tt2, &ri, &di,
                      &eo);
            node.raDeg = eraAnp(ri - eo) * RadToDeg;
            node.decDeg = di * RadToDeg;
            node.distanceM = 0.0;
        } else if (target.kind == KindSun) {
            node.raDeg = spa.alpha;
            node.decDeg = spa.delta;
            node.distanceM = spa.r * MetresPerAu;
        } else if (target.kind == KindMoon) {
            // The Moon's apparent ecliptic place turned to the equator by the true obliquity
            // (Meeus, Astronomical Algorithms, 2nd ed., eqs. 13.3 and 13.4).
            const TMoon moon(spa.jde);
            const double lambda = moon.GetLongitude() * DegToRad;
            const double beta = moon.GetLatitude() * DegToRad;
            node.raDeg = FoldDegrees(
                std::atan2(std::sin(lambda) * std::cos(eps) - std::tan(beta) * std::sin(eps), std::cos(lambda)) *
                RadToDeg);
            node.decDeg = std::asin(std::sin(beta) * std::cos(eps) +
                                    std::cos(beta) * std::sin(eps) * std::sin(lambda)) *
                          RadToDeg;
            node.distanceM = moon.GetDistance() * MetresPerKm;
        } else if (const std::unique_ptr<TPlanet> planet = MakePlanet(target.kind, spa.jde)) {
            // Heliocentric ecliptic rectangular coordinates less the Earth's, then turned to the
            // equator (Meeus, Astronomical Algorithms, 2nd ed., chapter 33, without light time).
            const double l = planet->GetLongitude() * DegToRad;
            const double b = planet->GetLatitude() * DegToRad;
            const double r = planet->GetDistance();
            const double el = spa.l * DegToRad;
            const double eb = spa.b * DegToRad;
            const double x = r * std::cos(b) * std::cos(l) - spa.r * std::cos(eb) * std::cos(el);
            const double y = r * std::cos(b) * std::sin(l) - spa.r * std::cos(eb) * std::sin(el);
            const double z = r * std::sin(b) - spa.r * std::sin(eb);
            const double yEq = y * std::cos(eps) - z * std::sin(eps);
            const double zEq = y * std::sin(eps) + z * std::cos(eps);
            node.raDeg = FoldDegrees(std::atan2(yEq, x) * RadToDeg);
            node.decDeg = std::atan2(zEq, std::hypot(x, yEq)) * RadToDeg;
            node.distanceM = std::sqrt(x * x + y * y + z * z) * MetresPerAu;
        }
        // Unwrap the right ascension so that interpolation never crosses 0/360 the long way.
        if (!nodes_.empty()) {
            const double previous = nodes_.back().raDeg;
            node.raDeg = previous + std::remainder(node.raDeg - previous, 360.0);
        }
        nodes_.push_back(node);
    }
}

THorizontal TSkyTrack::At(TDateTime utc) const
{
    const double u = (utc - from_) / stepDays_;
    const double last = static_cast<double>(nodes_.size() - 2);
    const double i = std::clamp(std::floor(u), 0.0, last);
    const double f = u - i;
    const TNode& n0 = nodes_[static_cast<std::size_t>(i)];
    const TNode& n1 = nodes_[static_cast<std::size_t>(i) + 1];
    const double raDeg = n0.raDeg + f * (n1.raDeg - n0.raDeg);
    const double decDeg = n0.decDeg + f * (n1.decDeg - n0.decDeg);
    const double distanceM = n0.distanceM + f * (n1.distanceM - n0.distanceM);
    const double eeDeg = n0.eqEquinoxDeg + f * (n1.eqEquinoxDeg - n0.eqEquinoxDeg);

    // Local apparent sidereal time.
    const double thetaRad = (MeanSiderealDeg(utc) + eeDeg + site_.longitudeDeg) * DegToRad;
    double raRad = raDeg * DegToRad;
    double decRad = decDeg * DegToRad;
    if (distanceM > 0.0) {
        // Diurnal parallax: the body seen from the observer rather than the Earth's centre, both
        // vectors in the equatorial frame of date.
        const double bx = distanceM * std::cos(decRad) * std::cos(raRad) - observerXyM_ * std::cos(thetaRad);
        const double by = distanceM * std::cos(decRad) * std::sin(raRad) - observerXyM_ * std::sin(thetaRad);
        const double bz = distanceM * std::sin(decRad) - observerZM_;
        raRad = std::atan2(by, bx);
        decRad = std::atan2(bz, std::hypot(bx, by));
    }
    double az = 0.0, el = 0.0;
    eraHd2ae(thetaRad - raRad, decRad, site_.latitudeDeg * DegToRad, &az, &el);
    return {az * RadToDeg, el * RadToDeg};
}

std::optional<TSourceKind> BodyKindFromName(std::string_view name)
{
    const std::string wanted = Compact(name);
    for (int i = 0; i < 9; ++i) {
        if (wanted == Compact(BodyNames[i]))
            return static_cast<TSourceKind>(KindSun + i);
    }
    return std::nullopt;
}

const char* BodyName(TSourceKind kind)
{
    if (kind >= KindSun && kind <= KindNeptune)
        return BodyNames[kind - KindSun];
    return "";
}

const std::vector<TCatalogueSource>& CatalogueSources()
{
    // ICRS positions from the SIMBAD astronomical database (CDS, Strasbourg), for 3C 461, 3C 405,
    // M 1, M 87 and Sgr A*.
    static const std::vector<TCatalogueSource> sources = {
        {"Cas A", (23.0 + 23.0 / 60.0 + 24.0 / 3600.0) * 15.0, 58.0 + 48.0 / 60.0 + 54.0 / 3600.0},
        {"Cyg A", (19.0 + 59.0 / 60.0 + 28.3566 / 3600.0) * 15.0, 40.0 + 44.0 / 60.0 + 2.097 / 3600.0},
        {"Tau A", (5.0 + 34.0 / 60.0 + 31.94 / 3600.0) * 15.0, 22.0 + 0.0 / 60.0 + 52.2 / 3600.0},
        {"Vir A", (12.0 + 30.0 / 60.0 + 49.42338 / 3600.0) * 15.0, 12.0 + 23.0 / 60.0 + 28.0439 / 3600.0},
        {"Sgr A", (17.0 + 45.0 / 60.0 + 40.0409 / 3600.0) * 15.0, -(29.0 + 0.0 / 60.0 + 28.118 / 3600.0)},
    };
    return sources;
}

std::optional<TCatalogueSource> FindCatalogueSource(std::string_view name)
{
    std::string wanted = Compact(name);
    if (wanted == "sgra*")
        wanted = "sgra";
    for (const TCatalogueSource& s : CatalogueSources()) {
        if (wanted == Compact(s.name))
            return s;
    }
    return std::nullopt;
}

std::optional<double> ParseRightAscension(std::string_view text)
{
    const auto parts = SexagesimalParts(text);
    if (!parts)
        return std::nullopt;
    const double hours = FromParts(*parts);
    if (!(hours < 24.0))
        return std::nullopt;
    return hours * 15.0;
}

std::optional<double> ParseDeclination(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    double sign = 1.0;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        sign = text.front() == '-' ? -1.0 : 1.0;
        text.remove_prefix(1);
    }
    const auto parts = SexagesimalParts(text);
    if (!parts)
        return std::nullopt;
    const double degrees = FromParts(*parts);
    if (degrees > 90.0)
        return std::nullopt;
    return sign * degrees;
}

}  // namespace driftline
