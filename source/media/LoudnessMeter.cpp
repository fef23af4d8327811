#include "media/LoudnessMeter.h"

#include "base/Endian.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace media {

namespace {
constexpr std::size_t kStretch = 128; // frames judged at a time for the true peak
constexpr std::size_t kSettle = 32;   // frames fed before and after a stretch (> filter length)
constexpr double kSkipBelow = 0.5;    // 6 dB: quieter stretches cannot hold the true peak
} // namespace

struct LoudnessMeter::State {
    ebur128_state* Handle = nullptr;
    ~State() {
        if (Handle)
            ebur128_destroy(&Handle);
    }
};

base::Result<std::unique_ptr<LoudnessMeter>> LoudnessMeter::Create(const PcmFormat& format) {
    if (!format.Valid())
        return base::Fail("the track's sample format is not supported");
    std::unique_ptr<LoudnessMeter> m(new LoudnessMeter);
    m->format_ = format;
    m->loudness_ = std::make_unique<State>();
    m->peak_ = std::make_unique<State>();
    m->loudness_->Handle = ebur128_init(format.Channels, format.SampleRate, EBUR128_MODE_I);
    m->peak_->Handle = ebur128_init(format.Channels, format.SampleRate, EBUR128_MODE_TRUE_PEAK);
    if (!m->loudness_->Handle || !m->peak_->Handle)
        return base::Fail("the loudness meter cannot be set up");
    // A mono track plays on both sides of the stereo soundtrack.
    if (format.Channels == 1 &&
        ebur128_set_channel(m->loudness_->Handle, 0, EBUR128_DUAL_MONO) != EBUR128_SUCCESS)
        return base::Fail("the loudness meter cannot be set up");
    return m;
}

LoudnessMeter::~LoudnessMeter() = default;

base::Status LoudnessMeter::Add(std::span<const std::uint8_t> samples) {
    const std::size_t frames = samples.size() / format_.BlockAlign();
    if (frames == 0)
        return {};
    const std::size_t count = frames * format_.Channels;
    widened_.resize(count);
    if (format_.Bits == 8) {
        for (std::size_t i = 0; i < count; ++i)
            widened_[i] = static_cast<std::int16_t>((samples[i] - 128) * 256);
    } else {
        for (std::size_t i = 0; i < count; ++i)
            widened_[i] = base::LoadLE<std::int16_t>(samples.data() + 2 * i);
    }
    if (ebur128_add_frames_short(loudness_->Handle, widened_.data(), frames) != EBUR128_SUCCESS)
        return base::Fail("the loudness meter failed");
    return AddPeaks(widened_.data(), frames);
}

base::Status LoudnessMeter::AddPeaks(const std::int16_t* samples, std::size_t frames) {
    const std::size_t channels = format_.Channels;
    ebur128_state* meter = peak_->Handle;
    // Feeds frames; their peak counts unless they only settle the interpolator.
    auto feed = [&](const std::int16_t* at, std::size_t n, bool counts) {
        if (n == 0)
            return true;
        if (ebur128_add_frames_short(meter, at, n) != EBUR128_SUCCESS)
            return false;
        for (unsigned c = 0; counts && c < channels; ++c) {
            double p = 0;
            if (ebur128_prev_true_peak(meter, c, &p) != EBUR128_SUCCESS)
                return false;
            truePeak_ = std::max(truePeak_, p);
        }
        return true;
    };
    for (std::size_t at = 0; at < frames; at += kStretch) {
        const std::size_t n = std::min(kStretch, frames - at);
        const std::int16_t* stretch = samples + at * channels;
        int peak = 0;
        for (std::size_t i = 0; i < n * channels; ++i)
            peak = std::max(peak, std::abs(static_cast<int>(stretch[i])));
        const bool fed = peak / 32768.0 > kSkipBelow * truePeak_;
        bool ok = true;
        if (fed) {
            if (!lastFed_) // the frames before it settle the interpolator, not counted
                ok = feed(tail_.data(), tail_.size() / channels, false);
            ok = ok && feed(stretch, n, true);
        } else if (lastFed_) {
            // The interpolator lags: the start of this stretch ends the one before.
            ok = feed(stretch, std::min(n, kSettle), true);
        }
        if (!ok)
            return base::Fail("the loudness meter failed");
        lastFed_ = fed;
        // Keep the last kSettle frames for the next stretch.
        const std::size_t keep = std::min(n, kSettle) * channels;
        tail_.insert(tail_.end(), stretch + n * channels - keep, stretch + n * channels);
        if (tail_.size() > kSettle * channels)
            tail_.erase(tail_.begin(), tail_.begin() + static_cast<std::ptrdiff_t>(
                                                           tail_.size() - kSettle * channels));
    }
    return {};
}

base::Result<TrackLoudness> LoudnessMeter::Result() const {
    TrackLoudness out;
    if (ebur128_loudness_global(loudness_->Handle, &out.IntegratedLufs) != EBUR128_SUCCESS)
        return base::Fail("the loudness meter failed");
    out.TruePeakDbtp = truePeak_ > 0 ? 20 * std::log10(truePeak_) : -HUGE_VAL;
    return out;
}

base::Result<TrackLoudness> MeasureLoudness(PcmSource& source, base::Progress* progress) {
    auto meter = LoudnessMeter::Create(source.Format());
    if (!meter)
        return base::Fail(meter.error());
    const std::size_t block = source.Format().BlockAlign();
    std::vector<std::uint8_t> buffer(65536 - 65536 % block);
    while (true) {
        auto got = source.Read(buffer.data(), buffer.size());
        if (!got || *got == 0)
            break; // a decoder that fails midway ends the measure where it got to
        if (auto st = (*meter)->Add({buffer.data(), *got}); !st)
            return base::Fail(st.error());
        if (progress) {
            progress->Pump();
            if (progress->Cancelled())
                return base::Fail("cancelled");
        }
    }
    return (*meter)->Result();
}

} // namespace media
