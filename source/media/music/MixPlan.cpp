#include "media/music/MixPlan.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace media {

std::vector<TrackSpan> LayOutTracks(const MixPlan& plan) {
    render::TrackPlan tracks;
    tracks.CrossfadeMs = FadeMs(plan.CrossfadeSeconds);
    tracks.Tracks.reserve(plan.Tracks.size());
    for (const MixTrack& t : plan.Tracks)
        tracks.Tracks.push_back({t.PlayMs, FadeMs(t.FadeInSeconds), FadeMs(t.FadeOutSeconds)});
    return render::TracksHeard(tracks, plan.VideoMs);
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
