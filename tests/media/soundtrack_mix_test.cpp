// The mixed soundtrack: the layout of the tracks, the equal-power fades measured as RMS in 100 ms
// windows of real decoded audio, a cross-fade checked to the sample, the end fade reaching
// silence at the video's last sample, and the limiter that never lets a sample clip.
#include "AudioFiles.h"
#include "base/Endian.h"
#include "media/audio/TrackPcmSource.h"
#include "media/music/MixPlan.h"
#include "media/music/SoftLimiter.h"
#include "media/music/SoundtrackMixer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

using media::MixPlan;
using media::MixTrack;
using media::PcmFormat;

// A plan's track: file, play length, volume, fades.
media::MixTrack Track(const std::string& file, std::int64_t playMs, int volume = 100,
                      double fadeIn = 0, double fadeOut = 0) {
    media::MixTrack t;
    t.WorkFile = file;
    t.PlayMs = playMs;
    t.Volume = volume;
    t.FadeInSeconds = fadeIn;
    t.FadeOutSeconds = fadeOut;
    return t;
}

// Constant stereo 16-bit samples at 44.1 kHz for a number of frames.
class ConstantSource final : public media::PcmSource {
public:
    ConstantSource(std::int64_t frames, std::int16_t value) : left_(frames), value_(value) {}
    PcmFormat Format() const override { return {44100, 2, 16}; }
    base::Result<std::size_t> Read(std::uint8_t* out, std::size_t size) override {
        const auto n = std::min<std::int64_t>(left_, static_cast<std::int64_t>(size / 4));
        for (std::int64_t i = 0; i < 2 * n; ++i)
            base::StoreLE<std::int16_t>(out + 2 * i, value_);
        left_ -= n;
        return static_cast<std::size_t>(n * 4);
    }

private:
    std::int64_t left_;
    std::int16_t value_;
};

// Left channel of the whole mix.
std::vector<double> MixLeft(const MixPlan& plan, const media::PcmSourceOpener& open) {
    media::SoundtrackMixer mixer(plan, open);
    std::vector<double> left;
    std::vector<std::uint8_t> buf(4000 * 4);
    while (auto got = *mixer.Read(buf.data(), buf.size()))
        for (std::size_t i = 0; i < got; i += 4)
            left.push_back(base::LoadLE<std::int16_t>(buf.data() + i) / 32768.0);
    return left;
}

double Rms(const std::vector<double>& s, std::size_t from, std::size_t count) {
    double sum = 0;
    for (std::size_t i = from; i < from + count; ++i)
        sum += s[i] * s[i];
    return std::sqrt(sum / count);
}

// sqrt(mean(gain²)) over a window, from the curve written out: sin for rising, cos for falling.
double CurveRms(double from, double to, const std::function<double(double)>& gain) {
    double sum = 0;
    const int steps = 441;
    for (int i = 0; i < steps; ++i) {
        const double g = gain(from + (to - from) * (i + 0.5) / steps);
        sum += g * g;
    }
    return std::sqrt(sum / steps);
}

media::PcmSourceOpener RealLibrary() {
    testing_audio::LoadRealLibrary();
    return media::OpenTrackPcmSource;
}

TEST(MixLayout, TracksOverlapByTheCrossfadeAndStopAtTheVideo) {
    MixPlan plan;
    plan.CrossfadeSeconds = 2.5;
    plan.VideoMs = 15500;
    plan.Tracks = {Track("a", 8000, 100, 0.5, 1.0),
                   Track("skipped", 0),
                   Track("b", 6000, 100, 4.0, 0),
                   Track("c", 1000),
                   Track("d", 9000),
                   Track("late", 5000)};
    const auto spans = media::LayOutTracks(plan);
    ASSERT_EQ(spans.size(), 4u); // "late" would start at the video's end
    EXPECT_EQ(spans[0].StartMs, 0);
    EXPECT_EQ(spans[1].Track, 2u);
    EXPECT_EQ(spans[1].StartMs, 5500);
    EXPECT_EQ(spans[2].StartMs, 9000);
    // Never before the one it follows, even when the cross-fade is longer than that track.
    EXPECT_EQ(spans[3].StartMs, 9000);
    // Own fades stretched to the overlap, kept when longer, cut to the track's length.
    EXPECT_EQ(spans[0].FadeInMs, 500);
    EXPECT_EQ(spans[0].FadeOutMs, 2500);
    EXPECT_EQ(spans[1].FadeInMs, 4000);
    EXPECT_EQ(spans[2].FadeInMs, 1000);
    EXPECT_EQ(media::MusicEndMs(plan, spans), 15500); // d is cut by the video
    EXPECT_EQ(media::PlannedMusicMs(plan), 20500);    // what fitting the show aims at
    plan.VideoMs = 9000;
    EXPECT_EQ(media::LayOutTracks(plan).size(), 2u);
    EXPECT_FALSE(media::IsPlainPlan(plan));
    plan = MixPlan{};
    plan.Tracks = {Track("a", 1000)};
    plan.CrossfadeSeconds = 0.0004; // rounds to no cross-fade
    EXPECT_TRUE(media::IsPlainPlan(plan));
    EXPECT_EQ(media::ClampFadeSeconds(12), 10);
    EXPECT_EQ(media::ClampFadeSeconds(std::nan("")), 0);
}

