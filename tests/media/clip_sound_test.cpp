// A clip's sound as the mixer reads it: 44.1 kHz stereo 16-bit, lined up with the clip's
// pictures, from a trim's in point, beside ffmpeg's own decoding.
#include "AudioFiles.h"
#include "AviProbe.h"
#include "ClipFiles.h"
#include "media/video/ClipFrames.h"
#include "media/video/ClipSound.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace clip_sound_test {

using media::ClipSound;

std::vector<std::int16_t> ReadAll(media::PcmSource& source) {
    std::vector<std::int16_t> samples;
    std::vector<std::uint8_t> block(10000);
    for (;;) {
        auto got = source.Read(block.data(), block.size());
        EXPECT_TRUE(got) << got.error();
        if (!got || *got == 0)
            break;
        const std::size_t at = samples.size();
        samples.resize(at + *got / 2);
        std::memcpy(samples.data() + at, block.data(), *got);
    }
    return samples;
}

// Milliseconds at 44.1 kHz stereo to the first sample louder than a quarter of full scale.
double OnsetMs(const std::vector<std::int16_t>& samples) {
    for (std::size_t i = 0; i < samples.size(); ++i)
        if (std::abs(samples[i]) > 8192)
            return static_cast<double>(i / 2) * 1000 / 44100;
    return -1;
}

TEST(ClipSound, SoundLinesUpWithThePicturesFromAnyStart) {
    // A beep from 1.0 s to 1.3 s, under 30 fps pictures with the counter.
    const std::string clip = clip_files::Make(
        "beep.mp4",
        "-f lavfi -i testsrc2=size=160x120:rate=30 -f lavfi -i "
        "\"aevalsrc='if(between(t,1,1.3),0.8*sin(2*PI*1000*t),0)':s=48000:d=2\" -t 2 -vf " +
            testing_audio::Quote("format=yuv420p," + clip_files::CounterFilter()) +
            " -c:v libx264 -preset ultrafast -c:a aac -b:a 128k");
    ASSERT_FALSE(clip.empty());

    auto sound = ClipSound::OpenFile(clip);
    ASSERT_TRUE(sound) << sound.error();
    EXPECT_EQ((*sound)->Format(), (media::PcmFormat{44100, 2, 16}));
    const std::vector<std::int16_t> ours = ReadAll(**sound);
    EXPECT_NEAR(static_cast<double>(ours.size() / 2) * 1000 / 44100, 2000, 30);
    EXPECT_NEAR(OnsetMs(ours), 1000, 5);

    // ffmpeg's decoding of the same sound at the same rate hears the beep at the same time.
    const std::string raw =
        avi_probe::Capture("ffmpeg -nostdin -v error -i " + testing_audio::Quote(clip) +
                           " -vn -ar 44100 -ac 2 -f s16le -");
    std::vector<std::int16_t> theirs(raw.size() / 2);
    std::memcpy(theirs.data(), raw.data(), theirs.size() * 2);
    EXPECT_NEAR(OnsetMs(ours), OnsetMs(theirs), 2);

    // The picture on screen when the beep starts is the counter's frame 30.
    auto frames = media::ClipFrames::OpenFile(clip);
    ASSERT_TRUE(frames) << frames.error();
    auto picture = (*frames)->FrameAt(static_cast<std::int64_t>(OnsetMs(ours)));
    ASSERT_TRUE(picture) << picture.error();
    EXPECT_EQ(clip_files::ReadCounter(**picture, 0), 30);

    // From a trim's in point the beep comes that much sooner, and the sound is that much shorter.
    auto trimmed = ClipSound::OpenFile(clip, 600);
    ASSERT_TRUE(trimmed) << trimmed.error();
    const std::vector<std::int16_t> later = ReadAll(**trimmed);
    EXPECT_NEAR(OnsetMs(later), 400, 5);
    EXPECT_NEAR(static_cast<double>(later.size() / 2) * 1000 / 44100, 1400, 30);
}

TEST(ClipSound, SilentClipIsRefusedNamingTheFile) {
    const std::string clip =
        clip_files::Make("silent.mp4", "-f lavfi -i testsrc2=size=64x48:rate=10 -t 1 -c:v libx264");
    ASSERT_FALSE(clip.empty());
    auto sound = media::OpenClipPcmSource(clip);
    ASSERT_FALSE(sound);
    EXPECT_EQ(sound.error(), "silent.mp4: it has no sound");
}

} // namespace clip_sound_test
