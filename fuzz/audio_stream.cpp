// The audio library opening a stream from arbitrary bytes: container probing and decoding,
// the MP3 and Ogg length readers, the tag blocks and seeking.
#include "OggInfo.h"
#include "bass.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string comments;
    (void)bass::ParseCommentPacket(data, size, &comments);
    if (size == 0)
        return 0;
    const HSTREAM h = BASS_StreamCreateFile(1, data, 0, size, BASS_STREAM_DECODE);
    if (h == 0)
        return 0;
    const std::uint64_t length = BASS_StreamGetLength(h);
    for (std::uint32_t kind = 0; kind < 3; ++kind)
        if (const char* tags = BASS_StreamGetTags(h, kind))
            (void)std::strlen(tags);
    std::vector<std::uint8_t> buffer(16384);
    std::size_t total = 0;
    while (total < (1u << 20)) {
        const std::uint32_t n =
            BASS_ChannelGetData(h, buffer.data(), static_cast<std::uint32_t>(buffer.size()));
        if (n == 0 || n == ~0u)
            break;
        total += n;
    }
    if (length != ~std::uint64_t{0} && length > 0)
        BASS_ChannelSetPosition(h, length / 2);
    (void)BASS_ChannelGetData(h, buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    BASS_StreamFree(h);
    return 0;
}
