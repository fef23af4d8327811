// The video compressors this program offers: libavcodec encoders that serve the handler codes of
// AVI files (DIVX, DX50, FMP4 and XVID by the MPEG-4 part 2 encoder with that code as its tag,
// MSVC by the Video-1 encoder). Only those whose encoder the linked libavcodec has are listed.
#pragma once

#include "base/Result.h"

#include <string>
#include <string_view>
#include <vector>

namespace media {

enum class CodecFamily { Mpeg4, Video1 };

struct VideoCodec {
    const char* Code;      // the handler code, upper case
    const char* ShortName; // up to 16 characters
    CodecFamily Family;
};

// The compressor lines: "No Compression" first, then "CODE short name" per available code.
std::vector<std::string> ListCodecs();

// The compressor for a code (first four characters, any case); null when none is available.
const VideoCodec* FindCodec(std::string_view code);

// The message for a code nothing compresses: "No compressor for CODE\n available".
std::string NoCompressorMessage(std::string_view code);

// The text of a failing call followed by its result code as eight upper-case hexadecimal digits
// (a negative errno or libav error taken as unsigned 32 bits).
std::string WithCode(std::string_view text, int code);

} // namespace media
