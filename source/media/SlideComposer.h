// The slides as the video's frames. For the sizes of today's players (720p and up) a photo is
// fitted to the whole frame: enlarged with a Lanczos filter, reduced by area averaging (swscale),
// centred on the slide's colour; the incoming photo of a transition is composed the same way
// (handed to the transition as a frame-sized picture file). For the AVI sizes the frames are
// composed exactly as the preview composes them.
#pragma once

#include "imaging/Bitmap.h"
#include "imaging/Compose.h"

#include <string>

namespace media {

class SlideComposer {
public:
    // fitToFrame: enlarge and reduce with swscale; scratchPath: the picture file of the incoming
    // slide (removed by DropIncoming and on destruction).
    SlideComposer(bool fitToFrame, std::string scratchPath);
    ~SlideComposer();
    SlideComposer(const SlideComposer&) = delete;
    SlideComposer& operator=(const SlideComposer&) = delete;

    // The slide into frame (which keeps its size); false, leaving frame as it was, when the
    // picture cannot be read.
    bool Render(imaging::Bitmap& frame, const imaging::SlideSource& slide);
    // What the transition towards the slide should compose: the slide itself, or its frame made
    // here and saved to the scratch file. Needs the frame size of the last Render.
    imaging::SlideSource Incoming(const imaging::SlideSource& slide);
    void DropIncoming();

private:
    bool fit_;
    std::string scratch_;
    int width_ = 0;
    int height_ = 0;
};

// The size a w x h picture gets when it fills a boxW x boxH box without distortion (enlarged or
// reduced), its sides rounded to nearest.
imaging::ImageSize FillingSize(int w, int h, int boxW, int boxH);

// The picture fitted into target without distortion and centred on the colour, scaled by
// swscale: Lanczos when it grows, area averaging when it shrinks, a copy when it fits exactly.
void ComposeSharp(imaging::Bitmap& target, const imaging::Bitmap& picture, std::int32_t backColor);

} // namespace media
