// A track's integrated loudness (EBU R128) and true peak, measured by libebur128 from the
// samples as they are decoded, so measuring costs one decode and the meter's own work. A mono
// track is counted on both sides, as the soundtrack plays it.
//
// The true peak (libebur128 oversamples 4×) costs several times a decode when every sample goes
// through it. An interpolated value is a weighted sum of the samples around it whose weights add
// up to far less than twice full gain, so a stretch whose sample peak is 6 dB or more under the
// true peak found so far cannot raise it: only the other stretches are oversampled, each with the
// frames before it to settle the interpolator and a few after it, so nothing is missed at the
// edges.
#pragma once

#include "base/Job.h"
#include "base/Result.h"
#include "media/PcmSource.h"

#include <cstdint>
#include <memory>
#include <span>

namespace media {

struct TrackLoudness {
    double IntegratedLufs = 0; // −infinity for silence
    double TruePeakDbtp = 0;   // −infinity for silence
};

class LoudnessMeter {
public:
    static base::Result<std::unique_ptr<LoudnessMeter>> Create(const PcmFormat& format);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    // Whole sample frames of the format given at creation (a partial frame is ignored).
    base::Status Add(std::span<const std::uint8_t> samples);
    // The loudness of everything added so far.
    base::Result<TrackLoudness> Result() const;

private:
    LoudnessMeter() = default;
    base::Status AddPeaks(const std::int16_t* samples, std::size_t frames);
    struct State; // a meter's handle (libebur128 declares its type without a tag)
    std::unique_ptr<State> loudness_; // every frame, integrated loudness only
    std::unique_ptr<State> peak_;     // the stretches that may hold the true peak
    PcmFormat format_;
    std::vector<std::int16_t> widened_; // the samples as 16-bit for the meters
    std::vector<std::int16_t> tail_;    // the last frames added, to settle the interpolator
    bool lastFed_ = false;              // the stretch before went through the peak meter
    double truePeak_ = 0;               // linear, of the stretches oversampled
};

// Decodes the source to its end once, measuring as it goes. Pumps the progress after every
// block and stops (failing with "cancelled") when it is cancelled. A decoder that fails midway
// ends the measure there.
base::Result<TrackLoudness> MeasureLoudness(PcmSource& source, base::Progress* progress);

} // namespace media
