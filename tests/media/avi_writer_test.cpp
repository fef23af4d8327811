// The compressed AVI writer: its properties, states and calling order, and the files it writes
// as ffprobe and ffmpeg read them (frame counts, size, rate, handler code, key frames, colours,
// repeats that decode like encoding every frame, the soundtrack).
#include "AudioFiles.h"
#include "AviProbe.h"
#include "media/audio/TrackPcmSource.h"
#include "media/audio/WavFile.h"
#include "media/music/Mixdown.h"
#include "media/video/AviWriter.h"
#include "media/video/VideoEncoder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "support/FileBytes.h"
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>

namespace {

using media::AviWriter;

imaging::Bitmap Flat(int w, int h, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    imaging::Bitmap bmp = imaging::Bitmap::CreateSized(w, h);
    bmp.Fill(b, g, r);
    return bmp;
}

// A picture with detail, different for every random seed.
imaging::Bitmap Noise(int w, int h, unsigned seed) {
    imaging::Bitmap bmp = imaging::Bitmap::CreateSized(w, h);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 3; ++x)
            bmp.Row(y)[x] = static_cast<std::uint8_t>((x * 7 + y * 3 + (rng() & 63)) & 255);
    return bmp;
}

// BT.601 studio-range luma, as the encoders' YUV conversion gives it.
int Luma(int r, int g, int b) {
    return static_cast<int>(std::lround(16 + (65.481 * r + 128.553 * g + 24.966 * b) / 255.0));
}

class AviWriterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    std::string Out(const std::string& name) const {
        return dir.filePath(name.c_str()).toStdString();
    }
    AviWriter::Options Options(const std::string& name, const std::string& codec, int w, int h) {
        AviWriter::Options o;
        o.FileName = Out(name);
        o.Codec = codec;
        o.Width = w;
        o.Height = h;
        return o;
    }
    QStringList Files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
    QTemporaryDir dir;
};

TEST(AviWriterProperties, SidesRoundDownAndCodesAreCheckedAtOnce) {
    AviWriter w;
    w.SetWidth(228);
    w.SetHeight(528);
    EXPECT_EQ(w.Width(), 224);
    EXPECT_EQ(w.Height(), 528);
    w.SetWidth(720);
    EXPECT_EQ(w.Width(), 720);

    auto unknown = w.SetCodec("IV50");
    ASSERT_FALSE(unknown);
    EXPECT_EQ(unknown.error(), "No compressor for IV50\n available");
    EXPECT_TRUE(w.Compressor().empty());
    ASSERT_TRUE(w.SetCodec("divx")); // matched in any case, kept as given
    EXPECT_EQ(w.Compressor(), "divx");
    ASSERT_TRUE(w.SetCodec("XVIDEO")); // only the first four characters count
    EXPECT_EQ(w.Compressor(), "XVID");
    ASSERT_TRUE(w.SetCodec(""));
    EXPECT_TRUE(w.Compressor().empty());

    EXPECT_FALSE(w.SetWavFileName("music.mp3"));
    EXPECT_TRUE(w.SetWavFileName("piece.WAV"));
    EXPECT_FALSE(w.AddWaveFile("piece.ogg", 0));
    EXPECT_EQ(w.AddWaveFile("piece.ogg", 0).error(),
              "WavFileName must name a file with the .wav extension");

    const auto lines = media::ListCodecs();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "No Compression");
    for (const char* code : {"DIVX ", "DX50 ", "FMP4 ", "XVID ", "MSVC "})
        EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                               [&](const std::string& l) { return l.rfind(code, 0) == 0; }),
                  lines.end())
            << code;
    EXPECT_EQ(media::VideoEncoder::QuantiserFor(10000), 2);
    EXPECT_EQ(media::VideoEncoder::QuantiserFor(0), 31);
    EXPECT_EQ(media::VideoEncoder::QuantiserFor(5000), 17); // 14.5 rounds to the even 14
}

TEST_F(AviWriterTest, CallingOrderIsEnforcedAndNothingIsLeftBehind) {
    AviWriter w;
    ASSERT_TRUE(w.Configure(Options("order.avi", "XVID", 64, 48)));
    const auto pic = Flat(64, 48, 10, 20, 30);
    EXPECT_EQ(w.AddFrame(pic).error(), "Video must be initialized.");
    ASSERT_TRUE(w.InitVideo(pic));
    ASSERT_TRUE(w.AddStill(pic, 200));
    EXPECT_EQ(w.FrameCount(), 6);
    auto st = w.WriteAvi(); // without FinalizeVideo
    ASSERT_FALSE(st);
    EXPECT_EQ(st.error(), "Video must be finalized");
    EXPECT_TRUE(Files().isEmpty()) << Files().join(",").toStdString();
    // The same writer starts again cleanly.
    ASSERT_TRUE(w.InitVideo(pic));
    ASSERT_TRUE(w.AddFrame(pic));
    w.FinalizeVideo();
    ASSERT_TRUE(w.WriteAvi());
    EXPECT_EQ(Files(), QStringList{"order.avi"});
}

