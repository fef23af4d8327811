// The MP4 video's choices beyond the AVI's: the size by its short side crossed with a shape, the
// frame rate, H.264 or H.265, the coding level that fits them, and the named presets. Plain rules
// shared by the console tool, the dialog and the export job.
#pragma once

#include "media/video/CodecChoice.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace media {

enum class VideoShape { Wide, Tall, Square, Classic }; // 16:9, 9:16, 1:1, 4:3

enum class Mp4Coding { H264, H265 };

// The short side of an MP4 size choice (720, 1080, 1440, 2160), 0 for the AVI sizes.
int ShortSideOf(int resolution);
// The resolution choice of a short side (kResolution720p ...), -1 for another number.
int ResolutionOfShortSide(int shortSide);

// The frame of a short-side choice in a shape: 1920 x 1080, 1080 x 1920, 1080 x 1080,
// 1440 x 1080 for 1080, and so on. The AVI sizes keep ExportFrameSize's size whatever the shape.
FrameSize ShapedFrameSize(int resolution, VideoShape shape, std::string_view code = {},
                          int screenHeight = 768);

// "16:9", "9:16", "1:1", "4:3".
std::string_view ShapeText(VideoShape shape);
std::optional<VideoShape> ParseShape(std::string_view text);

// The frame rates offered: 24, 25, 30, 50 and 60.
bool IsOfferedFrameRate(int fps);

// The lowest coding level whose frame size and rate limits hold the video: H.264's level_idc
// (31, 40, 42, 51, 52 ...) and H.265's general_level_idc (30 × the level: 93, 120, 123, 150 ...).
int H264Level(int width, int height, int fps);
int H265Level(int width, int height, int fps);

// The warning when the video is larger than the show's photos (fitted at import to
// photoWidth x photoHeight, the photo-size setting): it will look softer, and how to fix that.
// "" when the photos are large enough.
std::string SofterVideoWarning(FrameSize video, int photoWidth, int photoHeight);

struct Mp4Preset {
    std::string_view Key;  // the console tool's name
    std::string_view Name; // what the dialog shows
    int Resolution = kResolution1080p;
    VideoShape Shape = VideoShape::Wide;
    int Fps = 30;
    Mp4Coding Codec = Mp4Coding::H264;
};
// "YouTube / TV 1080p", "4K", "Phone (upright)", "Square", in that order.
std::span<const Mp4Preset> Mp4Presets();
const Mp4Preset* FindMp4Preset(std::string_view key);

} // namespace media
