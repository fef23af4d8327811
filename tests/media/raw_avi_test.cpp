// The uncompressed writer and the AVI file layer: byte layout, pixels read back by ffmpeg, and
// files that go on as OpenDML past the first RIFF (small RIFFs here, and one real file past
// 1 GiB that is removed again).
#include "AviProbe.h"
#include "base/Endian.h"
#include "media/video/AviFile.h"
#include "media/video/AviWriter.h"
#include "media/video/RawAviWriter.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "support/FileBytes.h"
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    return testsupport::FileBytes<std::vector<std::uint8_t>>(path);
}

// A picture whose every pixel says where it is and in which frame.
imaging::Bitmap Pattern(int w, int h, int frame) {
    imaging::Bitmap b = imaging::Bitmap::CreateSized(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = b.Row(y) + x * 3;
            p[0] = static_cast<std::uint8_t>(x + frame);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = static_cast<std::uint8_t>(frame * 7);
        }
    return b;
}

// The same picture as ffmpeg gives it in rgb24 (top row first).
std::vector<std::uint8_t> Rgb(const imaging::Bitmap& b) {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < b.Height; ++y)
        for (int x = 0; x < b.Width; ++x) {
            const std::uint8_t* p = b.Row(y) + x * 3;
            out.insert(out.end(), {p[2], p[1], p[0]});
        }
    return out;
}

std::string Id(const std::vector<std::uint8_t>& f, std::size_t at) {
    return std::string(f.begin() + static_cast<std::ptrdiff_t>(at),
                       f.begin() + static_cast<std::ptrdiff_t>(at + 4));
}

class RawAviTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    std::string Out(const std::string& n) const { return dir.filePath(n.c_str()).toStdString(); }
    QTemporaryDir dir;
};

TEST_F(RawAviTest, FramesReadBackExactlyWithTheDocumentedLayout) {
    // Width 30: rows padded to 92 bytes, frames of odd-free even size.
    media::RawAviWriter w;
    const std::string file = Out("raw.avi");
    ASSERT_TRUE(w.Open(file, Pattern(30, 20, 0), 10000, 40));
    std::vector<std::uint8_t> expected;
    for (int f = 0; f < 3; ++f) {
        const auto pic = Pattern(30, 20, f);
        ASSERT_TRUE(w.Add(pic, f == 1 ? 2 : 1)); // the middle picture twice, each a full frame
        for (int i = 0; i < (f == 1 ? 2 : 1); ++i) {
            const auto rgb = Rgb(pic);
            expected.insert(expected.end(), rgb.begin(), rgb.end());
        }
    }
    ASSERT_TRUE(w.Close());

    EXPECT_EQ(avi_probe::DecodeErrors(file), "");
    auto v = avi_probe::Stream(file, "v:0");
    EXPECT_EQ(v["codec_name"], "rawvideo");
    EXPECT_EQ(v["nb_read_frames"], "4");
    EXPECT_EQ(v["r_frame_rate"], "25/1");
    EXPECT_EQ(v["width"], "30");
    EXPECT_EQ(v["height"], "20");
    EXPECT_EQ(avi_probe::DecodeFrames(file, "rgb24"), expected); // bottom-up rows read upright

    const auto bytes = ReadAll(file);
    ASSERT_GT(bytes.size(), 200u);
    EXPECT_EQ(Id(bytes, 0), "RIFF");
    EXPECT_EQ(base::LoadLE<std::uint32_t>(&bytes[4]), bytes.size() - 8);
    EXPECT_EQ(Id(bytes, 8), "AVI ");
    EXPECT_EQ(Id(bytes, 24), "avih");
    EXPECT_EQ(base::LoadLE<std::uint32_t>(&bytes[32]), 40000u); // microseconds per frame
    EXPECT_EQ(base::LoadLE<std::uint32_t>(&bytes[44]), 0x00010010u);
    EXPECT_EQ(base::LoadLE<std::uint32_t>(&bytes[48]), 4u);
    EXPECT_EQ(Id(bytes, 108), "vids");
    EXPECT_EQ(base::LoadLE<std::uint32_t>(&bytes[108 + 20]), 40u);    // scale
    EXPECT_EQ(base::LoadLE<std::uint32_t>(&bytes[108 + 24]), 1000u);  // rate
    EXPECT_EQ(base::LoadLE<std::uint32_t>(&bytes[108 + 32]), 4u);     // length
    EXPECT_EQ(base::LoadLE<std::uint32_t>(&bytes[108 + 40]), 10000u); // quality
    // The old index: offsets from the 'movi' type field to each '00db' header.
    const std::size_t idx = bytes.size() - 8 - 4 * 16;
    ASSERT_EQ(Id(bytes, idx), "idx1");
    std::size_t movi = 0;
    for (std::size_t i = 12; i + 4 < idx; ++i)
        if (Id(bytes, i) == "movi") {
            movi = i;
            break;
        }
    ASSERT_NE(movi, 0u);
    for (int f = 0; f < 4; ++f) {
        const std::uint8_t* e = &bytes[idx + 8 + static_cast<std::size_t>(f) * 16];
        EXPECT_EQ(std::string(e, e + 4), "00db");
        EXPECT_EQ(base::LoadLE<std::uint32_t>(e + 4), 0x10u);
        const std::size_t at = movi + base::LoadLE<std::uint32_t>(e + 8);
        EXPECT_EQ(Id(bytes, at), "00db");
        EXPECT_EQ(base::LoadLE<std::uint32_t>(e + 12), 92u * 20);
    }
}

