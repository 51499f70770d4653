#pragma once
// The zoom history of one sample list.
#include "logdata/Quantity.h"
#include <cstddef>
#include <functional>
#include <vector>

namespace driftline {

// Entry i is the list as it stood before zoom i.
// A zoom only ever narrows a list, so the first entry is held whole and every later entry as
// the keep mask that turned the entry before it into it: five zooms of a million samples cost
// one copy plus a few bits per sample, not five copies. Entries are rebuilt when taken back.
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
    // Samples that arrived after the zooms (a followed log grew): the oldest entry takes them
    // all, every later entry and finally list (the list as it stands) those that every zoom
    // before it keeps. A zoom recorded without a test keeps none of them.
    void appendArrived(SampleList& list, const SampleList& arrived);
    // Appends a whole list as the newest entry (no relation to the entries before it).
    void push_back(SampleList list);

    // Entry i rebuilt (0 is the oldest).
    SampleList at(std::size_t i) const;
    SampleList operator[](std::size_t i) const { return at(i); }
    // Removes and returns the newest entry (Undo).
    SampleList takeBack();
    // Returns the oldest entry and empties the history (Reset).
    SampleList takeFront();

private:
    struct Entry {
        bool whole = true;
        SampleList samples;                  // whole entries
        std::vector<bool> keptFromPrevious;  // narrowed entries: the mask over the entry before
        SampleTest zoomTest;                 // the test of the zoom that narrowed this entry into the next
    };
    std::vector<Entry> entries_;
    // The mask that turned the newest entry into the list as it stands now; valid only after
    // recordZoom, since the list then holds exactly that narrowing.
    std::vector<bool> pending_;
    bool pendingValid_ = false;
};

}  // namespace driftline
