#include "media/music/ShowMix.h"

#include "media/music/TrackImport.h"

#include <algorithm>
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
    // The clips' own sound, from the moment each clip starts to come in.
    const render::ShowTimeline timeline = render::ShowTimeline::Of(show);
    for (std::size_t i = 0; i < show.Slides.size(); ++i) {
        const project::Slide& s = show.Slides[i];
        if (!s.Clip() || !s.Clip()->Sounds())
            continue;
        MixClip c;
        c.File = s.Clip()->File;
        c.StartMs = timeline.VisibleFromMs(i);
        c.EndMs = std::min(timeline.VisibleToMs(i), c.StartMs + s.Clip()->TrimmedMs());
        if (plan.VideoMs > 0)
            c.EndMs = std::min(c.EndMs, plan.VideoMs);
        if (c.EndMs <= c.StartMs)
            continue;
        c.InMs = s.Clip()->InMs;
        c.FadeInMs = std::min(timeline.StartMs(i) - c.StartMs, c.EndMs - c.StartMs);
        c.FadeOutMs = std::min(timeline.EndMs(i) - timeline.CutMs(i), c.EndMs - c.StartMs);
        c.Gain = s.Clip()->Volume / 100.0;
        plan.Clips.push_back(c);
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
