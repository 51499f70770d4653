#pragma once
// TRa: a right ascension in hours, minutes and seconds of time plus its value in DEGREES
// (hours x 15). Value lies in [0, 360]; 360 itself stays 360. Value is not quantised.
#include <cstdint>
#include <string>

namespace driftline {

class TRa {
public:
    TRa() = default;
    explicit TRa(double hours) { SetHours(hours); }

    // Sets from hours; seconds are rounded, with 60 carried into the minutes and hours.
    void SetHours(double hours);

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