TEST_F(RawAviTest, OddSizesAreRefusedAndAFailedFileIsRemoved) {
    media::RawAviWriter w;
    EXPECT_FALSE(w.Open(Out("odd.avi"), Pattern(31, 20, 0), 10000, 40));
    EXPECT_FALSE(std::filesystem::exists(Out("odd.avi")));
    EXPECT_FALSE(w.Open(Out("missing/dir.avi"), Pattern(30, 20, 0), 10000, 40));
    {
        media::RawAviWriter abandoned;
        ASSERT_TRUE(abandoned.Open(Out("abandoned.avi"), Pattern(30, 20, 0), 10000, 40));
        ASSERT_TRUE(abandoned.Add(Pattern(30, 20, 0)));
    }
    EXPECT_FALSE(std::filesystem::exists(Out("abandoned.avi")));
}

TEST_F(RawAviTest, SmallRiffsGoOnAsOpenDmlWithBothIndexes) {
    // 96 x 64 frames of 18 KiB in RIFFs of at most 100 KiB: about five frames each.
    const std::string file = Out("odml.avi");
    media::RawAviWriter w;
    ASSERT_TRUE(w.Open(file, Pattern(96, 64, 0), 10000, 40, nullptr, 100 * 1024));
    std::vector<std::uint8_t> expected;
    for (int f = 0; f < 23; ++f) {
        const auto pic = Pattern(96, 64, f);
        ASSERT_TRUE(w.Add(pic));
        const auto rgb = Rgb(pic);
        expected.insert(expected.end(), rgb.begin(), rgb.end());
    }
    ASSERT_TRUE(w.Close());
    EXPECT_EQ(avi_probe::DecodeErrors(file), "");
    EXPECT_EQ(avi_probe::Stream(file, "v:0")["nb_read_frames"], "23");
    EXPECT_EQ(avi_probe::DecodeFrames(file, "rgb24"), expected);

    const auto bytes = ReadAll(file);
    // RIFFs one after another: the first 'AVI ', then 'AVIX', each within the limit.
    std::size_t at = 0, riffs = 0;
    while (at + 12 <= bytes.size()) {
        ASSERT_EQ(Id(bytes, at), "RIFF");
        EXPECT_EQ(Id(bytes, at + 8), riffs == 0 ? "AVI " : "AVIX");
        const std::uint32_t size = base::LoadLE<std::uint32_t>(&bytes[at + 4]);
        EXPECT_LE(size + 8u, 100u * 1024);
        at += 8 + size;
        ++riffs;
    }
    EXPECT_EQ(at, bytes.size());
    EXPECT_GE(riffs, 4u);
    // The main header counts the first RIFF's frames, dmlh and the stream header all of them.
    const std::uint32_t firstRiffFrames = base::LoadLE<std::uint32_t>(&bytes[48]);
    EXPECT_GT(firstRiffFrames, 0u);
    EXPECT_LT(firstRiffFrames, 23u);
    EXPECT_EQ(base::LoadLE<std::uint32_t>(&bytes[108 + 32]), 23u);
    const auto dmlh =
        std::search(bytes.begin(), bytes.begin() + 8192, std::begin("dmlh"), std::end("dmlh") - 1);
    ASSERT_NE(dmlh, bytes.begin() + 8192);
    EXPECT_EQ(base::LoadLE<std::uint32_t>(&*(dmlh + 8)), 23u);
}