TEST(MixEnvelope, FadesFollowTheEqualPowerCurveOnADecodedTrack) {
    auto& files = testing_audio::AudioFiles::Get();
    const std::string tone = files.Wav("fade-tone.wav", 8.0); // 440 Hz at 0.4 of full scale
    MixPlan plan;
    plan.VideoMs = 60000;
    plan.Tracks = {Track(tone, 8000, 100, 2.0, 3.0)};
    const auto mix = MixLeft(plan, RealLibrary());
    ASSERT_EQ(mix.size(), 8u * 44100);
    const double level = Rms(mix, 3 * 44100, 44100); // the unfaded middle
    EXPECT_NEAR(level, 0.4 / std::sqrt(2.0), 0.005);
    for (int w = 0; w < 80; ++w) {
        const double t0 = w * 0.1, t1 = t0 + 0.1;
        const double expected = level * CurveRms(t0, t1, [](double t) {
                                    double g = t < 2 ? std::sin(M_PI / 2 * t / 2) : 1.0;
                                    return t > 5 ? g * std::cos(M_PI / 2 * (t - 5) / 3) : g;
                                });
        EXPECT_NEAR(Rms(mix, static_cast<std::size_t>(w) * 4410, 4410), expected,
                    0.01 * level + 0.002)
            << "window at " << t0 << " s";
    }
}

TEST(MixEnvelope, ACrossfadeOverlapsToTheSample) {
    MixPlan plan;
    plan.CrossfadeSeconds = 1.0;
    plan.VideoMs = 60000;
    plan.Tracks = {Track("a", 3000), Track("b", 3000)};
    const std::map<std::string, std::int16_t> value{{"a", 8000}, {"b", 4000}};
    auto open = [&](const std::string& p) -> base::Result<std::unique_ptr<media::PcmSource>> {
        return std::unique_ptr<media::PcmSource>(
            std::make_unique<ConstantSource>(10 * 44100, value.at(p)));
    };
    const auto mix = MixLeft(plan, open);
    ASSERT_EQ(mix.size(), 5u * 44100); // 3 s + 3 s − 1 s
    const std::size_t start = 2 * 44100, overlap = 44100;
    for (std::size_t n = 0; n < mix.size(); ++n) {
        double expected = n < start ? 8000 : 4000;
        if (n >= start && n < start + overlap) {
            const double x = M_PI / 2 * static_cast<double>(n - start) / overlap;
            expected = 8000 * std::cos(x) + 4000 * std::sin(x);
        }
        ASSERT_NEAR(mix[n] * 32768, expected, 1.0) << "sample " << n;
    }
}

TEST(MixEnvelope, TheEndFadeReachesSilenceAtTheLastFrame) {
    auto& files = testing_audio::AudioFiles::Get();
    const std::string tone = files.Wav("end-tone.wav", 10.0);
    MixPlan plan;
    plan.EndFadeSeconds = 3;
    plan.VideoMs = 6040; // 151 frames of 40 ms; the track goes on past the video
    plan.Tracks = {Track(tone, 10000)};
    const auto mix = MixLeft(plan, RealLibrary());
    ASSERT_EQ(mix.size(), 6040u * 441 / 10);
    const double level = Rms(mix, 0, 44100);
    const double fadeStart = 3.04;
    for (int w = 0; w < 30; ++w) {
        const double t0 = fadeStart + w * 0.1;
        const double expected = level * CurveRms(t0, t0 + 0.1, [&](double t) {
                                    return std::cos(M_PI / 2 * (t - fadeStart) / 3);
                                });
        EXPECT_NEAR(Rms(mix, static_cast<std::size_t>(std::lround(t0 * 44100)), 4410), expected,
                    0.01 * level + 0.002);
    }
    // The last frame is all but silent, ending in true silence; the frame before still sounds.
    EXPECT_LT(Rms(mix, mix.size() - 1764, 1764), 0.02 * level);
    EXPECT_GT(Rms(mix, mix.size() - 2 * 1764, 1764), 0.02 * level);
    EXPECT_EQ(mix.back(), 0.0);
}

TEST(SoftLimiter, IsInactiveBelowMinusOneDbfsAndNeverClips) {
    for (float x = -media::kLimiterThreshold; x <= media::kLimiterThreshold; x += 1e-4f)
        ASSERT_EQ(media::SoftLimit(x), x);
    EXPECT_EQ(media::SoftLimit(media::kLimiterThreshold), media::kLimiterThreshold);
    float before = media::kLimiterThreshold;
    for (float x = 0.9f; x < 50; x *= 1.01f) {
        const float y = media::SoftLimit(x);
        ASSERT_GE(y, before) << x; // rising
        ASSERT_LT(y, media::kLimiterCeiling) << x;
        ASSERT_EQ(media::SoftLimit(-x), -y);
        ASSERT_LE(std::abs(media::LimitToPcm16(-x)), 32766);
        before = y;
    }
    EXPECT_EQ(media::SoftLimit(std::nanf("")), 0.0f);

    // Two loud tracks overlapping for their whole length: summed far past full scale.
    MixPlan plan;
    plan.CrossfadeSeconds = 1;
    plan.VideoMs = 60000;
    plan.Tracks = {Track("a", 1000), Track("b", 1000)};
    auto open = [](const std::string&) -> base::Result<std::unique_ptr<media::PcmSource>> {
        return std::unique_ptr<media::PcmSource>(std::make_unique<ConstantSource>(44100, 30000));
    };
    const auto mix = MixLeft(plan, open);
    ASSERT_EQ(mix.size(), 44100u);
    const double peak = *std::max_element(mix.begin(), mix.end());
    EXPECT_GT(peak * 32768, 30000); // louder than one track
    EXPECT_LE(peak * 32768, 32766); // never full scale
}

} // namespace
