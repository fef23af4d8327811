// Finding the faces of one photo, as an import does for every photo it brings in: the time is
// bounded by the detector's fixed search size, whatever the picture's own size (the model, read
// once in the program's life, is read before the timing starts). Pictures: the
// photo-sized working copy of a real photograph of a person (enlarged from the package's sample
// data) and a 12-megapixel one. Also the cost of framing automatic motion on the faces found,
// which every frame of a moving slide resolves.
#include "imaging/AutoMotion.h"
#include "imaging/FaceDetect.h"
#include "imaging/ImageLoad.h"

#include <benchmark/benchmark.h>

namespace {

imaging::Bitmap Person(int width, int height) {
    auto photo = imaging::LoadImageFile("/usr/share/doc/opencv-doc/examples/data/messi5.jpg");
    imaging::Bitmap sized = imaging::Bitmap::CreateSized(width, height);
    if (photo)
        photo->ScaleBilinear(sized);
    return sized;
}

void BM_DetectFaces(benchmark::State& state) {
    const imaging::Bitmap picture =
        Person(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    std::size_t found = imaging::DetectFaces(picture).size(); // the model is read once, first
    for (auto _ : state)
        found = imaging::DetectFaces(picture).size();
    state.counters["faces"] = static_cast<double>(found);
}
BENCHMARK(BM_DetectFaces)
    ->Args({1280, 800})
    ->Args({4000, 2500})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_FramedAutomaticMotion(benchmark::State& state) {
    const imaging::Bitmap picture = Person(1280, 800);
    const std::vector<imaging::FaceBox> faces = imaging::DetectFaces(picture);
    int slide = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(imaging::AutomaticMotion(slide++ % 4, 1080, 1920, picture.Width,
                                                          picture.Height, faces));
}
BENCHMARK(BM_FramedAutomaticMotion)->Unit(benchmark::kMicrosecond);

} // namespace
BENCHMARK_MAIN();
