// Video clips from arbitrary bytes, read through the program's own reader of memory: the
// container's probe, the clip's bounds and length, its first pictures through the filter graph
// (rotation, deinterlacing, tone mapping, scaling) and the start of its sound.
#include "media/video/ClipFrames.h"
#include "media/video/ClipInput.h"
#include "media/video/ClipSound.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    media::ClipLimits limits;
    limits.MaxSide = 256;
    limits.MaxPixels = 256 * 256;
    limits.ScanPackets = 200;
    limits.ScanBytes = 1 << 20;
    limits.FirstFramePackets = 20;
    limits.ProbeBytes = 1 << 16;
    const std::span<const std::uint8_t> bytes(data, size);

    if (auto input = media::ClipInput::OpenMemory(bytes, "fuzz.mp4", limits)) {
        media::ClipFramesOptions options;
        options.Width = 48;
        options.Height = 32;
        if (auto frames = media::ClipFrames::Open(std::move(*input), options)) {
            for (std::int64_t t = 0; t < 240; t += 40)
                if (!(*frames)->FrameAt(t))
                    break;
            if ((*frames)->Seek(100))
                (void)(*frames)->FrameAt(100);
        }
    }
    if (auto input = media::ClipInput::OpenMemory(bytes, "fuzz.mp4", limits)) {
        if (auto sound = media::ClipSound::Open(std::move(*input), 20)) {
            std::vector<std::uint8_t> pcm(16384);
            for (int i = 0; i < 8; ++i) {
                auto got = (*sound)->Read(pcm.data(), pcm.size());
                if (!got || *got == 0)
                    break;
            }
        }
    }
    return 0;
}
