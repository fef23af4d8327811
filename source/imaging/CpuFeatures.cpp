#include "imaging/CpuFeatures.h"

namespace imaging {

bool HaveAvx2() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
#else
    return false;
#endif
}

} // namespace imaging
