// Clips as slides of a show: every frame the one renderer draws of a clip against ffmpeg's own
// decoding of the clip at that frame's time (the counter drawn into each source frame proves the
// choice, PSNR the picture); an exported video whose clip sound lines up with its counter; the
// music ducked under a clip, and the clip's sound faded over the transition that brings it in.
#include "AudioFiles.h"
#include "AviProbe.h"
#include "ClipFiles.h"
#include "Outcomes.h"
#include "base/Job.h"
#include "media/audio/TrackPcmSource.h"
#include "media/export/VideoExport.h"
#include "media/music/ShowMix.h"
#include "media/music/SoundtrackMixer.h"
#include "media/video/ClipImport.h"
#include "media/video/ClipPictureSource.h"
#include "media/video/ClipProbe.h"
#include "media/video/ClipSound.h"
#include "project/ClipSlides.h"
#include "render/FrameRenderer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace clip_show_test {

using clip_files::Make;
using clip_files::Source;
using clip_files::Vf;

class ClipShowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        const std::string root = dir.path().toStdString() + "/";
        ASSERT_TRUE(QDir().mkpath(dir.filePath("pictures")) &&
                    QDir().mkpath(dir.filePath("music")));
        files = project::WorkFiles(root + "pictures/", root + "music/", 5);
        photos.Resolution = "640x360";
        photos.BackColor = 0;
    }
    // A grey photo of `stillMs`, going out with a transition of `transitionMs`.
    void AddPhoto(std::int64_t stillMs, std::int64_t transitionMs = 0) {
        imaging::Bitmap grey = imaging::Bitmap::CreateSized(64, 36);
        for (int y = 0; y < grey.Height; ++y)
            std::memset(grey.Row(y), 90, static_cast<std::size_t>(grey.Width) * 3);
        ASSERT_TRUE(project::Added(project::AddPicture(show, files, photos, grey, "grey")));
        show.Slides.back().StillMs = stillMs;
        show.Slides.back().TransitionKind = transitionMs > 0 ? 1 : 0;
        show.Slides.back().TransitionMs = transitionMs;
    }
    // The clip as the next slide, played from inMs to its end.
    void AddClip(const std::string& path, std::int64_t inMs) {
        const auto added = media::AddClip(show, files, photos, path);
        ASSERT_TRUE(project::Added(added)) << project::WhyNot(added);
        project::ClipSettings clip = *show.Slides.back().Clip();
        clip.InMs = inMs;
        auto trimmed = project::SetClip(show.Slides, show.Slides.size() - 1, clip);
        ASSERT_TRUE(trimmed) << trimmed.error();
        show.Slides.back() = *trimmed;
    }

    QTemporaryDir dir;
    project::WorkFiles files;
    project::PhotoSettings photos;
    project::ShowContent show;
};

// The index of the source frame on screen at `ms` of the clip: the last one started by then.
std::size_t OnScreen(const std::vector<double>& times, double ms) {
    std::size_t k = 0;
    while (k + 1 < times.size() && times[k + 1] <= ms)
        ++k;
    return k;
}

