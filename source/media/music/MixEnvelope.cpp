#include "media/music/MixEnvelope.h"

#include <algorithm>
#include <cmath>

namespace media {

double EqualPowerRise(double x) {
    if (!(x > 0))
        return 0;
    if (x >= 1)
        return 1;
    return std::sin(M_PI / 2 * x);
}

std::int64_t SampleAt(std::int64_t ms, std::uint32_t rate) {
    return std::max<std::int64_t>(ms, 0) * rate / 1000;
}

TrackEnvelope::TrackEnvelope(const TrackSpan& span, std::uint32_t rate)
    : start_(SampleAt(span.StartMs, rate)), end_(SampleAt(span.EndMs, rate)),
      fadeIn_(SampleAt(span.FadeInMs, rate)), fadeOut_(SampleAt(span.FadeOutMs, rate)) {}

double TrackEnvelope::GainAt(std::int64_t sample) const {
    if (sample < start_ || sample >= end_)
        return 0;
    double gain = 1;
    if (fadeIn_ > 0)
        gain *= EqualPowerRise(static_cast<double>(sample - start_) / fadeIn_);
    if (fadeOut_ > 0)
        gain *= EqualPowerRise(static_cast<double>(end_ - sample) / fadeOut_);
    return gain;
}

EndFade::EndFade(std::int64_t endMs, std::int64_t fadeMs, std::uint32_t rate)
    : end_(SampleAt(endMs, rate)), length_(SampleAt(fadeMs, rate)) {}

double EndFade::GainAt(std::int64_t sample) const {
    if (sample >= end_)
        return 0;
    if (length_ <= 0)
        return 1;
    return EqualPowerRise(static_cast<double>(end_ - sample) / length_);
}

ClipDuck::ClipDuck(const std::vector<MixClip>& clips, double duckDb, std::uint32_t rate)
    : ramp_(std::max<std::int64_t>(SampleAt(kClipDuckRampMs, rate), 1)),
      gain_(std::pow(10.0, std::min(duckDb, 0.0) / 20.0)) {
    for (const MixClip& c : clips)
        if (c.EndMs > c.StartMs && c.Gain > 0)
            spans_.push_back({SampleAt(c.StartMs, rate), SampleAt(c.EndMs, rate)});
}

double ClipDuck::GainAt(std::int64_t sample) const {
    // How far the music is down: the deepest of the clips sounding here.
    double depth = 0;
    for (const Span& s : spans_) {
        if (sample < s.Start || sample >= s.End)
            continue;
        const std::int64_t edge = std::min(sample - s.Start, s.End - 1 - sample);
        depth = std::max(depth, std::min(1.0, static_cast<double>(edge) / ramp_));
    }
    return 1.0 - (1.0 - gain_) * depth;
}

} // namespace media
