#include "project/PreviewSchedule.h"

#include "project/ShowModel.h"

#include <algorithm>
#include <utility>

namespace project {

std::int64_t RoundedSecond(std::int64_t elapsedMs) {
    if (elapsedMs <= 0)
        return 0;
    const std::int64_t q = elapsedMs / 1000;
    const std::int64_t r = elapsedMs % 1000;
    return (r > 500 || (r == 500 && q % 2 != 0)) ? q + 1 : q;
}

PreviewTimeline::PreviewTimeline(const std::vector<SlideTimes>& slides,
                                 const std::vector<std::int64_t>& tracks) {
    std::int64_t t = 0;
    for (const SlideTimes& s : slides) {
        slideStart_.push_back(t);
        t += std::max<std::int64_t>(s.ShowSeconds, 0);
        showEnd_.push_back(t);
        t += std::max<std::int64_t>(s.TransitionSeconds, 0);
    }
    t = 0;
    for (const std::int64_t seconds : tracks) {
        trackStart_.push_back(t);
        t += std::max<std::int64_t>(seconds, 0);
        trackEnd_.push_back(t);
    }
}

double PreviewTimeline::MotionProgress(std::size_t i, std::int64_t showMs) const {
    if (i >= showEnd_.size())
        return 0.0;
    const std::int64_t from = VisibleFrom(i) * 1000;
    const std::int64_t span = VisibleTo(i) * 1000 - from;
    if (span <= 0)
        return 0.0;
    return std::clamp(static_cast<double>(showMs - from) / static_cast<double>(span), 0.0, 1.0);
}

PreviewTimeline PreviewTimeline::FromShow(const ShowModel& show) {
    std::vector<SlideTimes> slides;
    slides.reserve(show.Slides.size());
    for (const Slide& s : show.Slides)
        slides.push_back({s.ShowSeconds, s.TransitionSeconds});
    std::vector<std::int64_t> tracks;
    tracks.reserve(show.Sounds.size());
    for (const Track& t : show.Sounds)
        tracks.push_back(t.PlaySeconds);
    return PreviewTimeline(slides, tracks);
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

PreviewActions PreviewSchedule::Tick(std::int64_t nowMs) {
    PreviewActions act;
    if (!running_ || paused_)
        return act;
    const std::size_t slides = timeline_.SlideCount();
    const std::int64_t s = Second(nowMs);
    // The end first: a show whose last display phase is over starts nothing more.
    if (slides == 0 || s >= timeline_.ShowEnd(slides - 1)) {
        act.Finished = true;
        return act;
    }
    // Music: the first track whose place holds this second and that has not been started yet.
    // One passed without being started is skipped for good.
    for (std::size_t j = 0; j < timeline_.TrackCount(); ++j) {
        const auto index = static_cast<std::int32_t>(j);
        if (timeline_.TrackStart(j) <= s && s <= timeline_.TrackEnd(j) &&
            index > lastStartedTrack_) {
            lastStartedTrack_ = index;
            act.StartTrack = index;
            break;
        }
    }
    // Pictures: a slide not shown yet whose display phase holds this second, or the transition
    // of the shown slide whose display phase ends at this second.
    for (std::size_t i = 0; i < slides; ++i) {
        const auto index = static_cast<std::int32_t>(i);
        if (timeline_.SlideStart(i) > s || s > timeline_.ShowEnd(i))
            continue;
        if (index > lastShownSlide_) {
            lastShownSlide_ = index;
            act.ShowSlide = index;
            break;
        }
        if (s == timeline_.ShowEnd(i) && index > transitionSlide_) {
            transitionSlide_ = index;
            transitionStartMs_ = nowMs;
            act.StartTransition = index;
            break;
        }
    }
    return act;
}

} // namespace project
