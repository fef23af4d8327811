#include "project/ClipSlides.h"

#include "project/SlideEdits.h"

#include <algorithm>
#include <string>

namespace project {

base::Status ValidateClip(const ClipSettings& clip) {
    if (clip.InMs < 0 || clip.OutMs > clip.LengthMs)
        return base::Fail("the trim must lie within the clip's " + std::to_string(clip.LengthMs) +
                          " ms");
    if (clip.TrimmedMs() < kMinClipMs)
        return base::Fail("the trim must keep at least " + std::to_string(kMinClipMs) +
                          " ms of the clip");
    if (clip.Volume < 0 || clip.Volume > kMaxClipVolume)
        return base::Fail("the clip's volume must be 0 to " + std::to_string(kMaxClipVolume) +
                          " %");
    return {};
}

std::int64_t TrimStillMs(const ClipSettings& clip, std::int64_t comingMs, std::int64_t goingMs) {
    return std::max(clip.TrimmedMs() - std::max<std::int64_t>(comingMs, 0) -
                        std::max<std::int64_t>(goingMs, 0),
                    kMinClipMs);
}

namespace {

std::int64_t StillOf(const Slide* before, const Slide& slide, const ClipSettings& clip) {
    return TrimStillMs(clip, before ? before->TransitionMs : 0, slide.TransitionMs);
}

} // namespace

std::int64_t ClipStillMs(const std::vector<Slide>& slides, std::size_t i) {
    if (i >= slides.size() || !slides[i].Clip())
        return 0;
    return StillOf(i == 0 ? nullptr : &slides[i - 1], slides[i], *slides[i].Clip());
}

std::size_t FollowTrims(ShowContent& show) {
    std::size_t changed = 0;
    for (std::size_t i = 0; i < show.Slides.size(); ++i) {
        if (!show.Slides[i].Clip() || show.Slides[i].StillMs == ClipStillMs(show.Slides, i))
            continue;
        // The edit works the still out from the trim itself (see ApplySlideEdit).
        if (ApplySlideEdit(show, i, DurationEdit{ClipStillMs(show.Slides, i)}, PhotoSettings{}))
            ++changed;
    }
    return changed;
}

base::Result<Slide> SetClip(const std::vector<Slide>& slides, std::size_t i,
                            const ClipSettings& clip) {
    if (i >= slides.size() || !slides[i].Clip())
        return base::Fail("slide " + std::to_string(i + 1) + " is not a video clip");
    if (auto valid = ValidateClip(clip); !valid)
        return base::Fail(valid.error());
    Slide changed = slides[i];
    *changed.Clip() = clip;
    changed.StillMs = StillOf(i == 0 ? nullptr : &slides[i - 1], changed, clip);
    return changed;
}

base::Result<Slide> ClipInPlaceOf(const std::vector<Slide>& slides, std::size_t i, Slide clip) {
    if (i >= slides.size() || !clip.Clip())
        return base::Fail("no clip to put in place of slide " + std::to_string(i + 1));
    const Slide& was = slides[i];
    clip.TransitionKind = was.TransitionKind;
    clip.TransitionMs = was.TransitionMs;
    clip.Ext.TransitionKind = was.Ext.TransitionKind;
    clip.BackColor = was.BackColor;
    std::vector<Slide> placed = slides;
    placed[i] = clip;
    return SetClip(placed, i, *clip.Clip());
}

} // namespace project
