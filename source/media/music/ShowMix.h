// The soundtrack's plan and the slides' time line taken from the show document: what the export,
// the preview, the console tool and "fit photos to the music" all read, so they agree.
#pragma once

#include "media/music/MixPlan.h"
#include "project/ShowModel.h"
#include "render/ShowTimeline.h"

#include <cstdint>
#include <vector>

namespace media {

// The plan of the show's music in a video of videoMs: every track with its play length, volume,
// fades and measured loudness, and the show-wide options. A show from an older file (no fades,
// no options) gives a plain plan, so it sounds exactly as it did. In any other plan a track that
// plays whole (its play time is its length) plays to its exact end, read from its file.
MixPlan MixPlanOf(const project::ShowContent& show, std::int64_t videoMs);

// The show's time line: its slides, and its tracks as the plan of its music in a video of
// videoMs lays them out (the length of the slides when videoMs is 0).
render::ShowTimeline ShowTimelineOf(const project::ShowContent& show, std::int64_t videoMs = 0);

// The options a new show starts with: the music fades out at the end.
project::ShowOptions NewShowOptions();

} // namespace media