TEST_F(ClipShowTest, EveryFrameOfAClipIsFfmpegsPictureOnScreenAtThatTime) {
    const std::string plain =
        Make("show-plain30.mp4", Source(30, 2) + " -vf " + Vf("format=yuv420p") +
                                     " -c:v libx264 -preset ultrafast -c:a aac");
    ASSERT_FALSE(plain.empty());
    struct Case {
        std::string Path;
        std::string Filters; // ffmpeg's filters that show the clip as it should look
    };
    const std::vector<Case> cases = {
        {Make("show-turned.mp4", "-i " + plain + " -c copy -metadata:s:v:0 rotate=90"), ""},
        {Make("show-hlg.mp4", Source(30, 2) + " -vf " + Vf("format=yuv420p10le") +
                                  " -c:v libx265 -preset ultrafast -x265-params "
                                  "colorprim=bt2020:transfer=arib-std-b67:colormatrix=bt2020nc:"
                                  "log-level=error -color_trc arib-std-b67 -color_primaries "
                                  "bt2020 -colorspace bt2020nc -c:a aac"),
         "zscale=t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,tonemap=tonemap=hable:desat=0,"
         "zscale=t=bt709:m=bt709:r=tv,format=yuv420p"},
        {Make("show-vfr.mp4", Source(30, 2.5) + " -vf " +
                                  Vf("format=yuv420p", ",select='lt(n\\,30)+not(mod(n\\,3))'") +
                                  " -fps_mode vfr -c:v libx264 -preset ultrafast -c:a aac"),
         ""},
        {Make("show-interlaced.mp4", Source(25, 2) + " -vf " + Vf("format=yuv420p") +
                                         " -c:v libx264 -preset ultrafast -flags +ildct+ilme "
                                         "-top 1 -c:a aac"),
         "bwdif=mode=send_frame:parity=auto:deint=interlaced"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Path);
        ASSERT_FALSE(c.Path.empty());
        show = project::ShowContent{};
        // Brought in by a transition of 0.5 s after a photo, played from 0.4 s of its own time.
        AddPhoto(1000, 500);
        AddClip(c.Path, 400);
        AddPhoto(1000);
        const auto info = media::ProbeClipFile(c.Path);
        ASSERT_TRUE(info) << info.error();
        const std::vector<double> times = clip_files::FrameTimesMs(c.Path);
        const auto reference =
            clip_files::FfmpegFrames(c.Path, c.Filters, info->Width, info->Height);
        ASSERT_EQ(reference.size(), times.size());

        render::RenderOptions options;
        options.Rate = render::FrameRate::Fps(25);
        options.ScratchPath = dir.filePath("incoming.bmp").toStdString();
        options.Clips = media::ClipOpenerForRendering();
        render::FrameRenderer renderer(show.Slides, options);
        const std::vector<render::SlideSpan>& spans = renderer.Spans();
        imaging::Bitmap frame = imaging::Bitmap::CreateSized(info->Width, info->Height);
        int frames = 0;
        for (std::int64_t n = spans[1].First; n < spans[1].Cut; ++n, ++frames) {
            ASSERT_TRUE(renderer.Render(frame, n)) << n;
            // The clip plays from its in point as the transition starts to bring it in.
            const double ms =
                400.0 + static_cast<double>(render::ShowTimeline::MsOfFrame(n, options.Rate)) -
                static_cast<double>(spans[0].CutMs);
            const std::size_t k = OnScreen(times, ms);
            EXPECT_EQ(clip_files::ReadCounter(frame, info->Rotation),
                      clip_files::ReadCounter(reference[k].data(), info->Width, info->Height,
                                              info->Rotation))
                << "frame " << n;
            EXPECT_GE(clip_files::Psnr(frame, reference[k]), 35) << "frame " << n;
        }
        // The still is the trimmed length less the transition that brings the clip in.
        EXPECT_EQ(show.Slides[1].StillMs, show.Slides[1].Clip()->TrimmedMs() - 500);
        EXPECT_GE(frames, 25);
    }
}

TEST_F(ClipShowTest, ExportedClipSoundLinesUpWithItsCounter) {
    // A beep from 1.0 s to 1.3 s of the clip, under 30 fps pictures with the counter.
    const std::string clip = Make(
        "beep-wide.mp4",
        "-f lavfi -i testsrc2=size=640x360:rate=30 -f lavfi -i "
        "\"aevalsrc='if(between(t,1,1.3),0.8*sin(2*PI*1000*t),0)':s=48000:d=2.5\" -t 2.5 -vf " +
            Vf("format=yuv420p") + " -c:v libx264 -preset ultrafast -c:a aac -b:a 128k");
    ASSERT_FALSE(clip.empty());
    AddPhoto(1000);
    AddClip(clip, 400);
    AddPhoto(1000);

    media::VideoExportOptions options;
    options.OutputPath = dir.filePath("show.mp4").toStdString();
    options.Resolution = media::kResolution720p;
    options.Speed = "ultrafast";
    base::NoProgress quiet;
    const media::VideoExportResult result = media::ExportVideo(show, options, quiet);
    ASSERT_EQ(outcomes::OutcomeOf(result), media::ExportOutcome::Written)
        << outcomes::ErrorOf(result);
    EXPECT_EQ(result->SoundPieces, 1u);

    // The beep is at 1.0 s of the clip, which plays from 0.4 s when the show is at 1.0 s.
    const std::string raw = avi_probe::Capture("ffmpeg -nostdin -v error -i " +
                                               testing_audio::Quote(options.OutputPath) +
                                               " -f s16le -ac 1 -ar 44100 -");
    double onsetMs = -1;
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
        std::int16_t v = 0;
        std::memcpy(&v, raw.data() + i, 2);
        if (std::abs(v) > 8192) {
            onsetMs = static_cast<double>(i / 2) * 1000 / 44100;
            break;
        }
    }
    EXPECT_NEAR(onsetMs, 1600, 10);

    // Every frame of the clip's still shows the source frame on screen then; the one at the
    // beep shows source frame 30 (1.0 s at 30 fps).
    const std::vector<double> times = clip_files::FrameTimesMs(clip);
    const auto frames = clip_files::FfmpegFrames(options.OutputPath, "scale=320:180", 320, 180);
    ASSERT_EQ(static_cast<std::int64_t>(frames.size()), result->Frames);
    const std::int64_t first = 1000 / 40, last = first + show.Slides[1].StillMs / 40;
    ASSERT_LE(last, static_cast<std::int64_t>(frames.size()));
    for (std::int64_t n = first; n < last; ++n) {
        const std::size_t k = OnScreen(times, 400.0 + 40.0 * static_cast<double>(n) - 1000);
        EXPECT_EQ(clip_files::ReadCounter(frames[static_cast<std::size_t>(n)].data(), 320, 180, 0),
                  static_cast<int>(k))
            << "frame " << n;
    }
    EXPECT_EQ(clip_files::ReadCounter(frames[1600 / 40].data(), 320, 180, 0), 30);
}

