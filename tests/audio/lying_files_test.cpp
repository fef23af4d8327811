// Sound files that misstate themselves: damaged or invented length headers, cut and joined
// files, chained Ogg links, absurd sample rates and files of other formats under a sound
// file's name. The length the library reports must be what its decoding delivers, and that
// must agree with an independent decoder (the ffmpeg tool) or the file the test started from.
#include "AudioFiles.h"

#include "media/audio/AudioLibrary.h"

#include <gtest/gtest.h>

#include "support/FileBytes.h"
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace lying_files_test {

using namespace testing_audio;
// The library's own entry points, straight from the loaded library.
static const media::AudioEntryPoints& Bass = media::Audio().Api();

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadAll(const std::string& path) {
    return testsupport::FileBytes<Bytes>(path);
}

std::string WriteAll(const std::string& name, const Bytes& bytes) {
    const std::string path = AudioFiles::Get().Path(name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

// Sample frames the ffmpeg tool decodes from a file (16-bit, the file's own channel count).
std::uint64_t ToolFrames(const std::string& path, int channels) {
    const std::string cmd =
        "ffmpeg -v error -i " + Quote(path) + " -f s16le -ac " + std::to_string(channels) + " -";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(cmd.c_str(), "r"), &pclose);
    if (!pipe)
        return 0;
    std::vector<char> buf(1 << 16);
    std::uint64_t total = 0;
    while (const std::size_t n = std::fread(buf.data(), 1, buf.size(), pipe.get()))
        total += n;
    return total / (2u * static_cast<unsigned>(channels));
}

// Ogg page checksum (CRC-32, polynomial 0x04C11DB7, unreflected, checksum field as zero).
void FixOggCrc(std::uint8_t* page, std::size_t size) {
    std::memset(page + 22, 0, 4);
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= std::uint32_t{page[i]} << 24;
        for (int k = 0; k < 8; ++k)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    for (int k = 0; k < 4; ++k)
        page[22 + k] = static_cast<std::uint8_t>(crc >> (8 * k));
}

std::size_t LastOggPage(const Bytes& b) {
    for (std::size_t i = b.size() - 27; i > 0; --i)
        if (std::memcmp(&b[i], "OggS", 4) == 0)
            return i;
    return 0;
}

std::size_t OggPageSize(const Bytes& b, std::size_t at) {
    std::size_t size = 27 + b[at + 26];
    for (int i = 0; i < b[at + 26]; ++i)
        size += b[at + 27 + static_cast<std::size_t>(i)];
    return size;
}

class LyingFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() { LoadRealLibrary(); }
    void SetUp() override { ASSERT_TRUE(media::Audio().Loaded()) << "libbass.so not loaded"; }

    struct Measured {
        std::uint64_t length = 0;  // bytes the library reports
        std::uint64_t decoded = 0; // bytes its decoding delivers
        std::uint32_t bytesPerFrame = 4;
        std::uint64_t Frames() const { return length / bytesPerFrame; }
    };

    // Opens a decode stream on the file, takes its length and decodes it to the end.
    static Measured Measure(const std::string& path) {
        Measured m;
        const HSTREAM h = Bass.StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE);
        EXPECT_NE(h, 0u) << "error " << Bass.ErrorGetCode();
        if (h == 0)
            return m;
        BASS_CHANNELINFO info{};
        Bass.ChannelGetInfo(h, &info);
        m.bytesPerFrame = info.chans * ((info.flags & BASS_SAMPLE_8BITS) ? 1 : 2);
        m.length = Bass.StreamGetLength(h);
        std::vector<std::uint8_t> buf(1 << 16);
        for (;;) {
            const std::uint32_t n =
                Bass.ChannelGetData(h, buf.data(), static_cast<std::uint32_t>(buf.size()));
            if (n == 0 || n == ~0u)
                break;
            m.decoded += n;
        }
        Bass.StreamFree(h);
        return m;
    }

    static std::string Tone(const std::string& name, double seconds,
                            const std::string& format = "-r 44100 -c 2 -b 16") {
        return AudioFiles::Get().Wav(name, seconds, format);
    }
};

constexpr std::uint64_t kMp3FrameSamples = 1152;

TEST_F(LyingFiles, OggLengthIsTheSourceLengthForEveryRateAndChannelCount) {
    // 2.3 s does not fill the last Vorbis block at any of these rates: the end is trimmed by the
    // granule position, which is where decoders disagree.
    for (const int rate : {8000, 11025, 16000, 22050, 32000, 44100, 48000}) {
        for (const int channels : {1, 2}) {
            SCOPED_TRACE(std::to_string(rate) + " Hz, " + std::to_string(channels) + " ch");
            const std::string tag = std::to_string(rate) + "_" + std::to_string(channels);
            const std::string wav =
                Tone("o" + tag + ".wav", 2.3,
                     "-r " + std::to_string(rate) + " -c " + std::to_string(channels) + " -b 16");
            const std::string ogg = AudioFiles::Get().Ogg("o" + tag + ".ogg", wav, "");
            const Measured m = Measure(ogg);
            EXPECT_EQ(m.length, m.decoded);
            EXPECT_EQ(m.Frames(), static_cast<std::uint64_t>(rate) * 23 / 10);
        }
    }
}

