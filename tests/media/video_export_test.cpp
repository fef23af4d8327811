// The video export: the compressor rules and frame sizes, and whole shows written and read back
// with ffprobe/ffmpeg (frame counts, key frames on every slide and transition, the music placed
// to the frame, transitions pixel for pixel, Cancel, refusals and failures that keep an older
// video).
#include "AviProbe.h"
#include "Outcomes.h"
#include "imaging/BmpFile.h"
#include "imaging/Colors.h"
#include "imaging/Compose.h"
#include "imaging/TransitionState.h"
#include "media/audio/LibraryLog.h"
#include "media/export/VideoExport.h"
#include "media/video/CodecChoice.h"
#include "media/video/VideoOutput.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern "C" {
#include <libavutil/log.h>
}

namespace {

namespace fs = std::filesystem;
using media::ExportOutcome;

TEST(CodecChoiceTest, OffersOnlyTheFiveCodesInTheirOrder) {
    const std::vector<std::string> lines = {"No Compression",     "DX50 MPEG-4 (DX50)",
                                            "xvid MPEG-4 (XVID)", "FMP4 MPEG-4",
                                            "MSVC Video-1",       "IV5",
                                            "iv32 Indeo",         "IV50 Indeo 5"};
    EXPECT_EQ(media::OfferedCodecLines(lines),
              (std::vector<std::string>{"xvid MPEG-4 (XVID)", "MSVC Video-1", "iv32 Indeo",
                                        "IV50 Indeo 5"}));
}

TEST(CodecChoiceTest, ProposalPrefersDivxThenXvidElseStandard) {
    struct Row {
        std::vector<std::string> Offered;
        int Line;
        int Resolution;
    };
    const Row rows[] = {
        {{"XVID a", "divx b", "MSVC c"}, 1, media::kResolutionHigh},
        {{"MSVC c", "XviD a"}, 1, media::kResolutionHigh},
        {{"msvc only"}, 0, media::kResolutionStandard},
        {{"IV50 x", "IV32 y"}, 1, media::kResolutionStandard},
        {{}, -1, media::kResolutionHigh},
    };
    for (const Row& r : rows) {
        const auto p = media::ProposeCodec(r.Offered);
        EXPECT_EQ(p.Line, r.Line) << (r.Offered.empty() ? "" : r.Offered[0]);
        EXPECT_EQ(p.Resolution, r.Resolution);
    }
    EXPECT_EQ(media::CodecCodeOfLine("divx MPEG-4"), "divx");
}

TEST(CodecChoiceTest, FrameSizeByCodecResolutionAndScreen) {
    using media::FrameSize;
    EXPECT_EQ(media::ExportFrameSize("DIVX", media::kResolutionHigh, 768), (FrameSize{720, 528}));
    EXPECT_EQ(media::ExportFrameSize("xvid", media::kResolutionHigh, 1080), (FrameSize{720, 528}));
    EXPECT_EQ(media::ExportFrameSize("DIVX", media::kResolutionHigh, 600), (FrameSize{400, 224}));
    EXPECT_EQ(media::ExportFrameSize("DIVX", media::kResolutionStandard, 1080),
              (FrameSize{400, 288}));
    EXPECT_EQ(media::ExportFrameSize("MSVC", media::kResolutionHigh, 1080), (FrameSize{400, 288}));
    EXPECT_EQ(media::ExportFrameSize("", media::kResolutionHigh, 768), (FrameSize{720, 528}));
    EXPECT_EQ(media::ExportFrameSize("", media::kResolutionStandard, 768), (FrameSize{400, 288}));
}

TEST(ExportFailureTextTest, FileNameReplacesTheFirstPlaceholderLiterally) {
    EXPECT_EQ(media::ExportFailureText("%n%d%s%s", "a%s.avi"), "%n%da%s.avi%s");
    EXPECT_EQ(media::ExportFailureText("Не удалось записать \"%s\"", "show.avi"),
              "Не удалось записать \"show.avi\"");
    EXPECT_EQ(media::ExportFailureText("no placeholder %d", "x"), "no placeholder %d");
}

// FFmpeg's lines (a damaged track's "Header missing") go to the program's handler, never to
// standard error; errors are kept for a failure report.
TEST(LibraryLogTest, LinesReachTheHandlerInsteadOfStandardError) {
    std::vector<std::string> seen;
    media::SetLibraryLogHandler([&](int, const std::string& line) { seen.push_back(line); });
    testing::internal::CaptureStderr();
    av_log(nullptr, AV_LOG_ERROR, "Header ");
    av_log(nullptr, AV_LOG_ERROR, "missing\n");
    av_log(nullptr, AV_LOG_DEBUG, "below the level\n");
    const std::string err = testing::internal::GetCapturedStderr();
    media::SetLibraryLogHandler(nullptr);
    EXPECT_EQ(err, "");
    EXPECT_EQ(seen, std::vector<std::string>{"Header missing"});
    ASSERT_FALSE(media::RecentLibraryErrors().empty());
    EXPECT_EQ(media::RecentLibraryErrors().back(), "Header missing");
}

TEST(ExportColorTest, SystemColoursComeFromTheFixedTable) {
    EXPECT_EQ(render::FrameColor(imaging::kClBtnFace),
              static_cast<std::int32_t>(imaging::FallbackSystemColor(15)));
    EXPECT_EQ(render::FrameColor(0x00123456), 0x00123456);
}

// Constant-value 16-bit stereo samples for a number of seconds (the tracks of these tests).
class ToneSource final : public media::PcmSource {
public:
    ToneSource(std::int64_t seconds, std::int16_t value) : left_(seconds * 44100), value_(value) {}
    media::PcmFormat Format() const override { return {44100, 2, 16}; }
    base::Result<std::size_t> Read(std::uint8_t* out, std::size_t size) override {
        const auto n = static_cast<std::size_t>(
            std::min<std::int64_t>(left_, static_cast<std::int64_t>(size / 4)));
        for (std::size_t i = 0; i < n * 2; ++i)
            std::memcpy(out + i * 2, &value_, 2);
        left_ -= static_cast<std::int64_t>(n);
        return n * 4;
    }

private:
    std::int64_t left_;
    std::int16_t value_;
};

class VideoExportTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    std::string Path(const std::string& name) const {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }
    // A slide whose working file is a w x h picture of bands of colour (distinct per variant).
    void AddSlide(int seconds, int kind, int fade, int w, int h, int variant,
                  std::int32_t back = imaging::kClBtnFace) {
        imaging::Bitmap picture = imaging::Bitmap::CreateSized(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                std::uint8_t* p = picture.Row(y) + x * 3;
                p[0] = static_cast<std::uint8_t>(variant * 60 + x / 8 * 16);
                p[1] = static_cast<std::uint8_t>(y / 8 * 24);
                p[2] = static_cast<std::uint8_t>(200 - variant * 50);
            }
        const std::string file = Path("slide" + std::to_string(show.Slides.size()) + ".bmp");
        ASSERT_TRUE(imaging::SaveBmpFile(file, picture));
        auto s = project::Slide::MakeDefault();
        s.StillMs = std::int64_t{seconds} * 1000;
        s.TransitionKind = kind;
        s.TransitionMs = std::int64_t{fade} * 1000;
        s.BackColor = back;
        s.WorkFile = file;
        show.Slides.push_back(s);
    }
    // A track whose decoder gives `value` for `seconds` (0 = silence).
    void AddTrack(int playSeconds, std::int16_t value) {
        auto t = project::Track::MakeDefault();
        t.PlaySeconds = playSeconds;
        t.Volume = 100;
        t.WorkFile = Path("track" + std::to_string(show.Sounds.size()) + "_" +
                          std::to_string(value) + ".mp3");
        show.Sounds.push_back(t);
    }
    media::VideoExportOptions Options(const std::string& out, const std::string& codec,
                                      int resolution = media::kResolutionStandard) {
        media::VideoExportOptions o;
        o.OutputPath = Path(out);
        o.Codec = codec;
        o.Resolution = resolution;
        o.OpenTrack =
            [](const std::string& path) -> base::Result<std::unique_ptr<media::PcmSource>> {
            const auto us = path.rfind('_');
            const int value = std::stoi(path.substr(us + 1));
            return std::unique_ptr<media::PcmSource>(
                std::make_unique<ToneSource>(60, static_cast<std::int16_t>(value)));
        };
        return o;
    }
    bool NoLeftovers() const {
        for (const auto& e : fs::directory_iterator(dir.path().toStdString())) {
            const std::string name = e.path().filename().string();
            if (name.ends_with(".part") || name.ends_with(".wav"))
                return false;
        }
        return true;
    }

