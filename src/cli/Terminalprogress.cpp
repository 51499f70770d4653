// The read progress line of driftline-cli on a terminal.
#include "cli/Terminalprogress.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace driftline::cli {

namespace {

constexpr int BarWidth = 30;
// A read shorter than this shows nothing. DRIFTLINE_PROGRESS_AFTER_MS changes it (the tests draw
// at once with 0).
double ShowAfterSeconds()
{
    static const double seconds = [] {
        const char* text = std::getenv("DRIFTLINE_PROGRESS_AFTER_MS");
        char* end = nullptr;
        const long ms = text ? std::strtol(text, &end, 10) : -1;
        return text && *text && end && *end == '\0' && ms >= 0 ? static_cast<double>(ms) / 1000.0 : 1.0;
    }();
    return seconds;
}

}  // namespace

bool StandardErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

TTerminalProgress::TTerminalProgress(std::FILE* err, bool terminal, std::uint64_t total,
                                     std::function<std::size_t()> records)
    : err_(err), terminal_(terminal), total_(total), records_(std::move(records)),
      start_(std::chrono::steady_clock::now())
{
    model_.onStep = [this](const std::string&, const std::string&, int position) { step(position); };
}

TTerminalProgress::~TTerminalProgress()
{
    if (drawn_) {
        // Back to the line's start and clear it: the next output starts on a clean line.
        std::fputs("\r\033[K", err_);
        std::fflush(err_);
    }
}

std::string TTerminalProgress::Line(int percent, std::uint64_t bytes, std::uint64_t total, std::size_t records,
                                    double seconds)
{
    const int filled = percent * BarWidth / 100;
    std::string line = "[";
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(BarWidth - filled), ' ');
    char tail[160];
    const double mb = 1048576.0;
    std::snprintf(tail, sizeof tail, "] %3d %%  %.1f of %.1f MB  %zu records  %.1f MB/s", percent,
                  static_cast<double>(bytes) / mb, static_cast<double>(total) / mb, records,
                  seconds > 0 ? static_cast<double>(bytes) / mb / seconds : 0.0);
    return line + tail;
}

void TTerminalProgress::step(int position)
{
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    if (seconds < ShowAfterSeconds())
        return;
    // Lines ending in LF alone are counted as if they had CR LF: the count stops at the size.
    const std::uint64_t bytes = std::min(model_.bytesRead, total_);
    // A read in slices counts its records apart until its end.
    const std::size_t records = std::max<std::size_t>(records_ ? records_() : 0,
                                                      static_cast<std::size_t>(model_.recordsRead));
    std::fprintf(err_, "\r%s\033[K", Line(position, bytes, total_, records, seconds).c_str());
    std::fflush(err_);
    drawn_ = true;
}

}  // namespace driftline::cli
