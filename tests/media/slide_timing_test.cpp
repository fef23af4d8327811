// The show's frames from exact slide durations, fitting the photos to a decoded track, and cuts
// moved onto the beats libaubio finds in a mixed click track.
#include "AudioFiles.h"
#include "media/audio/TrackPcmSource.h"
#include "media/music/BeatCuts.h"
#include "media/music/BeatTracker.h"
#include "media/music/ShowMix.h"
#include "media/music/SoundtrackMixer.h"
#include "project/ShowModel.h"
#include "render/PreviewSchedule.h"
#include "render/ShowTimeline.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using render::SlideTime;

std::vector<SlideTime> Varied(int count) {
    std::vector<SlideTime> slides;
    for (int i = 0; i < count; ++i)
        slides.push_back({1000 + (i * 733) % 2917, (i % 3) * 517});
    return slides;
}

TEST(SlideTiming, EveryBoundaryLandsWithinHalfAFrameWithoutDrift) {
    const auto slides = Varied(500);
    for (const render::FrameRate rate :
         {render::FrameRate{25, 1}, render::FrameRate{30000, 1001}}) {
        const auto frames = render::ShowTimeline(slides).Spans(rate);
        ASSERT_EQ(frames.size(), slides.size());
        const double frameMs = 1000.0 * rate.Den / rate.Num;
        std::int64_t planned = 0;
        for (std::size_t i = 0; i < slides.size(); ++i) {
            EXPECT_NEAR(frames[i].First * frameMs, planned, frameMs / 2 + 1e-9);
            planned += slides[i].StillMs;
            EXPECT_NEAR(frames[i].Cut * frameMs, planned, frameMs / 2 + 1e-9) << i;
            planned += slides[i].TransitionMs;
            if (i + 1 < slides.size()) {
                EXPECT_EQ(frames[i].End, frames[i + 1].First);
            }
        }
        EXPECT_NEAR(frames.back().End * frameMs, planned, frameMs / 2 + 1e-9);
    }
    // Whole seconds at 25 frames per second: 25 frames a second, as before.
    const auto whole =
        render::ShowTimeline({{3000, 2000}, {0, 1000}, {-5, -5}}).Spans(render::FrameRate{});
    EXPECT_EQ(whole[0].Still(), 75);
    EXPECT_EQ(whole[0].Transition(), 50);
    EXPECT_EQ(whole[1].Still(), 0);
    EXPECT_EQ(whole[1].Transition(), 25);
    EXPECT_EQ(whole[2].End, 150);
    EXPECT_EQ(render::ShowTimeline::FrameAt(20, {}), 1); // halves round up
    EXPECT_EQ(render::ShowTimeline::FrameAt(19, {}), 0);
}

