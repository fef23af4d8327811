// "Change photos on the beat". A cut is the moment a slide's transition starts (the end of its
// still): that is where the picture starts to change, so it is what lands on the beat; the
// transition keeps its length and so starts on the beat. The cuts are planned over the whole
// show at once: every cut that falls while music plays takes a beat near its planned time, so
// that the total change of the stills is the least (a dynamic programme over cuts and beats); no
// still becomes shorter than one second (nor than it was, if it was shorter already). A cut with
// no beat it can take stays off the beat; cuts past the music's end keep their planned stills.
#pragma once

#include "render/ShowTimeline.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace media {

using render::SlideTime;

constexpr std::int64_t kMinBeatStillMs = 1000;
// A cut takes only a beat this close to its planned time (or to the earliest beat it can have
// when every cut before it is on a beat with its shortest still, when that is later).
constexpr std::int64_t kMaxBeatShiftMs = 2000;

// The slides with their stills changed so that every cut that falls before musicEndMs lands on
// a beat (beats in ms from the show's start, as DetectBeats gives them). Transitions are kept, and
// so is the still of every slide kept[i] names (a clip's, which its trim sets): its cut follows
// the cuts before it, and the slides around it take the beats.
std::vector<SlideTime>
CutOnBeats(const std::vector<SlideTime>& slides, const std::vector<double>& beatsMs,
           std::int64_t musicEndMs = std::numeric_limits<std::int64_t>::max(),
           const std::vector<bool>& kept = {});

// What a retiming moved: how many cuts, and the largest move of one in milliseconds.
struct CutsMoved {
    std::size_t Cuts = 0;
    std::int64_t LargestMs = 0;
};
CutsMoved CompareCuts(const std::vector<SlideTime>& before, const std::vector<SlideTime>& after);

} // namespace media
