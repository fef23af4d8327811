// Photo import speed and memory: twenty 12-megapixel JPEGs decoded by libjpeg-turbo alone (into
// one reused buffer, and into a fresh buffer per photo) next to LoadJpegFile and next to the
// whole import through project::AddPhoto at 1280x1024 (decode, fit, BMP write, thumbnail); the
// ratios import / decode are printed after the table. Then the peak memory of loading, and of
// importing, one 50-megapixel JPEG as a multiple of its decoded size. The photos are made once
// per run with ffmpeg in a temporary folder.
#include "imaging/ImageLoad.h"
#include "project/Import.h"
#include "project/ShowModel.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kPhotos = 20;
constexpr int kBigWidth = 8192;
constexpr int kBigHeight = 6144; // 50.3 megapixels

struct Photos {
    QTemporaryDir dir;
    std::vector<std::string> twelveMp;
    std::string fiftyMp;

    Photos() {
        const std::string d = dir.path().toStdString();
        const std::string make12 = "ffmpeg -loglevel error -f lavfi -i testsrc2=s=4000x3000:r=1 "
                                   "-frames:v " +
                                   std::to_string(kPhotos) + " -q:v 3 '" + d + "/p%02d.jpg'";
        const std::string make50 =
            "ffmpeg -loglevel error -f lavfi -i testsrc2=s=" + std::to_string(kBigWidth) + "x" +
            std::to_string(kBigHeight) + ":r=1 -frames:v 1 -q:v 3 '" + d + "/big.jpg'";
        if (std::system(make12.c_str()) != 0 || std::system(make50.c_str()) != 0) {
            std::fprintf(stderr, "ffmpeg could not make the bench photos\n");
            std::exit(1);
        }
        for (int i = 1; i <= kPhotos; ++i) {
            char name[32];
            std::snprintf(name, sizeof(name), "/p%02d.jpg", i);
            twelveMp.push_back(d + name);
        }
        fiftyMp = d + "/big.jpg";
    }
};

Photos& ThePhotos() {
    static Photos photos;
    return photos;
}

struct PlainError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

// libjpeg-turbo on its own: decode to RGB rows of one buffer reused for every photo.
bool PlainDecode(const std::string& path, std::vector<unsigned char>& buffer) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return false;
    jpeg_decompress_struct cinfo;
    PlainError err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = [](j_common_ptr c) {
        std::longjmp(reinterpret_cast<PlainError*>(c->err)->jump, 1);
    };
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        std::fclose(f);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    const std::size_t stride = static_cast<std::size_t>(cinfo.output_width) * 3;
    buffer.resize(stride * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[16];
        const unsigned n = std::min(16u, cinfo.output_height - cinfo.output_scanline);
        for (unsigned i = 0; i < n; ++i)
            rows[i] = buffer.data() + stride * (cinfo.output_scanline + i);
        jpeg_read_scanlines(&cinfo, rows, n);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(f);
    return true;
}

void BM_Twenty12MpLibjpegTurboAlone(benchmark::State& state) {
    const Photos& photos = ThePhotos();
    std::vector<unsigned char> buffer;
    for (auto _ : state) {
        for (const std::string& p : photos.twelveMp)
            if (!PlainDecode(p, buffer))
                state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(buffer.data());
    }
    state.counters["photos"] = kPhotos;
}
BENCHMARK(BM_Twenty12MpLibjpegTurboAlone)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The same with a new zero-filled buffer per photo, as every imported photo needs: on this kind
// of virtual machine first-touch page faults of 36 MB cost more than the decode itself.
void BM_Twenty12MpLibjpegTurboFreshBuffer(benchmark::State& state) {
    const Photos& photos = ThePhotos();
    for (auto _ : state) {
        for (const std::string& p : photos.twelveMp) {
            std::vector<unsigned char> buffer(std::size_t{4000} * 3000 * 3);
            if (!PlainDecode(p, buffer))
                state.SkipWithError("decode failed");
            benchmark::DoNotOptimize(buffer.data());
        }
    }
    state.counters["photos"] = kPhotos;
}
BENCHMARK(BM_Twenty12MpLibjpegTurboFreshBuffer)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_Twenty12MpLoadJpegFile(benchmark::State& state) {
    const Photos& photos = ThePhotos();
    for (auto _ : state) {
        for (const std::string& p : photos.twelveMp) {
            const auto bitmap = imaging::LoadJpegFile(p);
            if (!bitmap)
                state.SkipWithError(bitmap.error().c_str());
            else
                benchmark::DoNotOptimize(bitmap->Bits);
        }
    }
    state.counters["photos"] = kPhotos;
}
BENCHMARK(BM_Twenty12MpLoadJpegFile)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The whole import of the twenty photos into a show at 1280x1024: decode, fit, working BMP
// written, thumbnail. The show (and its working copies) is cleared between iterations, untimed.
void BM_Twenty12MpAddPhoto(benchmark::State& state) {
    const Photos& photos = ThePhotos();
    QTemporaryDir work;
    project::ShowContent show;
    const project::PhotoSettings size{"1280x1024"};
    const project::WorkFiles files(work.path().toStdString() + "/", std::string(), 0);
    for (auto _ : state) {
        bool ok = true;
        for (const std::string& p : photos.twelveMp) {
            const auto added = project::AddPhoto(show, files, size, p);
            if (!project::Added(added) || added->Item.Thumbnail.Width != 90) {
                state.SkipWithError(("import failed: " + project::WhyNot(added)).c_str());
                ok = false;
                break;
            }
            benchmark::DoNotOptimize(added->Item.Thumbnail.Bits);
        }
        if (!ok)
            break;
        state.PauseTiming();
        project::DiscardShow(show, files);
        state.ResumeTiming();
    }
    state.counters["photos"] = kPhotos;
}
BENCHMARK(BM_Twenty12MpAddPhoto)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// One kB figure of /proc/self/status ("VmRSS", "VmHWM"); -1 when missing.
long StatusKb(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t n = std::strlen(key);
    while (std::getline(status, line))
        if (line.compare(0, n, key) == 0 && line.size() > n && line[n] == ':')
            return std::atol(line.c_str() + n + 1);
    return -1;
}