    QTemporaryDir dir;
    project::ShowContent show;
    base::NoProgress progress;
};

TEST_F(VideoExportTest, CompressedShowHasExactFramesKeyGroupsAndMusicInPlace) {
    AddSlide(1, 2, 1, 300, 200, 1); // 25 still + 25 transition frames
    AddSlide(2, 0, 0, 200, 300, 2); // 50 still frames
    AddTrack(2, 0);                 // silence for the first slide's two seconds
    AddTrack(30, 12000);            // starts exactly at the second slide
    const auto o = Options("show.avi", "XVID", media::kResolutionHigh);
    { std::ofstream(o.OutputPath) << "an older video"; }

    const auto r = media::ExportVideo(show, o, progress);
    ASSERT_EQ(outcomes::OutcomeOf(r), ExportOutcome::Written) << outcomes::ErrorOf(r);
    EXPECT_EQ(r->Frames, 100);
    EXPECT_LT(r->EncodedFrames, 100); // stills and finished transitions are replayed
    EXPECT_TRUE(NoLeftovers());

    auto v = avi_probe::Stream(o.OutputPath, "v:0");
    EXPECT_EQ(v["nb_read_frames"], "100");
    EXPECT_EQ(v["width"], "720");
    EXPECT_EQ(v["height"], "528");
    EXPECT_EQ(avi_probe::DecodeErrors(o.OutputPath), "");
    const auto keys = avi_probe::KeyFrames(o.OutputPath);
    ASSERT_EQ(keys.size(), 100u);
    for (int f : {0, 25, 50, 75})
        EXPECT_TRUE(keys[static_cast<std::size_t>(f)]) << "frame " << f;

    const auto audio = avi_probe::DecodeAudio(o.OutputPath);
    ASSERT_EQ(audio.size(), 4u * 44100u * 2u); // the video's four seconds, stereo
    std::size_t first = 0;
    while (first < audio.size() && audio[first] == 0)
        ++first;
    EXPECT_EQ(first, 2u * 44100u * 2u); // the second track starts with the second slide
}

