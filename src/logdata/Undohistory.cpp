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
}

void TUndoHistory::recordZoom(SampleList& list, const std::vector<bool>& keep, SampleTest inBand)
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
    entry.zoomTest = std::move(inBand);
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

void TUndoHistory::appendArrived(SampleList& list, const SampleList& arrived)
{
    if (entries_.empty()) {
        list.insert(list.end(), arrived.begin(), arrived.end());
        return;
    }
    for (const Sample& s : arrived) {
        // inPrevious: the sample belongs to the entry before k (for k = 0, to the unzoomed list).
        bool inPrevious = true;
        for (std::size_t k = 0; k < entries_.size() && inPrevious; ++k) {
            Entry& e = entries_[k];
            const bool inThis = k == 0 || (entries_[k - 1].zoomTest && entries_[k - 1].zoomTest(s));
            if (e.whole) {
                if (inThis)
                    e.samples.push_back(s);
            } else {
                e.keptFromPrevious.push_back(inThis);  // a flag for every sample of the entry before
            }
            inPrevious = inThis;
        }
        if (!inPrevious)
            continue;
        const bool inList = entries_.back().zoomTest && entries_.back().zoomTest(s);
        if (pendingValid_)
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
