// The frames of slides that move (pan and zoom) or carry moving text (a title slide, a caption
// that comes and goes), of the newer transition kinds and of exact transition lengths. Slides
// without any of these are left to the export's still and classic transition path, so older shows
// are written frame for frame as before.
#pragma once

#include "imaging/Bitmap.h"
#include "imaging/PicturePyramid.h"
#include "imaging/TransitionFrame.h"
#include "imaging/Yuv420.h"
#include "project/Slide.h"
#include "render/ClipPictures.h"
#include "render/ShowTimeline.h"
#include "render/SlideComposer.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace render {

// The frames sample a picture bilinearly where they show it at its size or larger, and through its
// pyramid where they show it smaller (PyramidSampler.h), so its detail is neither folded back
// nor lost while each frame pixel takes at most kSharpSampling of a picture pixel, and at least 0.9
// of it up to kEnlargeAbove. An original the frames would sample closer than kEnlargeAbove is
// first enlarged by a sharp filter to kSharpSampling (when the renderer has one); one sampled
// between the two is drawn as it is, as enlarging it would cost more time than the detail it
// gives back. A slide that does not move is the driver's still in every frame drawn here.
constexpr double kSharpSampling = 0.5;
constexpr double kEnlargeAbove = 0.9;

// Slide i's still as the driver shows it on a width x height frame (null: unreadable).
using StillFrame =
    std::function<std::shared_ptr<const imaging::Bitmap>(std::size_t i, int width, int height)>;

class MovingFrames {
public:
    // fit: how a still photo under a moving caption fills the frame, as the other stills do
    // (empty: ComposePhoto's fit). clips: how a clip slide's pictures are decoded (empty: a clip
    // slide shows its poster as a still photo). stills: the driver's stills of the slides that
    // do not move, which their transitions drawn here start and end on exactly (empty: such a
    // slide is composed from its picture here).
    MovingFrames(const std::vector<project::Slide>& slides, std::vector<SlideSpan> spans,
                 std::vector<std::int32_t> backColors, FrameRate rate, PictureFit fit = {},
                 ClipOpener clips = {}, PictureScale scale = {}, StillFrame stills = {});

    // The still of slide i is drawn frame by frame (it moves, or text moves over it).
    bool MovingStill(std::size_t i) const;
    // The outgoing transition of slide i is drawn here (a slide on either side moves, the kind
    // is a newer one, or its length is not whole seconds).
    bool OwnTransition(std::size_t i) const;

    // Frame n of slide i's still. False when its picture cannot be read (frame shows the
    // background then).
    bool Still(imaging::Bitmap& frame, std::size_t i, std::int64_t n, int fps);
    // Frame n of slide i's outgoing transition.
    void Transition(imaging::Bitmap& frame, std::size_t i, std::int64_t n, int fps);

