#pragma once
// The zoom history of one sample list.
#include "logdata/Quantity.h"
#include <cstddef>
#include <functional>
#include <vector>

namespace driftline {

// Entry i is the list as it stood before step i.
// A step either narrows the list (a zoom keeps some of its samples) or views the unzoomed list
// afresh (a wheel zoom or a pan keeps some samples of the oldest entry, which may be samples
// the list before it no longer held). Either way the new list is a selection from the oldest
// entry, so the first entry is held whole and every later entry as a keep mask: over the entry
// before it after a zoom, over the oldest entry after a view. Five steps on a million samples
// cost one copy plus a few bits per sample, not five copies. Entries are rebuilt when taken back.
class TUndoHistory {
public:
    // Whether a sample lies inside one zoom's band, rows or box (judged as that zoom judged its
    // samples).
    using SampleTest = std::function<bool(const Sample&)>;

    bool empty() const { return entries_.empty(); }
    std::size_t size() const { return entries_.size(); }
    void clear();

    // Records a zoom: the list as it stands becomes the newest entry, and the list keeps, in
    // order, exactly the samples whose flag in keep is set (keep has one flag per sample).
    // inBand, when given, judges samples that arrive later (appendArrived).
    void recordZoom(SampleList& list, const std::vector<bool>& keep, SampleTest inBand = {});
    // Records a view: the list as it stands becomes the newest entry, and the list becomes, in
    // order, the samples of the unzoomed list (the oldest entry, or the list itself while the
    // history is empty) whose flag in keepOfOldest is set (one flag per sample of that list; a
    // missing flag drops its sample). inView, when given, judges samples that arrive later.
    void recordView(SampleList& list, const std::vector<bool>& keepOfOldest, SampleTest inView = {});
    // Samples that arrived after the zooms (a followed log grew): the oldest entry takes them
    // all, every later entry and finally list (the list as it stands) those that every zoom
    // before it keeps. A zoom recorded without a test keeps none of them.
    void appendArrived(SampleList& list, const SampleList& arrived);
    // Appends a whole list as the newest entry (no relation to the entries before it).
    void push_back(SampleList list);

    // The oldest entry (the unzoomed list) as held; only while the history is not empty.
    const SampleList& front() const { return entries_.front().samples; }
    // Entry i rebuilt (0 is the oldest).
    SampleList at(std::size_t i) const;
    SampleList operator[](std::size_t i) const { return at(i); }
    // Removes and returns the newest entry (Undo).
    SampleList takeBack();
    // Returns the oldest entry and empties the history (Reset).
    SampleList takeFront();

private:
    // How an entry is held: whole, as a mask over the entry before it, or as a mask over the
    // oldest entry.
    enum class Kind {
        Whole,
        FromPrevious,
        FromOldest
    };
    struct Entry {
        Kind kind = Kind::Whole;
        SampleList samples;      // whole entries
        std::vector<bool> mask;  // the other kinds: the mask over the entry before, or over the oldest
        SampleTest zoomTest;     // the test of the step that turned this entry into the next
        bool viewStep = false;   // that step viewed the oldest entry afresh (recordView)
    };
    std::vector<Entry> entries_;
    // The mask that turned the newest entry (pendingFromOldest_: the oldest entry) into the list
    // as it stands now; valid only after a step was recorded or taken back onto a masked entry.
    std::vector<bool> pending_;
    bool pendingValid_ = false;
    bool pendingFromOldest_ = false;

    // The list as it stands becomes the newest entry, held by the pending mask when there is one.
    void pushEntry(SampleList& list, SampleTest test, bool viewStep);
};

}  // namespace driftline
