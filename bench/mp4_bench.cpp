// The MP4 writer at 1280 x 720 (x264 veryfast, CRF 20):
// - Still/N: one picture held for N frames, written and closed, with every frame through the
//   encoder (every) and with repeats (repeat). (t(251) - t(1)) / 250 is what one more identical
//   frame costs; 25001 frames show the repeats' cost above the timer's noise.
// - Show/CRF: six photo-like slides of 5 s, each followed by a 1 s slide-in (900 frames), written
// by
//   the writer (the slide-in frames drawn here), beside ffmpeg making the same video from the six
//   pictures as PNG files with `xfade=slideleft` and the same encoder settings, in one run.
// Each is timed once, wall clock (the encoders use both cores). After each Show the luma PSNR
// of its video against a lossless encoding of the same frames goes to standard error.
#include "BenchBitmaps.h"
#include "media/video/Mp4Writer.h"

#include <benchmark/benchmark.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr int kSlides = 6;
constexpr int kStillFrames = 125;     // 5 s
constexpr int kTransitionFrames = 25; // 1 s

// Photo-like pictures: smooth colour gradients with a little grain, each different.
const std::vector<imaging::Bitmap>& Pictures() {
    static const std::vector<imaging::Bitmap> pictures = [] {
        std::vector<imaging::Bitmap> out;
        for (unsigned n = 0; n < kSlides; ++n) {
            imaging::Bitmap grain = bench::RandomBitmap(kWidth, kHeight, n + 1);
            imaging::Bitmap b = imaging::Bitmap::CreateSized(kWidth, kHeight);
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    std::uint8_t* p = b.Row(y) + x * 3;
                    const std::uint8_t* g = grain.Row(y) + x * 3;
                    p[0] = static_cast<std::uint8_t>((x + n * 40) / 6 + (g[0] & 7));
                    p[1] = static_cast<std::uint8_t>((y + x / 2 + n * 25) / 5 + (g[1] & 7));
                    p[2] = static_cast<std::uint8_t>(255 - (y + n * 10) / 4 + (g[2] & 7));
                }
            out.push_back(std::move(b));
        }
        return out;
    }();
    return pictures;
}

media::Mp4Writer::Options Options(const QTemporaryDir& dir, const char* name) {
    media::Mp4Writer::Options o;
    o.FileName = dir.filePath(name).toStdString();
    o.Width = kWidth;
    o.Height = kHeight;
    o.FrameTime = 40;
    o.Crf = 20;
    return o;
}

void Still(benchmark::State& state, bool repeat) {
    QTemporaryDir dir;
    const imaging::Bitmap& picture = Pictures()[0];
    const auto frames = static_cast<std::int64_t>(state.range(0));
    for (auto _ : state) {
        media::Mp4Writer w;
        if (!w.Configure(Options(dir, "still.mp4")))
            std::abort();
        w.SetReplayRepeats(repeat);
        if (!w.InitVideo(picture) || !w.AddStillFrames(picture, frames))
            std::abort();
        w.FinalizeVideo();
        state.counters["encoded"] = static_cast<double>(w.EncodedFrames());
        if (!w.WriteAvi())
            std::abort();
    }
    state.counters["bytes"] = static_cast<double>(QFileInfo(dir.filePath("still.mp4")).size());
}

// b slides in from the left over a, step t of `steps`.
void SlideIn(const imaging::Bitmap& a, const imaging::Bitmap& b, int t, int steps,
             imaging::Bitmap& out) {
    const int edge = kWidth * t / steps;
    for (int y = 0; y < kHeight; ++y) {
        std::memcpy(out.Row(y), b.Row(y) + 3 * (kWidth - edge), static_cast<std::size_t>(edge) * 3);
        std::memcpy(out.Row(y) + 3 * edge, a.Row(y), static_cast<std::size_t>(kWidth - edge) * 3);
    }
}

// Writes the show; false on any failure.
bool WriteShow(const std::string& path, bool repeat, int crf, std::int64_t* encoded) {
    const auto& pictures = Pictures();
    imaging::Bitmap frame = imaging::Bitmap::CreateSized(kWidth, kHeight);
    media::Mp4Writer w;
    media::Mp4Writer::Options o;
    o.FileName = path;
    o.Width = kWidth;
    o.Height = kHeight;
    o.FrameTime = 40;
    o.Crf = crf;
    if (!w.Configure(o))
        return false;
    w.SetReplayRepeats(repeat);
    if (!w.InitVideo(pictures[0]))
        return false;
    for (int s = 0; s < kSlides; ++s) {
        const auto& a = pictures[static_cast<std::size_t>(s)];
        const auto& b = pictures[static_cast<std::size_t>((s + 1) % kSlides)];
        if (!w.AddStillFrames(a, kStillFrames))
            return false;
        for (int t = 1; t <= kTransitionFrames; ++t) {
            SlideIn(a, b, t, kTransitionFrames, frame);
            if (!w.AddFrame(frame))
                return false;
        }
    }
    w.FinalizeVideo();
    if (encoded)
        *encoded = w.EncodedFrames();
    return static_cast<bool>(w.WriteAvi());
}

