// Probing clips: the bounds a clip must keep, each refused with a message naming the file, and
// a header that lies about the length.
#include "AudioFiles.h"
#include "ClipFiles.h"
#include "media/video/ClipFrames.h"
#include "media/video/ClipInput.h"
#include "media/video/ClipProbe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace clip_probe_test {

using clip_files::Make;
using clip_files::ReadBytes;
using clip_files::WriteBytes;
using media::ProbeClipFile;

std::size_t Find(const std::vector<std::uint8_t>& bytes, const std::string& what,
                 std::size_t from = 0) {
    const std::vector<std::uint8_t> needle(what.begin(), what.end());
    const auto at = std::search(bytes.begin() + static_cast<long>(from), bytes.end(),
                                needle.begin(), needle.end());
    return at == bytes.end() ? std::string::npos : static_cast<std::size_t>(at - bytes.begin());
}

void PutLe32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A motion-JPEG AVI whose headers and pictures all claim width × height.
std::string ClaimingSize(const std::string& name, int width, int height) {
    const std::string real =
        Make(name + ".real.avi", "-f lavfi -i testsrc2=size=32x32:rate=10 -t 0.3 -c:v mjpeg");
    std::vector<std::uint8_t> bytes = ReadBytes(real);
    for (std::size_t at = Find(bytes, "\xff\xc0"); at != std::string::npos;
         at = Find(bytes, "\xff\xc0", at + 2)) {
        bytes[at + 5] = static_cast<std::uint8_t>(height >> 8);
        bytes[at + 6] = static_cast<std::uint8_t>(height);
        bytes[at + 7] = static_cast<std::uint8_t>(width >> 8);
        bytes[at + 8] = static_cast<std::uint8_t>(width);
    }
    const std::size_t strf = Find(bytes, "strf"), avih = Find(bytes, "avih");
    PutLe32(bytes, strf + 12, static_cast<std::uint32_t>(width));
    PutLe32(bytes, strf + 16, static_cast<std::uint32_t>(height));
    PutLe32(bytes, avih + 40, static_cast<std::uint32_t>(width));
    PutLe32(bytes, avih + 44, static_cast<std::uint32_t>(height));
    return WriteBytes(name, bytes);
}

// The probe refuses the file with a message that names it and says `why`.
void ExpectRefused(const std::string& path, const std::string& why) {
    auto info = ProbeClipFile(path);
    ASSERT_FALSE(info) << path << " was accepted";
    const std::string name = path.substr(path.find_last_of('/') + 1);
    EXPECT_EQ(info.error().rfind(name + ": ", 0), 0u) << info.error();
    EXPECT_NE(info.error().find(why), std::string::npos) << info.error();
}

TEST(ClipProbe, ReadsTheContainersAndCodecsOfPhonesAndCameras) {
    struct Row {
        const char* File;
        const char* Encode;
        const char* Codec;
    };
    const Row rows[] = {
        {"h264.m4v", "-c:v libx264 -preset ultrafast -c:a aac -f mp4", "h264"},
        {"h264.3gp", "-c:v libx264 -preset ultrafast -c:a aac", "h264"},
        {"hevc.mov",
         "-c:v libx265 -preset ultrafast -tag:v hvc1 -x265-params log-level=error -c:a aac",
         "hevc"},
        {"vp9.webm", "-c:v libvpx-vp9 -deadline realtime -cpu-used 8 -b:v 300k -c:a libopus",
         "vp9"},
        {"av1.mkv", "-c:v libaom-av1 -cpu-used 8 -row-mt 1 -b:v 300k -c:a libopus", "av1"},
        {"mpeg4.avi", "-c:v mpeg4 -q:v 3 -c:a libmp3lame", "mpeg4"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.File);
        const std::string clip = Make(
            row.File, "-f lavfi -i testsrc2=size=320x240:rate=24 -f lavfi -i sine -t 1 -vf " +
                          testing_audio::Quote("format=yuv420p," + clip_files::CounterFilter()) +
                          " " + row.Encode);
        ASSERT_FALSE(clip.empty());
        auto info = ProbeClipFile(clip);
        ASSERT_TRUE(info) << info.error();
        EXPECT_EQ(info->Codec, row.Codec);
        EXPECT_EQ(info->Width, 320);
        EXPECT_EQ(info->Height, 240);
        EXPECT_NEAR(info->FrameRate, 24, 0.01);
        EXPECT_NEAR(static_cast<double>(info->DurationMs), 1000, 50);
        EXPECT_TRUE(info->HasSound);
        EXPECT_FALSE(info->Interlaced || info->Hdr);
        // The same clip read from bytes in memory is the same clip.
        const std::vector<std::uint8_t> bytes = ReadBytes(clip);
        auto input = media::ClipInput::OpenMemory(bytes, row.File);
        ASSERT_TRUE(input) << input.error();
        auto fromMemory = media::ProbeClip(**input);
        ASSERT_TRUE(fromMemory) << fromMemory.error();
        EXPECT_EQ(fromMemory->Codec, info->Codec);
        EXPECT_EQ(fromMemory->DurationMs, info->DurationMs);

        // Decoded through to the picture shown half way, the frame ffmpeg shows then.
        auto frames = media::ClipFrames::OpenFile(clip);
        ASSERT_TRUE(frames) << frames.error();
        auto picture = (*frames)->FrameAt(500);
        ASSERT_TRUE(picture) << picture.error();
        const std::vector<double> times = clip_files::FrameTimesMs(clip);
        const auto decoded = clip_files::FfmpegFrames(clip, "", 320, 240);
        ASSERT_EQ(times.size(), decoded.size());
        std::size_t k = 0;
        while (k + 1 < times.size() && times[k + 1] <= 500)
            ++k;
        EXPECT_EQ(clip_files::ReadCounter(**picture, 0),
                  clip_files::ReadCounter(decoded[k].data(), 320, 240, 0));
        EXPECT_GE(clip_files::Psnr(**picture, decoded[k]), 35);
    }
}

