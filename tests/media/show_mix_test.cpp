// The show document read as a soundtrack plan and a time line: a show from an older file gives
// the plain plan and the very same soundtrack bytes as before; newer shows carry their fades and
// options and play whole tracks to their exact end; fitting rewrites the slides' exact times.
#include "AudioFiles.h"
#include "media/audio/TrackPcmSource.h"
#include "media/music/Mixdown.h"
#include "media/music/ShowFitting.h"
#include "media/music/ShowMix.h"
#include "project/Records.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

project::Track TrackOf(const std::string& file, std::int32_t play, std::int32_t length,
                       std::int32_t volume) {
    project::Track t = project::Track::MakeDefault();
    t.WorkFile = file;
    t.PlaySeconds = play;
    t.LengthSeconds = length;
    t.Volume = volume;
    return t;
}

// The bytes of every queued piece and where it starts.
std::vector<std::pair<std::int32_t, QByteArray>> Render(const media::MixPlan& plan) {
    std::vector<std::pair<std::int32_t, QByteArray>> out;
    base::NoProgress progress;
    media::TemporaryFiles files;
    auto pieces = media::DecodeSoundtrack(plan, media::OpenTrackPcmSource, files, progress);
    EXPECT_TRUE(pieces) << (pieces ? "" : pieces.error());
    if (!pieces)
        return out;
    for (const auto& piece : pieces->Queue) {
        QFile f(QString::fromStdString(piece.Path));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << piece.Path;
        out.emplace_back(piece.StartMs, f.readAll());
    }
    return out;
}

} // namespace

TEST(ShowMixTest, AShowFromAnOlderFileSoundsExactlyAsBefore) {
    testing_audio::LoadRealLibrary();
    auto& files = testing_audio::AudioFiles::Get();
    project::ShowContent show;
    // As an older file opens: records only, the loudness measured by this import.
    show.Sounds.push_back(TrackOf(files.Wav("old1.wav", 3.4), 3, 3, 60));
    show.Sounds.push_back(TrackOf(files.Wav("old2.wav", 2.2), 2, 2, 100));
    project::Track measured = show.Sounds[1];
    measured.Ext.HasLoudness = true;
    measured.Ext.LoudnessLufs = -20;
    measured.Ext.TruePeakDb = -3;
    show.Sounds[1] = measured;

    const media::MixPlan plan = media::MixPlanOf(show, 4000);
    ASSERT_TRUE(media::IsPlainPlan(plan));
    const media::MixPlan before = media::PlainMixPlan(
        {{show.Sounds[0].WorkFile, 3, 60}, {show.Sounds[1].WorkFile, 2, 100}}, 4);
    ASSERT_EQ(plan.Tracks.size(), before.Tracks.size());
    EXPECT_EQ(plan.VideoMs, before.VideoMs);
    for (std::size_t i = 0; i < plan.Tracks.size(); ++i) {
        EXPECT_EQ(plan.Tracks[i].WorkFile, before.Tracks[i].WorkFile);
        EXPECT_EQ(plan.Tracks[i].PlayMs, before.Tracks[i].PlayMs); // whole seconds, not 3.4 s
        EXPECT_EQ(plan.Tracks[i].Volume, before.Tracks[i].Volume);
    }
    // The same pieces, byte for byte: the first whole 3 s, the second cut to the video's 4 s.
    const auto now = Render(plan);
    const auto then = Render(before);
    ASSERT_EQ(now.size(), 2u);
    EXPECT_EQ(now, then);
    EXPECT_EQ(now[1].first, 3000);
}

