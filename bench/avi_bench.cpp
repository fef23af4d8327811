// Writing 3000 frames of 720 x 528 with the XviD-tagged MPEG-4 compressor at the export's
// quality, as stills and as changing frames, beside ffmpeg encoding the same raw frames from a
// pipe with `-c:v mpeg4 -vtag XVID -q:v 2 -g 25` (both use both cores). Each is timed once,
// wall clock, file written and closed.
#include "BenchBitmaps.h"
#include "media/video/AviWriter.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kWidth = 720;
constexpr int kHeight = 528;
constexpr int kFrames = 3000;
constexpr int kStillFrames = 125; // 24 stills of 5 s

// Photo-like pictures: smooth colour gradients with a little grain, each different.
const std::vector<imaging::Bitmap>& Pictures() {
    static const std::vector<imaging::Bitmap> pictures = [] {
        std::vector<imaging::Bitmap> out;
        for (unsigned n = 0; n < 48; ++n) {
            imaging::Bitmap grain = bench::RandomBitmap(kWidth, kHeight, n + 1);
            imaging::Bitmap b = imaging::Bitmap::CreateSized(kWidth, kHeight);
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    std::uint8_t* p = b.Row(y) + x * 3;
                    const std::uint8_t* g = grain.Row(y) + x * 3;
                    p[0] = static_cast<std::uint8_t>((x + n * 40) / 4 + (g[0] & 15));
                    p[1] = static_cast<std::uint8_t>((y + x / 2 + n * 25) / 3 + (g[1] & 15));
                    p[2] = static_cast<std::uint8_t>(255 - (y + n * 10) / 3 + (g[2] & 15));
                }
            out.push_back(std::move(b));
        }
        return out;
    }();
    return pictures;
}

// The picture of frame i: stills hold one picture for 125 frames; changing frames move a
// different picture every frame.
const imaging::Bitmap& FrameOf(int i, bool stills) {
    const auto& p = Pictures();
    return stills ? p[static_cast<std::size_t>(i / kStillFrames) % p.size()]
                  : p[static_cast<std::size_t>(i) % p.size()];
}

void Ours(benchmark::State& state, bool stills) {
    QTemporaryDir dir;
    Pictures();
    for (auto _ : state) {
        media::AviWriter w;
        media::AviWriter::Options o;
        o.FileName = dir.filePath("ours.avi").toStdString();
        o.Codec = "XVID";
        o.Width = kWidth;
        o.Height = kHeight;
        o.Quality = 10000;
        if (!w.Configure(o) || !w.InitVideo(FrameOf(0, stills)))
            std::abort();
        if (stills) {
            for (int i = 0; i < kFrames; i += kStillFrames)
                if (!w.AddStillFrames(FrameOf(i, true), kStillFrames))
                    std::abort();
        } else {
            for (int i = 0; i < kFrames; ++i)
                if (!w.AddFrame(FrameOf(i, false)))
                    std::abort();
        }
        w.FinalizeVideo();
        state.counters["encoded"] = static_cast<double>(w.EncodedFrames());
        if (!w.WriteAvi())
            std::abort();
    }
    state.counters["fps"] = benchmark::Counter(kFrames, benchmark::Counter::kIsRate);
}

void Ffmpeg(benchmark::State& state, bool stills) {
    QTemporaryDir dir;
    Pictures();
    const std::string out = dir.filePath("ffmpeg.avi").toStdString();
    const std::string command = "ffmpeg -nostdin -y -v error -f rawvideo -pix_fmt bgr24 -s 720x528 "
                                "-r 25 -i - -c:v mpeg4 -vtag XVID -q:v 2 -g 25 '" +
                                out + "'";
    for (auto _ : state) {
        FILE* pipe = popen(command.c_str(), "w");
        if (!pipe)
            std::abort();
        for (int i = 0; i < kFrames; ++i) {
            const auto& f = FrameOf(i, stills);
            std::fwrite(f.Bits, 1, static_cast<std::size_t>(f.ByteSize), pipe);
        }
        if (pclose(pipe) != 0)
            std::abort();
    }
    state.counters["fps"] = benchmark::Counter(kFrames, benchmark::Counter::kIsRate);
}

BENCHMARK_CAPTURE(Ours, stills, true)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK_CAPTURE(Ffmpeg, stills, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK_CAPTURE(Ours, changing, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK_CAPTURE(Ffmpeg, changing, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

} // namespace

BENCHMARK_MAIN();
