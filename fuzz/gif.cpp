// libFuzzer harness: the GIF decoder on arbitrary bytes, with limits small enough to keep
// each run quick; it must refuse or decode, never crash or read out of bounds.
#include "imaging/ImageLoad.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    imaging::Bitmap bitmap;
    imaging::LoadGifMemory(bitmap, data, size, nullptr, imaging::DecodeLimits{4096, 4'000'000});
    return 0;
}
