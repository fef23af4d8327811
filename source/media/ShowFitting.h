// The commands that retime the show's photos to its music, shared by the window and the console
// tool: "Fit photos to the music" and "Change photos on the beat". Both write exact durations in
// milliseconds into the slides' extension data and keep the records' whole seconds as the
// rounded values, for programs that read only the records.
#pragma once

#include "base/Job.h"
#include "base/Result.h"
#include "media/PcmSource.h"
#include "media/SlideTiming.h"
#include "project/ShowModel.h"

#include <cstddef>
#include <vector>

namespace media {

// A slide's still and transition set to exact milliseconds (negative counts as 0): whole
// seconds are kept in the records alone, anything else in the extension with the records
// holding the rounded seconds.
void SetSlideMs(project::Slide& slide, std::int64_t stillMs, std::int64_t transitionMs);

// Gives every slide the times given (one per slide, in show order), changing only the slides
// whose times differ. Returns how many changed.
std::size_t ApplySlideTimes(project::ShowModel& show, const std::vector<SlideTime>& times);

// "Fit photos to the music": the slides scaled, keeping their proportions, so that the show
// lasts as long as its music as laid out. Fails when the show has no photos or no music.
base::Result<std::size_t> FitPhotosToMusic(project::ShowModel& show);

// "Change photos on the beat": the beats of the show's mixed soundtrack (as long as the show)
// are found, and every cut moved to the beat nearest to it. Fails when the show has no photos or
// no music, or when the progress is cancelled ("cancelled").
base::Result<std::size_t> ChangePhotosOnBeat(project::ShowModel& show, const PcmSourceOpener& open,
                                             base::Progress* progress);

} // namespace media
