#pragma once
// Several logs in one driftline-cli call: the arguments expanded (a folder gives its *.log files
// in name order), each log worked on a small pool of threads, each log's output written in
// argument order as soon as it and every log before it are done.
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace driftline {
class TLogSession;
}

namespace driftline::cli {

// True when the arguments name more than one log: several arguments, or one folder.
bool NamesSeveralLogs(const std::vector<std::string>& positional);

// Each argument as given, a folder replaced by its regular *.log files sorted by name. A folder
// that cannot be listed is reported on stderr and gives nothing (and false).
bool ExpandLogArguments(const std::vector<std::string>& positional, std::vector<std::filesystem::path>& logs);

// What one log gave: its text for standard output and whether it failed (its error already on
// stderr).
struct TLogOutcome {
    bool failed = false;
    std::string text;
};

// readThreads is what the log's read may use: 1 while several logs run at once, 0 (all) else.
using LogWork = std::function<TLogOutcome(const std::filesystem::path& log, unsigned readThreads)>;

// Runs work over logs on at most as many threads as the machine has cores and writes each
// outcome's text to out in the order of logs. Returns how many logs failed; a write error counts
// as one more failure (reported).
std::size_t RunOverLogs(const std::vector<std::filesystem::path>& logs, const LogWork& work, std::FILE* out);

struct TCliOptions;

// derive over several logs: one CSV on standard output, header "file," + header, each row the
// log's path then its sample values. correct applies the corrections asked for to a log just
// read (false, reported, when it cannot). Returns the exit status.
int DeriveLogs(const TCliOptions& options, const char* header,
               const std::function<bool(const std::filesystem::path& log, TLogSession& session)>& correct);

// printf onto the end of text.
void AppendFormat(std::string& text, const char* format, ...) __attribute__((format(printf, 2, 3)));

// One CSV field: as is, or in double quotes (quotes doubled) when it holds a comma, quote or line end.
void AppendCsvField(std::string& text, const std::string& field);

}  // namespace driftline::cli
