// Drift-scan log generator. Every random draw comes from one 64-bit generator with a fixed
// algorithm, so a seed gives the same bytes on every machine and library.
#include "logdata/Logsimulator.h"

#include "astro/AstroConstants.h"
#include "astro/Timeunit.h"
#include "suite/Textutil.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace driftline {

namespace {

// SplitMix64 (Steele, Lea and Flood, "Fast splittable pseudorandom number generators", 2014).
class TRandom {
public:
    explicit TRandom(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in (0, 1).
    double uniform() { return (static_cast<double>(next() >> 11) + 0.5) / 9007199254740992.0; }
    // Standard normal deviate by the Box-Muller transform.
    double normal() { return std::sqrt(-2.0 * std::log(uniform())) * std::cos(2.0 * Pi * uniform()); }
    // -1, 0 or +1.
    int jitter() { return static_cast<int>(next() % 3) - 1; }

private:
    std::uint64_t state_;
};

void AppendUnsigned(std::string& out, std::uint64_t v)
{
    char digits[24];
    const auto r = std::to_chars(digits, digits + sizeof digits, v);
    out.append(digits, r.ptr);
}

void AppendDate(std::string& out, TDateTime date)
{
    const TSystemTime st = DecodeDateTime(date);
    char text[32];
    std::snprintf(text, sizeof text, "%02u/%02u/%04u", unsigned{st.wDay}, unsigned{st.wMonth}, unsigned{st.wYear});
    out += text;
}

}  // namespace

bool ParseSimulateStart(const std::string& text, TSimulateOptions& options)
{
    int d = 0, mo = 0, y = 0, h = 0, mi = 0, s = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%d/%d/%d %d:%d:%d%c", &d, &mo, &y, &h, &mi, &s, &tail) != 6)
        return false;
    if (!IsValidDate(y, mo, d) || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59)
        return false;
    options.day = d;
    options.month = mo;
    options.year = y;
    options.hour = h;
    options.minute = mi;
    options.second = s;
    return true;
}

namespace {

TDateTime StartSerial(const TSimulateOptions& o)
{
    return EncodeDate(o.year, o.month, o.day) + ((o.hour * 60.0 + o.minute) * 60.0 + o.second) / 86400.0;
}

TDateTime EndSerial(const TSimulateOptions& o)
{
    return StartSerial(o) + static_cast<double>(o.records) * o.intervalMs / MillisecondsPerDay;
}

// Counts of an angle in degrees, folded into one turn.
std::int64_t TurnCounts(double degrees)
{
    const std::int64_t c = std::llround(degrees / DegreesPerCount);
    return ((c % CountsPerTurn) + CountsPerTurn) % CountsPerTurn;
}

}  // namespace

bool ParkForTarget(TSimulateOptions& o, std::string& problem)
{
    if (!o.target)
        return true;
    const TSimulateTarget& t = *o.target;
    const TDateTime start = StartSerial(o), end = EndSerial(o);
    const TSkyTrack track(t.target, t.site, start, end);
    const THorizontal mid = track.At((start + end) / 2.0);
    if (mid.altitudeDeg < 5.0) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "%s is at altitude %.1f degrees half-way through the run; choose another start",
                      t.target.name.c_str(), mid.altitudeDeg);
        problem = text;
        return false;
    }
    const std::int64_t az = TurnCounts(mid.azimuthDeg) - t.azimuthMispointCounts;
    const std::int64_t alt = std::llround(mid.altitudeDeg / DegreesPerCount) - t.altitudeMispointCounts;
    o.azimuthCounts = static_cast<std::uint32_t>(((az % CountsPerTurn) + CountsPerTurn) % CountsPerTurn);
    o.altitudeCounts = static_cast<std::uint32_t>(std::max<std::int64_t>(alt, 0));
    return true;
}

