// A write or an erase run on the job runner's worker thread, for front ends that keep their own
// thread free: the counters and the stop request are safe to use from any thread, and the end
// is reported through a callback on the worker (the window turns it into a queued call).
// Destroying the job stops and joins it, so the recorder it uses must outlive it.
#pragma once

#include "base/Job.h"
#include "base/JobRunner.h"
#include "disc/burn/DiscEraser.h"
#include "disc/burn/DiscWriter.h"

#include <atomic>
#include <functional>
#include <mutex>

namespace disc {

class DiscJob {
public:
    // Called once on the worker thread when the job ends; an error means it failed.
    using Finished = std::function<void(const base::Status&)>;

    DiscJob() = default;
    DiscJob(const DiscJob&) = delete;
    DiscJob& operator=(const DiscJob&) = delete;
    ~DiscJob();

    // False when a job of this object still runs. The device and builder must stay alive and
    // untouched until the job has finished.
    bool StartWrite(ScsiDevice& device, IsoImageBuilder& builder, WriteOptions options,
                    DiscMessageSink messages = {}, Finished finished = {});
    bool StartErase(ScsiDevice& device, bool quick, DiscMessageSink messages = {},
                    Finished finished = {});

    void Cancel() { progress_.RequestCancel(); }
    // The stop request as a Progress, for owners that cancel every running job alike.
    base::Progress& Progress() { return progress_; }
    bool Running() const { return running_.load(); }
    // Waits for the end and gives the job's result (success when none ran).
    base::Status Wait();
    const DiscJobStatus& Status() const { return status_; }

private:
    // Positions from the worker thread, read by any other.
    class ThreadProgress final : public base::Progress {
    public:
        void SetPosition(int percent) override { position.store(percent); }
        std::atomic<int> position{0};
    };

    bool Launch(std::function<base::Status()> body, Finished finished);

    ThreadProgress progress_;
    DiscJobStatus status_;
    std::atomic<bool> running_{false};
    std::mutex resultLock_;
    base::Status result_;
    base::JobRunner runner_; // last: stopped and joined before what its worker uses goes
};

} // namespace disc
