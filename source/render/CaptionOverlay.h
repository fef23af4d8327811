// The text drawn over a slide of any kind: a title's text, a caption that moves over a photo, any
// caption over a clip's pictures or a collage. The overlay lays the text out at the frame's size,
// renders it as a layer once per slide and size (again only as more letters come), and animates
// it by the slide's time on screen; the frame's composition draws it over the slide's own picture,
// before a transition mixes two slides, so the text comes and goes with its slide.
#pragma once

#include "imaging/TextLayer.h"
#include "imaging/TransitionFrame.h"
#include "project/Slide.h"
#include "render/ShowTimeline.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace render {

class CaptionOverlay {
public:
    // slides and spans must outlive the overlay.
    CaptionOverlay(const std::vector<project::Slide>& slides, const std::vector<SlideSpan>& spans,
                   FrameRate rate);

    // Whether the overlay draws text over the slide (a still caption over a photo is drawn into
    // its picture instead).
    static bool Draws(const project::Slide& slide);
    // The text over slide i on frame n of a width x height video (null when it has none); scale:
    // how much a caption's points grow on the frame (a title is laid out on the frame itself).
    // Valid until the next call for a slide of the same parity.
    const imaging::PlacedText* At(std::size_t i, std::int64_t n, int width, int height,
                                  double scale);

private:
    const std::vector<project::Slide>& slides_;
    const std::vector<SlideSpan>& spans_;
    FrameRate rate_;
    // Per slot (slide index mod 2, so a transition's two slides never share one): the text's
    // layer made for one slide at one size.
    struct Lettered {
        std::size_t Index = static_cast<std::size_t>(-1);
        int Width = 0, Height = 0, Letters = -2;
        double Scale = 0.0;
        imaging::TextLayerImage Layer;
        int Count = 0; // letters in the whole text
        QPointF Place;
    };
    Lettered lettered_[2];
    imaging::PlacedText placed_[2];
};

} // namespace render
