// The soundtrack's plan and the slides' time line taken from the show document: what the export,
// the preview, the console tool and "fit photos to the music" all read, so they agree.
#pragma once

#include "media/MixPlan.h"
#include "media/SlideTiming.h"
#include "project/ShowModel.h"

#include <cstdint>
#include <vector>

namespace media {

// The plan of the show's music in a video of videoMs: every track with its play length, volume,
// fades and measured loudness, and the show-wide options. A show from an older file (no fades,
// no options) gives a plain plan, so it sounds exactly as it did. In any other plan a track that
// plays whole (its play time is its length) plays to its exact end, read from its file.
MixPlan MixPlanOf(const project::ShowModel& show, std::int64_t videoMs);

// Every slide's still and transition in milliseconds, exact where the slide says so.
std::vector<SlideTime> SlideTimesOf(const project::ShowModel& show);

// The options a new show starts with: the music fades out at the end.
project::ShowOptions NewShowOptions();

} // namespace media
