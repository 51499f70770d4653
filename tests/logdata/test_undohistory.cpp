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

std::vector<double> Times(const SampleList& list)
{
    std::vector<double> t;
    for (const Sample& s : list)
        t.push_back(s[Time]);
    return t;
}

// A zoom that keeps the samples whose time lies in [lo, hi].
std::vector<bool> Band(const SampleList& list, double lo, double hi)
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

}  // namespace
}  // namespace driftline