std::string SimulateLog(const TSimulateOptions& o)
{
    TRandom random(o.seed);
    std::string out;
    out.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(o.records, 100000000)) * 27 + 512);

    out += SessionOpeningLine(o.year, o.month, o.day, o.hour, o.minute, o.second);
    out += "\r\nAzimuth correction " + std::to_string(o.azimuthCorrection);
    out += "\r\nAltitude correction " + std::to_string(o.altitudeCorrection);
    out += "\r\n*Rec* DC Gain 10";
    out += "\r\n*Rec* Timer interval " + std::to_string(o.intervalMs) + " ms";
    out += "\r\n*Rec* IF Gain 2 x10";
    out += "\r\n*Rec* Integration time 0.5 s";
    out += "\r\n*Rec* Continuum offset volts 1.25\r\n";

    TDateTime date = EncodeDate(o.year, o.month, o.day);
    std::uint64_t ms = (static_cast<std::uint64_t>(o.hour) * 3600 + static_cast<std::uint64_t>(o.minute) * 60 +
                        static_cast<std::uint64_t>(o.second)) *
                       1000;
    const std::uint64_t msPerDay = static_cast<std::uint64_t>(MillisecondsPerDay);

    // The source crosses the beam centre half-way through the run; the bump is a Gaussian a
    // sixteenth of the run wide (at least a few records) over a 1 V baseline with 20 mV noise.
    const double centre = static_cast<double>(o.records) / 2.0;
    const double width = std::max(3.0, static_cast<double>(o.records) / 16.0);
    const double baselineVolts = 1.0, bumpVolts = 1.5;
    double noiseVolts = 0.02;

    // A target scan: the beam stays where the dish really points while the target drifts by.
    std::optional<TSkyTrack> track;
    THorizontal dish;
    double beamFactor = 0.0;
    const TDateTime startSerial = StartSerial(o);
    if (o.target) {
        track.emplace(o.target->target, o.target->site, startSerial, EndSerial(o));
        dish.azimuthDeg = (static_cast<double>(o.azimuthCounts) + o.target->azimuthMispointCounts) * DegreesPerCount;
        dish.altitudeDeg = (static_cast<double>(o.altitudeCounts) + o.target->altitudeMispointCounts) * DegreesPerCount;
        beamFactor = 4.0 * std::log(2.0) / (o.target->beamFwhmDeg * o.target->beamFwhmDeg);
        noiseVolts = o.target->snr > 0.0 ? bumpVolts / o.target->snr : 0.0;
    }

    for (std::uint64_t i = 0; i < o.records; ++i) {
        while (ms >= msPerDay) {
            ms -= msPerDay;
            date += 1.0;
            out += "Date changed ";
            AppendDate(out, date);
            out += "\r\n";
        }
        const int az = static_cast<int>(o.azimuthCounts) + random.jitter();
        const int alt = static_cast<int>(o.altitudeCounts) + random.jitter();
        double response;
        if (track) {
            const TDateTime t = startSerial + static_cast<double>(i) * o.intervalMs / MillisecondsPerDay;
            const double sep = SeparationDeg(track->At(t), dish);
            response = std::exp(-beamFactor * sep * sep);
        } else {
            const double x = (static_cast<double>(i) - centre) / width;
            response = std::exp(-0.5 * x * x);
        }
        const double volts = baselineVolts + bumpVolts * response + noiseVolts * random.normal();
        const long voltsCounts = std::clamp(std::lround(volts / VoltsPerCount), 0L, 4095L);

        if (o.malformedEvery != 0 && i % o.malformedEvery == o.malformedEvery - 1) {
            // Lines the reader must pass over: too few fields, a tab, a field beyond 32 bits,
            // and a line of no known kind.
            switch ((i / o.malformedEvery) % 4) {
            case 0:
                AppendUnsigned(out, ms);
                out += " ";
                AppendUnsigned(out, static_cast<std::uint64_t>(az));
                break;
            case 1:
                AppendUnsigned(out, ms);
                out += "\t1 2 3";
                break;
            case 2:
                out += "99999999999 1 2 3";
                break;
            default:
                out += "Receiver status: overload cleared";
                break;
            }
            out += "\r\n";
        }

        AppendUnsigned(out, ms);
        out += ' ';
        AppendUnsigned(out, static_cast<std::uint64_t>(std::max(az, 0)));
        out += ' ';
        AppendUnsigned(out, static_cast<std::uint64_t>(std::max(alt, 0)));
        if (o.noVoltsEvery == 0 || i % o.noVoltsEvery != o.noVoltsEvery - 1) {
            out += ' ';
            AppendUnsigned(out, static_cast<std::uint64_t>(voltsCounts));
        }
        out += "\r\n";
        ms += o.intervalMs;
    }
    out += "Closing session\r\n";
    return out;
}

}  // namespace driftline
