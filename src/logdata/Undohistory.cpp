// The zoom history: one whole list plus a keep mask per later zoom.
#include "logdata/Undohistory.h"

#include <algorithm>
#include <utility>

namespace driftline {

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
    pendingFromOldest_ = false;
}

void TUndoHistory::pushEntry(SampleList& list, SampleTest test, bool viewStep)
{
    Entry entry;
    if (entries_.empty() || !pendingValid_) {
        entry.kind = Kind::Whole;
        entry.samples = std::move(list);
        entry.samples.shrink_to_fit();
    } else {
        entry.kind = pendingFromOldest_ ? Kind::FromOldest : Kind::FromPrevious;
        entry.mask = std::move(pending_);
    }
    entry.zoomTest = std::move(test);
    entry.viewStep = viewStep;
    entries_.push_back(std::move(entry));
}

void TUndoHistory::recordZoom(SampleList& list, const std::vector<bool>& keep, SampleTest inBand)
{
    SampleList narrowed = Narrowed(list, keep);
    pushEntry(list, std::move(inBand), false);
    pending_ = keep;
    pendingValid_ = true;
    pendingFromOldest_ = false;
    list = std::move(narrowed);
}

void TUndoHistory::recordView(SampleList& list, const std::vector<bool>& keepOfOldest, SampleTest inView)
{
    std::vector<bool> mask(keepOfOldest);
    if (entries_.empty()) {
        // The list itself is the unzoomed one: it becomes the oldest entry, the view a new list.
        mask.resize(list.size(), false);
        SampleList viewed = Narrowed(list, mask);
        pushEntry(list, std::move(inView), true);
        list = std::move(viewed);
    } else {
        mask.resize(entries_.front().samples.size(), false);
        const bool held = pendingValid_;  // the list as it stands is kept as a mask, not whole
        pushEntry(list, std::move(inView), true);
        const SampleList& oldest = entries_.front().samples;  // after the push, which may move entries
        if (held) {
            // The list's own storage takes the view: a wheel step then writes into memory the
            // process already has rather than a fresh list of the same size.
            list.clear();
            std::size_t count = 0;
            for (std::size_t i = 0; i < mask.size(); ++i)
                count += mask[i] ? 1 : 0;
            // Growing (a zoom out) takes room for the whole unzoomed list at once, so the steps
            // after it never allocate again.
            if (count > list.capacity())
                list.reserve(oldest.size());
            for (std::size_t i = 0; i < mask.size(); ++i)
                if (mask[i])
                    list.push_back(oldest[i]);
        } else {
            list = Narrowed(oldest, mask);
        }
    }
    pending_ = std::move(mask);
    pendingValid_ = true;
    pendingFromOldest_ = true;
}

void TUndoHistory::push_back(SampleList list)
{
    Entry entry;
    entry.samples = std::move(list);
    entries_.push_back(std::move(entry));
    pending_.clear();
    pendingValid_ = false;
    pendingFromOldest_ = false;
}

void TUndoHistory::appendArrived(SampleList& list, const SampleList& arrived)
{
    if (entries_.empty()) {
        list.insert(list.end(), arrived.begin(), arrived.end());
        return;
    }
    // member[k]: the sample belongs to entry k. Every sample belongs to the oldest entry; a zoom
    // passes on those of the entry before that its test keeps, a view those of the oldest entry.
    std::vector<bool> member(entries_.size());
    const auto passes = [&](std::size_t k, const Sample& s, bool inPrevious) {
        const Entry& step = entries_[k];
        return (step.viewStep || inPrevious) && step.zoomTest && step.zoomTest(s);
    };
    for (const Sample& s : arrived) {
        member[0] = true;
        entries_[0].samples.push_back(s);
        for (std::size_t k = 1; k < entries_.size(); ++k) {
            member[k] = passes(k - 1, s, member[k - 1]);
            Entry& e = entries_[k];
            switch (e.kind) {
            case Kind::Whole:
                if (member[k])
                    e.samples.push_back(s);
                break;
            case Kind::FromPrevious:
                if (member[k - 1])
                    e.mask.push_back(member[k]);  // a flag for every sample of the entry before
                break;
            case Kind::FromOldest:
                e.mask.push_back(member[k]);  // a flag for every sample of the oldest entry
                break;
            }
        }
        const std::size_t last = entries_.size() - 1;
        const bool inList = passes(last, s, member[last]);
        if (pendingValid_ && (pendingFromOldest_ || member[last]))
            pending_.push_back(inList);
        if (inList)
            list.push_back(s);
    }
}

SampleList TUndoHistory::at(std::size_t i) const
{
    if (i >= entries_.size())
        return {};
    std::size_t base = i;
    while (entries_[base].kind == Kind::FromPrevious)
        --base;  // the first entry is always whole
    SampleList list = entries_[base].kind == Kind::Whole ? entries_[base].samples
                                                         : Narrowed(entries_.front().samples, entries_[base].mask);
    for (std::size_t k = base + 1; k <= i; ++k)
        list = Narrowed(list, entries_[k].mask);
    return list;
}

SampleList TUndoHistory::takeBack()
{
    if (entries_.empty())
        return {};
    SampleList list;
    Entry& back = entries_.back();
    if (back.kind == Kind::Whole)
        list = std::move(back.samples);
    else
        list = at(entries_.size() - 1);
    // The entry before becomes the newest; the list now standing is its narrowing (or a view of
    // the oldest entry) by the mask this entry kept, when there is one.
    if (back.kind != Kind::Whole) {
        pending_ = std::move(back.mask);
        pendingValid_ = true;
        pendingFromOldest_ = back.kind == Kind::FromOldest;
    } else {
        pending_.clear();
        pendingValid_ = false;
        pendingFromOldest_ = false;
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
