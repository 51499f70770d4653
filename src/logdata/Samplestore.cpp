// The sample store: quantity names, the derivation of one sample, and the store's lists.
#include "logdata/Samplestore.h"

#include "astro/AstroConstants.h"
#include "astro/Sourceunit.h"
#include "astro/Timeunit.h"

#include <algorithm>
#include <barrier>
#include <cmath>
#include <optional>
#include <cctype>
#include <thread>
#include <utility>

namespace driftline {

namespace {

constexpr const char* Captions[QuantityCount] = {
    "Time", "Azimuth", "Altitude", "Right ascension", "Declination", "Beta", "Lambda", "Volts",
};
constexpr const char* CodeNames[QuantityCount] = {
    "Time", "Azimuth", "Altitude", "RightAscension", "Declination", "Beta", "Lambda", "Volts",
};

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// Below this many records a second thread costs more than it saves.
constexpr std::size_t MinRecordsPerThread = 16384;

unsigned ThreadCount(unsigned requested, std::size_t records)
{
    unsigned n = requested != 0 ? requested : std::max(1u, std::thread::hardware_concurrency());
    const std::size_t useful = std::max<std::size_t>(1, records / MinRecordsPerThread);
    return static_cast<unsigned>(std::min<std::size_t>(n, useful));
}

// Shift of one axis: the user's correction replaces the logged one; nothing to replace
// when either is missing.
std::int64_t Shift(std::int32_t user, std::int32_t logged)
{
    if (user == NoCorrection || logged == NoCorrection)
        return 0;
    return static_cast<std::int64_t>(user) - static_cast<std::int64_t>(logged);
}

}  // namespace

const char* QuantityCaption(int q)
{
    return q >= 0 && q < QuantityCount ? Captions[q] : "";
}

const char* QuantityCodeName(int q)
{
    return q >= 0 && q < QuantityCount ? CodeNames[q] : "";
}

bool ParseQuantity(std::string_view text, Quantity& q)
{
    if (text.size() == 1 && text[0] >= '0' && text[0] < '0' + QuantityCount) {
        q = static_cast<Quantity>(text[0] - '0');
        return true;
    }
    for (int i = 0; i < QuantityCount; ++i) {
        if (EqualIgnoringCase(text, Captions[i]) || EqualIgnoringCase(text, CodeNames[i])) {
            q = static_cast<Quantity>(i);
            return true;
        }
    }
    return false;
}

namespace {

// The four quantities that need no astronomy: degrees from counts (shifted in 64 bits, so a
// negative sum stays negative), days from milliseconds, volts from converter counts.
Sample CountsSample(const RawRecord& raw, std::int64_t azimuthShift, std::int64_t altitudeShift, TDateTime date)
{
    Sample s;
    const std::int64_t az = static_cast<std::int64_t>(raw.azimuthCounts) + azimuthShift;
    const std::int64_t alt = static_cast<std::int64_t>(raw.altitudeCounts) + altitudeShift;
    s[Time] = date + static_cast<double>(raw.milliseconds) / MillisecondsPerDay;
    s[Azimuth] = static_cast<double>(az) * DegreesPerCount;
    s[Altitude] = static_cast<double>(alt) * DegreesPerCount;
    s[Volts] = static_cast<double>(raw.voltsCounts) * VoltsPerCount;
    return s;
}

// A signed latitude-like angle as the lists hold it: a negative value as 360 + value.
double StoredLatitude(double deg)
{
    const double v = deg < 0.0 ? deg + 360.0 : deg;
    return v >= 360.0 ? v - 360.0 : v;
}

}  // namespace

// All eight quantities of one record in the classic frame: the sky position from TSource.
Sample deriveSample(const RawRecord& raw, std::int64_t azimuthShift, std::int64_t altitudeShift, TDateTime date)
{
    Sample s = CountsSample(raw, azimuthShift, altitudeShift, date);
    TUtcLocalTime when;
    UtcLocalFromDateTime(when, s[Time]);
    TSource position(s[Azimuth], s[Altitude], &when);
    s[RightAscension] = position.GetRa().Value();
    s[Declination] = position.GetDec().Value();
    s[Beta] = position.GetBeta().Value();
    s[Lambda] = position.GetLambda().Value();
    return s;
}

// All eight quantities of one record, the sky position in the frame of precise (classic if null).
Sample deriveSample(const RawRecord& raw, std::int64_t azimuthShift, std::int64_t altitudeShift, TDateTime date,
                    TPreciseFrame* precise)
{
    if (precise == nullptr)
        return deriveSample(raw, azimuthShift, altitudeShift, date);
    Sample s = CountsSample(raw, azimuthShift, altitudeShift, date);
    TPrecisePlace place;
    // Only a time that is not a number is refused; its sky quantities are not numbers either.
    if (!precise->Place(s[Time], s[Azimuth], s[Altitude], place)) {
        const double nan = std::nan("");
        place = {nan, nan, nan, nan};
    }
    s[RightAscension] = place.raDeg;
    s[Declination] = StoredLatitude(place.decDeg);
    s[Beta] = StoredLatitude(place.betaDeg);
    s[Lambda] = place.lambdaDeg;
    return s;
}

SampleList& TSampleStore::activeSamples(bool voltsOnlyCheckedAndEnabled)
{
    return voltsOnlyCheckedAndEnabled ? voltageSamples : allSamples;
}

const SampleList& TSampleStore::activeSamples(bool voltsOnlyCheckedAndEnabled) const
{
    return voltsOnlyCheckedAndEnabled ? voltageSamples : allSamples;
}

void TSampleStore::clearForRead()
{
    allRecords.clear();
    voltageRecords.clear();
    allRecordDates.clear();
    voltageRecordDates.clear();
    voltageRecordIndex_.clear();
    allSamples.clear();
    voltageSamples.clear();
    allUndo.clear();
    voltageUndo.clear();
    for (auto& text : receiverValues)
        text.clear();
    loggedAzimuthCorrection = loggedAltitudeCorrection = NoCorrection;
    azimuthCorrection = altitudeCorrection = NoCorrection;
}

void TSampleStore::appendRecord(const RawRecord& raw, bool hasVolts)
{
    if (hasVolts) {
        voltageRecordIndex_.push_back(allRecords.size());
        voltageRecords.push_back(raw);
        voltageRecordDates.push_back(logDate);
    }
    allRecords.push_back(raw);
    allRecordDates.push_back(logDate);
}

std::int64_t TSampleStore::azimuthShift() const
{
    return Shift(azimuthCorrection, loggedAzimuthCorrection);
}

std::int64_t TSampleStore::altitudeShift() const
{
    return Shift(altitudeCorrection, loggedAltitudeCorrection);
}

TPreciseFrame* TSampleStore::preciseFrame()
{
    if (!preciseSite)
        return nullptr;
    if (!preciseCache_ || !(preciseCache_->Site() == *preciseSite))
        preciseCache_.emplace(*preciseSite);
    return &*preciseCache_;
}

// Derives allSamples[first..] from allRecords, then brings voltageSamples level by copying the
// matching all-list samples: same record, same date, same shifts give the same sample.
void TSampleStore::deriveRange(std::size_t first, std::int64_t azShift, std::int64_t altShift, unsigned threads)
{
    const std::size_t count = allRecords.size();
    const std::size_t voltsCount = voltageRecords.size();
    const std::size_t voltsFirst = std::min(voltageSamples.size(), voltsCount);
    // Records put in the lists directly, without a date of their own, take logDate.
    if (allRecordDates.size() < count)
        allRecordDates.resize(count, logDate);
    if (voltageRecordDates.size() < voltsCount)
        voltageRecordDates.resize(voltsCount, logDate);
    first = std::min(first, count);
    const bool indexed = voltageRecordIndex_.size() == voltsCount;

    auto deriveAll = [&](std::size_t begin, std::size_t end, TPreciseFrame* frame) {
        for (std::size_t i = begin; i < end; ++i)
            allSamples[i] = deriveSample(allRecords[i], azShift, altShift, allRecordDates[i], frame);
    };
    auto fillVolts = [&](std::size_t begin, std::size_t end, TPreciseFrame* frame) {
        for (std::size_t v = begin; v < end; ++v) {
            voltageSamples[v] = indexed ? allSamples[voltageRecordIndex_[v]]
                                        : deriveSample(voltageRecords[v], azShift, altShift, voltageRecordDates[v],
                                                       frame);
        }
    };

    const unsigned n = ThreadCount(threads, count - first);
    if (n <= 1) {
        allSamples.resize(count);
        deriveAll(first, count, preciseFrame());
        voltageSamples.resize(voltsCount);
        fillVolts(voltsFirst, voltsCount, preciseFrame());
        return;
    }

    // The astronomy library reads the time zone once per process; one sample here first keeps
    // that out of the workers' way.
    if (first < count && !preciseSite)
        (void)deriveSample(allRecords[first], azShift, altShift, allRecordDates[first]);

    // Growing the two lists touches fresh memory page by page; the first two threads grow one
    // list each, then every thread derives a slice of allSamples, then copies a slice of
    // voltageSamples. Each slice is written by one thread only, so the order is the file's.
    std::barrier sync(static_cast<std::ptrdiff_t>(n));
    auto slice = [n](std::size_t begin, std::size_t end, unsigned t) {
        const std::size_t total = end - begin;
        const std::size_t lo = begin + total * t / n;
        const std::size_t hi = begin + total * (t + 1) / n;
        return std::pair<std::size_t, std::size_t>(lo, hi);
    };
    auto work = [&](unsigned t) {
        if (t == 0)
            allSamples.resize(count);
        else if (t == 1)
            voltageSamples.resize(voltsCount);
        sync.arrive_and_wait();
        // Each thread keeps its own precise context; contexts are fixed by data time, so the
        // samples do not depend on how the records are sliced.
        std::optional<TPreciseFrame> precise;
        if (preciseSite)
            precise.emplace(*preciseSite);
        TPreciseFrame* frame = precise ? &*precise : nullptr;
        const auto [a0, a1] = slice(first, count, t);
        deriveAll(a0, a1, frame);
        sync.arrive_and_wait();
        const auto [v0, v1] = slice(voltsFirst, voltsCount, t);
        fillVolts(v0, v1, frame);
    };
    std::vector<std::thread> workers;
    workers.reserve(n - 1);
    for (unsigned t = 1; t < n; ++t)
        workers.emplace_back(work, t);
    work(0);
    for (auto& w : workers)
        w.join();
}

void TSampleStore::deriveRecords(unsigned threads)
{
    if (allSamples.size() > allRecords.size() || voltageSamples.size() > voltageRecords.size()) {
        allSamples.clear();
        voltageSamples.clear();
    }
    deriveRange(allSamples.size(), 0, 0, threads);
}

void TSampleStore::rebuildSamples(unsigned threads)
{
    allSamples.clear();
    voltageSamples.clear();
    allUndo.clear();
    voltageUndo.clear();
    deriveRange(0, azimuthShift(), altitudeShift(), threads);
}

// ---------------------------------------------------------------- zoom history

namespace {

SampleList Narrowed(const SampleList& list, const std::vector<bool>& keep)
{
    std::size_t count = 0;
    const std::size_t n = std::min(list.size(), keep.size());
    for (std::size_t i = 0; i < n; ++i)
        count += keep[i] ? 1 : 0;
    SampleList result;
    result.reserve(count);
    for (std::size_t i = 0; i < n; ++i)
        if (keep[i])
            result.push_back(list[i]);
    return result;
}

}  // namespace

void TUndoHistory::clear()
{
    entries_.clear();
    pending_.clear();
    pendingValid_ = false;
}

void TUndoHistory::recordZoom(SampleList& list, const std::vector<bool>& keep)
{
    SampleList narrowed = Narrowed(list, keep);
    Entry entry;
    if (entries_.empty() || !pendingValid_) {
        entry.whole = true;
        entry.samples = std::move(list);
        entry.samples.shrink_to_fit();
    } else {
        entry.whole = false;
        entry.keptFromPrevious = std::move(pending_);
    }
    entries_.push_back(std::move(entry));
    pending_ = keep;
    pendingValid_ = true;
    list = std::move(narrowed);
}

void TUndoHistory::push_back(SampleList list)
{
    Entry entry;
    entry.samples = std::move(list);
    entries_.push_back(std::move(entry));
    pending_.clear();
    pendingValid_ = false;
}

SampleList TUndoHistory::at(std::size_t i) const
{
    if (i >= entries_.size())
        return {};
    std::size_t base = i;
    while (!entries_[base].whole)
        --base;  // the first entry is always whole
    SampleList list = entries_[base].samples;
    for (std::size_t k = base + 1; k <= i; ++k)
        list = Narrowed(list, entries_[k].keptFromPrevious);
    return list;
}

SampleList TUndoHistory::takeBack()
{
    if (entries_.empty())
        return {};
    SampleList list;
    if (entries_.back().whole)
        list = std::move(entries_.back().samples);
    else
        list = at(entries_.size() - 1);
    // The entry before becomes the newest; the list now standing is its narrowing by the
    // mask this entry kept, when there is one.
    if (!entries_.back().whole) {
        pending_ = std::move(entries_.back().keptFromPrevious);
        pendingValid_ = true;
    } else {
        pending_.clear();
        pendingValid_ = false;
    }
    entries_.pop_back();
    return list;
}

SampleList TUndoHistory::takeFront()
{
    if (entries_.empty())
        return {};
    SampleList list = std::move(entries_.front().samples);
    clear();
    return list;
}

}  // namespace driftline
