// BoundedQueue: items handed from producer threads to consumer threads, at most `capacity` of them
// waiting, so a slow consumer holds the producer back instead of letting memory grow. Push waits
// while the queue is full, Pop while it is empty. Close ends the queue: pushes are refused from
// then on, and pops hand out what is left, then report the end. Every item pushed counts as
// unfinished until its consumer calls Done (or Clear drops it), so a producer can wait until
// everything it queued has been handled (WaitDone) without closing the queue.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <utility>

namespace base {

template <typename T> class BoundedQueue {
public:
    explicit BoundedQueue(std::size_t capacity) : capacity_(capacity < 1 ? 1 : capacity) {}
    BoundedQueue(const BoundedQueue&) = delete;
    BoundedQueue& operator=(const BoundedQueue&) = delete;

    // Waits until there is room for an item (a producer that makes the item only then, so no
    // more items are in flight than the queue holds); false once the queue is closed.
    bool WaitForRoom() {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [&] { return closed_ || items_.size() < capacity_; });
        return !closed_;
    }
    // Waits for room; false, dropping the item, once the queue is closed.
    bool Push(T item) {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [&] { return closed_ || items_.size() < capacity_; });
        return Add(std::move(item), lock);
    }
    // Push without waiting: false, leaving item as it was, when the queue is full or closed.
    bool TryPush(T& item) {
        std::unique_lock lock(mutex_);
        if (closed_ || items_.size() >= capacity_)
            return false;
        return Add(std::move(item), lock);
    }

    // Waits for an item; nothing once the queue is closed and empty.
    std::optional<T> Pop() {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [&] { return closed_ || !items_.empty(); });
        return Take(lock);
    }
    enum class Popped { Item, TimedOut, Ended };
    // Pop waiting at most `wait`: Item (in out), TimedOut, or Ended (closed and empty).
    template <typename Rep, typename Period>
    Popped PopFor(T& out, std::chrono::duration<Rep, Period> wait) {
        std::unique_lock lock(mutex_);
        if (!ready_.wait_for(lock, wait, [&] { return closed_ || !items_.empty(); }))
            return Popped::TimedOut;
        std::optional<T> item = Take(lock);
        if (!item)
            return Popped::Ended;
        out = std::move(*item);
        return Popped::Item;
    }

    // The consumer has handled one item it popped.
    void Done() {
        std::lock_guard lock(mutex_);
        --unfinished_;
        if (unfinished_ == 0)
            finished_.notify_all();
    }
    // Waits until every item pushed has been handled (Done) or dropped (Clear).
    void WaitDone() {
        std::unique_lock lock(mutex_);
        finished_.wait(lock, [&] { return unfinished_ == 0; });
    }

    // Refuses further pushes and wakes everyone waiting; what waits can still be popped.
    void Close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        room_.notify_all();
        ready_.notify_all();
    }
    // Drops every waiting item (they count as handled).
    void Clear() {
        std::lock_guard lock(mutex_);
        unfinished_ -= items_.size();
        items_.clear();
        room_.notify_all();
        if (unfinished_ == 0)
            finished_.notify_all();
    }

    std::size_t Size() const {
        std::lock_guard lock(mutex_);
        return items_.size();
    }
    std::size_t Capacity() const { return capacity_; }
    bool Closed() const {
        std::lock_guard lock(mutex_);
        return closed_;
    }

private:
    bool Add(T&& item, std::unique_lock<std::mutex>& lock) {
        if (closed_)
            return false;
        items_.push_back(std::move(item));
        ++unfinished_;
        lock.unlock();
        ready_.notify_one();
        return true;
    }
    std::optional<T> Take(std::unique_lock<std::mutex>& lock) {
        if (items_.empty())
            return std::nullopt;
        std::optional<T> item(std::move(items_.front()));
        items_.pop_front();
        lock.unlock();
        room_.notify_one();
        return item;
    }

    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::condition_variable room_, ready_, finished_;
    std::deque<T> items_;
    std::size_t unfinished_ = 0;
    bool closed_ = false;
};

} // namespace base
