// The title shown for a music track: "artist - title" from the file's tags (ID3v2, then ID3v1
// for MP3; the comments for OGG), else the file name without its extension. Titles are UTF-8,
// like every text in a show.
#pragma once

#include "base/Result.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace media {

struct ArtistTitle {
    std::string artist;
    std::string title;
    // artist + " - " + title when both are set, else whichever is set, else empty.
    std::string Joined() const;
};

// An ID3v2.3 or 2.4 tag block starting with its 10-byte header; size is the block's length.
ArtistTitle ReadId3v2Title(const std::uint8_t* tag, std::size_t size);
// The 128-byte ID3v1 block.
ArtistTitle ReadId3v1Title(const std::uint8_t* tag, std::size_t size);
// Ogg comments: NUL-terminated "key=value" strings ending with an empty one, within size bytes.
ArtistTitle ReadOggTitle(const char* block, std::size_t size);

// The title rule for a track file, read through the audio library. Fails when the library is not
// loaded.
base::Result<std::string> TrackTitle(const std::string& path);

} // namespace media