TEST_F(AviWriterTest, AnAbortFromTheProgressHandlerStopsTheWriter) {
    AviWriter w;
    ASSERT_TRUE(w.Configure(Options("abort.avi", "DIVX", 64, 48)));
    std::vector<std::int64_t> calls;
    w.SetProgressHandler([&](std::int64_t n, bool& abort) {
        calls.push_back(n);
        abort = n == 40;
    });
    const auto pic = Flat(64, 48, 50, 60, 70);
    ASSERT_TRUE(w.InitVideo(pic));
    ASSERT_TRUE(w.AddStillFrames(pic, 45));
    EXPECT_EQ(calls, (std::vector<std::int64_t>{20, 40}));
    EXPECT_TRUE(w.Aborted());
    ASSERT_TRUE(w.AddStillFrames(pic, 100)); // ignored
    EXPECT_EQ(w.FrameCount(), 45);
    w.FinalizeVideo();
    ASSERT_TRUE(w.WriteAvi()); // only releases everything
    EXPECT_TRUE(Files().isEmpty()) << Files().join(",").toStdString();
}

TEST_F(AviWriterTest, StillsAndFramesGiveTheExactCountSizeRateAndCode) {
    AviWriter w;
    ASSERT_TRUE(w.Configure(Options("show.avi", "XVID", 720, 528)));
    std::int64_t reported = 0;
    w.SetProgressHandler([&](std::int64_t n, bool&) { reported = n; });
    const auto a = Noise(720, 528, 1);
    ASSERT_TRUE(w.InitVideo(a));
    ASSERT_TRUE(w.AddStill(a, 5000)); // 126 frames
    for (unsigned i = 0; i < 10; ++i)
        ASSERT_TRUE(w.AddFrame(Noise(720, 528, 10 + i)));
    ASSERT_TRUE(w.AddStill(Noise(720, 528, 2), 0)); // 1 frame
    ASSERT_TRUE(w.AddStillFrames(Noise(720, 528, 3), 40));
    EXPECT_EQ(w.FrameCount(), 177);
    EXPECT_EQ(reported, 160);
    // The repeats were not encoded again.
    EXPECT_LT(w.EncodedFrames(), 60);
    w.FinalizeVideo();
    ASSERT_TRUE(w.WriteAvi());

    const std::string file = Out("show.avi");
    auto v = avi_probe::Stream(file, "v:0");
    EXPECT_EQ(v["codec_name"], "mpeg4");
    EXPECT_EQ(v["codec_tag_string"], "XVID");
    EXPECT_EQ(v["width"], "720");
    EXPECT_EQ(v["height"], "528");
    EXPECT_EQ(v["r_frame_rate"], "25/1");
    EXPECT_EQ(v["nb_read_frames"], "177");
    EXPECT_EQ(avi_probe::DecodeErrors(file), "");
    EXPECT_TRUE(avi_probe::Stream(file, "a:0").empty()); // no pieces, no sound

    // A key frame exactly every 25 frames, every other frame predicted.
    const auto keys = avi_probe::KeyFrames(file);
    ASSERT_EQ(keys.size(), 177u);
    for (std::size_t i = 0; i < keys.size(); ++i)
        EXPECT_EQ(keys[i], i % 25 == 0) << i;
}

