// The derivation of samples, on one core or several; results are in file order and the same
// bits for any thread count.
#include "logdata/Samplederive.h"

#include "astro/AstroConstants.h"
#include "astro/Sitesettings.h"
#include "astro/Sourceunit.h"

#include <algorithm>
#include <barrier>
#include <optional>
#include <utility>
#include <vector>

namespace driftline {

namespace {

// Below this many records a second thread costs more than it saves.
constexpr std::size_t MinRecordsPerThread = 16384;

unsigned ThreadCount(unsigned requested, std::size_t records)
{
    unsigned n = requested != 0 ? requested : std::max(1u, std::thread::hardware_concurrency());
    const std::size_t useful = std::max<std::size_t>(1, records / MinRecordsPerThread);
    return static_cast<unsigned>(std::min<std::size_t>(n, useful));
}

}  // namespace

namespace {

// Sine and cosine of every whole count of one turn, computed as a pointing of that many counts
// computes them, so a value from the table has the same bits.
struct TCountTrigTable {
    std::vector<TAngleTrig> entries;
    TCountTrigTable() : entries(CountsPerTurn)
    {
        for (std::size_t c = 0; c < entries.size(); ++c)
            entries[c] = AngleTrig(static_cast<double>(c) * DegreesPerCount);
    }
};

const TCountTrigTable& CountTrig()
{
    static const TCountTrigTable table;
    return table;
}

}  // namespace

TSampleDeriver::TSampleDeriver(const TSite& site) : site_(site), trig_(CountTrig().entries.data())
{}

TAngleTrig TSampleDeriver::trigOf(std::int64_t counts) const
{
    if (counts >= 0 && counts < CountsPerTurn)
        return trig_[counts];
    return AngleTrig(static_cast<double>(counts) * DegreesPerCount);
}

// All eight quantities of one record: degrees from counts (shifted in 64 bits, so a negative sum
// stays negative), days from milliseconds, volts from converter counts, and the sky position.
Sample TSampleDeriver::derive(const RawRecord& raw, std::int64_t azimuthShift, std::int64_t altitudeShift,
                              TDateTime date)
{
    Sample s;
    const std::int64_t az = static_cast<std::int64_t>(raw.azimuthCounts) + azimuthShift;
    const std::int64_t alt = static_cast<std::int64_t>(raw.altitudeCounts) + altitudeShift;
    s[Time] = date + static_cast<double>(raw.milliseconds) / MillisecondsPerDay;
    s[Azimuth] = static_cast<double>(az) * DegreesPerCount;
    s[Altitude] = static_cast<double>(alt) * DegreesPerCount;
    s[Volts] = static_cast<double>(raw.voltsCounts) * VoltsPerCount;

    // Only the UTC half of the instant is read; its date part only when the day changes.
    const TSystemTime& utc = calendar_.decode(s[Time]);
    if (calendar_.dayChanged())
        greenwichAt0h_ = GreenwichSiderealTimeAt0h(utc, site_);
    // A parked dish repeats its counts: the hour angle and declination stay as they were.
    if (!pointingKnown_ || az != lastAzimuth_ || alt != lastAltitude_) {
        hourAngleDec_ = HorizontalToEquatorial(trigOf(az), trigOf(alt), site_.latitudeDeg);
        lastAzimuth_ = az;
        lastAltitude_ = alt;
        pointingKnown_ = true;
    }
    const double lst = FoldLocalSiderealHours(
        LocalFromGreenwichSiderealTime(GreenwichSiderealTimeFrom0h(greenwichAt0h_, utc), site_));
    const TSkyPosition sky = SkyPositionFrom(hourAngleDec_, lst, site_);
    s[RightAscension] = sky.ra;
    s[Declination] = sky.dec;
    s[Beta] = sky.beta;
    s[Lambda] = sky.lambda;
    return s;
}

Sample deriveSample(const RawRecord& raw, std::int64_t azimuthShift, std::int64_t altitudeShift, TDateTime date,
                    const TSite& site)
{
    return TSampleDeriver(site).derive(raw, azimuthShift, altitudeShift, date);
}

// ---------------------------------------------------------------- bulk, in slices

// Derives allSamples[first..] from allRecords, then brings voltageSamples_ level by copying the
// matching all-list samples: same record, same date, same shifts give the same sample.
void TSampleStore::deriveRange(std::size_t first, std::int64_t azShift, std::int64_t altShift, const TSite& site,
                               unsigned threads)
{
    const std::size_t count = allRecords_.size();
    const std::size_t voltsCount = voltageRecords_.size();
    const std::size_t voltsFirst = std::min(voltageSamples_.size(), voltsCount);
    first = std::min(first, count);

    auto deriveAll = [&](std::size_t begin, std::size_t end, TPreciseFrame* frame) {
        if (frame != nullptr) {
            for (std::size_t i = begin; i < end; ++i)
                allSamples_[i] = derivePreciseSample(allRecords_[i], azShift, altShift, allRecordDates_[i], *frame);
            return;
        }
        TSampleDeriver deriver(site);
        for (std::size_t i = begin; i < end; ++i)
            allSamples_[i] = deriver.derive(allRecords_[i], azShift, altShift, allRecordDates_[i]);
    };
    auto fillVolts = [&](std::size_t begin, std::size_t end) {
        for (std::size_t v = begin; v < end; ++v) {
            voltageSamples_[v] = allSamples_[voltageRecordIndex_[v]];
        }
    };

    const unsigned n = ThreadCount(threads, count - first);
    if (n <= 1) {
        allSamples_.resize(count);
        deriveAll(first, count, preciseFrame());
        voltageSamples_.resize(voltsCount);
        fillVolts(voltsFirst, voltsCount);
        return;
    }

    // The table of count sines and cosines is built at the first derivation; one sample here
    // first keeps that out of the workers' way.
    if (first < count && !preciseSite)
        (void)deriveSample(allRecords_[first], azShift, altShift, allRecordDates_[first], site);

    // Growing the two lists touches fresh memory page by page; the first two threads grow one
    // list each, then every thread derives a slice of allSamples_, then copies a slice of
    // voltageSamples_. Each slice is written by one thread only, so the order is the file's.
    std::barrier sync(static_cast<std::ptrdiff_t>(n));
    auto slice = [n](std::size_t begin, std::size_t end, unsigned t) {
        const std::size_t total = end - begin;
        const std::size_t lo = begin + total * t / n;
        const std::size_t hi = begin + total * (t + 1) / n;
        return std::pair<std::size_t, std::size_t>(lo, hi);
    };
    auto work = [&](unsigned t) {
        if (t == 0)
            allSamples_.resize(count);
        else if (t == 1)
            voltageSamples_.resize(voltsCount);
        sync.arrive_and_wait();
        // Each thread keeps its own precise context; contexts are fixed by data time, so the
        // samples do not depend on how the records are sliced.
        std::optional<TPreciseFrame> precise;
        if (preciseSite)
            precise.emplace(*preciseSite);
        const auto [a0, a1] = slice(first, count, t);
        deriveAll(a0, a1, precise ? &*precise : nullptr);
        sync.arrive_and_wait();
        const auto [v0, v1] = slice(voltsFirst, voltsCount, t);
        fillVolts(v0, v1);
    };
    std::vector<std::thread> workers;
    workers.reserve(n - 1);
    for (unsigned t = 1; t < n; ++t)
        workers.emplace_back(work, t);
    work(0);
    for (auto& w : workers)
        w.join();
}

void TSampleStore::deriveRecords(const TSite& site, unsigned threads)
{
    if (allSamples_.size() > allRecords_.size() || voltageSamples_.size() > voltageRecords_.size()) {
        allSamples_.clear();
        voltageSamples_.clear();
    }
    deriveRange(allSamples_.size(), 0, 0, site, threads);
}

void TSampleStore::rebuildSamples(const TSite& site, unsigned threads)
{
    allSamples_.clear();
    voltageSamples_.clear();
    allUndo_.clear();
    voltageUndo_.clear();
    deriveRange(0, azimuthShift(), altitudeShift(), site, threads);
}

void TSampleStore::deriveRecords(unsigned threads)
{
    deriveRecords(CurrentSite(), threads);
}

void TSampleStore::rebuildSamples(unsigned threads)
{
    rebuildSamples(CurrentSite(), threads);
}

// ---------------------------------------------------------------- read-time pipeline

void TDerivePipeline::start(const TSite& site)
{
    site_ = site;
    store_.allSamples_.reserve(store_.allRecords_.capacity());
    records_ = store_.allRecords_.data();
    dates_ = store_.allRecordDates_.data();
    worker_ = std::thread([this] { run(); });
}

bool TDerivePipeline::roomForOneMore() const
{
    return store_.allRecords_.size() < store_.allRecords_.capacity() &&
           store_.allRecordDates_.size() < store_.allRecordDates_.capacity();
}

void TDerivePipeline::publish()
{
    const std::size_t n = store_.allRecords_.size();
    if (n - lastPublished_ < BatchRecords)
        return;
    lastPublished_ = n;
    published_.store(n, std::memory_order_release);
    published_.notify_one();
}

void TDerivePipeline::finish()
{
    if (!worker_.joinable())
        return;
    published_.store(StopMark, std::memory_order_release);
    published_.notify_one();
    worker_.join();
}

void TDerivePipeline::run()
{
    SampleList& samples = store_.allSamples_;
    std::size_t done = samples.size();
    std::optional<TPreciseFrame> precise;
    if (store_.preciseSite)
        precise.emplace(*store_.preciseSite);
    TPreciseFrame* frame = precise ? &*precise : nullptr;
    TSampleDeriver deriver(site_);
    for (;;) {
        const std::size_t available = published_.load(std::memory_order_acquire);
        if (available == StopMark)
            return;
        if (done >= available) {
            published_.wait(available, std::memory_order_acquire);
            continue;
        }
        const std::size_t end = std::min(available, done + BatchRecords);
        for (; done < end; ++done)
            samples.push_back(frame != nullptr ? derivePreciseSample(records_[done], 0, 0, dates_[done], *frame)
                                               : deriver.derive(records_[done], 0, 0, dates_[done]));
    }
}

}  // namespace driftline
