// Phone and camera photo decoding: a 12-megapixel picture as WebP, HEIC, AVIF and JPEG XL decoded
// by the program's loaders next to each library's own command-line decoder (dwebp to PPM,
// heif-convert, avifdec and djxl to PNG, each run as a process); the same bitstreams tagged Adobe
// RGB (WebP, an ICC profile) and Display P3 (AVIF, nclx codes), whose difference from the untagged
// decode is the colour conversion's cost; and the import of 50 such HEIC photos into a show at
// 1280x1024 with the time to the first thumbnail. Wall-clock times throughout, since the outside
// decoders run in child processes. The photos are made once per run, in a temporary folder.
#include "imaging/ImageLoad.h"
#include "project/Import.h"
#include "project/ShowModel.h"

#include <benchmark/benchmark.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kImportPhotos = 50;
const char* const kAdobe = "/usr/share/color/icc/colord/AdobeRGB1998.icc";

struct Photos {
    QTemporaryDir dir;
    std::string d = dir.path().toStdString();

    std::string Path(const std::string& name) const { return d + "/" + name; }

    Photos() {
        // A 4000x3000 test picture (12 MP) with grain, so that it compresses like a photo and not
        // like flat synthetic colour, encoded by each format's own tool at photo quality.
        const std::string make = "cd '" + d +
                                 "' && ffmpeg -loglevel error -f lavfi -i testsrc2=s=4000x3000:r=1 "
                                 "-vf noise=alls=10:allf=u"
                                 " -frames:v 1 src.png"
                                 " && cwebp -quiet -q 85 src.png -o photo.webp"
                                 " && webpmux -set icc " +
                                 kAdobe +
                                 " photo.webp -o adobe.webp >/dev/null"
                                 " && heif-enc -q 85 src.png -o photo.heic >/dev/null"
                                 " && avifenc -j 2 -s 8 --cicp 1/13/1 src.png photo.avif >/dev/null"
                                 " && avifenc -j 2 -s 8 --cicp 12/13/1 src.png p3.avif >/dev/null"
                                 " && cjxl src.png -d 1 -e 3 photo.jxl >/dev/null 2>&1";
        if (std::system(make.c_str()) != 0) {
            std::fprintf(stderr, "the bench photos could not be made\n");
            std::exit(1);
        }
        for (const char* name : {"photo.webp", "photo.heic", "photo.avif", "photo.jxl"})
            std::fprintf(
                stderr, "%s: %lld bytes\n", name,
                static_cast<long long>(QFileInfo(QString::fromStdString(Path(name))).size()));
        for (int i = 0; i < kImportPhotos; ++i) {
            const std::string copy =
                "cp '" + Path("photo.heic") + "' '" + Path("i" + std::to_string(i) + ".heic") + "'";
            if (std::system(copy.c_str()) != 0)
                std::exit(1);
        }
    }
};

Photos& ThePhotos() {
    static Photos photos;
    return photos;
}

void BM_Decode12Mp(benchmark::State& state, const char* name) {
    const std::string path = ThePhotos().Path(name);
    for (auto _ : state) {
        const auto bitmap = imaging::LoadImageFile(path);
        if (!bitmap) {
            state.SkipWithError(bitmap.error().c_str());
            break;
        }
        benchmark::DoNotOptimize(bitmap->Bits);
    }
}
BENCHMARK_CAPTURE(BM_Decode12Mp, webp, "photo.webp")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Decode12Mp, webp_adobe_rgb, "adobe.webp")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Decode12Mp, heic, "photo.heic")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Decode12Mp, avif, "photo.avif")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Decode12Mp, avif_display_p3, "p3.avif")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Decode12Mp, jxl, "photo.jxl")->Unit(benchmark::kMillisecond)->UseRealTime();

// The library's own decoder, started as a process writing the picture to a file.
void BM_Cli12Mp(benchmark::State& state, const char* command) {
    const std::string full = "cd '" + ThePhotos().d + "' && " + command + " >/dev/null 2>&1";
    for (auto _ : state) {
        if (std::system(full.c_str()) != 0) {
            state.SkipWithError(command);
            break;
        }
    }
}
BENCHMARK_CAPTURE(BM_Cli12Mp, dwebp_ppm, "dwebp photo.webp -ppm -o out.ppm")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Cli12Mp, heif_convert_png, "heif-convert photo.heic out.png")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Cli12Mp, avifdec_png, "avifdec -j 2 photo.avif out.png")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Cli12Mp, djxl_png, "djxl photo.jxl out.png --bits_per_sample=8")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Fifty 12 MP HEIC photos imported into a show at 1280x1024 (decode, fit, working copy,
// thumbnail), with the time until the first photo's thumbnail exists.
void BM_Fifty12MpHeicImport(benchmark::State& state) {
    const Photos& photos = ThePhotos();
    QTemporaryDir work;
    project::ShowContent show;
    const project::PhotoSettings size{"1280x1024"};
    const project::WorkFiles files(work.path().toStdString() + "/", std::string(), 0);
    double firstThumbnailMs = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kImportPhotos; ++i) {
            const auto added = project::AddPhoto(show, files, size,
                                                 photos.Path("i" + std::to_string(i) + ".heic"));
            if (!project::Added(added)) {
                state.SkipWithError(("import failed: " + project::WhyNot(added)).c_str());
                return;
            }
            if (i == 0)
                firstThumbnailMs = std::chrono::duration<double, std::milli>(
                                       std::chrono::steady_clock::now() - start)
                                       .count();
        }
        state.PauseTiming();
        project::DiscardShow(show, files);
        state.ResumeTiming();
    }
    state.counters["first_thumbnail_ms"] = firstThumbnailMs;
    state.counters["photos"] = kImportPhotos;
}
BENCHMARK(BM_Fifty12MpHeicImport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace

BENCHMARK_MAIN();
