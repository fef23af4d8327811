#include "media/video/Mp4Format.h"

#include <array>

namespace media {

namespace {

struct Level {
    int Idc;
    std::int64_t MaxFrame; // H.264: macroblocks per frame; H.265: luma samples per picture
    std::int64_t MaxRate;  // H.264: macroblocks per second; H.265: luma samples per second
};

// H.264 Table A-1 (frame size and macroblock rate limits).
constexpr std::array<Level, 11> kH264{{{30, 1620, 40500},
                                       {31, 3600, 108000},
                                       {32, 5120, 216000},
                                       {40, 8192, 245760},
                                       {42, 8704, 522240},
                                       {50, 22080, 589824},
                                       {51, 36864, 983040},
                                       {52, 36864, 2073600},
                                       {60, 139264, 4177920},
                                       {61, 139264, 8355840},
                                       {62, 139264, 16711680}}};

// H.265 Table A-8 (luma picture size and sample rate limits), general_level_idc = 30 × level.
constexpr std::array<Level, 9> kH265{{{90, 983040, 33177600},
                                      {93, 2228224, 66846720},
                                      {120, 2228224, 66846720},
                                      {123, 2228224, 133693440},
                                      {150, 8912896, 267386880},
                                      {153, 8912896, 534773760},
                                      {156, 8912896, 1069547520},
                                      {180, 35651584, 1069547520},
                                      {183, 35651584, 2139095040}}};

// The largest side a level allows: sqrt(8 × MaxFrame) in the level's units.
bool SidesFit(std::int64_t a, std::int64_t b, std::int64_t maxFrame) {
    const std::int64_t limit = 8 * maxFrame;
    return a * a <= limit && b * b <= limit;
}

} // namespace

int ShortSideOf(int resolution) {
    switch (resolution) {
    case kResolution720p:
        return 720;
    case kResolution1080p:
        return 1080;
    case kResolution1440p:
        return 1440;
    case kResolution2160p:
        return 2160;
    default:
        return 0;
    }
}

int ResolutionOfShortSide(int shortSide) {
    for (int r : {kResolution720p, kResolution1080p, kResolution1440p, kResolution2160p})
        if (ShortSideOf(r) == shortSide)
            return r;
    return -1;
}

FrameSize ShapedFrameSize(int resolution, VideoShape shape, std::string_view code,
                          int screenHeight) {
    const int s = ShortSideOf(resolution);
    if (s == 0)
        return ExportFrameSize(code, resolution, screenHeight);
    switch (shape) {
    case VideoShape::Wide:
        return {s * 16 / 9, s};
    case VideoShape::Tall:
        return {s, s * 16 / 9};
    case VideoShape::Square:
        return {s, s};
    case VideoShape::Classic:
        return {s * 4 / 3, s};
    }
    return {s * 16 / 9, s};
}

std::string_view ShapeText(VideoShape shape) {
    switch (shape) {
    case VideoShape::Wide:
        return "16:9";
    case VideoShape::Tall:
        return "9:16";
    case VideoShape::Square:
        return "1:1";
    case VideoShape::Classic:
        return "4:3";
    }
    return "16:9";
}

std::optional<VideoShape> ParseShape(std::string_view text) {
    for (VideoShape s :
         {VideoShape::Wide, VideoShape::Tall, VideoShape::Square, VideoShape::Classic})
        if (ShapeText(s) == text)
            return s;
    return std::nullopt;
}

bool IsOfferedFrameRate(int fps) {
    return fps == 24 || fps == 25 || fps == 30 || fps == 50 || fps == 60;
}

int H264Level(int width, int height, int fps) {
    const std::int64_t mbw = (width + 15) / 16;
    const std::int64_t mbh = (height + 15) / 16;
    const std::int64_t frame = mbw * mbh;
    for (const Level& l : kH264)
        if (frame <= l.MaxFrame && frame * fps <= l.MaxRate && SidesFit(mbw, mbh, l.MaxFrame))
            return l.Idc;
    return kH264.back().Idc;
}

int H265Level(int width, int height, int fps) {
    const std::int64_t frame = static_cast<std::int64_t>(width) * height;
    for (const Level& l : kH265)
        if (frame <= l.MaxFrame && frame * fps <= l.MaxRate && SidesFit(width, height, l.MaxFrame))
            return l.Idc;
    return kH265.back().Idc;
}

std::string SofterVideoWarning(FrameSize video, int photoWidth, int photoHeight) {
    if (video.Width <= photoWidth && video.Height <= photoHeight)
        return {};
    const std::string size = std::to_string(video.Width) + "x" + std::to_string(video.Height);
    return "the video (" + std::to_string(video.Width) + " x " + std::to_string(video.Height) +
           ") is larger than the show's photos (at most " + std::to_string(photoWidth) + " x " +
           std::to_string(photoHeight) +
           "), so it will look softer. For a sharp video, set the photo size to " + size +
           " or more (the settings, or new --resolution " + size + ") and add the photos again.";
}

std::span<const Mp4Preset> Mp4Presets() {
    static constexpr std::array<Mp4Preset, 4> kPresets{{
        {"youtube", "YouTube / TV 1080p", kResolution1080p, VideoShape::Wide, 30, Mp4Coding::H264},
        {"4k", "4K", kResolution2160p, VideoShape::Wide, 30, Mp4Coding::H264},
        {"phone", "Phone (upright)", kResolution1080p, VideoShape::Tall, 30, Mp4Coding::H264},
        {"square", "Square", kResolution1080p, VideoShape::Square, 30, Mp4Coding::H264},
    }};
    return kPresets;
}

const Mp4Preset* FindMp4Preset(std::string_view key) {
    for (const Mp4Preset& p : Mp4Presets())
        if (p.Key == key)
            return &p;
    return nullptr;
}

} // namespace media
