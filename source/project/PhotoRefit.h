// The show's photos drawn again from their originals at a photo size, as the work of one undo
// step: originals found on disk (OriginalMatch.h) are taken into the show first, then each photo
// drawn from its original gets a new working picture at the size. The new pictures wait in the
// history's folder; the step exchanges each with its slide's working file (which keeps its name,
// and so its cell its number), and its undo exchanges them back.
#pragma once

#include "base/Job.h"
#include "base/Result.h"
#include "project/HistorySteps.h"
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
    std::string KeepFolder;            // the history's folder, where the new pictures wait
};

struct RefitOutcome {
    std::vector<ShowEdit> Edits;       // the photo size and the photos' new values, for one step
    std::vector<KeptPicture> Pictures; // the new working pictures, for the same step
    std::size_t Attached = 0;          // photos that now have their original
    std::size_t Redrawn = 0;           // working pictures drawn again from the originals
    std::size_t Kept = 0;              // photos still drawn from their working picture
};

// Makes the new working pictures (in the keep folder) and the originals' working copies, and
// returns the edits and pictures of the step that makes the show use them. Cancelled or failed,
// it leaves no file behind; the message names the photo that could not be drawn.
base::Result<RefitOutcome> RefitPhotos(const std::vector<Slide>& slides,
                                       const PhotoSettings& current, const WorkFiles& files,
                                       const RefitOptions& options, base::Progress& progress);

} // namespace project
