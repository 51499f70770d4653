#pragma once
// The sample store: raw records as read, and for each a derived sample of eight quantities.
#include "astro/Preciseunit.h"
#include "astro/Site.h"
#include "astro/Timeunit.h"
#include "logdata/Extremes.h"
#include "logdata/Quantity.h"
#include "logdata/Records.h"
#include "logdata/Sampleview.h"
#include "logdata/Undohistory.h"
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

namespace driftline {

// An allocator whose growth leaves new elements unwritten (for trivially copyable elements
// whose every new element is written before it is read): a list of a million samples grows
// without first writing 64 MB of zeros.
template <typename T>
struct TUninitialisedAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = TUninitialisedAllocator<U>;
    };
    TUninitialisedAllocator() = default;
    template <typename U>
    TUninitialisedAllocator(const TUninitialisedAllocator<U>&) noexcept
    {}
    // Default construction writes nothing; any other construction is the usual one.
    template <typename U>
    void construct(U*) noexcept
    {
        static_assert(std::is_trivially_copyable_v<U> && std::is_trivially_destructible_v<U>);
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// What a log file left behind: raw records with the date each was read under, their samples,
// the zoom histories, the session state (logDate, corrections, receiver texts).
//
// One base list holds a sample for every record; every other list is a view of it. The voltage
// list is the base list at the places of the voltage records, and a zoomed list is the base list
// at the places the zooms kept, so a voltage sample is its record's sample (same record, date and
// shifts give the same bits) and costs four bytes, not sixty-four. Dates are kept as runs: one
// entry where the date in force changes, not one per record.
//
// The lists are private so that they cannot drift apart: every record enters through
// appendRecord, which adds it, its date and (for a voltage record) its place together; the sample
// lists change only by derivation, zoom, view, undo and reset. After a derivation the base list is
// exactly as long as the record list; a zoom only narrows the lists.
class TSampleStore {
public:
    // The date in force from record firstRecord on (up to the next run).
    struct DateRun {
        std::size_t firstRecord = 0;
        TDateTime date = 0.0;
    };

    // The records grow without first writing zeros: a merge of slices writes every new record.
    using RecordList = std::vector<RawRecord, TUninitialisedAllocator<RawRecord>>;

    const RecordList& allRecords() const { return allRecords_; }
    RecordView voltageRecords() const
    {
        return RecordView(allRecords_.data(), voltageRecordIndex_.data(), voltageRecordIndex_.size());
    }
    // Index in allRecords of each voltage record.
    const SampleIndexList& voltageRecordIndex() const { return voltageRecordIndex_; }
    // The logDate in force when each record was read: the runs, and per record.
    const std::vector<DateRun>& dateRuns() const { return dateRuns_; }
    TDateTime recordDate(std::size_t record) const;
    // The date of every record (of every voltage record), spelled out one per record; for checks.
    std::vector<TDateTime> allRecordDates() const;
    std::vector<TDateTime> voltageRecordDates() const;

    // Views of the lists as they stand; valid until the store next changes.
    SampleView allSamples() const;
    SampleView voltageSamples() const;
    // voltageSamples when the volts-only menu item is checked and enabled, else allSamples.
    SampleView activeSamples(bool voltsOnlyCheckedAndEnabled) const
    {
        return voltsOnlyCheckedAndEnabled ? voltageSamples() : allSamples();
    }
    // The lists as they stood before the first zoom (what Reset brings back, and what a wheel
    // zoom or pan chooses from); valid until the store next changes.
    SampleView unzoomedAllSamples() const;
    SampleView unzoomedVoltageSamples() const;
    // The base list: one sample per record (or the adopted all-list).
    SampleView baseSamples() const { return SampleView(baseSamples_.data(), baseSamples_.size()); }
    // The ends of the unzoomed lists (extremes and folded ends), found while their samples were
    // derived; null while the list is zoomed, empty or adopted (then a pass over it finds them).
    const TListEnds* allEnds() const
    {
        return allUndo_.empty() && !voltageAdopted_ && !baseSamples_.empty() && allEndsCount_ == baseSamples_.size()
                   ? &allEnds_
                   : nullptr;
    }
    const TListEnds* voltageEnds() const
    {
        return voltageUndo_.empty() && !voltageAdopted_ && voltageSampleCount_ > 0 &&
                       voltageEndsCount_ == voltageSampleCount_
                   ? &voltageEnds_
                   : nullptr;
    }
    const TListEnds* activeEnds(bool voltsOnlyCheckedAndEnabled) const
    {
        return voltsOnlyCheckedAndEnabled ? voltageEnds() : allEnds();
    }
    const TIndexUndoHistory& allUndo() const { return allUndo_; }
    const TIndexUndoHistory& voltageUndo() const { return voltageUndo_; }
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

    // Empties the lists, the dates, both undo histories and the receiver texts, and sets all
    // four corrections to NoCorrection; logDate is kept (the start of a read).
    void clearForRead();

    // Appends one record read under the current logDate (no sample yet: see deriveRecords).
    // Throws std::length_error past 2^32 - 1 records (the positions of the lists are 32-bit).
    void appendRecord(const RawRecord& raw, bool hasVolts);
    // Makes room for n records (and as many voltage records) ahead of a read.
    void reserveRecords(std::size_t n);
    // Appends the records (with their dates and voltage places) that part read from the next
    // slice of the same file, emptying part; records part read before a date line of its own
    // (dated NaN) take the date undated. A large part is copied on up to `threads` threads
    // (0 = as many as the machine has); the result is the same for any count. No samples: see
    // deriveRecords.
    void appendRecordsOf(TSampleStore&& part, TDateTime undated, unsigned threads = 1);

    // Derives the samples of the records appended since the sample lists were last complete,
    // with shifts 0 (the read-time derivation). threads 0 = as many as the machine has;
    // the result is the same, in file order, for any thread count. Every sample is derived at
    // site; without one, at the site of the installed settings, read once.
    void deriveRecords(const TSite& site, unsigned threads = 0);
    void deriveRecords(unsigned threads = 0);

    // Samples of the records appended from firstRecord (and firstVoltageRecord) on, as a followed
    // log grows. Without a zoom and without shifts the lists are the read-time samples of every
    // record, so deriveRecords extends them; otherwise the new samples are derived with the given
    // shifts and each list and history takes those its zooms keep (TBasicUndoHistory::appendArrived).
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
    // A view that is not a narrowing (a wheel zoom or pan): both lists as they stand go on their
    // histories (as for narrowSamples), and each becomes the samples of the unzoomed list (the
    // oldest history entry, or the list itself when there is no history) whose flag is set (one
    // flag per sample of the unzoomed list; a missing flag drops its sample). inView, when given,
    // judges samples that arrive later against the unzoomed list.
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
    // Grows without writing zeros first: every new sample is written by the derivation.
    using SampleBuffer = std::vector<Sample, TUninitialisedAllocator<Sample>>;

    RecordList allRecords_;
    std::vector<DateRun> dateRuns_;
    SampleIndexList voltageRecordIndex_;

    // One sample per record, derived with the shifts of the latest derivation.
    SampleBuffer baseSamples_;
    // How many voltage records have their sample in baseSamples_.
    std::size_t voltageSampleCount_ = 0;
    // adoptSamples only: a voltage list of its own (the voltage list is then the whole of it).
    SampleBuffer adoptedVoltage_;
    bool voltageAdopted_ = false;

    // The ends of base[0, allEndsCount_) and of the unzoomed voltage list's first
    // voltageEndsCount_ samples.
    TListEnds allEnds_;
    TListEnds voltageEnds_;
    std::size_t allEndsCount_ = 0;
    std::size_t voltageEndsCount_ = 0;

    // The lists while zoomed (histories not empty): places in the voltage base list (the base
    // list, or adoptedVoltage_ after adoptSamples).
    SampleIndexList allZoomed_;
    SampleIndexList voltageZoomed_;
    TIndexUndoHistory allUndo_;
    TIndexUndoHistory voltageUndo_;

    // The precise context of one-thread derivations, kept from call to call: a read that derives
    // record by record computes one context per block of data time, not one per record.
    std::optional<TPreciseFrame> preciseCache_;
    TPreciseFrame* preciseFrame();

    const Sample* voltageBase() const { return voltageAdopted_ ? adoptedVoltage_.data() : baseSamples_.data(); }
    // The unzoomed lists as places in their base lists.
    SampleIndexList unzoomedAll() const;
    SampleIndexList unzoomedVoltage() const;
    void pushDate(std::size_t firstRecord, TDateTime date);
    // Takes the samples below `limit` that the ends have not seen into them, one by one.
    void catchUpEnds(std::size_t limit);
    void forgetEnds() { allEndsCount_ = voltageEndsCount_ = 0; }
    void deriveRange(std::size_t first, std::int64_t azShift, std::int64_t altShift, const TSite& site,
                     unsigned threads);
};

}  // namespace driftline
