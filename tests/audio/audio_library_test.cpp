// The audio library through its C entry points: lengths, decoding, seeking, tags, playback on
// the dummy output, and its error codes.
#include "AudioFiles.h"

#include "media/audio/AudioLibrary.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

using namespace testing_audio;
// The library's own entry points, straight from the loaded library.
static const media::AudioEntryPoints& Bass = media::Audio().Api();

namespace {

constexpr std::uint64_t kMp3Frame = 1152 * 4; // one MPEG-1 layer III frame, 16-bit stereo

class AudioLibrary : public ::testing::Test {
protected:
    static void SetUpTestSuite() { LoadRealLibrary(); }
    void SetUp() override { ASSERT_TRUE(media::Audio().Loaded()) << "libbass.so not loaded"; }

    static std::uint64_t DecodeAll(HSTREAM h, std::vector<std::uint8_t>* out = nullptr) {
        std::vector<std::uint8_t> buf(50000);
        std::uint64_t total = 0;
        for (;;) {
            const std::uint32_t n =
                Bass.ChannelGetData(h, buf.data(), static_cast<std::uint32_t>(buf.size()));
            if (n == 0 || n == ~0u)
                break;
            if (out)
                out->insert(out->end(), buf.begin(), buf.begin() + n);
            total += n;
        }
        return total;
    }
};

struct LengthCase {
    const char* name;
    std::string (*make)();
    std::uint64_t expected;  // bytes of the decoded stream
    std::uint64_t tolerance; // allowed difference of the measured length
    std::uint32_t rate, chans, flags;
};

std::string Tone3s() {
    static const std::string wav = AudioFiles::Get().Wav("tone3.wav", 3.0);
    return wav;
}

const LengthCase kLengths[] = {
    {"wav16", [] { return Tone3s(); }, 132300 * 4, 0, 44100, 2, 0},
    {"wav8mono",
     [] { return AudioFiles::Get().Wav("u8.wav", 1.0, "-r 22050 -c 1 -b 8 -e unsigned"); }, 22050,
     0, 22050, 1, BASS_SAMPLE_8BITS},
    {"wav6ch", [] { return AudioFiles::Get().Wav("six.wav", 1.0, "-r 48000 -c 6 -b 16"); },
     48000 * 4, 0, 48000, 2, 0},
    {"ogg", [] { return AudioFiles::Get().Ogg("tone.ogg", Tone3s(), ""); }, 132300 * 4, 0, 44100, 2,
     0},
    {"mp3cbr", [] { return AudioFiles::Get().Mp3("cbr.mp3", Tone3s(), "-b 128"); }, 132300 * 4,
     kMp3Frame, 44100, 2, 0},
    {"mp3vbr", [] { return AudioFiles::Get().Mp3("vbr.mp3", Tone3s(), "-V 4"); }, 132300 * 4,
     kMp3Frame, 44100, 2, 0},
    // Without the Info header the length comes from walking the frames; the decoder then keeps
    // the encoder's delay and padding, so compare with the decoded count instead.
    {"mp3noheader", [] { return AudioFiles::Get().Mp3("bare.mp3", Tone3s(), "-t -b 128"); }, 0,
     kMp3Frame, 44100, 2, 0},
};

TEST_F(AudioLibrary, LengthsMatchTheDecodedStream) {
    for (const LengthCase& c : kLengths) {
        SCOPED_TRACE(c.name);
        const std::string path = c.make();
        const HSTREAM h = Bass.StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE);
        ASSERT_NE(h, 0u) << "error " << Bass.ErrorGetCode();
        BASS_CHANNELINFO info{};
        ASSERT_TRUE(Bass.ChannelGetInfo(h, &info));
        EXPECT_EQ(info.freq, c.rate);
        EXPECT_EQ(info.chans, c.chans);
        EXPECT_EQ(info.flags & BASS_SAMPLE_8BITS, c.flags);
        const std::uint64_t length = Bass.StreamGetLength(h);
        const std::uint64_t decoded = DecodeAll(h);
        EXPECT_EQ(Bass.ChannelIsActive(h), BASS_ACTIVE_STOPPED);
        const std::uint64_t expected = c.expected ? c.expected : decoded;
        const std::uint64_t diff = length > expected ? length - expected : expected - length;
        EXPECT_LE(diff, c.tolerance) << "measured " << length << " expected " << expected;
        const std::uint64_t ddiff = decoded > length ? decoded - length : length - decoded;
        EXPECT_LE(ddiff, c.tolerance) << "decoded " << decoded << " measured " << length;
        EXPECT_NEAR(Bass.ChannelBytes2Seconds(h, length),
                    static_cast<double>(expected) / (c.rate * info.chans * (c.flags ? 1 : 2)),
                    0.03);
        EXPECT_TRUE(Bass.StreamFree(h));
    }
}

