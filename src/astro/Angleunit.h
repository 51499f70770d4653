#pragma once
// TAngle: an angle in whole degrees, minutes and seconds of arc plus its value in degrees.
// Convention: Value lies in [0, 360); a negative angle is held as 360 + angle
// (a declination of -10.5 degrees has Value 349.5).
#include <cmath>
#include <cstdint>
#include <string>

namespace driftline {

// The arithmetic of TAngle::Set, here so that the derivation of every sample can inline it.
namespace angle_detail {

// A double is a hair below a whole second of arc when it was made from whole parts
// (54 + 16/60 is stored as 54.2666...6); this much is added before the seconds are truncated.
inline constexpr double SecondsRoundingAllowance = 1e-6;

// Degrees folded into [0, 360); a value that is not finite becomes 0.
inline double FoldIntoTurn(double x)
{
    if (!std::isfinite(x))
        return 0.0;
    // Far outside one turn the subtraction loop would be slow; fmod is exact.
    if (x >= 720.0 || x < -720.0)
        x = std::fmod(x, 360.0);
    while (x >= 360.0)
        x -= 360.0;
    while (x < 0.0)
        x += 360.0;
    // -1e-15 + 360 rounds to exactly 360, which is not in [0, 360).
    if (x >= 360.0)
        x = 0.0;
    return x;
}

// m / 60 and s / 3600 for 0..59, computed once by the same division as a direct evaluation,
// so the values are identical; an angle is set three times for every logged sample.
struct TPartFractions {
    double minutes[60];
    double seconds[60];
    constexpr TPartFractions() : minutes(), seconds()
    {
        for (int i = 0; i < 60; ++i) {
            minutes[i] = i / 60.0;
            seconds[i] = i / 3600.0;
        }
    }
};
inline constexpr TPartFractions PartFractions;

// Degrees folded into one turn and cut to whole seconds of arc, as parts.
struct TArcParts {
    long d;
    long m;
    long s;
};

inline TArcParts ArcParts(double x)
{
    x = FoldIntoTurn(x);
    long d = static_cast<long>(x);  // x >= 0: the cast truncates
    const double r = (x - static_cast<double>(d)) * 60.0;
    long m = static_cast<long>(r);
    long s = static_cast<long>((r - static_cast<double>(m)) * 60.0 + SecondsRoundingAllowance);
    if (s >= 60) {
        s -= 60;
        ++m;
    }
    if (m >= 60) {
        m -= 60;
        ++d;
    }
    if (d >= 360)
        d -= 360;
    return {d, m, s};
}

inline double ValueOf(const TArcParts& p)
{
    return static_cast<double>(p.d) + PartFractions.minutes[p.m] + PartFractions.seconds[p.s];
}

}  // namespace angle_detail

class TAngle {
public:
    // Zero degrees.
    TAngle() = default;
    // From parts: minutes and seconds carry into the larger parts; a negative degrees count
    // makes the whole angle negative (minutes and seconds follow its sign), and the parts keep
    // the sizes given (Degrees = 360 + degrees). With zero degrees a negative minutes or seconds
    // count makes the angle negative instead (0, -7, 0 is 7 minutes west); its parts are then
    // those of the value. Otherwise minutes and seconds are taken as unsigned 16-bit counts.
    TAngle(int degrees, int minutes, int seconds);
    // From a double in degrees, or in encoder counts when inCounts is set.
    explicit TAngle(double x, bool inCounts = false) { Set(x, inCounts); }

    // Sets from a double (degrees, or encoder counts with inCounts): folded into [0, 360)
    // and quantised downwards to whole seconds of arc; a value within a millionth of a second
    // below a whole second (a representation error) keeps that second. Not finite: 0.
    void Set(double x, bool inCounts = false);
    // The Value that Set(degrees) leaves, without the parts: for the derivation of every sample,
    // which keeps only values.
    static double QuantisedDegrees(double degrees) { return angle_detail::ValueOf(angle_detail::ArcParts(degrees)); }

    std::uint16_t Degrees() const { return degrees_; }
    std::uint16_t Minutes() const { return minutes_; }
    std::uint16_t Seconds() const { return seconds_; }
    double Value() const { return value_; }

    // "54° 16' 0\"" (UTF-8 degree sign). Signed: a value above 180 prints as "-" and 360 - value.
    std::string Text(bool isSigned = false) const;

private:
    std::uint16_t degrees_ = 0;
    std::uint16_t minutes_ = 0;
    std::uint16_t seconds_ = 0;
    double value_ = 0.0;
};

}  // namespace driftline
