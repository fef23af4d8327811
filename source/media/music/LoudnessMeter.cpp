#include "media/music/LoudnessMeter.h"

#include "base/Endian.h"
#include "media/music/BlockWorker.h"
#include "media/music/TruePeakScan.h"

#include <ebur128.h>

#include <cmath>

namespace media {

namespace {
constexpr std::size_t kBlockFrames = 32768; // frames decoded and handed on at a time
} // namespace

struct LoudnessMeter::Meters {
    ebur128_state* Loudness = nullptr;
    std::unique_ptr<TruePeakScan> Peaks;
    ~Meters() {
        if (Loudness)
            ebur128_destroy(&Loudness);
    }
};

void WidenSamples(const PcmFormat& format, std::span<const std::uint8_t> samples,
                  std::vector<std::int16_t>& out) {
    const std::size_t count = samples.size() / format.BlockAlign() * format.Channels;
    out.resize(count);
    if (format.Bits == 8) {
        for (std::size_t i = 0; i < count; ++i)
            out[i] = static_cast<std::int16_t>((samples[i] - 128) * 256);
    } else {
        for (std::size_t i = 0; i < count; ++i)
            out[i] = base::LoadLE<std::int16_t>(samples.data() + 2 * i);
    }
}

base::Result<std::unique_ptr<LoudnessMeter>> LoudnessMeter::Create(const PcmFormat& format) {
    if (!format.Valid())
        return base::Fail("the track's sample format is not supported");
    std::unique_ptr<LoudnessMeter> m(new LoudnessMeter);
    m->format_ = format;
    m->meters_ = std::make_unique<Meters>();
    m->meters_->Loudness = ebur128_init(format.Channels, format.SampleRate, EBUR128_MODE_I);
    if (!m->meters_->Loudness)
        return base::Fail("the loudness meter cannot be set up");
    // A mono track plays on both sides of the stereo soundtrack.
    if (format.Channels == 1 &&
        ebur128_set_channel(m->meters_->Loudness, 0, EBUR128_DUAL_MONO) != EBUR128_SUCCESS)
        return base::Fail("the loudness meter cannot be set up");
    auto peaks = TruePeakScan::Create(format.Channels, format.SampleRate);
    if (!peaks)
        return base::Fail(peaks.error());
    m->meters_->Peaks = std::move(*peaks);
    return m;
}

LoudnessMeter::~LoudnessMeter() = default;

base::Status LoudnessMeter::AddLoudness(const std::vector<std::int16_t>& samples) {
    if (ebur128_add_frames_short(meters_->Loudness, samples.data(),
                                 samples.size() / format_.Channels) != EBUR128_SUCCESS)
        return base::Fail("the loudness meter failed");
    return {};
}

base::Status LoudnessMeter::AddPeaks(const std::vector<std::int16_t>& samples) {
    return meters_->Peaks->Add(samples.data(), samples.size() / format_.Channels);
}

base::Result<TrackLoudness> LoudnessMeter::Finish() {
    TrackLoudness out;
    if (ebur128_loudness_global(meters_->Loudness, &out.IntegratedLufs) != EBUR128_SUCCESS)
        return base::Fail("the loudness meter failed");
    auto peak = meters_->Peaks->Finish();
    if (!peak)
        return base::Fail(peak.error());
    out.TruePeakDbtp = *peak > 0 ? 20 * std::log10(*peak) : -HUGE_VAL;
    return out;
}

base::Result<TrackLoudness> MeasureLoudness(PcmSource& source, base::Progress* progress) {
    auto created = LoudnessMeter::Create(source.Format());
    if (!created)
        return base::Fail(created.error());
    LoudnessMeter& meter = **created;
    const PcmFormat format = source.Format();
    using Block = BlockWorker<std::vector<std::int16_t>>;
    // Each meter takes every block on its own thread while the next block is decoded here.
    Block loudness([&](const std::vector<std::int16_t>& b) { return meter.AddLoudness(b); });
    Block peaks([&](const std::vector<std::int16_t>& b) { return meter.AddPeaks(b); });
    std::vector<std::uint8_t> bytes(kBlockFrames * format.BlockAlign());
    base::Status stopped;
    while (true) {
        // Fill a whole block: the decoder hands out a few kilobytes a call.
        std::size_t filled = 0;
        while (filled < bytes.size()) {
            auto got = source.Read(bytes.data() + filled, bytes.size() - filled);
            if (!got || *got == 0)
                break; // a decoder that fails midway ends the measure where it got to
            filled += *got;
        }
        if (filled == 0)
            break;
        auto block = std::make_shared<std::vector<std::int16_t>>();
        WidenSamples(format, {bytes.data(), filled}, *block);
        if (!loudness.Push(block) || !peaks.Push(block))
            break; // a meter failed: its message comes with Close
        if (progress) {
            progress->Pump();
            if (progress->Cancelled()) {
                stopped = base::Fail("cancelled");
                break;
            }
        }
        if (filled < bytes.size())
            break;
    }
    const base::Status a = loudness.Close();
    const base::Status b = peaks.Close();
    if (!stopped)
        return base::Fail(stopped.error());
    if (!a)
        return base::Fail(a.error());
    if (!b)
        return base::Fail(b.error());
    return meter.Finish();
}

} // namespace media
