#include "media/LoudnessMeter.h"

#include "base/Endian.h"

#include <ebur128.h>

#include <cmath>
#include <vector>

namespace media {

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
    m->state_ = std::make_unique<State>();
    m->state_->Handle =
        ebur128_init(format.Channels, format.SampleRate, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    if (!m->state_->Handle)
        return base::Fail("the loudness meter cannot be set up");
    // A mono track plays on both sides of the stereo soundtrack.
    if (format.Channels == 1 && ebur128_set_channel(m->state_->Handle, 0, EBUR128_DUAL_MONO) != 0)
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
    if (ebur128_add_frames_short(state_->Handle, widened_.data(), frames) != EBUR128_SUCCESS)
        return base::Fail("the loudness meter failed");
    return {};
}

base::Result<TrackLoudness> LoudnessMeter::Result() const {
    TrackLoudness out;
    if (ebur128_loudness_global(state_->Handle, &out.IntegratedLufs) != EBUR128_SUCCESS)
        return base::Fail("the loudness meter failed");
    double peak = 0;
    for (unsigned c = 0; c < format_.Channels; ++c) {
        double p = 0;
        if (ebur128_true_peak(state_->Handle, c, &p) != EBUR128_SUCCESS)
            return base::Fail("the loudness meter failed");
        peak = std::max(peak, p);
    }
    out.TruePeakDbtp = peak > 0 ? 20 * std::log10(peak) : -HUGE_VAL;
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
