// The soundtrack as PCM pieces read by the writer: byte for byte the sound the WAV files of the
// same plan give (tracks of other formats, volumes, cuts, a decoder of ragged blocks, a mix with
// fades), and a cancel that ends the music before the next track.
#include "media/audio/SoundtrackReader.h"
#include "media/music/MixEnvelope.h"
#include "media/music/Mixdown.h"
#include "media/music/SoundtrackMixer.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstring>

namespace {

using media::PcmFormat;

// A sweep of changing samples, handed out in blocks of ragged sizes (some ending within a frame)
// the way a real decoder may.
class Sweep final : public media::PcmSource {
public:
    Sweep(PcmFormat f, std::int64_t frames, int seed) : format_(f), left_(frames), seed_(seed) {}
    PcmFormat Format() const override { return format_; }
    base::Result<std::size_t> Read(std::uint8_t* out, std::size_t size) override {
        const std::size_t ragged = 1 + (calls_++ * 7919u + static_cast<std::size_t>(seed_)) % 5001;
        const std::size_t left = static_cast<std::size_t>(left_) * format_.BlockAlign() - given_;
        const std::size_t n = std::min({size, ragged, left});
        for (std::size_t i = 0; i < n; ++i)
            out[i] = static_cast<std::uint8_t>((given_ + i) * (seed_ + 3) / 7);
        given_ += n;
        return n;
    }

private:
    PcmFormat format_;
    std::int64_t left_;
    int seed_;
    std::size_t calls_ = 0;
    std::size_t given_ = 0;
};

std::vector<std::uint8_t> ReadAll(media::SoundtrackReader& r, std::size_t blockFrames) {
    std::vector<std::uint8_t> all;
    const std::size_t block = r.Format().BlockAlign();
    std::vector<std::uint8_t> buf(blockFrames * block);
    for (;;) {
        auto got = r.Read(buf.data(), blockFrames);
        EXPECT_TRUE(got);
        if (!got || *got == 0)
            break;
        all.insert(all.end(), buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(*got * block));
    }
    return all;
}

class SoundtrackStreamTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }
    media::PcmSourceOpener Opener() const {
        return [this](const std::string& path) -> base::Result<std::unique_ptr<media::PcmSource>> {
            if (path == Path("broken"))
                return base::Fail("not a track");
            if (path == Path("mono"))
                return std::unique_ptr<media::PcmSource>(
                    std::make_unique<Sweep>(PcmFormat{22050, 1, 16}, 22050 * 4, 2));
            if (path == Path("eight"))
                return std::unique_ptr<media::PcmSource>(
                    std::make_unique<Sweep>(PcmFormat{11025, 2, 8}, 11025 * 3, 3));
            return std::unique_ptr<media::PcmSource>(
                std::make_unique<Sweep>(PcmFormat{44100, 2, 16}, 44100 * 3, 1));
        };
    }
    static media::MixTrack Track(std::string file, std::int64_t playMs, int volume) {
        media::MixTrack t;
        t.WorkFile = std::move(file);
        t.PlayMs = playMs;
        t.Volume = volume;
        return t;
    }
    QTemporaryDir dir;
    base::NoProgress progress;
};

