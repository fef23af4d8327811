// Collage slides in the show: one made from photo files (the console tool) or from photos of the
// show (the window's "Make a collage"), and a collage's layout and photos changed. Each keeps its
// photos' originals whole in working copies, finds their faces once, and draws the record's
// picture (what an older reader and the storyboard show) at the show's photo size.
#pragma once

#include "base/Result.h"
#include "project/ShowContent.h"
#include "project/WorkFiles.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace project {

// The layout's name as the console tool takes it ("side", "stack", "grid", "feature").
std::optional<CollageLayout> ParseCollageLayout(const std::string& name);
const char* CollageLayoutName(CollageLayout layout);

// Checks the layout, the gap and the number of photos; the message names what does not fit.
base::Status ValidateCollage(const CollageSettings& collage);

// A new collage slide of these photo files, in this order, with the defaults of an imported
// photo: each file's bytes copied whole into `files`, its faces found, the record's picture drawn.
// Refused, naming the file, when one is not a photo that decodes; nothing is left in `files` then.
base::Result<Slide> MakeCollageFromFiles(const std::vector<std::string>& paths,
                                         CollageLayout layout, const WorkFiles& files,
                                         const PhotoSettings& photos);

// A new collage of the show's photos at `picked` (in that order), taking the first one's time,
// transition and background: each photo's original (or, for a photo without one, its working
// picture) copied, with its crop, turns, light and colour, and its faces. Refused when a picked
// slide is not a photo.
base::Result<Slide> MakeCollageFromSlides(const std::vector<Slide>& slides,
                                          const std::vector<std::size_t>& picked,
                                          CollageLayout layout, const WorkFiles& files,
                                          const PhotoSettings& photos);

// Collage slide i takes new settings (its layout, gap, the order of its photos), checked, and its
// record picture is drawn again: the one edit of a collage, for the window and the console tool.
base::Status EditCollage(ShowContent& show, std::size_t i, const CollageSettings& collage,
                         const PhotoSettings& photos);

} // namespace project
