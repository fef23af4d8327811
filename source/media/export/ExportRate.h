// What the export's progress tells besides the share done: frames written of the total, the speed
// in frames per second and the time left at that speed.
#pragma once

#include <cstdint>
#include <string>

namespace media {

// "1234 / 5000 frames, 41.2 fps, 1:31 left" ("... fps" alone while nothing is left or the speed
// is not known yet). The time left is rounded up to whole seconds.
std::string ExportRateText(std::int64_t done, std::int64_t total, double elapsedSeconds);

} // namespace media