TEST(ShowMixTest, NewerShowsPlanFadesOptionsAndWholeTracksToTheirEnd) {
    testing_audio::LoadRealLibrary();
    auto& files = testing_audio::AudioFiles::Get();
    project::ShowContent show;
    project::Track whole = TrackOf(files.Wav("whole.wav", 2.3), 2, 2, 80);
    whole.Ext.FadeInSeconds = 1.5;
    whole.Ext.FadeOutSeconds = 12; // more than a fade may be
    whole.Ext.HasLoudness = true;
    whole.Ext.LoudnessLufs = -23.5;
    whole.Ext.TruePeakDb = -4;
    show.Sounds.insert(show.Sounds.begin() + 0, whole);
    show.Sounds.push_back(TrackOf(files.Wav("part.wav", 4.4), 3, 4, 100)); // played in part
    show.Options = media::NewShowOptions();
    EXPECT_EQ(show.Options.EndFadeSeconds, media::kDefaultEndFadeSeconds);

    const media::MixPlan plan = media::MixPlanOf(show, 9000);
    EXPECT_FALSE(media::IsPlainPlan(plan));
    EXPECT_EQ(plan.EndFadeSeconds, media::kDefaultEndFadeSeconds);
    EXPECT_EQ(plan.VideoMs, 9000);
    ASSERT_EQ(plan.Tracks.size(), 2u);
    EXPECT_EQ(plan.Tracks[0].PlayMs, 2300); // to its last sample
    EXPECT_EQ(plan.Tracks[0].FadeInSeconds, 1.5);
    EXPECT_EQ(plan.Tracks[0].FadeOutSeconds, media::kMaxFadeSeconds);
    EXPECT_EQ(plan.Tracks[0].LoudnessLufs, -23.5);
    EXPECT_EQ(plan.Tracks[0].TruePeakDbtp, -4);
    EXPECT_EQ(plan.Tracks[1].PlayMs, 3000); // the user's cut stays
    EXPECT_FALSE(plan.Tracks[1].LoudnessLufs.has_value());
    EXPECT_EQ(media::PlannedMusicMs(plan), 5300);

    // The show's timeline lays the tracks out by the same plan: a cross-fade overlaps them and
    // lengthens their fades, and no fade is longer than its track.
    project::ShowOptions options = show.Options;
    options.TrackCrossfadeSeconds = 1;
    show.Options = options;
    const render::ShowTimeline timeline = media::ShowTimelineOf(show, 9000);
    const auto& tracks = timeline.Tracks();
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0].StartMs, 0);
    EXPECT_EQ(tracks[0].FadeInMs, 1500);
    EXPECT_EQ(tracks[0].FadeOutMs, 2300);
    EXPECT_EQ(tracks[1].StartMs, 1300);
    EXPECT_EQ(tracks[1].EndMs, 4300);
    EXPECT_EQ(tracks[1].FadeInMs, 1000);
}

TEST(ShowMixTest, FittingWritesExactTimesAndTheRecordRoundsThem) {
    project::Slide s = project::Slide::MakeDefault();
    s.StillMs = 2500;
    s.TransitionMs = 3000;
    EXPECT_TRUE(s.NeedsExtension());
    const project::SlideRecord r = project::PackSlide(s);
    EXPECT_EQ(r.ShowSeconds.get(), 3); // rounded for older readers, halves up
    EXPECT_EQ(r.TransitionSeconds.get(), 3);
    s.StillMs = 499;
    EXPECT_EQ(project::PackSlide(s).ShowSeconds.get(), 0);
    s.StillMs = 4000;
    EXPECT_FALSE(s.NeedsExtension()); // whole seconds stay in the records alone

    testing_audio::LoadRealLibrary();
    project::ShowContent show;
    for (int k = 0; k < 3; ++k)
        show.Slides.push_back(project::Slide::MakeDefault());
    const auto silent = media::FitPhotosToMusic(show);
    ASSERT_FALSE(silent);
    EXPECT_EQ(silent.error(), "the show has no music");
    auto& files = testing_audio::AudioFiles::Get();
    show.Sounds.push_back(TrackOf(files.Wav("fit.wav", 7.3), 7, 7, 100));
    show.Options = media::NewShowOptions();
    const auto fitted = media::FitPhotosToMusic(show);
    ASSERT_TRUE(fitted) << fitted.error();
    EXPECT_EQ(fitted->Retimed, 3u);
    EXPECT_EQ(fitted->ClipsKept, 0u);
    EXPECT_EQ(render::ShowTimeline::Of(show).LengthMs(), 7300);
    EXPECT_TRUE(media::EndsWithTheMusic(show));
    for (const auto& slide : show.Slides)
        EXPECT_NEAR(slide.StillMs, 7300 / 3, 1);
    EXPECT_EQ(media::FitPhotosToMusic(show)->Retimed, 0u); // fitted already: nothing changes

    // A clip plays its trim: one whose still was stored short gets its trim's back, and the
    // photos share the rest. Clips that leave the photos no time are refused, saying so.
    project::Slide clip = project::Slide::MakeDefault();
    clip.Body = project::ClipSettings{"clip.mp4", "clip.mp4", 9000, 500, 4500};
    clip.StillMs = 1500;
    show.Slides.insert(show.Slides.begin() + 1, clip);
    const auto around = media::FitPhotosToMusic(show);
    ASSERT_TRUE(around) << around.error();
    EXPECT_EQ(around->ClipsKept, 1u);
    EXPECT_EQ(show.Slides[1].StillMs, 4000);
    EXPECT_NEAR(show.Slides[0].StillMs, 1100, 1);
    EXPECT_EQ(render::ShowTimeline::Of(show).LengthMs(), 7300);
    show.Slides[1].Clip()->OutMs = 8000; // 7.5 s of the 7.3 s of music
    const auto longer = media::FitPhotosToMusic(show);
    ASSERT_FALSE(longer);
    EXPECT_NE(longer.error().find("the clips alone last"), std::string::npos) << longer.error();
    project::ShowContent clips = show;
    clips.Slides = {show.Slides[1]};
    const auto only = media::FitPhotosToMusic(clips);
    ASSERT_FALSE(only);
    EXPECT_NE(only.error().find("only video clips"), std::string::npos) << only.error();
}
