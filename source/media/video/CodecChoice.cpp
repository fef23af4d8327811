#include "media/video/CodecChoice.h"

#include "media/video/Mp4Writer.h"

#include <array>
#include <cctype>

namespace media {

namespace {

std::string UpperCode(std::string_view line) {
    std::string code(line.substr(0, 4));
    for (char& c : code)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return code;
}

int RoundDown16(int v) {
    return v / 16 * 16;
}

} // namespace

bool IsOfferedCodecLine(std::string_view line) {
    const std::string code = UpperCode(line);
    return code == "DIVX" || code == "XVID" || code == "MSVC" || code == "IV32" || code == "IV50";
}

std::vector<std::string> OfferedCodecLines(const std::vector<std::string>& lines) {
    std::vector<std::string> offered;
    for (const std::string& line : lines)
        if (IsOfferedCodecLine(line))
            offered.push_back(line);
    return offered;
}

CodecProposal ProposeCodec(const std::vector<std::string>& offered) {
    struct Row {
        const char* Code;
        int Resolution;
    };
    static constexpr std::array<Row, 5> kRows{{{"DIVX", kResolutionHigh},
                                               {"XVID", kResolutionHigh},
                                               {"MSVC", kResolutionStandard},
                                               {"IV32", kResolutionStandard},
                                               {"IV50", kResolutionStandard}}};
    for (const Row& row : kRows)
        for (std::size_t i = 0; i < offered.size(); ++i)
            if (UpperCode(offered[i]) == row.Code)
                return {static_cast<int>(i), row.Resolution};
    return {};
}

std::string CodecCodeOfLine(std::string_view line) {
    return std::string(line.substr(0, 4));
}

FrameSize ExportFrameSize(std::string_view code, int resolution, int screenHeight) {
    if (resolution == kResolution720p)
        return {1280, 720};
    if (resolution == kResolution1080p)
        return {1920, 1080};
    if (resolution == kResolution1440p)
        return {2560, 1440};
    if (resolution == kResolution2160p)
        return {3840, 2160};
    const std::string upper = UpperCode(code);
    const bool highCapable = code.empty() || upper == "DIVX" || upper == "XVID";
    if (resolution != kResolutionHigh || !highCapable)
        return {400, 288};
    if (screenHeight >= 768)
        return {720, 528};
    return {RoundDown16(400), RoundDown16(228)};
}

int QualityCrf(int quality) {
    return quality == kQualityBest ? Mp4Writer::kBestCrf : Mp4Writer::kGoodCrf;
}

} // namespace media