// A show fitted to its music plays its cuts in the preview at the moments the export plans them.
TEST(SlideTiming, ThePreviewCutsWhereTheExportDoes) {
    project::ShowContent show;
    for (const SlideTime& t : render::FitSlidesToMusic(Varied(40), 123'457)) {
        project::Slide s = project::Slide::MakeDefault();
        s.StillMs = static_cast<std::int32_t>(t.StillMs);
        s.TransitionMs = static_cast<std::int32_t>(t.TransitionMs);
        show.Slides.push_back(s);
    }
    const auto times = render::ShowTimeline::TimesOf(show.Slides);
    const auto cuts = render::ShowTimeline(times).CutTimesMs();
    const auto line = render::PreviewTimeline::FromShow(show);
    ASSERT_EQ(line.SlideCount(), cuts.size());
    for (std::size_t i = 0; i < cuts.size(); ++i)
        EXPECT_EQ(line.ShowEnd(i), cuts[i]) << i;
    EXPECT_EQ(line.VisibleTo(cuts.size() - 1), render::ShowTimeline(times).LengthMs());
}

TEST(SlideTiming, AHundredSlidesFitADecodedTrackOf307Point3Seconds) {
    testing_audio::LoadRealLibrary();
    auto& files = testing_audio::AudioFiles::Get();
    const std::string track = files.Wav("fit.wav", 307.3, "-r 8000 -c 1 -b 16");
    auto source = media::OpenTrackPcmSource(track);
    ASSERT_TRUE(source) << source.error();
    std::int64_t samples = 0;
    std::vector<std::uint8_t> buf(1 << 16);
    while (auto got = *(*source)->Read(buf.data(), buf.size()))
        samples += static_cast<std::int64_t>(got / 2);
    const std::int64_t musicMs = samples * 1000 / 8000;
    ASSERT_EQ(musicMs, 307300);

    const auto slides = Varied(100);
    const auto fitted = render::FitSlidesToMusic(slides, musicMs);
    ASSERT_EQ(fitted.size(), 100u);
    const auto frames = render::ShowTimeline(fitted).Spans(render::FrameRate{});
    EXPECT_LE(std::abs(frames.back().End * 40 - musicMs), 40);
    EXPECT_EQ(render::ShowTimeline(fitted).LengthMs(), musicMs);
    // Proportions kept: every part scaled by the same factor, to the millisecond.
    const double k = static_cast<double>(musicMs) / render::ShowTimeline(slides).LengthMs();
    for (std::size_t i = 0; i < slides.size(); ++i) {
        EXPECT_NEAR(fitted[i].StillMs, slides[i].StillMs * k, 1.0) << i;
        EXPECT_NEAR(fitted[i].TransitionMs, slides[i].TransitionMs * k, 1.0) << i;
    }
    EXPECT_EQ(render::FitSlidesToMusic({{0, 0}}, 5000)[0].StillMs, 0); // nothing to scale
}

TEST(BeatCuts, CutsMoveToTheNearestBeatButNoStillBelowOneSecond) {
    const std::vector<double> beats{400, 1000, 1600, 2400, 3900, 9000};
    const auto cut = media::CutOnBeats({{1500, 200}, {300, 100}, {600, 0}, {800, 0}}, beats);
    // Planned cuts at 1500, 2000, 2700, 3500 ms.
    EXPECT_EQ(cut[0].StillMs, 1600);        // nearest beat
    EXPECT_EQ(cut[0].TransitionMs, 200);    // kept, so it starts on the beat
    EXPECT_EQ(cut[1].StillMs, 2400 - 1800); // was 0.3 s: may not shrink, may grow
    EXPECT_EQ(cut[2].StillMs, 3900 - 2500); // 2400 would leave no still at all
    EXPECT_EQ(cut[3].StillMs, 800);         // no beat allowed within 2 s: keeps its still
}

TEST(BeatCuts, EveryCutOfAShowOnA120BpmClickTrackFallsWithinAFrameOfAClick) {
    auto& files = testing_audio::AudioFiles::Get();
    const std::string clicks = files.Path("clicks.wav");
    // A 10 ms click every 0.5 s for 40 s.
    ASSERT_TRUE(testing_audio::RunTool("sox -n -r 44100 -c 2 -b 16 " +
                                       testing_audio::Quote(clicks) +
                                       " synth 0.01 sine 1000 vol 0.8 pad 0 0.49 repeat 79"));
    testing_audio::LoadRealLibrary();
    media::MixPlan plan;
    plan.VideoMs = 40000;
    plan.EndFadeSeconds = 0.5;
    plan.Tracks.resize(1);
    plan.Tracks[0].WorkFile = clicks;
    plan.Tracks[0].PlayMs = 40000;
    media::SoundtrackMixer mix(plan, media::OpenTrackPcmSource);
    auto beats = media::DetectBeats(mix, nullptr);
    ASSERT_TRUE(beats) << beats.error();
    ASSERT_GT(beats->size(), 50u);

    std::vector<SlideTime> slides;
    for (int i = 0; i < 20; ++i)
        slides.push_back({1100 + (i * 377) % 900, (i % 2) * 500});
    const auto moved = media::CutOnBeats(slides, *beats);
    const auto frames = render::ShowTimeline(moved).Spans(render::FrameRate{});
    for (std::size_t i = 0; i < moved.size(); ++i) {
        EXPECT_GE(moved[i].StillMs, 1000) << i;
        EXPECT_EQ(moved[i].TransitionMs, slides[i].TransitionMs);
        const double at = frames[i].Cut * 40.0;
        const double click = std::round(at / 500) * 500;
        EXPECT_LE(std::abs(at - click), 40) << "cut " << i << " at " << at << " ms";
    }
}

} // namespace
