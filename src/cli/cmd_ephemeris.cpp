// driftline-cli ephemeris: the right ascension and declination of the Sun, the Moon or a planet
// for one UTC instant at the site of the settings.
#include "astro/Bodyclock.h"
#include "astro/Sourceunit.h"
#include "astro/Timeunit.h"
#include "cli/Clicommand.h"
#include "cli/Clioptions.h"
#include "suite/Textutil.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

namespace driftline::cli {

namespace {

const char* const kUsage =
    "usage: driftline-cli ephemeris BODY [--at \"YYYY-MM-DD HH:MM:SS\"] [--root DIR]\n"
    "\n"
    "Prints the geocentric right ascension and declination of BODY (Sun, Moon, Mercury, Venus,\n"
    "Mars, Jupiter, Saturn, Uranus or Neptune; any case) for a UTC instant, by default now, as\n"
    "the astronomy library computes them for the settings of the suite at DIR (equinox, site).\n"
    "\n"
    "  --at T      the UTC instant, \"YYYY-MM-DD HH:MM:SS\" (a T between date and time also does)\n"
    "  --root DIR  the suite's root folder holding ZVK.ini\n";

const char* const kBodyNames[] = {"Sun", "Moon", "Mercury", "Venus", "Mars", "Jupiter", "Saturn", "Uranus", "Neptune"};

// The kind of a body name, any case; nothing for another name.
std::optional<TSourceKind> BodyKind(const std::string& name)
{
    for (int i = 0; i < 9; ++i) {
        if (EqualsIgnoringCase(name, kBodyNames[i]))
            return static_cast<TSourceKind>(KindSun + i);
    }
    return std::nullopt;
}

// "YYYY-MM-DD HH:MM:SS" (or with a T) as a UTC TDateTime; nothing when malformed or invalid.
std::optional<TDateTime> ParseInstant(const std::string& text)
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char separator = 0;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%n", &year, &month, &day, &separator, &hour, &minute,
                    &second, &consumed) != 7 ||
        static_cast<std::size_t>(consumed) != text.size())
        return std::nullopt;
    if ((separator != ' ' && separator != 'T') || !IsValidDate(year, month, day) || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    return EncodeDate(year, month, day) + ((hour * 60.0 + minute) * 60.0 + second) / 86400.0;
}

std::string TwoDigits(int v)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d", v);
    return buffer;
}

int RunEphemeris(const std::vector<std::string>& args)
{
    TCliOptions options;
    if (int rc = ParseCliOptions(args, "ephemeris", kUsage, OptRoot, {{"--at", true}}, options))
        return rc;
    if (options.positional.size() != 1)
        return UsageError("ephemeris", kUsage, options.positional.empty() ? "which body?" : "one body at a time");
    const std::optional<TSourceKind> kind = BodyKind(options.positional[0]);
    if (!kind)
        return UsageError("ephemeris", kUsage, "unknown body '" + options.positional[0] + "'");

    TDateTime at = CurrentUtc();
    if (options.has("--at")) {
        const std::optional<TDateTime> parsed = ParseInstant(options.value("--at"));
        if (!parsed)
            return UsageError("ephemeris", kUsage, "--at wants a valid \"YYYY-MM-DD HH:MM:SS\"");
        at = *parsed;
    }
    InstallCliGlobal(options);

    // The Moon and planet models are dated by the body clock; hold it at the chosen instant.
    const TBodyClock previous = SetBodyClock([at] { return at; });
    TUtcLocalTime when;
    UtcLocalFromDateTime(when, at);
    TSource source = TSource::Body(*kind, when);
    const TRa ra = source.GetRa();
    const TAngle dec = source.GetDec();
    SetBodyClock(previous);

    const TSystemTime& u = when.Utc;
    const double decDeg = dec.Value() > 180.0 ? dec.Value() - 360.0 : dec.Value();
    std::printf("%s  %04d-%s-%s %s:%s:%s UTC\n", kBodyNames[*kind - KindSun], u.wYear, TwoDigits(u.wMonth).c_str(),
                TwoDigits(u.wDay).c_str(), TwoDigits(u.wHour).c_str(), TwoDigits(u.wMinute).c_str(),
                TwoDigits(u.wSecond).c_str());
    std::printf("RA:  %s  = %.6f deg\n", ra.Text().c_str(), ra.Value());
    std::printf("Dec: %s  = %.6f deg\n", dec.Text(true).c_str(), decDeg);
    return 0;
}

const CliRegistrar kRegistrar({"ephemeris", "RA and Dec of the Sun, the Moon or a planet for a UTC instant", kUsage,
                               RunEphemeris});

}  // namespace

}  // namespace driftline::cli
