// libFuzzer harness: the WebP decoder (still pictures, animations, EXIF and ICC chunks, and so
// the colour conversion) on arbitrary bytes, with limits small enough to keep each run quick; it
// must refuse or decode, never crash or read out of bounds.
#include "imaging/ImageLoad.h"

#include <QtGlobal>

// An ignored colour profile is noted as a Qt warning; thousands of them would slow the run and
// bury a real report.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A refusal must say why; a decoded picture must have pixels.
    const auto bitmap = imaging::LoadWebpMemory(data, size, imaging::DecodeLimits{4096, 4'000'000});
    if (bitmap ? bitmap->IsEmpty() : bitmap.error().empty())
        __builtin_trap();
    return 0;
}
