// Speed of one transition frame at the export's frame sizes beside a plain copy of that frame,
// and, apart, the composition of the incoming slide that a moving transition does once.
#include "BenchBitmaps.h"
#include "imaging/Bitmap.h"
#include "imaging/BmpFile.h"
#include "imaging/Compose.h"
#include "imaging/Transition.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

using imaging::Bitmap;

namespace {

using bench::RandomBitmap;

constexpr int kSeconds = 3;
constexpr std::int64_t kLastRunningMs = 1000 * kSeconds - 40;

// The baseline: the whole frame copied into a buffer of the same size.
void BM_FrameCopy(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const Bitmap src = RandomBitmap(w, h, 1);
    Bitmap dst = Bitmap::CreateSized(w, h);
    for (auto _ : state) {
        std::memcpy(dst.Bits, src.Bits, static_cast<std::size_t>(src.ByteSize));
        benchmark::DoNotOptimize(dst.Bits);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * src.ByteSize);
}
BENCHMARK(BM_FrameCopy)->Args({720, 528})->Args({1280, 1024})->Unit(benchmark::kMicrosecond);

// One step of a 3-second transition. Time 0: every export frame's time in turn (0, 40, ...,
// 2960 ms, the mean cost of a frame); time 1: the last running frame, whose rectangle is the
// largest (the worst frame).
void BM_TransitionFrame(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const int w = static_cast<int>(state.range(1)), h = static_cast<int>(state.range(2));
    const bool worst = state.range(3) != 0;
    Bitmap target = RandomBitmap(w, h, 2);
    const Bitmap incoming = RandomBitmap(w, h, 3);
    const imaging::TransitionParams params{kind, kSeconds, 0x00336699};
    std::int64_t t = worst ? kLastRunningMs : 0;
    for (auto _ : state) {
        const auto step = imaging::DrawTransitionStep(target, incoming, params, t);
        benchmark::DoNotOptimize(step);
        benchmark::ClobberMemory();
        if (!worst)
            t = t >= kLastRunningMs ? 0 : t + 40;
    }
}
BENCHMARK(BM_TransitionFrame)
    ->ArgNames({"kind", "w", "h", "worst"})
    ->ArgsProduct({{1, 2, 6, 10}, {720}, {528}, {0, 1}})
    ->ArgsProduct({{1, 2, 6, 10}, {1280}, {1024}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

// The incoming slide composed once per transition: its working copy (a 1280 x 1024 BMP, what
// the default resolution gives) loaded, scaled and centred at the frame size.
void BM_ComposeIncoming(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    const std::string path =
        "/tmp/reelpane_transition_bench_" + std::to_string(::getpid()) + ".bmp";
    if (!imaging::SaveBmpFile(path, RandomBitmap(1280, 1024, 4)).ok()) {
        state.SkipWithError("cannot write the working copy");
        return;
    }
    const imaging::SlideSource slide{path, 0x00000000};
    for (auto _ : state) {
        Bitmap next;
        const bool ok = imaging::PrepareNextFrame(next, w, h, &slide).ok();
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(next.Bits);
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_ComposeIncoming)->Args({720, 528})->Args({1280, 1024})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
