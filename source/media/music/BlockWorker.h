// A stage of a pipeline: one piece of work done on each block handed to it, in order, by a
// dedicated task of the thread pool while the caller makes the next blocks. At most kDepth blocks
// wait, so a slow stage holds the caller back instead of letting memory grow. Blocks are shared,
// so several workers can take the same block.
#pragma once

#include "base/BoundedQueue.h"
#include "base/Result.h"
#include "base/ThreadPool.h"

#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <utility>

namespace media {

template <typename T> class BlockWorker {
public:
    using Work = std::function<base::Status(const T&)>;
    static constexpr std::size_t kDepth = 8;

    explicit BlockWorker(Work work)
        : work_(std::move(work)), done_(base::ThreadPool::Shared().Spawn([this] { Run(); })) {}
    ~BlockWorker() { static_cast<void>(Close()); }
    BlockWorker(const BlockWorker&) = delete;
    BlockWorker& operator=(const BlockWorker&) = delete;

    // Queues a block, waiting while kDepth blocks wait. False once the work has failed (the
    // block is dropped then).
    bool Push(std::shared_ptr<const T> block) { return queue_.Push(std::move(block)); }

    // Lets the worker finish the queued blocks and ends it: the first failure of the work, if
    // any. Later calls give the same answer.
    base::Status Close() {
        queue_.Close();
        done_.wait();
        return status_; // written by the worker only, which has ended
    }

private:
    void Run() {
        while (std::optional<std::shared_ptr<const T>> block = queue_.Pop()) {
            base::Status st;
            try {
                st = work_(**block);
            } catch (const std::exception& e) {
                st = base::Fail(e.what());
            }
            if (!st) {
                status_ = std::move(st);
                // The rest is dropped, and the caller's next Push refused.
                queue_.Close();
                queue_.Clear();
            }
        }
    }

    Work work_;
    base::BoundedQueue<std::shared_ptr<const T>> queue_{kDepth};
    base::Status status_;    // the worker's until it ends
    std::future<void> done_; // last: the worker starts once everything above is made
};

} // namespace media
