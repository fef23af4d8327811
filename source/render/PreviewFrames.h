// The preview's pictures, drawn ahead by the one renderer on a worker into a small queue, so the
// interface thread only shows them. The preview asks for the frame on screen at its clock's time;
// frames it has passed are dropped, and when it jumps (a pause, a slow machine) the worker jumps
// with it instead of drawing frames nobody will see.
#pragma once

#include "imaging/Bitmap.h"
#include "project/Slide.h"
#include "render/FrameRenderer.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <future>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace render {

class PreviewFrames {
public:
    struct Frame {
        std::int64_t Index = 0;
        imaging::Bitmap Picture;
    };
    // Frames drawn ahead at most.
    static constexpr std::size_t kAhead = 4;
    // A worker this many frames behind the frame asked for starts again from that frame.
    static constexpr std::int64_t kMaxLag = 3;

    // Draws the slides (a copy: the document may change meanwhile) at width x height and the
    // rate, from frame 0. scratchPath: a picture file the classic transitions may use.
    // clips: how clip slides are decoded (empty: they show their posters).
    PreviewFrames(std::vector<project::Slide> slides, int width, int height, FrameRate rate,
                  std::string scratchPath, ClipOpener clips = {});
    ~PreviewFrames(); // stops the worker and waits for it
    PreviewFrames(const PreviewFrames&) = delete;
    PreviewFrames& operator=(const PreviewFrames&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    FrameRate Rate() const { return rate_; }
    std::int64_t FrameCount() const { return count_; }

    // The newest frame drawn at or before n, with those before it dropped; nullopt when none is
    // ready (the worker is then sent on to n when it lags behind).
    std::optional<Frame> Take(std::int64_t n);
    // Gives a shown frame's picture back for the worker to draw into again.
    void Recycle(imaging::Bitmap picture);
    // Waits until a frame at or after n is drawn, or timeoutMs passes; true when one is. For the
    // first picture of a show and for tests.
    bool WaitFor(std::int64_t n, int timeoutMs);
    // Frames the worker has drawn, and those it drew that were dropped unseen.
    std::int64_t Drawn() const;

private:
    void Run();
    void SeekLocked(std::int64_t n);
    // Drops the frames the clock has passed, and sends a worker that lags far behind to n.
    void CatchUpLocked(std::int64_t n);

    const std::vector<project::Slide> slides_;
    const int width_;
    const int height_;
    const FrameRate rate_;
    FrameRenderer renderer_;
    const std::int64_t count_;

    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::deque<Frame> ready_;           // drawn, in order
    std::vector<imaging::Bitmap> free_; // pictures to draw into
    std::int64_t next_ = 0;             // the frame the worker draws next
    std::uint64_t generation_ = 0;      // a seek drops what was being drawn
    std::int64_t drawn_ = 0;
    bool stop_ = false;
    std::future<void> worker_; // last: it starts once everything above is made
};

} // namespace render
