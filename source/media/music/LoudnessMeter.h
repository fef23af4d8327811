// A track's integrated loudness (EBU R128) and true peak, measured by libebur128 from the
// samples as they are decoded, so measuring costs one decode and the meters' own work. A mono
// track is counted on both sides, as the soundtrack plays it.
//
// The integrated loudness takes every frame (EBUR128_MODE_I); the true peak oversamples only the
// stretches that may hold it (TruePeakScan). MeasureLoudness runs the two meters on threads of
// their own beside the decoding, so the measure takes about as long as the slowest of the three.
#pragma once

#include "base/Job.h"
#include "base/Result.h"
#include "media/audio/PcmSource.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace media {

struct TrackLoudness {
    double IntegratedLufs = 0; // −infinity for silence
    double TruePeakDbtp = 0;   // −infinity for silence
};

// The two meters of one measure: MeasureLoudness feeds each from a thread of its own.
class LoudnessMeter {
public:
    static base::Result<std::unique_ptr<LoudnessMeter>> Create(const PcmFormat& format);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    // The loudness of everything added; nothing may be added after.
    base::Result<TrackLoudness> Finish();

private:
    friend base::Result<TrackLoudness> MeasureLoudness(PcmSource&, base::Progress*);
    LoudnessMeter() = default;
    // Interleaved 16-bit frames of the format given at creation, in order, to each meter.
    base::Status AddLoudness(const std::vector<std::int16_t>& samples);
    base::Status AddPeaks(const std::vector<std::int16_t>& samples);
    struct Meters;
    std::unique_ptr<Meters> meters_;
    PcmFormat format_;
};

// The source's samples as 16-bit, whole frames only, into `out`.
void WidenSamples(const PcmFormat& format, std::span<const std::uint8_t> samples,
                  std::vector<std::int16_t>& out);

// Decodes the source to its end once, measuring as it goes (the meters on two threads of their
// own). Pumps the progress after every block and stops (failing with "cancelled") when it is
// cancelled. A decoder that fails midway ends the measure there.
base::Result<TrackLoudness> MeasureLoudness(PcmSource& source, base::Progress* progress);

} // namespace media