TEST_F(VideoExportTest, UncompressedTransitionFrameMatchesItsOwnRendering) {
    AddSlide(1, 2, 2, 160, 120, 1); // smaller than the frame: bars of the button face
    AddSlide(1, 0, 0, 500, 400, 2);
    const auto o = Options("raw.avi", "");
    const auto r = media::ExportVideo(show, o, progress);
    ASSERT_EQ(outcomes::OutcomeOf(r), ExportOutcome::Written) << outcomes::ErrorOf(r);
    EXPECT_EQ(r->Frames, 25 * 4);
    EXPECT_EQ(avi_probe::DecodeErrors(o.OutputPath), "");
    const auto frames = avi_probe::DecodeFrames(o.OutputPath, "bgr24");
    const std::size_t frameBytes = 400u * 288u * 3u;
    ASSERT_EQ(frames.size(), 100u * frameBytes);

    auto expectFrame = [&](std::size_t index, const imaging::Bitmap& expected) {
        std::vector<std::uint8_t> packed;
        for (int y = 0; y < expected.Height; ++y)
            packed.insert(packed.end(), expected.Row(y), expected.Row(y) + expected.Width * 3);
        EXPECT_TRUE(std::equal(packed.begin(), packed.end(),
                               frames.begin() + static_cast<std::ptrdiff_t>(index * frameBytes)))
            << "frame " << index;
    };
    const imaging::SlideSource first{show.Slides[0].WorkFile,
                                     render::FrameColor(imaging::kClBtnFace)};
    imaging::Bitmap still = imaging::Bitmap::CreateSized(400, 288);
    ASSERT_TRUE(imaging::RenderSlideToFrame(still, &first));
    expectFrame(0, still);
    expectFrame(24, still);

    // One second into the two-second slide-in (frame 25 + 25).
    imaging::Bitmap middle = still;
    imaging::TransitionState state;
    state.Start(
        0, imaging::TransitionParams{2, 2, render::FrameColor(imaging::kClBtnFace)},
        imaging::SlideSource{show.Slides[1].WorkFile, render::FrameColor(imaging::kClBtnFace)});
    state.SetElapsed(1000);
    ASSERT_EQ(state.Step(middle), imaging::TransitionStep::Running);
    expectFrame(50, middle);
}

