// The show's photos drawn again from their originals at a photo size, as the work of one undo
// step: originals found on disk (OriginalMatch.h) are taken into the show first, then each photo
// drawn from its original gets a new working picture at the size. The old working pictures stay
// where they are, so the step's undo is a change of values and gives back the same pixels.
#pragma once

#include "base/Job.h"
#include "base/Result.h"
#include "project/OriginalMatch.h"
#include "project/ShowContent.h"
#include "project/ShowEdit.h"
#include "project/WorkFiles.h"

#include <cstddef>
#include <vector>

namespace project {

struct RefitOptions {
    PhotoSettings Photos;              // the size the working pictures are drawn at
    std::vector<FoundOriginal> Attach; // originals found for photos that had none
};

struct RefitOutcome {
    std::vector<ShowEdit> Edits; // the photo size and the photos' new values, for one step
    std::size_t Attached = 0;    // photos that now have their original
    std::size_t Redrawn = 0;     // working pictures drawn again from the originals
    std::size_t Kept = 0;        // photos still drawn from their working picture
};

// Makes the new working pictures (and the originals' working copies) under new working names and
// returns the edits that make the show use them. Cancelled or failed, it leaves no file behind;
// the message names the photo that could not be drawn.
base::Result<RefitOutcome> RefitPhotos(const std::vector<Slide>& slides,
                                       const PhotoSettings& current, const WorkFiles& files,
                                       const RefitOptions& options, base::Progress& progress);

} // namespace project
