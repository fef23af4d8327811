// Beat times of a PCM stream (the mixed soundtrack), found by libaubio's beat tracker on the
// stream's channels averaged to mono, each moved onto the onset (the sound's attack) it stands
// for, so that a cut on it lands where the beat is heard.
#pragma once

#include "base/Job.h"
#include "base/Result.h"
#include "media/audio/PcmSource.h"

#include <vector>

namespace media {

// Reads the source to its end once; the beats in milliseconds from its first sample, rising.
// Pumps the progress after every block and fails with "cancelled" when it is cancelled. A
// decoder that fails midway ends the stream there.
base::Result<std::vector<double>> DetectBeats(PcmSource& source, base::Progress* progress);

// The beats (rising, in ms), each moved onto the nearest onset (rising, in ms) within 150 ms and
// within 0.4 of the way to either neighbouring beat (so no two take the same onset); a beat with
// no onset so near stays.
std::vector<double> SnapBeatsToOnsets(std::vector<double> beats, const std::vector<double>& onsets);

} // namespace media