TEST_F(AviWriterTest, ReplayedRepeatsDecodeLikeEncodingEveryFrame) {
    for (const char* codec : {"DIVX", "MSVC"}) {
        std::vector<std::string> hashes[2];
        std::int64_t encoded[2] = {};
        std::int64_t sizes[2] = {};
        for (int replay = 0; replay < 2; ++replay) {
            const std::string name = std::string(codec) + std::to_string(replay) + ".avi";
            AviWriter w;
            ASSERT_TRUE(w.Configure(Options(name, codec, 160, 128)));
            w.SetReplayRepeats(replay == 1);
            const auto still = Noise(160, 128, 5);
            ASSERT_TRUE(w.InitVideo(still));
            ASSERT_TRUE(w.AddStillFrames(still, 13)); // ends mid-group
            for (unsigned i = 0; i < 4; ++i)
                ASSERT_TRUE(w.AddFrame(Noise(160, 128, 40 + i)));
            ASSERT_TRUE(w.AddStillFrames(Noise(160, 128, 6), 90)); // starts mid-group, 3 groups
            ASSERT_TRUE(w.AddFrame(Noise(160, 128, 50)));
            ASSERT_TRUE(w.AddStillFrames(Noise(160, 128, 7), 7)); // a short last group
            w.FinalizeVideo();
            encoded[replay] = w.EncodedFrames();
            ASSERT_TRUE(w.WriteAvi());
            const std::string file = Out(name);
            EXPECT_EQ(avi_probe::DecodeErrors(file), "") << codec;
            EXPECT_EQ(avi_probe::Stream(file, "v:0")["nb_read_frames"], "115") << codec;
            hashes[replay] = avi_probe::FrameHashes(file);
            sizes[replay] = QFileInfo(file.c_str()).size();
        }
        EXPECT_EQ(encoded[0], 115) << codec;
        EXPECT_LT(encoded[1], 40) << codec;
        ASSERT_EQ(hashes[0].size(), 115u) << codec;
        EXPECT_EQ(hashes[0], hashes[1]) << codec;
        // Repeats are real frames of a few hundred bytes at most, not empty chunks.
        EXPECT_LT(sizes[1], sizes[0] + 4096) << codec;
    }
}

// Key-frame groups encoded at the same time on worker threads make the very file the caller's
// thread alone makes: stills replayed within and across groups, a still that goes on after
// single frames, a short last group, a whole file of a few bytes per group.
TEST_F(AviWriterTest, GroupsEncodedInParallelMakeTheSameFile) {
    for (const char* codec : {"XVID", "MSVC"}) {
        std::string bytes[2];
        std::int64_t encoded[2] = {};
        const int workers[2] = {1, 3};
        for (int run = 0; run < 2; ++run) {
            const std::string name = std::string(codec) + "w" + std::to_string(workers[run]);
            AviWriter w;
            ASSERT_TRUE(w.Configure(Options(name + ".avi", codec, 160, 128)));
            w.SetWorkers(workers[run]);
            ASSERT_TRUE(w.InitVideo(Noise(160, 128, 1)));
            ASSERT_TRUE(w.AddStillFrames(Noise(160, 128, 1), 13));
            for (unsigned i = 0; i < 40; ++i)
                ASSERT_TRUE(w.AddFrame(Noise(160, 128, 60 + i % 7)));
            ASSERT_TRUE(w.AddStillFrames(Noise(160, 128, 2), 80)); // replayed whole groups
            ASSERT_TRUE(w.AddFrame(Noise(160, 128, 3)));
            ASSERT_TRUE(w.AddStillFrames(Flat(160, 128, 10, 200, 30), 11));
            w.FinalizeVideo();
            encoded[run] = w.EncodedFrames();
            ASSERT_TRUE(w.WriteAvi());
            bytes[run] = testsupport::FileBytes(Out(name + ".avi"));
        }
        EXPECT_EQ(avi_probe::Stream(Out(std::string(codec) + "w3.avi"), "v:0")["nb_read_frames"],
                  "145")
            << codec;
        EXPECT_EQ(encoded[0], encoded[1]) << codec;
        ASSERT_GT(bytes[0].size(), 1000u) << codec;
        EXPECT_TRUE(bytes[0] == bytes[1]) << codec;
    }
}

TEST_F(AviWriterTest, QualityReachesTheEncoderOnEveryFrame) {
    std::int64_t sizes[2] = {};
    const int qualities[2] = {10000, 5000};
    for (int i = 0; i < 2; ++i) {
        const std::string name = "q" + std::to_string(qualities[i]) + ".avi";
        AviWriter::Options o = Options(name, "FMP4", 320, 240);
        o.Quality = qualities[i];
        AviWriter w;
        ASSERT_TRUE(w.Configure(o));
        const auto first = Noise(320, 240, 1);
        ASSERT_TRUE(w.InitVideo(first));
        for (unsigned f = 0; f < 30; ++f)
            ASSERT_TRUE(w.AddFrame(Noise(320, 240, f)));
        w.FinalizeVideo();
        ASSERT_TRUE(w.WriteAvi());
        sizes[i] = QFileInfo(Out(name).c_str()).size();
    }
    // Quantiser 17 instead of 2: a far smaller file.
    EXPECT_LT(sizes[1] * 3, sizes[0]);
}

