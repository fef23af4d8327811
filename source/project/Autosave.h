// Autosave of the open show into its recovery file: the timing rule, and the worker that writes.
// The interface thread only takes a snapshot (the document's values and hard links to its working
// files, made in a moment); the worker writes the project file from that snapshot, atomically,
// while editing goes on.
#pragma once

#include "base/Result.h"
#include "project/Recovery.h"
#include "project/ShowModel.h"

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <optional>
#include <string>

namespace project {

// When the next autosave is due. A change makes one pending; it is written once the edits pause
// (Quiet) but never sooner than MinGap after the previous autosave, and at the latest MaxWait
// after the first pending change even while edits go on.
class AutosavePolicy {
public:
    using Clock = std::chrono::steady_clock;
    struct Timing {
        std::chrono::milliseconds MinGap{60000};
        std::chrono::milliseconds MaxWait{300000};
        std::chrono::milliseconds Quiet{3000};
    };
    AutosavePolicy() = default;
    explicit AutosavePolicy(Timing timing) : timing_(timing) {}

    void Changed(Clock::time_point now);
    // The show was written (autosave) or became clean (saved, opened, new): nothing pending.
    void Written(Clock::time_point now);
    void Settled() { firstPending_.reset(); }
    bool Pending() const { return firstPending_.has_value(); }
    bool Due(Clock::time_point now) const;

private:
    Timing timing_;
    std::optional<Clock::time_point> firstPending_;
    Clock::time_point lastChange_{};
    std::optional<Clock::time_point> lastWrite_;
};

// Writes snapshots of a show into one instance's recovery files, each write a dedicated task of
// the thread pool.
class Autosaver {
public:
    // instanceDir: the instance's working folder (snapshots are linked under it; the recovery
    // files go into the user's state folder, RecoveryFolder()).
    explicit Autosaver(std::string instanceDir);
    ~Autosaver(); // waits for a write under way
    Autosaver(const Autosaver&) = delete;
    Autosaver& operator=(const Autosaver&) = delete;

    // Takes a snapshot of show (values, and hard links to its working files, copies where a link
    // cannot be made) and hands it to the worker (Started). Busy, taking nothing, while the
    // previous write is still under way; a failure, taking nothing, says why the snapshot could
    // not be made.
    enum class StartOutcome { Started, Busy };
    base::Result<StartOutcome> Start(const ShowModel& show, const std::string& showFile);
    // True while a write is under way.
    bool Writing() const;
    // Waits for a write under way.
    void Wait();
    // Waits, then removes the recovery files (the show was saved, closed or replaced).
    void Discard();
    const RecoveryFiles& Files() const { return files_; }
    // How the last write ended: its failure with the message, or success (also before any).
    base::Status LastWrite() const;
    // How many writes went through.
    int Written() const;

private:
    struct Job {
        ShowModel Snapshot;
        std::string ShowFile;
        std::string Folder;
    };
    void Write(Job& job);

    std::string instanceDir_;
    RecoveryFiles files_;
    mutable std::mutex mutex_;
    std::condition_variable idle_;
    bool writing_ = false;
    int snapshots_ = 0;
    int written_ = 0;
    std::string lastError_;
    std::future<void> write_; // the last write's task
};

} // namespace project
