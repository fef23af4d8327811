// What a video clip is, as probing found it (ClipProbe), and the bounds a clip must keep to be
// read at all. Plain values: the import, the console tool and the clip readers share them.
#pragma once

#include <cstdint>
#include <string>

namespace media {

struct ClipLimits {
    std::int32_t MaxSide = 8192;         // pixels, either side of the stored picture
    std::int64_t MaxPixels = 40'000'000; // width × height of the stored picture
    double MaxFrameRate = 240;           // average frames per second
    // A length the header gives is believed unless it is missing or absurd; the length is then
    // found by reading the clip's packets, at most this many of them and of these bytes.
    std::int64_t ScanPackets = 20'000;
    std::int64_t ScanBytes = std::int64_t{256} << 20;
    // Packets read at most, while probing, before the first picture decodes.
    std::int32_t FirstFramePackets = 300;
    // Bytes and time the container's probe may read to find its streams.
    std::int64_t ProbeBytes = 5'000'000;
};

struct ClipInfo {
    std::string Codec;            // the decoder's name: "h264", "hevc", "vp9", "av1", "mpeg4", ...
    std::int32_t Width = 0;       // the picture as shown: after the display rotation
    std::int32_t Height = 0;      //
    std::int32_t StoredWidth = 0; // the picture as coded, before rotation
    std::int32_t StoredHeight = 0;
    std::int32_t Rotation = 0; // clockwise degrees the stored picture is turned to be shown: 0,
                               // 90, 180 or 270 (from the stream's display matrix)
    double FrameRate = 0;      // average frames per second
    std::int64_t DurationMs = 0;
    bool DurationFromHeader = true; // false: the header's was absurd, the packets' is used
    bool HasSound = false;
    bool Interlaced = false;
    bool TopFieldFirst = false;
    bool Hdr = false; // PQ or HLG transfer
    // The stored colours, as FFmpeg's AVColorTransferCharacteristic, AVColorPrimaries,
    // AVColorSpace and AVColorRange codes (0 or 2: not known).
    int Transfer = 2;
    int Primaries = 2;
    int Matrix = 2;
    int Range = 0;
};

} // namespace media
