// Chunked number formatting on every core, written in order.
#include "analysis/Chunkformat.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace driftline {

namespace {

// Some 64k samples (a few MB of text) a chunk: thread start-up is small beside it, and a round
// of chunks stays a few MB of memory.
constexpr std::size_t DefaultChunkItems = 65536;

}  // namespace

bool FormatInOrder(std::size_t count, std::size_t chunkItems, unsigned threads,
                   const std::function<void(std::size_t begin, std::size_t end, std::string& text)>& format,
                   const std::function<bool(const std::string& text)>& write)
{
    if (chunkItems == 0)
        chunkItems = DefaultChunkItems;
    const unsigned cores = threads != 0 ? threads : std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::string> texts(cores);
    for (std::size_t begin = 0; begin < count;) {
        // One round: up to `cores` chunks, the first on this thread, the others beside it.
        std::size_t chunks = 0;
        std::vector<std::jthread> helpers;
        for (std::size_t at = begin; at < count && chunks < cores; at += chunkItems, ++chunks) {
            const std::size_t end = std::min(count, at + chunkItems);
            std::string& text = texts[chunks];
            text.clear();
            if (chunks == 0)
                continue;
            helpers.emplace_back([&format, &text, at, end] { format(at, end, text); });
        }
        format(begin, std::min(count, begin + chunkItems), texts[0]);
        helpers.clear();  // joins
        for (std::size_t c = 0; c < chunks; ++c)
            if (!write(texts[c]))
                return false;
        begin = std::min(count, begin + chunks * chunkItems);
    }
    return true;
}

}  // namespace driftline
