// The one driver of every frame of the show, at any size, by the rules the video is written with:
// the export hands it a sink and it plays the whole show into it (Play), the console tool's
// `frame` command and the preview ask it for single frames (Render), so what is seen is what is
// written.
//
// Where each frame lies comes from the show's timeline at the renderer's frame rate. Each slide is
// drawn by the player of its kind (photo, clip, title, collage), the text over it by the caption
// overlay, and a transition mixes the two slides' frames. A photo that does not move is composed
// once and repeated; the classic transitions between two such photos are stepped as they always
// were, each frame at its own time (ClassicTransition). Either way a still photo's one composed
// picture is what its transitions start and end on, so a cut shows no jump; a picture shown
// smaller than itself is filtered to its scale (PyramidSampler.h). Whether a frame goes to the
// sink as a picture, as a repeat or drawn straight into its YUV planes is the driver's choice.
#pragma once

#include "base/Result.h"
#include "imaging/Bitmap.h"
#include "imaging/TransitionFrame.h"
#include "project/Slide.h"
#include "render/CaptionOverlay.h"
#include "render/ClassicTransition.h"
#include "render/ClipPlayer.h"
#include "render/CollagePlayer.h"
#include "render/FrameSink.h"
#include "render/PhotoPlayer.h"
#include "render/ShowTimeline.h"
#include "render/SlideComposer.h"
#include "render/TitlePlayer.h"

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
    // Every frame of the show in turn at width x height into sink, until the sink stops it after
    // a slide. The first frame goes as a picture; a photo that does not move goes as one picture
    // repeated; frames the sampler draws alone go straight into the sink's planes when it takes
    // them, except the first and last of each still and the last of each transition.
    base::Status Play(FrameSink& sink, int width, int height);
    // Ends a classic transition: its incoming picture is released.
    void EndTransition();

    // Whether slide i's outgoing transition is drawn by mixing the two slides' frames (a slide on
    // either side moves, the kind is a newer one, or its length is not whole seconds) rather than
    // stepped as a classic one.
    bool OwnTransition(std::size_t i) const;

private:
    // Slide i is drawn frame by frame (it moves, text moves over it, or its kind is drawn at each
    // frame's size); otherwise it is its composed still.
    bool Moves(std::size_t i) const;
    // Slide i as frame n of a width x height video shows it, by the player of its kind, with the
    // overlay's text; Read is false when a picture it needs cannot be read.
    struct Shown {
        imaging::MovingSlide Slide;
        bool Read = true;
    };
    Shown ShownAt(std::size_t i, std::int64_t n, int width, int height);
    bool RenderStill(imaging::Bitmap& frame, std::size_t i, std::int64_t n);
    void RenderTransition(imaging::Bitmap& frame, std::size_t i, std::int64_t n,
                          bool holdsFrameBefore);
    // Slide i's outgoing transition at frame n: its code, time and length in seconds.
    struct TransitionTime {
        int Code = 0;
        double T = 0.0;
        double D = 0.0;
    };
    TransitionTime TimeOf(std::size_t i, std::int64_t n) const;
    // Play's frames of slide i's still and of its outgoing transition.
    base::Status PlayStill(FrameSink& sink, imaging::Bitmap& frame, std::size_t i);
    base::Status PlayTransition(FrameSink& sink, imaging::Bitmap& frame, std::size_t i);

    const std::vector<project::Slide>& slides_;
    RenderOptions options_;
    ShowTimeline timeline_;
    std::vector<SlideSpan> spans_;
    std::vector<std::int32_t> backs_;
    PhotoPlayer photos_;
    ClipPlayer clips_;
    TitlePlayer titles_;
    CollagePlayer collages_;
    CaptionOverlay captions_;
    ClassicTransition classic_;
    imaging::Bitmap scratch_; // the incoming slide's frame of a mixed transition
};

} // namespace render
