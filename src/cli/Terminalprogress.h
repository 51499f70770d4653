#pragma once
// A read's progress on standard error while it is a terminal: one line redrawn in place (bar,
// bytes, records, rate), shown only once the read has taken a second, erased when it ends.
// Nothing is ever written when standard error is a file or a pipe.
#include "logdata/Progressmodel.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace driftline::cli {

class TTerminalProgress {
public:
    // records tells how many records the read holds so far; total is the file's size in bytes.
    // terminal: whether err is one.
    TTerminalProgress(std::FILE* err, bool terminal, std::uint64_t total, std::function<std::size_t()> records);
    ~TTerminalProgress();  // erases the line if drawn
    TTerminalProgress(const TTerminalProgress&) = delete;
    TTerminalProgress& operator=(const TTerminalProgress&) = delete;

    // The model to hand to the read, or null when nothing is to be shown.
    TProgressModel* model() { return terminal_ ? &model_ : nullptr; }

    // The line for a read at position percent with bytes of total read in seconds (no line end).
    static std::string Line(int percent, std::uint64_t bytes, std::uint64_t total, std::size_t records, double seconds);

private:
    void step(int position);
    std::FILE* err_;
    bool terminal_;
    bool drawn_ = false;
    std::uint64_t total_;
    std::function<std::size_t()> records_;
    TProgressModel model_;
    std::chrono::steady_clock::time_point start_;
};

// Whether standard error is a terminal.
bool StandardErrorIsTerminal();

}  // namespace driftline::cli
