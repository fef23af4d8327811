// The export's end of the one driver (render::FrameSink): the frames go to the video sink, the
// first one starting it, consecutive equal pictures as one still (a transition that has finished
// early, a fill that stays), so a repeated picture is neither composed nor encoded again. It
// reports the job's progress as the frames come and stops the driver after a slide when the job
// is cancelled.
#pragma once

#include "base/Job.h"
#include "media/video/VideoSink.h"
#include "render/FrameSink.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace media {

class VideoSinkFrames final : public render::FrameSink {
public:
    using FramesReport = std::function<void(std::int64_t done, std::int64_t total)>;
    // total: the show's frames; share: the percent of the progress bar the frames fill.
    VideoSinkFrames(VideoSink& sink, base::Progress& progress, FramesReport onFrames,
                    std::int64_t total, int share);

    base::Status Add(const imaging::Bitmap& frame) override;
    base::Status Repeat(std::int64_t count) override;
    std::optional<imaging::YuvMatrix> PlanesMatrix() const override;
    base::Status AddPlanes(const PlanesDraw& draw) override;
    void Unreadable(std::size_t slide) override { unreadable_.push_back(slide); }
    void Progress() override;
    bool Stopped() override;

    // Hands the picture held for repeats to the sink.
    base::Status Flush();
    std::int64_t Frames() const { return written_ + count_; }
    const std::vector<std::size_t>& UnreadableSlides() const { return unreadable_; }
    bool Cancelled() const { return cancelled_; }

private:
    VideoSink& sink_;
    base::Progress& progress_;
    FramesReport onFrames_;
    std::int64_t total_;
    int share_;
    bool started_ = false;
    imaging::Bitmap held_;
    std::int64_t count_ = 0; // times held_ is still to be written
    std::int64_t written_ = 0;
    std::vector<std::size_t> unreadable_;
    bool cancelled_ = false;
};

} // namespace media
