// Chunked number formatting on every core, written in order while the next chunks are formatted.
#include "analysis/Chunkformat.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace driftline {

namespace {

// Some 16k items (a megabyte or two of text) a chunk: large beside the hand-over between threads,
// small enough that the first write starts early and the slots in flight stay a few MB.
constexpr std::size_t DefaultChunkItems = 16384;

}  // namespace

bool FormatInOrder(std::size_t count, std::size_t chunkItems, unsigned threads,
                   const std::function<void(std::size_t begin, std::size_t end, std::string& text)>& format,
                   const std::function<bool(const std::string& text)>& write)
{
    if (chunkItems == 0)
        chunkItems = DefaultChunkItems;
    const unsigned cores = threads != 0 ? threads : std::max(1u, std::thread::hardware_concurrency());
    const std::size_t chunks = (count + chunkItems - 1) / chunkItems;
    if (cores == 1 || chunks <= 1) {
        std::string text;
        for (std::size_t c = 0; c < chunks; ++c) {
            text.clear();
            format(c * chunkItems, std::min(count, (c + 1) * chunkItems), text);
            if (!write(text))
                return false;
        }
        return true;
    }

    // A ring of slots: chunk c is formatted into slot c % slots by whichever worker takes it, once
    // chunk c - slots has been written out of that slot; this thread writes the chunks in order
    // while the workers go on with the next ones. The slots keep their buffers from chunk to
    // chunk, so the text memory is taken once.
    const unsigned workers = static_cast<unsigned>(std::min<std::size_t>(cores, chunks));
    const std::size_t slots = 2 * static_cast<std::size_t>(workers);
    std::vector<std::string> texts(slots);
    std::vector<char> ready(slots, 0);
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t nextChunk = 0;  // the next chunk a worker takes
    std::size_t written = 0;    // chunks written so far
    bool stopped = false;       // a write failed: take no more chunks

    const auto work = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            if (stopped || nextChunk >= chunks)
                return;
            const std::size_t c = nextChunk++;
            const std::size_t slot = c % slots;
            changed.wait(lock, [&] { return stopped || written + slots > c; });
            if (stopped)
                return;
            lock.unlock();
            std::string& text = texts[slot];
            text.clear();
            format(c * chunkItems, std::min(count, (c + 1) * chunkItems), text);
            lock.lock();
            ready[slot] = 1;
            changed.notify_all();
        }
    };
    bool ok = true;
    {
        std::vector<std::jthread> pool;
        pool.reserve(workers);
        for (unsigned w = 0; w < workers; ++w)
            pool.emplace_back(work);
        for (std::size_t c = 0; c < chunks; ++c) {
            const std::size_t slot = c % slots;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return ready[slot] != 0; });
            }
            try {
                ok = write(texts[slot]);
            } catch (...) {
                // The workers must not wait for a write that never comes: stop them, then let
                // the pool join them on the way out.
                std::lock_guard lock(mutex);
                stopped = true;
                changed.notify_all();
                throw;
            }
            std::lock_guard lock(mutex);
            ready[slot] = 0;
            ++written;
            if (!ok)
                stopped = true;
            changed.notify_all();
            if (!ok)
                break;
        }
    }  // joins
    return ok;
}

}  // namespace driftline
