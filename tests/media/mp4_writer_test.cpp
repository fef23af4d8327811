// The MP4 writer: the files it writes as ffprobe and ffmpeg read them (H.264 + AAC, yuv420p, the
// colour flags, the index before the media data, exact frame counts and durations, the sound's
// length and format), stills written once and repeated, and every way writing can fail.
#include "AudioFiles.h"
#include "AviProbe.h"
#include "media/video/Mp4Writer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sys/resource.h>

namespace {

using media::Mp4Writer;
using testing_audio::AudioFiles;
using testing_audio::Quote;

// A smooth picture (gradients and a disc), different for every variant: what photos look like to
// the encoder, so the quality checks measure the encoder and not noise.
imaging::Bitmap Picture(int w, int h, int variant) {
    imaging::Bitmap bmp = imaging::Bitmap::CreateSized(w, h);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = bmp.Row(y);
        for (int x = 0; x < w; ++x) {
            const int dx = x - w / 2 - variant * 13, dy = y - h / 2;
            const bool disc = dx * dx + dy * dy < (h / 4) * (h / 4);
            row[3 * x] = static_cast<std::uint8_t>(x * 150 / w + variant * 20);
            row[3 * x + 1] =
                static_cast<std::uint8_t>(disc ? 200 - variant * 20 : 40 + y * 150 / h);
            row[3 * x + 2] = static_cast<std::uint8_t>((x + y) * 120 / (w + h) + variant * 25);
        }
    }
    return bmp;
}

imaging::Bitmap Flat(int w, int h, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    imaging::Bitmap bmp = imaging::Bitmap::CreateSized(w, h);
    bmp.Fill(b, g, r);
    return bmp;
}

// Peak signal to noise ratio of a decoded frame's luma plane against the studio-range luma of
// the BGR picture it came from, by the BT.709 (HD) or BT.601 matrix: the encoder's error alone,
// without what 4:2:0 chroma loses at colour edges.
double LumaPsnr(const std::uint8_t* luma, const imaging::Bitmap& picture, bool hd) {
    const double kr = hd ? 46.559 : 65.481, kg = hd ? 156.629 : 128.553, kb = hd ? 15.812 : 24.966;
    double sum = 0;
    for (int y = 0; y < picture.Height; ++y)
        for (int x = 0; x < picture.Width; ++x) {
            const std::uint8_t* p = picture.Row(y) + 3 * x;
            const double expected = 16 + (kr * p[2] + kg * p[1] + kb * p[0]) / 255.0;
            const double d = luma[static_cast<std::size_t>(y) * picture.Width + x] - expected;
            sum += d * d;
        }
    const double mse = sum / (static_cast<double>(picture.Width) * picture.Height);
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

// The top-level boxes of an MP4 file, in order.
std::vector<std::string> TopBoxes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> boxes;
    std::uint64_t at = 0;
    for (;;) {
        unsigned char head[16];
        in.seekg(static_cast<std::streamoff>(at));
        if (!in.read(reinterpret_cast<char*>(head), 8))
            break;
        std::uint64_t size =
            (std::uint64_t{head[0]} << 24) | (head[1] << 16) | (head[2] << 8) | head[3];
        if (size == 1 && in.read(reinterpret_cast<char*>(head + 8), 8)) {
            size = 0;
            for (int i = 8; i < 16; ++i)
                size = (size << 8) | head[i];
        }
        boxes.emplace_back(reinterpret_cast<char*>(head + 4), 4);
        if (size < 8)
            break;
        at += size;
    }
    return boxes;
}

double Number(const std::map<std::string, std::string>& values, const std::string& key) {
    const auto it = values.find(key);
    return it == values.end() ? -1 : std::atof(it->second.c_str());
}

class Mp4WriterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    std::string Out(const std::string& name) const {
        return dir.filePath(name.c_str()).toStdString();
    }
    Mp4Writer::Options Options(const std::string& name, int w, int h) const {
        Mp4Writer::Options o;
        o.FileName = Out(name);
        o.Width = w;
        o.Height = h;
        return o;
    }
    QStringList Files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
    QTemporaryDir dir;
};

