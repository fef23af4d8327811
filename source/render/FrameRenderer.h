// The one drawing of the show: any frame of it, at any size, by the rules the video is written
// with. The export draws every frame through it, the console tool's `frame` command draws one,
// and the preview asks it for the frames it shows, so what is seen is what is written.
//
// Where each frame lies comes from the show's timeline at the renderer's frame rate. A still
// slide that does not move is composed once and repeated; slides that move, the newer
// transition kinds and exact transition lengths are drawn frame by frame (MovingFrames); the
// classic transitions are stepped as they always were, each frame at its own time. Either way a
// still slide's one composed picture is what its transitions start and end on, so a cut shows
// no jump; a picture shown smaller than itself is filtered to its scale (PyramidSampler.h).
#pragma once

#include "imaging/Bitmap.h"
#include "imaging/TransitionState.h"
#include "project/Slide.h"
#include "render/MovingFrames.h"
#include "render/ShowTimeline.h"
#include "render/SlideComposer.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace render {

// A slide's colour as frames show it: system colours from the fixed default table, so the
// window and the console tool draw the same pixels whatever the desktop's palette.
std::int32_t FrameColor(std::int32_t color);

struct RenderOptions {
    FrameRate Rate;
    PictureFit Fit; // how a still photo fills the frame (empty: as the preview composes it)
    std::string ScratchPath; // picture file for the incoming slide of a classic transition
    ClipOpener Clips;        // decodes clip slides (empty: they show their posters)
    // Enlarges an original the moving frames would sample closer than kSharpSampling
    // (empty: they sample it as it is).
    PictureScale Scale = {};
};

class FrameRenderer {
public:
    // slides must outlive the renderer.
    FrameRenderer(const std::vector<project::Slide>& slides, RenderOptions options);
    FrameRenderer(const FrameRenderer&) = delete;
    FrameRenderer& operator=(const FrameRenderer&) = delete;

    const ShowTimeline& Timeline() const { return timeline_; }
    const std::vector<SlideSpan>& Spans() const { return spans_; }
    FrameRate Rate() const { return options_.Rate; }
    std::int64_t FrameCount() const;
    std::int32_t BackColor(std::size_t i) const { return backs_[i]; }

    // Frame n drawn into frame at its size. False when a picture it needs cannot be read: a still
    // then leaves frame as it was, a moving slide shows its background. Frames past the end show
    // the last frame's picture.
    bool Render(imaging::Bitmap& frame, std::int64_t n);

    // Which parts are drawn frame by frame (see MovingFrames), and those frames' own drawing, for
    // a caller that draws them straight into an encoder's planes.
    bool MovingStill(std::size_t i) const { return moving_.MovingStill(i); }
    bool OwnTransition(std::size_t i) const { return moving_.OwnTransition(i); }
    MovingFrames& Moving() { return moving_; }

    // Starts composing slide i's still picture ahead, at the size of the last frame drawn.
    void Prefetch(std::size_t i);
    // Ends a classic transition: its incoming picture is released.
    void EndTransition();

    // Frame n of slide i's still, and of its outgoing transition, for a caller that walks the
    // slides itself (a still of no frames still composes its picture, for the transition).
    // holdsFrameBefore: frame is the picture this renderer drew frame n - 1 into, unchanged since
    // (a caller drawing the frames in turn into one picture), so nothing is copied.
    bool RenderStill(imaging::Bitmap& frame, std::size_t i, std::int64_t n);
    void RenderTransition(imaging::Bitmap& frame, std::size_t i, std::int64_t n,
                          bool holdsFrameBefore = false);

private:
    // A classic transition's frame n: stepped on from the frame before when that was the last
    // one drawn, else from the outgoing still at the cut, so every frame is the one the sequence
    // of steps gives.
    void StepClassic(imaging::Bitmap& frame, std::size_t i, std::int64_t n, bool holdsFrameBefore);
    imaging::SlideSource SourceOf(std::size_t i) const;

    const std::vector<project::Slide>& slides_;
    RenderOptions options_;
    ShowTimeline timeline_;
    std::vector<SlideSpan> spans_;
    std::vector<std::int32_t> backs_;
    MovingFrames moving_;
    SlideComposer composer_;
    imaging::TransitionState classic_;
    std::int64_t classicSlide_ = -1; // whose classic transition classic_ holds
    std::int64_t classicFrame_ = -1; // the last classic transition frame stepped
    std::int64_t savedFrame_ = -1;   // the frame classicOut_ holds
    imaging::Bitmap classicOut_;     // a copy to step on from into another picture
};

} // namespace render
