// Phone and camera photo decoding: a 12-megapixel picture as WebP, HEIC, AVIF and JPEG XL decoded
// by the program's loaders next to each library's own command-line decoder (dwebp to PPM,
// heif-convert, avifdec and djxl to PNG, each run as a process); the same bitstreams tagged Adobe
// RGB (WebP and JPEG, an ICC profile) and Display P3 (AVIF, nclx codes), and the picture tagged
// Adobe RGB before encoding (HEIC, JPEG XL, TIFF), whose difference from the untagged decode is
// the colour conversion's cost, both for the whole picture and as an import uses it (fitted to the
// show's size, then converted); and the import of 50 such HEIC photos into a show at 1280x1024 with
// the time to the first thumbnail. Wall-clock times throughout, since the outside decoders run in
// child processes (the colour's cost in processor time besides). The photos are made once per run,
// in a temporary folder.
#include "imaging/ColorToSrgb.h"
#include "imaging/ImageLoad.h"
#include "project/Import.h"
#include "project/ShowModel.h"

#include <benchmark/benchmark.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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
                                 // The picture with the Adobe RGB profile assigned, for the
                                 // formats that take their profile from the source file.
                                 " && convert src.png -profile " +
                                 kAdobe +
                                 " adobe.png"
                                 " && heif-enc -q 85 adobe.png -o adobe.heic >/dev/null"
                                 " && cjxl adobe.png adobe.jxl -d 1 -e 3 >/dev/null 2>&1"
                                 " && convert src.png -compress lzw photo.tif"
                                 " && convert adobe.png -compress lzw adobe.tif"
                                 " && avifenc -j 2 -s 8 --cicp 1/13/1 src.png photo.avif >/dev/null"
                                 " && avifenc -j 2 -s 8 --cicp 12/13/1 src.png p3.avif >/dev/null"
                                 " && cjxl src.png -d 1 -e 3 photo.jxl >/dev/null 2>&1"
                                 // The same JPEG twice, the second with the profile assigned.
                                 " && convert src.png -quality 90 photo.jpg"
                                 " && convert src.png -quality 90 -profile " +
                                 kAdobe + " adobe.jpg";
        if (std::system(make.c_str()) != 0) {
            std::fprintf(stderr, "the bench photos could not be made\n");
            std::exit(1);
        }
        for (const char* name :
             {"photo.webp", "photo.heic", "photo.avif", "photo.jxl", "photo.jpg"})
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

// The time the process has run on all its threads (the decoders' and the thread pool's too).
double ProcessCpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// The colour conversion's share of a decode: the untagged and the tagged file decoded in turn,
// each timed, so that both see the same load on a shared machine. Given a show size, decoded as
// an import does it (project::LoadFittedPhoto: decoded, fitted to the show, then converted, in
// bands on the thread pool while a JPEG, WebP or TIFF still decodes; a 4:3 photo becomes 1920x1440
// in a 1920x1080 show, 1280x960 in the default 1280x1024 one); without one, the whole 12 MP picture
// is converted. colour_pct is the tagged decode's extra wall-clock time over the untagged one's;
// colour_cpu_pct the same in processor time over all threads, which another program's load on the
// machine disturbs less.
void BM_ColourCost(benchmark::State& state, const char* untagged, const char* tagged, int showWidth,
                   int showHeight) {
    const std::string paths[2] = {ThePhotos().Path(untagged), ThePhotos().Path(tagged)};
    double wall[2] = {0, 0}, cpu[2] = {0, 0};
    for (auto _ : state) {
        double both = 0;
        for (int i = 0; i < 2; ++i) {
            const double cpuStart = ProcessCpuSeconds();
            const auto start = std::chrono::steady_clock::now();
            const auto bitmap = showWidth > 0
                                    ? project::LoadFittedPhoto(paths[i], showWidth, showHeight)
                                    : imaging::LoadImageFile(paths[i]);
            const double s =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (!bitmap) {
                state.SkipWithError(bitmap.error().c_str());
                return;
            }
            benchmark::DoNotOptimize(bitmap->Bits);
            cpu[i] += ProcessCpuSeconds() - cpuStart;
            wall[i] += s;
            both += s;
        }
        state.SetIterationTime(both);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["untagged_ms"] = 1000 * wall[0] / n;
    state.counters["tagged_ms"] = 1000 * wall[1] / n;
    state.counters["colour_pct"] = 100 * (wall[1] - wall[0]) / wall[0];
    state.counters["colour_cpu_pct"] = 100 * (cpu[1] - cpu[0]) / cpu[0];
}
BENCHMARK_CAPTURE(BM_ColourCost, webp_adobe_rgb_whole, "photo.webp", "adobe.webp", 0, 0)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_ColourCost, webp_adobe_rgb_import_1920x1080, "photo.webp", "adobe.webp", 1920,
                  1080)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_ColourCost, webp_adobe_rgb_import_1280x1024, "photo.webp", "adobe.webp", 1280,
                  1024)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_ColourCost, jpeg_adobe_rgb_whole, "photo.jpg", "adobe.jpg", 0, 0)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_ColourCost, jpeg_adobe_rgb_import_1920x1080, "photo.jpg", "adobe.jpg", 1920,
                  1080)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_ColourCost, jpeg_adobe_rgb_import_1280x1024, "photo.jpg", "adobe.jpg", 1280,
                  1024)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_ColourCost, avif_display_p3_whole, "photo.avif", "p3.avif", 0, 0)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
// The formats decoded in one call: the whole picture is converted afterwards, shared with the
// thread pool.
BENCHMARK_CAPTURE(BM_ColourCost, heic_adobe_rgb_whole, "photo.heic", "adobe.heic", 0, 0)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_ColourCost, jxl_adobe_rgb_whole, "photo.jxl", "adobe.jxl", 0, 0)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_ColourCost, tiff_adobe_rgb_whole, "photo.tif", "adobe.tif", 0, 0)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_ColourCost, avif_display_p3_import_1920x1080, "photo.avif", "p3.avif", 1920,
                  1080)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
BENCHMARK_CAPTURE(BM_ColourCost, avif_display_p3_import_1280x1024, "photo.avif", "p3.avif", 1280,
                  1024)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// Making the conversion from an Adobe RGB profile, which every tagged decode does once.
void BM_AdobeRgbConversionMade(benchmark::State& state) {
    std::ifstream in(kAdobe, std::ios::binary);
    const std::vector<std::uint8_t> icc{std::istreambuf_iterator<char>(in), {}};
    for (auto _ : state) {
        const auto color = imaging::ColorToSrgb::FromIcc(icc.data(), icc.size());
        if (color.IsIdentity()) {
            state.SkipWithError("the Adobe RGB profile gave no conversion");
            return;
        }
    }
}
BENCHMARK(BM_AdobeRgbConversionMade)->Unit(benchmark::kMicrosecond);

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
