// What the library reads from Ogg files itself: the comment block of the first logical stream
// and that stream's last granule position, which for Vorbis is its exact sample count.
#pragma once

#include "ByteSource.h"

#include <cstdint>
#include <string>

namespace bass {

// The comments of a Vorbis ("\x03vorbis") or Opus ("OpusTags") comment packet as
// "key=value\0...\0" followed by one more NUL. False when the packet is not one of those or its
// lengths do not fit inside it.
bool ParseCommentPacket(const std::uint8_t* data, std::size_t size, std::string* block);

// Reads the second packet of the first logical stream and parses it as above.
bool ReadOggComments(const ByteSource& source, std::string* block);

struct OggStreamInfo {
    bool vorbis = false;
    std::uint64_t lastGranule = 0; // sample frames of every link together
    int links = 0;                 // logical streams played one after another (chained files)
};

// Walks the pages of the file (checksums checked, damaged pages skipped) and adds up the last
// granule position of the decoded stream of each link. False when the file does not start with
// an intact Ogg page, no page gives a granule position, the links differ in format, the
// positions are implausible for the file's size or the file is mostly not pages.
bool ReadOggStreamInfo(const ByteSource& source, OggStreamInfo* info);

} // namespace bass