TEST_F(AudioLibrary, SeekingLandsOnTheSameSamples) {
    for (const char* name : {"wav", "ogg"}) {
        SCOPED_TRACE(name);
        const std::string path =
            std::string(name) == "wav" ? Tone3s() : AudioFiles::Get().Ogg("seek.ogg", Tone3s(), "");
        const HSTREAM whole = Bass.StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE);
        std::vector<std::uint8_t> all;
        DecodeAll(whole, &all);
        Bass.StreamFree(whole);

        const HSTREAM h = Bass.StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE);
        const std::uint64_t pos = 70001 * 4 + 3; // rounded down to a whole sample frame
        ASSERT_TRUE(Bass.ChannelSetPosition(h, pos));
        EXPECT_EQ(Bass.ChannelGetPosition(h), 70001u * 4);
        std::vector<std::uint8_t> rest;
        DecodeAll(h, &rest);
        ASSERT_EQ(rest.size(), all.size() - 70001 * 4);
        if (std::string(name) == "wav") { // lossless: the very same bytes
            EXPECT_TRUE(std::equal(rest.begin(), rest.end(), all.begin() + 70001 * 4));
        }
        EXPECT_FALSE(Bass.ChannelSetPosition(h, all.size() + 4000));
        EXPECT_EQ(Bass.ErrorGetCode(), BASS_ERROR_POSITION);
        Bass.StreamFree(h);
    }
}

TEST_F(AudioLibrary, TagBlocksComeFromTheFile) {
    const std::string mp3 = AudioFiles::Get().Mp3("tags.mp3", Tone3s(), "-b 64");
    ASSERT_TRUE(RunTool("id3v2 -a Band -t Song " + Quote(mp3)));
    HSTREAM h = Bass.StreamCreateFile(0, mp3.c_str(), 0, 0, 0);
    const char* v1 = Bass.StreamGetTags(h, BASS_TAG_ID3);
    ASSERT_NE(v1, nullptr);
    EXPECT_EQ(std::string(v1, 3), "TAG");
    EXPECT_STREQ(v1 + 3, "Song");
    const char* v2 = Bass.StreamGetTags(h, BASS_TAG_ID3V2);
    ASSERT_NE(v2, nullptr);
    EXPECT_EQ(std::string(v2, 3), "ID3");
    EXPECT_EQ(v2[3], 3);
    EXPECT_EQ(Bass.StreamGetTags(h, BASS_TAG_OGG), nullptr);
    EXPECT_EQ(Bass.ErrorGetCode(), BASS_ERROR_NOTAVAIL);
    Bass.StreamFree(h);

    const std::string ogg =
        AudioFiles::Get().Ogg("tags.ogg", Tone3s(), "-a Oggy -t Tune -c comment=");
    h = Bass.StreamCreateFile(0, ogg.c_str(), 0, 0, 0);
    const char* c = Bass.StreamGetTags(h, BASS_TAG_OGG);
    ASSERT_NE(c, nullptr);
    std::vector<std::string> entries;
    for (const char* p = c; *p; p += std::strlen(p) + 1)
        entries.emplace_back(p);
    EXPECT_NE(std::find(entries.begin(), entries.end(), "artist=Oggy"), entries.end());
    EXPECT_NE(std::find(entries.begin(), entries.end(), "title=Tune"), entries.end());
    EXPECT_EQ(Bass.StreamGetTags(h, BASS_TAG_ID3), nullptr);
    Bass.StreamFree(h);
}

