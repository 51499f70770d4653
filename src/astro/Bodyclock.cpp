// The clock seam of the Sun, Moon and planet sources.
#include "astro/Bodyclock.h"

#include <utility>

namespace driftline {

namespace {

TBodyClock& Clock()
{
    static TBodyClock clock = [] { return CurrentUtc(); };
    return clock;
}

}  // namespace

// The installed clock's reading, days since 1899-12-30 in UTC.
TDateTime BodyClockNow()
{
    return Clock()();
}

// Swaps in a new clock; an empty one means the system clock.
TBodyClock SetBodyClock(TBodyClock clock)
{
    TBodyClock previous = std::move(Clock());
    if (clock)
        Clock() = std::move(clock);
    else
        Clock() = [] { return CurrentUtc(); };
    return previous;
}

// The clock's instant as both halves of a TUtcLocalTime.
TUtcLocalTime BodyClockUtcLocal()
{
    TUtcLocalTime t;
    UtcLocalFromDateTime(t, BodyClockNow());
    return t;
}

}  // namespace driftline
