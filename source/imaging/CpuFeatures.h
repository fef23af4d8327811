// What the processor offers beyond the build's baseline, for the pixel loops that pick a wider
// path at run time.
#pragma once

namespace imaging {

// True when the AVX2 instructions may be used (x86-64 with GCC or Clang only).
bool HaveAvx2();

} // namespace imaging
