#pragma once
// Text forms of values: of any quantity (axis labels, read-out, maxima and minima) and of a
// number with a fixed count of decimals. The decimal separator is always ".".
#include <string>

namespace driftline {

// The text of value v of quantity q (0..7):
//   Time: time of day HH:MM:SS after rounding the day fraction to the nearest millisecond;
//   Azimuth, Lambda: unsigned angle text; Altitude, Declination, Beta: signed angle text (a value
//   above 180 degrees shows as the negative angle v - 360);
//   RightAscension: right-ascension text of v / 15 hours; Volts: FormatFixed(v, 3).
// An index outside 0..7 gives an empty text.
std::string QuantityText(int q, double v);

// Time of day of a date-time serial as "HH:MM:SS", rounded to the nearest millisecond first.
std::string TimeOfDayText(double serial);

// Date and time of day of a date-time serial as "YYYY-MM-DD HH:MM:SS", rounded to the nearest
// millisecond first (so 23:59:59.9996 is midnight of the next day). A serial outside the years
// 1..9999 gives TimeOfDayText alone.
std::string DatedTimeText(double serial);

// v with exactly `decimals` decimals (a count below 1 counts as 1), "0" when |v| < 10^-decimals,
// a leading "-" when negative, at least one integer digit, no group separators. Rounds on the
// exact binary value, exact ties away from zero: 0.3125 gives "0.313". Infinite and NaN values
// give "INF", "-INF" and "NAN".
std::string FormatFixed(double v, int decimals);

}  // namespace driftline
