// The cost of drawing photos from their originals: a show of 20 photos of 12 megapixels (4000 x
// 3000 JPEG with grain, made here), each 3 s with automatic motion and a 1 s cross-fade, exported
// to 1080p25 H.264 twice over in alternating pairs: from the working pictures at the show's photo
// size of 1920 x 1080 (as shows were drawn before originals were kept), and from the originals
// (each decoded once per export and reduced by area to the size its closest zoom needs). Prints
// the times and their ratio; the figures are for the report, not a pass/fail gate.
//   build/original_export_bench
// REELPANE_BENCH_GRAIN=N: photos with grain of 0..N levels instead of 0..31 (a phone photo's
// noise is a few levels).
// REELPANE_BENCH_DRAW=1: the same pairs with the frames drawn into YUV planes as for the encoder
// but not encoded, to tell the drawing's share of the difference from the encoder's (sharper
// frames hold more detail for x264 to code).
// REELPANE_BENCH_4K=N: instead, N slides (the 20 photos over again) of 1 s with motion exported
// from their originals to 2160p, and the export's peak memory (the originals are drawn once per
// slide and enlarged for the 4K frames; at most two are held at a time).
#include "base/Job.h"
#include "imaging/BmpFile.h"
#include "imaging/TransitionKinds.h"
#include "media/export/VideoExport.h"
#include "media/video/VideoSink.h"
#include "project/Import.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int kPhotos = 20;
// How much random grain each pixel of the photos gets (0..g_grain levels): REELPANE_BENCH_GRAIN,
// 31 unless told. The encoder's time follows the detail the frames keep, so a grainier photo
// costs the sharp export more.
int g_grain = 31;

