// libFuzzer harness for the WAV header reader: any input is parsed or refused with a message,
// never read past its end, and what is accepted describes samples that lie inside the input.
#include "media/audio/WavFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The header area as the reader sees it (the first 4 KiB), and the file's real size.
    const std::size_t head = size < 4096 ? size : 4096;
    auto info = media::ParseWavHeader({data, head}, size);
    if (info) {
        const auto& f = info->Format;
        if (!f.Valid() || f.BlockAlign() == 0 || info->DataSize % f.BlockAlign() != 0 ||
            info->DataOffset + info->DataSize > size)
            __builtin_trap();
        volatile std::uint8_t sink = 0;
        if (info->DataSize > 0)
            sink = sink ^ data[info->DataOffset] ^ data[info->DataOffset + info->DataSize - 1];
    } else if (info.error().empty()) {
        __builtin_trap();
    }
    return 0;
}
