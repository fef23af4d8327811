// A video clip's pictures as the renderer draws a clip slide. The media layer, which decodes
// clips, makes them (media::OpenClipPictures); the renderer only asks for the picture on screen
// at a time of the clip's own, in turn, and puts it on the frame like a photo.
#pragma once

#include "imaging/Bitmap.h"
#include "project/Slide.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace render {

class ClipPictures {
public:
    virtual ~ClipPictures() = default;
    // The picture on screen at `ms` of the clip's own time: the last one whose time is at or
    // before it. Null when it cannot be decoded. Valid until the next call. Times asked for
    // usually grow; an earlier one costs a seek.
    virtual const imaging::Bitmap* At(std::int64_t ms) = 0;
    // The clip's own time of the picture At last gave: a new time is a new picture.
    virtual std::int64_t PictureMs() const = 0;
};

// Opens a clip's pictures fitted within width x height (its shape kept); null when it cannot be
// read (the slide then shows its poster).
using ClipOpener = std::function<std::unique_ptr<ClipPictures>(const project::ClipSettings& clip,
                                                               int width, int height)>;

} // namespace render