TEST_F(AviWriterTest, ColoursAndOrientationSurviveBothCompressors) {
    // Top half red, bottom half blue, a green square in the middle (flat areas only).
    imaging::Bitmap pic = Flat(160, 128, 0, 0, 200);
    imaging::Bitmap blue = Flat(160, 64, 200, 0, 0);
    imaging::Bitmap green = Flat(48, 48, 0, 180, 0);
    pic.Draw(blue, 0, 64);
    pic.Draw(green, 56, 40);
    struct Probe {
        int x, y, r, g, b;
    };
    const Probe probes[] = {{8, 8, 200, 0, 0}, {150, 120, 0, 0, 200}, {80, 64, 0, 180, 0}};

    AviWriter x;
    ASSERT_TRUE(x.Configure(Options("colour.avi", "XVID", 160, 128)));
    ASSERT_TRUE(x.InitVideo(pic));
    ASSERT_TRUE(x.AddStillFrames(pic, 3));
    x.FinalizeVideo();
    ASSERT_TRUE(x.WriteAvi());
    const auto yuv = avi_probe::DecodeFrames(Out("colour.avi"), "yuv420p");
    const std::size_t frameBytes = 160 * 128 * 3 / 2;
    ASSERT_EQ(yuv.size(), frameBytes * 3);
    for (std::size_t f = 0; f < 3; ++f)
        for (const Probe& p : probes)
            EXPECT_NEAR(yuv[f * frameBytes + static_cast<std::size_t>(p.y) * 160 + p.x],
                        Luma(p.r, p.g, p.b), 1)
                << "frame " << f << " at " << p.x << "," << p.y;

    // Video-1 keeps five bits a channel.
    AviWriter m;
    ASSERT_TRUE(m.Configure(Options("colour-msvc.avi", "MSVC", 160, 128)));
    ASSERT_TRUE(m.InitVideo(pic));
    ASSERT_TRUE(m.AddFrame(pic));
    m.FinalizeVideo();
    ASSERT_TRUE(m.WriteAvi());
    EXPECT_EQ(avi_probe::Stream(Out("colour-msvc.avi"), "v:0")["codec_name"], "msvideo1");
    const auto rgb = avi_probe::DecodeFrames(Out("colour-msvc.avi"), "rgb24");
    ASSERT_EQ(rgb.size(), 160u * 128 * 3);
    for (const Probe& p : probes) {
        const std::uint8_t* px = &rgb[(static_cast<std::size_t>(p.y) * 160 + p.x) * 3];
        EXPECT_NEAR(px[0], p.r, 8) << p.x << "," << p.y;
        EXPECT_NEAR(px[1], p.g, 8) << p.x << "," << p.y;
        EXPECT_NEAR(px[2], p.b, 8) << p.x << "," << p.y;
    }
}

TEST_F(AviWriterTest, PicturesOfAnotherSizeAreCentredOrStretched) {
    // 320 x 240 picture: blue border, red centre 160 x 120. The 160 x 128 frame shows the centre.
    imaging::Bitmap big = Flat(320, 240, 200, 0, 0);
    big.Draw(Flat(160, 120, 0, 0, 200), 80, 60);
    imaging::Bitmap small = Flat(32, 32, 0, 200, 0);
    for (bool stretch : {false, true}) {
        AviWriter::Options o = Options(stretch ? "stretch.avi" : "centre.avi", "DIVX", 160, 128);
        o.Stretch = stretch;
        AviWriter w;
        ASSERT_TRUE(w.Configure(o));
        ASSERT_TRUE(w.InitVideo(big));
        ASSERT_TRUE(w.AddFrame(big));
        ASSERT_TRUE(w.AddFrame(small));
        w.FinalizeVideo();
        ASSERT_TRUE(w.WriteAvi());
        const auto yuv = avi_probe::DecodeFrames(o.FileName, "yuv420p");
        ASSERT_EQ(yuv.size(), 160u * 128 * 3);
        auto at = [&](int frame, int x, int y) {
            return static_cast<int>(yuv[static_cast<std::size_t>(frame) * 160 * 128 * 3 / 2 +
                                        static_cast<std::size_t>(y) * 160 + x]);
        };
        const int red = Luma(200, 0, 0), blue = Luma(0, 0, 200), green = Luma(0, 200, 0);
        if (!stretch) {
            // Cut to its centre: red everywhere but the 4-row blue strips top and bottom.
            EXPECT_NEAR(at(0, 4, 20), red, 1);
            EXPECT_NEAR(at(0, 150, 100), red, 1);
            EXPECT_NEAR(at(0, 80, 1), blue, 2);
            // The small picture on black, in the middle.
            EXPECT_NEAR(at(1, 80, 64), green, 1);
            EXPECT_NEAR(at(1, 10, 10), 16, 1);
        } else {
            EXPECT_NEAR(at(0, 80, 64), red, 1);
            EXPECT_NEAR(at(0, 8, 64), blue, 1);
            EXPECT_NEAR(at(1, 10, 10), green, 1);
        }
    }
}

