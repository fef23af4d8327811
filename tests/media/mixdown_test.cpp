// The soundtrack: WAV headers read and written, tracks decoded into cut pieces with their volume,
// the pieces laid out on the video's time line, and the one PCM stream made from them (gaps,
// cuts, other formats, unreadable pieces). Decoders here are fakes of known content, plus the
// real audio library on a sox file.
#include "AudioFiles.h"
#include "base/Endian.h"
#include "media/audio/SoundtrackReader.h"
#include "media/audio/TrackPcmSource.h"
#include "media/audio/WavFile.h"
#include "media/music/Mixdown.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

using media::PcmFormat;

// Samples of one constant value (16-bit) for a number of frames.
class FakeSource final : public media::PcmSource {
public:
    FakeSource(PcmFormat f, std::int64_t frames, std::int16_t value)
        : format_(f), left_(frames), value_(value) {}
    PcmFormat Format() const override { return format_; }
    base::Result<std::size_t> Read(std::uint8_t* out, std::size_t size) override {
        const std::size_t block = format_.BlockAlign();
        const auto n = static_cast<std::size_t>(
            std::min<std::int64_t>(left_, static_cast<std::int64_t>(size / block)));
        for (std::size_t i = 0; i < n * block; i += format_.Bits / 8u) {
            if (format_.Bits == 16)
                base::StoreLE<std::int16_t>(out + i, value_);
            else
                out[i] = static_cast<std::uint8_t>(value_);
        }
        left_ -= static_cast<std::int64_t>(n);
        return n * block;
    }

private:
    PcmFormat format_;
    std::int64_t left_;
    std::int16_t value_;
};

constexpr PcmFormat kCd{44100, 2, 16};

std::vector<std::int16_t> Samples16(const std::string& wav) {
    auto r = media::WavReader::Open(wav);
    EXPECT_TRUE(r) << (r ? "" : r.error());
    if (!r)
        return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>((*r)->Info().DataSize));
    EXPECT_EQ(*(*r)->Read(bytes.data(), bytes.size()), bytes.size());
    std::vector<std::int16_t> s(bytes.size() / 2);
    std::memcpy(s.data(), bytes.data(), bytes.size());
    return s;
}

// Everything the reader gives, as 16-bit samples.
std::vector<std::int16_t> ReadAll(media::SoundtrackReader& r) {
    std::vector<std::int16_t> all;
    std::vector<std::uint8_t> buf(3000 * r.Format().BlockAlign());
    while (true) {
        auto got = r.Read(buf.data(), 3000);
        EXPECT_TRUE(got);
        if (!got || *got == 0)
            break;
        const std::size_t n = *got * r.Format().BlockAlign() / 2;
        const std::size_t at = all.size();
        all.resize(at + n);
        std::memcpy(all.data() + at, buf.data(), n * 2);
    }
    return all;
}

class MixdownTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    std::string Path(const std::string& n) const { return dir.filePath(n.c_str()).toStdString(); }
    // A WAV piece of constant value.
    std::string Piece(const std::string& name, PcmFormat f, double seconds, std::int16_t value) {
        FakeSource src(f, static_cast<std::int64_t>(seconds * f.SampleRate), value);
        EXPECT_TRUE(media::DecodeTrackToWav(src, Path(name), 100000, 100, nullptr));
        return Path(name);
    }
    QTemporaryDir dir;
};

