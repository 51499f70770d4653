// The sample store's lists and the mutations that keep them in step.
#include "logdata/Samplestore.h"

#include "astro/Sitesettings.h"
#include "logdata/Samplederive.h"

#include <cmath>
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
std::vector<bool> MaskFor(const SampleList& list, const std::vector<bool>& keep)
{
    std::vector<bool> mask(keep);
    mask.resize(list.size(), false);
    return mask;
}

}  // namespace

void TSampleStore::clearForRead()
{
    allRecords_.clear();
    voltageRecords_.clear();
    allRecordDates_.clear();
    voltageRecordDates_.clear();
    voltageRecordIndex_.clear();
    allSamples_.clear();
    voltageSamples_.clear();
    allUndo_.clear();
    voltageUndo_.clear();
    for (auto& text : receiverValues)
        text.clear();
    loggedAzimuthCorrection = loggedAltitudeCorrection = NoCorrection;
    azimuthCorrection = altitudeCorrection = NoCorrection;
}

void TSampleStore::appendRecord(const RawRecord& raw, bool hasVolts)
{
    if (hasVolts) {
        voltageRecordIndex_.push_back(allRecords_.size());
        voltageRecords_.push_back(raw);
        voltageRecordDates_.push_back(logDate);
    }
    allRecords_.push_back(raw);
    allRecordDates_.push_back(logDate);
}

void TSampleStore::reserveRecords(std::size_t n)
{
    allRecords_.reserve(n);
    allRecordDates_.reserve(n);
    voltageRecords_.reserve(n);
    voltageRecordDates_.reserve(n);
    voltageRecordIndex_.reserve(n);
}

void TSampleStore::appendRecordsOf(TSampleStore&& part, TDateTime undated)
{
    // The records before the slice's first date line are a prefix of its lists.
    for (auto* dates : {&part.allRecordDates_, &part.voltageRecordDates_}) {
        for (TDateTime& date : *dates) {
            if (!std::isnan(date))
                break;
            date = undated;
        }
    }
    const std::size_t offset = allRecords_.size();
    for (std::size_t& index : part.voltageRecordIndex_)
        index += offset;
    auto append = [](auto& to, auto& from) {
        to.insert(to.end(), from.begin(), from.end());
        from = {};
    };
    append(allRecords_, part.allRecords_);
    append(allRecordDates_, part.allRecordDates_);
    append(voltageRecords_, part.voltageRecords_);
    append(voltageRecordDates_, part.voltageRecordDates_);
    append(voltageRecordIndex_, part.voltageRecordIndex_);
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
    if (keepAll.size() == allSamples_.size())
        allUndo_.recordZoom(allSamples_, keepAll, inBand);
    else
        allUndo_.recordZoom(allSamples_, MaskFor(allSamples_, keepAll), inBand);
    if (keepVoltage.size() == voltageSamples_.size())
        voltageUndo_.recordZoom(voltageSamples_, keepVoltage, std::move(inBand));
    else
        voltageUndo_.recordZoom(voltageSamples_, MaskFor(voltageSamples_, keepVoltage), std::move(inBand));
}

void TSampleStore::viewSamples(const std::vector<bool>& keepAllOfBase, const std::vector<bool>& keepVoltageOfBase,
                               TUndoHistory::SampleTest inView)
{
    allUndo_.recordView(allSamples_, keepAllOfBase, inView);
    voltageUndo_.recordView(voltageSamples_, keepVoltageOfBase, std::move(inView));
}

void TSampleStore::deriveArrived(std::size_t firstRecord, std::size_t firstVoltageRecord, std::int64_t azShift,
                                 std::int64_t altShift)
{
    const std::size_t records = allRecords_.size();
    const std::size_t voltageRecords = voltageRecords_.size();
    const bool plain = allUndo_.empty() && voltageUndo_.empty() && azShift == 0 && altShift == 0 &&
                       allSamples_.size() == firstRecord && voltageSamples_.size() == firstVoltageRecord;
    if (plain) {
        deriveRecords();
        return;
    }
    if (records <= firstRecord && voltageRecords <= firstVoltageRecord)
        return;
    // The site is read once for the whole batch of arrivals; in the ICRS frame the arrivals take
    // the ICRS path, as every other derivation does.
    TPreciseFrame* frame = preciseFrame();
    TSampleDeriver deriver(CurrentSite());
    auto derive = [&](const RawRecord& raw, TDateTime date) {
        return frame != nullptr ? derivePreciseSample(raw, azShift, altShift, date, *frame)
                                : deriver.derive(raw, azShift, altShift, date);
    };
    SampleList arrived;
    for (std::size_t i = firstRecord; i < records; ++i)
        arrived.push_back(derive(allRecords_[i], allRecordDates_[i]));
    SampleList arrivedVolts;
    for (std::size_t v = firstVoltageRecord; v < voltageRecords; ++v)
        arrivedVolts.push_back(derive(voltageRecords_[v], voltageRecordDates_[v]));
    allUndo_.appendArrived(allSamples_, arrived);
    voltageUndo_.appendArrived(voltageSamples_, arrivedVolts);
}

bool TSampleStore::undoZoom()
{
    if (allUndo_.empty())
        return false;
    allSamples_ = allUndo_.takeBack();
    if (!voltageUndo_.empty())
        voltageSamples_ = voltageUndo_.takeBack();
    return true;
}

bool TSampleStore::resetZoom()
{
    if (allUndo_.empty())
        return false;
    allSamples_ = allUndo_.takeFront();
    if (!voltageUndo_.empty())
        voltageSamples_ = voltageUndo_.takeFront();
    return true;
}

void TSampleStore::adoptSamples(SampleList all, SampleList voltage)
{
    allRecords_.clear();
    voltageRecords_.clear();
    allRecordDates_.clear();
    voltageRecordDates_.clear();
    voltageRecordIndex_.clear();
    allUndo_.clear();
    voltageUndo_.clear();
    allSamples_ = std::move(all);
    voltageSamples_ = std::move(voltage);
}

}  // namespace driftline