TEST_F(LyingFiles, Mp3LengthFollowsTheFramesNotTheHeader) {
    const std::string wav30 = Tone("t30.wav", 30.0);
    const std::string wav3 = Tone("t3.wav", 3.0);
    const std::string full = AudioFiles::Get().Mp3("full30.mp3", wav30, "-b 128");
    const std::string three = AudioFiles::Get().Mp3("three.mp3", wav3, "-V 4");

    // A partial download: the Info header still promises 30 s.
    Bytes cut = ReadAll(full);
    ASSERT_GT(cut.size(), 200000u);
    cut.resize(200000);
    const std::string partial = WriteAll("partial.mp3", cut);

    // Two files joined with cat: the first one's header speaks for 3 s.
    Bytes joined = ReadAll(three);
    const Bytes again = ReadAll(three);
    joined.insert(joined.end(), again.begin(), again.end());
    const std::string twice = WriteAll("joined.mp3", joined);

    // A Xing frame count of 0xFFFFFFFF.
    Bytes patched = ReadAll(three);
    std::size_t xing = 0;
    for (std::size_t i = 0; i + 12 < patched.size() && xing == 0; ++i)
        if (std::memcmp(&patched[i], "Xing", 4) == 0 || std::memcmp(&patched[i], "Info", 4) == 0)
            xing = i;
    ASSERT_NE(xing, 0u);
    ASSERT_TRUE(patched[xing + 7] & 1) << "no frame count in the header";
    std::memset(&patched[xing + 8], 0xFF, 4);
    const std::string invented = WriteAll("xingmax.mp3", patched);

    struct Case {
        const char* name;
        std::string path;
        double seconds; // what the stream really holds
    } cases[] = {
        {"cut", partial, 200000.0 * 8 / 128000}, {"cat", twice, 6.0}, {"xing", invented, 3.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Measured m = Measure(c.path);
        EXPECT_EQ(m.length, m.decoded);
        const double seconds = static_cast<double>(m.Frames()) / 44100;
        EXPECT_NEAR(seconds, c.seconds, 0.1);
        // The ffmpeg tool decodes the same file to within a couple of frames.
        const double tool = static_cast<double>(ToolFrames(c.path, 2));
        EXPECT_NEAR(static_cast<double>(m.Frames()), tool, 2.0 * kMp3FrameSamples);
    }
}

TEST_F(LyingFiles, OggLengthSurvivesDamagedAndChainedPages) {
    const std::string wav = Tone("g2.wav", 2.0);
    const std::string ogg = AudioFiles::Get().Ogg("g2.ogg", wav, "-s 1111");
    const std::string other = AudioFiles::Get().Ogg("g2b.ogg", wav, "-s 2222");
    const Bytes good = ReadAll(ogg);
    ASSERT_FALSE(good.empty());
    const std::size_t last = LastOggPage(good);
    ASSERT_NE(last, 0u);

    // Damage in transit: the last granule is zeroed and the checksum no longer holds.
    Bytes zeroed = good;
    std::memset(&zeroed[last + 6], 0, 8);
    // A forged last granule with a valid checksum: 2^62 samples would overflow the byte count.
    Bytes forged = good;
    std::memset(&forged[last + 6], 0, 8);
    forged[last + 13] = 0x40;
    FixOggCrc(&forged[last], OggPageSize(forged, last));
    // Two files played one after the other (a chained stream).
    Bytes chained = good;
    const Bytes second = ReadAll(other);
    chained.insert(chained.end(), second.begin(), second.end());

    struct Case {
        const char* name;
        std::string path;
        double minSeconds, maxSeconds;
    } cases[] = {{"zeroed", WriteAll("zeroed.ogg", zeroed), 1.5, 2.0},
                 {"forged", WriteAll("forged.ogg", forged), 1.5, 2.1},
                 {"chained", WriteAll("chained.ogg", chained), 3.9, 4.1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Measured m = Measure(c.path);
        EXPECT_EQ(m.length, m.decoded);
        const double seconds = static_cast<double>(m.Frames()) / 44100;
        EXPECT_GE(seconds, c.minSeconds);
        EXPECT_LE(seconds, c.maxSeconds);
    }
}

TEST_F(LyingFiles, PagesOfNothingAfterTheAudioDoNotChangeTheLength) {
    const std::string wav = Tone("p1.wav", 1.0);
    Bytes bytes = ReadAll(AudioFiles::Get().Ogg("p1.ogg", wav, ""));
    // 20 MB of page headers that announce bodies which are not there.
    std::uint8_t header[28] = {'O', 'g', 'g', 'S', 0, 0};
    header[26] = 1;
    header[27] = 255;
    for (std::size_t i = 0; i < (20u << 20) / sizeof header; ++i)
        bytes.insert(bytes.end(), header, header + sizeof header);
    const Measured m = Measure(WriteAll("padded.ogg", bytes));
    EXPECT_EQ(m.length, m.decoded);
    EXPECT_EQ(m.Frames(), 44100u);
}

TEST_F(LyingFiles, WavWithAnAbsurdRateIsRefused) {
    // 176 400 bytes of stereo 16-bit samples declared at 1 Hz: 44 100 s of sound.
    Bytes wav(44 + 176400, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int k = 0; k < 4; ++k)
            wav[at + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(v >> (8 * k));
    };
    std::memcpy(&wav[0], "RIFF", 4);
    put32(4, static_cast<std::uint32_t>(wav.size() - 8));
    std::memcpy(&wav[8], "WAVEfmt ", 8);
    put32(16, 16);
    wav[20] = 1;  // PCM
    wav[22] = 2;  // channels
    put32(24, 1); // samples per second
    put32(28, 4);
    wav[32] = 4;
    wav[34] = 16;
    std::memcpy(&wav[36], "data", 4);
    put32(40, 176400);
    const std::string slow = WriteAll("onehertz.wav", wav);
    EXPECT_EQ(Bass.StreamCreateFile(0, slow.c_str(), 0, 0, 0), 0u);
    EXPECT_NE(Bass.ErrorGetCode(), BASS_OK);

    // The same samples at 8 kHz are an ordinary (if short) sound.
    put32(24, 8000);
    put32(28, 32000);
    const Measured m = Measure(WriteAll("eightk.wav", wav));
    EXPECT_EQ(m.length, 176400u);
    EXPECT_EQ(m.decoded, 176400u);
}

TEST_F(LyingFiles, WavWhoseDataSizeLiesIsMeasuredByWhatItHolds) {
    Bytes wav = ReadAll(Tone("short.wav", 1.0));
    ASSERT_EQ(std::memcmp(&wav[36], "data", 4), 0);
    wav[40] = wav[41] = wav[42] = 0xFF;
    wav[43] = 0x7F; // two gigabytes of data promised, 176 400 bytes present
    const Measured m = Measure(WriteAll("liar.wav", wav));
    EXPECT_EQ(m.length, m.decoded);
    EXPECT_EQ(m.decoded, 176400u);
}

TEST_F(LyingFiles, OnlyMp3OggAndWavAreOpened) {
    const std::string tone = Tone("named.wav", 0.5);
    const std::string dir = tone.substr(0, tone.find_last_of('/') + 1);
    auto write = [&](const std::string& name, const std::string& text) {
        std::ofstream(dir + name) << text;
        return dir + name;
    };
    const std::string concat =
        write("concat.wav", "ffconcat version 1.0\nfile 'named.wav'\nfile 'named.wav'\n");
    const std::string hls = write("playlist.wav", "#EXTM3U\n#EXT-X-TARGETDURATION:1\n"
                                                  "#EXTINF:1,\nnamed.wav\n#EXT-X-ENDLIST\n");
    const std::string mkv = dir + "matroska.wav";
    ASSERT_TRUE(RunTool("ffmpeg -v error -y -i " + Quote(tone) + " -c:a pcm_s16le -f matroska " +
                        Quote(mkv)));
    for (const std::string& path : {concat, hls, mkv}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(Bass.StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE), 0u);
        EXPECT_EQ(Bass.ErrorGetCode(), BASS_ERROR_FILEFORM);
    }
    // The real WAV beside them still opens.
    const HSTREAM h = Bass.StreamCreateFile(0, tone.c_str(), 0, 0, BASS_STREAM_DECODE);
    EXPECT_NE(h, 0u);
    Bass.StreamFree(h);
}

TEST_F(LyingFiles, SeekInAVbrMp3DeliversSoundAtOnce) {
    const std::string mp3 = AudioFiles::Get().Mp3("seekvbr.mp3", Tone("sv.wav", 4.0), "-V 2");
    const HSTREAM whole = Bass.StreamCreateFile(0, mp3.c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(whole, 0u);
    std::vector<std::int16_t> all(44100 * 2 * 4);
    const std::uint32_t got =
        Bass.ChannelGetData(whole, all.data(), static_cast<std::uint32_t>(all.size() * 2));
    Bass.StreamFree(whole);
    ASSERT_GT(got, 3u * 44100 * 4);

    const HSTREAM h = Bass.StreamCreateFile(0, mp3.c_str(), 0, 0, BASS_STREAM_DECODE);
    const std::uint64_t target = 2 * 44100 * 4; // 2 s in
    ASSERT_TRUE(Bass.ChannelSetPosition(h, target));
    std::vector<std::int16_t> after(44100 / 5 * 2); // the first 0.2 s
    ASSERT_EQ(Bass.ChannelGetData(h, after.data(), static_cast<std::uint32_t>(after.size() * 2)),
              after.size() * 2);
    Bass.StreamFree(h);
    // The tone is loud throughout and the samples are the ones a straight decode gives.
    const std::size_t first = static_cast<std::size_t>(target / 2);
    int silent = 0, differing = 0;
    for (std::size_t i = 0; i < after.size(); ++i) {
        silent += std::abs(after[i]) < 64;
        differing += std::abs(after[i] - all[first + i]) > 64;
    }
    EXPECT_LT(silent, static_cast<int>(after.size() / 20));
    EXPECT_EQ(differing, 0);
}

} // namespace

} // namespace lying_files_test
