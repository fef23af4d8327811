#include "media/music/ShowFitting.h"

#include "media/music/BeatCuts.h"
#include "media/music/BeatTracker.h"
#include "media/music/ShowMix.h"
#include "media/music/SoundtrackMixer.h"
#include "project/ClipSlides.h"
#include "project/Duration.h"
#include "project/SlideEdits.h"
#include "project/SlideKind.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace media {

namespace {

base::Status CheckShow(const project::ShowContent& show, const MixPlan& plan) {
    if (show.Slides.empty())
        return base::Fail("the show has no photos");
    if (PlannedMusicMs(plan) <= 0)
        return base::Fail("the show has no music");
    return {};
}

} // namespace

std::size_t ApplySlideTimes(project::ShowContent& show,
                            const std::vector<render::SlideTime>& times) {
    std::size_t changed = 0;
    const std::size_t count = std::min(times.size(), show.Slides.size());
    for (std::size_t i = 0; i < count; ++i) {
        const project::DurationEdit edit{
            std::clamp<std::int64_t>(times[i].StillMs, 0, project::kMaxSlideMs),
            std::clamp<std::int64_t>(times[i].TransitionMs, 0, project::kMaxSlideMs)};
        const project::Slide& s = show.Slides[i];
        if (s.StillMs == edit.StillMs && s.TransitionMs == edit.TransitionMs)
            continue;
        if (project::ApplySlideEdit(show, i, edit, project::PhotoSettings{}))
            ++changed;
    }
    return changed;
}

namespace {

// The clips, which keep their trims, marked for the retiming.
std::vector<bool> ClipsOf(const project::ShowContent& show) {
    std::vector<bool> clips;
    for (const project::Slide& s : show.Slides)
        clips.push_back(project::TraitsOf(s).OwnLength);
    return clips;
}

// The new times given (the clips' as they are): how many photos and titles changed, and how many
// clips were kept.
Retiming Retime(project::ShowContent& show, const std::vector<render::SlideTime>& times) {
    const std::vector<bool> clips = ClipsOf(show);
    Retiming done;
    done.Retimed = ApplySlideTimes(show, times);
    for (const bool clip : clips)
        done.ClipsKept += clip ? 1 : 0;
    return done;
}

} // namespace

base::Result<Retiming> FitPhotosToMusic(project::ShowContent& show) {
    const MixPlan plan = MixPlanOf(show, 0);
    if (auto ok = CheckShow(show, plan); !ok)
        return base::Fail(ok.error());
    // A clip whose still is not its trim's (a show saved before stills followed trims) gets it
    // first, so that what is kept is the trim.
    project::FollowTrims(show);
    const std::vector<bool> clips = ClipsOf(show);
    const auto times = render::ShowTimeline::TimesOf(show.Slides);
    const std::int64_t musicMs = PlannedMusicMs(plan);
    const std::int64_t keptMs = render::KeptLengthMs(times, clips);
    if (keptMs == render::ShowTimeline(times).LengthMs())
        return base::Fail("the show holds only video clips, which play as long as their trims");
    if (keptMs >= musicMs)
        return base::Fail("the clips alone last " + project::FormatDurationMs(keptMs) +
                          ", as long as the music (" + project::FormatDurationMs(musicMs) +
                          ") or longer: shorten their trims or add music");
    return Retime(show, render::FitSlidesToMusic(times, musicMs, clips));
}

base::Result<Retiming> ChangePhotosOnBeat(project::ShowContent& show, const PcmSourceOpener& open,
                                          base::Progress* progress) {
    project::FollowTrims(show);
    const render::ShowTimeline timeline = render::ShowTimeline::Of(show);
    const std::vector<render::SlideTime>& slides = timeline.Slides();
    const MixPlan plan = MixPlanOf(show, timeline.LengthMs());
    if (auto ok = CheckShow(show, plan); !ok)
        return base::Fail(ok.error());
    // The beats of all the music there is, not only of what the show plays now: retimed, the
    // show grows and plays more of its music.
    const std::int64_t musicMs = PlannedMusicMs(plan);
    SoundtrackMixer mix(MixPlanOf(show, std::max(timeline.LengthMs(), musicMs)), open);
    auto beats = DetectBeats(mix, progress);
    if (!beats)
        return base::Fail(beats.error());
    // Only the cuts while the music plays have beats to land on; the clips' cuts follow.
    return Retime(show, CutOnBeats(slides, *beats, musicMs, ClipsOf(show)));
}

bool EndsWithTheMusic(const project::ShowContent& show) {
    const std::int64_t musicMs = PlannedMusicMs(MixPlanOf(show, 0));
    return musicMs > 0 &&
           std::llabs(render::ShowTimeline::Of(show).LengthMs() - musicMs) <= kWithTheMusicMs;
}

} // namespace media
