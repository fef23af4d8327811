// The show's time line in frames. Slides carry exact durations in milliseconds (a still and the
// transition that follows it); the frames of each part are the differences between the frame
// numbers of the planned boundaries, each rounded to the nearest frame, so rounding is carried
// across slides: no drift accumulates and every boundary lands within half a frame of its planned
// time. At 25 frames per second a frame is 40 ms.
#pragma once

#include <cstdint>
#include <vector>

namespace media {

struct SlideTime {
    std::int64_t StillMs = 0;      // the photo alone (negative counts as 0)
    std::int64_t TransitionMs = 0; // the transition to the next photo (negative counts as 0)
};

// Frames per second as a fraction (25/1; 30000/1001 for 29.97).
struct FrameRate {
    std::int64_t Num = 25;
    std::int64_t Den = 1;
};

struct SlideFrames {
    std::int64_t First = 0;      // frame index where the slide starts
    std::int64_t Still = 0;      // frames of the still
    std::int64_t Transition = 0; // frames of its transition
    // The cut: the frame where the slide's transition starts.
    std::int64_t Cut() const { return First + Still; }
    std::int64_t End() const { return First + Still + Transition; }
};

// The frame boundary nearest to `ms` (halves round up).
std::int64_t FrameAt(std::int64_t ms, FrameRate rate);

// The planned length of the show, and the planned time of every cut (the moment each slide's
// transition starts), in milliseconds.
std::int64_t ShowMs(const std::vector<SlideTime>& slides);
std::vector<std::int64_t> CutTimesMs(const std::vector<SlideTime>& slides);

// Every slide's frames, with rounding carried across slides.
std::vector<SlideFrames> PlanSlideFrames(const std::vector<SlideTime>& slides, FrameRate rate);

// "Fit photos to the music": every still and transition scaled by musicMs / ShowMs, each planned
// boundary rounded to the millisecond, so the proportions stay and the show lasts musicMs exactly
// (its last frame within half a frame of the music's end). A show of no length is returned as it
// is.
std::vector<SlideTime> FitSlidesToMusic(const std::vector<SlideTime>& slides, std::int64_t musicMs);

} // namespace media