// A container that records what the export hands it, and can be told to fail when finishing.
class RecordingSink final : public media::VideoSink {
public:
    struct Log {
        int Starts = 0;
        int Finishes = 0;
        std::vector<std::int64_t> Runs; // frame counts of the AddFrames calls
        std::vector<media::SoundPiece> Sounds;
    };
    RecordingSink(Log& log, bool failFinish) : log_(log), failFinish_(failFinish) {}
    base::Status Start(const imaging::Bitmap&) override {
        ++log_.Starts;
        return {};
    }
    base::Status AddFrames(const imaging::Bitmap&, std::int64_t count) override {
        log_.Runs.push_back(count);
        return {};
    }
    base::Status AddSound(media::SoundPiece piece) override {
        log_.Sounds.push_back(std::move(piece));
        return {};
    }
    base::Status Finish() override {
        ++log_.Finishes;
        if (failFinish_)
            return base::Fail("disk full");
        return {};
    }

private:
    Log& log_;
    bool failFinish_;
};

TEST_F(VideoExportTest, AnotherContainerReceivesStillsAsRunsAndTheMusicQueue) {
    AddSlide(2, 1, 1, 300, 200, 1); // background fill: one frame, then the same 24 times
    AddSlide(1, 0, 2, 300, 200, 2); // kind 0: the still goes on through the transition
    AddTrack(3, 100);
    AddTrack(5, 200);
    RecordingSink::Log log;
    auto o = Options("other.mp4", "XVID");
    std::string sinkOutput;
    o.MakeSink =
        [&](const media::VideoSinkSettings& s) -> base::Result<std::unique_ptr<media::VideoSink>> {
        sinkOutput = s.OutputPath;
        EXPECT_EQ(s.Path, media::PartialPath(s.OutputPath));
        std::ofstream(s.Path) << "frames";
        return std::unique_ptr<media::VideoSink>(std::make_unique<RecordingSink>(log, false));
    };
    const auto r = media::ExportVideo(show, o, progress);
    ASSERT_EQ(outcomes::OutcomeOf(r), ExportOutcome::Written) << outcomes::ErrorOf(r);
    EXPECT_EQ(sinkOutput, o.OutputPath);
    EXPECT_EQ(log.Starts, 1);
    EXPECT_EQ(log.Finishes, 1);
    EXPECT_EQ(log.Runs, (std::vector<std::int64_t>{50, 25, 75}));
    ASSERT_EQ(log.Sounds.size(), 2u);
    EXPECT_EQ(log.Sounds[0].StartMs, 0);
    EXPECT_EQ(log.Sounds[1].StartMs, 3000);
    EXPECT_TRUE(fs::exists(o.OutputPath));
    EXPECT_TRUE(NoLeftovers()); // the WAV pieces are gone once the file is complete

    // A container that fails at the end: the older file stays, nothing else remains.
    { std::ofstream(o.OutputPath, std::ios::trunc) << "an older video"; }
    o.MakeSink =
        [&](const media::VideoSinkSettings& s) -> base::Result<std::unique_ptr<media::VideoSink>> {
        std::ofstream(s.Path) << "frames";
        return std::unique_ptr<media::VideoSink>(std::make_unique<RecordingSink>(log, true));
    };
    const auto failed = media::ExportVideo(show, o, progress);
    EXPECT_FALSE(failed.ok());
    EXPECT_EQ(outcomes::ErrorOf(failed), "disk full");
    std::ifstream in(o.OutputPath);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), "an older video");
    EXPECT_TRUE(NoLeftovers());
}

// The MP4's music is encoded while the frames are: a cancel drops it, as the AVI never has it.
TEST_F(VideoExportTest, CancelAfterTheFirstSlideLeavesAPlayableVideoWithoutSound) {
    AddSlide(1, 3, 1, 300, 200, 1);
    AddSlide(3, 0, 0, 300, 200, 2);
    AddTrack(10, 5000);
    for (const auto& [name, codec] : {std::pair{"cut.avi", "XVID"}, std::pair{"cut.mp4", ""}}) {
        SCOPED_TRACE(name);
        auto o = Options(name, codec);
        o.OnFrames = [this](std::int64_t done, std::int64_t) {
            if (done >= 50)
                progress.RequestCancel();
        };
        const auto r = media::ExportVideo(show, o, progress);
        ASSERT_EQ(outcomes::OutcomeOf(r), ExportOutcome::Cancelled) << outcomes::ErrorOf(r);
        EXPECT_EQ(r->Frames, 50);
        EXPECT_EQ(r->SoundPieces, 0u);
        EXPECT_TRUE(NoLeftovers());
        EXPECT_EQ(avi_probe::Stream(o.OutputPath, "v:0")["nb_read_frames"], "50");
        EXPECT_TRUE(avi_probe::Stream(o.OutputPath, "a:0").empty());
        EXPECT_EQ(avi_probe::DecodeErrors(o.OutputPath), "");
    }
}

