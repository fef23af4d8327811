// What the AVI and MP4 writers share: fitting a picture into the video's frame, the progress
// notice every 20 frames, and where their temporary files go.
#pragma once

#include "imaging/Bitmap.h"

#include <cstdint>
#include <functional>
#include <string>

namespace media {

using FrameProgressHandler = std::function<void(std::int64_t frameCount, bool& abort)>;

// The picture as a width x height frame: itself when it already has that size, otherwise drawn
// into scratch (black), stretched or centred.
const imaging::Bgr& FitToFrame(const imaging::Bitmap& picture, int width, int height, bool stretch,
                               imaging::Bitmap& scratch);

// Calls the handler for every multiple of 20 frames passed from before to after; true when it
// asked to abort.
bool ReportEveryTwentyFrames(const FrameProgressHandler& handler, std::int64_t before,
                             std::int64_t after);

// The folder of a file path, with its '/' ("." when the path has none).
std::string FolderOf(const std::string& path);

} // namespace media
