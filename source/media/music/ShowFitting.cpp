#include "media/music/ShowFitting.h"

#include "media/music/BeatCuts.h"
#include "media/music/BeatTracker.h"
#include "media/music/ShowMix.h"
#include "media/music/SoundtrackMixer.h"
#include "project/SlideEdits.h"

#include <algorithm>
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

base::Result<std::size_t> FitPhotosToMusic(project::ShowContent& show) {
    const MixPlan plan = MixPlanOf(show, 0);
    if (auto ok = CheckShow(show, plan); !ok)
        return base::Fail(ok.error());
    return ApplySlideTimes(
        show,
        render::FitSlidesToMusic(render::ShowTimeline::TimesOf(show.Slides), PlannedMusicMs(plan)));
}

base::Result<std::size_t> ChangePhotosOnBeat(project::ShowContent& show,
                                             const PcmSourceOpener& open,
                                             base::Progress* progress) {
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
    // Only the cuts while the music plays have beats to land on.
    return ApplySlideTimes(show, CutOnBeats(slides, *beats, musicMs));
}

} // namespace media
