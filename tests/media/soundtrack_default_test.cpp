// A show's soundtrack without fades, cross-fades, end fade or even loudness must stay byte for
// byte what earlier versions wrote: the stream below was recorded from the piece-by-piece
// mixdown before the mix plan existed.
#include "media/audio/SoundtrackReader.h"
#include "media/music/Mixdown.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cmath>
#include <cstring>

namespace soundtrack_default_test {

namespace {

using media::PcmFormat;

// A sine of the given frequency in every channel, at a known amplitude, for `frames` frames.
class ToneSource final : public media::PcmSource {
public:
    ToneSource(PcmFormat f, std::int64_t frames, double hz, double amplitude)
        : format_(f), left_(frames), hz_(hz), amplitude_(amplitude) {}
    PcmFormat Format() const override { return format_; }
    base::Result<std::size_t> Read(std::uint8_t* out, std::size_t size) override {
        const std::size_t block = format_.BlockAlign();
        std::size_t n = 0;
        for (; n + block <= size && left_ > 0; n += block, --left_, ++at_) {
            const double v = amplitude_ * std::sin(2 * M_PI * hz_ * at_ / format_.SampleRate);
            for (int c = 0; c < format_.Channels; ++c) {
                if (format_.Bits == 16) {
                    const auto s = static_cast<std::int16_t>(std::lround(v * 32767));
                    std::memcpy(out + n + 2 * c, &s, 2);
                } else {
                    out[n + c] = static_cast<std::uint8_t>(std::lround(128 + v * 127));
                }
            }
        }
        return n;
    }

private:
    PcmFormat format_;
    std::int64_t left_;
    std::int64_t at_ = 0;
    double hz_, amplitude_;
};

std::uint64_t Fnv1a(std::uint64_t h, const std::uint8_t* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        h = (h ^ p[i]) * 0x100000001b3ull;
    return h;
}

TEST(DefaultSoundtrack, IsTheStreamEarlierVersionsWrote) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string base = dir.filePath("t").toStdString();
    struct Track {
        PcmFormat format;
        double seconds, hz, amplitude;
        std::int32_t play, volume;
    };
    // Of no length (an empty first piece, whose format the soundtrack takes), cut short, ended
    // early (a gap), another rate and width, cut by the video's end, and one that starts after
    // the video.
    const Track tracks[] = {{{22050, 1, 16}, 1.0, 500, 0.5, 0, 100},
                            {{44100, 2, 16}, 2.5, 440, 0.9, 2, 70},
                            {{22050, 1, 16}, 3.0, 660, 0.5, 5, 100},
                            {{11025, 1, 8}, 2.0, 330, 0.8, 3, 55},
                            {{44100, 2, 16}, 2.0, 220, 0.5, 2, 100}};
    std::vector<media::SoundtrackTrack> list;
    for (std::size_t i = 0; i < std::size(tracks); ++i)
        list.push_back({base + std::to_string(i), tracks[i].play, tracks[i].volume});
    auto open = [&](const std::string& path) -> base::Result<std::unique_ptr<media::PcmSource>> {
        const Track& t = tracks[path.back() - '0'];
        return std::unique_ptr<media::PcmSource>(std::make_unique<ToneSource>(
            t.format, static_cast<std::int64_t>(t.seconds * t.format.SampleRate), t.hz,
            t.amplitude));
    };
    media::TemporaryFiles files;
    base::NoProgress progress;
    auto pieces = media::DecodeSoundtrack(list, 8, open, files, progress);
    ASSERT_TRUE(pieces) << pieces.error();
    ASSERT_EQ(pieces->Queue.size(), 4u);
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const media::QueuedWav& q : pieces->Queue)
        hash = Fnv1a(hash, reinterpret_cast<const std::uint8_t*>(&q.StartMs), 4);
    auto reader = media::SoundtrackReader::Open(pieces->Queue);
    ASSERT_EQ(reader->Format(), (PcmFormat{22050, 1, 16}));
    std::vector<std::uint8_t> buf(4096 * 2);
    std::size_t frames = 0;
    while (auto got = *reader->Read(buf.data(), 4096)) {
        hash = Fnv1a(hash, buf.data(), got * 2);
        frames += got;
    }
    EXPECT_EQ(frames, 8u * 22050);
    EXPECT_EQ(hash, 13485830019253393389ull);
}

} // namespace

} // namespace soundtrack_default_test
