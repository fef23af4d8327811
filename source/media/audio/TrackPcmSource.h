// The audio library's decode-only stream as a PcmSource (the opener the export uses).
#pragma once

#include "media/audio/PcmSource.h"

namespace media {

// Opens a track file as a decode-only stream of the loaded audio library; fails with the
// library's error text when it cannot (or when no library is loaded).
base::Result<std::unique_ptr<PcmSource>> OpenTrackPcmSource(const std::string& path);

} // namespace media
