#pragma once
// The sample store: raw records as read, and for each a derived sample of eight quantities.
#include "astro/Preciseunit.h"
#include "astro/Site.h"
#include "astro/Timeunit.h"
#include "logdata/Extremes.h"
#include "logdata/Quantity.h"
#include "logdata/Records.h"
#include "logdata/Undohistory.h"
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace driftline {

class TDerivePipeline;

// What a log file left behind: raw records with the date each was read under, their samples,
// the zoom histories, the session state (logDate, corrections, receiver texts).
//
// The lists are private so that they cannot drift apart: every record enters through
// appendRecord, which adds it, its date and (for a voltage record) its place in the all-list
// together; the sample lists change only by derivation, zoom, view, undo and reset. After a
// derivation each sample list is exactly as long as its record list; a zoom only narrows it, a
// view selects from the list as it was derived.
class TSampleStore {
public:
    const std::vector<RawRecord>& allRecords() const { return allRecords_; }
    const std::vector<RawRecord>& voltageRecords() const { return voltageRecords_; }
    // The logDate in force when each record was read, beside the record (same index).
    const std::vector<TDateTime>& allRecordDates() const { return allRecordDates_; }
    const std::vector<TDateTime>& voltageRecordDates() const { return voltageRecordDates_; }

    const SampleList& allSamples() const { return allSamples_; }
    const SampleList& voltageSamples() const { return voltageSamples_; }
    // voltageSamples when the volts-only menu item is checked and enabled, else allSamples.
    const SampleList& activeSamples(bool voltsOnlyCheckedAndEnabled) const
    {
        return voltsOnlyCheckedAndEnabled ? voltageSamples_ : allSamples_;
    }
    const TUndoHistory& allUndo() const { return allUndo_; }
    const TUndoHistory& voltageUndo() const { return voltageUndo_; }
    // True while there is a zoom to undo.
    bool canUndo() const { return !allUndo_.empty(); }

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

    // Empties the four lists, the dates, both undo histories and the receiver texts, and sets all
    // four corrections to NoCorrection; logDate is kept (the start of a read).
    void clearForRead();

    // Appends one record read under the current logDate (no sample yet: see deriveRecords).
    void appendRecord(const RawRecord& raw, bool hasVolts);
    // Makes room for n records (and as many voltage records) ahead of a read.
    void reserveRecords(std::size_t n);
    // Appends the records (with their dates and voltage places) that part read from the next
    // slice of the same file, emptying part; records part read before a date line of its own
    // (dated NaN) take the date undated. No samples: see deriveRecords.
    void appendRecordsOf(TSampleStore&& part, TDateTime undated);

    // Derives the samples of the records appended since the sample lists were last complete,
    // with shifts 0 (the read-time derivation). threads 0 = as many as the machine has;
    // the result is the same, in file order, for any thread count. Every sample is derived at
    // site; without one, at the site of the installed settings, read once.
    void deriveRecords(const TSite& site, unsigned threads = 0);
    void deriveRecords(unsigned threads = 0);

    // Samples of the records appended from firstRecord (and firstVoltageRecord) on, as a followed
    // log grows. Without a zoom and without shifts the lists are the read-time samples of every
    // record, so deriveRecords extends them; otherwise the new samples are derived with the given
    // shifts and each list and history takes those its zooms keep (TUndoHistory::appendArrived).
    void deriveArrived(std::size_t firstRecord, std::size_t firstVoltageRecord, std::int64_t azShift,
                       std::int64_t altShift);

    // Signed count shifts the user's corrections make over the logged ones (0 for an axis
    // without a logged correction).
    std::int64_t azimuthShift() const;
    std::int64_t altitudeShift() const;

    // Refresh, core side: empties both histories and derives both sample lists again from the
    // raw records with the current shifts and each record's own date. The caller rescales and
    // redraws. The site as for deriveRecords.
    void rebuildSamples(const TSite& site, unsigned threads = 0);
    void rebuildSamples(unsigned threads = 0);

    // A zoom: both lists as they stand go on their histories, and each keeps, in order, the
    // samples whose flag is set (one flag per sample; a missing flag drops its sample).
    // inBand, when given, stays with both histories and judges samples that arrive later
    // (deriveArrived) as this zoom judged the samples there were.
    void narrowSamples(const std::vector<bool>& keepAll, const std::vector<bool>& keepVoltage,
                       TUndoHistory::SampleTest inBand = {});
    // A wheel zoom or a pan: both lists as they stand go on their histories (as for
    // narrowSamples), and each becomes, in order, the samples of its unzoomed list (the oldest
    // history entry, or the list itself without a history) whose flag is set (one flag per sample
    // of that list; a missing flag drops its sample). inView, when given, stays with both
    // histories and judges samples that arrive later.
    void viewSamples(const std::vector<bool>& keepAllOfBase, const std::vector<bool>& keepVoltageOfBase,
                     TUndoHistory::SampleTest inView = {});
    // Brings back both lists as they were before the latest zoom; false (nothing changed)
    // without one.
    bool undoZoom();
    // Brings back both lists as they were before the first zoom and empties both histories;
    // false (nothing changed) without a zoom.
    bool resetZoom();

    // Replaces both sample lists with lists made elsewhere (a synthetic scan for a benchmark, a
    // grid for a test) and empties the records and histories, so a rebuild leaves nothing.
    void adoptSamples(SampleList all, SampleList voltage);

private:
    friend class TDerivePipeline;

    std::vector<RawRecord> allRecords_;
    std::vector<RawRecord> voltageRecords_;
    std::vector<TDateTime> allRecordDates_;
    std::vector<TDateTime> voltageRecordDates_;
    // Index in allRecords of each voltageRecords entry; a voltage sample equals its record's
    // sample in allSamples, so it is copied rather than derived twice.
    std::vector<std::size_t> voltageRecordIndex_;

    SampleList allSamples_;
    SampleList voltageSamples_;
    TUndoHistory allUndo_;
    TUndoHistory voltageUndo_;

    // The precise context of one-thread derivations, kept from call to call: a read that derives
    // record by record computes one context per block of data time, not one per record.
    std::optional<TPreciseFrame> preciseCache_;
    TPreciseFrame* preciseFrame();

    void deriveRange(std::size_t first, std::int64_t azShift, std::int64_t altShift, const TSite& site,
                     unsigned threads);
};

}  // namespace driftline
