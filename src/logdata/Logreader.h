#pragma once
// The reading loop: a log file into a TSampleStore, line by line, with progress.
#include "logdata/Logformat.h"
#include "logdata/Progressmodel.h"
#include "logdata/Samplestore.h"
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace driftline {

struct TReadResult {
    enum Status : int {
        Ok,           // every line read
        OpenFailed,   // nothing read and nothing changed; reason says why
        InvalidDate,  // stopped at line `line`; the lines before it stay in the store
        Changed,      // the file shrank, vanished or was replaced while it was read; what was read
                      // stays in the store and reason says "<file> changed while it was read"
    };
    Status status = Ok;
    std::string reason;           // OpenFailed: the system's reason ("No such file or directory"), or
                                  // "not a regular file" for a FIFO, device or socket; Changed: the message
    std::uint64_t line = 0;       // InvalidDate: 1-based number of the offending line
    std::string message() const;  // "Invalid argument to date encode" or the reason; "" when Ok
};

inline constexpr const char* InvalidDateMessage = "Invalid argument to date encode";

// Reads path into store: on a failed open returns OpenFailed and leaves the store as it was;
// otherwise empties it (keeping logDate), reads every line (LF splits, a CR before LF is dropped,
// a line over MaxLogLineBytes is skipped, a last line without LF counts only by
// TakeUnterminatedLastLine), advances progress per line when its dialog is shown, parses and
// derives; at the end checks that the file did not change meanwhile. progress may be null. threads as in TSampleStore::deriveRecords.
TReadResult readLogFile(const std::filesystem::path& path, TSampleStore& store, TProgressModel* progress,
                        unsigned threads = 0);

// What parseLogLine did with one line.
enum class LineEffect : int {
    Ignored,
    DateSet,
    ReceiverSet,
    CorrectionSet,
    RecordAdded,
    InvalidDate
};

// Applies one line to the store by the line rules. A record line appends the record; with
// deriveNow its sample is derived at once (the reader instead derives in bulk at the end).
LineEffect parseLogLine(std::string_view line, TSampleStore& store, bool deriveNow = true);

// The date rule on one line: sets store.logDate when the line holds a valid date.
LogDateResult parseLogDate(std::string_view line, TSampleStore& store);

}  // namespace driftline
