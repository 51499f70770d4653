#pragma once
// TAngle: an angle in whole degrees, minutes and seconds of arc plus its value in degrees.
// Convention: Value lies in [0, 360); a negative angle is held as 360 + angle
// (a declination of -10.5 degrees has Value 349.5).
#include <cstdint>
#include <string>

namespace driftline {

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
