#include "imaging/LutVbmi.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define REELPANE_VBMI 1
#endif

namespace imaging {

#if defined(REELPANE_VBMI)

bool HaveVbmi() {
    static const bool have = __builtin_cpu_supports("avx512f") &&
                             __builtin_cpu_supports("avx512bw") &&
                             __builtin_cpu_supports("avx512vbmi");
    return have;
}

namespace {

#define VBMI_TARGET __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// For a block of 64 bytes starting at channel phase s, the bytes of channel c.
struct ChannelMasks {
    std::uint64_t m[3][3];
};

constexpr ChannelMasks MakeChannelMasks() {
    ChannelMasks r{};
    for (int s = 0; s < 3; ++s)
        for (int c = 0; c < 3; ++c)
            for (int j = 0; j < 64; ++j)
                if ((s + j) % 3 == c)
                    r.m[s][c] |= std::uint64_t{1} << j;
    return r;
}

constexpr ChannelMasks kChannelMasks = MakeChannelMasks();

// A 256-entry byte table in four registers.
struct Table256 {
    __m512i q[4];
};

VBMI_TARGET Table256 LoadTable(const std::uint8_t* t) {
    Table256 r;
    for (int k = 0; k < 4; ++k)
        r.q[k] = _mm512_loadu_si512(t + 64 * k);
    return r;
}

// table[v] for each of the 64 bytes of v: two 128-entry permutes chosen by the top bit.
VBMI_TARGET inline __m512i Lookup(const Table256& t, __m512i v) {
    const __m512i lo = _mm512_permutex2var_epi8(t.q[0], v, t.q[1]);
    const __m512i hi = _mm512_permutex2var_epi8(t.q[2], v, t.q[3]);
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(v), lo, hi);
}

} // namespace

VBMI_TARGET void ApplyChannelTablesVbmi(std::uint8_t* p, std::size_t n,
                                        const std::uint8_t* const tables[3]) {
    const bool same = tables[0] == tables[1] && tables[1] == tables[2];
    const Table256 t0 = LoadTable(tables[0]);
    const Table256 t1 = LoadTable(tables[1]);
    const Table256 t2 = LoadTable(tables[2]);
    const auto& channel = kChannelMasks.m;
    std::size_t i = 0;
    int phase = 0;
    while (i < n) {
        const std::size_t left = n - i;
        const __mmask64 live = left >= 64 ? ~__mmask64{0} : (__mmask64{1} << left) - 1;
        const __m512i v = _mm512_maskz_loadu_epi8(live, p + i);
        __m512i out;
        if (same) {
            out = Lookup(t0, v);
        } else {
            out = Lookup(t0, v);
            out = _mm512_mask_blend_epi8(channel[phase][1], out, Lookup(t1, v));
            out = _mm512_mask_blend_epi8(channel[phase][2], out, Lookup(t2, v));
        }
        _mm512_mask_storeu_epi8(p + i, live, out);
        i += 64;
        phase = (phase + 1) % 3; // 64 = 1 mod 3
    }
}

namespace {

// Byte permute that reverses the order of the first `pixels` pixels (at most 21) of a block.
VBMI_TARGET __m512i ReverseIndex(std::size_t pixels) {
    alignas(64) std::uint8_t idx[64] = {};
    for (std::size_t j = 0; j < 3 * pixels; ++j)
        idx[j] = static_cast<std::uint8_t>((pixels - 1 - j / 3) * 3 + j % 3);
    return _mm512_load_si512(idx);
}

// v's bytes picked by idx. (The masked form with v as its own pass-through, all lanes on: the
// plain intrinsic starts from an undefined register, which GCC 12 warns about.)
VBMI_TARGET inline __m512i Permute(__m512i idx, __m512i v) {
    return _mm512_mask_permutexvar_epi8(v, ~__mmask64{0}, idx, v);
}

} // namespace

VBMI_TARGET void ReversePixelsVbmi(const std::uint8_t* src, std::uint8_t* dst, std::size_t count) {
    constexpr std::size_t kBlock = 21; // 63 bytes
    const __mmask64 block = (__mmask64{1} << 63) - 1;
    static const __m512i full = ReverseIndex(kBlock);
    std::size_t k = 0;
    for (; k + kBlock <= count; k += kBlock) {
        const __m512i v = _mm512_maskz_loadu_epi8(block, src + (count - kBlock - k) * 3);
        _mm512_mask_storeu_epi8(dst + k * 3, block, Permute(full, v));
    }
    const std::size_t rest = count - k; // the first `rest` source pixels, fewer than 21
    if (rest > 0) {
        const __mmask64 live = (__mmask64{1} << (3 * rest)) - 1;
        const __m512i v = _mm512_maskz_loadu_epi8(live, src);
        _mm512_mask_storeu_epi8(dst + k * 3, live, Permute(ReverseIndex(rest), v));
    }
}

#else

bool HaveVbmi() {
    return false;
}

void ReversePixelsVbmi(const std::uint8_t*, std::uint8_t*, std::size_t) {}

void ApplyChannelTablesVbmi(std::uint8_t*, std::size_t, const std::uint8_t* const[3]) {}

#endif

} // namespace imaging
