// The preview's time line and playback state: which slide, transition and track belong to the
// current moment of the show, in exact milliseconds of a monotonic clock the caller reads (so a
// change of the wall clock neither ends nor freezes a show, and tests drive time). A tick only
// decides; the caller carries the decision out, and since the indexes move before the decision is
// returned, each slide, transition and track is started at most once.
//
// A show whose slides all last whole seconds plays as it always did: a tick judges the current
// second, rounded. A show with exact lengths in milliseconds is judged to the millisecond, so its
// cuts fall where the export puts them.
#pragma once

#include "render/ShowTimeline.h"

#include <cstdint>
#include <vector>

namespace render {

// The current second of elapsed milliseconds, rounded to nearest with ties to even
// (2500 ms is second 2, 3500 ms second 4); negative times count as 0.
std::int64_t RoundedSecond(std::int64_t elapsedMs);

// The time line of a show in milliseconds. Negative lengths (a damaged record) count as 0, so the
// time line never runs backwards.
class PreviewTimeline {
public:
    struct SlideTimes {
        std::int64_t ShowSeconds = 0;
        std::int64_t TransitionSeconds = 0;
    };
    struct SlideMs {
        std::int64_t StillMs = 0;
        std::int64_t TransitionMs = 0;
    };
    PreviewTimeline() = default;
    // Whole seconds: ticks judge the rounded second.
    PreviewTimeline(const std::vector<SlideTimes>& slides, const std::vector<std::int64_t>& tracks);
    // Exact milliseconds: ticks judge the millisecond.
    static PreviewTimeline Exact(const std::vector<SlideMs>& slides,
                                 const std::vector<std::int64_t>& tracksMs);
    // Exact when any slide carries a length in milliseconds, whole seconds otherwise.
    static PreviewTimeline FromShow(const project::ShowContent& show);

    bool IsExact() const { return exact_; }
    std::size_t SlideCount() const { return line_.SlideCount(); }
    std::size_t TrackCount() const { return trackEnd_.size(); }
    const ShowTimeline& Line() const { return line_; }

    // Slide i occupies [SlideStart(i), SlideStart(i + 1)); its display ends at ShowEnd(i) and its
    // transition runs from there. Tracks lie end to end from 0. All in milliseconds.
    std::int64_t SlideStart(std::size_t i) const { return line_.StartMs(i); }
    std::int64_t ShowEnd(std::size_t i) const { return line_.CutMs(i); }
    std::int64_t TrackStart(std::size_t j) const { return trackStart_[j]; }
    std::int64_t TrackEnd(std::size_t j) const { return trackEnd_[j]; }

    // Slide i is on screen from the start of the transition that brings it in (0 for the first)
    // to the end of its outgoing transition (the last one stays on screen for its transition's
    // length, as the video shows it); its motion runs over that span.
    std::int64_t VisibleFrom(std::size_t i) const { return line_.VisibleFromMs(i); }
    std::int64_t VisibleTo(std::size_t i) const { return line_.VisibleToMs(i); }

    // The motion progress u = t / T of slide i at showMs milliseconds of show time, t counted
    // from VisibleFrom and T the visible span, clamped to 0..1 (0 for an empty span).
    double MotionProgress(std::size_t i, std::int64_t showMs) const;

private:
    PreviewTimeline(ShowTimeline line, const std::vector<std::int64_t>& tracksMs, bool exact);

    bool exact_ = false;
    ShowTimeline line_;
    std::vector<std::int64_t> trackStart_, trackEnd_;
};

// What one tick asks of the caller; -1 = nothing of that kind.
struct PreviewActions {
    std::int32_t StartTrack = -1;      // stop the playing track and start this one
    std::int32_t ShowSlide = -1;       // compose this slide into the picture
    std::int32_t StartTransition = -1; // begin the outgoing transition of this slide
    bool Finished = false;             // the last display phase is over: stop the preview
    bool operator==(const PreviewActions&) const = default;
};

class PreviewSchedule {
public:
    // Starts the show at nowMs with every index back at -1.
    void Start(PreviewTimeline timeline, std::int64_t nowMs);
    // Ends the show: later ticks decide nothing, the indexes go back to -1.
    void Stop();
    bool Running() const { return running_; }

    // Pausing freezes the show's time; resuming shifts the time line (and a running transition)
    // by the paused time, so pictures and music carry on where they were.
    void Pause(std::int64_t nowMs);
    void Resume(std::int64_t nowMs);
    bool Paused() const { return paused_; }

    // One tick of the schedule at nowMs. At most one track and one slide action per tick; when
    // the show is over only Finished is set (a finished show starts nothing).
    PreviewActions Tick(std::int64_t nowMs);

    // Milliseconds of show time at nowMs (pauses left out), and its rounded second.
    std::int64_t ShowTimeMs(std::int64_t nowMs) const;
    std::int64_t Second(std::int64_t nowMs) const { return RoundedSecond(ShowTimeMs(nowMs)); }
    // The show time a tick judges, in milliseconds: the rounded second's start for a time line
    // of whole seconds, the show time itself for an exact one.
    std::int64_t JudgedMs(std::int64_t nowMs) const;
    // Milliseconds since the running transition began (pauses left out); 0 when none runs.
    std::int64_t TransitionElapsedMs(std::int64_t nowMs) const;

    std::int32_t LastShownSlide() const { return lastShownSlide_; }
    std::int32_t LastStartedTrack() const { return lastStartedTrack_; }
    std::int32_t TransitionSlide() const { return transitionSlide_; }
    const PreviewTimeline& Timeline() const { return timeline_; }

private:
    std::int64_t Now(std::int64_t nowMs) const { return paused_ ? pausedAtMs_ : nowMs; }
    // Whether the outgoing transition of slide i starts at judged time t.
    bool TransitionDue(std::size_t i, std::int64_t t) const;

    PreviewTimeline timeline_;
    bool running_ = false;
    bool paused_ = false;
    std::int64_t startMs_ = 0;
    std::int64_t pausedAtMs_ = 0;
    std::int64_t transitionStartMs_ = 0;
    std::int32_t lastShownSlide_ = -1;
    std::int32_t lastStartedTrack_ = -1;
    std::int32_t transitionSlide_ = -1;
};

} // namespace render
