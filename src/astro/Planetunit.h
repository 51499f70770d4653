#pragma once
// TPlanet: a position model of a solar-system body for one date, and the seven planets with
// truncated VSOP87 heliocentric series (Meeus, Astronomical Algorithms, 2nd ed., chapter 32).
// Planet positions are heliocentric, referred to the ecliptic and equinox of the date.

namespace driftline {

class TPlanet {
public:
    // A model for a Julian day (the library's Julian day, which carries the J1950 shift).
    explicit TPlanet(double julianDay) : JulianDay(julianDay) {}

    // Ecliptic longitude in degrees, [0, 360).
    virtual double GetLongitude() const = 0;
    // Ecliptic latitude in degrees, not folded.
    virtual double GetLatitude() const = 0;
    // Distance: AU from the Sun for the planets, kilometres from the Earth for the Moon.
    virtual double GetDistance() const = 0;
    virtual ~TPlanet() = default;

    double JulianDay;

protected:
    TPlanet(const TPlanet&) = default;
    TPlanet& operator=(const TPlanet&) = default;
};

// The three truncated series of one planet (defined with the tables in Planetunit.cpp).
struct TPlanetSeries;

// A planet whose coordinates come from its series, with tau = (JD - 2451545) / 365250.
class TVsopPlanet : public TPlanet {
public:
    double GetLongitude() const override;
    double GetLatitude() const override;
    double GetDistance() const override;

protected:
    TVsopPlanet(double julianDay, const TPlanetSeries& series) : TPlanet(julianDay), series_(&series) {}

private:
    const TPlanetSeries* series_;
};

class TMercury final : public TVsopPlanet {
public:
    explicit TMercury(double julianDay);
};
class TVenus final : public TVsopPlanet {
public:
    explicit TVenus(double julianDay);
};
class TMars final : public TVsopPlanet {
public:
    explicit TMars(double julianDay);
};
class TJupiter final : public TVsopPlanet {
public:
    explicit TJupiter(double julianDay);
};
class TSaturn final : public TVsopPlanet {
public:
    explicit TSaturn(double julianDay);
};
class TUranus final : public TVsopPlanet {
public:
    explicit TUranus(double julianDay);
};
class TNeptune final : public TVsopPlanet {
public:
    explicit TNeptune(double julianDay);
};

}  // namespace driftline
