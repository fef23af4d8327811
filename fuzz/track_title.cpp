// The track-title readers on arbitrary tag blocks: ID3v2 frame walk, ID3v1 and Ogg comments.
#include "media/audio/TrackTitle.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Copies, so that a read past the block is caught by the sanitizer.
    const std::vector<std::uint8_t> block(data, data + size);
    (void)media::ReadId3v2Title(block.data(), block.size());
    (void)media::ReadId3v1Title(block.data(), block.size());
    (void)media::ReadOggTitle(reinterpret_cast<const char*>(block.data()), block.size());
    return 0;
}
