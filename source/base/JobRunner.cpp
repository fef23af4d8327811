#include "base/JobRunner.h"

#include "base/ThreadPool.h"

#include <exception>

#include <sys/resource.h>
#include <unistd.h>

namespace base {

namespace {

// Lowers the calling thread's priority (Linux keeps a nice value per thread; the pool lowers
// the dedicated tasks this thread spawns alike, and retires the thread afterwards). A refusal
// leaves the normal priority: the work is the same, only slower to yield.
void LowerThisThreadsPriority() {
    const auto self = static_cast<id_t>(::gettid());
    const int now = ::getpriority(PRIO_PROCESS, self);
    (void)::setpriority(PRIO_PROCESS, self, now + 5 > 19 ? 19 : now + 5);
}

} // namespace

JobRunner::~JobRunner() {
    Cancel();
    Wait();
}

bool JobRunner::Start(Progress& progress, std::function<void()> job,
                      std::function<void()> finished) {
    if (running_.exchange(true, std::memory_order_acq_rel))
        return false;
    // The previous job has ended its work (running_ was false); wait for its last steps.
    if (worker_.valid())
        worker_.wait();
    {
        std::lock_guard guard(lock_);
        progress_ = &progress;
        failure_.clear();
    }
    progress.ClearCancel();
    progress.runnerOwned_.store(true, std::memory_order_relaxed);
    worker_ = ThreadPool::Shared().Spawn(
        [this, &progress, job = std::move(job), finished = std::move(finished)] {
            workerId_.store(std::this_thread::get_id());
            if (priority_ == Priority::Background)
                LowerThisThreadsPriority();
            std::string failure;
            try {
                job();
            } catch (const std::exception& e) {
                failure = e.what();
            } catch (...) {
                failure = "the job stopped with an unknown error";
            }
            {
                std::lock_guard guard(lock_);
                failure_ = failure;
            }
            progress.runnerOwned_.store(false, std::memory_order_relaxed);
            if (finished)
                finished();
            {
                std::lock_guard guard(lock_);
                progress_ = nullptr;
            }
            workerId_.store(std::thread::id());
            running_.store(false, std::memory_order_release);
        });
    return true;
}

bool JobRunner::Run(Progress& progress, std::function<void()> job) {
    if (!Start(progress, std::move(job)))
        return false;
    Wait();
    return true;
}

void JobRunner::Cancel() {
    std::lock_guard guard(lock_);
    if (progress_)
        progress_->RequestCancel();
}

void JobRunner::Wait() {
    // The job's finished call may wait on its own runner: it must not wait for itself.
    if (worker_.valid() && workerId_.load() != std::this_thread::get_id())
        worker_.wait();
}

std::string JobRunner::Failure() const {
    std::lock_guard guard(lock_);
    return failure_;
}

} // namespace base
