// One 1920 x 1080 preview or export frame of moving pictures: a single slide under motion, and a
// cross-fade (and a push) between two slides that both keep moving, each picture a photo-sized
// working copy of noise. The target for the cross-fade frame is 8 ms (a 60 Hz display fed).
// Beside them, a 12-MP photo zooming from 1.0 to 1.1 of the cover, sampled through its pyramid
// and as it is, and the cost of making its pyramid (once per slide and output size).
#include "BenchBitmaps.h"
#include "imaging/AutoMotion.h"
#include "imaging/Motion.h"
#include "imaging/MotionRender.h"
#include "imaging/PicturePyramid.h"
#include "imaging/TransitionFrame.h"
#include "imaging/TransitionKinds.h"

#include <benchmark/benchmark.h>

using imaging::Bitmap;

namespace {

constexpr int kW = 1920, kH = 1080;

imaging::Motion Moving(double cx0, double cy0, double z0, double cx1, double cy1, double z1) {
    imaging::Motion m;
    m.Mode = imaging::MotionMode::Manual;
    m.Start = {cx0, cy0, z0};
    m.End = {cx1, cy1, z1};
    m.Easing = imaging::MotionEasing::Ease;
    return m;
}

// The slide's progress steps through 100 frames so that every sample position is exercised.
void BM_MotionFrame(benchmark::State& state) {
    const Bitmap picture = bench::RandomBitmap(2400, 1600, 1);
    const imaging::Motion m = Moving(0.45, 0.5, 1.0, 0.55, 0.45, 1.3);
    Bitmap frame = Bitmap::CreateSized(kW, kH);
    int step = 0;
    for (auto _ : state) {
        imaging::ComposeMovingPhoto(frame, picture, 0, m, (step++ % 100) / 99.0);
        benchmark::DoNotOptimize(frame.Bits);
        benchmark::ClobberMemory();
    }
}
// Real time, and the CPU time of the whole process (both threads).
BENCHMARK(BM_MotionFrame)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// Both slides moving, a transition halfway: a landscape photo going out, a portrait coming in.
void BM_MovingTransitionFrame(benchmark::State& state) {
    const int code = static_cast<int>(state.range(0));
    const Bitmap a = bench::RandomBitmap(2400, 1600, 2);
    const Bitmap b = bench::RandomBitmap(1200, 1600, 3);
    imaging::MovingSlide out{&a, 0, Moving(0.4, 0.5, 1.0, 0.6, 0.5, 1.25), 0, 0.9};
    imaging::MovingSlide in{&b, 0x00202020, Moving(0.5, 0.3, 1.2, 0.5, 0.7, 1.5), 1, 0.1};
    Bitmap frame = Bitmap::CreateSized(kW, kH);
    Bitmap scratch;
    int step = 0;
    for (auto _ : state) {
        const double t = (step++ % 25) / 25.0;
        out.U = 0.9 + 0.1 * t;
        in.U = 0.1 * t;
        imaging::ComposeTransitionFrame(frame, out, in, code, t, 1.0, scratch);
        benchmark::DoNotOptimize(frame.Bits);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MovingTransitionFrame)
    ->ArgName("code")
    ->Arg(imaging::kTransitionCrossfade)
    ->Arg(imaging::kTransitionPushUp)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// A 4000 x 3000 photo zooming slowly at 1080p (a scale of about a half), through its pyramid
// (range 1) or sampled as it is (range 0).
void BM_ZoomingPhotoFrame(benchmark::State& state) {
    const Bitmap picture = bench::RandomBitmap(4000, 3000, 4);
    imaging::PicturePyramid levels;
    const double cover = imaging::CoverZoom(kW, kH, picture.Width, picture.Height);
    Bitmap frame = Bitmap::CreateSized(kW, kH);
    int step = 0;
    for (auto _ : state) {
        const double z = cover * (1.0 + 0.1 * (step++ % 100) / 99.0);
        imaging::RenderMotionFrame(frame, picture, 0, {0.5, 0.5, z, false},
                                   state.range(0) ? &levels : nullptr);
        benchmark::DoNotOptimize(frame.Bits);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ZoomingPhotoFrame)
    ->ArgName("filtered")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// The pyramid's levels a 1080p frame of a 4000 x 3000 photo may read (halved twice).
void BM_PhotoPyramid(benchmark::State& state) {
    const Bitmap picture = bench::RandomBitmap(4000, 3000, 5);
    for (auto _ : state) {
        imaging::PicturePyramid levels;
        benchmark::DoNotOptimize(levels.Level(picture, 2));
    }
}
BENCHMARK(BM_PhotoPyramid)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

} // namespace

BENCHMARK_MAIN();
