// The Sun's position, the Earth's heliocentric position, nutation and obliquity (Reda and
// Andreas 2004, steps 3.1 to 3.8; function codes 0 and 1 only).
#include "astro/Sununit.h"

#include "astro/AstroConstants.h"
#include "astro/Bodyclock.h"
#include "astro/Nutation.h"
#include "astro/Reportunit.h"
#include "astro/Vsop87Tables.h"

#include <cmath>
#include <iterator>
#include <string>

namespace driftline {

namespace {

using vsop87::Group;
using vsop87::TVsopGroup;

// Term counts of the Earth series (Reda and Andreas 2004, Table A4.2).
static_assert(std::size(vsop87::EarthL0) == 64 && std::size(vsop87::EarthL1) == 34 &&
                  std::size(vsop87::EarthL2) == 20 && std::size(vsop87::EarthL3) == 7 &&
                  std::size(vsop87::EarthL4) == 3 && std::size(vsop87::EarthL5) == 1,
              "Earth longitude series: 64, 34, 20, 7, 3, 1 terms");
static_assert(std::size(vsop87::EarthB0) == 5 && std::size(vsop87::EarthB1) == 2, "Earth latitude series: 5, 2 terms");
static_assert(std::size(vsop87::EarthR0) == 40 && std::size(vsop87::EarthR1) == 10 && std::size(vsop87::EarthR2) == 6 &&
                  std::size(vsop87::EarthR3) == 2 && std::size(vsop87::EarthR4) == 1,
              "Earth radius series: 40, 10, 6, 2, 1 terms");

constexpr TVsopGroup EarthL[] = {Group(vsop87::EarthL0), Group(vsop87::EarthL1), Group(vsop87::EarthL2),
                                 Group(vsop87::EarthL3), Group(vsop87::EarthL4), Group(vsop87::EarthL5)};
constexpr TVsopGroup EarthB[] = {Group(vsop87::EarthB0), Group(vsop87::EarthB1)};
constexpr TVsopGroup EarthR[] = {Group(vsop87::EarthR0), Group(vsop87::EarthR1), Group(vsop87::EarthR2),
                                 Group(vsop87::EarthR3), Group(vsop87::EarthR4)};

constexpr double SecondsPerDay = 86400.0;
constexpr double DaysPerJulianCentury = 36525.0;
// Sums of the nutation series are in 0.0001 arc-second; this turns them into degrees.
constexpr double NutationUnitsPerDegree = 36000000.0;
// Constant of aberration, arc-seconds (Reda and Andreas 2004, equation 37).
constexpr double AberrationArcsec = 20.4898;
// One minute as a fraction of a day: the Earth record's refresh interval.
constexpr double EarthRecordLifetimeDays = 1.0 / 1440.0;

// Angle into [0, 360).
double LimitDegrees(double degrees)
{
    double limited = std::fmod(degrees / 360.0, 1.0) * 360.0;
    if (limited < 0.0)
        limited += 360.0;
    return limited >= 360.0 ? 0.0 : limited;
}

// Julian day of a calendar date and time in a time zone (Reda and Andreas 2004, equation 4;
// Meeus 7.1): the Gregorian correction applies after JD 2299160.
double SpaJulianDay(int year, int month, int day, int hour, int minute, double second, double timeZone)
{
    const double dayDecimal = day + (hour - timeZone + (minute + second / 60.0) / 60.0) / 24.0;
    if (month < 3) {
        month += 12;
        --year;
    }
    double jd = std::floor(365.25 * (year + 4716.0)) + std::floor(30.6001 * (month + 1)) + dayDecimal - 1524.5;
    if (jd > 2299160.0) {
        const int a = year / 100;  // integer division truncates toward zero
        jd += 2 - a + a / 4;
    }
    return jd;
}

// Mean obliquity of the ecliptic in arc-seconds, U being Julian ephemeris millennia / 10
// (Meeus 22.3, the polynomial of Laskar 1986). The linear coefficient is the suite's 4680.96,
// kept on purpose: Meeus and the solar position algorithm print 4680.93. The two differ by
// 0.03 U arc-seconds, 0.0003" in 2100 and 0.03" at U = 1, 10000 years from J2000, far below
// the algorithm's own accuracy, so the suite's value stays.
double MeanObliquityArcsec(double u)
{
    return 84381.448 +
           u * (-4680.96 +
                u * (-1.55 +
                     u * (1999.25 +
                          u * (-51.38 +
                               u * (-249.67 + u * (-39.05 + u * (7.12 + u * (27.87 + u * (5.79 + u * 2.45)))))))));
}

}  // namespace

// Earth heliocentric position for jme Julian ephemeris millennia (Reda and Andreas 2004,
// equations 9 to 12): longitude folded into [0, 360), latitude in degrees, radius in AU.
TEarthHeliocentric EarthHeliocentric(double jme)
{
    TEarthHeliocentric e{};
    e.longitudeDeg = LimitDegrees(vsop87::SeriesValue(EarthL, jme) * RadToDeg);
    e.latitudeDeg = vsop87::SeriesValue(EarthB, jme) * RadToDeg;
    e.radiusAu = vsop87::SeriesValue(EarthR, jme);
    return e;
}

// Input checks of the published algorithm; returns the number of the first that fails, else 0.
int SpaValidateInputs(const TSpaData& spa)
{
    if (spa.year < -2000 || spa.year > 6000)
        return 1;
    if (spa.month < 1 || spa.month > 12)
        return 2;
    if (spa.day < 1 || spa.day > 31)
        return 3;
    if (spa.hour < 0 || spa.hour > 24)
        return 4;
    if (spa.minute < 0 || spa.minute > 59)
        return 5;
    if (spa.second < 0 || spa.second > 59)
        return 6;
    if (spa.pressure < 0 || spa.pressure > 5000)
        return 12;
    if (spa.temperature <= -273 || spa.temperature > 6000)
        return 13;
    if (spa.hour == 24 && spa.minute > 0)
        return 5;
    if (spa.hour == 24 && spa.second > 0)
        return 6;
    if (std::fabs(spa.deltaT) > 8000)
        return 7;
    if (std::fabs(spa.timeZone) > 12)
        return 8;
    if (std::fabs(spa.longitude) > 180)
        return 9;
    if (std::fabs(spa.latitude) > 90)
        return 10;
    if (std::fabs(spa.atmosRefract) > 5)
        return 16;
    if (spa.elevation < -6500000)
        return 11;
    // Slope and azimuth rotation matter only for the incidence codes (3 and 5) of the
    // published algorithm; they are checked for those codes as it does.
    if (spa.function == 3 || spa.function == 5) {
        if (std::fabs(spa.slope) > 360)
            return 14;
        if (std::fabs(spa.azmRotation) > 360)
            return 15;
    }
    return 0;
}

// Runs the published algorithm's steps for code 1 (up to the true obliquity) and code 0 (on to
// the geocentric right ascension and declination, degrees). Codes 2 and above ask for the
// topocentric steps, which this program never uses: they compute what code 0 computes and no
// more.
int SpaCalculate(TSpaData& spa)
{
    const int result = SpaValidateInputs(spa);
    if (result != 0)
        return result;

    // Julian day, century, ephemeris day, century and millennium (equations 4 to 8).
    spa.jd = SpaJulianDay(spa.year, spa.month, spa.day, spa.hour, spa.minute, spa.second, spa.timeZone);
    spa.jc = (spa.jd - J2000JulianDay) / DaysPerJulianCentury;
    spa.jde = spa.jd + spa.deltaT / SecondsPerDay;
    spa.jce = (spa.jde - J2000JulianDay) / DaysPerJulianCentury;
    spa.jme = spa.jce / 10.0;

    // Earth heliocentric and geocentric positions (equations 9 to 14).
    const TEarthHeliocentric earth = EarthHeliocentric(spa.jme);
    spa.l = earth.longitudeDeg;
    spa.b = earth.latitudeDeg;
    spa.r = earth.radiusAu;
    spa.theta = spa.l + 180.0;
    if (spa.theta >= 360.0)
        spa.theta -= 360.0;
    spa.beta = -spa.b;

    // Nutation and obliquity (equations 15 to 25).
    const TNutationArguments x = NutationArguments(spa.jce);
    spa.x0 = x.x[0];
    spa.x1 = x.x[1];
    spa.x2 = x.x[2];
    spa.x3 = x.x[3];
    spa.x4 = x.x[4];
    const TNutation n = NutationSums(x, spa.jce);
    spa.delPsi = n.longitude / NutationUnitsPerDegree;
    spa.delEpsilon = n.obliquity / NutationUnitsPerDegree;
    spa.epsilon0 = MeanObliquityArcsec(spa.jme / 10.0);
    spa.epsilon = spa.delEpsilon + spa.epsilon0 / 3600.0;
    if (spa.function == SpaObliquity)
        return 0;

    // Aberration and apparent Sun longitude (equations 26 and 27).
    spa.delTau = -AberrationArcsec / (3600.0 * spa.r);
    spa.lamda = spa.theta + spa.delPsi + spa.delTau;

    // Greenwich sidereal time (equations 28 and 29).
    spa.nu0 = LimitDegrees(280.46061837 + 360.98564736629 * (spa.jd - J2000JulianDay) +
                           spa.jc * spa.jc * (0.000387933 - spa.jc / 38710000.0));
    const double epsilonRad = spa.epsilon * DegToRad;
    spa.nu = spa.nu0 + spa.delPsi * std::cos(epsilonRad);

    // Geocentric right ascension and declination (equations 30 and 31).
    const double lamdaRad = spa.lamda * DegToRad;
    const double betaRad = spa.beta * DegToRad;
    spa.alpha = LimitDegrees(
        RadToDeg * std::atan2(std::sin(lamdaRad) * std::cos(epsilonRad) - std::tan(betaRad) * std::sin(epsilonRad),
                              std::cos(lamdaRad)));
    spa.delta = RadToDeg * std::asin(std::sin(betaRad) * std::cos(epsilonRad) +
                                     std::cos(betaRad) * std::sin(epsilonRad) * std::sin(lamdaRad));
    return 0;
}

// Inputs from the source's local time (whole seconds), the fixed delta T and the site; site
// angles above 180 degrees are the settings' way of writing south and west.
void SpaFillFromSource(TSpaData& spa, const TSource& source, const TSite& site, TSpaFunction function)
{
    const TSystemTime& local = source.Time.Local;
    spa.year = local.wYear;
    spa.month = local.wMonth;
    spa.day = local.wDay;
    spa.hour = local.wHour;
    spa.minute = local.wMinute;
    spa.second = local.wSecond;
    spa.deltaT = SpaDeltaT;
    // Zones differ by whole minutes at most; rounding to whole seconds drops the rounding noise of
    // the day serials.
    const double zoneSeconds = std::round((LocalAsDateTime(source.Time) - UtcAsDateTime(source.Time)) * SecondsPerDay);
    spa.timeZone = zoneSeconds / 3600.0;
    spa.longitude = site.longitudeDeg > 180.0 ? site.longitudeDeg - 360.0 : site.longitudeDeg;
    spa.latitude = site.latitudeDeg > 180.0 ? site.latitudeDeg - 360.0 : site.latitudeDeg;
    spa.elevation = site.heightM;
    spa.pressure = site.pressureMbar;
    spa.temperature = site.temperatureC;
    spa.slope = 0.0;
    spa.azmRotation = 0.0;
    spa.atmosRefract = site.refractionDeg;
    spa.function = function;
}

namespace {

TEarthRecord& SharedEarthRecord()
{
    static TEarthRecord record;
    return record;
}

}  // namespace

// The Earth record, recalculated at most once a minute of body-clock time.
const TEarthRecord& EarthRecordFor(const TSource& source)
{
    TEarthRecord& record = SharedEarthRecord();
    const TDateTime now = BodyClockNow();
    const double elapsed = now - record.calculatedAt;
    if (record.calculated && elapsed >= 0.0 && elapsed <= EarthRecordLifetimeDays)
        return record;

    TSpaData spa = record.spa;
    SpaFillFromSource(spa, source, source.Site, SpaObliquity);
    const int result = SpaCalculate(spa);
    record.calculated = true;
    record.calculatedAt = now;
    ++record.calculations;
    if (result != 0) {
        // The previous values stay in use.
        ReportMessage("Error in sun's params number " + std::to_string(result));
        return record;
    }
    record.spa = spa;
    record.obliquityRad = spa.epsilon * DegToRad;
    record.cosObliquity = std::cos(record.obliquityRad);
    record.sinObliquity = std::sin(record.obliquityRad);
    return record;
}

// Forgets the record; the next use calculates.
void ResetEarthRecord()
{
    SharedEarthRecord() = TEarthRecord{};
}

}  // namespace driftline
