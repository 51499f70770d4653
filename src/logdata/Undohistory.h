#pragma once
// The zoom history of one list: of samples, or of positions of samples in the store's base list.
#include "logdata/Quantity.h"
#include "logdata/Sampleview.h"
#include <algorithm>
#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

namespace driftline {

// Entry i is the list as it stood before zoom i.
// A zoom only ever narrows a list, so the first entry is held whole and every later entry as
// the keep mask that turned the entry before it into it: five zooms of a million samples cost
// one copy plus a few bits per sample, not five copies. Entries are rebuilt when taken back.
// A view (recordView) is not a narrowing: the list it makes is held as its flags over the
// unzoomed list (the first entry).
//
// Item is Sample for a list of samples, or std::uint32_t for a list of positions in the store's
// base list (TSampleStore); sampleOf gives the sample an item stands for.
template <typename Item>
class TBasicUndoHistory {
public:
    using List = std::vector<Item>;
    // Whether a sample lies inside one zoom's band, rows or box (judged as that zoom judged its
    // samples).
    using SampleTest = std::function<bool(const Sample&)>;

    bool empty() const { return entries_.empty(); }
    std::size_t size() const { return entries_.size(); }
    void clear()
    {
        entries_.clear();
        pending_.clear();
        pendingValid_ = false;
        viewMask_.clear();
        viewMaskValid_ = false;
    }

    // Records a zoom: the list as it stands becomes the newest entry, and the list keeps, in
    // order, exactly the items whose flag in keep is set (keep has one flag per item).
    // inBand, when given, judges samples that arrive later (appendArrived).
    void recordZoom(List& list, const std::vector<bool>& keep, SampleTest inBand = {})
    {
        List narrowed = Narrowed(list, keep);
        pushCurrent(list, std::move(inBand), false);
        pending_ = keep;
        pendingValid_ = true;
        viewMaskValid_ = false;
        list = std::move(narrowed);
    }
    // Records a view that is not a narrowing of the list: the list as it stands becomes the
    // newest entry and the list becomes the items of the unzoomed list (the oldest entry, or the
    // list itself without one) whose flag in keepOfUnzoomed is set; inView judges arrivals
    // against the unzoomed list alone. The list so made goes on the history, when the next zoom
    // or view comes, as its flags over the unzoomed list: a run of views costs a bit a sample
    // each, not a copy.
    void recordView(List& list, const std::vector<bool>& keepOfUnzoomed, SampleTest inView = {})
    {
        const List& unzoomed = entries_.empty() ? list : entries_.front().items;
        std::vector<bool> mask = keepOfUnzoomed;
        mask.resize(unzoomed.size(), false);
        List chosen = Narrowed(unzoomed, mask);
        pushCurrent(list, std::move(inView), true);
        pending_.clear();
        pendingValid_ = false;
        viewMask_ = std::move(mask);
        viewMaskValid_ = true;
        list = std::move(chosen);
    }

    // Items that arrived after the zooms (a followed log grew): the oldest entry takes them
    // all, every later entry and finally list (the list as it stands) those that every zoom
    // before it keeps (since the latest view, for a list made by a view). A zoom recorded without
    // a test keeps none of them.
    template <typename SampleOf>
    void appendArrived(List& list, const List& arrived, SampleOf&& sampleOf)
    {
        if (entries_.empty()) {
            list.insert(list.end(), arrived.begin(), arrived.end());
            return;
        }
        for (const Item& item : arrived) {
            const Sample& s = sampleOf(item);
            // in: the sample belongs to entry k (to the unzoomed list for k = 0).
            bool in = true;
            bool inPrevious = true;
            for (std::size_t k = 0; k < entries_.size(); ++k) {
                Entry& e = entries_[k];
                if (k > 0)
                    in = Admits(entries_[k - 1], in, s);
                if (e.kind == Whole) {
                    if (in)
                        e.items.push_back(item);
                } else if (e.kind == ChosenFromUnzoomed) {
                    e.kept.push_back(in);  // a flag for every item of the unzoomed list
                } else if (inPrevious) {
                    e.kept.push_back(in);  // a flag for every item of the entry before
                }
                inPrevious = in;
            }
            const bool inList = Admits(entries_.back(), in, s);
            if (pendingValid_ && in)
                pending_.push_back(inList);
            if (viewMaskValid_)
                viewMask_.push_back(inList);
            if (inList)
                list.push_back(item);
        }
    }
    void appendArrived(List& list, const List& arrived)
    {
        appendArrived(list, arrived, [](const Item& item) -> const Item& { return item; });
    }
    // Appends a whole list as the newest entry (no relation to the entries before it).
    void push_back(List list)
    {
        Entry entry;
        entry.items = std::move(list);
        entries_.push_back(std::move(entry));
        pending_.clear();
        pendingValid_ = false;
        viewMaskValid_ = false;
    }

