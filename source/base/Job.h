// The contract of long work (save, load, import, export, disc images, burning): the job takes an
// options struct and a Progress, reports through it, and stops when Cancelled() says so. Jobs run
// on a worker thread (base::JobRunner); a front end's Progress hands what it hears to its own
// thread (the window through queued calls). Nothing pumps events. A job never creates widgets.
#pragma once

#include <atomic>

namespace base {

class Progress {
public:
    Progress() = default;
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    virtual ~Progress() = default;

    // A job calls it once at its start: it clears an earlier stop request, so a Cancel that came
    // after the last job ended never stops the next one, and shows the progress.
    // Under the runner the flag was cleared when the job started, and a Cancel that came since
    // (the worker may open its progress a moment later) is kept.
    void Open() {
        if (!runnerOwned_.load(std::memory_order_relaxed))
            ClearCancel();
        Show();
    }
    virtual void SetPosition(int percent) { (void)percent; }
    // Progress counted in items: the n-th of total is under way. Front ends that show counts
    // override it; the others see the share done as a position.
    virtual void SetItem(int n, int total) {
        if (total > 0)
            SetPosition(static_cast<int>(100LL * (n > 0 ? n - 1 : 0) / total));
    }
    // Called after every block of work, on the job's thread: a hook for front ends that count
    // blocks (tests stop a job after n of them). It never lets events in.
    virtual void Pump() {}
    virtual void Close() {}

protected:
    // What the front end shows when a job opens its progress.
    virtual void Show() {}

public:
    // Safe from any thread: the Cancel button, a signal handler's queued call, a test.
    void RequestCancel() { cancel_.store(true, std::memory_order_relaxed); }
    void ClearCancel() { cancel_.store(false, std::memory_order_relaxed); }
    // True once this progress, or the one it follows (see FollowingProgress), is cancelled.
    bool Cancelled() const {
        return cancel_.load(std::memory_order_relaxed) || (follows_ && follows_->Cancelled());
    }

protected:
    const Progress* follows_ = nullptr;

private:
    friend class JobRunner;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> runnerOwned_{false};
};

// Reports nothing; can still be cancelled.
class NoProgress final : public Progress {};

// Reports nothing and is cancelled with the job's own progress: for work a job hands to a thread
// of its own, which must not pump the job's progress (its front end is the job thread's alone).
class FollowingProgress final : public Progress {
public:
    explicit FollowingProgress(const Progress& job) { follows_ = &job; }
};

} // namespace base