// A slide show in miniature: a still, a transition of distinct frames, a second still.
// Returns the frames written, in order of showing. The writer is initialised.
std::vector<imaging::Bitmap> WriteShow(Mp4Writer& writer, int w, int h, int stillFrames,
                                       int transitionFrames) {
    std::vector<imaging::Bitmap> shown;
    const imaging::Bitmap a = Picture(w, h, 1), b = Picture(w, h, 4);
    EXPECT_TRUE(writer.AddStillFrames(a, stillFrames));
    shown.insert(shown.end(), static_cast<std::size_t>(stillFrames), a);
    for (int t = 1; t <= transitionFrames; ++t) {
        imaging::Bitmap mixed = a; // b slides in from the left
        const int edge = w * t / (transitionFrames + 1);
        for (int y = 0; y < h; ++y)
            std::memcpy(mixed.Row(y), b.Row(y) + 3 * (w - edge),
                        static_cast<std::size_t>(edge) * 3);
        EXPECT_TRUE(writer.AddFrame(mixed));
        shown.push_back(mixed);
    }
    EXPECT_TRUE(writer.AddStillFrames(b, stillFrames));
    shown.insert(shown.end(), static_cast<std::size_t>(stillFrames), b);
    return shown;
}

TEST_F(Mp4WriterTest, HdVideoIsH264AndAacFlaggedBt709WithTheIndexFirst) {
    struct Case {
        int W, H;
        std::string SoxFormat;
        int Rate;
        double Seconds;
    };
    for (const Case& c : {Case{1280, 720, "-r 44100 -c 2 -b 16", 44100, 2.5},
                          Case{1920, 1080, "-r 22050 -c 1 -b 8", 22050, 1.3}}) {
        SCOPED_TRACE(std::to_string(c.H) + "p");
        const std::string out = Out("show" + std::to_string(c.H) + ".mp4");
        const std::string wav =
            AudioFiles::Get().Wav("tone" + std::to_string(c.H) + ".wav", c.Seconds, c.SoxFormat);
        Mp4Writer writer;
        Mp4Writer::Options o = Options("show" + std::to_string(c.H) + ".mp4", c.W, c.H);
        o.FrameTime = 40;
        ASSERT_TRUE(writer.Configure(o));
        EXPECT_EQ(writer.Height(), c.H); // 1080 is kept: no rounding to a multiple of 16
        ASSERT_TRUE(writer.InitVideo(Picture(c.W, c.H, 1)));
        WriteShow(writer, c.W, c.H, 30, 8);
        ASSERT_TRUE(writer.AddWaveFile(wav, 0));
        writer.FinalizeVideo();
        ASSERT_TRUE(writer.WriteAvi());

        const auto v = avi_probe::Stream(out, "v:0");
        EXPECT_EQ(v.at("codec_name"), "h264");
        EXPECT_TRUE(v.at("profile") == "High" || v.at("profile") == "Main") << v.at("profile");
        EXPECT_EQ(v.at("pix_fmt"), "yuv420p");
        EXPECT_EQ(v.at("width"), std::to_string(c.W));
        EXPECT_EQ(v.at("height"), std::to_string(c.H));
        EXPECT_EQ(v.at("r_frame_rate"), "25/1");
        EXPECT_EQ(v.at("avg_frame_rate"), "25/1");
        EXPECT_EQ(v.at("nb_read_frames"), "68");
        EXPECT_EQ(v.at("nb_frames"), "68");
        EXPECT_NEAR(Number(v, "duration"), 68 * 0.04, 1e-6);
        EXPECT_EQ(v.at("color_space"), "bt709");
        EXPECT_EQ(v.at("color_primaries"), "bt709");
        EXPECT_EQ(v.at("color_transfer"), "bt709");
        EXPECT_EQ(v.at("color_range"), "tv");

        const auto a = avi_probe::Stream(out, "a:0");
        EXPECT_EQ(a.at("codec_name"), "aac");
        EXPECT_EQ(a.at("channels"), "2");
        EXPECT_EQ(a.at("sample_rate"), std::to_string(c.Rate));
        if (c.Rate == 44100) { // at low rates a plain tone needs far less than the target
            EXPECT_NEAR(Number(a, "bit_rate"), 192000, 40000);
        }
        // The soundtrack's length, to within one AAC frame.
        EXPECT_NEAR(Number(a, "duration"), c.Seconds, 1024.0 / c.Rate);
        EXPECT_NEAR(static_cast<double>(avi_probe::DecodeAudio(out).size()) / 2 / c.Rate, c.Seconds,
                    1024.0 / c.Rate);

        const auto boxes = TopBoxes(out);
        const auto moov = std::find(boxes.begin(), boxes.end(), "moov");
        const auto mdat = std::find(boxes.begin(), boxes.end(), "mdat");
        ASSERT_NE(moov, boxes.end());
        ASSERT_NE(mdat, boxes.end());
        EXPECT_LT(moov - boxes.begin(), mdat - boxes.begin()) << "the index must come first";
        EXPECT_EQ(avi_probe::DecodeErrors(out), "");
    }
}

