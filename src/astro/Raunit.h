#pragma once
// TRa: a right ascension in hours, minutes and seconds of time plus its value in DEGREES
// (hours x 15). Value lies in [0, 360]; 360 itself stays 360. Value is not quantised.
#include <cmath>
#include <cstdint>
#include <string>

namespace driftline {

class TRa {
public:
    TRa() = default;
    explicit TRa(double hours) { SetHours(hours); }

    // Sets from hours; seconds are rounded, with 60 carried into the minutes and hours.
    void SetHours(double hours);
    // The Value that SetHours(hours) leaves (degrees, hours x 15 folded into [0, 360]), without
    // the parts; inline for the derivation of every sample.
    static double FoldedDegrees(double hours)
    {
        double v = std::isfinite(hours) ? hours * 15.0 : 0.0;
        // Far outside one turn the loops would be slow; fmod is exact.
        if (v > 720.0 || v < -720.0)
            v = std::fmod(v, 360.0);
        while (v < 0.0)
            v += 360.0;
        // 360 itself stays 360: a full 24 hours is a legitimate right ascension here.
        while (v > 360.0)
            v -= 360.0;
        return v;
    }

    std::uint16_t Hours() const;
    std::uint16_t Minutes() const;
    std::uint16_t Seconds() const;
    double Value() const { return value_; }

    // "14 hrs 3' 27\""
    std::string Text() const;

private:
    std::uint16_t hours_ = 0;
    std::uint16_t minutes_ = 0;
    std::uint16_t seconds_ = 0;
    double value_ = 0.0;
    bool updating_ = false;
};

}  // namespace driftline
