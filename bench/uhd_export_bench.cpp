// The MP4 export of whole shows at today's sizes, frames per second and peak memory:
// - Export/2160/30 and Export/2160/60: 3840 x 2160 (H.264, level 5.1 / 5.2);
// - Export/1080/60: 1920 x 1080 at 60 frames per second.
// Each show has PHOTOS photos (REELPANE_BENCH_PHOTOS, default 8) of 4 s, each followed by a 1 s
// slide-in, with photo-like working pictures at the video's size and a silent soundtrack. Each
// export runs in a child process so its peak resident memory (ru_maxrss) is its own; the
// counters are fps (frames written per second of wall time) and peak_MB. Running it with two
// show lengths shows whether the peak grows with the show (it should not).
#include "BenchBitmaps.h"
#include "imaging/BmpFile.h"
#include "media/export/VideoExport.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

int Photos() {
    const char* v = std::getenv("REELPANE_BENCH_PHOTOS");
    const int n = v ? std::atoi(v) : 8;
    return n > 0 ? n : 8;
}

// Silence for as long as asked.
class Silence final : public media::PcmSource {
public:
    media::PcmFormat Format() const override { return {48000, 2, 16}; }
    base::Result<std::size_t> Read(std::uint8_t* out, std::size_t size) override {
        std::memset(out, 0, size - size % 4);
        return size - size % 4;
    }
};

struct Outcome {
    double Seconds = 0;
    std::int64_t Frames = 0;
    long PeakKb = 0;
    bool Ok = false;
};

Outcome ExportInChild(int shortSide, int fps) {
    QTemporaryDir dir;
    const media::FrameSize size =
        media::ShapedFrameSize(media::ResolutionOfShortSide(shortSide), media::VideoShape::Wide);
    project::ShowContent show;
    for (int i = 0; i < Photos(); ++i) {
        // Smooth gradients with a little grain, each photo different.
        imaging::Bitmap grain = bench::RandomBitmap(size.Width, size.Height, i + 1);
        imaging::Bitmap b = imaging::Bitmap::CreateSized(size.Width, size.Height);
        for (int y = 0; y < size.Height; ++y)
            for (int x = 0; x < size.Width; ++x) {
                std::uint8_t* p = b.Row(y) + x * 3;
                const std::uint8_t* g = grain.Row(y) + x * 3;
                p[0] = static_cast<std::uint8_t>((x * 200 / size.Width + i * 40) + (g[0] & 7));
                p[1] = static_cast<std::uint8_t>((y * 150 / size.Height + i * 25) + (g[1] & 7));
                p[2] = static_cast<std::uint8_t>(255 - y * 200 / size.Height + (g[2] & 7));
            }
        const std::string file = dir.filePath(QString("p%1.bmp").arg(i)).toStdString();
        if (!imaging::SaveBmpFile(file, b))
            std::abort();
        auto s = project::Slide::MakeDefault();
        s.StillMs = 4000;
        s.TransitionKind = 2;
        s.TransitionMs = 1000;
        s.WorkFile = file;
        show.Slides.push_back(s);
    }
    auto t = project::Track::MakeDefault();
    t.PlaySeconds = 5 * Photos();
    t.WorkFile = dir.filePath("silence.mp3").toStdString();
    show.Sounds.push_back(t);

    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        media::VideoExportOptions o;
        o.OutputPath = dir.filePath("bench.mp4").toStdString();
        o.Resolution = media::ResolutionOfShortSide(shortSide);
        o.Fps = fps;
        o.OpenTrack = [](const std::string&) -> base::Result<std::unique_ptr<media::PcmSource>> {
            return std::unique_ptr<media::PcmSource>(std::make_unique<Silence>());
        };
        base::NoProgress progress;
        const auto start = std::chrono::steady_clock::now();
        const auto r = media::ExportVideo(show, o, progress);
        Outcome out;
        out.Seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        out.Frames = r ? r->Frames : 0;
        out.Ok = r && r->Outcome == media::ExportOutcome::Written;
        if (!out.Ok)
            std::fprintf(stderr, "export failed: %s\n", r ? "cancelled" : r.error().c_str());
        (void)!::write(pipeFds[1], &out, sizeof out);
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    Outcome out;
    if (::read(pipeFds[0], &out, sizeof out) != static_cast<ssize_t>(sizeof out))
        out.Ok = false;
    ::close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    out.PeakKb = usage.ru_maxrss;
    return out;
}

void Export(benchmark::State& state) {
    const int shortSide = static_cast<int>(state.range(0));
    const int fps = static_cast<int>(state.range(1));
    Outcome last;
    for (auto _ : state) {
        last = ExportInChild(shortSide, fps);
        state.SetIterationTime(last.Seconds);
        if (!last.Ok)
            state.SkipWithError("the export failed");
    }
    state.counters["frames"] = static_cast<double>(last.Frames);
    state.counters["fps"] = last.Seconds > 0 ? static_cast<double>(last.Frames) / last.Seconds : 0;
    state.counters["peak_MB"] = static_cast<double>(last.PeakKb) / 1024.0;
    state.counters["photos"] = Photos();
}

BENCHMARK(Export)
    ->Args({2160, 30})
    ->Args({2160, 60})
    ->Args({1080, 60})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
