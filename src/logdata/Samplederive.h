#pragma once
// The derivation of samples from raw records, and the two ways it is spread over the cores: the
// read-time pipeline (one worker deriving behind the parser) and the bulk derivation in slices
// (the end of a read and Refresh's rebuild, TSampleStore::deriveRecords and rebuildSamples).
#include "astro/Preciseunit.h"
#include "astro/Sourceunit.h"
#include "astro/Timeunit.h"
#include "logdata/Quantity.h"
#include "logdata/Records.h"
#include "logdata/Samplestore.h"
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>

namespace driftline {

// The sample of one raw record at a site: counts shifted by the given signed counts (64-bit
// sums, so a shift below zero gives a negative angle), time = date (midnight serial) +
// milliseconds, and the sky position of that azimuth and altitude at that instant.
Sample deriveSample(const RawRecord& raw, std::int64_t azimuthShift, std::int64_t altitudeShift, TDateTime date,
                    const TSite& site);

// Derives samples one after another at one site, keeping what consecutive records share: the
// date fields and the sidereal time at 0h of the current day, and the hour angle and
// declination of the last pointing. Every sample has the bits deriveSample gives it. One per
// thread.
class TSampleDeriver {
public:
    explicit TSampleDeriver(const TSite& site);
    Sample derive(const RawRecord& raw, std::int64_t azimuthShift, std::int64_t altitudeShift, TDateTime date);

private:
    TAngleTrig trigOf(std::int64_t counts) const;

    TSite site_;
    const TAngleTrig* trig_;
    TUtcDecoder calendar_;
    double greenwichAt0h_ = 0.0;
    bool pointingKnown_ = false;
    std::int64_t lastAzimuth_ = 0;
    std::int64_t lastAltitude_ = 0;
    THourAngleDec hourAngleDec_;
};

// The sample of one raw record in the ICRS frame: the counts, time and volts as deriveSample
// gives them, right ascension and declination ICRS (J2000) and the galactic coordinates from
// ICRS through frame (not quantised; negative Declination and Beta held as 360 + value). The
// derivations below take this path instead of TSampleDeriver while the store's preciseSite is
// set. Defined in Precisederive.cpp.
Sample derivePreciseSample(const RawRecord& raw, std::int64_t azimuthShift, std::int64_t altitudeShift, TDateTime date,
                           TPreciseFrame& frame);

// Derives samples of the records the parser has already appended, on a thread of its own, while
// the parser goes on. The parser publishes how many records are complete; the worker appends
// their samples to the all-list in file order. The record lists were reserved beforehand and the
// parser stops the worker before a record would make them grow, so the worker's pointers stay
// valid. After finish() the caller derives whatever is left (TSampleStore::deriveRecords).
class TDerivePipeline {
public:
    explicit TDerivePipeline(TSampleStore& store) : store_(store) {}
    ~TDerivePipeline() { finish(); }
    TDerivePipeline(const TDerivePipeline&) = delete;
    TDerivePipeline& operator=(const TDerivePipeline&) = delete;

    // Starts the worker over the records appended from now on, deriving at site.
    void start(const TSite& site);
    bool running() const { return worker_.joinable(); }
    // True when one more record still fits without moving the records the worker reads.
    bool roomForOneMore() const;
    // Hands the worker the records appended so far, a batch at a time.
    void publish();
    // Stops the worker after its current batch and waits for it.
    void finish();

private:
    static constexpr std::size_t BatchRecords = 4096;
    // Date runs the worker can read while the parser appends (one per date line that dates a
    // record); the parser stops the worker before one more would move them.
    static constexpr std::size_t DateRunRoom = 65536;
    static constexpr std::size_t StopMark = static_cast<std::size_t>(-1);

    void run();

    TSampleStore& store_;
    const RawRecord* records_ = nullptr;
    const TSampleStore::DateRun* dates_ = nullptr;
    TSite site_;
    std::atomic<std::size_t> published_{0};
    // How many date runs were written when published_ was last set.
    std::atomic<std::size_t> runsPublished_{0};
    std::size_t lastPublished_ = 0;
    std::thread worker_;
};

}  // namespace driftline
