// libFuzzer harness: the WMF decoder on arbitrary bytes, with limits small enough to keep
// each run quick; it must refuse or decode, never crash or read out of bounds.
#include "imaging/ImageLoad.h"

#include <QGuiApplication>

#include <cstdlib>

// Font lookups keep fontconfig caches for the life of the process; they are not leaks of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

// Text records need fonts, and fonts need a GUI application (offscreen).
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A refusal must say why; a decoded picture must have pixels.
    const auto bitmap = imaging::LoadWmfMemory(data, size, imaging::DecodeLimits{2048, 1'000'000});
    if (bitmap ? bitmap->IsEmpty() : bitmap.error().empty())
        __builtin_trap();
    return 0;
}
