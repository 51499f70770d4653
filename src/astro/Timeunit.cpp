// Calendar time records, the machine's local time, Julian day and sidereal time.
#include "astro/Timeunit.h"

#include "astro/AstroConstants.h"
#include "astro/Exactround.h"

#include <atomic>
#include <cmath>
#include <ctime>
#include <mutex>

namespace driftline {

namespace {

constexpr std::int64_t MsPerDay = 86400000;
constexpr std::int64_t SecondsPerDay = 86400;
// Days from 1899-12-30 (TDateTime 0) to 1970-01-01 (the system clock's epoch).
constexpr std::int64_t UnixEpochDays = 25569;
// TDateTime of 0001-01-01 and of the end of 9999-12-31, the range the calendar helpers cover.
constexpr double FirstDateTime = -693593.0;
constexpr double EndDateTime = 2958466.0;
// Offsets are looked up once per bucket of UTC time; zone transitions fall on whole
// quarter hours in practice, and a bucket that holds one is never cached (see below).
constexpr std::int64_t ZoneBucketSeconds = 900;

// Floor division for a positive divisor.
constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// Days since 1970-01-01 of a proleptic Gregorian date.
// Source: H. Hinnant, "chrono-Compatible Low-Level Date Algorithms", days_from_civil.
constexpr std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct TCivilDate {
    int year;
    unsigned month;
    unsigned day;
};

// Proleptic Gregorian date of a count of days since 1970-01-01.
// Source: H. Hinnant, "chrono-Compatible Low-Level Date Algorithms", civil_from_days.
constexpr TCivilDate CivilFromDays(std::int64_t z)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(y + (m <= 2 ? 1 : 0)), m, d};
}

// The date fields (year, month, day, day of the week) of a day count since 1899-12-30.
void SetDateFields(TSystemTime& st, std::int64_t days)
{
    const TCivilDate date = CivilFromDays(days - UnixEpochDays);
    st.wYear = static_cast<std::uint16_t>(date.year);
    st.wMonth = static_cast<std::uint16_t>(date.month);
    st.wDay = static_cast<std::uint16_t>(date.day);
    // 1899-12-30 was a Saturday (6 with Sunday as 0).
    std::int64_t dow = (days + 6) % 7;
    if (dow < 0)
        dow += 7;
    st.wDayOfWeek = static_cast<std::uint16_t>(dow);
}

// The time fields of milliseconds since midnight.
void SetTimeFields(TSystemTime& st, std::int64_t msOfDay)
{
    st.wHour = static_cast<std::uint16_t>(msOfDay / 3600000);
    msOfDay %= 3600000;
    st.wMinute = static_cast<std::uint16_t>(msOfDay / 60000);
    msOfDay %= 60000;
    st.wSecond = static_cast<std::uint16_t>(msOfDay / 1000);
    st.wMilliseconds = static_cast<std::uint16_t>(msOfDay % 1000);
}

// Calendar fields of an instant given in milliseconds since 1899-12-30 00:00.
TSystemTime SystemTimeFromMs(std::int64_t ms)
{
    const std::int64_t days = FloorDiv(ms, MsPerDay);
    std::int64_t msOfDay = ms - days * MsPerDay;
    TSystemTime st;
    SetDateFields(st, days);
    SetTimeFields(st, msOfDay);
    return st;
}

// Milliseconds since 1899-12-30 00:00 of a TDateTime, rounded to the nearest millisecond.
// A negative TDateTime counts whole days backwards while its fraction is still the time
// of day (-1.25 is 1899-12-29 06:00), so the fraction is taken by size.
std::int64_t MsFromDateTime(TDateTime t)
{
    if (!std::isfinite(t))
        t = 0.0;
    if (t < FirstDateTime)
        t = FirstDateTime;
    if (t >= EndDateTime)
        t = EndDateTime - 1.0 / MillisecondsPerDay;
    // Within the clamped range a 64-bit integer holds the whole days exactly, so converting
    // truncates as std::trunc does; this runs for every sample of a read.
    std::int64_t day = static_cast<std::int64_t>(t);
    const double wholeDays = static_cast<double>(day);
    std::int64_t msOfDay = RoundNonNegative(std::fabs(t - wholeDays) * MillisecondsPerDay);
    if (msOfDay >= MsPerDay) {
        msOfDay -= MsPerDay;
        ++day;
    }
    return day * MsPerDay + msOfDay;
}

// --- The machine's time zone -------------------------------------------------------

std::once_flag zoneReadOnce;
// Bumped by ReloadTimeZone so that every thread's cached offset is dropped.
std::atomic<unsigned> zoneGeneration{0};

// Reads the machine's time zone (TZ, else /etc/localtime) on the first call only.
void ReadTimeZoneOnce()
{
    std::call_once(zoneReadOnce, [] { tzset(); });
}

