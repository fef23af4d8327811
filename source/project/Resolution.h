// The photo size as the settings and the show file name it: "WxH".
#pragma once

#include <string>

namespace project {

// Parses "WxH" as the import does: W = digits before the first 'x', H = up to five characters
// after it. Returns false (and leaves the outputs alone) when either is missing or not a number.
bool ParseResolution(const std::string& text, int& width, int& height);

} // namespace project
