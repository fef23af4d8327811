#include "media/video/VideoCodecs.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <array>
#include <cctype>
#include <cstdio>

namespace media {

namespace {

constexpr std::array<VideoCodec, 5> kCodecs{{
    {"DIVX", "MPEG-4 part 2", CodecFamily::Mpeg4},
    {"DX50", "MPEG-4 part 2", CodecFamily::Mpeg4},
    {"FMP4", "MPEG-4 part 2", CodecFamily::Mpeg4},
    {"XVID", "MPEG-4 part 2", CodecFamily::Mpeg4},
    {"MSVC", "Video-1", CodecFamily::Video1},
}};

bool Available(const VideoCodec& c) {
    const AVCodecID id = c.Family == CodecFamily::Mpeg4 ? AV_CODEC_ID_MPEG4 : AV_CODEC_ID_MSVIDEO1;
    const AVCodec* encoder = avcodec_find_encoder(id);
    return encoder != nullptr;
}

} // namespace

std::vector<std::string> ListCodecs() {
    std::vector<std::string> lines{"No Compression"};
    for (const VideoCodec& c : kCodecs)
        if (Available(c))
            lines.push_back(std::string(c.Code) + " " + c.ShortName);
    return lines;
}

const VideoCodec* FindCodec(std::string_view code) {
    code = code.substr(0, 4);
    for (const VideoCodec& c : kCodecs) {
        bool same = code.size() == 4;
        for (std::size_t i = 0; same && i < 4; ++i)
            same = std::toupper(static_cast<unsigned char>(code[i])) == c.Code[i];
        if (same)
            return Available(c) ? &c : nullptr;
    }
    return nullptr;
}

std::string NoCompressorMessage(std::string_view code) {
    return "No compressor for " + std::string(code.substr(0, 4)) + "\n available";
}

std::string WithCode(std::string_view text, int code) {
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(code));
    return std::string(text) + hex;
}

} // namespace media
