// The true peak found by oversampling only the stretches that may hold it is exactly the one
// libebur128 finds fed every frame: on noise, on a limited loud signal that sits at its ceiling,
// and on the case the skipping must not miss (an inter-sample peak above every sample, after a
// louder click), fed in blocks of any size.
#include "media/music/TruePeakScan.h"

#include <ebur128.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

namespace {

double EveryFrame(const std::vector<std::int16_t>& s, unsigned channels, unsigned rate) {
    ebur128_state* st = ebur128_init(channels, rate, EBUR128_MODE_TRUE_PEAK);
    EXPECT_EQ(ebur128_add_frames_short(st, s.data(), s.size() / channels), EBUR128_SUCCESS);
    double peak = 0;
    for (unsigned c = 0; c < channels; ++c) {
        double p = 0;
        EXPECT_EQ(ebur128_true_peak(st, c, &p), EBUR128_SUCCESS);
        peak = std::max(peak, p);
    }
    ebur128_destroy(&st);
    return peak;
}

struct Scanned {
    double Peak = 0;
    std::uint64_t Oversampled = 0;
};

Scanned Scan(const std::vector<std::int16_t>& s, unsigned channels, unsigned rate,
             std::size_t chunk) {
    auto scan = media::TruePeakScan::Create(channels, rate);
    EXPECT_TRUE(scan);
    const std::size_t frames = s.size() / channels;
    for (std::size_t at = 0; at < frames; at += chunk)
        EXPECT_TRUE((*scan)->Add(s.data() + at * channels, std::min(chunk, frames - at)));
    auto peak = (*scan)->Finish();
    EXPECT_TRUE(peak);
    return {*peak, (*scan)->OversampledFrames()};
}

std::int16_t Sample(double v) {
    return static_cast<std::int16_t>(std::clamp(std::lround(v * 32767), -32768L, 32767L));
}

// Low-passed noise (a running mix of random values, most of its power low as in music), with a
// standard deviation of about `level`, per channel.
std::vector<std::int16_t> Noise(std::size_t frames, unsigned channels, double level,
                                unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::vector<std::int16_t> s(frames * channels);
    std::vector<double> state(channels, 0.0);
    for (std::size_t i = 0; i < frames; ++i)
        for (unsigned c = 0; c < channels; ++c) {
            state[c] = 0.95 * state[c] + 0.3 * normal(random);
            s[i * channels + c] = Sample(level * state[c] / 0.96);
        }
    return s;
}

TEST(TruePeakScan, EqualsOversamplingEveryFrame) {
    struct Case {
        const char* Name;
        std::vector<std::int16_t> Samples;
        unsigned Channels, Rate;
    };
    std::vector<Case> cases;
    cases.push_back({"noise", Noise(441000, 2, 0.1, 1), 2, 44100});
    // Loud and limited: a good share of the samples at the ceiling.
    std::vector<std::int16_t> loud = Noise(441000, 2, 0.5, 2);
    for (auto& v : loud)
        v = static_cast<std::int16_t>(std::clamp<int>(v, -29000, 29000));
    cases.push_back({"limited", std::move(loud), 2, 44100});
    // A click at 0.8 first, then a quarter-rate sine whose samples (±0.707) stay under it while
    // its peaks between them reach 0.95: the stretch must be oversampled though its samples are
    // quieter than the click.
    std::vector<std::int16_t> hidden = Noise(96000, 1, 0.02, 3);
    hidden[1000] = Sample(0.8);
    for (std::size_t i = 50000; i < 50400; ++i)
        hidden[i] = Sample(
            0.95 * std::sin(std::numbers::pi / 2 * static_cast<double>(i) + std::numbers::pi / 4));
    cases.push_back({"hidden", std::move(hidden), 1, 48000});
    cases.push_back({"silence", std::vector<std::int16_t>(20000, 0), 2, 44100});
    cases.push_back({"high rate", Noise(96000, 2, 0.1, 4), 2, 96000});

    for (const Case& c : cases) {
        const double expected = EveryFrame(c.Samples, c.Channels, c.Rate);
        for (const std::size_t chunk : {std::size_t{5}, std::size_t{4099}, std::size_t{32768}}) {
            const Scanned got = Scan(c.Samples, c.Channels, c.Rate, chunk);
            EXPECT_EQ(got.Peak, expected) << c.Name << ", blocks of " << chunk;
        }
    }
    EXPECT_GT(EveryFrame(cases[2].Samples, 1, 48000), 0.94); // the hidden peak is what counts

    // The point of it: most of the noise never reaches the oversampler.
    const Scanned noise = Scan(cases[0].Samples, 2, 44100, 32768);
    EXPECT_LT(noise.Oversampled, 441000u / 4);
    EXPECT_EQ(Scan(cases[3].Samples, 2, 44100, 32768).Oversampled, 0u);
}

} // namespace
