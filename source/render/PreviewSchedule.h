// The preview's schedule: which track belongs to the current moment of the show and when the
// show is over, in exact milliseconds of a monotonic clock the caller reads (so a change of the
// wall clock neither ends nor freezes a show, and tests drive time). The pictures are the
// renderer's frames at the show's time (ShowTimeMs); the schedule starts the music. A tick only
// decides; the caller carries the decision out, and since the index moves before the decision is
// returned, each track is started at most once.
//
// A show whose slides all last whole seconds plays as it always did: a tick judges the current
// second, rounded. A show with exact lengths in milliseconds is judged to the millisecond, so it
// ends where the export does.
#pragma once

#include "render/ShowTimeline.h"

#include <cstdint>
#include <vector>

namespace render {

// The current second of elapsed milliseconds, rounded to nearest with ties to even
// (2500 ms is second 2, 3500 ms second 4); negative times count as 0.
std::int64_t RoundedSecond(std::int64_t elapsedMs);

// The show's time line as the preview plays it: its slides and the tracks heard (the mix's, from
// TracksHeard), judged to the millisecond or by the rounded second.
class PreviewTimeline {
public:
    PreviewTimeline() = default;
    PreviewTimeline(ShowTimeline line, bool exact) : exact_(exact), line_(std::move(line)) {}
    // The show's slides with the tracks given; exact when any slide carries a length in
    // milliseconds, whole seconds otherwise.
    static PreviewTimeline FromShow(const project::ShowContent& show,
                                    std::vector<TrackTime> tracks);

    bool IsExact() const { return exact_; }
    const ShowTimeline& Line() const { return line_; }

private:
    bool exact_ = false;
    ShowTimeline line_;
};

// What one tick asks of the caller.
struct PreviewActions {
    std::int32_t StartTrack = -1; // stop the playing track and start this one (-1: none)
    bool Finished = false;        // the show is over: stop the preview
    bool operator==(const PreviewActions&) const = default;
};

class PreviewSchedule {
public:
    // Starts the show at nowMs with no track started.
    void Start(PreviewTimeline timeline, std::int64_t nowMs);
    // Ends the show: later ticks decide nothing, the track index goes back to -1.
    void Stop();
    bool Running() const { return running_; }

    // Pausing freezes the show's time; resuming shifts the time line by the paused time, so
    // pictures and music carry on where they were.
    void Pause(std::int64_t nowMs);
    void Resume(std::int64_t nowMs);
    bool Paused() const { return paused_; }

    // One tick of the schedule at nowMs: at most one track is started; when the show is over
    // only Finished is set (a finished show starts nothing).
    PreviewActions Tick(std::int64_t nowMs);

    // Milliseconds of show time at nowMs (pauses left out).
    std::int64_t ShowTimeMs(std::int64_t nowMs) const;

    // The show's index of the track started last (-1: none yet).
    std::int32_t LastStartedTrack() const { return lastStartedTrack_; }

private:
    std::int64_t Now(std::int64_t nowMs) const { return paused_ ? pausedAtMs_ : nowMs; }
    // The show time a tick judges: the rounded second's start for a time line of whole seconds,
    // the show time itself for an exact one.
    std::int64_t JudgedMs(std::int64_t nowMs) const;

    PreviewTimeline timeline_;
    bool running_ = false;
    bool paused_ = false;
    std::int64_t startMs_ = 0;
    std::int64_t pausedAtMs_ = 0;
    std::int32_t lastStartedTrack_ = -1;
};

} // namespace render
