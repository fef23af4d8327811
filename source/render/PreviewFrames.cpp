#include "render/PreviewFrames.h"

#include "base/ThreadPool.h"

#include <chrono>

namespace render {

namespace {

RenderOptions PreviewDrawing(FrameRate rate, std::string scratchPath, ClipOpener clips) {
    RenderOptions options;
    options.Rate = rate;
    options.ScratchPath = std::move(scratchPath);
    options.Clips = std::move(clips);
    return options; // composed as the preview always composed its pictures
}

} // namespace

PreviewFrames::PreviewFrames(std::vector<project::Slide> slides, int width, int height,
                             FrameRate rate, std::string scratchPath, ClipOpener clips)
    : slides_(std::move(slides)), width_(std::max(width, 1)), height_(std::max(height, 1)),
      rate_(rate),
      renderer_(slides_, PreviewDrawing(rate, std::move(scratchPath), std::move(clips))),
      count_(renderer_.FrameCount()), worker_(base::ThreadPool::Shared().Spawn([this] { Run(); })) {
}

PreviewFrames::~PreviewFrames() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        stop_ = true;
    }
    changed_.notify_all();
    worker_.wait();
    renderer_.EndTransition();
}

void PreviewFrames::Run() {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        changed_.wait(hold, [&] { return stop_ || (ready_.size() < kAhead && next_ < count_); });
        if (stop_)
            return;
        const std::int64_t n = next_++;
        const std::uint64_t generation = generation_;
        imaging::Bitmap picture;
        if (!free_.empty()) {
            picture = std::move(free_.back());
            free_.pop_back();
        }
        hold.unlock();
        if (picture.Width != width_ || picture.Height != height_)
            picture = imaging::Bitmap::CreateSized(width_, height_);
        // An unreadable photo leaves what the picture held: the frame before, as the video
        // shows it.
        renderer_.Render(picture, n);
        hold.lock();
        ++drawn_;
        if (generation == generation_)
            ready_.push_back(Frame{n, std::move(picture)});
        else
            free_.push_back(std::move(picture));
        changed_.notify_all();
    }
}

void PreviewFrames::SeekLocked(std::int64_t n) {
    for (Frame& f : ready_)
        free_.push_back(std::move(f.Picture));
    ready_.clear();
    next_ = n;
    ++generation_;
    changed_.notify_all();
}

void PreviewFrames::CatchUpLocked(std::int64_t n) {
    // Frames passed by are dropped, down to the newest one at or before n.
    bool dropped = false;
    while (ready_.size() >= 2 && ready_[1].Index <= n) {
        free_.push_back(std::move(ready_.front().Picture));
        ready_.pop_front();
        dropped = true;
    }
    const bool behind = ready_.empty() || ready_.back().Index < n;
    if (behind && next_ + kMaxLag < n)
        SeekLocked(n); // far behind: draw what is due now, not what has passed
    else if (!ready_.empty() && ready_.front().Index > n + static_cast<std::int64_t>(kAhead))
        SeekLocked(n); // the clock went back (a show started again)
    else if (dropped)
        changed_.notify_all(); // room for the worker
}

std::optional<PreviewFrames::Frame> PreviewFrames::Take(std::int64_t n) {
    std::lock_guard<std::mutex> hold(lock_);
    CatchUpLocked(n);
    if (ready_.empty() || ready_.front().Index > n)
        return std::nullopt;
    Frame f = std::move(ready_.front());
    ready_.pop_front();
    changed_.notify_all();
    return f;
}

void PreviewFrames::Recycle(imaging::Bitmap picture) {
    std::lock_guard<std::mutex> hold(lock_);
    if (free_.size() < kAhead + 2)
        free_.push_back(std::move(picture));
}

bool PreviewFrames::WaitFor(std::int64_t n, int timeoutMs) {
    std::unique_lock<std::mutex> hold(lock_);
    return changed_.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] {
        // Frames before n that come meanwhile are dropped as they come: left in the queue they
        // would fill it and hold the worker up before it reaches n.
        CatchUpLocked(n);
        return (!ready_.empty() && ready_.back().Index >= n) || n >= count_;
    });
}

std::int64_t PreviewFrames::Drawn() const {
    std::lock_guard<std::mutex> hold(lock_);
    return drawn_;
}

} // namespace render
