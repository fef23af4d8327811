// The preview's schedule driven by a clock the test holds: the rounding of the current second,
// when tracks start, the end of the show, pausing and stopping.
#include "project/ShowModel.h"
#include "render/PreviewSchedule.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using render::PreviewActions;
using render::PreviewSchedule;
using render::PreviewTimeline;

namespace {

// An arbitrary moment of the monotonic clock at which the shows start.
constexpr std::int64_t kT0 = 7'654'321;

// Slides (still and transition in milliseconds) with tracks of the given play lengths, heard in a
// video as long as the slides, as the time line lays them out with the cross-fade.
PreviewTimeline LineOf(std::vector<render::SlideTime> slides, std::vector<std::int64_t> tracksMs,
                       bool exact, std::int64_t crossfadeMs = 0) {
    render::TrackPlan plan;
    plan.CrossfadeMs = crossfadeMs;
    for (const std::int64_t ms : tracksMs)
        plan.Tracks.push_back({ms, 0, 0});
    const render::ShowTimeline line(std::move(slides));
    return PreviewTimeline(line.WithTracks(render::TracksHeard(plan, line.LengthMs())), exact);
}

// When each track was started, and when the show finished, over a run of ticks.
struct Log {
    std::map<std::int32_t, std::vector<std::int64_t>> Tracks; // index -> show-clock ms
    std::int64_t FinishedAt = -1;
};

// Ticks every stepMs from fromMs (show time) while the show runs, up to toMs.
Log RunTicks(PreviewSchedule& schedule, std::int64_t fromMs, std::int64_t toMs,
             std::int64_t stepMs) {
    Log log;
    for (std::int64_t t = fromMs; t <= toMs; t += stepMs) {
        const PreviewActions a = schedule.Tick(kT0 + t);
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

TEST(PreviewSchedule, WholeSecondsStartTracksAndEndOnTheRoundedSecond) {
    PreviewSchedule schedule;
    schedule.Start(LineOf({{25'000, 0}}, {10'000, 10'000}, false), kT0);
    Log log = RunTicks(schedule, 0, 30'000, 30);
    EXPECT_EQ(log.Tracks, (std::map<std::int32_t, Times>{{0, {0}}, {1, {9510}}}));
    EXPECT_EQ(log.FinishedAt, 24'510); // 24.51 s rounds to second 25
    // One slide plays to the end of its transition, as the video does: 4501 ms is second 5.
    schedule.Start(LineOf({{3000, 2000}}, {}, false), kT0);
    log = RunTicks(schedule, 0, 10'000, 1);
    EXPECT_EQ(log.FinishedAt, 4501);
    EXPECT_FALSE(schedule.Running());
}

// Exact lengths are judged to the millisecond: each track starts and the show ends on its
// planned time, or on the first tick after it.
TEST(PreviewSchedule, ExactLengthsAreJudgedToTheMillisecond) {
    const PreviewTimeline line = LineOf({{1234, 500}, {2000, 750}, {1010, 0}}, {1700, 5000}, true);
    PreviewSchedule schedule;
    schedule.Start(line, kT0);
    Log log = RunTicks(schedule, 0, 10'000, 1);
    EXPECT_EQ(log.Tracks, (std::map<std::int32_t, Times>{{0, {0}}, {1, {1700}}}));
    EXPECT_EQ(log.FinishedAt, 5494);
    schedule.Start(line, kT0);
    log = RunTicks(schedule, 0, 10'000, 30);
    EXPECT_EQ(log.Tracks, (std::map<std::int32_t, Times>{{0, {0}}, {1, {1710}}}));
    EXPECT_EQ(log.FinishedAt, 5520);
}

// The tracks are the mix's: a cross-faded one starts where it comes in, under the track it takes
// over from, and one that is not played is never started (the show's index is reported).
TEST(PreviewSchedule, TracksStartWhereTheMixBringsThemIn) {
    PreviewSchedule schedule;
    schedule.Start(LineOf({{20'000, 0}}, {4000, 0, 6000, 3000}, true, 1500), kT0);
    const Log log = RunTicks(schedule, 0, 30'000, 1);
    EXPECT_EQ(log.Tracks, (std::map<std::int32_t, Times>{{0, {0}}, {2, {2500}}, {3, {7000}}}));
}

TEST(PreviewSchedule, TrackWhosePlaceWasPassedIsSkippedForGood) {
    PreviewSchedule schedule;
    schedule.Start(LineOf({{20'000, 0}}, {1000, 1000, 10'000}, false), kT0);
    EXPECT_EQ(schedule.Tick(kT0).StartTrack, 0);
    EXPECT_EQ(schedule.Tick(kT0).StartTrack, -1); // a second tick at the same moment: nothing
    // A slow tick comes at second 3 only: track 1 (seconds 1..2) is gone.
    EXPECT_EQ(schedule.Tick(kT0 + 3000).StartTrack, 2);
    EXPECT_EQ(schedule.Tick(kT0 + 3030).StartTrack, -1);
    EXPECT_EQ(schedule.LastStartedTrack(), 2);
}

TEST(PreviewSchedule, PauseShiftsTheTimeLine) {
    PreviewSchedule schedule;
    schedule.Start(LineOf({{3000, 2000}, {3000, 0}}, {2000, 5000}, false), kT0);
    EXPECT_EQ(schedule.Tick(kT0), (PreviewActions{0, false}));
    EXPECT_EQ(schedule.Tick(kT0 + 1600).StartTrack, 1);
    schedule.Pause(kT0 + 3000);
    EXPECT_TRUE(schedule.Paused());
    // Nothing moves while paused, however long.
    for (std::int64_t t = 3000; t <= 60'000; t += 1000)
        EXPECT_EQ(schedule.Tick(kT0 + t), PreviewActions{}) << t;
    EXPECT_EQ(schedule.ShowTimeMs(kT0 + 60'000), 3000);
    schedule.Resume(kT0 + 60'000);
    EXPECT_FALSE(schedule.Paused());
    EXPECT_EQ(schedule.ShowTimeMs(kT0 + 60'100), 3100);
    // The end at second 8 comes 57 s later.
    EXPECT_FALSE(schedule.Tick(kT0 + 64'499).Finished);
    EXPECT_TRUE(schedule.Tick(kT0 + 64'500).Finished); // 7.5 s of show time is second 8
}

TEST(PreviewSchedule, StoppedOrUnstartedDecidesNothing) {
    PreviewSchedule schedule;
    EXPECT_EQ(schedule.Tick(kT0), PreviewActions{});
    schedule.Pause(kT0);
    EXPECT_FALSE(schedule.Paused());
    schedule.Start(LineOf({{5000, 1000}, {5000, 1000}}, {3000, 3000}, false), kT0);
    EXPECT_EQ(schedule.Tick(kT0).StartTrack, 0);
    schedule.Stop();
    EXPECT_EQ(schedule.Tick(kT0 + 3000), PreviewActions{});
    EXPECT_EQ(schedule.LastStartedTrack(), -1);
    EXPECT_EQ(schedule.ShowTimeMs(kT0 + 3000), 0);
    // An empty show is over at once.
    schedule.Start(LineOf({}, {3000}, false), kT0);
    EXPECT_EQ(schedule.Tick(kT0), (PreviewActions{-1, true}));
}

// A show is judged to the millisecond as soon as one slide carries an exact length; a show of
// whole seconds keeps the rounded seconds it always had.
TEST(PreviewTimeline, ExactOnlyWhenASlideCarriesMilliseconds) {
    project::ShowContent show;
    show.Slides.assign(2, project::Slide::MakeDefault());
    show.Slides[0].StillMs = 3000;
    show.Slides[0].TransitionMs = 1000;
    show.Slides[1].StillMs = 2000;
    const std::vector<render::TrackTime> tracks{{.Track = 0, .StartMs = 0, .EndMs = 4000}};
    const PreviewTimeline whole = PreviewTimeline::FromShow(show, tracks);
    EXPECT_FALSE(whole.IsExact());
    EXPECT_EQ(whole.Line().LengthMs(), 6000);
    EXPECT_EQ(whole.Line().Tracks(), tracks);
    show.Slides[0].TransitionMs = 1480;
    const PreviewTimeline exact = PreviewTimeline::FromShow(show, tracks);
    EXPECT_TRUE(exact.IsExact());
    EXPECT_EQ(exact.Line().LengthMs(), 6480);
}

} // namespace
