#pragma once
// Work items done on a small pool of threads, their outcomes handed on in item order: item i is
// handed on as soon as it and every item before it are done. The calling thread only waits and
// hands on (it writes output), so every worker is a thread of the pool.
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace driftline::cli {

// Runs work(i) for i in [0, count) on `workers` threads (in the calling thread when workers <= 1)
// and calls emit(outcome) in the calling thread in the order of i.
template <typename Work, typename Emit>
void RunInOrder(std::size_t count, std::size_t workers, Work&& work, Emit&& emit)
{
    if (workers <= 1 || count <= 1) {
        for (std::size_t i = 0; i < count; ++i) {
            auto outcome = work(i);
            emit(outcome);
        }
        return;
    }
    using Outcome = decltype(work(std::size_t{0}));
    std::vector<std::optional<Outcome>> done(count);
    std::mutex mutex;
    std::condition_variable ready;
    std::size_t next = 0;
    auto worker = [&] {
        for (;;) {
            std::size_t i = 0;
            {
                const std::lock_guard lock(mutex);
                if (next == count)
                    return;
                i = next++;
            }
            Outcome outcome = work(i);
            const std::lock_guard lock(mutex);
            done[i] = std::move(outcome);
            ready.notify_all();
        }
    };
    std::vector<std::jthread> pool;
    for (std::size_t w = 0; w < workers; ++w)
        pool.emplace_back(worker);
    for (std::size_t i = 0; i < count; ++i) {
        std::unique_lock lock(mutex);
        ready.wait(lock, [&] { return done[i].has_value(); });
        Outcome outcome = std::move(*done[i]);
        done[i].reset();
        lock.unlock();
        emit(outcome);
    }
}

}  // namespace driftline::cli
