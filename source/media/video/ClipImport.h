// Bringing a video clip into the show as a slide, wherever photos come in (the window, the
// console tool): the clip is probed within its bounds, its first picture becomes the slide's
// working picture (the poster an older reader shows), and its original bytes are copied whole
// into a working copy the show file stores. The slide shows the whole clip: its time on screen
// is the clip's length.
#pragma once

#include "project/Import.h"

#include <string>

namespace media {

// Adds the clip at `path` as a new last slide of `into`. Skipped (nothing changed) when the file
// is not a clip's or the clip is refused (a message naming the file); failed when a working copy
// cannot be written.
project::ImportResult<project::AddedPhoto>
AddClip(project::ShowContent& into, const project::WorkFiles& files,
        const project::PhotoSettings& photos, const std::string& path,
        const project::ThumbnailMade& thumbnailMade = {});

// A photo or a clip, by the file's extension.
project::ImportResult<project::AddedPhoto>
AddPhotoOrClip(project::ShowContent& into, const project::WorkFiles& files,
               const project::PhotoSettings& photos, const std::string& path,
               const project::ThumbnailMade& thumbnailMade = {},
               project::FaceSearch faces = project::FaceSearch::Skip,
               project::OriginalCopy original = project::OriginalCopy::Skip);

} // namespace media