TEST_F(VideoExportTest, ShowWithoutFramesIsRefusedWithoutAFile) {
    AddSlide(0, 2, 0, 100, 100, 1);
    AddTrack(10, 5000);
    const auto o = Options("empty.avi", "XVID");
    const auto r = media::ExportVideo(show, o, progress);
    EXPECT_FALSE(r.ok());
    EXPECT_FALSE(outcomes::ErrorOf(r).empty());
    EXPECT_FALSE(fs::exists(o.OutputPath));
    EXPECT_FALSE(fs::exists(media::PartialPath(o.OutputPath)));
    show.Slides.clear();
    EXPECT_FALSE(media::ExportVideo(show, o, progress).ok());
}

// The output is checked before anything is written: never the show (under any name), never a
// show file, a folder or another container, and the show's bytes stay as they were.
TEST_F(VideoExportTest, OutputsThatAreNoVideoAreRefusedBeforeAnyWork) {
    AddSlide(1, 0, 0, 100, 100, 1);
    const std::string showFile = Path("self.qvs");
    { std::ofstream(showFile) << "the show"; }
    fs::create_hard_link(showFile, Path("alias.avi"));
    fs::create_directory(Path("folder.avi"));
    struct Row {
        std::string Out;
        std::string Says;
    };
    const Row rows[] = {{showFile, "is the show itself"},
                        {Path("alias.avi"), "is the show itself"},
                        {Path("other.QVS"), "is a show file"},
                        {Path("x.mkv"), "must end in .avi or .mp4"},
                        {Path("noextension"), "must end in .avi or .mp4"},
                        {Path("folder.avi"), "is a folder"},
                        {Path("missing/x.mp4"), "does not exist"}};
    for (const Row& row : rows) {
        auto o = Options("unused.avi", "XVID");
        o.OutputPath = row.Out;
        o.ShowPath = showFile;
        const auto r = media::ExportVideo(show, o, progress);
        EXPECT_FALSE(r.ok()) << row.Out;
        EXPECT_NE(outcomes::ErrorOf(r).find(row.Says), std::string::npos) << outcomes::ErrorOf(r);
        EXPECT_FALSE(fs::exists(media::PartialPath(row.Out))) << row.Out;
    }
    std::ifstream in(showFile);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), "the show");
    EXPECT_TRUE(fs::is_directory(Path("folder.avi")));
    EXPECT_EQ(media::CheckVideoOutput(Path("Up.MP4")).value(), media::VideoContainer::Mp4);
    EXPECT_EQ(media::CheckVideoOutput(Path("a.b/c.Avi")).error().find("does not exist") !=
                  std::string::npos,
              true);
}

