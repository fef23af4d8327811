#include "media/music/ShowMix.h"

#include "media/music/TrackImport.h"

#include <cstdlib>

namespace media {

MixPlan MixPlanOf(const project::ShowContent& show, std::int64_t videoMs) {
    MixPlan plan;
    plan.CrossfadeSeconds = ClampFadeSeconds(show.Options.TrackCrossfadeSeconds);
    plan.EndFadeSeconds = ClampFadeSeconds(show.Options.EndFadeSeconds);
    plan.EvenLoudness = show.Options.EvenLoudness;
    plan.VideoMs = videoMs > 0 ? videoMs : 0;
    for (const project::Track& t : show.Sounds) {
        MixTrack m;
        m.WorkFile = t.WorkFile;
        m.PlayMs = std::int64_t{t.PlaySeconds > 0 ? t.PlaySeconds : 0} * 1000;
        m.Volume = t.Volume;
        m.FadeInSeconds = ClampFadeSeconds(t.Ext.FadeInSeconds);
        m.FadeOutSeconds = ClampFadeSeconds(t.Ext.FadeOutSeconds);
        if (t.Ext.HasLoudness) {
            m.LoudnessLufs = t.Ext.LoudnessLufs;
            m.TruePeakDbtp = t.Ext.TruePeakDb;
        }
        plan.Tracks.push_back(m);
    }
    if (IsPlainPlan(plan))
        return plan; // exactly as before plans existed: whole seconds
    // A track that plays whole plays to its last sample, not to its rounded second, so the
    // music (and what is fitted to it) ends where the track does.
    for (std::size_t i = 0; i < plan.Tracks.size(); ++i) {
        const project::Track& t = show.Sounds[i];
        if (t.PlaySeconds <= 0 || t.PlaySeconds != t.LengthSeconds)
            continue;
        const std::int64_t exact = MeasureTrackMs(t.WorkFile);
        if (exact > 0 && std::abs(exact - plan.Tracks[i].PlayMs) < 1000)
            plan.Tracks[i].PlayMs = exact;
    }
    return plan;
}

render::ShowTimeline ShowTimelineOf(const project::ShowContent& show, std::int64_t videoMs) {
    const render::ShowTimeline slides = render::ShowTimeline::Of(show);
    const MixPlan plan = MixPlanOf(show, videoMs > 0 ? videoMs : slides.LengthMs());
    return slides.WithTracks(LayOutTracks(plan));
}

project::ShowOptions NewShowOptions() {
    project::ShowOptions options;
    options.EndFadeSeconds = kDefaultEndFadeSeconds;
    return options;
}

} // namespace media
