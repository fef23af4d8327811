// libFuzzer harness: the HEIF/AVIF decoder (libheif's box parser, its HEVC and AV1 decoders, the
// colour tags and the colour conversion) on arbitrary bytes, with limits small enough to keep
// each run quick; it must refuse or decode, never crash or read out of bounds.
#include "imaging/ImageLoad.h"

#include <QtGlobal>

// An ignored colour profile is noted as a Qt warning; thousands of them would slow the run and
// bury a real report.
// When dav1d refuses a damaged AV1 stream, Debian's libheif (1.15) AV1 plugin leaves the 40-byte
// data block it made with dav1d_data_create inside heif_decode_image: libheif's leak, not this
// decoder's (it releases every handle it is given), so LeakSanitizer passes over that block. It is
// named by its library as well: the fast unwinder sees no frame above libdav1d's own.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:dav1d_data_create\nleak:libdav1d.so\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A refusal must say why; a decoded picture must have pixels.
    const auto bitmap = imaging::LoadHeifMemory(data, size, imaging::DecodeLimits{4096, 4'000'000});
    if (bitmap ? bitmap->IsEmpty() : bitmap.error().empty())
        __builtin_trap();
    return 0;
}
