#pragma once
// Following a log file the controller is still writing: after the first read, only the bytes
// appended since the last look are read, and each complete line goes through the same line
// parser, date rule and derivation as a read of the whole file. A line is taken only once its LF
// has arrived, so a half-written record never becomes a sample.
//
// Linux only: inotify wakes the follower when the file's folder changes; on file systems whose
// changes inotify does not see (network mounts) or where no watch can be added, the caller is
// asked to look again every 500 ms instead.
#include "logdata/Logreader.h"
#include "logdata/Progressmodel.h"
#include "logdata/Samplestore.h"

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace driftline {

// What one look at the followed file found.
struct TFollowStep {
    enum Status : int {
        Idle,         // nothing new complete (a partial line may have grown)
        Grew,         // complete lines were taken; records may have been added
        Restarted,    // the file shrank or was replaced: the store was read again from the start
        Deleted,      // the file is gone: following has ended, the data read stay
        InvalidDate,  // a date line in the new text is not a calendar date: following has ended
        ReadFailed,   // the file could not be read (or reopened): following has ended
    };
    Status status = Idle;
    std::size_t newRecords = 0;         // records added to allRecords by this step
    std::size_t newVoltageRecords = 0;  // of those, the ones that carried volts
    std::uint64_t line = 0;             // InvalidDate: 1-based line number in the file
    std::string message;                // Deleted, InvalidDate, ReadFailed: what to tell the user

    // True when following has ended with this step.
    bool ended() const { return status == Deleted || status == InvalidDate || status == ReadFailed; }
};

class TLogFollower {
public:
    struct Options {
        // Never use inotify: look every statIntervalMs (tests use it to cover the fallback).
        bool forceStatPolling = false;
        int statIntervalMs = 500;
        // A file that vanishes is taken as deleted only when it is still missing this long
        // after: a writer that removes a file and creates it again is a replacement.
        int deleteGraceMs = 200;
    };

    explicit TLogFollower(TSampleStore& store) : TLogFollower(store, Options{}) {}
    TLogFollower(TSampleStore& store, Options options);
    ~TLogFollower();
    TLogFollower(const TLogFollower&) = delete;
    TLogFollower& operator=(const TLogFollower&) = delete;

    // Starts following path: empties the store as a read does (logDate kept) and reads every
    // complete line there is. A failed open changes nothing and does not follow. An invalid date
    // stops at that line (the lines before it stay) and does not follow. progress may be null.
    TReadResult open(const std::filesystem::path& path, TProgressModel* progress = nullptr);

    // Reads what was appended since the last look, or reads again from the start when the file
    // shrank or is another file now. Returns Idle at once when not following. progress, when
    // given, is started on the bytes there are to read and advanced per line (a long catch-up).
    TFollowStep poll(TProgressModel* progress = nullptr);
    // Bytes on disk beyond what has been looked at (0 when not following or unknown); a file
    // that shrank or was replaced counts whole.
    std::uint64_t pendingBytes() const;

    // Ends following; the data stay in the store.
    void stop();
    // The store this follower fills, after it moved (a session moved into another variable).
    void rebind(TSampleStore& store) { store_ = &store; }

    bool following() const { return following_; }
    const std::filesystem::path& path() const { return path_; }
    // Bytes taken as complete lines (the held partial line is not counted).
    std::uint64_t offset() const { return taken_; }
    // Bytes of the trailing line still waiting for its LF (counted, not kept, once it is longer
    // than a line may be).
    std::uint64_t heldBytes() const { return held_.size() + skippedBytes_; }
    // True when inotify watches the file's folder; false when looking every statIntervalMs.
    bool usesNotify() const { return watch_ >= 0; }

    // A descriptor that becomes readable when the file may have changed (for a socket notifier
    // or poll(2)); -1 when there is none. After it fires, call poll(), which drains it.
    int notifyFd() const { return watch_ >= 0 ? notifyFd_ : -1; }
    // The longest a caller may wait, in milliseconds, before calling poll() without a wake-up
    // from notifyFd(); -1 when only notifyFd() matters (or when not following).
    int timeoutMs() const;
    // Blocks until notifyFd() is readable, timeoutMs() has passed, maxMs has passed (when not
    // -1), or extraFd (when not -1) is readable. Returns false when woken by extraFd.
    bool wait(int extraFd = -1, int maxMs = -1) const;

    // Counts added to the raw counts of new samples (the window sets them after a Refresh with
    // the user's corrections, so what arrives matches what is shown). 0 and 0 after open().
    void setShifts(std::int64_t azimuthShift, std::int64_t altitudeShift);

private:
    bool openFile(bool announceFailure, TReadResult& result);
    void closeFile();
    void setUpWatch();
    void drainNotify() const;
    // Reads from the descriptor to its end, taking every complete line; false on a read error.
    bool readAppended(TFollowStep& step, TProgressModel* progress);
    // Gives the records added since firstRecord their samples, in the store's current lists.
    void deriveNew(std::size_t firstRecord, std::size_t firstVoltageRecord);
    void restart(TFollowStep& step, TProgressModel* progress);
    // Starts progress on bytes when it would show; returns progress then, else null.
    static TProgressModel* startProgress(TProgressModel* progress, std::uint64_t bytes);

    TSampleStore* store_;
    Options options_;
    std::filesystem::path path_;
    int fd_ = -1;
    int notifyFd_ = -1;
    int watch_ = -1;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    bool following_ = false;
    std::uint64_t taken_ = 0;  // bytes of complete lines
    std::uint64_t lineNumber_ = 0;
    std::string held_;       // the partial last line
    bool skipping_ = false;  // the partial line is over the line cap: only counted
    std::uint64_t skippedBytes_ = 0;
    std::uint64_t seen() const { return taken_ + skippedBytes_ + held_.size(); }
    std::vector<char> block_;     // read buffer
    TDateTime startLogDate_ = 0;  // logDate before the first read: a read again starts from it
    std::int64_t azimuthShift_ = 0;
    std::int64_t altitudeShift_ = 0;
    bool missing_ = false;  // the path was gone at the last look
    std::chrono::steady_clock::time_point missingSince_{};
};

}  // namespace driftline
