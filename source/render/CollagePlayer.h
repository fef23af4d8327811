// A collage slide as the frames show it: each photo drawn once for its cell (decoded, with its
// steps, reduced to what the cell samples) and kept with its pyramid while the slide is on screen,
// then every frame drawn at its size by the collage's own drawing (CollageDrawing.h) at the
// slide's motion progress, the same progress a moving photo takes.
#pragma once

#include "imaging/Bitmap.h"
#include "imaging/PicturePyramid.h"
#include "imaging/TransitionFrame.h"
#include "project/Slide.h"
#include "render/ShowTimeline.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace render {

class CollagePlayer {
public:
    // slides, spans and backs must outlive the player.
    CollagePlayer(const std::vector<project::Slide>& slides, const std::vector<SlideSpan>& spans,
                  const std::vector<std::int32_t>& backs);

    // slide (its colour and progress filled in) as frame n of a width x height video shows
    // collage slide i: a frame-sized picture. False when a photo of it cannot be read (its cell
    // shows the background).
    bool At(imaging::MovingSlide& slide, std::size_t i, std::int64_t n, int width, int height);

private:
    // Per slot (slide index mod 2, so a transition's two slides never share one): one collage's
    // photos drawn for its cells at one frame size, and its frame.
    struct Drawn {
        std::size_t Index = static_cast<std::size_t>(-1);
        int Width = 0, Height = 0;
        std::deque<imaging::Bitmap> Photos;         // empty: unreadable
        std::deque<imaging::PicturePyramid> Levels; // one per photo, made as the frames need them
        bool AllRead = false;
        imaging::Bitmap Frame;
        std::int64_t FrameOf = -1; // the frame Frame holds
    };
    // Slot of slide i at width x height, its photos drawn.
    Drawn& DrawnFor(std::size_t i, int width, int height);

    const std::vector<project::Slide>& slides_;
    const std::vector<SlideSpan>& spans_;
    const std::vector<std::int32_t>& backs_;
    Drawn drawn_[2];
};

} // namespace render
