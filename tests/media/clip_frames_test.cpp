// Clip pictures at a 25 fps show's frame times, against ffmpeg's own decoding of clips it made:
// the counter drawn into each source frame proves the frame chosen (the last one whose time is at
// or before the show's), PSNR proves the picture (turned upright, tone-mapped, deinterlaced).
#include "AudioFiles.h"
#include "ClipFiles.h"
#include "media/video/ClipFrames.h"

#include <gtest/gtest.h>

namespace clip_frames_test {

using clip_files::CounterFilter;
using clip_files::Make;
using clip_files::Source;
using clip_files::Vf;
using media::ClipFrames;

// Plays the clip at 25 fps from `startMs` and compares every picture with ffmpeg's decoding of
// the frame on screen then, made through the filters `vf`. Returns the counters seen.
std::vector<int> ExpectPlaysLikeFfmpeg(const std::string& path, const std::string& vf,
                                       std::int64_t startMs = 0, double minPsnr = 35) {
    std::vector<int> seen;
    auto frames = ClipFrames::OpenFile(path);
    EXPECT_TRUE(frames) << frames.error();
    if (!frames)
        return seen;
    const media::ClipInfo& info = (*frames)->Info();
    const std::vector<double> times = clip_files::FrameTimesMs(path);
    const auto reference = clip_files::FfmpegFrames(path, vf, info.Width, info.Height);
    EXPECT_EQ(reference.size(), times.size());
    if (reference.size() != times.size() || times.empty())
        return seen;
    if (startMs > 0) {
        EXPECT_TRUE((*frames)->Seek(startMs));
    }
    for (std::int64_t t = startMs; t < info.DurationMs; t += 40) {
        std::size_t k = 0;
        while (k + 1 < times.size() && times[k + 1] <= static_cast<double>(t))
            ++k;
        auto picture = (*frames)->FrameAt(t);
        EXPECT_TRUE(picture) << picture.error();
        if (!picture)
            return seen;
        EXPECT_EQ((*picture)->Width, info.Width);
        EXPECT_EQ((*picture)->Height, info.Height);
        const int counter = clip_files::ReadCounter(**picture, info.Rotation);
        EXPECT_EQ(counter, clip_files::ReadCounter(reference[k].data(), info.Width, info.Height,
                                                   info.Rotation))
            << "at " << t << " ms";
        EXPECT_GE(clip_files::Psnr(**picture, reference[k]), minPsnr) << "at " << t << " ms";
        seen.push_back(counter);
    }
    return seen;
}

TEST(ClipFrames, RotatedClipIsShownUprightWithTheFrameOnScreenAtEachTime) {
    const std::string plain = Make("plain30.mp4", Source(30, 2) + " -vf " + Vf("format=yuv420p") +
                                                      " -c:v libx264 -preset ultrafast -c:a aac");
    ASSERT_FALSE(plain.empty());
    const std::string turned =
        Make("turned90.mp4", "-i " + plain + " -c copy -metadata:s:v:0 rotate=90");
    ASSERT_FALSE(turned.empty());

    auto frames = ClipFrames::OpenFile(turned);
    ASSERT_TRUE(frames) << frames.error();
    const media::ClipInfo& info = (*frames)->Info();
    EXPECT_EQ(info.Codec, "h264");
    // The muxer's rotate tag of 90 writes a matrix that turns the picture a quarter counter-
    // clockwise (ffprobe's "rotation=90"): shown, it is turned 270 degrees clockwise.
    EXPECT_EQ(info.Rotation, 270);
    EXPECT_EQ(info.StoredWidth, 320);
    EXPECT_EQ(info.Width, 240);
    EXPECT_EQ(info.Height, 320);
    EXPECT_NEAR(info.FrameRate, 30, 0.01);
    EXPECT_NEAR(static_cast<double>(info.DurationMs), 2000, 40);
    EXPECT_TRUE(info.HasSound);
    EXPECT_FALSE(info.Interlaced);
    EXPECT_FALSE(info.Hdr);

    // At 25 fps over 30 fps, source frame floor(n × 30 / 25) is on screen at output frame n.
    const std::vector<int> seen = ExpectPlaysLikeFfmpeg(turned, "");
    ASSERT_EQ(seen.size(), 50u);
    for (std::size_t n = 0; n < seen.size(); ++n)
        EXPECT_EQ(seen[n], static_cast<int>(n * 30 / 25)) << n;
    // Past the end the last picture stays.
    auto after = (*frames)->FrameAt(info.DurationMs + 500);
    ASSERT_TRUE(after) << after.error();
    EXPECT_EQ(clip_files::ReadCounter(**after, 270), 59);

    // A trim's in point, and a smaller size asked for.
    const std::vector<int> trimmed = ExpectPlaysLikeFfmpeg(turned, "", 1200);
    ASSERT_FALSE(trimmed.empty());
    EXPECT_EQ(trimmed.front(), 36);
    media::ClipFramesOptions small;
    small.Width = 120;
    small.Height = 160;
    auto smaller = ClipFrames::OpenFile(turned, small);
    ASSERT_TRUE(smaller) << smaller.error();
    ASSERT_TRUE((*smaller)->Seek(1000));
    auto picture = (*smaller)->FrameAt(1000);
    ASSERT_TRUE(picture) << picture.error();
    EXPECT_EQ((*picture)->Width, 120);
    EXPECT_EQ((*picture)->Height, 160);
    EXPECT_EQ(clip_files::ReadCounter(**picture, 270), 30);
    EXPECT_EQ((*smaller)->PictureMs(), 1000);
}

TEST(ClipFrames, HdrClipsComeOutToneMappedToSdr) {
    // ffmpeg's own tone mapping of a clip (the usual zscale + tonemap chain).
    const std::string toneMapped =
        "zscale=t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,tonemap=tonemap=hable:desat=0,"
        "zscale=t=bt709:m=bt709:r=tv,format=yuv420p";
    for (const std::string transfer : {"arib-std-b67", "smpte2084"}) { // HLG, PQ
        SCOPED_TRACE(transfer);
        const std::string clip =
            Make(transfer + ".mp4", Source(30, 2) + " -vf " + Vf("format=yuv420p10le") +
                                        " -c:v libx265 -preset ultrafast -x265-params "
                                        "colorprim=bt2020:transfer=" +
                                        transfer + ":colormatrix=bt2020nc:log-level=error" +
                                        " -color_trc " + transfer +
                                        " -color_primaries bt2020 -colorspace bt2020nc -c:a aac");
        ASSERT_FALSE(clip.empty());
        auto frames = ClipFrames::OpenFile(clip);
        ASSERT_TRUE(frames) << frames.error();
        EXPECT_EQ((*frames)->Info().Codec, "hevc");
        EXPECT_TRUE((*frames)->Info().Hdr);
        EXPECT_EQ(ExpectPlaysLikeFfmpeg(clip, toneMapped).size(), 50u);

        // Tone mapping changed the picture: it is not the stored HDR shown as it is.
        auto picture = (*frames)->FrameAt(500);
        ASSERT_TRUE(picture) << picture.error();
        const auto untouched = clip_files::FfmpegFrames(clip, "", 320, 240);
        ASSERT_GT(untouched.size(), 15u);
        EXPECT_LT(clip_files::Psnr(**picture, untouched[15]), 30);
    }
}

TEST(ClipFrames, VariableRateClipShowsEachFrameForItsOwnTime) {
    // 30 fps for a second, then every third frame: 10 fps.
    const std::string vfr =
        Make("vfr.mp4", Source(30, 2.5) + " -vf " +
                            Vf("format=yuv420p", ",select='lt(n\\,30)+not(mod(n\\,3))'") +
                            " -fps_mode vfr -c:v libx264"
                            " -preset ultrafast -c:a aac");
    ASSERT_FALSE(vfr.empty());
    const std::vector<int> seen = ExpectPlaysLikeFfmpeg(vfr, "");
    ASSERT_GE(seen.size(), 60u);
    // In the 10 fps part each source frame is a multiple of 3 and stays for 2 or 3 show frames.
    EXPECT_EQ(seen[25], 30);
    EXPECT_EQ(seen[26], 30);
    EXPECT_EQ(seen[27], 30);
    EXPECT_EQ(seen[28], 33);
}

TEST(ClipFrames, InterlacedClipIsDeinterlaced) {
    const std::string interlaced =
        Make("interlaced.mp4", Source(25, 2) + " -vf " + Vf("format=yuv420p") +
                                   " -c:v libx264 -preset ultrafast -flags +ildct+ilme -top 1"
                                   " -c:a aac");
    ASSERT_FALSE(interlaced.empty());
    auto frames = ClipFrames::OpenFile(interlaced);
    ASSERT_TRUE(frames) << frames.error();
    EXPECT_TRUE((*frames)->Info().Interlaced);
    EXPECT_TRUE((*frames)->Info().TopFieldFirst);
    const std::vector<int> seen =
        ExpectPlaysLikeFfmpeg(interlaced, "bwdif=mode=send_frame:parity=auto:deint=interlaced");
    ASSERT_EQ(seen.size(), 50u);
    for (std::size_t n = 0; n < seen.size(); ++n)
        EXPECT_EQ(seen[n], static_cast<int>(n)) << n;
}

} // namespace clip_frames_test
