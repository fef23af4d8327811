#include "media/music/BeatTracker.h"

#include "base/Endian.h"

#include <aubio/aubio.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace media {

namespace {

constexpr uint_t kWindow = 1024; // samples the tracker analyses at a time
constexpr uint_t kHop = 512;     // samples it advances by
// The tracker drops every beat that falls in a silent hop, and digital silence is silent at any
// threshold: a click track (or a pause in the music) would lose most of its beats. A dither far
// under the quietest 16-bit step keeps the beat going through silence.
constexpr smpl_t kDither = 1e-6f;
constexpr smpl_t kSilenceDb = -200;

// The tracker places each beat where its tempo predicts one, which may lie up to about a tenth of
// a second from the sound that makes it; a beat is moved onto the nearest onset found this close.
constexpr double kSnapMs = 150;
// ...and never more than this share of the way to the beat beside it.
constexpr double kSnapShare = 0.4;

struct TempoFree {
    void operator()(aubio_tempo_t* t) const { del_aubio_tempo(t); }
};
struct OnsetFree {
    void operator()(aubio_onset_t* o) const { del_aubio_onset(o); }
};
struct VectorFree {
    void operator()(fvec_t* v) const { del_fvec(v); }
};
using Tempo = std::unique_ptr<aubio_tempo_t, TempoFree>;
using Onset = std::unique_ptr<aubio_onset_t, OnsetFree>;
using Vector = std::unique_ptr<fvec_t, VectorFree>;

} // namespace

std::vector<double> SnapBeatsToOnsets(std::vector<double> beats,
                                      const std::vector<double>& onsets) {
    // The reach is measured between the beats as found, so that they keep their order.
    const std::vector<double> found = beats;
    for (std::size_t i = 0; i < beats.size(); ++i) {
        const double beat = found[i];
        double reach = kSnapMs;
        if (i > 0)
            reach = std::min(reach, kSnapShare * (beat - found[i - 1]));
        if (i + 1 < found.size())
            reach = std::min(reach, kSnapShare * (found[i + 1] - beat));
        const auto after = std::lower_bound(onsets.begin(), onsets.end(), beat);
        double best = beat;
        double bestDistance = reach;
        for (auto it = after == onsets.begin() ? after : after - 1;
             it != onsets.end() && it <= after; ++it)
            if (const double d = std::abs(*it - beat); d <= bestDistance) {
                best = *it;
                bestDistance = d;
            }
        beats[i] = best;
    }
    return beats;
}

base::Result<std::vector<double>> DetectBeats(PcmSource& source, base::Progress* progress) {
    const PcmFormat format = source.Format();
    if (!format.Valid())
        return base::Fail("the soundtrack's sample format is not supported");
    Tempo tempo(new_aubio_tempo("default", kWindow, kHop, format.SampleRate));
    Onset onset(new_aubio_onset("default", kWindow, kHop, format.SampleRate));
    Vector hop(new_fvec(kHop)), beat(new_fvec(1)), onsetFound(new_fvec(1));
    if (!tempo || !onset || !hop || !beat || !onsetFound ||
        aubio_tempo_set_silence(tempo.get(), kSilenceDb) != 0 ||
        aubio_onset_set_silence(onset.get(), kSilenceDb) != 0)
        return base::Fail("the beat tracker cannot be set up");
    // The noise's fixed random seed: the same stream gives the same beats.
    std::uint32_t noise = 12345;
    const std::size_t block = format.BlockAlign();
    const std::size_t bytesPerSample = format.Bits / 8u;
    std::vector<std::uint8_t> buffer(kHop * 16 * block);
    std::vector<double> beats;
    std::vector<double> onsets;
    uint_t filled = 0;
    auto feed = [&] {
        aubio_tempo_do(tempo.get(), hop.get(), beat.get());
        if (fvec_get_sample(beat.get(), 0) != 0)
            beats.push_back(aubio_tempo_get_last_ms(tempo.get()));
        aubio_onset_do(onset.get(), hop.get(), onsetFound.get());
        if (fvec_get_sample(onsetFound.get(), 0) != 0)
            onsets.push_back(aubio_onset_get_last_ms(onset.get()));
    };
    while (true) {
        auto got = source.Read(buffer.data(), buffer.size());
        if (!got || *got == 0)
            break; // a decoder that fails midway ends the stream there
        for (std::size_t f = 0; f + block <= *got; f += block) {
            float sum = 0;
            for (std::size_t c = 0; c < format.Channels; ++c) {
                const std::uint8_t* s = buffer.data() + f + c * bytesPerSample;
                sum += format.Bits == 8 ? (s[0] - 128) / 128.0f
                                        : base::LoadLE<std::int16_t>(s) / 32768.0f;
            }
            noise = noise * 1664525u + 1013904223u;
            const smpl_t dither = kDither * (static_cast<smpl_t>(noise >> 8) / (1 << 23) - 1);
            fvec_set_sample(hop.get(), sum / format.Channels + dither, filled);
            if (++filled == kHop) {
                feed();
                filled = 0;
            }
        }
        if (progress) {
            progress->Pump();
            if (progress->Cancelled())
                return base::Fail("cancelled");
        }
    }
    if (filled > 0) {
        for (uint_t i = filled; i < kHop; ++i)
            fvec_set_sample(hop.get(), 0, i);
        feed();
    }
    std::sort(onsets.begin(), onsets.end());
    return SnapBeatsToOnsets(std::move(beats), onsets);
}

} // namespace media
