// The video output the show was last saved as: the MP4's size, shape, frame rate, codec, quality,
// preset and the encoder's speed and constant quality, and the AVI's compressor and size. Plain
// values in the numbering of the export's choices (media/video/CodecChoice.h, Mp4Format.h); the
// defaults are the choices a show that never saved a video starts with.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace project {

enum class OutputContainer : std::uint8_t { Avi, Mp4 };

struct OutputSettings {
    OutputContainer Container = OutputContainer::Avi; // the kind of file saved last
    std::string AviCodec;                             // 4 characters, "none", or "" (proposed)
    int AviResolution = 0;                            // high (0) or standard (1)
    int Mp4Resolution = 2;                            // 720p (2) ... 2160p (5), high, standard
    int Shape = 0;                                    // 16:9, 9:16, 1:1, 4:3
    int Fps = 25;                                     // 24, 25, 30, 50 or 60
    int Codec = 0;                                    // H.264 (0) or H.265 (1)
    int Quality = 0;                                  // good (0) or best (1)
    std::string Preset;                               // the preset the choices make, or ""
    std::string Speed;                                // encoder speed name; "" = veryfast
    int Crf = 0;                                      // 1..51; 0 = the quality's own
    bool operator==(const OutputSettings&) const = default;
    bool IsDefault() const { return *this == OutputSettings{}; }
};

// The encoder speeds, fastest first, as x264 and x265 name them.
constexpr std::array<std::string_view, 9> kEncoderSpeeds{
    "ultrafast", "superfast", "veryfast", "faster", "fast", "medium", "slow", "slower", "veryslow"};
// The speed used when none is chosen: the slide show is mostly stills and smooth transitions.
constexpr std::string_view kDefaultEncoderSpeed = "veryfast";
constexpr int kMaxCrf = 51;

// The place of a speed in kEncoderSpeeds, or nullopt for another name.
std::optional<std::size_t> EncoderSpeedIndex(std::string_view name);

// The settings with every value outside its range back at its default (a stored block, a hand
// edit): what the export may be given.
OutputSettings ClampedOutputSettings(OutputSettings settings);

} // namespace project
