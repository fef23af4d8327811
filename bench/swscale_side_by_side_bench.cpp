// Side by side: Bitmap::ScaleBilinear against libswscale's SWS_BILINEAR (bgr24 -> bgr24,
// single-threaded) on the same bitmaps in the same run. Prints the best of several timed rounds
// for each and the ratio swscale / ours (above 1: ours is faster). Exit code 0 always; the figures
// are for the report, not a pass/fail gate.
#include "BenchBitmaps.h"
#include "imaging/Bitmap.h"

extern "C" {
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <chrono>
#include <cstdio>

using imaging::Bitmap;
using Clock = std::chrono::steady_clock;

namespace {

using bench::RandomBitmap;

// Best time in milliseconds of `rounds` rounds, each running f `reps` times.
template <typename F> double Best(int rounds, int reps, F f) {
    double best = 1e300;
    for (int r = 0; r < rounds; ++r) {
        const auto t0 = Clock::now();
        for (int i = 0; i < reps; ++i)
            f();
        const double ms =
            std::chrono::duration<double, std::milli>(Clock::now() - t0).count() / reps;
        best = std::min(best, ms);
    }
    return best;
}

struct Case {
    int sw, sh, dw, dh;
};

} // namespace

int main() {
    const Case cases[] = {{4000, 3000, 1280, 960},
                          {1280, 1024, 720, 528},
                          {4000, 3000, 90, 68},
                          {1280, 1024, 90, 72},
                          {640, 480, 1280, 960}};
    std::printf("%-24s %12s %12s %8s\n", "size", "ours ms", "swscale ms", "ratio");
    for (const Case& c : cases) {
        const Bitmap src = RandomBitmap(c.sw, c.sh);
        Bitmap ours = Bitmap::CreateSized(c.dw, c.dh);
        Bitmap theirs = Bitmap::CreateSized(c.dw, c.dh);
        SwsContext* ctx = sws_getContext(c.sw, c.sh, AV_PIX_FMT_BGR24, c.dw, c.dh, AV_PIX_FMT_BGR24,
                                         SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (ctx == nullptr) {
            std::fprintf(stderr, "sws_getContext failed\n");
            return 1;
        }
        const std::uint8_t* srcPlanes[4] = {src.Bits, nullptr, nullptr, nullptr};
        const int srcStrides[4] = {src.RowStride, 0, 0, 0};
        std::uint8_t* dstPlanes[4] = {theirs.Bits, nullptr, nullptr, nullptr};
        const int dstStrides[4] = {theirs.RowStride, 0, 0, 0};
        const long pixels = static_cast<long>(c.sw) * c.sh;
        const int reps = pixels > 4'000'000 ? 3 : (pixels > 1'000'000 ? 10 : 50);
        const double mine = Best(7, reps, [&] { src.ScaleBilinear(ours); });
        const double sws = Best(7, reps, [&] {
            sws_scale(ctx, srcPlanes, srcStrides, 0, c.sh, dstPlanes, dstStrides);
        });
        sws_freeContext(ctx);
        char label[64];
        std::snprintf(label, sizeof label, "%dx%d -> %dx%d", c.sw, c.sh, c.dw, c.dh);
        std::printf("%-24s %12.3f %12.3f %8.2f\n", label, mine, sws, sws / mine);
    }
    return 0;
}