// Seconds that local time is ahead of UTC at a Unix instant (seconds since 1970).
std::int64_t ZoneOffsetAt(std::int64_t unixSeconds)
{
    const std::time_t tt = static_cast<std::time_t>(unixSeconds);
    std::tm local{};
    if (localtime_r(&tt, &local) == nullptr)
        return 0;
    const std::int64_t localSeconds = DaysFromCivil(static_cast<std::int64_t>(local.tm_year) + 1900,
                                                    static_cast<unsigned>(local.tm_mon + 1),
                                                    static_cast<unsigned>(local.tm_mday)) *
                                          SecondsPerDay +
                                      local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    return localSeconds - unixSeconds;
}

// The UTC offset of one bucket of UTC time, kept per thread: the log reader may derive
// samples on two threads, and consecutive samples nearly always share a bucket.
struct TZoneCache {
    std::int64_t bucket = 0;
    std::int64_t offsetSeconds = 0;
    unsigned generation = 0;
    bool valid = false;
};
thread_local TZoneCache zoneCache;

// Seconds that local time is ahead of UTC at an instant in milliseconds since 1899-12-30.
std::int64_t ZoneOffsetForMs(std::int64_t utcMs)
{
    const std::int64_t unixSeconds = FloorDiv(utcMs, 1000) - UnixEpochDays * SecondsPerDay;
    const std::int64_t bucket = FloorDiv(unixSeconds, ZoneBucketSeconds);
    const unsigned generation = zoneGeneration.load(std::memory_order_acquire);
    TZoneCache& cache = zoneCache;
    if (cache.valid && cache.bucket == bucket && cache.generation == generation)
        return cache.offsetSeconds;

    ReadTimeZoneOnce();
    const std::int64_t start = bucket * ZoneBucketSeconds;
    const std::int64_t first = ZoneOffsetAt(start);
    const std::int64_t last = ZoneOffsetAt(start + ZoneBucketSeconds - 1);
    if (first != last) {
        // A transition inside the bucket: this instant is looked up on its own and
        // nothing is cached, so the result never depends on which sample came first.
        return ZoneOffsetAt(unixSeconds);
    }
    cache.bucket = bucket;
    cache.offsetSeconds = first;
    cache.generation = generation;
    cache.valid = true;
    return first;
}

// Both halves of a UTC instant given in milliseconds since 1899-12-30.
void FillFromUtcMs(TUtcLocalTime& out, std::int64_t utcMs)
{
    out.Utc = SystemTimeFromMs(utcMs);
    out.Local = SystemTimeFromMs(utcMs + ZoneOffsetForMs(utcMs) * 1000);
}

// Milliseconds since 1899-12-30 of the system clock's current UTC.
std::int64_t NowMs()
{
    std::timespec now{};
    std::timespec_get(&now, TIME_UTC);
    return (static_cast<std::int64_t>(now.tv_sec) + UnixEpochDays * SecondsPerDay) * 1000 +
           static_cast<std::int64_t>(now.tv_nsec / 1000000);
}

// Hours folded into [0, 24]; 24 itself is kept, as the sidereal routines allow it.
double FoldHours(double hours)
{
    if (!std::isfinite(hours))
        return hours;
    if (hours > 24.0 || hours < 0.0)
        hours = RemainderOfPeriods(hours, 24.0);
    if (hours < 0.0)
        hours += 24.0;
    return hours;
}

}  // namespace

// True for a proleptic Gregorian date of the years 1 to 9999.
bool IsValidDate(int year, int month, int day)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    static constexpr int DaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int last = month == 2 && leap ? 29 : DaysInMonth[month - 1];
    return day <= last;
}

// Days since 1899-12-30 of midnight of a valid date.
TDateTime EncodeDate(int year, int month, int day)
{
    return static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                               UnixEpochDays);
}

// Calendar fields of a TDateTime, milliseconds rounded to the nearest; values outside the
// years 1 to 9999 are clamped to them, a value that is not finite reads as 1899-12-30.
TSystemTime DecodeDateTime(TDateTime t)
{
    return SystemTimeFromMs(MsFromDateTime(t));
}

const TSystemTime& TUtcDecoder::decode(TDateTime t)
{
    const std::int64_t ms = MsFromDateTime(t);
    const std::int64_t days = FloorDiv(ms, MsPerDay);
    if (!valid_ || days != days_) {
        SetDateFields(fields_, days);
        days_ = days;
        valid_ = true;
        dayChanged_ = true;
    } else {
        dayChanged_ = false;
    }
    SetTimeFields(fields_, ms - days * MsPerDay);
    return fields_;
}

// TDateTime (days since 1899-12-30) of a calendar record.
TDateTime SystemTimeToDateTime(const TSystemTime& st)
{
    const double date = EncodeDate(st.wYear, st.wMonth, st.wDay);
    const double time = (st.wHour * 3600000.0 + st.wMinute * 60000.0 + st.wSecond * 1000.0 + st.wMilliseconds) /
                        MillisecondsPerDay;
    // Before 1899-12-30 the fraction still counts forward within the day.
    return date >= 0.0 ? date + time : date - time;
}

// Both halves for the current instant of the system clock.
void UtcLocalNow(TUtcLocalTime& out)
{
    FillFromUtcMs(out, NowMs());
}

