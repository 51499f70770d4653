#pragma once
// The derivation of samples from raw records, and its spreading over the cores in slices (the end
// of a read and Refresh's rebuild, TSampleStore::deriveRecords and rebuildSamples).
#include "astro/AstroConstants.h"
#include "astro/Preciseunit.h"
#include "astro/Sourceunit.h"
#include "astro/Timeunit.h"
#include "logdata/Quantity.h"
#include "logdata/Records.h"
#include "logdata/Samplestore.h"
#include <array>
#include <cstddef>
#include <cstdint>
#include <thread>

namespace driftline {

// The sample of one raw record at a site: counts shifted by the given signed counts (64-bit
// sums, so a shift below zero gives a negative angle), time = date (midnight serial) +
// milliseconds, and the sky position of that azimuth and altitude at that instant.
Sample deriveSample(const RawRecord& raw, std::int64_t azimuthShift, std::int64_t altitudeShift, TDateTime date,
                    const TSite& site);

// The four quantities of a record that need no astronomy, into s: time = date + milliseconds,
// azimuth and altitude from counts shifted by signed counts (64-bit sums, so a shift below zero
// gives a negative angle), volts from converter counts. Returns the shifted counts.
struct TShiftedCounts {
    std::int64_t azimuth = 0;
    std::int64_t altitude = 0;
};
inline TShiftedCounts SetPlainQuantities(const RawRecord& raw, std::int64_t azimuthShift, std::int64_t altitudeShift,
                                         TDateTime date, Sample& s)
{
    const std::int64_t az = static_cast<std::int64_t>(raw.azimuthCounts) + azimuthShift;
    const std::int64_t alt = static_cast<std::int64_t>(raw.altitudeCounts) + altitudeShift;
    s[Time] = date + static_cast<double>(raw.milliseconds) / MillisecondsPerDay;
    s[Azimuth] = static_cast<double>(az) * DegreesPerCount;
    s[Altitude] = static_cast<double>(alt) * DegreesPerCount;
    s[Volts] = static_cast<double>(raw.voltsCounts) * VoltsPerCount;
    return {az, alt};
}

// Derives samples one after another at one site, keeping what consecutive records share: the
// date fields and the sidereal time at 0h of the current day, and the pointings (hour angle and
// declination) of the last few count pairs. Every sample has the bits deriveSample gives it. One per
// thread.
class TSampleDeriver {
public:
    explicit TSampleDeriver(const TSite& site);
    Sample derive(const RawRecord& raw, std::int64_t azimuthShift, std::int64_t altitudeShift, TDateTime date);
    // The samples of count records read under one date into out: the bits derive() gives each
    // in turn, with the sky positions of a batch computed together.
    void deriveMany(const RawRecord* raw, std::size_t count, std::int64_t azimuthShift, std::int64_t altitudeShift,
                    TDateTime date, Sample* out);

private:
    TAngleTrig trigOf(std::int64_t counts) const;
    const TPointing& pointingOf(std::int64_t azimuth, std::int64_t altitude);

    TSite site_;
    const TAngleTrig* trig_;
    TUtcDecoder calendar_;
    double greenwichAt0h_ = 0.0;
    // The pointings of the last few count pairs, one slot per pair by a hash of the counts: a
    // parked dish's encoders jitter by a count or two around one place, so the last pair alone
    // would miss most of the time.
    struct PointingSlot {
        std::int64_t azimuth = 0;
        std::int64_t altitude = 0;
        bool known = false;
        TPointing pointing;
    };
    static constexpr std::size_t PointingSlots = 64;
    std::array<PointingSlot, PointingSlots> pointings_{};
};

// The sample of one raw record in the ICRS frame: the counts, time and volts as deriveSample
// gives them, right ascension and declination ICRS (J2000) and the galactic coordinates from
// ICRS through frame (not quantised; negative Declination and Beta held as 360 + value). The
// derivations below take this path instead of TSampleDeriver while the store's preciseSite is
// set. Defined in Precisederive.cpp.
Sample derivePreciseSample(const RawRecord& raw, std::int64_t azimuthShift, std::int64_t altitudeShift, TDateTime date,
                           TPreciseFrame& frame);

}  // namespace driftline
