// The preview's schedule driven by a clock the test holds: the rounding of the current second,
// when slides, transitions and tracks start, the end of the show, pausing and stopping.
#include "project/ShowModel.h"
#include "render/PreviewSchedule.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using render::PreviewActions;
using render::PreviewSchedule;
using render::PreviewTimeline;
using SlideMs = render::PreviewTimeline::SlideMs;

namespace {

// An arbitrary moment of the monotonic clock at which the shows start.
constexpr std::int64_t kT0 = 7'654'321;

// What happened when, over a run of ticks.
struct Log {
    std::map<std::int32_t, std::vector<std::int64_t>> Slides, Transitions, Tracks; // index -> ms
    std::int64_t FinishedAt = -1;
};

// Ticks every stepMs from fromMs (show time) while the show runs, up to toMs; the times logged
// are show-clock times relative to kT0.
Log RunTicks(PreviewSchedule& schedule, std::int64_t fromMs, std::int64_t toMs,
             std::int64_t stepMs) {
    Log log;
    for (std::int64_t t = fromMs; t <= toMs; t += stepMs) {
        const PreviewActions a = schedule.Tick(kT0 + t);
        if (a.ShowSlide >= 0)
            log.Slides[a.ShowSlide].push_back(t);
        if (a.StartTransition >= 0)
            log.Transitions[a.StartTransition].push_back(t);
        if (a.StartTrack >= 0)
            log.Tracks[a.StartTrack].push_back(t);
        if (a.Finished) {
            log.FinishedAt = t;
            schedule.Stop();
            break;
        }
    }
    return log;
}

using Times = std::vector<std::int64_t>;

TEST(RoundedSecond, NearestWithTiesToEven) {
    const std::pair<std::int64_t, std::int64_t> cases[] = {
        {0, 0},    {499, 0},  {500, 0},   {501, 1},    {1499, 1}, {1500, 2}, {2500, 2},
        {2501, 3}, {3500, 4}, {9500, 10}, {10500, 10}, {-1, 0},   {-2000, 0}};
    for (const auto& [ms, second] : cases)
        EXPECT_EQ(render::RoundedSecond(ms), second) << ms << " ms";
}

TEST(PreviewTimeline, SlidesAndTracksLaidEndToEnd) {
    const PreviewTimeline line({{5, 2}, {3, 0}, {-4, -1}, {1, 3}}, {10, -3, 7});
    ASSERT_EQ(line.SlideCount(), 4u);
    EXPECT_FALSE(line.IsExact());
    EXPECT_EQ(line.SlideStart(0), 0);
    EXPECT_EQ(line.ShowEnd(0), 5000);
    EXPECT_EQ(line.SlideStart(1), 7000);
    EXPECT_EQ(line.ShowEnd(1), 10'000);
    // A damaged record with negative lengths takes no time rather than running backwards.
    EXPECT_EQ(line.SlideStart(2), 10'000);
    EXPECT_EQ(line.ShowEnd(2), 10'000);
    EXPECT_EQ(line.SlideStart(3), 10'000);
    EXPECT_EQ(line.ShowEnd(3), 11'000);
    ASSERT_EQ(line.TrackCount(), 3u);
    EXPECT_EQ(line.TrackStart(1), 10'000);
    EXPECT_EQ(line.TrackEnd(1), 10'000);
    EXPECT_EQ(line.TrackStart(2), 10'000);
    EXPECT_EQ(line.TrackEnd(2), 17'000);
}

// A slide moves from the start of the transition bringing it in (0 for the first) to the end of
// its outgoing transition (the last one too: it stays on screen for its transition's length, as
// the video shows it).
TEST(PreviewTimeline, MotionRunsWhileTheSlideIsVisible) {
    const PreviewTimeline line({{4, 2}, {3, 1}, {5, 9}}, {});
    EXPECT_EQ(line.VisibleFrom(0), 0);
    EXPECT_EQ(line.VisibleTo(0), 6000);
    EXPECT_EQ(line.VisibleFrom(1), 4000);
    EXPECT_EQ(line.VisibleTo(1), 10'000);
    EXPECT_EQ(line.VisibleFrom(2), 9000);
    EXPECT_EQ(line.VisibleTo(2), 24'000);
    EXPECT_DOUBLE_EQ(line.MotionProgress(0, 0), 0.0);
    EXPECT_DOUBLE_EQ(line.MotionProgress(0, 3000), 0.5);
    EXPECT_DOUBLE_EQ(line.MotionProgress(0, 6000), 1.0);
    EXPECT_DOUBLE_EQ(line.MotionProgress(0, 8000), 1.0); // clamped after its span
    EXPECT_DOUBLE_EQ(line.MotionProgress(1, 3000), 0.0); // before it is visible
    EXPECT_DOUBLE_EQ(line.MotionProgress(1, 5500), 0.25);
    EXPECT_DOUBLE_EQ(line.MotionProgress(2, 12000), 0.2);
    EXPECT_DOUBLE_EQ(line.MotionProgress(3, 1000), 0.0); // no such slide
    const PreviewTimeline empty({{0, 0}}, {});
    EXPECT_DOUBLE_EQ(empty.MotionProgress(0, 500), 0.0);
}

TEST(PreviewSchedule, OneSlidePlaysToTheEndOfItsTransitionAsTheVideoDoes) {
    PreviewSchedule schedule;
    schedule.Start(PreviewTimeline({{3, 2}}, {}), kT0);
    // Whole milliseconds: 2500 ms is still second 2, 2501 ms is second 3.
    const Log log = RunTicks(schedule, 0, 10'000, 1);
    EXPECT_EQ(log.Slides, (std::map<std::int32_t, Times>{{0, {0}}}));
    EXPECT_EQ(log.Transitions, (std::map<std::int32_t, Times>{{0, {2501}}}));
    EXPECT_EQ(log.FinishedAt, 4501);
    EXPECT_FALSE(schedule.Running());
    EXPECT_EQ(schedule.LastShownSlide(), -1);
}

TEST(PreviewSchedule, SecondTrackStartsAtSecondTen) {
    PreviewSchedule schedule;
    schedule.Start(PreviewTimeline({{25, 0}}, {10, 10}), kT0);
    const Log log = RunTicks(schedule, 0, 30'000, 30);
    EXPECT_EQ(log.Tracks, (std::map<std::int32_t, Times>{{0, {0}}, {1, {9510}}}));
    EXPECT_EQ(log.FinishedAt, 24'510); // 24.51 s rounds to second 25
}

TEST(PreviewSchedule, ThreeSlidesEachShownAndEachTransitionStartedOnce) {
    // Slide 0: shown 0..4, transition 4..6; slide 1: 6..9, transition 9..11; slide 2: 11..13,
    // then its own transition time to 16, as in the video.
    PreviewSchedule schedule;
    schedule.Start(PreviewTimeline({{4, 2}, {3, 2}, {2, 3}}, {}), kT0);
    const Log log = RunTicks(schedule, 0, 60'000, 30);
    EXPECT_EQ(log.Slides, (std::map<std::int32_t, Times>{{0, {0}}, {1, {5520}}, {2, {10'530}}}));
    EXPECT_EQ(log.Transitions,
              (std::map<std::int32_t, Times>{{0, {3510}}, {1, {8520}}, {2, {12'510}}}));
    EXPECT_EQ(log.FinishedAt, 15'510);
}

TEST(PreviewSchedule, ReentrantTicksRepeatNothing) {
    PreviewSchedule schedule;
    schedule.Start(PreviewTimeline({{1, 2}, {1, 0}}, {2}), kT0);
    // The caller is still carrying out a tick's decision when a second tick arrives at the same
    // or a later moment of the same second: it gets nothing to do.
    const PreviewActions first = schedule.Tick(kT0);
    EXPECT_EQ(first, (PreviewActions{0, 0, -1, false}));
    EXPECT_EQ(schedule.Tick(kT0), PreviewActions{});
    EXPECT_EQ(schedule.Tick(kT0 + 200), PreviewActions{});
    const PreviewActions transition = schedule.Tick(kT0 + 1000);
    EXPECT_EQ(transition.StartTransition, 0);
    EXPECT_EQ(schedule.Tick(kT0 + 1000), PreviewActions{});
    EXPECT_EQ(schedule.TransitionElapsedMs(kT0 + 1400), 400);
    EXPECT_EQ(schedule.Tick(kT0 + 2400).ShowSlide, -1); // second 2: the transition still runs
    EXPECT_EQ(schedule.Tick(kT0 + 2700).ShowSlide, 1);
    EXPECT_EQ(schedule.Tick(kT0 + 2700), PreviewActions{});
}

TEST(PreviewSchedule, ZeroSecondTransitionHandsOverInTheSameSecond) {
    PreviewSchedule schedule;
    schedule.Start(PreviewTimeline({{2, 0}, {2, 0}}, {}), kT0);
    const Log log = RunTicks(schedule, 0, 10'000, 30);
    EXPECT_EQ(log.Slides, (std::map<std::int32_t, Times>{{0, {0}}, {1, {1530}}}));
    // 1500 ms is already second 2 (1.5 rounds to the even 2).
    EXPECT_EQ(log.Transitions, (std::map<std::int32_t, Times>{{0, {1500}}}));
    EXPECT_EQ(log.FinishedAt, 3510);
}

TEST(PreviewSchedule, TrackWhosePlaceWasPassedIsSkippedForGood) {
    PreviewSchedule schedule;
    schedule.Start(PreviewTimeline({{20, 0}}, {1, 1, 10}), kT0);
    EXPECT_EQ(schedule.Tick(kT0).StartTrack, 0);
    // A slow composition delays the next tick to second 3: track 1 (seconds 1..2) is gone.
    EXPECT_EQ(schedule.Tick(kT0 + 3000).StartTrack, 2);
    EXPECT_EQ(schedule.Tick(kT0 + 3030).StartTrack, -1);
    EXPECT_EQ(schedule.LastStartedTrack(), 2);
}

TEST(PreviewSchedule, PauseShiftsTheTimeLine) {
    PreviewSchedule schedule;
    schedule.Start(PreviewTimeline({{3, 2}, {3, 0}}, {2, 5}), kT0);
    EXPECT_EQ(schedule.Tick(kT0), (PreviewActions{0, 0, -1, false}));
    EXPECT_EQ(schedule.Tick(kT0 + 1600).StartTrack, 1);
    EXPECT_EQ(schedule.Tick(kT0 + 2600).StartTransition, 0);
    schedule.Pause(kT0 + 3000);
    EXPECT_TRUE(schedule.Paused());
    // Nothing moves while paused, however long: not the show time, not the transition.
    for (std::int64_t t = 3000; t <= 60'000; t += 1000)
        EXPECT_EQ(schedule.Tick(kT0 + t), PreviewActions{}) << t;
    EXPECT_EQ(schedule.ShowTimeMs(kT0 + 60'000), 3000);
    EXPECT_EQ(schedule.TransitionElapsedMs(kT0 + 60'000), 400);
    schedule.Resume(kT0 + 60'000);
    EXPECT_FALSE(schedule.Paused());
    EXPECT_EQ(schedule.ShowTimeMs(kT0 + 60'100), 3100);
    EXPECT_EQ(schedule.TransitionElapsedMs(kT0 + 60'100), 500);
    // Slide 1 was due at second 5, now 57 s later; the end at second 8 likewise.
    EXPECT_EQ(schedule.Tick(kT0 + 61'400).ShowSlide, -1);
    EXPECT_EQ(schedule.Tick(kT0 + 61'600).ShowSlide, 1);
    EXPECT_FALSE(schedule.Tick(kT0 + 64'499).Finished);
    EXPECT_TRUE(schedule.Tick(kT0 + 64'500).Finished); // 7.5 s of show time is second 8
}

TEST(PreviewSchedule, StoppedOrUnstartedDecidesNothing) {
    PreviewSchedule schedule;
    EXPECT_EQ(schedule.Tick(kT0), PreviewActions{});
    schedule.Pause(kT0);
    EXPECT_FALSE(schedule.Paused());
    schedule.Start(PreviewTimeline({{5, 1}, {5, 1}}, {3, 3}), kT0);
    EXPECT_EQ(schedule.Tick(kT0).ShowSlide, 0);
    schedule.Stop();
    EXPECT_EQ(schedule.Tick(kT0 + 3000), PreviewActions{});
    EXPECT_EQ(schedule.LastShownSlide(), -1);
    EXPECT_EQ(schedule.LastStartedTrack(), -1);
    EXPECT_EQ(schedule.TransitionSlide(), -1);
    // An empty show is over at once.
    schedule.Start(PreviewTimeline({}, {3}), kT0);
    EXPECT_EQ(schedule.Tick(kT0), (PreviewActions{-1, -1, -1, true}));
}

// Exact lengths are judged to the millisecond: every cut falls on its planned time (the export's),
// a late tick starts a transition timed from its planned start, and motion runs over the exact
// visible span.
TEST(PreviewSchedule, ExactLengthsCutOnTheirMilliseconds) {
    const PreviewTimeline line =
        PreviewTimeline::Exact({{1234, 500}, {2000, 750}, {1010, 0}}, {1700, 5000});
    EXPECT_TRUE(line.IsExact());
    PreviewSchedule schedule;
    schedule.Start(line, kT0);
    Log log = RunTicks(schedule, 0, 10'000, 1);
    EXPECT_EQ(log.Slides, (std::map<std::int32_t, Times>{{0, {0}}, {1, {1734}}, {2, {4484}}}));
    EXPECT_EQ(log.Transitions, (std::map<std::int32_t, Times>{{0, {1234}}, {1, {3734}}}));
    EXPECT_EQ(log.Tracks, (std::map<std::int32_t, Times>{{0, {0}}, {1, {1700}}}));
    EXPECT_EQ(log.FinishedAt, 5494);
    EXPECT_DOUBLE_EQ(line.MotionProgress(1, 1234 + 1300), 0.4); // visible 1234..4484

    // Ticks 30 ms apart: each action on the first tick at or after its time.
    schedule.Start(line, kT0);
    log = RunTicks(schedule, 0, 10'000, 30);
    EXPECT_EQ(log.Transitions, (std::map<std::int32_t, Times>{{0, {1260}}, {1, {3750}}}));
    EXPECT_EQ(log.Slides, (std::map<std::int32_t, Times>{{0, {0}}, {1, {1740}}, {2, {4500}}}));
    EXPECT_EQ(log.FinishedAt, 5520);
    schedule.Start(line, kT0);
    schedule.Tick(kT0);
    EXPECT_EQ(schedule.Tick(kT0 + 1260).StartTransition, 0);
    EXPECT_EQ(schedule.TransitionElapsedMs(kT0 + 1260), 26);
}

// A show is judged to the millisecond as soon as one slide carries an exact length; a show of
// whole seconds keeps the rounded seconds it always had.
TEST(PreviewTimeline, ExactOnlyWhenASlideCarriesMilliseconds) {
    project::ShowContent show;
    show.Slides.assign(2, project::Slide::MakeDefault());
    show.Slides[0].StillMs = 3000;
    show.Slides[0].TransitionMs = 1000;
    show.Slides[1].StillMs = 2000;
    show.Sounds.push_back(project::Track::MakeDefault());
    show.Sounds[0].PlaySeconds = 4;
    const PreviewTimeline whole = PreviewTimeline::FromShow(show);
    EXPECT_FALSE(whole.IsExact());
    EXPECT_EQ(whole.ShowEnd(1), 6000);
    EXPECT_EQ(whole.TrackEnd(0), 4000);
    show.Slides[0].TransitionMs = 1480;
    const PreviewTimeline exact = PreviewTimeline::FromShow(show);
    EXPECT_TRUE(exact.IsExact());
    EXPECT_EQ(exact.ShowEnd(0), 3000);
    EXPECT_EQ(exact.SlideStart(1), 4480);
    EXPECT_EQ(exact.ShowEnd(1), 6480);
    EXPECT_EQ(exact.TrackEnd(0), 4000);
}

} // namespace