TEST_F(AudioLibrary, FailuresGiveErrorCodesNotCrashes) {
    EXPECT_EQ(Bass.StreamCreateFile(0, "/nonexistent/x.mp3", 0, 0, 0), 0u);
    EXPECT_EQ(Bass.ErrorGetCode(), BASS_ERROR_FILEOPEN);
    const std::string junk = AudioFiles::Get().Path("junk.mp3");
    std::ofstream(junk) << std::string(5000, 'x');
    EXPECT_EQ(Bass.StreamCreateFile(0, junk.c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(Bass.ErrorGetCode(), BASS_ERROR_FILEFORM);
    // A truncated MP3 still opens and measures what is there.
    const std::string cut = AudioFiles::Get().Path("cut.mp3");
    ASSERT_TRUE(RunTool(
        "dd bs=20000 count=1 if=" + Quote(AudioFiles::Get().Mp3("c.mp3", Tone3s(), "-t -b 128")) +
        " of=" + Quote(cut)));
    HSTREAM h = Bass.StreamCreateFile(0, cut.c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(h, 0u);
    const std::uint64_t length = Bass.StreamGetLength(h);
    EXPECT_EQ(length, DecodeAll(h));
    EXPECT_EQ(length, 48 * kMp3Frame); // 20000 bytes of 418-byte frames, the last one cut
    Bass.StreamFree(h);

    const std::uint32_t bad = 0xDEAD;
    std::uint8_t buf[16];
    EXPECT_EQ(Bass.StreamGetLength(bad), ~std::uint64_t{0});
    EXPECT_EQ(Bass.ErrorGetCode(), BASS_ERROR_HANDLE);
    EXPECT_FALSE(Bass.ChannelPlay(bad, 1));
    EXPECT_EQ(Bass.ChannelGetData(bad, buf, sizeof buf), ~0u);
    EXPECT_FALSE(Bass.StreamFree(bad));
    EXPECT_EQ(Bass.ErrorGetCode(), BASS_ERROR_HANDLE);
    EXPECT_EQ(Bass.ChannelIsActive(bad), BASS_ACTIVE_STOPPED);

    const std::string wav = Tone3s();
    h = Bass.StreamCreateFile(0, wav.c_str(), 0, 0, BASS_STREAM_DECODE);
    EXPECT_FALSE(Bass.ChannelPlay(h, 1));
    EXPECT_EQ(Bass.ErrorGetCode(), BASS_ERROR_DECODE);
    Bass.StreamFree(h);
    h = Bass.StreamCreateFile(0, wav.c_str(), 0, 0, 0);
    EXPECT_EQ(Bass.ChannelGetData(h, buf, sizeof buf), ~0u);
    EXPECT_EQ(Bass.ErrorGetCode(), BASS_ERROR_NOTAVAIL);
    EXPECT_FALSE(Bass.ChannelSlideAttributes(h, -1, 101, -1, 0));
    EXPECT_EQ(Bass.ErrorGetCode(), BASS_ERROR_ILLPARAM);
    EXPECT_EQ(Bass.ChannelSetSync(
                  h, 7, 0, [](HSYNC, std::uint32_t, std::uint32_t, void*) {}, nullptr),
              0u);
    EXPECT_EQ(Bass.ErrorGetCode(), BASS_ERROR_ILLTYPE);
    Bass.StreamFree(h);
    EXPECT_FALSE(Bass.Init(1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(Bass.ErrorGetCode(), BASS_ERROR_ALREADY);
}

TEST_F(AudioLibrary, PlaybackEndsWithTheNotice) {
    const std::string wav = AudioFiles::Get().Wav("short.wav", 0.4);
    const HSTREAM h = Bass.StreamCreateFile(0, wav.c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    static std::atomic<std::uint32_t> ended{0};
    ended = 0;
    const HSYNC sync = Bass.ChannelSetSync(
        h, BASS_SYNC_MESSAGE | BASS_SYNC_END, 0,
        [](HSYNC, std::uint32_t channel, std::uint32_t, void*) { ended = channel; }, nullptr);
    ASSERT_NE(sync, 0u);
    ASSERT_TRUE(Bass.ChannelSlideAttributes(h, -1, 35, -1, 0));
    std::uint32_t volume = 0;
    ASSERT_TRUE(Bass.ChannelGetAttributes(h, nullptr, &volume, nullptr));
    EXPECT_EQ(volume, 35u);
    ASSERT_TRUE(Bass.Start());
    ASSERT_TRUE(Bass.ChannelPlay(h, -1));
    EXPECT_EQ(Bass.ChannelIsActive(h), BASS_ACTIVE_PLAYING);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ended == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ended.load(), h);
    EXPECT_EQ(Bass.ChannelIsActive(h), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(Bass.ChannelGetPosition(h), Bass.StreamGetLength(h));
    EXPECT_TRUE(Bass.ChannelRemoveSync(h, sync));
    EXPECT_FALSE(Bass.ChannelRemoveSync(h, sync));
    EXPECT_TRUE(Bass.StreamFree(h));
}

} // namespace
