// Beat times of a PCM stream (the mixed soundtrack), found by libaubio's beat tracker on the
// stream's channels averaged to mono.
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

} // namespace media
