// Speed of the pixel-buffer work: ScaleBilinear on the sizes the program uses, and
// every bitmap filter on a 12-megapixel bitmap against a plain copy of that bitmap.
#include "BenchBitmaps.h"
#include "imaging/Bitmap.h"
#include "imaging/BitmapFilters.h"

#include <benchmark/benchmark.h>

#include <cstring>

using imaging::Bitmap;

namespace {

using bench::RandomBitmap;

const Bitmap& Photo12MP() {
    static const Bitmap photo = RandomBitmap(4000, 3000);
    return photo;
}

void BM_ScaleBilinear(benchmark::State& state) {
    const Bitmap src =
        RandomBitmap(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    Bitmap dst =
        Bitmap::CreateSized(static_cast<int>(state.range(2)), static_cast<int>(state.range(3)));
    for (auto _ : state) {
        src.ScaleBilinear(dst);
        benchmark::DoNotOptimize(dst.Bits);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * dst.Width * dst.Height);
}
BENCHMARK(BM_ScaleBilinear)
    ->Args({4000, 3000, 1280, 960})
    ->Args({1280, 1024, 720, 528})
    ->Args({4000, 3000, 90, 68})
    ->Args({1280, 1024, 90, 72})
    ->Args({640, 480, 1280, 960})
    ->Unit(benchmark::kMillisecond);

void BM_ScaleNearest(benchmark::State& state) {
    const Bitmap src =
        RandomBitmap(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    Bitmap dst =
        Bitmap::CreateSized(static_cast<int>(state.range(2)), static_cast<int>(state.range(3)));
    for (auto _ : state) {
        src.ScaleNearest(dst);
        benchmark::DoNotOptimize(dst.Bits);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ScaleNearest)->Args({4000, 3000, 1280, 960})->Unit(benchmark::kMillisecond);

// Baselines: a new copy of the bitmap (what a filter's caller pays for an undo copy), and a copy
// into an existing buffer of the same size.
void BM_CopyNew12MP(benchmark::State& state) {
    const Bitmap& src = Photo12MP();
    for (auto _ : state) {
        Bitmap copy = src;
        benchmark::DoNotOptimize(copy.Bits);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyNew12MP)->Unit(benchmark::kMillisecond);

void BM_CopyInto12MP(benchmark::State& state) {
    const Bitmap& src = Photo12MP();
    Bitmap dst = src;
    for (auto _ : state) {
        std::memcpy(dst.Bits, src.Bits, static_cast<std::size_t>(src.ByteSize));
        benchmark::DoNotOptimize(dst.Bits);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyInto12MP)->Unit(benchmark::kMillisecond);

template <typename F> void RunFilter(benchmark::State& state, F filter) {
    Bitmap b = Photo12MP();
    for (auto _ : state) {
        filter(b);
        benchmark::DoNotOptimize(b.Bits);
        benchmark::ClobberMemory();
    }
}

void BM_AdjustBrightness(benchmark::State& s) {
    int k = 0;
    RunFilter(s, [&](Bitmap& b) { imaging::AdjustBrightness(b, (k++ & 1) ? 40 : -40); });
}
void BM_AdjustContrast(benchmark::State& s) {
    int k = 0;
    RunFilter(s, [&](Bitmap& b) { imaging::AdjustContrast(b, (k++ & 1) ? 5 : -5, false); });
}
void BM_AdjustContrastFixedPivot(benchmark::State& s) {
    int k = 0;
    RunFilter(s, [&](Bitmap& b) { imaging::AdjustContrast(b, (k++ & 1) ? 5 : -5, true); });
}
void BM_AdjustGamma(benchmark::State& s) {
    RunFilter(s, [](Bitmap& b) { imaging::AdjustGamma(b, 1.3); });
}
void BM_ColorizeSepia(benchmark::State& s) {
    RunFilter(s, [](Bitmap& b) { imaging::Colorize(b, 0x7D8A8F); });
}
void BM_InvertColors(benchmark::State& s) {
    RunFilter(s, [](Bitmap& b) { imaging::InvertColors(b); });
}
void BM_FlipHorizontal(benchmark::State& s) {
    RunFilter(s, [](Bitmap& b) { imaging::FlipBitmap(b, true); });
}
void BM_FlipVertical(benchmark::State& s) {
    RunFilter(s, [](Bitmap& b) { imaging::FlipBitmap(b, false); });
}
void BM_Rotate90(benchmark::State& s) {
    RunFilter(s, [](Bitmap& b) { imaging::RotateBitmap(b, 0, 90); });
}
void BM_Rotate180(benchmark::State& s) {
    RunFilter(s, [](Bitmap& b) { imaging::RotateBitmap(b, 0, 180); });
}
void BM_Rotate270(benchmark::State& s) {
    RunFilter(s, [](Bitmap& b) { imaging::RotateBitmap(b, 0, 270); });
}
// Free rotation grows the bitmap, so every run starts again from the 12-MP photo (the restore
// is outside the timing).
void BM_RotateFree30(benchmark::State& state) {
    Bitmap b;
    for (auto _ : state) {
        state.PauseTiming();
        b = Photo12MP();
        state.ResumeTiming();
        imaging::RotateBitmap(b, 0x808080, 30);
        benchmark::DoNotOptimize(b.Bits);
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_AdjustBrightness)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AdjustContrast)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AdjustContrastFixedPivot)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AdjustGamma)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColorizeSepia)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InvertColors)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlipHorizontal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlipVertical)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rotate90)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rotate180)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rotate270)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RotateFree30)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
