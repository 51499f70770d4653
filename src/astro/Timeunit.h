#pragma once
// Calendar time records, Julian day and sidereal time.
// TDateTime counts days since 1899-12-30 00:00; its fraction is the time of day.
#include "astro/Site.h"
#include <cstdint>

namespace driftline {

using TDateTime = double;

// A calendar instant with the fields of a system time record.
struct TSystemTime {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;
    std::uint16_t wDayOfWeek = 0;  // 0 = Sunday
    std::uint16_t wDay = 0;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;
};

// One instant twice: first in UTC, then in the machine's local time.
struct TUtcLocalTime {
    TSystemTime Utc;
    TSystemTime Local;
};

// Calendar helpers (proleptic Gregorian, years 1..9999).
bool IsValidDate(int year, int month, int day);
// Midnight of a date as TDateTime; the date must be valid (see IsValidDate).
TDateTime EncodeDate(int year, int month, int day);
// Calendar fields of a TDateTime (milliseconds rounded to the nearest).
TSystemTime DecodeDateTime(TDateTime t);
TDateTime SystemTimeToDateTime(const TSystemTime& st);

// Fills both halves for the current instant.
void UtcLocalNow(TUtcLocalTime& out);
// First half = the UTC value's date and time; second half = the same instant in local time.
// The machine's time zone is read once, on the first call.
void UtcLocalFromDateTime(TUtcLocalTime& out, TDateTime utc);
// Reads the machine's time zone again (after TZ changed); every thread's cached offset is dropped.
void ReloadTimeZone();
TDateTime UtcAsDateTime(const TUtcLocalTime& t);
TDateTime LocalAsDateTime(const TUtcLocalTime& t);

// The UTC calendar fields of TDateTime serials, as DecodeDateTime gives them; the date fields
// are worked out again only when the day differs from the previous call's.
class TUtcDecoder {
public:
    const TSystemTime& decode(TDateTime t);
    // True when the last decode entered another day than the one before it (or was the first).
    bool dayChanged() const { return dayChanged_; }

private:
    TSystemTime fields_;
    std::int64_t days_ = 0;
    bool valid_ = false;
    bool dayChanged_ = true;
};

// Integer Julian day number at noon of the UTC civil date, less 18262 under the site's 1950
// equinox. Source: J. Meeus, Astronomical Algorithms, chapter 7.
std::int32_t DayNumber(const TSystemTime& utc, const TSite& site);
// Julian day (days) of a UTC instant (carries the 1950 shift of DayNumber).
double JulianDay(const TSystemTime& utc, const TSite& site);
// Hours of the UTC time of day, with fractions.
double UtHours(const TSystemTime& utc);
// Greenwich mean sidereal time in hours, 0 to 24, for a UTC instant. Source: Newcomb's GMST,
// Explanatory Supplement to the Astronomical Ephemeris (1961).
double GreenwichSiderealTime(const TSystemTime& utc, const TSite& site);
// Local sidereal time in hours, 0 to 24, for a UTC instant at the site's longitude.
double LocalSiderealTime(const TSystemTime& utc, const TSite& site);
// The two halves of GreenwichSiderealTime, for callers that keep the first for a whole day:
// the sum at 0h UT of the date (not yet folded), then the time of day added and the sum folded.
double GreenwichSiderealTimeAt0h(const TSystemTime& utc, const TSite& site);
double GreenwichSiderealTimeFrom0h(double at0h, const TSystemTime& utc);
// The second half of LocalSiderealTime: Greenwich sidereal hours moved to the site's longitude.
double LocalFromGreenwichSiderealTime(double greenwichHours, const TSite& site);
// The same four at the site of the installed settings (Sitesettings.cpp).
std::int32_t DayNumber(const TSystemTime& utc);
double JulianDay(const TSystemTime& utc);
double GreenwichSiderealTime(const TSystemTime& utc);
double LocalSiderealTime(const TSystemTime& utc);
// The current UTC as TDateTime.
TDateTime CurrentUtc();

}  // namespace driftline
