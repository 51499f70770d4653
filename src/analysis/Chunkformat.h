#pragma once
// Number text of long lists on every core: the items cut into chunks, the chunks formatted on
// worker threads a few at a time, each chunk's text handed on in item order on the calling thread
// while the next ones are formatted. The bytes are those of one thread formatting the items in
// order.
#include <cstddef>
#include <functional>
#include <string>

namespace driftline {

// format(begin, end, text) appends the text of items [begin, end) to text (given empty; on
// several threads at once, each with its own text); write(text) takes the next piece in order,
// always on the calling thread, and returns false to stop (a failed write). chunkItems 0 picks a size;
// threads 0 = as many as the machine has. False when write stopped it.
bool FormatInOrder(std::size_t count, std::size_t chunkItems, unsigned threads,
                   const std::function<void(std::size_t begin, std::size_t end, std::string& text)>& format,
                   const std::function<bool(const std::string& text)>& write);

}  // namespace driftline
