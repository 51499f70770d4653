// The zoom history keeps one whole list plus masks; taking entries back must give exactly the
// lists a history of plain copies would give.
#include "logdata/Samplestore.h"

#include <gtest/gtest.h>

#include <vector>

namespace driftline {
namespace {

SampleList Numbered(int n)
{
    SampleList list(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        list[static_cast<std::size_t>(i)][Time] = i;
    return list;
}

std::vector<double> Times(const SampleView& list)
{
    std::vector<double> t;
    for (const Sample& s : list)
        t.push_back(s[Time]);
    return t;
}

// A zoom that keeps the samples whose time lies in [lo, hi].
std::vector<bool> Band(const SampleView& list, double lo, double hi)
{
    std::vector<bool> keep;
    for (const Sample& s : list)
        keep.push_back(s[Time] >= lo && s[Time] <= hi);
    return keep;
}

TEST(UndoHistory, ZoomsUndoneOneByOneGiveTheListsBeforeEachZoom)
{
    SampleList list = Numbered(100);
    TUndoHistory history;
    std::vector<std::vector<double>> copies;  // what a history of plain copies would hold
    const double bands[][2] = {{10, 80}, {20, 70}, {30, 60}, {35, 36}};
    for (const auto& b : bands) {
        copies.push_back(Times(list));
        history.recordZoom(list, Band(list, b[0], b[1]));
    }
    ASSERT_EQ(history.size(), 4u);
    EXPECT_EQ(Times(list), (std::vector<double>{35, 36}));
    for (std::size_t i = 0; i < copies.size(); ++i)
        EXPECT_EQ(Times(history.at(i)), copies[i]) << "entry " << i;
    for (int k = 3; k >= 0; --k) {
        list = history.takeBack();
        EXPECT_EQ(Times(list), copies[static_cast<std::size_t>(k)]) << "undo to entry " << k;
        EXPECT_EQ(history.size(), static_cast<std::size_t>(k));
    }
    EXPECT_TRUE(history.empty());
}

TEST(UndoHistory, ZoomAfterUndoContinuesFromTheListOnScreen)
{
    SampleList list = Numbered(50);
    TUndoHistory history;
    history.recordZoom(list, Band(list, 10, 40));
    history.recordZoom(list, Band(list, 20, 30));
    list = history.takeBack();  // back to 10..40
    ASSERT_EQ(Times(list).front(), 10);
    history.recordZoom(list, Band(list, 12, 14));
    EXPECT_EQ(Times(list), (std::vector<double>{12, 13, 14}));
    EXPECT_EQ(Times(history.at(1)).size(), 31u);  // 10..40
    list = history.takeBack();
    EXPECT_EQ(Times(list).size(), 31u);
    list = history.takeBack();
    EXPECT_EQ(Times(list).size(), 50u);
}

TEST(UndoHistory, ResetGivesTheFirstListAndEmptiesTheHistory)
{
    SampleList list = Numbered(20);
    TUndoHistory history;
    history.recordZoom(list, Band(list, 5, 15));
    history.recordZoom(list, Band(list, 100, 200));  // a band with no samples
    EXPECT_TRUE(list.empty());
    history.recordZoom(list, {});
    EXPECT_EQ(history.size(), 3u);
    list = history.takeFront();
    EXPECT_EQ(Times(list).size(), 20u);
    EXPECT_TRUE(history.empty());
}

TEST(UndoHistory, WholeEntriesPushedByHandAreKeptAsGiven)
{
    TUndoHistory history;
    history.push_back(Numbered(3));
    history.push_back(Numbered(5));
    EXPECT_EQ(history[1].size(), 5u);
    EXPECT_EQ(history.takeBack().size(), 5u);
    EXPECT_EQ(history.takeBack().size(), 3u);
    EXPECT_TRUE(history.takeBack().empty());  // an empty history gives an empty list
}

// A view keeps samples of the unzoomed list, not of the list before it: a plain-copy history is
// the reference again, with the views written out as the time windows they select. Through the
// store, with the same steps on both lists.
TEST(SampleStoreView, ViewsSelectFromTheUnzoomedListAndUndoLikeZooms)
{
    TSampleStore store;
    const SampleList oldest = Numbered(100);
    store.adoptSamples(oldest, oldest);
    const auto zoom = [&](double lo, double hi) {
        store.narrowSamples(Band(store.allSamples(), lo, hi), Band(store.voltageSamples(), lo, hi));
    };
    const auto view = [&](const std::vector<bool>& keep) { store.viewSamples(keep, keep); };
    std::vector<std::vector<double>> copies;
    // A first view selects from the list itself.
    view(Band(oldest, 2, 4));
    EXPECT_EQ(Times(store.allSamples()), (std::vector<double>{2, 3, 4}));
    ASSERT_TRUE(store.undoZoom());
    copies.push_back(Times(store.allSamples()));
    zoom(10, 80);
    copies.push_back(Times(store.allSamples()));
    view(Band(oldest, 0, 30));  // brings back 0..9, which the zoom dropped
    EXPECT_EQ(Times(store.allSamples()).front(), 0);
    EXPECT_EQ(Times(store.allSamples()).size(), 31u);
    copies.push_back(Times(store.allSamples()));
    zoom(20, 25);
    copies.push_back(Times(store.allSamples()));
    view(Band(oldest, 50, 200));
    EXPECT_EQ(Times(store.allSamples()).size(), 50u);  // 50..99
    copies.push_back(Times(store.allSamples()));
    view(std::vector<bool>(3, true));  // missing flags drop their samples
    EXPECT_EQ(Times(store.allSamples()), (std::vector<double>{0, 1, 2}));
    for (int k = 4; k >= 1; --k) {
        ASSERT_TRUE(store.undoZoom());
        EXPECT_EQ(Times(store.allSamples()), copies[static_cast<std::size_t>(k)]) << "undo to entry " << k;
        EXPECT_EQ(Times(store.voltageSamples()), copies[static_cast<std::size_t>(k)]) << "undo to entry " << k;
    }
    // Back on the first zoom (10..80); a zoom now narrows it, a view still sees the unzoomed list.
    zoom(15, 17);
    EXPECT_EQ(Times(store.allSamples()), (std::vector<double>{15, 16, 17}));
    view(Band(oldest, 2, 3));
    EXPECT_EQ(Times(store.allSamples()), (std::vector<double>{2, 3}));
    ASSERT_TRUE(store.undoZoom());
    EXPECT_EQ(Times(store.allSamples()), (std::vector<double>{15, 16, 17}));
    ASSERT_TRUE(store.resetZoom());
    EXPECT_EQ(Times(store.allSamples()), copies[0]);
    EXPECT_FALSE(store.canUndo());
}

// Samples arriving after a view go where the view's test puts them, whatever the zooms before it
// dropped; a zoom after the view keeps only what the view holds.
TEST(UndoHistory, ArrivalsAfterAViewFollowItsTest)
{
    const auto later = [](double from) {
        return TUndoHistory::SampleTest([from](const Sample& s) { return s[Time] >= from; });
    };
    SampleList list = Numbered(50);
    TUndoHistory history;
    history.recordZoom(list, Band(list, 45, 49), later(45));  // 45..49
    const SampleList oldest = history.at(0);
    history.recordView(list, Band(oldest, 40, 1e9), later(40));  // 40..49
    history.recordZoom(list, Band(list, 48, 1e9), later(48));    // 48, 49
    SampleList arrived;
    for (int t = 50; t < 53; ++t) {
        Sample s;
        s[Time] = t;
        arrived.push_back(s);
    }
    history.appendArrived(list, arrived);
    EXPECT_EQ(Times(list), (std::vector<double>{48, 49, 50, 51, 52}));
    EXPECT_EQ(Times(history.at(2)), (std::vector<double>{40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52}));
    EXPECT_EQ(Times(history.at(1)), (std::vector<double>{45, 46, 47, 48, 49, 50, 51, 52}));
    EXPECT_EQ(Times(history.at(0)).size(), 53u);
    // Undo replays the masks the arrivals extended.
    EXPECT_EQ(Times(history.takeBack()).size(), 13u);
    EXPECT_EQ(Times(history.takeBack()).size(), 8u);
    EXPECT_EQ(Times(history.takeBack()).size(), 53u);
}

// The store's view step on both lists at once: each list selects from its own unzoomed list,
// and undo and reset bring back both as they were.
TEST(SampleStoreView, ViewSamplesUndoAndReset)
{
    TSampleStore store;
    SampleList volts;
    for (const Sample& s : Numbered(20))
        if (static_cast<int>(s[Time]) % 2 == 0)
            volts.push_back(s);  // the even times carried volts
    store.adoptSamples(Numbered(20), volts);
    store.narrowSamples(Band(store.allSamples(), 10, 19), Band(store.voltageSamples(), 10, 19));
    const SampleList allBase = store.unzoomedAllSamples().toList();
    const SampleList voltBase = store.unzoomedVoltageSamples().toList();
    store.viewSamples(Band(allBase, 3, 6), Band(voltBase, 3, 6));
    EXPECT_EQ(Times(store.allSamples()), (std::vector<double>{3, 4, 5, 6}));
    EXPECT_EQ(Times(store.voltageSamples()), (std::vector<double>{4, 6}));
    ASSERT_TRUE(store.undoZoom());
    EXPECT_EQ(Times(store.allSamples()).front(), 10);
    EXPECT_EQ(Times(store.voltageSamples()), (std::vector<double>{10, 12, 14, 16, 18}));
    store.viewSamples(Band(allBase, 0, 1), Band(voltBase, 0, 1));
    ASSERT_TRUE(store.resetZoom());
    EXPECT_EQ(Times(store.allSamples()).size(), 20u);
    EXPECT_EQ(Times(store.voltageSamples()).size(), 10u);
    EXPECT_FALSE(store.canUndo());
}

}  // namespace
}  // namespace driftline
