// "Change photos on the beat". A cut is the moment a slide's transition starts (the end of its
// still): that is where the picture starts to change, so it is what lands on the beat; the
// transition keeps its length and so starts on the beat. Each cut moves to the beat nearest its
// planned time on the original time line, so moves never add up; a slide's still never becomes
// shorter than one second (nor than it was, if it was shorter already).
#pragma once

#include "render/ShowTimeline.h"

#include <cstdint>
#include <vector>

namespace media {

using render::SlideTime;

constexpr std::int64_t kMinBeatStillMs = 1000;
// A cut with no beat this close (silence, or past the music's end) stays where it was planned.
constexpr std::int64_t kMaxBeatShiftMs = 2000;

// The slides with their stills changed so that every cut falls on a beat (beats in ms from the
// show's start, rising, as DetectBeats gives them). Transitions are kept as they are.
std::vector<SlideTime> CutOnBeats(const std::vector<SlideTime>& slides,
                                  const std::vector<double>& beatsMs);

} // namespace media