// A track that cannot be decoded is silence of its planned length, so the next one starts where
// it was planned; a photo that cannot be read keeps its time. One warning names both.
TEST_F(VideoExportTest, UnreadableTrackAndPhotoKeepTheirPlaceAndAreNamed) {
    AddSlide(2, 0, 0, 300, 200, 1);
    AddSlide(2, 0, 0, 300, 200, 2);
    AddSlide(2, 0, 0, 300, 200, 3);
    show.Slides[1].WorkFile = Path("gone.bmp");
    AddTrack(1, 1000);
    AddTrack(2, 2000); // unreadable
    AddTrack(3, 3000);
    show.Sounds[1].Title = "Broken song";
    RecordingSink::Log log;
    auto o = Options("held.mp4", "");
    const auto decode = o.OpenTrack;
    o.OpenTrack =
        [decode](const std::string& path) -> base::Result<std::unique_ptr<media::PcmSource>> {
        if (path.find("_2000") != std::string::npos)
            return base::Fail("not a track");
        return decode(path);
    };
    o.MakeSink =
        [&](const media::VideoSinkSettings& s) -> base::Result<std::unique_ptr<media::VideoSink>> {
        std::ofstream(s.Path) << "frames";
        return std::unique_ptr<media::VideoSink>(std::make_unique<RecordingSink>(log, false));
    };
    const auto r = media::ExportVideo(show, o, progress);
    ASSERT_EQ(outcomes::OutcomeOf(r), ExportOutcome::Written) << outcomes::ErrorOf(r);
    EXPECT_EQ(r->Frames, 150);
    ASSERT_EQ(log.Sounds.size(), 2u);
    EXPECT_EQ(log.Sounds[1].StartMs, 3000);
    EXPECT_EQ(r->SilentTracks, (std::vector<std::size_t>{1}));
    EXPECT_EQ(r->UnreadablePhotos, (std::vector<std::size_t>{1}));
    EXPECT_EQ(media::ExportWarning(show, *r),
              "2 files of the show could not be read: track 2 (Broken song) plays as 2 s of "
              "silence; photo 2 shows the picture before it");
}

// The uncompressed AVI carries the soundtrack as the compressed one does, in place and cut
// where the frames end.
TEST_F(VideoExportTest, UncompressedVideoCarriesTheSoundtrack) {
    AddSlide(1, 0, 0, 100, 100, 1);
    AddSlide(2, 0, 0, 100, 100, 2);
    AddTrack(1, 0);
    AddTrack(30, 9000);
    const auto o = Options("raw.avi", "");
    const auto r = media::ExportVideo(show, o, progress);
    ASSERT_EQ(outcomes::OutcomeOf(r), ExportOutcome::Written) << outcomes::ErrorOf(r);
    EXPECT_EQ(avi_probe::Stream(o.OutputPath, "a:0")["codec_name"], "pcm_s16le");
    EXPECT_EQ(avi_probe::DecodeErrors(o.OutputPath), "");
    const auto audio = avi_probe::DecodeAudio(o.OutputPath);
    ASSERT_EQ(audio.size(), 3u * 44100u * 2u);
    std::size_t first = 0;
    while (first < audio.size() && audio[first] == 0)
        ++first;
    EXPECT_EQ(first, 44100u * 2u); // the second track starts with the second slide
}

TEST_F(VideoExportTest, UnknownCompressorAndMissingFolderFailCleanly) {
    AddSlide(1, 0, 0, 100, 100, 1);
    auto bad = Options("x.avi", "ZZZZ");
    EXPECT_FALSE(media::ExportVideo(show, bad, progress).ok());
    auto nowhere = Options("missing/folder/x.avi", "XVID");
    const auto r = media::ExportVideo(show, nowhere, progress);
    EXPECT_FALSE(r.ok());
    EXPECT_FALSE(outcomes::ErrorOf(r).empty());
    EXPECT_TRUE(NoLeftovers());
}

// A disk that fills up midway (a file-size limit in a child process): the export fails, the
// older video stays as it was, and neither the partial file nor a WAV piece remains.
TEST_F(VideoExportTest, FailureMidwayKeepsTheOlderVideo) {
    for (int i = 0; i < 4; ++i)
        AddSlide(2, 2, 1, 300, 200, i);
    AddTrack(12, 7000);
    for (const std::string codec : {"", "XVID", "mp4"}) {
        const auto o = codec == "mp4" ? Options("kept.mp4", "", media::kResolution1080p)
                                      : Options("kept.avi", codec, media::kResolutionHigh);
        { std::ofstream(o.OutputPath, std::ios::trunc) << "an older video"; }
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // The signal as a user's shell leaves it: the export must ignore it itself.
            std::signal(SIGXFSZ, SIG_DFL);
            const rlimit limit{300 * 1024, 300 * 1024};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            base::NoProgress p;
            const auto r = media::ExportVideo(show, o, p);
            // A plain sentence with the file and the system's reason, never a bare code.
            const std::string error = outcomes::ErrorOf(r);
            const bool plain = error.find("File too large") != std::string::npos &&
                               error.find("Err") == std::string::npos;
            ::_exit(!r && plain ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "codec '" << codec << "'";
        std::ifstream in(o.OutputPath);
        std::string kept((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(kept, "an older video");
        EXPECT_TRUE(NoLeftovers());
    }
}

} // namespace