TEST_F(SoundtrackStreamTest, PlainPiecesSoundLikeTheirWavFiles) {
    media::MixPlan plan;
    plan.VideoMs = 11500;
    plan.Tracks = {Track(Path("stereo"), 2000, 100), Track(Path("mono"), 3000, 40),
                   Track(Path("broken"), 1000, 100), Track(Path("eight"), 4000, 70),
                   Track(Path("stereo2"), 5000, 100)}; // the last cut by the video
    ASSERT_TRUE(media::IsPlainPlan(plan));

    // The way the music went before: each track decoded into a WAV file, the files queued.
    std::vector<media::QueuedWav> queue;
    std::int64_t start = 0;
    for (const media::MixTrack& t : plan.Tracks) {
        const std::int64_t end = start + t.PlayMs;
        if (auto source = Opener()(t.WorkFile)) {
            const std::uint32_t rate = (*source)->Format().SampleRate;
            const std::string wav = t.WorkFile + ".wav";
            ASSERT_TRUE(media::DecodeTrackFramesToWav(
                **source, wav,
                media::SampleAt(std::min(end, plan.VideoMs), rate) - media::SampleAt(start, rate),
                t.Volume, nullptr));
            queue.push_back({wav, static_cast<std::int32_t>(start)});
        }
        start = end;
    }
    auto fromFiles = media::SoundtrackReader::Open(queue);
    const auto expected = ReadAll(*fromFiles, 4096);

    auto stream = media::SoundtrackOf(plan, Opener(), progress);
    EXPECT_EQ(stream.State->LeftOut, std::vector<std::string>{Path("broken")});
    ASSERT_EQ(stream.Pieces.size(), 4u);
    EXPECT_EQ(stream.Pieces[3].StartMs, 10000);
    auto streamed = media::SoundtrackReader::OpenPieces(std::move(stream.Pieces));
    EXPECT_EQ(streamed->Format(), fromFiles->Format());
    const auto got = ReadAll(*streamed, 1237);
    ASSERT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected);
    // 11.5 s of 44.1 kHz stereo: the gap left by the broken track is silence in place.
    EXPECT_EQ(got.size(), 44100u * 23 / 2 * 4);
}

TEST_F(SoundtrackStreamTest, TheMixStreamsAsItRenders) {
    media::MixPlan plan;
    plan.VideoMs = 6000;
    plan.CrossfadeSeconds = 1;
    plan.EndFadeSeconds = 2;
    plan.Tracks = {Track(Path("stereo"), 3000, 80), Track(Path("mono"), 4000, 100)};
    ASSERT_FALSE(media::IsPlainPlan(plan));
    const std::string wav = Path("rendered.wav");
    ASSERT_TRUE(media::RenderMixToWav(plan, Opener(), wav, progress));
    auto rendered = media::SoundtrackReader::Open({{wav, 0}});
    const auto expected = ReadAll(*rendered, 4096);
    ASSERT_FALSE(expected.empty());

    auto stream = media::SoundtrackOf(plan, Opener(), progress);
    ASSERT_EQ(stream.Pieces.size(), 1u);
    auto streamed = media::SoundtrackReader::OpenPieces(std::move(stream.Pieces));
    EXPECT_TRUE(ReadAll(*streamed, 999) == expected);

    // No track opens: no piece, so the video gets no sound at all.
    plan.Tracks = {Track(Path("broken"), 3000, 100)};
    auto none = media::SoundtrackOf(plan, Opener(), progress);
    EXPECT_TRUE(none.Pieces.empty());
    EXPECT_EQ(none.State->LeftOut, std::vector<std::string>{Path("broken")});
}

// A cancel while the music is written ends it where the track being read ends: no silence for
// the tracks that were to come.
TEST_F(SoundtrackStreamTest, CancelEndsTheMusicBeforeTheNextTrack) {
    media::MixPlan plan;
    plan.VideoMs = 20000;
    plan.Tracks = {Track(Path("stereo"), 3000, 100), Track(Path("stereo2"), 3000, 100),
                   Track(Path("stereo3"), 3000, 100)};
    auto stream = media::SoundtrackOf(plan, Opener(), progress);
    const auto state = stream.State;
    auto reader = media::SoundtrackReader::OpenPieces(std::move(stream.Pieces));
    std::vector<std::uint8_t> buf(44100 * 4);
    ASSERT_EQ(*reader->Read(buf.data(), 44100), 44100u); // the first track is under way
    progress.RequestCancel();
    std::size_t rest = 0;
    for (;;) {
        auto got = reader->Read(buf.data(), 44100);
        ASSERT_TRUE(got);
        if (*got == 0)
            break;
        rest += *got;
    }
    EXPECT_EQ(rest, 2u * 44100);
    EXPECT_TRUE(state->Cancelled);
}

} // namespace
