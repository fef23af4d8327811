// How much of a photo's detail a moving slide keeps: the mid-slide frame of a slide zooming from
// 1x to 1.25x of the cover, drawn by the renderer from the photo's original and from its working
// picture, against the original cropped to the same view and scaled by ImageMagick's Lanczos
// filter. Prints each one's gradient energy as a fraction of the reference's, for a landscape, a
// portrait and a panorama at 1080p, and the landscape at 2160p. The target is >= 0.9 from
// the original. Figures for the report, not a pass/fail gate.
//   build/detail_bench
#include "imaging/AutoMotion.h"
#include "imaging/BmpFile.h"
#include "imaging/ImageLoad.h"
#include "media/video/SharpFit.h"
#include "project/Import.h"
#include "render/FrameRenderer.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

// Mean absolute difference of neighbouring pixels' green, across and down.
double GradientEnergy(const imaging::Bitmap& frame) {
    double sum = 0;
    for (int y = 0; y + 1 < frame.Height; ++y)
        for (int x = 0; x + 1 < frame.Width; ++x) {
            const int g = frame.Row(y)[3 * x + 1];
            sum +=
                std::abs(g - frame.Row(y)[3 * x + 4]) + std::abs(g - frame.Row(y + 1)[3 * x + 1]);
        }
    return sum / (static_cast<double>(frame.Width - 1) * (frame.Height - 1));
}

// A photo with detail at every scale: grain, thin lines and soft shapes.
void MakePhoto(const std::string& path, int w, int h) {
    std::mt19937 rng(static_cast<unsigned>(w * 7 + h));
    QImage photo(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int grain = static_cast<int>(rng() % 24);
            line[x] = qRgb(60 + (x * 120 / w) + grain, 80 + (y * 100 / h) + grain, 120 + grain);
        }
    }
    QPainter p(&photo);
    for (int k = 0; k < 400; ++k) {
        p.setPen(QPen(QColor::fromHsv(static_cast<int>(rng() % 360), 200, 240), 1 + rng() % 3));
        p.drawLine(static_cast<int>(rng() % w), static_cast<int>(rng() % h),
                   static_cast<int>(rng() % w), static_cast<int>(rng() % h));
    }
    p.end();
    photo.save(QString::fromStdString(path), "JPEG", 95);
}

void Measure(const QTemporaryDir& dir, const char* what, int w, int h, int frameW, int frameH) {
    const std::string root = dir.path().toStdString() + "/";
    const std::string photo = root + what + ".jpg";
    MakePhoto(photo, w, h);
    project::WorkFiles files(root + "pictures/", root + "music/", 7);
    project::PhotoSettings photos;
    photos.Resolution = "1920x1080";
    project::ShowContent show;
    if (!project::Added(project::AddPhoto(show, files, photos, photo, {}, project::FaceSearch::Skip,
                                          project::OriginalCopy::Keep)))
        std::exit(1);
    project::Slide& slide = show.Slides[0];
    slide.StillMs = 4000;
    slide.Ext.Motion = {imaging::MotionMode::Manual,
                        {0.5, 0.5, 1.0, true},
                        {0.5, 0.5, 1.25, true},
                        imaging::MotionEasing::Linear};

    const auto frameOf = [&](bool fromOriginal) {
        slide.Original()->Edited = !fromOriginal;
        render::RenderOptions options;
        options.Rate = render::FrameRate::Fps(25);
        options.Fit = media::ComposeSharp;
        options.Scale = media::ScaleSharp;
        options.ScratchPath = root + "incoming.bmp";
        render::FrameRenderer renderer(show.Slides, options);
        imaging::Bitmap frame = imaging::Bitmap::CreateSized(frameW, frameH);
        renderer.Render(frame, 50);
        return frame;
    };
    const double original = GradientEnergy(frameOf(true));
    const double working = GradientEnergy(frameOf(false));

    // The view at frame 50: the original cropped around its centre at that zoom, by Lanczos.
    const auto spans = render::ShowTimeline::TimesOf(show.Slides);
    const render::ShowTimeline timeline(spans);
    const double u =
        render::ShowTimeline::MotionProgress(timeline.Spans(render::FrameRate::Fps(25)), 0, 50);
    const imaging::Motion fitted =
        imaging::ResolveMotion(slide.Ext.Motion, 0, frameW, frameH, w, h);
    const double zoom = imaging::MotionStateAt(fitted, u).Z;
    const double fit = std::min(double(frameW) / w, double(frameH) / h);
    const double viewW = frameW / (fit * zoom), viewH = frameH / (fit * zoom);
    const std::string reference = root + "reference.bmp";
    const std::string command =
        "convert '" + photo + "' -crop " + std::to_string(std::lround(viewW)) + "x" +
        std::to_string(std::lround(viewH)) + "+" + std::to_string(std::lround((w - viewW) / 2)) +
        "+" + std::to_string(std::lround((h - viewH) / 2)) + " +repage -filter Lanczos -resize " +
        std::to_string(frameW) + "x" + std::to_string(frameH) + "! BMP3:'" + reference + "'";
    if (std::system(command.c_str()) != 0)
        std::exit(1);
    const auto ref = imaging::LoadBmpFile(reference);
    if (!ref)
        std::exit(1);
    const double lanczos = GradientEnergy(*ref);
    std::printf("%-10s %5dx%-5d -> %4dx%-4d zoom %.3f: from the original %.3f, from the working "
                "picture %.3f of Lanczos\n",
                what, w, h, frameW, frameH, zoom, original / lanczos, working / lanczos);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("pictures"));
    Measure(dir, "landscape", 4000, 3000, 1920, 1080);
    Measure(dir, "portrait", 3000, 4000, 1920, 1080);
    Measure(dir, "panorama", 8000, 2000, 1920, 1080);
    Measure(dir, "landscape", 4000, 3000, 3840, 2160);
    return 0;
}
