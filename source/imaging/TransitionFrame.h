// One frame of a transition between two moving slides: each slide's picture is drawn at its own
// motion progress (both keep moving during the transition), then the two frames are mixed by the
// transition code, one of the classic 0..13 (Transition.h) or 14..26 (SmoothTransition.h).
#pragma once

#include "imaging/Bitmap.h"
#include "imaging/FaceBox.h"
#include "imaging/Motion.h"
#include "imaging/PicturePyramid.h"
#include "imaging/TextLayer.h"
#include "imaging/Yuv420.h"

#include <cstdint>
#include <vector>

namespace imaging {

// What a frame needs of one slide.
// A text layer as one frame shows it: where its block goes and the motion's state there.
struct PlacedText {
    const TextLayerImage* Layer = nullptr;
    QPointF Place;
    TextMotionState State;
};

struct MovingSlide {
    const Bitmap* Picture = nullptr; // the working picture; null or empty: the background alone
    std::int32_t BackColor = 0;      // 0x00BBGGRR or a system colour
    imaging::Motion Motion;          // Auto is resolved with SlideIndex
    int SlideIndex = 0;
    double U = 0.0;                              // the slide's motion progress on this frame, 0..1
    const std::vector<FaceBox>* Faces = nullptr; // what Auto frames on; null: no faces
    const PlacedText* Text =
        nullptr; // drawn over the slide (a title, a moving caption); null: none
    // The picture's pyramid, through which it is filtered where a frame shows it smaller than
    // itself (PyramidSampler.h); null: the picture is sampled as it is.
    PicturePyramid* Levels = nullptr;
};

// One slide alone (no transition): ComposeMovingPhoto, or the background when it has no picture.
void ComposeSlideFrame(Bitmap& out, const MovingSlide& slide);

// out (which keeps its size) receives the frame at time t of a transition lasting d (seconds;
// only t / d counts). scratch holds the incoming slide's frame and is best kept between frames.
// At t >= d the frame is the incoming slide alone. The classic kinds run as their steps at
// elapsed time 1000 * t / d of a one-second transition, so their rectangles are those of
// Transition.h; kind 0 shows the outgoing slide until the end, kind 1 its background colour.
// An unknown code behaves as kind 0.
void ComposeTransitionFrame(Bitmap& out, const MovingSlide& outgoing, const MovingSlide& incoming,
                            int code, double t, double d, Bitmap& scratch);

// The same frames made straight as YUV 4:2:0 for a video encoder, with the very samples that
// converting the 24-bit frame (BgrToYuv420) gives, but without that frame: each pair of rows is
// drawn as planar rows, mixed and converted while it is in the cache. Only the frames drawn by the
// moving pictures' rule alone can be made so: a slide that moves and has its picture, and a
// byte-wise transition (IsByteWiseTransition) between two such slides, or its end.
bool CanComposeSlideYuv(const MovingSlide& slide);
bool CanComposeTransitionYuv(const MovingSlide& outgoing, const MovingSlide& incoming, int code,
                             double t, double d);
// A width x height frame into out; false (nothing drawn) when the frame cannot be made so.
bool ComposeSlideFrameYuv(const Yuv420Planes& out, std::int32_t width, std::int32_t height,
                          const MovingSlide& slide, YuvMatrix matrix);
bool ComposeTransitionFrameYuv(const Yuv420Planes& out, std::int32_t width, std::int32_t height,
                               const MovingSlide& outgoing, const MovingSlide& incoming, int code,
                               double t, double d, YuvMatrix matrix);

} // namespace imaging
