// Several logs in one driftline-cli call.
#include "cli/Multilog.h"

#include "cli/Clioptions.h"
#include "cli/Orderedpool.h"
#include "analysis/Samplecsv.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <condition_variable>
#include <cstdarg>
#include <cstring>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace driftline::cli {

bool NamesSeveralLogs(const std::vector<std::string>& positional)
{
    std::error_code ec;
    return positional.size() > 1 || (positional.size() == 1 && std::filesystem::is_directory(positional[0], ec));
}

bool ExpandLogArguments(const std::vector<std::string>& positional, std::vector<std::filesystem::path>& logs)
{
    bool ok = true;
    for (const std::string& arg : positional) {
        std::error_code ec;
        if (!std::filesystem::is_directory(arg, ec)) {
            logs.emplace_back(arg);
            continue;
        }
        std::vector<std::filesystem::path> found;
        for (std::filesystem::directory_iterator it(arg, ec), end; !ec && it != end; it.increment(ec)) {
            std::error_code typeError;
            if (it->path().extension() == ".log" && it->is_regular_file(typeError))
                found.push_back(it->path());
        }
        if (ec) {
            std::fprintf(stderr, "driftline-cli: cannot list %s: %s\n", arg.c_str(), ec.message().c_str());
            ok = false;
            continue;
        }
        if (found.empty()) {
            std::fprintf(stderr, "driftline-cli: no *.log files in %s\n", arg.c_str());
            ok = false;
            continue;
        }
        std::sort(found.begin(), found.end());
        logs.insert(logs.end(), found.begin(), found.end());
    }
    return ok;
}

std::size_t RunOverLogs(const std::vector<std::filesystem::path>& logs, const LogWork& work, std::FILE* out)
{
    const std::size_t count = logs.size();
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t workers = std::min(cores, count);
    // One log at a time reads on every core; several at once share the cores out by log.
    const unsigned readThreads = workers > 1 ? 1 : 0;

    std::size_t failed = 0;
    bool writeFailed = false;
    RunInOrder(
        count, workers, [&](std::size_t i) { return work(logs[i], readThreads); },
        [&](TLogOutcome& outcome) {
            failed += outcome.failed ? 1 : 0;
            if (!outcome.text.empty() &&
                std::fwrite(outcome.text.data(), 1, outcome.text.size(), out) != outcome.text.size())
                writeFailed = true;
            outcome.text = std::string();  // released at once: later logs may be large
        });
    if (writeFailed || std::fflush(out) != 0) {
        std::fprintf(stderr, "driftline-cli: cannot write the output: %s\n", std::strerror(errno));
        ++failed;
    }
    return failed;
}

int DeriveLogs(const TCliOptions& options, const char* header,
               const std::function<bool(const std::filesystem::path& log, TLogSession& session)>& correct)
{
    std::vector<std::filesystem::path> logs;
    const bool listed = ExpandLogArguments(options.positional, logs);
    InstallCliGlobal(options, logs.empty() ? std::filesystem::path() : logs.front());
    std::string head = "file,";
    head += header;
    head += '\n';
    if (std::fwrite(head.data(), 1, head.size(), stdout) != head.size()) {
        std::fprintf(stderr, "driftline-cli derive: cannot write the output: %s\n", std::strerror(errno));
        return 1;
    }
    const std::size_t failed = RunOverLogs(
        logs,
        [&](const std::filesystem::path& log, unsigned readThreads) {
            TLogOutcome outcome;
            TLogSession session;
            const TReadResult read = LoadLogForCli(log, session, options, readThreads);
            outcome.failed = read.status != TReadResult::Ok;
            if (read.status == TReadResult::OpenFailed || !correct(log, session)) {
                outcome.failed = true;
                return outcome;
            }
            std::string field;
            AppendCsvField(field, log.string());
            field += ',';
            const SampleView& samples = session.store().activeSamples(options.voltsOnly);
            AppendSampleRows(outcome.text, samples, 0, samples.size(), field);
            return outcome;
        },
        stdout);
    return failed == 0 && listed && !logs.empty() ? 0 : 1;
}

void AppendFormat(std::string& text, const char* format, ...)
{
    char small[512];
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (n < 0) {
        va_end(again);
        return;
    }
    if (static_cast<std::size_t>(n) < sizeof small) {
        text.append(small, static_cast<std::size_t>(n));
    } else {
        const std::size_t at = text.size();
        text.resize(at + static_cast<std::size_t>(n) + 1);
        std::vsnprintf(text.data() + at, static_cast<std::size_t>(n) + 1, format, again);
        text.resize(at + static_cast<std::size_t>(n));
    }
    va_end(again);
}

void AppendCsvField(std::string& text, const std::string& field)
{
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        text += field;
        return;
    }
    text += '"';
    for (char c : field) {
        if (c == '"')
            text += '"';
        text += c;
    }
    text += '"';
}

}  // namespace driftline::cli
