// The mix streamed as it plays: the same samples as the rendered WAV from the start and from a
// frame moved to, silence (counted, in time) while the reader is held up, and a stop or a
// destruction in the middle of reading ahead that neither hangs nor races.
#include "AudioFiles.h"
#include "base/Endian.h"
#include "media/audio/TrackPcmSource.h"
#include "media/audio/WavFile.h"
#include "media/music/MixStream.h"
#include "media/music/SoundtrackMixer.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;
using media::MixPlan;
using media::MixStream;

media::MixTrack Track(const std::string& file, std::int64_t playMs, int volume, double fadeIn,
                      double fadeOut) {
    media::MixTrack t;
    t.WorkFile = file;
    t.PlayMs = playMs;
    t.Volume = volume;
    t.FadeInSeconds = fadeIn;
    t.FadeOutSeconds = fadeOut;
    return t;
}

std::vector<std::int16_t> WavSamples(const std::string& path) {
    auto r = media::WavReader::Open(path);
    EXPECT_TRUE(r) << (r ? "" : r.error());
    if (!r)
        return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>((*r)->Info().DataSize));
    EXPECT_EQ(*(*r)->Read(bytes.data(), bytes.size()), bytes.size());
    std::vector<std::int16_t> s(bytes.size() / 2);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = base::LoadLE<std::int16_t>(bytes.data() + 2 * i);
    return s;
}

// Everything left in the stream, `chunk` frames at a time, each waited for like a patient
// listener (so no frame of it is silence for want of reading ahead).
std::vector<std::int16_t> DrainPatiently(MixStream& stream, std::size_t chunk) {
    std::vector<std::int16_t> all;
    std::vector<std::uint8_t> buf(4 * chunk);
    for (bool ended = false; !ended;) {
        EXPECT_TRUE(stream.WaitAhead(static_cast<std::int64_t>(chunk), 10s));
        const std::size_t n = stream.Read(buf.data(), buf.size(), &ended);
        for (std::size_t i = 0; i < n; i += 2)
            all.push_back(base::LoadLE<std::int16_t>(buf.data() + i));
    }
    return all;
}

TEST(MixStream, GivesTheRenderedSamplesFromTheStartAndFromAnyFrame) {
    testing_audio::LoadRealLibrary();
    auto& files = testing_audio::AudioFiles::Get();
    // Two rates, so the first track is resampled to the mix's 48 kHz too.
    const std::string a = files.Wav("stream-a.wav", 3.0);
    const std::string b = files.Wav("stream-b.wav", 4.0, "-r 48000 -c 1 -b 16");
    MixPlan plan;
    plan.VideoMs = 5500; // cuts the second track, inside the end fade
    plan.CrossfadeSeconds = 1;
    plan.EndFadeSeconds = 1.5;
    plan.Tracks = {Track(a, 3000, 90, 0.5, 0), Track(b, 4000, 70, 0, 0.8)};
    ASSERT_FALSE(media::IsPlainPlan(plan));
    QTemporaryDir dir;
    const std::string wav = dir.filePath("mix.wav").toStdString();
    base::NoProgress progress;
    ASSERT_TRUE(media::RenderMixToWav(plan, media::OpenTrackPcmSource, wav, progress));
    const std::vector<std::int16_t> rendered = WavSamples(wav);
    ASSERT_EQ(rendered.size(), 48000u * 11 / 2 * 2);

    MixStream stream(plan, media::OpenTrackPcmSource, 0, 3000);
    EXPECT_EQ(stream.Format(), (media::PcmFormat{48000, 2, 16}));
    EXPECT_EQ(stream.Frames(), 48000 * 11 / 2);
    EXPECT_TRUE(stream.WaitAhead(3000, 10s));
    const std::vector<std::int16_t> streamed = DrainPatiently(stream, 1031);
    EXPECT_EQ(stream.UnderrunFrames(), 0);
    ASSERT_EQ(streamed.size(), rendered.size());
    EXPECT_TRUE(streamed == rendered);

    // Moved into the cross-fade (both tracks sound, the first one half read), then back to
    // the first track's fade-in: each time the rendered samples from that frame on.
    for (const std::int64_t frame : {std::int64_t{48000 * 23 / 10}, std::int64_t{12345}}) {
        SCOPED_TRACE(frame);
        stream.Seek(frame);
        EXPECT_EQ(stream.Position(), frame);
        const std::vector<std::int16_t> tail = DrainPatiently(stream, 4096);
        ASSERT_EQ(tail.size(), rendered.size() - 2 * static_cast<std::size_t>(frame));
        EXPECT_TRUE(std::equal(tail.begin(), tail.end(), rendered.begin() + 2 * frame));
    }
    EXPECT_EQ(stream.UnderrunFrames(), 0);
}

