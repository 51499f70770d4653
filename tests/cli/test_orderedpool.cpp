// The pool behind several logs in one call: every worker really runs at once (a pool that left
// its calling thread only waiting once ran the logs one after another), and outcomes are handed
// on in item order however the items finish.
#include "cli/Orderedpool.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

using namespace driftline::cli;

namespace {

TEST(OrderedPool, TwoWorkersRunAtOnceAndOutcomesKeepItemOrder)
{
    // Item 0 waits until item 1 has finished: only a second worker running beside the first can
    // finish item 1, so with one worker item 0 gives up after the timeout and says so.
    std::mutex mutex;
    std::condition_variable changed;
    bool oneFinished = false;
    std::set<std::thread::id> threads;
    std::vector<int> emitted;
    RunInOrder(
        6, 2,
        [&](std::size_t i) {
            std::unique_lock lock(mutex);
            threads.insert(std::this_thread::get_id());
            if (i == 0)
                return changed.wait_for(lock, std::chrono::seconds(20), [&] { return oneFinished; }) ? 0 : -1;
            if (i == 1) {
                oneFinished = true;
                changed.notify_all();
            }
            return static_cast<int>(i);
        },
        [&](int outcome) { emitted.push_back(outcome); });
    EXPECT_EQ(emitted, (std::vector<int>{0, 1, 2, 3, 4, 5}));  // -1 first: item 0 never saw item 1 done
    EXPECT_EQ(threads.size(), 2u);
    EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u);  // the caller only hands on
}

TEST(OrderedPool, OneWorkerOrNoItemsRunInTheCallingThread)
{
    std::vector<std::thread::id> threads;
    std::vector<std::size_t> emitted;
    RunInOrder(
        3, 1,
        [&](std::size_t i) {
            threads.push_back(std::this_thread::get_id());
            return i * 10;
        },
        [&](std::size_t outcome) { emitted.push_back(outcome); });
    EXPECT_EQ(emitted, (std::vector<std::size_t>{0, 10, 20}));
    for (const auto& id : threads)
        EXPECT_EQ(id, std::this_thread::get_id());
    RunInOrder(
        0, 2, [](std::size_t) { return 1; }, [&](int) { emitted.push_back(99); });
    EXPECT_EQ(emitted.size(), 3u);
}

}  // namespace
