// Edits of several slides at once (the storyboard's selection, or slides the console tool names):
// one slide edit made on each picked slide of a draft, a transition given to each, and the list
// edits that take the picked slides out or move them, each for one step of the history. A slide
// of a kind that does not take the edit (SlideKind.h) is skipped; a slide that refuses it refuses
// the whole edit, and the message names the slide.
#pragma once

#include "base/Result.h"
#include "imaging/TransitionKinds.h"
#include "project/HistorySteps.h"
#include "project/ShowContent.h"
#include "project/ShowEdit.h"
#include "project/SlideEdits.h"

#include <cstddef>
#include <string>
#include <vector>

namespace project {

// Whether a slide of this kind takes the edit: motion a photo, a duration every kind but a clip
// (it plays as long as its trim), crop, turn, light and colour a photo, a caption a kind with one
// of its own, a background every kind.
bool TakesEdit(const Slide& slide, const SlideEdit& edit);

// The edits made, in order, on each slide at `picked` (any order; repeats and places outside the
// show are refused) in the draft. The values change in the draft; a picture the edits draw anew
// (light, colour, a collage's gaps in a new background) is written into `keepFolder` and
// returned, one for each slide, waiting for the step that puts it in its slide's working file
// (ShowHistory::Apply), so nothing of the show's files changes here. On failure the draft is as
// it was and no file is left.
base::Result<std::vector<KeptPicture>> EditSlides(ShowContent& draft,
                                                  const std::vector<std::size_t>& picked,
                                                  const std::vector<SlideEdit>& edits,
                                                  const PhotoSettings& photos,
                                                  const std::string& keepFolder);

// The choice stored in each slide at `picked` (its ApplyToAll is not used), by the one rule of
// ApplyTransitionChoice. False, changing nothing, when a place is outside the show or the kind
// is unknown.
bool ApplyTransitionToSlides(ShowContent& show, const std::vector<std::size_t>& picked,
                             const imaging::TransitionChoice& choice);

// The edits that take the slides at `picked` out of a show (last first, so each index holds).
std::vector<ShowEdit> RemovalsOf(std::vector<std::size_t> picked);

// The edits that bring the slides at `picked` together, in their order, at gap `gap` (0 = before
// the first slide, count = after the last) of a show of `count` slides; the others keep their
// order. Empty when nothing would move.
std::vector<ShowEdit> MovesToGap(std::vector<std::size_t> picked, std::size_t gap,
                                 std::size_t count);

// The edits that move the slides at `picked` one place to the left (step -1) or right (+1),
// each passing its unpicked neighbour. Empty when one of them is at that end already.
std::vector<ShowEdit> MovesByOne(std::vector<std::size_t> picked, int step, std::size_t count);

// Where the slides at `picked` stand after `edits` (moves, removals) are made, in the same
// order; a slide taken out is left out.
std::vector<std::size_t> PlacesAfter(std::vector<std::size_t> picked,
                                     const std::vector<ShowEdit>& edits);

} // namespace project
