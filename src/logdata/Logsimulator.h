#pragma once
// A deterministic drift-scan log: the telescope parked while a source drifts through the beam.
// Used by driftline-cli simulate, the tests and the benchmarks.
#include "astro/Skytrackunit.h"

#include <cstdint>
#include <optional>
#include <string>

namespace driftline {

// A scan of a sky target (the Sun, a planet, a catalogue source) through the beam of a dish parked
// where the target will be half-way through the run, but mis-pointed: the dish really points
// azimuthMispointCounts further in azimuth (and altitudeMispointCounts higher) than its logged
// counts say, so the right "Azimuth corr" is the logged correction plus azimuthMispointCounts.
struct TSimulateTarget {
    TSkyTarget target;
    TSite site;
    double beamFwhmDeg = 6.0;
    std::int32_t azimuthMispointCounts = 0;
    std::int32_t altitudeMispointCounts = 0;
    double snr = 100.0;  // peak over the noise's standard deviation
};

struct TSimulateOptions {
    std::uint64_t records = 10000;
    std::uint64_t seed = 1;
    // UTC start of the session.
    int day = 12, month = 5, year = 2010;
    int hour = 21, minute = 3, second = 15;
    std::uint32_t intervalMs = 1000;
    std::uint64_t noVoltsEvery = 50;      // every K-th record has no volts field; 0 = never
    std::uint64_t malformedEvery = 1000;  // a malformed line before every K-th record; 0 = never
    std::int32_t azimuthCorrection = 12;  // logged corrections, counts
    std::int32_t altitudeCorrection = -4;
    std::uint32_t azimuthCounts = 16384;  // parked pointing: due south ...
    std::uint32_t altitudeCounts = 3641;  // ... about 40 degrees up
    // With a target, the volts follow its passage through the beam and the parked counts are
    // set by ParkForTarget; without one, a generic bump half-way through the run.
    std::optional<TSimulateTarget> target;
};

// Sets the parked counts for options.target: the target's topocentric place half-way through
// the run less the mis-pointing. False, with a one-line reason, when the target is then not at
// least 5 degrees above the horizon.
bool ParkForTarget(TSimulateOptions& options, std::string& problem);

// The whole log text with CR LF line ends: session header, corrections, the five receiver lines,
// the records (a "Date changed" line at each midnight), a closing line.
std::string SimulateLog(const TSimulateOptions& options);

// Parses "DD/MM/YYYY HH:MM:SS" into the options' start; false when it is not a valid instant.
bool ParseSimulateStart(const std::string& text, TSimulateOptions& options);

}  // namespace driftline
