// Duration text used on the storyboard cells, the ruler and the track dialog.
#pragma once

#include <cstdint>
#include <string>

namespace project {

// Hours (not padded), two-digit minutes and two-digit seconds joined by ":"; 4530 -> "1:15:30".
std::string FormatDuration(std::int64_t seconds);

// The same for a time in milliseconds: whole seconds exactly as above, any other time with its
// tenths (rounded to nearest, halves up), the hours left out under an hour: 2200 -> "0:02.2",
// 3723400 -> "1:02:03.4".
std::string FormatDurationMs(std::int64_t ms);

} // namespace project
