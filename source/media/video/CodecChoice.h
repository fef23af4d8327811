// Which compressors the export offers, which one it proposes, and the frame size that a
// compressor and a resolution choice give. Plain rules over the compressor lines, shared by the
// export dialog, the console tool and the export job.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace media {

// The resolution choices, in the order the dialog lists them.
constexpr int kResolutionHigh = 0;
constexpr int kResolutionStandard = 1;
// The sizes of today's players (MP4 output).
constexpr int kResolution720p = 2;
constexpr int kResolution1080p = 3;
constexpr int kResolution1440p = 4;
constexpr int kResolution2160p = 5;

// The quality choices of an MP4 file, in the order its dialog lists them.
constexpr int kQualityGood = 0;
constexpr int kQualityBest = 1;

// The H.264 constant quality (CRF, lower is better) of a quality choice: 20 for good, 17 for
// best; any other value counts as good. On photo slides at 720 x 528, 20 came to about 48 dB
// against the uncompressed frames, where artefacts are no longer seen on a screen; 17 adds under
// 1 dB for a file about 1.4 times as large, for those who edit or re-encode the video later.
// Lower values grow the file quickly for nothing one can see.
int QualityCrf(int quality);

// A compressor line is offered when its first four characters, in upper case, are DIVX, XVID,
// MSVC, IV32 or IV50.
bool IsOfferedCodecLine(std::string_view line);
// The offered lines, in their order.
std::vector<std::string> OfferedCodecLines(const std::vector<std::string>& lines);

// The proposal among the offered lines: the first DIVX line with high resolution, else the first
// XVID line with high, else the first MSVC, IV32 or IV50 line (in that order) with standard.
// Line is -1 when nothing is offered.
struct CodecProposal {
    int Line = -1;
    int Resolution = kResolutionHigh;
};
CodecProposal ProposeCodec(const std::vector<std::string>& offered);

// The handler code of a compressor line: its first four characters in their own case.
std::string CodecCodeOfLine(std::string_view line);

struct FrameSize {
    int Width = 0;
    int Height = 0;
    bool operator==(const FrameSize&) const = default;
};

// The video's frame size: 400 x 288 for the standard choice or a compressor other than DIVX and
// XVID (any case); for high, 720 x 528 on a screen of 768 rows or more, else 400 x 224 (228
// rounded down to a multiple of 16). No compressor (empty code) follows the choice alone. The
// 720p, 1080p, 1440p and 2160p choices give their 16:9 sizes whatever the compressor (other
// shapes: Mp4Format.h).
FrameSize ExportFrameSize(std::string_view code, int resolution, int screenHeight);

} // namespace media