TEST(WavHeader, TheFortyFourBytesAndWhatTheReaderRefuses) {
    std::uint8_t h[44];
    media::BuildWavHeader(h, PcmFormat{22050, 1, 8}, 1000);
    EXPECT_EQ(std::memcmp(h, "RIFF", 4), 0);
    EXPECT_EQ(base::LoadLE<std::uint32_t>(h + 4), 1036u);
    EXPECT_EQ(base::LoadLE<std::uint32_t>(h + 28), 22050u); // bytes per second
    EXPECT_EQ(base::LoadLE<std::uint16_t>(h + 32), 1u);     // block align
    EXPECT_EQ(base::LoadLE<std::uint32_t>(h + 40), 1000u);
    auto ok = media::ParseWavHeader({h, 44}, 44 + 1000);
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->Format, (PcmFormat{22050, 1, 8}));
    EXPECT_EQ(ok->DataOffset, 44u);
    EXPECT_EQ(ok->DataSize, 1000u);
    // A size never patched (0) or past the end means "to the end of the file", whole frames.
    media::BuildWavHeader(h, kCd, 0);
    EXPECT_EQ(media::ParseWavHeader({h, 44}, 44 + 4003)->DataSize, 4000u);
    media::BuildWavHeader(h, kCd, 1 << 30);
    EXPECT_EQ(media::ParseWavHeader({h, 44}, 44 + 400)->DataSize, 400u);

    struct Bad {
        const char* why;
        std::size_t at;
        std::uint32_t value;
        int bytes;
    };
    const Bad bad[] = {{"not RIFF", 0, 0x46464952u + 1, 4},
                       {"not PCM", 20, 3, 2},
                       {"24-bit", 34, 24, 2},
                       {"no channels", 22, 0, 2},
                       {"block align", 32, 3, 2},
                       {"fmt too short", 16, 8, 4},
                       {"chunk past header", 16, 0x7FFFFFF0u, 4}};
    for (const Bad& b : bad) {
        media::BuildWavHeader(h, kCd, 100);
        if (b.bytes == 4)
            base::StoreLE<std::uint32_t>(h + b.at, b.value);
        else
            base::StoreLE<std::uint16_t>(h + b.at, static_cast<std::uint16_t>(b.value));
        auto r = media::ParseWavHeader({h, 44}, 144);
        ASSERT_FALSE(r) << b.why;
        EXPECT_FALSE(r.error().empty()) << b.why;
    }
    media::BuildWavHeader(h, kCd, 100);
    EXPECT_FALSE(media::ParseWavHeader({h, 30}, 144)); // header cut short
}

TEST_F(MixdownTest, TracksAreCutAtTheirLimitSampleWithTheirVolume) {
    FakeSource src(kCd, 44100 * 7 + 123, 1000);
    const std::string wav = Path("cut.wav");
    ASSERT_TRUE(media::DecodeTrackToWav(src, wav, 5, 50, nullptr));
    const auto s = Samples16(wav);
    ASSERT_EQ(s.size(), 5u * 44100 * 2); // exactly five seconds, not a block more
    EXPECT_EQ(s.front(), 500);
    EXPECT_EQ(s.back(), 500);
    EXPECT_EQ(std::filesystem::file_size(wav), 44 + s.size() * 2);

    // Eight-bit samples are scaled around their middle, 128.
    FakeSource eight(PcmFormat{8000, 1, 8}, 8000, 228);
    ASSERT_TRUE(media::DecodeTrackToWav(eight, Path("eight.wav"), 10, 50, nullptr));
    auto r = media::WavReader::Open(Path("eight.wav"));
    ASSERT_TRUE(r);
    std::uint8_t first = 0;
    ASSERT_EQ(*(*r)->Read(&first, 1), 1u);
    EXPECT_EQ(first, 178);
    EXPECT_EQ((*r)->Info().DataSize, 8000u); // the track is shorter than its limit
}

