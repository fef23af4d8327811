#include "imaging/PixelMix.h"

#include "imaging/CpuFeatures.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define REELPANE_MIX_AVX2 1
#endif

namespace imaging {

namespace {

#if defined(REELPANE_MIX_AVX2)

// The same mix 32 bytes at a time; returns the bytes done.
__attribute__((target("avx2"))) std::size_t MixAvx2(std::uint8_t* out, const std::uint8_t* a,
                                                    const std::uint8_t* b, std::size_t n,
                                                    std::uint32_t w) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i half = _mm256_set1_epi16(128);
    const __m256i va = _mm256_set1_epi16(static_cast<short>(256 - w));
    const __m256i vb = _mm256_set1_epi16(static_cast<short>(w));
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
        const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
        const __m256i lo = _mm256_add_epi16(
            _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(x, zero), va),
                             _mm256_mullo_epi16(_mm256_unpacklo_epi8(y, zero), vb)),
            half);
        const __m256i hi = _mm256_add_epi16(
            _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(x, zero), va),
                             _mm256_mullo_epi16(_mm256_unpackhi_epi8(y, zero), vb)),
            half);
        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(out + i),
            _mm256_packus_epi16(_mm256_srli_epi16(lo, 8), _mm256_srli_epi16(hi, 8)));
    }
    return i;
}

#endif

} // namespace

void MixBytes256(std::uint8_t* out, const std::uint8_t* a, const std::uint8_t* b, std::size_t n,
                 std::uint32_t w) {
    const std::uint32_t wa = 256 - w;
    std::size_t i = 0;
#if defined(REELPANE_MIX_AVX2)
    if (HaveAvx2())
        i = MixAvx2(out, a, b, n, w);
#endif
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi16(128);
    const __m128i va = _mm_set1_epi16(static_cast<short>(wa));
    const __m128i vb = _mm_set1_epi16(static_cast<short>(w));
    // Each product is at most 255 * 256 and so is their sum, which fits 16 unsigned bits.
    for (; i + 16 <= n; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        const __m128i lo =
            _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(x, zero), va),
                                        _mm_mullo_epi16(_mm_unpacklo_epi8(y, zero), vb)),
                          half);
        const __m128i hi =
            _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(x, zero), va),
                                        _mm_mullo_epi16(_mm_unpackhi_epi8(y, zero), vb)),
                          half);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_packus_epi16(_mm_srli_epi16(lo, 8), _mm_srli_epi16(hi, 8)));
    }
#endif
    for (; i < n; ++i)
        out[i] = static_cast<std::uint8_t>((a[i] * wa + b[i] * w + 128) >> 8);
}

} // namespace imaging
