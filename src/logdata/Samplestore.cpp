// The sample store's lists and the mutations that keep them in step.
#include "logdata/Samplestore.h"

#include "astro/Sitesettings.h"
#include "logdata/Samplederive.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <numeric>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

namespace driftline {

namespace {

// Shift of one axis: the user's correction replaces the logged one; nothing to replace
// when either is missing.
std::int64_t Shift(std::int32_t user, std::int32_t logged)
{
    if (user == NoCorrection || logged == NoCorrection)
        return 0;
    return static_cast<std::int64_t>(user) - static_cast<std::int64_t>(logged);
}

// A keep mask as long as the list: missing flags drop their samples.
std::vector<bool> MaskFor(std::size_t size, const std::vector<bool>& keep)
{
    std::vector<bool> mask(keep);
    mask.resize(size, false);
    return mask;
}

// Dates are told apart by their bits: a NaN (a slice's records before its first date line) is
// one date, and 0.0 and -0.0 are two.
bool SameDate(TDateTime a, TDateTime b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

constexpr std::size_t MaxRecords = std::numeric_limits<std::uint32_t>::max();

}  // namespace

SampleView TSampleStore::allSamples() const
{
    if (!allUndo_.empty())
        return SampleView(baseSamples_.data(), allZoomed_.data(), allZoomed_.size());
    return unzoomedAllSamples();
}

SampleView TSampleStore::voltageSamples() const
{
    if (!voltageUndo_.empty())
        return SampleView(voltageBase(), voltageZoomed_.data(), voltageZoomed_.size());
    return unzoomedVoltageSamples();
}

SampleView TSampleStore::unzoomedAllSamples() const
{
    return SampleView(baseSamples_.data(), baseSamples_.size());
}

SampleView TSampleStore::unzoomedVoltageSamples() const
{
    if (voltageAdopted_)
        return SampleView(adoptedVoltage_.data(), adoptedVoltage_.size());
    return SampleView(baseSamples_.data(), voltageRecordIndex_.data(), voltageSampleCount_);
}

SampleIndexList TSampleStore::unzoomedAll() const
{
    SampleIndexList places(baseSamples_.size());
    std::iota(places.begin(), places.end(), std::uint32_t{0});
    return places;
}

SampleIndexList TSampleStore::unzoomedVoltage() const
{
    if (voltageAdopted_) {
        SampleIndexList places(adoptedVoltage_.size());
        std::iota(places.begin(), places.end(), std::uint32_t{0});
        return places;
    }
    return SampleIndexList(voltageRecordIndex_.begin(),
                           voltageRecordIndex_.begin() + static_cast<std::ptrdiff_t>(voltageSampleCount_));
}

TDateTime TSampleStore::recordDate(std::size_t record) const
{
    // The last run starting at or before the record.
    auto after = std::upper_bound(dateRuns_.begin(), dateRuns_.end(), record,
                                  [](std::size_t r, const DateRun& run) { return r < run.firstRecord; });
    return after == dateRuns_.begin() ? logDate : std::prev(after)->date;
}

std::vector<TDateTime> TSampleStore::allRecordDates() const
{
    std::vector<TDateTime> dates;
    dates.reserve(allRecords_.size());
    for (std::size_t r = 0; r < dateRuns_.size(); ++r) {
        const std::size_t end = r + 1 < dateRuns_.size() ? dateRuns_[r + 1].firstRecord : allRecords_.size();
        dates.resize(end, dateRuns_[r].date);
    }
    return dates;
}

std::vector<TDateTime> TSampleStore::voltageRecordDates() const
{
    std::vector<TDateTime> dates;
    dates.reserve(voltageRecordIndex_.size());
    for (std::uint32_t record : voltageRecordIndex_)
        dates.push_back(recordDate(record));
    return dates;
}

void TSampleStore::catchUpEnds(std::size_t limit)
{
    limit = std::min(limit, baseSamples_.size());
    if (allEndsCount_ < limit) {
        if (allEndsCount_ == 0)
            allEnds_ = TListEnds::StartingWith(baseSamples_[0]);
        for (std::size_t i = allEndsCount_; i < limit; ++i)
            allEnds_.add(baseSamples_[i], i);
        allEndsCount_ = limit;
    }
    const auto voltageLimit = static_cast<std::size_t>(
        std::lower_bound(voltageRecordIndex_.begin(), voltageRecordIndex_.end(), limit) - voltageRecordIndex_.begin());
    if (voltageEndsCount_ < voltageLimit) {
        if (voltageEndsCount_ == 0)
            voltageEnds_ = TListEnds::StartingWith(baseSamples_[voltageRecordIndex_[0]]);
        for (std::size_t v = voltageEndsCount_; v < voltageLimit; ++v)
            voltageEnds_.add(baseSamples_[voltageRecordIndex_[v]], v);
        voltageEndsCount_ = voltageLimit;
    }
}

void TSampleStore::clearForRead()
{
    forgetEnds();
    allRecords_.clear();
    dateRuns_.clear();
    voltageRecordIndex_.clear();
    baseSamples_.clear();
    voltageSampleCount_ = 0;
    adoptedVoltage_.clear();
    voltageAdopted_ = false;
    allZoomed_.clear();
    voltageZoomed_.clear();
    allUndo_.clear();
    voltageUndo_.clear();
    for (auto& text : receiverValues)
        text.clear();
    loggedAzimuthCorrection = loggedAltitudeCorrection = NoCorrection;
    azimuthCorrection = altitudeCorrection = NoCorrection;
}

void TSampleStore::pushDate(std::size_t firstRecord, TDateTime date)
{
    if (dateRuns_.empty() || !SameDate(dateRuns_.back().date, date))
        dateRuns_.push_back({firstRecord, date});
}

void TSampleStore::appendRecord(const RawRecord& raw, bool hasVolts)
{
    const std::size_t n = allRecords_.size();
    if (n >= MaxRecords)
        throw std::length_error("too many records for one log");
    if (hasVolts)
        voltageRecordIndex_.push_back(static_cast<std::uint32_t>(n));
    pushDate(n, logDate);
    allRecords_.push_back(raw);
}

void TSampleStore::reserveRecords(std::size_t n)
{
    n = std::min(n, MaxRecords);
    allRecords_.reserve(n);
    voltageRecordIndex_.reserve(n);
}

void TSampleStore::appendRecordsOf(TSampleStore&& part, TDateTime undated, unsigned threads)
{
    const std::size_t offset = allRecords_.size();
    const std::size_t count = part.allRecords_.size();
    if (count > MaxRecords - offset)
        throw std::length_error("too many records for one log");
    // The records before the slice's first date line are its first run.
    for (const DateRun& run : part.dateRuns_)
        pushDate(run.firstRecord + offset, std::isnan(run.date) ? undated : run.date);

    // The copy is bound by writing fresh memory (and its page faults), which shares out over the
    // cores: the first worker shifts the voltage places into their list and copies the first
    // records, the others share the rest so that each writes about as many bytes.
    const RawRecord* from = part.allRecords_.data();
    allRecords_.resize(offset + count);  // written below, not zeroed first
    RawRecord* to = allRecords_.data() + offset;
    const auto copyVoltagePlaces = [this, &part, offset] {
        const auto shift = static_cast<std::uint32_t>(offset);
        const std::size_t first = voltageRecordIndex_.size();
        voltageRecordIndex_.resize(first + part.voltageRecordIndex_.size());
        std::uint32_t* places = voltageRecordIndex_.data() + first;
        for (std::size_t v = 0; v < part.voltageRecordIndex_.size(); ++v)
            places[v] = part.voltageRecordIndex_[v] + shift;
    };
    unsigned workers = threads != 0 ? threads : std::max(1u, std::thread::hardware_concurrency());
    constexpr std::size_t MinRecordsPerWorker = std::size_t{1} << 18;
    workers = static_cast<unsigned>(
        std::min<std::size_t>(workers, std::max<std::size_t>(1, count / MinRecordsPerWorker)));
    if (workers <= 1) {
        copyVoltagePlaces();
        if (count > 0)
            std::memcpy(to, from, count * sizeof(RawRecord));
    } else {
        // Work in bytes written: 16 a record, 4 a voltage place (all on the first worker).
        const std::size_t placeBytes = part.voltageRecordIndex_.size() * sizeof(std::uint32_t);
        const std::size_t share = (count * sizeof(RawRecord) + placeBytes) / workers;
        const std::size_t firstRecords = std::min(count,
                                                  (share > placeBytes ? share - placeBytes : 0) / sizeof(RawRecord));
        std::vector<std::size_t> bounds(workers + 1, count);
        bounds[0] = 0;
        for (unsigned w = 1; w < workers; ++w)
            bounds[w] = firstRecords + (count - firstRecords) * (w - 1) / (workers - 1);
        const auto copyRecords = [from, to, &bounds](unsigned w) {
            if (bounds[w + 1] > bounds[w])
                std::memcpy(to + bounds[w], from + bounds[w], (bounds[w + 1] - bounds[w]) * sizeof(RawRecord));
        };
        std::vector<std::thread> others;
        others.reserve(workers - 1);
        // A thread that cannot be started leaves its share (and those after it) to this one; a
        // failure here waits for the started threads before it goes on.
        try {
            for (unsigned w = 1; w < workers; ++w)
                others.emplace_back(copyRecords, w);
        } catch (const std::system_error&) {
        }
        std::exception_ptr failure;
        try {
            copyVoltagePlaces();
            copyRecords(0);
            for (auto w = static_cast<unsigned>(others.size()) + 1; w < workers; ++w)
                copyRecords(w);
        } catch (...) {
            failure = std::current_exception();
        }
        for (auto& t : others)
            t.join();
        if (failure)
            std::rethrow_exception(failure);
    }
    part.allRecords_ = {};
    part.voltageRecordIndex_ = {};
    part.dateRuns_ = {};
}

std::int64_t TSampleStore::azimuthShift() const
{
    return Shift(azimuthCorrection, loggedAzimuthCorrection);
}

std::int64_t TSampleStore::altitudeShift() const
{
    return Shift(altitudeCorrection, loggedAltitudeCorrection);
}

void TSampleStore::narrowSamples(const std::vector<bool>& keepAll, const std::vector<bool>& keepVoltage,
                                 TUndoHistory::SampleTest inBand)
{
    if (allUndo_.empty())
        allZoomed_ = unzoomedAll();
    if (voltageUndo_.empty())
        voltageZoomed_ = unzoomedVoltage();
    if (keepAll.size() == allZoomed_.size())
        allUndo_.recordZoom(allZoomed_, keepAll, inBand);
    else
        allUndo_.recordZoom(allZoomed_, MaskFor(allZoomed_.size(), keepAll), inBand);
    if (keepVoltage.size() == voltageZoomed_.size())
        voltageUndo_.recordZoom(voltageZoomed_, keepVoltage, std::move(inBand));
    else
        voltageUndo_.recordZoom(voltageZoomed_, MaskFor(voltageZoomed_.size(), keepVoltage), std::move(inBand));
}

void TSampleStore::viewSamples(const std::vector<bool>& keepAllOfBase, const std::vector<bool>& keepVoltageOfBase,
                               TUndoHistory::SampleTest inView)
{
    // The flags are over the unzoomed lists: the histories' oldest entries, which take every
    // arrival as the base list does, or the lists themselves before a first zoom.
    if (allUndo_.empty())
        allZoomed_ = unzoomedAll();
    if (voltageUndo_.empty())
        voltageZoomed_ = unzoomedVoltage();
    allUndo_.recordView(allZoomed_, keepAllOfBase, inView);
    voltageUndo_.recordView(voltageZoomed_, keepVoltageOfBase, std::move(inView));
}

void TSampleStore::deriveArrived(std::size_t firstRecord, std::size_t firstVoltageRecord, std::int64_t azShift,
                                 std::int64_t altShift)
{
    const std::size_t records = allRecords_.size();
    const bool zoomed = !allUndo_.empty() || !voltageUndo_.empty();
    const bool plain = !zoomed && azShift == 0 && altShift == 0 && baseSamples_.size() == firstRecord &&
                       voltageSampleCount_ == firstVoltageRecord;
    if (plain || voltageAdopted_ || baseSamples_.size() > records) {
        // Adopted lists have no records behind them: what arrives is derived as a read derives.
        deriveRecords();
        return;
    }
    const std::size_t first = baseSamples_.size();
    if (records <= first)
        return;
    // The site is read once for the whole batch of arrivals; in the ICRS frame the arrivals take
    // the ICRS path, as every other derivation does.
    TPreciseFrame* frame = preciseFrame();
    TSampleDeriver deriver(CurrentSite());
    baseSamples_.reserve(records);
    std::size_t run = 0;
    for (std::size_t i = first; i < records; ++i) {
        while (run + 1 < dateRuns_.size() && dateRuns_[run + 1].firstRecord <= i)
            ++run;
        const TDateTime date = dateRuns_.empty() ? logDate : dateRuns_[run].date;
        baseSamples_.push_back(frame != nullptr ? derivePreciseSample(allRecords_[i], azShift, altShift, date, *frame)
                                                : deriver.derive(allRecords_[i], azShift, altShift, date));
    }
    const std::size_t firstVoltage = voltageSampleCount_;
    voltageSampleCount_ = voltageRecordIndex_.size();
    catchUpEnds(records);
    if (!zoomed)
        return;  // the unzoomed lists are views of the whole base list: they have grown with it
    SampleIndexList arrived(records - first);
    std::iota(arrived.begin(), arrived.end(), static_cast<std::uint32_t>(first));
    const SampleIndexList arrivedVolts(voltageRecordIndex_.begin() + static_cast<std::ptrdiff_t>(firstVoltage),
                                       voltageRecordIndex_.end());
    const auto sampleOf = [this](std::uint32_t place) -> const Sample& { return baseSamples_[place]; };
    allUndo_.appendArrived(allZoomed_, arrived, sampleOf);
    voltageUndo_.appendArrived(voltageZoomed_, arrivedVolts, sampleOf);
}

bool TSampleStore::undoZoom()
{
    if (allUndo_.empty())
        return false;
    allZoomed_ = allUndo_.takeBack();
    if (!voltageUndo_.empty())
        voltageZoomed_ = voltageUndo_.takeBack();
    // Back at the unzoomed lists: they are views of the base list again.
    if (allUndo_.empty())
        allZoomed_ = {};
    if (voltageUndo_.empty())
        voltageZoomed_ = {};
    return true;
}

bool TSampleStore::resetZoom()
{
    if (allUndo_.empty())
        return false;
    allUndo_.clear();
    voltageUndo_.clear();
    allZoomed_ = {};
    voltageZoomed_ = {};
    return true;
}

void TSampleStore::adoptSamples(SampleList all, SampleList voltage)
{
    forgetEnds();
    allRecords_.clear();
    dateRuns_.clear();
    voltageRecordIndex_.clear();
    voltageSampleCount_ = 0;
    allUndo_.clear();
    voltageUndo_.clear();
    allZoomed_.clear();
    voltageZoomed_.clear();
    baseSamples_.assign(all.begin(), all.end());
    adoptedVoltage_.assign(voltage.begin(), voltage.end());
    voltageAdopted_ = true;
}

}  // namespace driftline
