// The show's stored output settings and the export's options, both ways: what an export starts
// from when nothing else is chosen, and what it stores in the show once a video is written. Plain
// rules shared by the console tool and the window.
#pragma once

#include "media/export/VideoExport.h"
#include "project/OutputSettings.h"

#include <optional>
#include <string>
#include <vector>

namespace media {

// The MP4 choices of the settings (size, shape, rate, codec, quality, speed, constant quality).
// Values out of range count as their defaults.
void ApplyMp4Settings(const project::OutputSettings& settings, VideoExportOptions& options);

// The AVI compressor the settings name among the offered lines: its handler code, "" for
// uncompressed ("none"), or nullopt when the settings name none or one that is not offered (the
// caller proposes one then).
std::optional<std::string> StoredAviCodec(const project::OutputSettings& settings,
                                          const std::vector<std::string>& offered);

// The settings after an export with these options: the container of the output's name and its
// choices; the other container's choices stay as they were.
project::OutputSettings UsedOutputSettings(project::OutputSettings settings,
                                           const VideoExportOptions& used);

// The preset whose choices these are, nullptr when they are the user's own.
const Mp4Preset* MatchingMp4Preset(int resolution, VideoShape shape, int fps, Mp4Coding codec);

// The constant quality an MP4 export encodes at: the chosen one, else its quality's.
int ExportCrf(const VideoExportOptions& options);

// The size choice as the console tool names it: "720p" ... "2160p", "high" or "standard".
std::string SizeChoiceText(int resolution);

} // namespace media
