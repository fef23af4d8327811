// Probing a video clip: what it is (codec, size as shown, rotation, rate, length, sound,
// interlacing, HDR) and whether it keeps the bounds. A clip is refused, with a message naming
// the file, when it has no video, a picture over the size limits, a rate over the limit, or when
// not even its first picture decodes (a file cut short). A length the header gives is believed
// unless it is missing or absurd; the length is then read from the packets, within a bounded
// scan.
#pragma once

#include "base/Result.h"
#include "media/video/ClipInfo.h"

#include <string>

namespace media {

class ClipInput;

// Probes an opened input and leaves it at its start (ready for a reader).
base::Result<ClipInfo> ProbeClip(ClipInput& input);
base::Result<ClipInfo> ProbeClipFile(const std::string& path, const ClipLimits& limits = {});

} // namespace media