    // Entry i rebuilt (0 is the oldest).
    List at(std::size_t i) const
    {
        if (i >= entries_.size())
            return {};
        std::size_t base = i;
        while (entries_[base].kind == NarrowedFromPrevious)
            --base;  // the first entry is always whole
        List list = entries_[base].kind == Whole ? entries_[base].items
                                                 : Narrowed(entries_.front().items, entries_[base].kept);
        for (std::size_t k = base + 1; k <= i; ++k)
            list = Narrowed(list, entries_[k].kept);
        return list;
    }
    List operator[](std::size_t i) const { return at(i); }
    // Removes and returns the newest entry (Undo).
    List takeBack()
    {
        if (entries_.empty())
            return {};
        Entry& back = entries_.back();
        List list;
        if (back.kind == Whole)
            list = std::move(back.items);
        else
            list = at(entries_.size() - 1);
        // The entry before becomes the newest; the list now standing is its narrowing by the
        // mask this entry kept, or the unzoomed list's items by its flags, when it kept either.
        pending_.clear();
        pendingValid_ = false;
        viewMaskValid_ = false;
        if (back.kind == NarrowedFromPrevious) {
            pending_ = std::move(back.kept);
            pendingValid_ = true;
        } else if (back.kind == ChosenFromUnzoomed) {
            viewMask_ = std::move(back.kept);
            viewMaskValid_ = true;
        }
        entries_.pop_back();
        return list;
    }
    // Returns the oldest entry and empties the history (Reset).
    List takeFront()
    {
        if (entries_.empty())
            return {};
        List list = std::move(entries_.front().items);
        clear();
        return list;
    }

private:
    enum Kind {
        Whole,
        NarrowedFromPrevious,
        ChosenFromUnzoomed
    };
    struct Entry {
        Kind kind = Whole;
        List items;                 // Whole entries
        std::vector<bool> kept;     // the mask over the entry before, or over the unzoomed list
        SampleTest zoomTest;        // the test of the zoom that made the next entry (or the list)
        bool fromUnzoomed = false;  // that next entry was chosen from the unzoomed list (a view)
    };

    // Whether the entry (or list) after e holds a sample that arrived, given whether e holds it.
    static bool Admits(const Entry& e, bool inE, const Sample& s)
    {
        if (!e.fromUnzoomed && !inE)
            return false;
        return e.zoomTest && e.zoomTest(s);
    }

    static List Narrowed(const List& list, const std::vector<bool>& keep)
    {
        std::size_t count = 0;
        const std::size_t n = std::min(list.size(), keep.size());
        for (std::size_t i = 0; i < n; ++i)
            count += keep[i] ? 1 : 0;
        List result;
        result.reserve(count);
        for (std::size_t i = 0; i < n; ++i)
            if (keep[i])
                result.push_back(list[i]);
        return result;
    }

    // The list as it stands becomes the newest entry: as a mask over the entry before when it
    // is that entry's narrowing, else whole.
    void pushCurrent(List& list, SampleTest test, bool fromUnzoomed)
    {
        Entry entry;
        if (!entries_.empty() && pendingValid_) {
            entry.kind = NarrowedFromPrevious;
            entry.kept = std::move(pending_);
        } else if (!entries_.empty() && viewMaskValid_) {
            entry.kind = ChosenFromUnzoomed;
            entry.kept = std::move(viewMask_);
        } else {
            entry.kind = Whole;
            entry.items = std::move(list);
            entry.items.shrink_to_fit();
        }
        entry.zoomTest = std::move(test);
        entry.fromUnzoomed = fromUnzoomed;
        entries_.push_back(std::move(entry));
    }

    std::vector<Entry> entries_;
    // The mask that turned the newest entry into the list as it stands now; valid only after
    // recordZoom, since the list then holds exactly that narrowing.
    std::vector<bool> pending_;
    bool pendingValid_ = false;
    // The flags over the unzoomed list that made the list as it stands now; valid only after
    // recordView (and an undo back to a list a view made).
    std::vector<bool> viewMask_;
    bool viewMaskValid_ = false;
};

// The history of a list of samples.
using TUndoHistory = TBasicUndoHistory<Sample>;
// The history of a list of positions in the store's base list.
using TIndexUndoHistory = TBasicUndoHistory<std::uint32_t>;

}  // namespace driftline
