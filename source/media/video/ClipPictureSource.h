// The clip pictures the renderer draws (render::ClipPictures), decoded by ClipFrames at the size
// the clip takes on the frame, so no picture is scaled twice.
#pragma once

#include "render/ClipPictures.h"

namespace media {

// Opens a clip slide's pictures fitted within width x height; null (the slide shows its poster)
// when the clip cannot be opened.
std::unique_ptr<render::ClipPictures> OpenClipPictures(const project::ClipSettings& clip, int width,
                                                       int height);

// The opener the export and the preview hand the renderer.
render::ClipOpener ClipOpenerForRendering();

} // namespace media