// The show twice: slides drawn from their working pictures, and the same slides with originals.
void MakeShows(const QTemporaryDir& dir, project::ShowContent& working,
               project::ShowContent& originals) {
    std::mt19937 rng(45);
    for (int i = 0; i < kPhotos; ++i) {
        QImage photo(4000, 3000, QImage::Format_RGB32);
        for (int y = 0; y < photo.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
            for (int x = 0; x < photo.width(); ++x) {
                const int grain = static_cast<int>(rng() % (g_grain + 1));
                line[x] = qRgb((x / 16 + i * 37 + grain) & 255, (y / 12 + i * 23 + grain) & 255,
                               (200 - (x + y) / 40 + grain) & 255);
            }
        }
        const QString jpeg = dir.filePath(QString("photo%1.jpg").arg(i));
        photo.save(jpeg, "JPEG", 90);
        const QImage fitted =
            photo.scaled(1440, 1080, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const std::string bmp = dir.filePath(QString("photo%1.bmp").arg(i)).toStdString();
        if (!imaging::SaveBmpFile(bmp, imaging::Bitmap::CreateFromImage(fitted)))
            std::abort();
        project::Slide s = project::Slide::MakeDefault();
        s.StillMs = 3000;
        s.TransitionMs = 1000;
        s.Ext.TransitionKind = imaging::kTransitionCrossfade;
        s.Ext.Motion.Mode = imaging::MotionMode::Auto;
        s.WorkFile = bmp;
        working.Slides.push_back(s);
        s.Body = project::PhotoBody{
            project::OriginalPhoto{jpeg.toStdString(), "photo.jpg", false, {}}, std::nullopt};
        originals.Slides.push_back(s);
    }
}

// A sink that takes the frames as the encoder's would (drawn into its YUV planes) and codes none.
class DrawOnlySink final : public media::VideoSink {
public:
    base::Status Start(const imaging::Bitmap& first) override {
        width_ = first.Width;
        height_ = first.Height;
        y_.assign(static_cast<std::size_t>(width_) * height_, 0);
        u_.assign(static_cast<std::size_t>((width_ + 1) / 2) * ((height_ + 1) / 2), 0);
        v_ = u_;
        return {};
    }
    base::Status AddFrames(const imaging::Bitmap&, std::int64_t count) override {
        frames_ += count;
        return {};
    }
    base::Status AddSound(media::SoundPiece) override { return {}; }
    base::Status Finish() override { return {}; }
    bool CarriesSound() const override { return false; }
    std::optional<imaging::YuvMatrix> ComposedMatrix() const override {
        return imaging::YuvMatrix::Bt709;
    }
    base::Status AddComposedFrame(const FrameComposer& compose) override {
        compose({y_.data(), u_.data(), v_.data(), width_, (width_ + 1) / 2, (width_ + 1) / 2});
        ++frames_;
        return {};
    }
    std::int64_t EncodedFrames() const override { return frames_; }

private:
    int width_ = 0, height_ = 0;
    std::vector<std::uint8_t> y_, u_, v_;
    std::int64_t frames_ = 0;
};

bool g_drawOnly = false;

double Export(const project::ShowContent& show, const std::string& out,
              int resolution = media::kResolution1080p) {
    media::VideoExportOptions o;
    if (g_drawOnly)
        o.MakeSink =
            [](const media::VideoSinkSettings&) -> base::Result<std::unique_ptr<media::VideoSink>> {
            return std::unique_ptr<media::VideoSink>(std::make_unique<DrawOnlySink>());
        };
    o.OutputPath = out;
    o.Resolution = resolution;
    o.Speed = "veryfast";
    base::NoProgress quiet;
    const auto t0 = std::chrono::steady_clock::now();
    const media::VideoExportResult r = media::ExportVideo(show, o, quiet);
    if (!r || r->Outcome != media::ExportOutcome::Written) {
        std::fprintf(stderr, "export: %s\n", r ? "cancelled" : r.error().c_str());
        return -1;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (const char* grain = std::getenv("REELPANE_BENCH_GRAIN"))
        g_grain = std::clamp(std::atoi(grain), 0, 255);
    QTemporaryDir dir;
    project::ShowContent working, originals;
    MakeShows(dir, working, originals);
    const std::string out = dir.filePath("show.mp4").toStdString();
    g_drawOnly = std::getenv("REELPANE_BENCH_DRAW") != nullptr;
    if (const char* many = std::getenv("REELPANE_BENCH_4K")) {
        project::ShowContent show;
        for (int i = 0; i < std::max(1, std::atoi(many)); ++i) {
            project::Slide s = originals.Slides[static_cast<std::size_t>(i % kPhotos)];
            s.StillMs = 700;
            s.TransitionMs = 300;
            show.Slides.push_back(s);
        }
        const double t = Export(show, out, media::kResolution2160p);
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("%zu slides from 12 MP originals to 2160p: %.2f s, peak memory %ld MB (target "
                    "< 1536 MB)\n",
                    show.Slides.size(), t, usage.ru_maxrss / 1024);
        return t < 0 ? 1 : 0;
    }
    // REELPANE_BENCH_ONE=originals|working: one export of one kind (for a profiler).
    if (const char* one = std::getenv("REELPANE_BENCH_ONE")) {
        const bool fromOriginals = std::string(one) == "originals";
        const double t = Export(fromOriginals ? originals : working, out);
        std::printf("%s: %.2f s\n", fromOriginals ? "originals" : "working pictures", t);
        return t < 0 ? 1 : 0;
    }
    double sumWorking = 0, sumOriginals = 0;
    for (int pair = 0; pair < 2; ++pair) {
        // Alternating: the working pictures first in the first pair, the originals in the second.
        const double a = pair == 0 ? Export(working, out) : Export(originals, out);
        const double b = pair == 0 ? Export(originals, out) : Export(working, out);
        const double w = pair == 0 ? a : b, o = pair == 0 ? b : a;
        if (w < 0 || o < 0)
            return 1;
        std::printf("pair %d: working pictures %.2f s, originals %.2f s, ratio %.3f\n", pair + 1, w,
                    o, o / w);
        sumWorking += w;
        sumOriginals += o;
    }
    std::printf("20 photos of 12 MP (grain 0..%d) with motion, 1080p25%s: working %.2f s, "
                "originals %.2f s, "
                "ratio %.3f (target <= 1.10)\n",
                g_grain, g_drawOnly ? ", drawn, not encoded" : "", sumWorking / 2, sumOriginals / 2,
                sumOriginals / sumWorking);
    return 0;
}
