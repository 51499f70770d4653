#pragma once
// The clock of the Sun, Moon and planet sources: "now" as a UTC TDateTime. It dates the Moon and
// planet models (their positions are for the current instant, not for a source's own time) and
// times the refresh of the shared Earth record. Tests and the command-line tool's --at option
// replace it; by default it reads the system clock.
#include "astro/Timeunit.h"

#include <functional>

namespace driftline {

using TBodyClock = std::function<TDateTime()>;

// The current UTC as TDateTime, from the installed clock.
TDateTime BodyClockNow();

// Installs a clock and returns the one it replaces; an empty clock restores the system clock.
TBodyClock SetBodyClock(TBodyClock clock);

// The installed clock's instant as a UTC and local time pair.
TUtcLocalTime BodyClockUtcLocal();

}  // namespace driftline