TEST(ClipProbe, AnamorphicClipIsShownWithSquarePixels) {
    const std::string clip =
        Make("wide-pixels.mp4", "-f lavfi -i testsrc2=size=160x240:rate=24 -t 0.5"
                                " -vf setsar=2 -c:v libx264 -preset ultrafast");
    ASSERT_FALSE(clip.empty());
    auto frames = media::ClipFrames::OpenFile(clip);
    ASSERT_TRUE(frames) << frames.error();
    EXPECT_EQ((*frames)->Info().StoredWidth, 160);
    EXPECT_EQ((*frames)->Info().Width, 320);
    EXPECT_EQ((*frames)->Info().Height, 240);
    auto picture = (*frames)->FrameAt(0);
    ASSERT_TRUE(picture) << picture.error();
    // ffmpeg's own picture scaled to square pixels.
    const auto wide = clip_files::FfmpegFrames(clip, "scale=320:240:flags=bicubic", 320, 240);
    ASSERT_FALSE(wide.empty());
    EXPECT_GE(clip_files::Psnr(**picture, wide[0]), 35);
}

TEST(ClipProbe, RefusesWhatItCannotShowNamingTheFile) {
    const std::string clip = Make("whole.mp4", "-f lavfi -i testsrc2=size=160x120:rate=30 -t 2"
                                               " -c:v libx264 -preset ultrafast");
    ASSERT_FALSE(clip.empty());
    ASSERT_TRUE(ProbeClipFile(clip));
    std::vector<std::uint8_t> bytes = ReadBytes(clip);

    // Cut short: the index at the end is gone.
    bytes.resize(bytes.size() / 2);
    ExpectRefused(WriteBytes("cut.mp4", bytes), "not a video clip that can be read");

    // Index first, then cut right after it: the pictures are gone.
    const std::string fast = Make("fast.mp4", "-i " + clip + " -c copy -movflags +faststart");
    bytes = ReadBytes(fast);
    bytes.resize(Find(bytes, "mdat") + 64);
    ExpectRefused(WriteBytes("fast-cut.mp4", bytes), "cannot be decoded");

    ExpectRefused(Make("fast1000.mp4", "-f lavfi -i testsrc2=size=64x48:rate=1000 -t 0.1"
                                       " -c:v libx264 -preset ultrafast"),
                  "1000 frames a second");
    ExpectRefused(ClaimingSize("wide.avi", 16384, 1024), "16384 × 1024");
    ExpectRefused(ClaimingSize("large.avi", 8000, 6000), "8000 × 6000");
    ExpectRefused(ClaimingSize("huge.avi", 16384, 16384), "16384 × 16384");
    ExpectRefused(Make("sound.m4a", "-f lavfi -i sine -t 1 -c:a aac"), "no video");
    ExpectRefused(WriteBytes("text.mp4", std::vector<std::uint8_t>(5000, 'x')), "not a video clip");
}

TEST(ClipProbe, LengthComesFromThePacketsWhenTheHeaderLies) {
    const std::string clip = Make("honest.mkv", "-f lavfi -i testsrc2=size=160x120:rate=25 -t 2"
                                                " -c:v libx264 -preset ultrafast");
    ASSERT_FALSE(clip.empty());
    auto honest = ProbeClipFile(clip);
    ASSERT_TRUE(honest) << honest.error();
    EXPECT_TRUE(honest->DurationFromHeader);
    EXPECT_NEAR(static_cast<double>(honest->DurationMs), 2000, 40);

    // The segment's Duration (an 8-byte float of milliseconds) made 10 000 hours.
    std::vector<std::uint8_t> bytes = ReadBytes(clip);
    const std::size_t at = Find(bytes, "\x44\x89\x88");
    ASSERT_NE(at, std::string::npos);
    const double lie = 3.6e10;
    std::uint64_t raw;
    std::memcpy(&raw, &lie, 8);
    for (int i = 0; i < 8; ++i)
        bytes[at + 3 + i] = static_cast<std::uint8_t>(raw >> (56 - 8 * i));
    auto lying = ProbeClipFile(WriteBytes("lying.mkv", bytes));
    ASSERT_TRUE(lying) << lying.error();
    EXPECT_FALSE(lying->DurationFromHeader);
    EXPECT_NEAR(static_cast<double>(lying->DurationMs), 2000, 40);
}

} // namespace clip_probe_test
