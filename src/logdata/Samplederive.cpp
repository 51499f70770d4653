// The derivation of samples, on one core or several; results are in file order and the same
// bits for any thread count.
#include "logdata/Samplederive.h"

#include "astro/AstroConstants.h"
#include "astro/Sitesettings.h"
#include "astro/Sourceunit.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace driftline {

namespace {

// Samples derived before their ends are taken in: 32 KB of them.
constexpr std::size_t EndsBlockSamples = 512;

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

const TPointing& TSampleDeriver::pointingOf(std::int64_t azimuth, std::int64_t altitude)
{
    // Counts a step or two apart land in different slots (31 apart in the hash).
    const auto hash = static_cast<std::uint64_t>(azimuth) * 31u + static_cast<std::uint64_t>(altitude);
    PointingSlot& slot = pointings_[hash % PointingSlots];
    if (!slot.known || slot.azimuth != azimuth || slot.altitude != altitude) {
        slot.pointing = PointingFrom(HorizontalToEquatorial(trigOf(azimuth), trigOf(altitude), site_.latitudeDeg));
        slot.azimuth = azimuth;
        slot.altitude = altitude;
        slot.known = true;
    }
    return slot.pointing;
}

Sample TSampleDeriver::derive(const RawRecord& raw, std::int64_t azimuthShift, std::int64_t altitudeShift,
                              TDateTime date)
{
    Sample s;
    deriveMany(&raw, 1, azimuthShift, altitudeShift, date, &s);
    return s;
}

// All eight quantities of each record: the plain four, and the sky position.
void TSampleDeriver::deriveMany(const RawRecord* raw, std::size_t count, std::int64_t azimuthShift,
                                std::int64_t altitudeShift, TDateTime date, Sample* out)
{
    for (std::size_t begin = 0; begin < count; begin += RotationBatch) {
        const std::size_t n = std::min(RotationBatch, count - begin);
        TPointing pointing[RotationBatch];
        double lst[RotationBatch];
        TSystemTime utc[RotationBatch];
        double greenwichAt0h[RotationBatch];
        // In stages, as the sky positions: each stage's steps depend on each other within a
        // record but not across records, so the divisions of a stage overlap across the batch.
        for (std::size_t i = 0; i < n; ++i) {
            const TShiftedCounts counts =
                SetPlainQuantities(raw[begin + i], azimuthShift, altitudeShift, date, out[begin + i]);
            pointing[i] = pointingOf(counts.azimuth, counts.altitude);
        }
        for (std::size_t i = 0; i < n; ++i) {
            // Only the UTC half of the instant is read; its date part only when the day changes.
            utc[i] = calendar_.decode(out[begin + i][Time]);
            if (calendar_.dayChanged())
                greenwichAt0h_ = GreenwichSiderealTimeAt0h(utc[i], site_);
            greenwichAt0h[i] = greenwichAt0h_;
        }
        for (std::size_t i = 0; i < n; ++i)
            lst[i] = FoldLocalSiderealHours(
                LocalFromGreenwichSiderealTime(GreenwichSiderealTimeFrom0h(greenwichAt0h[i], utc[i]), site_));
        TSkyPosition sky[RotationBatch];
        SkyPositionsFrom(pointing, lst, n, site_, sky);
        for (std::size_t i = 0; i < n; ++i) {
            Sample& s = out[begin + i];
            s[RightAscension] = sky[i].ra;
            s[Declination] = sky[i].dec;
            s[Beta] = sky[i].beta;
            s[Lambda] = sky[i].lambda;
        }
    }
}

Sample deriveSample(const RawRecord& raw, std::int64_t azimuthShift, std::int64_t altitudeShift, TDateTime date,
                    const TSite& site)
{
    return TSampleDeriver(site).derive(raw, azimuthShift, altitudeShift, date);
}

// ---------------------------------------------------------------- bulk, in slices

// Derives baseSamples_[first..] from allRecords_; the voltage list, a view of the base list at
// the voltage records' places, grows with it: same record, same date, same shifts give the same
// sample, so nothing is derived twice.
void TSampleStore::deriveRange(std::size_t first, std::int64_t azShift, std::int64_t altShift, const TSite& site,
                               unsigned threads)
{
    const std::size_t count = allRecords_.size();
    first = std::min(first, count);

    // Any sample already there that the ends have not taken in is taken in first, so the parts
    // below join onto the ends of everything before them.
    catchUpEnds(first);

    // Derives [begin, end), walking the date runs alongside, and takes every new sample into
    // the ends of its part of the all-list and, for a voltage record, of the voltage list.
    struct Part {
        TListEnds all = TListEnds::Empty();
        TListEnds volts = TListEnds::Empty();
    };
    auto deriveAll = [&](std::size_t begin, std::size_t end, TPreciseFrame* frame, Part& part) {
        if (begin >= end)
            return;
        auto run = std::upper_bound(dateRuns_.begin(), dateRuns_.end(), begin,
                                    [](std::size_t r, const DateRun& d) { return r < d.firstRecord; });
        // Every record has a run at or before it (appendRecord opens the first run).
        --run;
        Sample* out = baseSamples_.data();
        const std::uint32_t* voltsAt = voltageRecordIndex_.data();
        const std::size_t voltsEnd = voltageRecordIndex_.size();
        std::size_t v = static_cast<std::size_t>(
            std::lower_bound(voltageRecordIndex_.begin(), voltageRecordIndex_.end(), begin) -
            voltageRecordIndex_.begin());
        TSampleDeriver deriver(site);
        // In blocks small enough to stay in the first-level cache while their ends are taken in.
        for (std::size_t block = begin; block < end;) {
            const std::size_t blockEnd = std::min(end, block + EndsBlockSamples);
            for (std::size_t i = block; i < blockEnd;) {
                for (auto next = std::next(run); next != dateRuns_.end() && next->firstRecord <= i; ++next)
                    run = next;
                const auto next = std::next(run);
                const std::size_t runEnd = next == dateRuns_.end() ? blockEnd : std::min(blockEnd, next->firstRecord);
                const TDateTime date = run->date;
                if (frame != nullptr) {
                    for (; i < runEnd; ++i)
                        out[i] = derivePreciseSample(allRecords_[i], azShift, altShift, date, *frame);
                } else {
                    deriver.deriveMany(allRecords_.data() + i, runEnd - i, azShift, altShift, date, out + i);
                    i = runEnd;
                }
            }
            part.all.addBlock([&](std::size_t k) -> const Sample& { return out[block + k]; }, blockEnd - block, block);
            std::size_t vEnd = v;
            while (vEnd < voltsEnd && voltsAt[vEnd] < blockEnd)
                ++vEnd;
            part.volts.addBlock([&](std::size_t k) -> const Sample& { return out[voltsAt[v + k]]; }, vEnd - v, v);
            v = vEnd;
            block = blockEnd;
        }
    };

    const unsigned n = ThreadCount(threads, count - first);
    baseSamples_.resize(count);
    voltageSampleCount_ = voltageRecordIndex_.size();
    std::vector<Part> parts(std::max(1u, n));
    if (n <= 1) {
        deriveAll(first, count, preciseFrame(), parts[0]);
    } else {
        // The table of count sines and cosines is built at the first derivation; one sample here
        // first keeps that out of the workers' way.
        if (first < count && !preciseSite)
            (void)deriveSample(allRecords_[first], azShift, altShift, recordDate(first), site);

        // Every thread derives a slice of the base list; each slice is written by one thread
        // only, so the order is the file's. The list grew without being written, so each thread
        // also touches its own slice's fresh pages first.
        auto work = [&](unsigned t) {
            const std::size_t total = count - first;
            const std::size_t lo = first + total * t / n;
            const std::size_t hi = first + total * (t + 1) / n;
            // Each thread keeps its own precise context; contexts are fixed by data time, so the
            // samples do not depend on how the records are sliced.
            std::optional<TPreciseFrame> precise;
            if (preciseSite)
                precise.emplace(*preciseSite);
            deriveAll(lo, hi, precise ? &*precise : nullptr, parts[t]);
        };
        std::vector<std::thread> workers;
        workers.reserve(n - 1);
        for (unsigned t = 1; t < n; ++t)
            workers.emplace_back(work, t);
        work(0);
        for (auto& w : workers)
            w.join();
    }
    // The slices' ends joined in list order onto what came before.
    if (count > first) {
        if (allEndsCount_ == 0)
            allEnds_ = TListEnds::StartingWith(baseSamples_[0]);
        if (voltageEndsCount_ == 0 && voltageSampleCount_ > 0)
            voltageEnds_ = TListEnds::StartingWith(baseSamples_[voltageRecordIndex_[0]]);
        for (const Part& part : parts) {
            allEnds_.join(part.all);
            voltageEnds_.join(part.volts);
        }
        allEndsCount_ = count;
        voltageEndsCount_ = voltageSampleCount_;
    }
}

void TSampleStore::deriveRecords(const TSite& site, unsigned threads)
{
    if (baseSamples_.size() > allRecords_.size() || voltageAdopted_) {
        forgetEnds();
        baseSamples_.clear();
        adoptedVoltage_.clear();
        voltageAdopted_ = false;
    }
    deriveRange(baseSamples_.size(), 0, 0, site, threads);
}

void TSampleStore::rebuildSamples(const TSite& site, unsigned threads)
{
    forgetEnds();
    baseSamples_.clear();
    adoptedVoltage_.clear();
    voltageAdopted_ = false;
    allUndo_.clear();
    voltageUndo_.clear();
    allZoomed_.clear();
    voltageZoomed_.clear();
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

}  // namespace driftline