TEST_F(MixdownTest, TracksAreLaidOutOnTheVideosTimeLine) {
    // Tracks of 10 s each in a 15 s video: the first whole at 0, the second cut to 5 s at 10 s,
    // the third starts after the video and is left out; an undecodable one gives silence.
    std::vector<media::SoundtrackTrack> tracks = {
        {Path("t1"), 10, 100}, {Path("t2"), 10, 100}, {Path("t3"), 10, 100}};
    int opened = 0;
    media::PcmSourceOpener open =
        [&](const std::string&) -> base::Result<std::unique_ptr<media::PcmSource>> {
        ++opened;
        return std::unique_ptr<media::PcmSource>(new FakeSource(kCd, 44100 * 10, 7));
    };
    base::NoProgress progress;
    {
        media::TemporaryFiles files;
        auto pieces = media::DecodeSoundtrack(tracks, 15, open, files, progress);
        ASSERT_TRUE(pieces);
        ASSERT_EQ(pieces->Queue.size(), 2u);
        EXPECT_EQ(pieces->Queue[0].StartMs, 0);
        EXPECT_EQ(pieces->Queue[1].StartMs, 10000);
        EXPECT_EQ(pieces->Queue[1].Path, Path("t2") + ".wav");
        EXPECT_EQ(Samples16(pieces->Queue[0].Path).size(), 10u * 44100 * 2);
        EXPECT_EQ(Samples16(pieces->Queue[1].Path).size(), 5u * 44100 * 2);
        EXPECT_EQ(opened, 2);
    }
    // The temporary pieces are gone with their list.
    EXPECT_FALSE(std::filesystem::exists(Path("t1.wav")));
    EXPECT_FALSE(std::filesystem::exists(Path("t2.wav")));

    // A video shorter than the first track: only that one, cut to the video.
    media::TemporaryFiles files;
    auto shortVideo = media::DecodeSoundtrack(tracks, 4, open, files, progress);
    ASSERT_TRUE(shortVideo);
    ASSERT_EQ(shortVideo->Queue.size(), 1u);
    EXPECT_EQ(Samples16(shortVideo->Queue[0].Path).size(), 4u * 44100 * 2);

    // A track the decoder refuses is left out; a cancel stops before the next track.
    media::PcmSourceOpener refuse =
        [&](const std::string& path) -> base::Result<std::unique_ptr<media::PcmSource>> {
        if (path == Path("t1"))
            return base::Fail("cannot decode");
        return open(path);
    };
    auto withBad = media::DecodeSoundtrack(tracks, 30, refuse, files, progress);
    ASSERT_TRUE(withBad);
    ASSERT_EQ(withBad->LeftOut, std::vector<std::string>{Path("t1")});
    ASSERT_EQ(withBad->Queue.size(), 2u);
    EXPECT_EQ(withBad->Queue[0].StartMs, 10000);
    progress.RequestCancel();
    auto cancelled = media::DecodeSoundtrack(tracks, 30, open, files, progress);
    ASSERT_TRUE(cancelled);
    EXPECT_TRUE(cancelled->Cancelled);
    EXPECT_TRUE(cancelled->Queue.empty());
}

TEST_F(MixdownTest, PiecesFollowEachOtherWithSilentGapsAndExactCuts) {
    // A 1 s piece at 0 (gap until 1.5 s), a 2 s piece at 1500 ms cut at 2500 ms by the next,
    // and a piece queued first in the list but starting last.
    const std::string a = Piece("a.wav", kCd, 1.0, 100);
    const std::string b = Piece("b.wav", kCd, 2.0, 200);
    const std::string c = Piece("c.wav", kCd, 0.5, 300);
    auto r = media::SoundtrackReader::Open({{c, 2500}, {a, 0}, {b, 1500}});
    ASSERT_EQ(r->Format(), kCd);
    const auto s = ReadAll(*r);
    ASSERT_EQ(s.size(), 3u * 44100 * 2);
    auto at = [&](double seconds) { return s[static_cast<std::size_t>(seconds * 44100) * 2]; };
    EXPECT_EQ(at(0.0), 100);
    EXPECT_EQ(at(0.99), 100);
    EXPECT_EQ(at(1.0), 0);
    EXPECT_EQ(at(1.49), 0);
    EXPECT_EQ(at(1.5), 200);
    EXPECT_EQ(s[2 * (44100 * 5 / 2 - 1)], 200); // the last sample before 2500 ms
    EXPECT_EQ(s[2 * (44100 * 5 / 2)], 300);     // the first at 2500 ms exactly
    EXPECT_TRUE(r->Skipped().empty());
}

