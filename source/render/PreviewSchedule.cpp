#include "render/PreviewSchedule.h"

#include "project/ShowModel.h"

#include <algorithm>
#include <utility>

namespace render {

std::int64_t RoundedSecond(std::int64_t elapsedMs) {
    if (elapsedMs <= 0)
        return 0;
    const std::int64_t q = elapsedMs / 1000;
    const std::int64_t r = elapsedMs % 1000;
    return (r > 500 || (r == 500 && q % 2 != 0)) ? q + 1 : q;
}

PreviewTimeline PreviewTimeline::FromShow(const project::ShowContent& show,
                                          std::vector<TrackTime> tracks) {
    // A show of whole seconds is judged by the rounded second, as it always played.
    const bool exact = std::any_of(show.Slides.begin(), show.Slides.end(), [](const auto& s) {
        return !project::WholeSeconds(s.StillMs) || !project::WholeSeconds(s.TransitionMs);
    });
    return PreviewTimeline(ShowTimeline::Of(show).WithTracks(std::move(tracks)), exact);
}

void PreviewSchedule::Start(PreviewTimeline timeline, std::int64_t nowMs) {
    timeline_ = std::move(timeline);
    running_ = true;
    paused_ = false;
    startMs_ = nowMs;
    pausedAtMs_ = nowMs;
    lastStartedTrack_ = -1;
}

void PreviewSchedule::Stop() {
    running_ = false;
    paused_ = false;
    lastStartedTrack_ = -1;
}

void PreviewSchedule::Pause(std::int64_t nowMs) {
    if (!running_ || paused_)
        return;
    paused_ = true;
    pausedAtMs_ = nowMs;
}

void PreviewSchedule::Resume(std::int64_t nowMs) {
    if (!running_ || !paused_)
        return;
    startMs_ += std::max<std::int64_t>(nowMs - pausedAtMs_, 0);
    paused_ = false;
}

std::int64_t PreviewSchedule::ShowTimeMs(std::int64_t nowMs) const {
    return running_ ? std::max<std::int64_t>(Now(nowMs) - startMs_, 0) : 0;
}

std::int64_t PreviewSchedule::JudgedMs(std::int64_t nowMs) const {
    const std::int64_t ms = ShowTimeMs(nowMs);
    return timeline_.IsExact() ? ms : RoundedSecond(ms) * 1000;
}

PreviewActions PreviewSchedule::Tick(std::int64_t nowMs) {
    PreviewActions act;
    if (!running_ || paused_)
        return act;
    const ShowTimeline& line = timeline_.Line();
    const std::int64_t t = JudgedMs(nowMs);
    // The end first: a show that is over starts nothing more. It ends where the video does,
    // after the last slide's transition time.
    if (line.SlideCount() == 0 || t >= line.LengthMs()) {
        act.Finished = true;
        return act;
    }
    // The first track whose place holds this moment and that has not been started yet; in a
    // cross-fade that is the incoming one. One passed without being started is skipped for good.
    for (const TrackTime& track : line.Tracks()) {
        const auto index = static_cast<std::int32_t>(track.Track);
        if (track.StartMs <= t && t <= track.EndMs && index > lastStartedTrack_) {
            lastStartedTrack_ = index;
            act.StartTrack = index;
            break;
        }
    }
    return act;
}

} // namespace render
