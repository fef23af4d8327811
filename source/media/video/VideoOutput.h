// Which files a video may be written to. One check for the console tool and the window alike,
// made before any frame is composed: the container named by the extension, never a show file
// (writing a video over the show would destroy every photo and track), never a folder, and a
// folder that exists to hold it.
#pragma once

#include "base/Result.h"

#include <string>

namespace media {

enum class VideoContainer { Avi, Mp4 };

// The container of an output path by its extension (any case): ".avi" or ".mp4"; anything else
// is refused with a sentence naming the file. showPath, when not empty, is the show being
// exported: the output may not be that file under any name (a link or another spelling).
base::Result<VideoContainer> CheckVideoOutput(const std::string& outputPath,
                                              const std::string& showPath = {});

// The lower-case extension of a path's last component, with its dot ("" when it has none).
std::string LowerExtension(const std::string& path);

} // namespace media
