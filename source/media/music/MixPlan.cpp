#include "media/music/MixPlan.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace media {

double ClampFadeSeconds(double seconds) {
    if (!(seconds > 0)) // NaN and negatives
        return 0;
    return std::min(seconds, kMaxFadeSeconds);
}

std::int64_t FadeMs(double seconds) {
    return std::llround(ClampFadeSeconds(seconds) * 1000);
}

std::vector<TrackSpan> LayOutTracks(const MixPlan& plan) {
    std::vector<TrackSpan> spans;
    const std::int64_t crossfade = FadeMs(plan.CrossfadeSeconds);
    std::int64_t start = 0;
    for (std::size_t i = 0; i < plan.Tracks.size(); ++i) {
        const MixTrack& t = plan.Tracks[i];
        if (t.PlayMs <= 0)
            continue;
        if (!spans.empty())
            start = std::max(spans.back().StartMs, spans.back().EndMs - crossfade);
        if (start >= plan.VideoMs)
            break; // this track and the ones after it start after the video ends
        TrackSpan s;
        s.Track = i;
        s.StartMs = start;
        s.EndMs = start + t.PlayMs;
        s.FadeInMs = FadeMs(t.FadeInSeconds);
        s.FadeOutMs = FadeMs(t.FadeOutSeconds);
        if (!spans.empty()) {
            TrackSpan& before = spans.back();
            const std::int64_t overlap = std::max<std::int64_t>(0, before.EndMs - s.StartMs);
            before.FadeOutMs = std::max(before.FadeOutMs, overlap);
            s.FadeInMs = std::max(s.FadeInMs, overlap);
        }
        spans.push_back(s);
    }
    for (TrackSpan& s : spans) {
        const std::int64_t length = s.EndMs - s.StartMs;
        s.FadeInMs = std::min(s.FadeInMs, length);
        s.FadeOutMs = std::min(s.FadeOutMs, length);
    }
    return spans;
}

std::int64_t MusicEndMs(const MixPlan& plan, const std::vector<TrackSpan>& spans) {
    std::int64_t end = 0;
    for (const TrackSpan& s : spans)
        end = std::max(end, s.EndMs);
    return std::min(end, std::max<std::int64_t>(plan.VideoMs, 0));
}

std::int64_t PlannedMusicMs(const MixPlan& plan) {
    MixPlan unlimited = plan;
    unlimited.VideoMs = std::numeric_limits<std::int64_t>::max();
    return MusicEndMs(unlimited, LayOutTracks(unlimited));
}

bool IsPlainPlan(const MixPlan& plan) {
    if (FadeMs(plan.CrossfadeSeconds) > 0 || FadeMs(plan.EndFadeSeconds) > 0 || plan.EvenLoudness ||
        !plan.Clips.empty())
        return false;
    return std::none_of(plan.Tracks.begin(), plan.Tracks.end(), [](const MixTrack& t) {
        return FadeMs(t.FadeInSeconds) > 0 || FadeMs(t.FadeOutSeconds) > 0;
    });
}

double EvenLoudnessGain(double lufs, double truePeakDbtp) {
    if (!std::isfinite(lufs))
        return 1;
    double db = kTargetLufs - lufs;
    if (std::isfinite(truePeakDbtp))
        db = std::min(db, kMaxTruePeakDbtp - truePeakDbtp);
    return std::pow(10.0, db / 20);
}

double TrackGain(const MixPlan& plan, const MixTrack& track) {
    double gain = std::clamp(track.Volume, 0, 100) / 100.0;
    if (plan.EvenLoudness && track.LoudnessLufs)
        gain *= EvenLoudnessGain(*track.LoudnessLufs, track.TruePeakDbtp.value_or(-HUGE_VAL));
    return gain;
}

} // namespace media