// Luma PSNR of a video against a lossless one (x264 at CRF 0): "average min".
std::string LumaPsnr(const std::string& video, const std::string& reference) {
    const std::string command = "ffmpeg -nostdin -v info -i '" + video + "' -i '" + reference +
                                "' -lavfi '[0:v][1:v]psnr' -f null - 2>&1 | grep -o "
                                "'PSNR y:[0-9.]*.*min:[0-9.]*\\|rror.*'";
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, pipe))
            out += line;
        pclose(pipe);
    }
    return out;
}

void Show(benchmark::State& state, bool repeat) {
    QTemporaryDir dir;
    Pictures();
    const std::string path = dir.filePath("show.mp4").toStdString();
    std::int64_t encoded = 0;
    for (auto _ : state)
        if (!WriteShow(path, repeat, static_cast<int>(state.range(0)), &encoded))
            std::abort();
    state.counters["encoded"] = static_cast<double>(encoded);
    state.counters["bytes"] = static_cast<double>(QFileInfo(dir.filePath("show.mp4")).size());
    state.counters["fps"] = benchmark::Counter(kSlides * (kStillFrames + kTransitionFrames),
                                               benchmark::Counter::kIsRate);
    const std::string reference = dir.filePath("lossless.mp4").toStdString();
    if (!WriteShow(reference, false, 0, nullptr))
        std::abort();
    std::fprintf(stderr, "Show/%s/%d: %s", repeat ? "repeat" : "every",
                 static_cast<int>(state.range(0)), LumaPsnr(path, reference).c_str());
}

void FfmpegXfade(benchmark::State& state) {
    QTemporaryDir dir;
    const auto& pictures = Pictures();
    std::string inputs, graph, last = "0";
    for (int s = 0; s < kSlides; ++s) {
        const QString png = dir.filePath(QString("p%1.png").arg(s));
        if (!pictures[static_cast<std::size_t>(s)].View().save(png))
            std::abort();
        // Each slide's input lasts its still and the transitions on both sides.
        inputs += " -loop 1 -framerate 25 -t 7 -i '" + png.toStdString() + "'";
    }
    // Slide s+1 comes in over slide s after its still; the last slide gives way to the first.
    const QString first = dir.filePath("p0.png");
    inputs += " -loop 1 -framerate 25 -t 2 -i '" + first.toStdString() + "'";
    for (int s = 1; s <= kSlides; ++s) {
        const int offset = s * (kStillFrames + kTransitionFrames) / 25 - 1;
        std::string out = s == kSlides ? std::string("v") : std::to_string(s);
        if (s != kSlides)
            out.insert(out.begin(), 'x');
        if (s > 1)
            graph += ';';
        graph.append("[").append(last).append("][").append(std::to_string(s));
        graph.append("]xfade=transition=slideright:duration=1:offset=");
        graph.append(std::to_string(offset)).append("[").append(out).append("]");
        last = out;
    }
    const std::string out = dir.filePath("ffmpeg.mp4").toStdString();
    const std::string command =
        "ffmpeg -nostdin -y -v error" + inputs + " -filter_complex '" + graph +
        "' -map '[v]' -frames:v " + std::to_string(kSlides * (kStillFrames + kTransitionFrames)) +
        " -c:v libx264 -preset veryfast -crf 20 -pix_fmt yuv420p -colorspace bt709 "
        "-color_primaries bt709 -color_trc bt709 -movflags +faststart '" +
        out + "'";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            std::abort();
    state.counters["bytes"] = static_cast<double>(QFileInfo(QString::fromStdString(out)).size());
    state.counters["fps"] = benchmark::Counter(kSlides * (kStillFrames + kTransitionFrames),
                                               benchmark::Counter::kIsRate);
}

BENCHMARK_CAPTURE(Still, every, false)
    ->Arg(1)
    ->Arg(251)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK_CAPTURE(Still, repeat, true)
    ->Arg(1)
    ->Arg(251)
    ->Arg(25001)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
// The argument is the CRF: 18 shows what the repeats' quality costs in size at the quality of
// encoding every frame at 20.
BENCHMARK_CAPTURE(Show, repeat, true)
    ->Arg(20)
    ->Arg(18)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK_CAPTURE(Show, every, false)
    ->Arg(20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(FfmpegXfade)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace

BENCHMARK_MAIN();
