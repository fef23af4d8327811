// The preview's pictures, as a 60 Hz display takes them: a 1080p show of twelve photos with
// motion, each 3 s, cross-faded over 1 s, drawn ahead by PreviewFrames on the pool.
// - Preview/start: from the key (the frames made) to the first picture ready, in ms.
// - Preview/clip4k: the same ticks over a 4K HEVC 10-bit HLG clip shown at 1080p, with the rate
//   it holds (held_fps) and its worst interval.
// - Preview/play: a display tick every 16.7 ms for `seconds` of show time (60 unless
//   REELPANE_PREVIEW_SECONDS says otherwise), taking the frame on screen then, as the window's
//   frame timer does. Counters: the median and worst interval between new pictures (ms), the
//   frames missed, and the longest the display's thread spent in a tick (taking the frame and
//   copying it, as the window copies it into its pixmap), in ms.
//   build/preview_bench
#include "BenchClips.h"
#include "imaging/BmpFile.h"
#include "imaging/TransitionKinds.h"
#include "media/video/ClipImport.h"
#include "media/video/ClipPictureSource.h"
#include "project/Slide.h"
#include "render/PreviewFrames.h"

#include <benchmark/benchmark.h>

#include <QColor>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPhotos = 12;
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
const render::FrameRate kRate = render::FrameRate::Fps(60);

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Working pictures at the show's photo size, each different, and the slides that show them.
std::vector<project::Slide> MakeShow(const QTemporaryDir& dir) {
    std::vector<project::Slide> slides;
    for (int i = 0; i < kPhotos; ++i) {
        QImage image(2048, 1365, QImage::Format_RGB888);
        QPainter p(&image);
        QLinearGradient g(0, 0, image.width(), image.height());
        g.setColorAt(0, QColor::fromHsv((i * 37) % 360, 200, 230));
        g.setColorAt(1, QColor::fromHsv((i * 37 + 120) % 360, 160, 90));
        p.fillRect(image.rect(), g);
        p.setBrush(Qt::white);
        p.drawEllipse(QPoint(300 + i * 120, 400 + (i % 3) * 200), 180, 120);
        p.end();
        const std::string path = dir.filePath(QString("p%1.bmp").arg(i)).toStdString();
        if (!imaging::SaveBmpFile(path, imaging::Bitmap::CreateFromImage(image)))
            std::abort();
        project::Slide s = project::Slide::MakeDefault();
        s.WorkFile = path;
        s.StillMs = 3000;
        s.TransitionMs = 1000;
        s.Ext.TransitionKind = imaging::kTransitionCrossfade;
        s.Ext.Motion.Mode = imaging::MotionMode::Auto;
        slides.push_back(s);
    }
    return slides;
}

void Start(benchmark::State& state) {
    QTemporaryDir dir;
    const auto slides = MakeShow(dir);
    double worst = 0;
    for (auto _ : state) {
        const auto key = Clock::now();
        render::PreviewFrames frames(slides, kWidth, kHeight, kRate,
                                     dir.filePath("x.bmp").toStdString());
        frames.WaitFor(0, 10000);
        const double ms = Ms(Clock::now() - key);
        worst = std::max(worst, ms);
        state.SetIterationTime(ms / 1000);
    }
    state.counters["worst_ms"] = worst;
}

// Plays the slides as the window's 60 Hz frame timer takes them, for `seconds`, and reports the
// intervals between new pictures and the rate held.
void PlaySlides(benchmark::State& state, const std::vector<project::Slide>& slides,
                const QTemporaryDir& dir, double seconds, render::ClipOpener clips = {}) {
    for (auto _ : state) {
        render::PreviewFrames frames(slides, kWidth, kHeight, kRate,
                                     dir.filePath("x.bmp").toStdString(), clips);
        frames.WaitFor(0, 10000); // the start is measured above
        std::vector<double> intervals;
        double longestTick = 0;
        std::int64_t missed = 0, last = -1, shownFrames = 0;
        Clock::time_point lastShown{};
        const auto begin = Clock::now();
        const auto tick = std::chrono::microseconds(16667);
        QImage shown;
        for (auto at = begin; Ms(at - begin) < seconds * 1000; at += tick) {
            std::this_thread::sleep_until(at);
            const auto in = Clock::now();
            const std::int64_t n = render::ShowTimeline::FrameOnScreen(
                static_cast<std::int64_t>(Ms(in - begin)), kRate);
            if (auto frame = frames.Take(n)) {
                // The window's copy of the picture into what it shows.
                shown = frame->Picture.View().copy();
                ++shownFrames;
                if (last >= 0) {
                    intervals.push_back(Ms(in - lastShown));
                    missed += std::max<std::int64_t>(0, frame->Index - last - 1);
                }
                last = frame->Index;
                lastShown = in;
                frames.Recycle(std::move(frame->Picture));
            }
            longestTick = std::max(longestTick, Ms(Clock::now() - in));
        }
        std::sort(intervals.begin(), intervals.end());
        state.counters["median_interval_ms"] =
            intervals.empty() ? 0 : intervals[intervals.size() / 2];
        state.counters["worst_interval_ms"] = intervals.empty() ? 0 : intervals.back();
        state.counters["missed_frames"] = static_cast<double>(missed);
        state.counters["held_fps"] = static_cast<double>(shownFrames) / seconds;
        state.counters["longest_tick_ms"] = longestTick;
        state.SetIterationTime(seconds);
    }
}

void Play(benchmark::State& state) {
    QTemporaryDir dir;
    const auto slides = MakeShow(dir);
    const char* env = std::getenv("REELPANE_PREVIEW_SECONDS");
    PlaySlides(state, slides, dir, env ? std::atof(env) : 60.0);
}

// A 4K HEVC 10-bit HLG clip of 10 s (30 fps, made by ffmpeg) previewed at 1080p: decoded,
// tone-mapped and scaled ahead by the renderer's worker.
void PlayClip(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string clip = dir.filePath("hlg4k.mp4").toStdString();
    if (!bench_clips::MakeHlgClip(clip, 10)) {
        state.SkipWithError("ffmpeg could not make the clip");
        return;
    }
    const std::string root = dir.path().toStdString() + "/";
    project::WorkFiles files(root, root, 3);
    project::PhotoSettings photos;
    photos.Resolution = "1920x1080";
    project::ShowContent show;
    if (!project::Added(media::AddClip(show, files, photos, clip))) {
        state.SkipWithError("the clip did not come in");
        return;
    }
    PlaySlides(state, show.Slides, dir, 9.0, media::ClipOpenerForRendering());
}

} // namespace

BENCHMARK(Start)
    ->Name("Preview/start")
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Play)->Name("Preview/play")->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(PlayClip)
    ->Name("Preview/clip4k")
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