    // The same frames drawn straight into a video encoder's YUV planes (ComposeSlideFrameYuv), for
    // the frames that can be made so: StillYuv and TransitionYuv draw nothing and return false
    // for the others, which are then drawn as 24-bit frames.
    bool StillYuv(const imaging::Yuv420Planes& out, std::int32_t width, std::int32_t height,
                  std::size_t i, std::int64_t n, imaging::YuvMatrix matrix);
    bool TransitionYuv(const imaging::Yuv420Planes& out, std::int32_t width, std::int32_t height,
                       std::size_t i, std::int64_t n, int fps, imaging::YuvMatrix matrix);
    // Whether they would draw frame n (reading the pictures they need).
    bool StillYuvDrawn(std::size_t i);
    bool TransitionYuvDrawn(std::size_t i, std::int64_t n, int fps);

private:
    // Slide i as frame n of a width x height video shows it.
    imaging::MovingSlide SlideAt(std::size_t i, std::int64_t n, int width, int height);
    // What is drawn under slide i's moving text at this size: a title's backdrop, or a still
    // photo fitted as the other stills are; null when the slide has no such picture.
    const imaging::Bitmap* Stage(std::size_t i, int width, int height);
    // The text over slide i on frame n (null when it has none).
    const imaging::PlacedText* TextOf(std::size_t i, std::int64_t n, int width, int height,
                                      const imaging::Bitmap* picture);
    // Slide i's outgoing transition at frame n: its code, time and length in seconds.
    struct TransitionTime {
        int Code = 0;
        double T = 0.0;
        double D = 0.0;
    };
    TransitionTime TimeOf(std::size_t i, std::int64_t n, int fps) const;
    // The slide's motion progress at frame n: 0 on the first frame it is visible, 1 on the last.
    double Progress(std::size_t i, std::int64_t n) const;
    const imaging::Bitmap* Picture(std::size_t i);
    // The pyramid of slide i's picture while it is held (null otherwise).
    imaging::PicturePyramid* LevelsOf(std::size_t i);
    // Slide i's original, decoded and reduced by area to the size its largest zoom needs in the
    // last frame size drawn (an empty picture when it cannot be read).
    imaging::Bitmap DrawnFromOriginal(std::size_t i) const;
    // How much a caption's points grow on a width x height frame of slide i.
    double CaptionScale(std::size_t i, int width, int height);
    // Slide i's clip on frame n, put on a frame-sized picture on the slide's colour; null when
    // the clip cannot be decoded.
    const imaging::Bitmap* ClipFrame(std::size_t i, std::int64_t n, int width, int height);
    // The clip's own time on frame n: it plays from its in point as the slide starts to come in,
    // and holds its last picture should the slide stay longer.
    std::int64_t ClipMs(std::size_t i, std::int64_t n) const;
    bool ShowsClip(std::size_t i) const;
    // The faces automatic motion frames slide i on: those the slide holds, else those found on
    // its picture now (once, kept while the picture is held). Null for a slide without.
    const std::vector<imaging::FaceBox>* Faces(std::size_t i, const imaging::Bitmap* picture);

    const std::vector<project::Slide>& slides_;
    std::vector<SlideSpan> spans_;
    std::vector<std::int32_t> backs_;
    // The working pictures of the two slides in use, by index.
    struct Held {
        std::size_t Index = static_cast<std::size_t>(-1);
        imaging::Bitmap Picture;
        bool Read = false;
        std::optional<std::vector<imaging::FaceBox>> Found; // faces found on it here
        std::uint64_t Used = 0;                             // when it was last asked for
        // The working picture's size, which a caption's points are measured on (the picture
        // held may be drawn from the original, larger).
        int WorkWidth = 0, WorkHeight = 0;
        imaging::PicturePyramid Levels; // the picture's, made as the frames need them
    };
    Held held_[2];
    std::uint64_t uses_ = 0;
    // Per slot (slide index mod 2, so a transition's two slides never share one): the picture
    // under moving text and the text's layer, each made for one slide at one size.
    struct Staged {
        std::size_t Index = static_cast<std::size_t>(-1);
        int Width = 0, Height = 0;
        imaging::Bitmap Picture;
        bool Made = false;
    };
    struct Lettered {
        std::size_t Index = static_cast<std::size_t>(-1);
        int Width = 0, Height = 0, Letters = -2;
        double Scale = 0.0;
        imaging::TextLayerImage Layer;
        int Count = 0; // letters in the whole text
        QPointF Place;
    };
    Staged staged_[2];
    Lettered lettered_[2];
    imaging::PlacedText placed_[2];
    // Per slot, as Staged: the clip being played and its picture on the frame.
    struct Playing {
        std::size_t Index = static_cast<std::size_t>(-1);
        int Width = 0, Height = 0;
        std::unique_ptr<ClipPictures> Pictures;
        imaging::Bitmap Frame;
        std::int64_t ShownMs = -1; // the time of the clip's picture the frame was made from
    };
    Playing playing_[2];
    // Per slot, as Staged: the driver's still of a slide that does not move, at one size.
    struct StillHeld {
        std::size_t Index = static_cast<std::size_t>(-1);
        int Width = 0, Height = 0;
        std::shared_ptr<const imaging::Bitmap> Frame;
    };
    StillHeld stills_[2];
    // The driver's still of slide i at width x height (the last frame size drawn when 0), null
    // when it cannot be read or no size is known yet.
    const imaging::Bitmap* StillOf(std::size_t i, int width, int height);
    FrameRate rate_;
    PictureFit fit_;
    ClipOpener clips_;
    PictureScale scale_;
    StillFrame still_;
    int frameWidth_ = 0, frameHeight_ = 0; // the last frame size drawn
    imaging::Bitmap scratch_;
};

} // namespace render
