// The gain curves of the soundtrack: each track's equal-power (sine) fade-in and fade-out, which
// also make the cross-fade with its neighbours, and the show's end fade, which brings the whole
// music to silence at the last sample of the video. Positions are sample frames of the mix.
#pragma once

#include "media/music/MixPlan.h"

#include <cstdint>
#include <vector>

namespace media {

// The equal-power rise: sin(π/2 · x) for x in 0..1 (0 below, 1 above). A fade-out over the same
// length is its mirror, so an overlap of the two keeps the power constant.
double EqualPowerRise(double x);

// The first sample frame at or after `ms` at `rate` samples per second (as the soundtrack's
// pieces are placed).
std::int64_t SampleAt(std::int64_t ms, std::uint32_t rate);

class TrackEnvelope {
public:
    TrackEnvelope(const TrackSpan& span, std::uint32_t rate);
    std::int64_t Start() const { return start_; }
    std::int64_t End() const { return end_; }
    // 0 outside [Start, End); the product of the fade-in and fade-out curves inside.
    double GainAt(std::int64_t sample) const;

private:
    std::int64_t start_, end_, fadeIn_, fadeOut_;
};

// The music's gain under the clips' sound: down to the duck's gain over kClipDuckRampMs from
// each clip's start, back up over the same before its end; 1 away from every clip.
class ClipDuck {
public:
    ClipDuck(const std::vector<MixClip>& clips, double duckDb, std::uint32_t rate);
    double GainAt(std::int64_t sample) const;
    bool Empty() const { return spans_.empty(); }

private:
    struct Span {
        std::int64_t Start, End;
    };
    std::vector<Span> spans_;
    std::int64_t ramp_ = 0;
    double gain_ = 1;
};

class EndFade {
public:
    // Fades over fadeMs so that the gain reaches 0 at endMs (the end of the music in the video).
    EndFade(std::int64_t endMs, std::int64_t fadeMs, std::uint32_t rate);
    std::int64_t End() const { return end_; }
    // 1 before the fade, falling along the mirrored equal-power curve, 0 from End on.
    double GainAt(std::int64_t sample) const;

private:
    std::int64_t end_, length_;
};

} // namespace media
