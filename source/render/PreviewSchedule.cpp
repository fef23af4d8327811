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

PreviewTimeline::PreviewTimeline(ShowTimeline line, const std::vector<std::int64_t>& tracksMs,
                                 bool exact)
    : exact_(exact), line_(std::move(line)) {
    for (const std::int64_t ms : tracksMs) {
        const std::int64_t start = trackEnd_.empty() ? 0 : trackEnd_.back();
        trackStart_.push_back(start);
        trackEnd_.push_back(start + std::max<std::int64_t>(ms, 0));
    }
}

PreviewTimeline::PreviewTimeline(const std::vector<SlideTimes>& slides,
                                 const std::vector<std::int64_t>& tracks) {
    std::vector<SlideTime> times;
    for (const SlideTimes& s : slides)
        times.push_back({s.ShowSeconds * 1000, s.TransitionSeconds * 1000});
    std::vector<std::int64_t> tracksMs;
    for (const std::int64_t seconds : tracks)
        tracksMs.push_back(seconds * 1000);
    *this = PreviewTimeline(ShowTimeline(std::move(times)), tracksMs, false);
}

PreviewTimeline PreviewTimeline::Exact(const std::vector<SlideMs>& slides,
                                       const std::vector<std::int64_t>& tracksMs) {
    std::vector<SlideTime> times;
    for (const SlideMs& s : slides)
        times.push_back({s.StillMs, s.TransitionMs});
    return PreviewTimeline(ShowTimeline(std::move(times)), tracksMs, true);
}

double PreviewTimeline::MotionProgress(std::size_t i, std::int64_t showMs) const {
    if (i >= SlideCount())
        return 0.0;
    const std::int64_t from = VisibleFrom(i);
    const std::int64_t span = VisibleTo(i) - from;
    if (span <= 0)
        return 0.0;
    return std::clamp(static_cast<double>(showMs - from) / static_cast<double>(span), 0.0, 1.0);
}

PreviewTimeline PreviewTimeline::FromShow(const project::ShowContent& show) {
    // A show of whole seconds is judged by the rounded second, as it always played.
    const bool exact = std::any_of(show.Slides.begin(), show.Slides.end(), [](const auto& s) {
        return !project::WholeSeconds(s.StillMs) || !project::WholeSeconds(s.TransitionMs);
    });
    std::vector<std::int64_t> tracks;
    tracks.reserve(show.Sounds.size());
    for (const project::Track& t : show.Sounds)
        tracks.push_back(std::int64_t{t.PlaySeconds} * 1000);
    return PreviewTimeline(ShowTimeline::Of(show), tracks, exact);
}

void PreviewSchedule::Start(PreviewTimeline timeline, std::int64_t nowMs) {
    timeline_ = std::move(timeline);
    running_ = true;
    paused_ = false;
    startMs_ = nowMs;
    pausedAtMs_ = nowMs;
    transitionStartMs_ = nowMs;
    lastShownSlide_ = -1;
    lastStartedTrack_ = -1;
    transitionSlide_ = -1;
}

void PreviewSchedule::Stop() {
    running_ = false;
    paused_ = false;
    lastShownSlide_ = -1;
    lastStartedTrack_ = -1;
    transitionSlide_ = -1;
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
    const std::int64_t pausedFor = std::max<std::int64_t>(nowMs - pausedAtMs_, 0);
    startMs_ += pausedFor;
    transitionStartMs_ += pausedFor;
    paused_ = false;
}

std::int64_t PreviewSchedule::ShowTimeMs(std::int64_t nowMs) const {
    return running_ ? std::max<std::int64_t>(Now(nowMs) - startMs_, 0) : 0;
}

std::int64_t PreviewSchedule::TransitionElapsedMs(std::int64_t nowMs) const {
    if (!running_ || transitionSlide_ < 0)
        return 0;
    return std::max<std::int64_t>(Now(nowMs) - transitionStartMs_, 0);
}

std::int64_t PreviewSchedule::JudgedMs(std::int64_t nowMs) const {
    const std::int64_t ms = ShowTimeMs(nowMs);
    return timeline_.IsExact() ? ms : RoundedSecond(ms) * 1000;
}

PreviewActions PreviewSchedule::Tick(std::int64_t nowMs) {
    PreviewActions act;
    if (!running_ || paused_)
        return act;
    const std::size_t slides = timeline_.SlideCount();
    const std::int64_t t = JudgedMs(nowMs);
    // The end first: a show that is over starts nothing more. It ends where the video does,
    // after the last slide's transition time.
    if (slides == 0 || t >= timeline_.Line().LengthMs()) {
        act.Finished = true;
        return act;
    }
    // Music: the first track whose place holds this moment and that has not been started yet.
    // One passed without being started is skipped for good.
    for (std::size_t j = 0; j < timeline_.TrackCount(); ++j) {
        const auto index = static_cast<std::int32_t>(j);
        if (timeline_.TrackStart(j) <= t && t <= timeline_.TrackEnd(j) &&
            index > lastStartedTrack_) {
            lastStartedTrack_ = index;
            act.StartTrack = index;
            break;
        }
    }
    // Pictures: a slide not shown yet whose display phase holds this moment, or the transition
    // of the shown slide whose display phase is over (in whole seconds: ends at this second).
    for (std::size_t i = 0; i < slides; ++i) {
        const auto index = static_cast<std::int32_t>(i);
        const std::int64_t end = timeline_.ShowEnd(i);
        if (timeline_.SlideStart(i) <= t && t <= end && index > lastShownSlide_) {
            lastShownSlide_ = index;
            act.ShowSlide = index;
            break;
        }
        if (index > transitionSlide_ && TransitionDue(i, t)) {
            transitionSlide_ = index;
            // An exact time line times the transition from its planned start, not from the tick
            // that noticed it.
            transitionStartMs_ = timeline_.IsExact() ? startMs_ + end : nowMs;
            act.StartTransition = index;
            break;
        }
    }
    return act;
}

bool PreviewSchedule::TransitionDue(std::size_t i, std::int64_t t) const {
    const std::int64_t end = timeline_.ShowEnd(i);
    if (!timeline_.IsExact())
        return t == end && timeline_.SlideStart(i) <= t;
    // The shown slide, from the end of its display until the next slide is due (a transition of
    // no length is still started, as the whole-second show does).
    const std::int64_t next = timeline_.VisibleTo(i);
    return static_cast<std::int32_t>(i) == lastShownSlide_ && t >= end && (t < next || next == end);
}

} // namespace render