TEST_F(AviWriterTest, SoundtrackPiecesBecomeOnePcmStreamOfTheRightLength) {
    // Two pieces: 2 s at 0 ms and 1 s at 3000 ms: 4 s of sound with a silent second between.
    auto& audio = testing_audio::AudioFiles::Get();
    const std::string a = audio.Wav("mux-a.wav", 2.0);
    const std::string b = audio.Wav("mux-b.wav", 1.0, "-r 48000 -c 1 -b 16"); // converted
    AviWriter w;
    ASSERT_TRUE(w.Configure(Options("sound.avi", "XVID", 64, 48)));
    const auto pic = Flat(64, 48, 1, 2, 3);
    ASSERT_TRUE(w.InitVideo(pic));
    ASSERT_TRUE(w.AddStill(pic, 6000)); // 151 frames
    ASSERT_TRUE(w.AddWaveFile(b, 3000));
    ASSERT_TRUE(w.AddWaveFile(a, 0));
    w.FinalizeVideo();
    ASSERT_TRUE(w.WriteAvi());
    const std::string file = Out("sound.avi");
    EXPECT_EQ(avi_probe::DecodeErrors(file), "");
    auto s = avi_probe::Stream(file, "a:0");
    EXPECT_EQ(s["codec_name"], "pcm_s16le");
    EXPECT_EQ(s["sample_rate"], "44100");
    EXPECT_EQ(s["channels"], "2");
    const auto pcm = avi_probe::DecodeAudio(file);
    ASSERT_EQ(pcm.size(), 4u * 44100 * 2);
    auto peak = [&](double from, double to) {
        int m = 0;
        for (auto i = static_cast<std::size_t>(from * 88200);
             i < static_cast<std::size_t>(to * 88200); ++i)
            m = std::max(m, std::abs(static_cast<int>(pcm[i])));
        return m;
    };
    EXPECT_GT(peak(0.1, 1.9), 10000);
    EXPECT_EQ(peak(2.0, 3.0), 0);
    EXPECT_GT(peak(3.1, 3.9), 10000);
    EXPECT_EQ(avi_probe::Stream(file, "v:0")["nb_read_frames"], "151");
}

TEST_F(AviWriterTest, TracksDecodedByTheAudioLibraryPlayWithTheirVolumes) {
    // Two 3 s tracks at volumes 100 and 50 in a 5 s video: 3 s loud, then 2 s at half level.
    testing_audio::LoadRealLibrary();
    auto& audio = testing_audio::AudioFiles::Get();
    const std::string one = audio.Wav("vol-1.wav", 3.0);
    const std::string two = audio.Wav("vol-2.wav", 3.0);
    base::NoProgress progress;
    media::TemporaryFiles pieces;
    auto laid = media::DecodeSoundtrack({{one, 3, 100}, {two, 3, 50}}, 5, media::OpenTrackPcmSource,
                                        pieces, progress);
    ASSERT_TRUE(laid) << laid.error();
    ASSERT_EQ(laid->Queue.size(), 2u);
    AviWriter w;
    ASSERT_TRUE(w.Configure(Options("volume.avi", "DX50", 64, 48)));
    const auto pic = Flat(64, 48, 9, 9, 9);
    ASSERT_TRUE(w.InitVideo(pic));
    ASSERT_TRUE(w.AddStill(pic, 5000));
    for (const auto& q : laid->Queue)
        ASSERT_TRUE(w.AddWaveFile(q.Path, q.StartMs));
    w.FinalizeVideo();
    ASSERT_TRUE(w.WriteAvi());
    pieces.RemoveAll();
    EXPECT_FALSE(std::filesystem::exists(one + ".wav"));

    const auto pcm = avi_probe::DecodeAudio(Out("volume.avi"));
    ASSERT_EQ(pcm.size(), 5u * 44100 * 2);
    auto peak = [&](double from, double to) {
        int m = 0;
        for (auto i = static_cast<std::size_t>(from * 88200);
             i < static_cast<std::size_t>(to * 88200); ++i)
            m = std::max(m, std::abs(static_cast<int>(pcm[i])));
        return m;
    };
    const int loud = peak(0.5, 2.5), half = peak(3.5, 4.5);
    EXPECT_GT(loud, 10000);
    EXPECT_NEAR(half, loud / 2, 2);
}

} // namespace
