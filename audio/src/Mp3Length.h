// Length of an MPEG audio file without decoding it: from the Xing/Info or VBRI header of the
// first frame when there is one, otherwise by walking the frame headers.
#pragma once

#include "ByteSource.h"

#include <cstdint>

namespace bass {

struct MpegHeader {
    int version = 0;    // 1 = MPEG-1, 2 = MPEG-2, 25 = MPEG-2.5
    int layer = 0;      // 1..3
    int sampleRate = 0; // Hz
    int channels = 0;   // 1 or 2
    int frameBytes = 0; // whole frame, header included
    int samples = 0;    // samples per channel in the frame
    int sideInfo = 0;   // bytes of side information after the header (layer III)
};

// Parses a 4-byte frame header; false for anything that is not a usable header (free format
// included).
bool ParseMpegHeader(const std::uint8_t* p, MpegHeader* h);

struct Mp3Length {
    std::uint64_t samples = 0; // samples per channel the decoder delivers
    int sampleRate = 0;
    int channels = 0;
    bool fromHeader = false; // Xing/Info/VBRI rather than a frame walk
};

// Measures the stream. False when no MPEG audio frame is found.
bool MeasureMp3(const ByteSource& source, Mp3Length* out);

// Size of the ID3v2 tag at the start of the file (header, body and footer), 0 when none.
std::uint64_t Id3v2PrefixSize(const ByteSource& source);

} // namespace bass
