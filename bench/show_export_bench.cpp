// The export of a show as the user makes one, to compare one core with two:
// - the show: 20 photos of 12 megapixels (4000 x 3000 JPEG, made here: gradients with grain and
//   shapes, each photo different), each shown 3 s and followed by a 2 s transition, the kinds
//   taken in turn from a list of several; one track of music (a tone) under the whole show;
// - Export/mp4: 1920 x 1080 H.264 at 25 frames per second;
// - Export/xvid: 720 x 528 XVID AVI.
// The counters are fps (frames written per second of wall time) and cpu_s (processor time of
// every thread of the export, which the machine's other load does not inflate). Run it pinned to
// one core and free to use both to see what the second core brings:
//   taskset -c 0 build/bench/show_export_bench
//   taskset -c 0,1 build/bench/show_export_bench
#include "media/export/VideoExport.h"
#include "media/video/CodecChoice.h"

#include <benchmark/benchmark.h>

#include <QColor>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <sys/resource.h>

namespace {

double ProcessCpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

constexpr int kPhotos = 20;
constexpr int kPhotoWidth = 4000;
constexpr int kPhotoHeight = 3000;
// Slide-ins, wipes, fades and the rest, in turn.
constexpr int kKinds[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};

// A 440 Hz tone at 44.1 kHz stereo, as long as asked.
class Tone final : public media::PcmSource {
public:
    media::PcmFormat Format() const override { return {44100, 2, 16}; }
    base::Result<std::size_t> Read(std::uint8_t* out, std::size_t size) override {
        const std::size_t frames = size / 4;
        for (std::size_t i = 0; i < frames; ++i, ++at_) {
            const auto v = static_cast<std::int16_t>(
                8000 * std::sin(2 * 3.14159265358979 * 440 * static_cast<double>(at_) / 44100));
            for (int c = 0; c < 2; ++c) {
                out[i * 4 + c * 2] = static_cast<std::uint8_t>(v & 0xFF);
                out[i * 4 + c * 2 + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
            }
        }
        return frames * 4;
    }

private:
    std::int64_t at_ = 0;
};

// The show, its photos written once into a folder that lasts as long as the program.
const project::ShowContent& BenchShow() {
    static QTemporaryDir dir;
    static project::ShowContent show;
    if (!show.Slides.empty())
        return show;
    std::mt19937 rng(2026);
    for (int i = 0; i < kPhotos; ++i) {
        QImage photo(kPhotoWidth, kPhotoHeight, QImage::Format_RGB32);
        for (int y = 0; y < kPhotoHeight; ++y) {
            auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
            for (int x = 0; x < kPhotoWidth; ++x) {
                const int grain = static_cast<int>(rng() & 15);
                line[x] = qRgb((x * 200 / kPhotoWidth + i * 37 + grain) & 255,
                               (y * 180 / kPhotoHeight + i * 23 + grain) & 255,
                               (255 - (x + y) * 120 / (kPhotoWidth + kPhotoHeight) + grain) & 255);
            }
        }
        QPainter paint(&photo);
        for (int k = 0; k < 12; ++k) {
            paint.setBrush(QColor::fromHsv(static_cast<int>(rng() % 360), 160, 200));
            paint.drawEllipse(
                static_cast<int>(rng() % kPhotoWidth), static_cast<int>(rng() % kPhotoHeight),
                300 + static_cast<int>(rng() % 900), 300 + static_cast<int>(rng() % 900));
        }
        paint.end();
        const QString file = dir.filePath(QString("photo%1.jpg").arg(i));
        photo.save(file, "JPEG", 90);
        auto s = project::Slide::MakeDefault();
        s.StillMs = 3000;
        s.TransitionKind = kKinds[i % std::size(kKinds)];
        s.TransitionMs = 2000;
        s.WorkFile = file.toStdString();
        show.Slides.push_back(s);
    }
    auto t = project::Track::MakeDefault();
    t.PlaySeconds = 5 * kPhotos;
    t.LengthSeconds = 5 * kPhotos;
    t.Volume = 100;
    t.WorkFile = dir.filePath("music.mp3").toStdString();
    show.Sounds.push_back(t);
    return show;
}

void Export(benchmark::State& state, bool mp4) {
    const project::ShowContent& show = BenchShow();
    QTemporaryDir out;
    media::VideoExportOptions o;
    if (mp4) {
        o.OutputPath = out.filePath("show.mp4").toStdString();
        o.Resolution = media::ResolutionOfShortSide(1080);
    } else {
        o.OutputPath = out.filePath("show.avi").toStdString();
        o.Codec = "XVID";
        o.Resolution = media::kResolutionHigh;
        o.ScreenHeight = 768;
    }
    o.OpenTrack = [](const std::string&) -> base::Result<std::unique_ptr<media::PcmSource>> {
        return std::unique_ptr<media::PcmSource>(std::make_unique<Tone>());
    };
    media::VideoExportResult last = base::Fail("not run");
    double seconds = 0;
    double cpu = 0;
    for (auto _ : state) {
        base::NoProgress progress;
        const double cpuStart = ProcessCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        last = media::ExportVideo(show, o, progress);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu = ProcessCpuSeconds() - cpuStart;
        state.SetIterationTime(seconds);
        if (!last || last->Outcome != media::ExportOutcome::Written) {
            state.SkipWithError(
                ("the export failed: " + (last ? std::string("cancelled") : last.error())).c_str());
            return;
        }
    }
    state.counters["frames"] = static_cast<double>(last->Frames);
    state.counters["fps"] = seconds > 0 ? static_cast<double>(last->Frames) / seconds : 0;
    state.counters["cpu_s"] = cpu;
    state.counters["width"] = last->Size.Width;
    state.counters["height"] = last->Size.Height;
}

BENCHMARK_CAPTURE(Export, mp4, true)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(Export, xvid, false)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv); // the picture readers' plugins
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
