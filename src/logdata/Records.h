#pragma once
// What one log line carries before any derivation: the record fields, the correction marker and
// the receiver settings.
#include <cstdint>

namespace driftline {

// One record line of a log: four unsigned 32-bit fields (voltsCounts 0 without a fourth field).
struct RawRecord {
    std::uint32_t milliseconds = 0;
    std::uint32_t azimuthCounts = 0;
    std::uint32_t altitudeCounts = 0;
    std::uint32_t voltsCounts = 0;
};

// An axis whose correction no line has given.
inline constexpr std::int32_t NoCorrection = -9999999;

// The five receiver settings a log carries, in the order their keywords are tested.
enum ReceiverValue : int {
    ReceiverDCGain = 0,         // "DC Gain"            -> lblDCGain
    ReceiverTimerInterval = 1,  // "Timer interval"     -> lblTimerInterval
    ReceiverIFGain = 2,         // "IF Gain"            -> lblIFGain
    ReceiverIntegration = 3,    // "Integration time"   -> lblIntegration
    ReceiverOffset = 4,         // "Continuum offset volts" -> lblOffset
};
inline constexpr int ReceiverValueCount = 5;

}  // namespace driftline
