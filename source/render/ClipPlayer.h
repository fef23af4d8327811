// A clip slide as the frames show it: the clip's picture at the frame's time, put on a frame-sized
// picture on the slide's colour like a photo, shown as filmed (no pan or zoom). The clip plays
// from its in point as the slide starts to come in and holds its last picture should the slide
// stay longer. A clip that cannot be decoded shows its poster (the slide's working picture).
#pragma once

#include "imaging/Bitmap.h"
#include "imaging/TransitionFrame.h"
#include "project/Slide.h"
#include "render/ClipPictures.h"
#include "render/PhotoPlayer.h"
#include "render/ShowTimeline.h"
#include "render/SlideComposer.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace render {

class ClipPlayer {
public:
    // clips: how a clip's pictures are decoded; posters: where its poster comes from. All must
    // outlive the player.
    ClipPlayer(const std::vector<project::Slide>& slides, const std::vector<SlideSpan>& spans,
               const std::vector<std::int32_t>& backs, FrameRate rate, PictureFit fit,
               ClipOpener clips, PhotoPlayer& posters);

    // Whether clip slides are played (otherwise they are photos of their posters).
    bool Plays() const { return static_cast<bool>(clips_); }
    // slide (its colour and progress filled in) as frame n of a width x height video shows clip
    // slide i.
    void At(imaging::MovingSlide& slide, std::size_t i, std::int64_t n, int width, int height);

private:
    // The clip's own time on frame n.
    std::int64_t ClipMs(std::size_t i, std::int64_t n) const;
    // The clip's picture on frame n on the frame-sized picture; null when it cannot be decoded.
    const imaging::Bitmap* Frame(std::size_t i, std::int64_t n, int width, int height);

    const std::vector<project::Slide>& slides_;
    const std::vector<SlideSpan>& spans_;
    const std::vector<std::int32_t>& backs_;
    FrameRate rate_;
    PictureFit fit_;
    ClipOpener clips_;
    PhotoPlayer& posters_;
    // Per slot (slide index mod 2, so a transition's two slides never share one): the clip being
    // played and its picture on the frame.
    struct Playing {
        std::size_t Index = static_cast<std::size_t>(-1);
        int Width = 0, Height = 0;
        std::unique_ptr<ClipPictures> Pictures;
        imaging::Bitmap Frame;
        std::int64_t ShownMs = -1; // the time of the clip's picture the frame was made from
    };
    Playing playing_[2];
};

} // namespace render
