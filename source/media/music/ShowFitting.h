// The commands that retime the show's photos to its music, shared by the window and the console
// tool: "Fit photos to the music" and "Change photos on the beat". Both set exact durations in
// milliseconds through the slides' one duration edit (ApplySlideEdit with a DurationEdit).
#pragma once

#include "base/Job.h"
#include "base/Result.h"
#include "media/audio/PcmSource.h"
#include "project/ShowModel.h"
#include "render/ShowTimeline.h"

#include <cstddef>
#include <vector>

namespace media {

// Gives every slide the times given (one per slide, in show order), changing only the slides
// whose times differ. Returns how many changed.
std::size_t ApplySlideTimes(project::ShowContent& show,
                            const std::vector<render::SlideTime>& times);

// "Fit photos to the music": the slides scaled, keeping their proportions, so that the show
// lasts as long as its music as laid out. Fails when the show has no photos or no music.
base::Result<std::size_t> FitPhotosToMusic(project::ShowContent& show);

// "Change photos on the beat": the beats of the show's mixed soundtrack (as long as the show)
// are found, and every cut moved to the beat nearest to it. Fails when the show has no photos or
// no music, or when the progress is cancelled ("cancelled").
base::Result<std::size_t> ChangePhotosOnBeat(project::ShowContent& show,
                                             const PcmSourceOpener& open, base::Progress* progress);

} // namespace media
