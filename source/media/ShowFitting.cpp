#include "media/ShowFitting.h"

#include "media/BeatCuts.h"
#include "media/BeatTracker.h"
#include "media/ShowMix.h"
#include "media/SoundtrackMixer.h"

#include <algorithm>
#include <limits>

namespace media {

namespace {

constexpr std::int64_t kMaxMs = std::numeric_limits<std::int32_t>::max();

// The records' whole seconds nearest to ms (halves up), and the extension's exact value (0 when
// the whole seconds say it exactly).
void SetPart(std::int64_t ms, std::int32_t& seconds, std::int32_t& exactMs) {
    ms = std::clamp<std::int64_t>(ms, 0, kMaxMs);
    seconds = static_cast<std::int32_t>((ms + 500) / 1000);
    exactMs = ms % 1000 == 0 ? 0 : static_cast<std::int32_t>(ms);
}

base::Status CheckShow(const project::ShowModel& show, const MixPlan& plan) {
    if (show.Slides.empty())
        return base::Fail("the show has no photos");
    if (PlannedMusicMs(plan) <= 0)
        return base::Fail("the show has no music");
    return {};
}

} // namespace

void SetSlideMs(project::Slide& slide, std::int64_t stillMs, std::int64_t transitionMs) {
    SetPart(stillMs, slide.ShowSeconds, slide.Ext.ShowMs);
    SetPart(transitionMs, slide.TransitionSeconds, slide.Ext.TransitionMs);
}

std::size_t ApplySlideTimes(project::ShowModel& show, const std::vector<SlideTime>& times) {
    std::size_t changed = 0;
    const std::size_t count = std::min(times.size(), show.Slides.size());
    for (std::size_t i = 0; i < count; ++i) {
        project::Slide slide = show.Slides[i];
        SetSlideMs(slide, times[i].StillMs, times[i].TransitionMs);
        if (slide != show.Slides[i]) {
            show.SetSlide(i, slide);
            ++changed;
        }
    }
    return changed;
}

base::Result<std::size_t> FitPhotosToMusic(project::ShowModel& show) {
    const MixPlan plan = MixPlanOf(show, 0);
    if (auto ok = CheckShow(show, plan); !ok)
        return base::Fail(ok.error());
    return ApplySlideTimes(show, FitSlidesToMusic(SlideTimesOf(show), PlannedMusicMs(plan)));
}

base::Result<std::size_t> ChangePhotosOnBeat(project::ShowModel& show, const PcmSourceOpener& open,
                                             base::Progress* progress) {
    const std::vector<SlideTime> slides = SlideTimesOf(show);
    const MixPlan plan = MixPlanOf(show, ShowMs(slides));
    if (auto ok = CheckShow(show, plan); !ok)
        return base::Fail(ok.error());
    SoundtrackMixer mix(plan, open);
    auto beats = DetectBeats(mix, progress);
    if (!beats)
        return base::Fail(beats.error());
    return ApplySlideTimes(show, CutOnBeats(slides, *beats));
}

} // namespace media