// Both halves for a UTC TDateTime: its calendar fields, and those of the same instant in
// the machine's local time.
void UtcLocalFromDateTime(TUtcLocalTime& out, TDateTime utc)
{
    FillFromUtcMs(out, MsFromDateTime(utc));
}

// Reads the machine's time zone again (TZ or /etc/localtime).
void ReloadTimeZone()
{
    ReadTimeZoneOnce();
    tzset();
    zoneGeneration.fetch_add(1, std::memory_order_acq_rel);
}

// The UTC half as a TDateTime.
TDateTime UtcAsDateTime(const TUtcLocalTime& t)
{
    return SystemTimeToDateTime(t.Utc);
}

// The local half as a TDateTime.
TDateTime LocalAsDateTime(const TUtcLocalTime& t)
{
    return SystemTimeToDateTime(t.Local);
}

// Julian day number (integer) at noon of a UTC civil date, less 18262 under J1950.
// Source: J. Meeus, Astronomical Algorithms, chapter 7 (365.25 (Y + 4716) - 1524.5 written
// as 365.25 Y + 1720994.5, plus the half day to noon).
std::int32_t DayNumber(const TSystemTime& utc, const TSite& site)
{
    int y = utc.wYear;
    int m = utc.wMonth;
    if (m < 3) {
        y -= 1;
        m += 12;
    }
    // Gregorian throughout: no switch to the Julian calendar before 1582.
    const int a = y / 100;
    const int b = 2 - a + a / 4;
    std::int32_t n = static_cast<std::int32_t>(utc.wDay) + static_cast<std::int32_t>(30.6001 * (m + 1)) +
                     static_cast<std::int32_t>(365.25 * y) + b + 1720995;
    if (!site.j2000)
        n -= J1950DayShift;
    return n;
}

// Julian day (days) of a UTC instant, with the J1950 shift of DayNumber.
double JulianDay(const TSystemTime& utc, const TSite& site)
{
    return DayNumber(utc, site) + (utc.wHour - 12) / 24.0 + utc.wMinute / 1440.0 +
           (utc.wSecond + utc.wMilliseconds * 0.001) / 86400.0;
}

// Hours of the UTC time of day, with fractions.
double UtHours(const TSystemTime& utc)
{
    return utc.wHour + (utc.wMinute + (utc.wSecond + utc.wMilliseconds * 0.001) / 60.0) / 60.0;
}

// Greenwich mean sidereal time in hours, 0 to 24, for a UTC instant.
// Source: Newcomb's GMST at 0h UT, 6.6460656 + 2400.051262 T + 0.00002581 T^2 with T in
// Julian centuries from 1900 January 0.5 (Explanatory Supplement to the Astronomical
// Ephemeris, 1961).
double GreenwichSiderealTimeAt0h(const TSystemTime& utc, const TSite& site)
{
    // Julian centuries from 1900 January 0.5 to 0h UT of the date.
    const double t = (DayNumber(utc, site) - 0.5 - 2415020.0) / 36525.0;
    // 2400 x T less 24 hours per year since 1900 keeps the sum near one day.
    double g = (0.00002581 * t + 0.051262) * t + 6.6460656 + (t - (utc.wYear - 1900) * 0.01) * 2400.0;
    if (g < 0.0)
        g += 24.0;
    return g;
}

double GreenwichSiderealTimeFrom0h(double at0h, const TSystemTime& utc)
{
    const double g = at0h + UtHours(utc) * 1.002737908;
    // Folded fully, not by one 24 hours: late in a year the sum at 0h already exceeds 24 hours
    // (up to about 30.6), so with the time of day it can pass 48, and the J1950 day shift moves
    // it by some 1200 hours. A single correction would then leave a sidereal time outside the day.
    // Wherever one correction does land in [0, 24] the fold gives the same value (the subtraction
    // of 24 from a sum below 48 is exact), and elsewhere it differs from it only by whole days, so
    // every right ascension built on it is the same angle.
    return FoldHours(g);
}

double GreenwichSiderealTime(const TSystemTime& utc, const TSite& site)
{
    return GreenwichSiderealTimeFrom0h(GreenwichSiderealTimeAt0h(utc, site), utc);
}

// Local sidereal time in hours, 0 to 24, for a UTC instant at the site
// (longitude east positive, western longitudes as 360 minus their size).
double LocalSiderealTime(const TSystemTime& utc, const TSite& site)
{
    return LocalFromGreenwichSiderealTime(GreenwichSiderealTime(utc, site), site);
}

double LocalFromGreenwichSiderealTime(double greenwichHours, const TSite& site)
{
    double l = greenwichHours + site.longitudeDeg / 15.0;
    if (l < 0.0)
        l += 24.0;
    if (l > 24.0)
        l -= 24.0;
    return l;
}

// The system clock's current UTC as a TDateTime.
TDateTime CurrentUtc()
{
    const std::int64_t ms = NowMs();
    const std::int64_t days = FloorDiv(ms, MsPerDay);
    return static_cast<double>(days) + static_cast<double>(ms - days * MsPerDay) / MillisecondsPerDay;
}

}  // namespace driftline