TEST_F(RawAviTest, CompressedVideoWithSoundInSmallRiffsKeepsEverything) {
    // The layer on its own: a video and an audio stream, interleaved, in 64 KiB RIFFs.
    const std::string file = Out("streams.avi");
    media::AviStreamSpec video;
    video.ChunkId = media::avi::FourCC("00db");
    video.Header.Type = media::avi::FourCC("vids");
    video.Header.Handler = media::avi::FourCC::Zero();
    video.Header.Scale = 40;
    video.Header.Rate = 1000;
    media::avi::BitmapInfoHeader bih{};
    bih.Size = 40;
    bih.Width = 32;
    bih.Height = 32;
    bih.Planes = 1;
    bih.BitCount = 24;
    bih.Compression = media::avi::FourCC::Zero();
    const auto* b = reinterpret_cast<const std::uint8_t*>(&bih);
    video.Format.assign(b, b + 40);
    media::AviStreamSpec audio;
    audio.ChunkId = media::avi::FourCC("01wb");
    audio.Header.Type = media::avi::FourCC("auds");
    audio.Header.Scale = 2;
    audio.Header.Rate = 16000;
    audio.Header.SampleSize = 2;
    media::avi::PcmWaveFormat wf{};
    wf.FormatTag = 1;
    wf.Channels = 1;
    wf.SamplesPerSec = 8000;
    wf.AvgBytesPerSec = 16000;
    wf.BlockAlign = 2;
    wf.BitsPerSample = 16;
    const auto* w = reinterpret_cast<const std::uint8_t*>(&wf);
    audio.Format.assign(w, w + 16);
    audio.BytesPerUnit = 2;
    auto created = media::AviFile::Create(file, {}, {video, audio}, 64 * 1024);
    ASSERT_TRUE(created) << created.error();
    auto& avi = *created;
    std::vector<std::uint8_t> frame(32 * 32 * 3, 0x40), second(8000 * 2, 0);
    for (int s = 0; s < 6; ++s) {
        ASSERT_TRUE(avi->WriteChunk(1, second, true));
        for (int f = 0; f < 25; ++f)
            ASSERT_TRUE(avi->WriteChunk(0, frame, true));
    }
    ASSERT_TRUE(avi->Close());
    EXPECT_GT(avi->RiffCount(), 3u);
    EXPECT_EQ(avi_probe::DecodeErrors(file), "");
    EXPECT_EQ(avi_probe::Stream(file, "v:0")["nb_read_frames"], "150");
    EXPECT_EQ(avi_probe::DecodeAudio(file).size(), 6u * 8000);
}

// One real file past 1 GiB: 2048 x 2048 frames of 12 MiB, 90 of them.
TEST_F(RawAviTest, FileLayerFailuresNameTheFile) {
    media::AviStreamSpec video;
    video.ChunkId = media::avi::FourCC("00db");
    video.Header.Type = media::avi::FourCC("vids");
    const std::string missing = Out("no-folder/x.avi");
    const auto refused = media::AviFile::Create(missing, {}, {video});
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), "Cannot create " + missing + ": No such file or directory");

    const std::string file = Out("broken.avi");
    auto created = media::AviFile::Create(file, {}, {video});
    ASSERT_TRUE(created) << created.error();
    const std::vector<std::uint8_t> frame(12, 1);
    const auto noStream = (*created)->WriteChunk(3, frame, true);
    ASSERT_FALSE(noStream);
    EXPECT_EQ(noStream.error(), "Cannot write " + file + ": Invalid argument");
    // A file that failed half-way is never finished as if it were whole.
    const auto closed = (*created)->Close();
    ASSERT_FALSE(closed);
    EXPECT_NE(closed.error().find(file), std::string::npos);
}

TEST_F(RawAviTest, FilesPastOneGibibyteStayReadable) {
    const std::string file = Out("big.avi");
    struct Remove {
        std::string path;
        ~Remove() { std::remove(path.c_str()); }
    } cleanup{file};
    media::AviWriter writer;
    media::AviWriter::Options o;
    o.FileName = file;
    o.Width = 2048;
    o.Height = 2048;
    ASSERT_TRUE(writer.Configure(o)); // no codec: uncompressed
    const auto a = Pattern(2048, 2048, 1);
    const auto b = Pattern(2048, 2048, 2);
    ASSERT_TRUE(writer.InitVideo(a));
    ASSERT_TRUE(writer.AddStillFrames(a, 60));
    ASSERT_TRUE(writer.AddStillFrames(b, 30));
    writer.FinalizeVideo();
    ASSERT_TRUE(writer.WriteAvi());
    ASSERT_GT(std::filesystem::file_size(file), 1ull << 30);
    EXPECT_EQ(avi_probe::Stream(file, "v:0")["nb_read_frames"], "90");
    EXPECT_EQ(avi_probe::DecodeErrors(file), "");
    // The last frame, from the second RIFF, is the second picture.
    const auto last = avi_probe::Capture("ffmpeg -nostdin -v error -i '" + file +
                                         "' -vf select='eq(n\\,89)' -f rawvideo -pix_fmt rgb24 -");
    const auto want = Rgb(b);
    EXPECT_TRUE(last.size() == want.size() &&
                std::equal(want.begin(), want.end(), last.begin(), [](std::uint8_t x, char y) {
                    return x == static_cast<std::uint8_t>(y);
                }));
}

} // namespace
