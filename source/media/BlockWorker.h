// A thread that does one piece of work on each block handed to it, in order, while the caller
// makes the next blocks: a stage of a pipeline. At most kDepth blocks wait, so a slow stage holds
// the caller back instead of letting memory grow. Blocks are shared, so several workers can take
// the same block.
#pragma once

#include "base/Result.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace media {

template <typename T> class BlockWorker {
public:
    using Work = std::function<base::Status(const T&)>;
    static constexpr std::size_t kDepth = 8;

    explicit BlockWorker(Work work) : work_(std::move(work)), thread_([this] { Run(); }) {}
    ~BlockWorker() { static_cast<void>(Close()); }
    BlockWorker(const BlockWorker&) = delete;
    BlockWorker& operator=(const BlockWorker&) = delete;

    // Queues a block, waiting while kDepth blocks wait. False once the work has failed (the
    // block is dropped then).
    bool Push(std::shared_ptr<const T> block) {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [&] { return queue_.size() < kDepth || !status_; });
        if (!status_)
            return false;
        queue_.push_back(std::move(block));
        ready_.notify_one();
        return true;
    }

    // Lets the worker finish the queued blocks and ends it: the first failure of the work, if
    // any. Later calls give the same answer.
    base::Status Close() {
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
        }
        ready_.notify_one();
        if (thread_.joinable())
            thread_.join();
        return status_;
    }

private:
    void Run() {
        for (;;) {
            std::shared_ptr<const T> block;
            {
                std::unique_lock lock(mutex_);
                ready_.wait(lock, [&] { return !queue_.empty() || closed_; });
                if (queue_.empty())
                    return;
                block = std::move(queue_.front());
                queue_.pop_front();
                if (!status_)
                    continue; // after a failure the rest is only drained
            }
            room_.notify_one();
            base::Status st;
            try {
                st = work_(*block);
            } catch (const std::exception& e) {
                st = base::Fail(e.what());
            }
            if (!st) {
                std::lock_guard lock(mutex_);
                status_ = std::move(st);
                room_.notify_all();
            }
        }
    }

    Work work_;
    std::mutex mutex_;
    std::condition_variable ready_, room_;
    std::deque<std::shared_ptr<const T>> queue_;
    bool closed_ = false;
    base::Status status_;
    std::thread thread_; // last: it starts once everything above is made
};

} // namespace media
