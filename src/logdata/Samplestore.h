#pragma once
// The sample store: raw records as read, and for each a derived sample of eight quantities.
#include "astro/Preciseunit.h"
#include "astro/Timeunit.h"
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace driftline {

// Index of a derived quantity; also the item index of the axis radio groups.
enum Quantity : int {
    Time = 0,            // date-time serial in days, UTC
    Azimuth = 1,         // degrees, not folded
    Altitude = 2,        // degrees
    RightAscension = 3,  // degrees, 0..360
    Declination = 4,     // degrees in [0, 360): negative d as 360 + d
    Beta = 5,            // galactic latitude, as Declination
    Lambda = 6,          // galactic longitude, [0, 360)
    Volts = 7,           // volts
};
inline constexpr int QuantityCount = 8;

// One record line of a log: four unsigned 32-bit fields (voltsCounts 0 without a fourth field).
struct RawRecord {
    std::uint32_t milliseconds = 0;
    std::uint32_t azimuthCounts = 0;
    std::uint32_t altitudeCounts = 0;
    std::uint32_t voltsCounts = 0;
};

// Eight doubles in Quantity order, nothing else.
struct Sample {
    std::array<double, QuantityCount> values{};
    double& operator[](int q) { return values[static_cast<std::size_t>(q)]; }
    double operator[](int q) const { return values[static_cast<std::size_t>(q)]; }
};

using SampleList = std::vector<Sample>;

// The axis radio-group item text of a quantity ("Time" ... "Right ascension" ... "Volts").
const char* QuantityCaption(int q);
// The code name of a quantity ("Time" ... "RightAscension" ... "Volts").
const char* QuantityCodeName(int q);
// A quantity from its caption, code name or index 0..7, ignoring case; false when none matches.
bool ParseQuantity(std::string_view text, Quantity& q);

inline constexpr std::int32_t NoCorrection = -9999999;

// The five receiver settings a log carries, in the order their keywords are tested.
enum ReceiverValue : int {
    ReceiverDCGain = 0,          // "DC Gain"            -> lblDCGain
    ReceiverTimerInterval = 1,   // "Timer interval"     -> lblTimerInterval
    ReceiverIFGain = 2,          // "IF Gain"            -> lblIFGain
    ReceiverIntegration = 3,     // "Integration time"   -> lblIntegration
    ReceiverOffset = 4,          // "Continuum offset volts" -> lblOffset
};
inline constexpr int ReceiverValueCount = 5;

// The zoom history of one sample list: entry i is the list as it stood before zoom i.
// A zoom only ever narrows a list, so the first entry is held whole and every later entry as
// the keep mask that turned the entry before it into it: five zooms of a million samples cost
// one copy plus a few bits per sample, not five copies. Entries are rebuilt when taken back.
class TUndoHistory {
public:
    bool empty() const { return entries_.empty(); }
    std::size_t size() const { return entries_.size(); }
    void clear();

    // Records a zoom: the list as it stands becomes the newest entry, and the list keeps, in
    // order, exactly the samples whose flag in keep is set (keep has one flag per sample).
    void recordZoom(SampleList& list, const std::vector<bool>& keep);
    // Appends a whole list as the newest entry (no relation to the entries before it).
    void push_back(SampleList list);

    // Entry i rebuilt (0 is the oldest).
    SampleList at(std::size_t i) const;
    SampleList operator[](std::size_t i) const { return at(i); }
    // Removes and returns the newest entry (Undo).
    SampleList takeBack();
    // Returns the oldest entry and empties the history (Reset).
    SampleList takeFront();

private:
    struct Entry {
        bool whole = true;
        SampleList samples;           // whole entries
        std::vector<bool> keptFromPrevious;  // narrowed entries: the mask over the entry before
    };
    std::vector<Entry> entries_;
    // The mask that turned the newest entry into the list as it stands now; valid only after
    // recordZoom, since the list then holds exactly that narrowing.
    std::vector<bool> pending_;
    bool pendingValid_ = false;
};

// The sample of one raw record: counts shifted by the given signed counts (64-bit sums, so a
// shift below zero gives a negative angle), time = date (midnight serial) + milliseconds.
Sample deriveSample(const RawRecord& raw, std::int64_t azimuthShift, std::int64_t altitudeShift, TDateTime date);
// The same in the frame of precise (ICRS right ascension and declination, galactic from ICRS;
// not quantised, negative Declination and Beta held as 360 + value); null is the classic frame.
Sample deriveSample(const RawRecord& raw, std::int64_t azimuthShift, std::int64_t altitudeShift, TDateTime date,
                    TPreciseFrame* precise);

// What a log file left behind: raw records with the date each was read under, their samples,
// the zoom histories, the session state (logDate, corrections, receiver texts).
class TSampleStore {
public:
    std::vector<RawRecord> allRecords;
    std::vector<RawRecord> voltageRecords;
    // The logDate in force when each record was read, beside the record (same index).
    std::vector<TDateTime> allRecordDates;
    std::vector<TDateTime> voltageRecordDates;

    SampleList allSamples;
    SampleList voltageSamples;
    TUndoHistory allUndo;
    TUndoHistory voltageUndo;

    // Midnight of the last session-header or date line read; survives opening another file.
    TDateTime logDate = 0.0;
    std::int32_t loggedAzimuthCorrection = NoCorrection;
    std::int32_t loggedAltitudeCorrection = NoCorrection;
    std::int32_t azimuthCorrection = NoCorrection;
    std::int32_t altitudeCorrection = NoCorrection;
    std::array<std::string, ReceiverValueCount> receiverValues;
    // The frame every derivation uses: empty for the classic one (of date, from the settings'
    // site), else ICRS (J2000) for this site and air. Set it before reading; Refresh re-derives in it.
    std::optional<TPreciseSite> preciseSite;

    // voltageSamples when the volts-only menu item is checked and enabled, else allSamples.
    SampleList& activeSamples(bool voltsOnlyCheckedAndEnabled);
    const SampleList& activeSamples(bool voltsOnlyCheckedAndEnabled) const;

    // Empties the four lists, the dates, both undo histories and the receiver texts, and sets all
    // four corrections to NoCorrection; logDate is kept (the start of a read).
    void clearForRead();

    // Appends one record read under the current logDate (no sample yet: see deriveRecords).
    void appendRecord(const RawRecord& raw, bool hasVolts);
    // Makes room for n voltage records ahead of a read (the lists themselves are public).
    void reserveVoltageIndex(std::size_t n) { voltageRecordIndex_.reserve(n); }

    // Derives the samples of the records appended since the sample lists were last complete,
    // with shifts 0 (the read-time derivation). threads 0 = as many as the machine has;
    // the result is the same, in file order, for any thread count.
    void deriveRecords(unsigned threads = 0);

    // Signed count shifts the user's corrections make over the logged ones (0 for an axis
    // without a logged correction).
    std::int64_t azimuthShift() const;
    std::int64_t altitudeShift() const;

    // Refresh, core side: empties both histories and derives both sample lists again from the
    // raw records with the current shifts and each record's own date. The caller rescales and
    // redraws.
    void rebuildSamples(unsigned threads = 0);

private:
    // Index in allRecords of each voltageRecords entry; a voltage sample equals its record's
    // sample in allSamples, so it is copied rather than derived twice.
    std::vector<std::size_t> voltageRecordIndex_;
    // The precise context of one-thread derivations, kept from call to call: a read that derives
    // record by record computes one context per block of data time, not one per record.
    std::optional<TPreciseFrame> preciseCache_;
    TPreciseFrame* preciseFrame();
    void deriveRange(std::size_t first, std::int64_t azShift, std::int64_t altShift, unsigned threads);
};

}  // namespace driftline