TEST_F(Mp4WriterTest, FramesDecodeToThePicturesInTheirFlaggedColours) {
    // A flat colour comes back as the same colour through each size's matrix and flags, and a
    // still and a transition come back within the encoder's quality.
    for (const auto& [w, h] : {std::pair{400, 288}, std::pair{1280, 720}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const std::string name = "colour" + std::to_string(h) + ".mp4";
        Mp4Writer writer;
        ASSERT_TRUE(writer.Configure(Options(name, w, h)));
        writer.SetFrameTime(40);
        const imaging::Bitmap orange = Flat(w, h, 30, 140, 230);
        ASSERT_TRUE(writer.InitVideo(orange));
        ASSERT_TRUE(writer.AddStillFrames(orange, 3));
        std::vector<imaging::Bitmap> shown = WriteShow(writer, w, h, 12, 6);
        writer.FinalizeVideo();
        ASSERT_TRUE(writer.WriteAvi());
        const std::string out = Out(name);

        const auto v = avi_probe::Stream(out, "v:0");
        EXPECT_EQ(v.at("color_space"), h >= 720 ? "bt709" : "smpte170m");
        const auto rgb = avi_probe::DecodeFrames(out, "rgb24");
        const std::size_t frameBytes = static_cast<std::size_t>(w) * h * 3;
        ASSERT_EQ(rgb.size(), frameBytes * (3 + shown.size()));
        for (std::size_t i = 0; i < 3 * frameBytes; i += 3 * 997) {
            EXPECT_NEAR(rgb[i], 230, 3);
            EXPECT_NEAR(rgb[i + 1], 140, 3);
            EXPECT_NEAR(rgb[i + 2], 30, 3);
        }
        const auto yuv = avi_probe::DecodeFrames(out, "yuv420p");
        const std::size_t yuvBytes = static_cast<std::size_t>(w) * h * 3 / 2;
        ASSERT_EQ(yuv.size(), yuvBytes * (3 + shown.size()));
        for (std::size_t f = 0; f < shown.size(); ++f)
            EXPECT_GT(LumaPsnr(yuv.data() + (3 + f) * yuvBytes, shown[f], h >= 720), 40.0)
                << "frame " << f;
    }
}

TEST_F(Mp4WriterTest, StillsAreEncodedBrieflyAndRepeatExactly) {
    const int w = 1280, h = 720;
    // Two stills of 40 frames around a slide-in of 5, then 20 single frames of the last still.
    const int still = 40, moving = 5, total = 2 * still + moving + 20;
    const std::string out = Out("stills.mp4");
    Mp4Writer writer;
    ASSERT_TRUE(writer.Configure(Options("stills.mp4", w, h)));
    writer.SetFrameTime(40);
    ASSERT_TRUE(writer.InitVideo(Picture(w, h, 1)));
    const std::vector<imaging::Bitmap> shown = WriteShow(writer, w, h, still, moving);
    // The same picture again through single frames joins the last still.
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(writer.AddFrame(shown.back()));
    EXPECT_EQ(writer.FrameCount(), total);
    // Each still is encoded for its first seven frames, which refine it; the rest repeat.
    const int refined = 1 + media::H264Settings{}.RefineStills;
    ASSERT_EQ(refined, 7);
    EXPECT_EQ(writer.EncodedFrames(), 7 + moving + 7);
    writer.FinalizeVideo();
    ASSERT_TRUE(writer.WriteAvi());

    const auto hashes = avi_probe::FrameHashes(out);
    ASSERT_EQ(hashes.size(), static_cast<std::size_t>(total));
    const int second = still + moving; // the first frame of the second still
    for (int f = 7; f < still; ++f)
        EXPECT_EQ(hashes[static_cast<std::size_t>(f)], hashes[6]) << "frame " << f;
    for (int f = second + 7; f < total; ++f)
        EXPECT_EQ(hashes[static_cast<std::size_t>(f)], hashes[second + 6]) << "frame " << f;
    EXPECT_NE(hashes[6], hashes[second + 6]);
    EXPECT_EQ(avi_probe::DecodeErrors(out), "");

    // Each repeat costs a few bytes; the pictures themselves stay within the quality.
    const std::string sizes = avi_probe::Capture(
        "ffprobe -v error -select_streams v:0 -show_entries packet=size -of csv=p=0 " + Quote(out));
    std::istringstream lines(sizes);
    int small = 0;
    std::string line;
    while (std::getline(lines, line))
        small += std::atoi(line.c_str()) <= 16;
    EXPECT_EQ(small, total - (7 + moving + 7));
    const auto yuv = avi_probe::DecodeFrames(out, "yuv420p");
    const std::size_t frameBytes = static_cast<std::size_t>(w) * h * 3 / 2;
    ASSERT_EQ(yuv.size(), frameBytes * total);
    const int last = static_cast<int>(shown.size()) - 1;
    for (int f : {0, still - 1, still + 2, second + 10, total - 1})
        EXPECT_GT(LumaPsnr(yuv.data() + static_cast<std::size_t>(f) * frameBytes,
                           shown[static_cast<std::size_t>(std::min(f, last))], true),
                  40.0)
            << "frame " << f;
}

TEST_F(Mp4WriterTest, RepeatsFollowEveryOrderOfStillsAndFrames) {
    // Stills back to back, stills of one frame, a still longer than the picture numbering
    // wraps, a still given frame by frame, and a show that ends on a still: every frame decodes
    // as the picture it repeats, as when every frame is encoded. Written three ways: repeating
    // each still's first frame, repeating after refining (the default), and encoding every frame.
    const int w = 160, h = 96;
    const imaging::Bitmap a = Picture(w, h, 1), b = Picture(w, h, 2), c = Picture(w, h, 3);
    struct Step {
        const imaging::Bitmap* Picture;
        int Count;
        bool FrameByFrame;
    };
    const std::vector<Step> plan = {{&a, 5, false}, {&b, 3, false},   {&a, 1, false},
                                    {&c, 1, false}, {&b, 700, false}, {&a, 12, true},
                                    {&c, 2, false}, {&b, 40, false}};
    struct Way {
        std::string Name;
        bool Repeat;
        int Refine;
    };
    const std::vector<Way> ways = {{"first", true, 0}, {"refined", true, 6}, {"every", false, 0}};
    std::vector<std::vector<std::string>> hashes;
    std::vector<std::vector<std::uint8_t>> lumas;
    for (const Way& way : ways) {
        SCOPED_TRACE(way.Name);
        const std::string name = "order-" + way.Name + ".mp4";
        Mp4Writer writer;
        ASSERT_TRUE(writer.Configure(Options(name, w, h)));
        writer.SetFrameTime(40);
        writer.SetReplayRepeats(way.Repeat);
        writer.SetRefineStills(way.Refine);
        ASSERT_TRUE(writer.InitVideo(a));
        std::int64_t total = 0, encoded = 0;
        for (const Step& step : plan) {
            if (step.FrameByFrame) {
                for (int i = 0; i < step.Count; ++i)
                    ASSERT_TRUE(writer.AddFrame(*step.Picture));
            } else {
                ASSERT_TRUE(writer.AddStillFrames(*step.Picture, step.Count));
            }
            total += step.Count;
            encoded += way.Repeat ? std::min(step.Count, 1 + way.Refine) : step.Count;
        }
        EXPECT_EQ(writer.FrameCount(), total);
        EXPECT_EQ(writer.EncodedFrames(), encoded);
        writer.FinalizeVideo();
        ASSERT_TRUE(writer.WriteAvi());
        EXPECT_EQ(avi_probe::DecodeErrors(Out(name)), "");
        hashes.push_back(avi_probe::FrameHashes(Out(name)));
        ASSERT_EQ(hashes.back().size(), static_cast<std::size_t>(total));
        lumas.push_back(avi_probe::DecodeFrames(Out(name), "gray"));
        ASSERT_EQ(lumas.back().size(), static_cast<std::size_t>(total * w * h));

        // Within each still, the repeats are its last encoded frame exactly.
        if (!way.Repeat)
            continue;
        std::size_t at = 0;
        for (const Step& step : plan) {
            const std::size_t last =
                at + static_cast<std::size_t>(std::min(step.Count, 1 + way.Refine)) - 1;
            for (std::size_t f = last + 1; f < at + static_cast<std::size_t>(step.Count); ++f)
                ASSERT_EQ(hashes.back()[f], hashes.back()[last]) << "frame " << f;
            at += static_cast<std::size_t>(step.Count);
        }
    }
    // All three show the same pictures in the same places: each frame's centre agrees to within
    // the encodings' quantisation.
    const std::size_t frame = static_cast<std::size_t>(w) * h;
    for (std::size_t k = 1; k < lumas.size(); ++k)
        for (std::size_t f = 0; f < lumas[0].size() / frame; ++f)
            EXPECT_NEAR(lumas[k][f * frame + frame / 2 + w / 2],
                        lumas[0][f * frame + frame / 2 + w / 2], 6)
                << ways[k].Name << " frame " << f;
}

TEST_F(Mp4WriterTest, StatesAndFailuresAreReported) {
    const imaging::Bitmap pic = Picture(64, 48, 1);
    { // Frames before InitVideo, writing before FinalizeVideo.
        Mp4Writer writer;
        ASSERT_TRUE(writer.Configure(Options("early.mp4", 64, 48)));
        EXPECT_EQ(writer.AddFrame(pic).error(), "Video must be initialized.");
        ASSERT_TRUE(writer.InitVideo(pic));
        ASSERT_TRUE(writer.AddStillFrames(pic, 3));
        EXPECT_EQ(writer.WriteAvi().error(), "Video must be finalized");
        EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(Out("early.mp4"))));
    }
    { // Odd sides round down to even ones; an empty name is refused.
        Mp4Writer writer;
        EXPECT_FALSE(writer.Configure(Mp4Writer::Options{}));
        ASSERT_TRUE(writer.Configure(Options("odd.mp4", 401, 229)));
        EXPECT_EQ(writer.Width(), 400);
        EXPECT_EQ(writer.Height(), 228);
        writer.SetCrf(99);
        EXPECT_EQ(writer.Crf(), 51);
    }
    { // A folder that does not exist fails at InitVideo.
        Mp4Writer writer;
        ASSERT_TRUE(writer.Configure(Options("missing/out.mp4", 64, 48)));
        const auto st = writer.InitVideo(pic);
        ASSERT_FALSE(st);
        EXPECT_NE(st.error().find("missing/out.mp4"), std::string::npos) << st.error();
    }
    { // No frame at all: an MP4 cannot hold an empty video track, so nothing is written.
        Mp4Writer writer;
        ASSERT_TRUE(writer.Configure(Options("empty.mp4", 64, 48)));
        ASSERT_TRUE(writer.InitVideo(pic));
        writer.FinalizeVideo();
        EXPECT_EQ(writer.WriteAvi().error(), "The video has no frames");
    }
    { // Abandoned after InitVideo: no file stays.
        Mp4Writer writer;
        ASSERT_TRUE(writer.Configure(Options("abandoned.mp4", 64, 48)));
        ASSERT_TRUE(writer.InitVideo(pic));
        ASSERT_TRUE(writer.AddStillFrames(pic, 3));
    }
    { // Aborted from the progress handler: later frames are ignored, the file goes silently.
        Mp4Writer writer;
        ASSERT_TRUE(writer.Configure(Options("aborted.mp4", 64, 48)));
        std::vector<std::int64_t> reported;
        writer.SetProgressHandler([&](std::int64_t n, bool& abort) {
            reported.push_back(n);
            abort = n >= 40;
        });
        ASSERT_TRUE(writer.InitVideo(pic));
        ASSERT_TRUE(writer.AddStillFrames(pic, 45));
        EXPECT_TRUE(writer.Aborted());
        ASSERT_TRUE(writer.AddStillFrames(pic, 10));
        EXPECT_EQ(writer.FrameCount(), 45);
        EXPECT_EQ(reported, (std::vector<std::int64_t>{20, 40}));
        writer.FinalizeVideo();
        EXPECT_TRUE(writer.WriteAvi());
    }
    EXPECT_TRUE(Files().isEmpty()) << Files().join(", ").toStdString();
}

TEST_F(Mp4WriterTest, AWriteThatRunsOutOfSpaceFailsAndLeavesNoFile) {
    const std::string wav = AudioFiles::Get().Wav("long.wav", 12.0);
    Mp4Writer writer;
    ASSERT_TRUE(writer.Configure(Options("full.mp4", 160, 96)));
    writer.SetFrameTime(40);
    ASSERT_TRUE(writer.InitVideo(Picture(160, 96, 1)));
    WriteShow(writer, 160, 96, 150, 4);
    ASSERT_TRUE(writer.AddWaveFile(wav, 0));
    writer.FinalizeVideo();
    // The video alone fits; with 12 s of sound at 192 kbit/s the files cannot.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 150 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto st = writer.WriteAvi();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    ASSERT_FALSE(st);
    // The sound's spool or the output, whichever fills first, names the cause.
    EXPECT_NE(st.error().find("File too large"), std::string::npos) << st.error();
    EXPECT_TRUE(Files().isEmpty()) << Files().join(", ").toStdString();
}

} // namespace