// A track of known samples (frame i holds i mod 10000 on both sides) whose reads wait while
// the gate is shut, each after an optional pause.
class GatedTrack final : public media::PcmSource {
public:
    struct Gate {
        std::mutex m;
        std::condition_variable cv;
        bool open = true;
        std::atomic<int> reads{0};
        void Set(bool o) {
            {
                std::lock_guard lock(m);
                open = o;
            }
            cv.notify_all();
        }
    };
    GatedTrack(std::int64_t frames, Gate& gate, std::chrono::microseconds pause)
        : left_(frames), gate_(gate), pause_(pause) {}
    media::PcmFormat Format() const override { return {44100, 2, 16}; }
    base::Result<std::size_t> Read(std::uint8_t* out, std::size_t size) override {
        {
            std::unique_lock lock(gate_.m);
            gate_.cv.wait(lock, [&] { return gate_.open; });
        }
        ++gate_.reads;
        std::this_thread::sleep_for(pause_);
        const auto n = std::min<std::int64_t>(left_, static_cast<std::int64_t>(size / 4));
        for (std::int64_t i = 0; i < n; ++i) {
            const auto v = static_cast<std::int16_t>((at_ + i) % 10000);
            base::StoreLE<std::int16_t>(out + 4 * i, v);
            base::StoreLE<std::int16_t>(out + 4 * i + 2, v);
        }
        left_ -= n;
        at_ += n;
        return static_cast<std::size_t>(n * 4);
    }

private:
    std::int64_t left_, at_ = 0;
    Gate& gate_;
    std::chrono::microseconds pause_;
};

MixPlan OneFadedTrack(std::int64_t ms) {
    MixPlan plan;
    plan.VideoMs = ms;
    plan.EndFadeSeconds = 1;
    plan.Tracks = {Track("gated", ms, 100, 0, 0)};
    return plan;
}

media::PcmSourceOpener Gated(GatedTrack::Gate& gate, std::int64_t frames,
                             std::chrono::microseconds pause = 0us) {
    return [&gate, frames,
            pause](const std::string&) -> base::Result<std::unique_ptr<media::PcmSource>> {
        return std::unique_ptr<media::PcmSource>(std::make_unique<GatedTrack>(frames, gate, pause));
    };
}

TEST(MixStream, AHeldUpReaderGivesSilenceInTimeNotAWait) {
    const MixPlan plan = OneFadedTrack(4000);
    GatedTrack::Gate reference;
    std::vector<std::int16_t> expected;
    {
        media::SoundtrackMixer mixer(plan, Gated(reference, 44100 * 4));
        std::vector<std::uint8_t> all(4 * static_cast<std::size_t>(mixer.Frames()));
        ASSERT_EQ(*mixer.Read(all.data(), all.size()), all.size());
        for (std::size_t i = 0; i < all.size(); i += 2)
            expected.push_back(base::LoadLE<std::int16_t>(all.data() + i));
    }

    GatedTrack::Gate gate;
    gate.Set(false);
    MixStream stream(plan, Gated(gate, 44100 * 4), 0, 8192);
    std::vector<std::uint8_t> buf(4 * 2000, 0xAB);
    bool ended = true;
    // Nothing has been decoded: the whole request is silence at once, and the stream moves on.
    EXPECT_EQ(stream.Read(buf.data(), buf.size(), &ended), buf.size());
    EXPECT_FALSE(ended);
    EXPECT_TRUE(std::all_of(buf.begin(), buf.end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(stream.UnderrunFrames(), 2000);
    EXPECT_EQ(stream.Position(), 2000);
    EXPECT_FALSE(stream.WaitAhead(100, 20ms));

    // Once the decoder gives again, the music comes at its own place in time: the frames the
    // listener passed are skipped, not played late.
    gate.Set(true);
    const std::vector<std::int16_t> rest = DrainPatiently(stream, 1500);
    ASSERT_EQ(rest.size(), expected.size() - 2 * 2000);
    EXPECT_TRUE(std::equal(rest.begin(), rest.end(), expected.begin() + 2 * 2000));
    EXPECT_EQ(stream.UnderrunFrames(), 2000);
}

TEST(MixStream, StopsAndGoesWhileReadingAheadOrMoving) {
    // An hour of a slow decoder: the reader is always busy when it is stopped.
    const MixPlan plan = OneFadedTrack(3600 * 1000);
    GatedTrack::Gate gate;
    {
        MixStream stream(plan, Gated(gate, 44100LL * 3600, 200us), 0, 44100);
        EXPECT_TRUE(stream.WaitAhead(4096, 10s));
        std::vector<std::uint8_t> buf(4 * 512);
        bool ended = false;
        EXPECT_EQ(stream.Read(buf.data(), buf.size(), &ended), buf.size());
        stream.Stop();
        EXPECT_EQ(stream.Read(buf.data(), buf.size(), &ended), 0u);
        EXPECT_TRUE(ended);
        const int reads = gate.reads;
        std::this_thread::sleep_for(20ms);
        EXPECT_EQ(gate.reads.load(), reads); // the reader is gone
        stream.Stop();                       // twice is harmless
    }
    // Destroyed while it decodes its way to a frame far into the track, and while a reader
    // still waits on its decoder.
    {
        MixStream stream(plan, Gated(gate, 44100LL * 3600, 0us), 44100LL * 3000, 44100);
        std::this_thread::sleep_for(10ms);
        stream.Seek(44100LL * 1800);
    }
    gate.Set(false);
    {
        MixStream stream(plan, Gated(gate, 44100LL * 3600, 0us), 0, 44100);
        std::this_thread::sleep_for(10ms);
        std::thread open([&] {
            std::this_thread::sleep_for(10ms);
            gate.Set(true); // a decoder is never interrupted: the stop waits for its read
        });
        stream.Stop();
        open.join();
    }
}

} // namespace
