// Photo import speed and memory: twenty 12-megapixel JPEGs decoded by libjpeg-turbo alone (into
// one reused buffer) next to LoadJpegFile, and the peak memory of loading one 50-megapixel JPEG.
// The photos are made once per run with ffmpeg in a temporary folder.
#include "imaging/ImageLoad.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kPhotos = 20;

struct Photos {
    QTemporaryDir dir;
    std::vector<std::string> twelveMp;
    std::string fiftyMp;

    Photos() {
        const std::string d = dir.path().toStdString();
        const std::string make12 = "ffmpeg -loglevel error -f lavfi -i testsrc2=s=4000x3000:r=1 "
                                   "-frames:v " +
                                   std::to_string(kPhotos) + " -q:v 3 '" + d + "/p%02d.jpg'";
        const std::string make50 = "ffmpeg -loglevel error -f lavfi -i testsrc2=s=8192x6144:r=1 "
                                   "-frames:v 1 -q:v 3 '" +
                                   d + "/big.jpg'";
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
            imaging::TFastBMP bitmap;
            if (!imaging::LoadJpegFile(bitmap, p))
                state.SkipWithError("decode failed");
            benchmark::DoNotOptimize(bitmap.Bits);
        }
    }
    state.counters["photos"] = kPhotos;
}
BENCHMARK(BM_Twenty12MpLoadJpegFile)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// Peak resident memory of a fresh process that loads the 50-megapixel photo, beyond what it
// held before, as a multiple of the decoded picture's size.
void BM_FiftyMpPeakMemory(benchmark::State& state) {
    const Photos& photos = ThePhotos();
    double ratio = 0, decodedMb = 0;
    for (auto _ : state) {
        int pipeFds[2];
        if (pipe(pipeFds) != 0) {
            state.SkipWithError("pipe failed");
            return;
        }
        const pid_t child = fork();
        if (child == 0) {
            close(pipeFds[0]);
            rusage before{};
            getrusage(RUSAGE_SELF, &before);
            imaging::TFastBMP bitmap;
            const bool ok = imaging::LoadJpegFile(bitmap, photos.fiftyMp);
            rusage after{};
            getrusage(RUSAGE_SELF, &after);
            const double result[2] = {ok ? static_cast<double>(after.ru_maxrss - before.ru_maxrss)
                                         : -1.0,
                                      static_cast<double>(bitmap.ByteSize) / 1024.0};
            const ssize_t written = write(pipeFds[1], result, sizeof(result));
            _exit(written == sizeof(result) ? 0 : 1);
        }
        close(pipeFds[1]);
        double result[2] = {-1, 0};
        const ssize_t got = read(pipeFds[0], result, sizeof(result));
        close(pipeFds[0]);
        int status = 0;
        waitpid(child, &status, 0);
        if (got != sizeof(result) || result[0] < 0) {
            state.SkipWithError("50-megapixel load failed");
            return;
        }
        ratio = result[0] / result[1];
        decodedMb = result[1] / 1024.0;
    }
    state.counters["decoded_MB"] = decodedMb;
    state.counters["peak_growth_x_decoded"] = ratio;
}
BENCHMARK(BM_FiftyMpPeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
