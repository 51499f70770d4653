#pragma once
// Library rounding and remainder calls of the per-sample derivation, done inline with the same
// bits over the ranges a derivation gives them (and by the library call elsewhere).
#include <cmath>
#include <cstdint>

namespace driftline {

// std::fmod(x, period) for a positive period. For x in [0, 4 period) two periods, then one, are
// taken off where they fit: each difference is at most what is taken off (and at least half of
// it), so it is exact, and the result is fmod's own exact remainder.
inline double RemainderOfPeriods(double x, double period)
{
    if (!(x >= 0.0 && x < 4.0 * period))
        return std::fmod(x, period);
    if (x >= 2.0 * period)
        x -= 2.0 * period;
    if (x >= period)
        x -= period;
    return x;
}

// std::llround(x) for x in [0, 2^52): the integer part by truncation, and one more when the
// remainder, exact in this range, is a half or more (halves away from zero, as llround).
inline std::int64_t RoundNonNegative(double x)
{
    std::int64_t n = static_cast<std::int64_t>(x);
    if (x - static_cast<double>(n) >= 0.5)
        ++n;
    return n;
}

}  // namespace driftline
