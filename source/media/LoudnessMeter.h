// A track's integrated loudness (EBU R128) and true peak, measured by libebur128 from the
// samples as they are decoded, so measuring costs one decode and the meter's own work. A mono
// track is counted on both sides, as the soundtrack plays it.
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
    struct State; // the meter's handle (libebur128 declares its type without a tag)
    std::unique_ptr<State> state_;
    PcmFormat format_;
    std::vector<std::int16_t> widened_; // 8-bit samples as 16-bit for the meter
};

// Decodes the source to its end once, measuring as it goes. Pumps the progress after every
// block and stops (failing with "cancelled") when it is cancelled. A decoder that fails midway
// ends the measure there.
base::Result<TrackLoudness> MeasureLoudness(PcmSource& source, base::Progress* progress);

} // namespace media