TEST_F(MixdownTest, OtherFormatsAreConvertedAndUnreadablePiecesLeftOut) {
    // First piece 44.1 kHz stereo; then a 48 kHz mono one and an 8-bit one, in time.
    const std::string a = Piece("a.wav", kCd, 1.0, 1000);
    const std::string b = Piece("b48.wav", PcmFormat{48000, 1, 16}, 1.0, -2000);
    const std::string c = Piece("c8.wav", PcmFormat{22050, 2, 8}, 1.0, 128 + 64);
    const std::string broken = Path("broken.wav");
    std::ofstream(broken) << "not a wave file at all";
    auto r = media::SoundtrackReader::Open({{broken, 0}, {a, 0}, {b, 1000}, {c, 3000}});
    ASSERT_EQ(r->Format(), kCd); // the first readable piece decides
    const auto s = ReadAll(*r);
    EXPECT_EQ(r->Skipped(), std::vector<std::string>{broken});
    ASSERT_NEAR(static_cast<double>(s.size()), 4.0 * 44100 * 2, 2 * 64);
    auto at = [&](double seconds, int channel) {
        return s[static_cast<std::size_t>(seconds * 44100) * 2 + static_cast<std::size_t>(channel)];
    };
    EXPECT_EQ(at(0.5, 0), 1000);
    EXPECT_NEAR(at(1.5, 0), -2000, 40); // 48 kHz mono present, on both channels, in time
    EXPECT_NEAR(at(1.5, 1), -2000, 40);
    EXPECT_EQ(at(2.5, 0), 0); // nothing queued from 2 s to 3 s
    EXPECT_NEAR(at(3.5, 1), 64 * 256, 300);

    // An eight-bit soundtrack's gaps are silent in its own terms (128).
    const std::string e1 = Piece("e1.wav", PcmFormat{8000, 1, 8}, 0.5, 200);
    const std::string e2 = Piece("e2.wav", PcmFormat{8000, 1, 8}, 0.5, 200);
    auto eight = media::SoundtrackReader::Open({{e1, 0}, {e2, 1000}});
    std::vector<std::uint8_t> buf(8000 * 2);
    std::size_t total = 0;
    while (auto got = *eight->Read(buf.data() + total, buf.size() - total))
        total += got;
    ASSERT_EQ(total, 12000u);
    EXPECT_EQ(buf[100], 200);
    EXPECT_EQ(buf[4000], 128);
    EXPECT_EQ(buf[9000], 200);

    // Nothing readable: no format, so no sound.
    auto none = media::SoundtrackReader::Open({{broken, 0}});
    EXPECT_FALSE(none->Format().Valid());
}

TEST_F(MixdownTest, TheAudioLibraryDecodesATrackIntoAWavPiece) {
    testing_audio::LoadRealLibrary();
    auto& files = testing_audio::AudioFiles::Get();
    const std::string mono = files.Wav("mix-mono.wav", 3.0, "-r 32000 -c 1 -b 16");
    auto source = media::OpenTrackPcmSource(mono);
    ASSERT_TRUE(source) << source.error();
    EXPECT_EQ((*source)->Format(), (PcmFormat{32000, 1, 16}));
    ASSERT_TRUE(media::DecodeTrackToWav(**source, Path("lib.wav"), 2, 100, nullptr));
    EXPECT_EQ(Samples16(Path("lib.wav")).size(), 2u * 32000);
    // To its end when the limit is longer than the track.
    auto again = media::OpenTrackPcmSource(mono);
    ASSERT_TRUE(again);
    ASSERT_TRUE(media::DecodeTrackToWav(**again, Path("whole.wav"), 60, 100, nullptr));
    EXPECT_EQ(Samples16(Path("whole.wav")).size(), 3u * 32000);
    EXPECT_FALSE(media::OpenTrackPcmSource(Path("no-such-track.mp3")));
}

} // namespace