// Root mean square of the left channel of float frames [fromMs, toMs) of a 44.1 kHz mix.
double Rms(const std::vector<float>& mix, std::int64_t fromMs, std::int64_t toMs) {
    double sum = 0;
    const std::size_t a = static_cast<std::size_t>(fromMs * 441 / 10);
    const std::size_t b = static_cast<std::size_t>(toMs * 441 / 10);
    for (std::size_t i = a; i < b; ++i)
        sum += double(mix[2 * i]) * mix[2 * i];
    return std::sqrt(sum / static_cast<double>(b - a));
}

std::vector<float> Mix(const project::ShowContent& show) {
    const media::MixPlan plan = media::MixPlanOf(show, render::ShowTimeline::Of(show).LengthMs());
    media::SoundtrackMixer mixer(plan, media::OpenTrackOrClipPcmSource);
    EXPECT_EQ(mixer.Format().SampleRate, 44100u);
    std::vector<float> out(static_cast<std::size_t>(2 * mixer.Frames()));
    EXPECT_EQ(mixer.ReadFloat(out.data(), static_cast<std::size_t>(mixer.Frames())),
              static_cast<std::size_t>(mixer.Frames()));
    return out;
}

TEST_F(ClipShowTest, MusicDucksUnderAClipWhoseSoundFadesInOverItsTransition) {
    testing_audio::LoadRealLibrary();
    // Clips of 3 s with stereo sound: a 440 Hz tone, and silence.
    const auto sounding = [](const std::string& name, const std::string& wave) {
        return Make(name, "-f lavfi -i testsrc2=size=320x180:rate=25 -f lavfi -i \"aevalsrc='" +
                              wave + "|" + wave +
                              "':s=44100:d=3\" -t 3 -pix_fmt yuv420p -c:v libx264 -preset "
                              "ultrafast -c:a pcm_s16le");
    };
    const std::string tone = sounding("tone.mov", "0.5*sin(2*PI*440*t)");
    const std::string silent = sounding("silent.mov", "0");
    ASSERT_FALSE(tone.empty() || silent.empty());
    const std::string music = testing_audio::AudioFiles::Get().Wav("duck-music.wav", 8.0);
    // A photo of 2 s, then a transition of 1 s that brings the clip in, then a photo of 2 s.
    const auto build = [&](const std::string& clip, bool withMusic) {
        show = project::ShowContent{};
        AddPhoto(2000, 1000);
        AddClip(clip, 0);
        AddPhoto(2000);
        if (withMusic) {
            project::Track track = project::Track::MakeDefault();
            track.WorkFile = music;
            track.PlaySeconds = track.LengthSeconds = 8;
            show.Sounds.push_back(track);
        }
    };

    // Under a clip's sound (silence here) the music is 12 dB down while the clip plays (from
    // 2.0 s to 5.0 s), reached over 0.3 s and released over 0.3 s.
    build(silent, true);
    std::vector<float> mix = Mix(show);
    const double open = Rms(mix, 1000, 1900);
    ASSERT_GT(open, 0.05);
    EXPECT_NEAR(20 * std::log10(Rms(mix, 2400, 4600) / open), -12, 0.1);
    const double ramp = 20 * std::log10(Rms(mix, 2050, 2250) / open);
    EXPECT_LT(ramp, -1);
    EXPECT_GT(ramp, -11);
    EXPECT_NEAR(20 * std::log10(Rms(mix, 5100, 5900) / open), 0, 0.1);
    // A muted clip does not duck it.
    show.Slides[1].Clip()->Mute = true;
    EXPECT_TRUE(media::MixPlanOf(show, 7000).Clips.empty());

    // The clip alone: its sound rises over the transition that brings it in.
    build(tone, false);
    mix = Mix(show);
    const double full = Rms(mix, 3200, 4800);
    EXPECT_NEAR(full, 0.5 / std::sqrt(2.0), 0.02);
    EXPECT_LT(Rms(mix, 2000, 2100), 0.3 * full);
    EXPECT_GT(Rms(mix, 2600, 2700), Rms(mix, 2200, 2300));
}

} // namespace clip_show_test