// Runs work() in a forked child and returns how far its resident memory rose above what the
// child held before (kB; pixel blocks cached for reuse are let go first): the high-water mark is
// reset to the current size first, so what the parent touched earlier does not count. -1 when
// work() failed or the figures are unavailable.
template <class Work> double PeakGrowthKb(Work work) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        double result = -1;
        // Blocks the parent kept for reuse would otherwise count as held before.
        imaging::Bitmap::ReleaseCachedMemory();
        std::ofstream reset("/proc/self/clear_refs");
        reset << "5" << std::flush;
        const long before = StatusKb("VmRSS");
        const long hwmBefore = StatusKb("VmHWM");
        // Without the reset (within a little reading /proc costs) the inherited high-water mark
        // could hide the work's own peak.
        if (reset && before >= 0 && hwmBefore >= 0 && hwmBefore <= before + 1024 && work()) {
            const long peak = StatusKb("VmHWM");
            if (peak >= 0)
                result = static_cast<double>(peak - before);
        }
        const ssize_t written = write(pipeFds[1], &result, sizeof(result));
        _exit(written == sizeof(result) ? 0 : 1);
    }
    close(pipeFds[1]);
    double result = -1;
    const ssize_t got = read(pipeFds[0], &result, sizeof(result));
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return got == sizeof(result) ? result : -1;
}

constexpr double kBigDecodedKb = static_cast<double>(kBigWidth) * kBigHeight * 3 / 1024.0;

void ReportPeak(benchmark::State& state, double growthKb) {
    state.counters["decoded_MB"] = kBigDecodedKb / 1024.0;
    state.counters["peak_growth_MB"] = growthKb / 1024.0;
    state.counters["peak_growth_x_decoded"] = growthKb / kBigDecodedKb;
}

// Peak resident memory of loading the 50-megapixel photo, beyond what the process held before,
// as a multiple of the decoded picture's size (W*H*3).
void BM_FiftyMpLoadPeakMemory(benchmark::State& state) {
    const Photos& photos = ThePhotos();
    double growth = -1;
    for (auto _ : state) {
        growth = PeakGrowthKb([&] {
            const auto bitmap = imaging::LoadJpegFile(photos.fiftyMp);
            return bitmap && bitmap->Width == kBigWidth && bitmap->Height == kBigHeight;
        });
    }
    if (growth < 0) {
        state.SkipWithError("50-megapixel load failed");
        return;
    }
    ReportPeak(state, growth);
}
BENCHMARK(BM_FiftyMpLoadPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

// The same for the whole import of that photo through AddPhoto at 1280x1024.
void BM_FiftyMpAddPhotoPeakMemory(benchmark::State& state) {
    const Photos& photos = ThePhotos();
    QTemporaryDir work;
    double growth = -1;
    for (auto _ : state) {
        growth = PeakGrowthKb([&] {
            project::ShowContent show;
            const project::WorkFiles files(work.path().toStdString() + "/", std::string(), 0);
            const auto added =
                project::AddPhoto(show, files, project::PhotoSettings{"1280x1024"}, photos.fiftyMp);
            const bool ok = project::Added(added) && show.Slides.size() == 1;
            project::DiscardShow(show, files);
            return ok;
        });
    }
    if (growth < 0) {
        state.SkipWithError("50-megapixel import failed");
        return;
    }
    ReportPeak(state, growth);
}
BENCHMARK(BM_FiftyMpAddPhotoPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

// The console table as usual, keeping each benchmark's mean real and CPU time per iteration
// for the ratios printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    struct Times {
        double real = 0;
        double cpu = 0;
    };
    std::map<std::string, Times> times;

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (!run.error_occurred && run.run_type == Run::RT_Iteration)
                times[run.benchmark_name()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
    }
};

void PrintRatio(const RatioReporter& r, const std::string& what, const std::string& base) {
    const auto a = r.times.find(what);
    const auto b = r.times.find(base);
    if (a == r.times.end() || b == r.times.end() || b->second.real <= 0 || b->second.cpu <= 0)
        return;
    std::printf("%-38s / %-38s real %.2fx  cpu %.2fx\n", what.c_str(), base.c_str(),
                a->second.real / b->second.real, a->second.cpu / b->second.cpu);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("\nImport against libjpeg-turbo decoding alone (goal: within 1.3x):\n");
    const std::string import = "BM_Twenty12MpAddPhoto/min_time:3.000";
    PrintRatio(reporter, import, "BM_Twenty12MpLibjpegTurboAlone/min_time:3.000");
    PrintRatio(reporter, import, "BM_Twenty12MpLibjpegTurboFreshBuffer/min_time:3.000");
    PrintRatio(reporter, "BM_Twenty12MpLoadJpegFile/min_time:3.000",
               "BM_Twenty12MpLibjpegTurboAlone/min_time:3.000");
    return 0;
}
