// A photo slide as the frames show it. A photo that does not move is composed once at the frame's
// size (SlideComposer, ahead on the pool where the driver asks) and that one picture is every
// frame of its still and what its transitions start and end on. A photo that moves is its picture,
// drawn sharp from the original for the frame size where it may be, sampled through its pyramid
// under its motion, framed on its faces (those it holds, else found here once). Under a caption
// that moves over a still photo, the photo is fitted to the frame once and the caption drawn over.
//
// The player also holds the working pictures the other kinds borrow: a clip's poster, and the
// photo a title's blurred backdrop shows. Both caches keep two slides, so the two of a
// transition never push each other out.
#pragma once

#include "imaging/Bitmap.h"
#include "imaging/PicturePyramid.h"
#include "imaging/TransitionFrame.h"
#include "project/Slide.h"
#include "render/ShowTimeline.h"
#include "render/SlideComposer.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace render {

// The frames sample a picture bilinearly where they show it at its size or larger, and through its
// pyramid where they show it smaller (PyramidSampler.h), so its detail is neither folded back
// nor lost while each frame pixel takes at most kSharpSampling of a picture pixel, and at least 0.9
// of it up to kEnlargeAbove. An original the frames would sample closer than kEnlargeAbove is
// first enlarged by a sharp filter to kSharpSampling (when the player has one); one sampled
// between the two is drawn as it is, as enlarging it would cost more time than the detail it
// gives back.
constexpr double kSharpSampling = 0.5;
constexpr double kEnlargeAbove = 0.9;

// The motion that maps each pixel of a frame-sized picture onto itself: a picture drawn at the
// frame's size goes through the sampler unchanged (so its transitions may be drawn as YUV too).
imaging::Motion FrameSizedPicture();

class PhotoPlayer {
public:
    // fit: how a photo fills the frame (empty: as the preview composes it); scale: enlarges an
    // original sampled too closely (empty: sampled as it is); scratchPath: the picture file of a
    // classic transition's incoming slide. slides, spans and backs must outlive the player.
    PhotoPlayer(const std::vector<project::Slide>& slides, const std::vector<SlideSpan>& spans,
                const std::vector<std::int32_t>& backs, PictureFit fit, PictureScale scale,
                std::string scratchPath);

    // The composed still into frame (which keeps its size); false, leaving it as it was, when
    // the picture cannot be read.
    bool RenderStill(imaging::Bitmap& frame, std::size_t i);
    // slide (its colour, motion and progress filled in) as the composed still at the frame's size.
    void Still(imaging::MovingSlide& slide, std::size_t i, int width, int height);
    // slide as the moving photo; underText: a caption moves over it, so a photo that does not
    // move is fitted to the frame once instead of sampled on every frame.
    void Moving(imaging::MovingSlide& slide, std::size_t i, int width, int height, bool underText);

    // Starts composing slide i's still ahead, at the size of the last still composed.
    void Prefetch(std::size_t i);
    // What a classic transition towards slide i composes (SlideComposer::Incoming), and its end.
    imaging::SlideSource Incoming(std::size_t i);
    void DropIncoming() { composer_.DropIncoming(); }

    // Slide i's working picture (or its original drawn for the frame size), null when it cannot
    // be read; valid until two other slides' pictures are asked for.
    const imaging::Bitmap* Picture(std::size_t i);
    // How much a caption's points grow on a width x height frame of slide i: they are measured
    // on its working picture (1 when it cannot be read).
    double CaptionScale(std::size_t i, int width, int height);
    // The frame size the originals are drawn for; a new one drops those drawn for the last.
    void SetFrameSize(int width, int height);

private:
    imaging::SlideSource SourceOf(std::size_t i) const;
    // The pyramid of slide i's picture while it is held (null otherwise).
    imaging::PicturePyramid* LevelsOf(std::size_t i);
    // Slide i's original, decoded and reduced by area to the size its largest zoom needs in the
    // frame size (an empty picture when it cannot be read).
    imaging::Bitmap DrawnFromOriginal(std::size_t i) const;
    // The faces automatic motion frames slide i on: those the slide holds, else those found on
    // its picture now (once, kept while the picture is held). Null for a slide without.
    const std::vector<imaging::FaceBox>* Faces(std::size_t i, const imaging::Bitmap* picture);
    // Slide i's photo fitted to a width x height frame, as the other stills are (null: unreadable).
    const imaging::Bitmap* Fitted(std::size_t i, int width, int height);

    const std::vector<project::Slide>& slides_;
    const std::vector<SlideSpan>& spans_;
    const std::vector<std::int32_t>& backs_;
    PictureFit fit_;
    PictureScale scale_;
    SlideComposer composer_;
    int frameWidth_ = 0, frameHeight_ = 0;

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
    // Per slot (slide index mod 2, so a transition's two slides never share one): a picture made
    // for one slide at one frame size, the composed still or the photo fitted under a caption.
    struct Sized {
        std::size_t Index = static_cast<std::size_t>(-1);
        int Width = 0, Height = 0;
        std::shared_ptr<const imaging::Bitmap> Picture; // null: unreadable
    };
    Sized stills_[2];
    Sized fitted_[2];
};

} // namespace render
