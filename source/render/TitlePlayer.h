// A title slide as the frames show it: its backdrop drawn at the frame's size, once per slide and
// size (a colour, a gradient, or the next photo blurred), under the title's text, which the
// caption overlay draws.
#pragma once

#include "imaging/Bitmap.h"
#include "imaging/TransitionFrame.h"
#include "project/Slide.h"
#include "render/PhotoPlayer.h"

#include <cstddef>
#include <vector>

namespace render {

class TitlePlayer {
public:
    // photos: where the next slide's picture comes from for a blurred backdrop. Both must
    // outlive the player.
    TitlePlayer(const std::vector<project::Slide>& slides, PhotoPlayer& photos);

    // slide as title slide i shows it on a width x height frame.
    void At(imaging::MovingSlide& slide, std::size_t i, int width, int height);

private:
    const std::vector<project::Slide>& slides_;
    PhotoPlayer& photos_;
    // Per slot (slide index mod 2, so a transition's two slides never share one).
    struct Backdrop {
        std::size_t Index = static_cast<std::size_t>(-1);
        int Width = 0, Height = 0;
        imaging::Bitmap Picture;
    };
    Backdrop backdrops_[2];
};

} // namespace render
