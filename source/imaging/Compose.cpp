#include "imaging/Compose.h"
#include "imaging/ImageLoad.h"

#include "imaging/BmpFile.h"
#include "imaging/Colors.h"

#include <QFile>
#include <QImageReader>
#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <unistd.h>

namespace imaging {

void FillColor(Bitmap& target, std::int32_t color) {
    const std::uint32_t c = ResolveColor(color);
    target.Fill(static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                static_cast<std::uint8_t>(c));
}

void ComposePhoto(Bitmap& target, const Bitmap& photo, std::int32_t backColor) {
    if (target.IsEmpty())
        return;
    FillColor(target, backColor);
    if (photo.IsEmpty())
        return;
    const std::int32_t W = target.Width, H = target.Height;
    const std::int32_t iw = photo.Width, ih = photo.Height;
    if (iw < W && ih < H) {
        target.Draw(photo, (W - iw) / 2, (H - ih) / 2);
        return;
    }
    const ImageSize fit = FitSize(iw, ih, W, H);
    if (fit.Width == iw && fit.Height == ih) { // same size: ScaleBilinear would copy it
        target.Draw(photo, (W - iw) / 2, (H - ih) / 2);
        return;
    }
    Bitmap scaled = Bitmap::CreateSized(fit.Width, fit.Height);
    photo.ScaleBilinear(scaled);
    target.Draw(scaled, (W - fit.Width) / 2, (H - fit.Height) / 2);
}

base::Result<Bitmap> LoadSlidePicture(const std::string& path) {
    const auto failed = [&path](const std::string& reason) {
        return base::Fail("cannot read " + path + ": " + reason);
    };
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return failed(std::strerror(errno));
    char sig[2] = {0, 0};
    const bool isBmp = std::fread(sig, 1, 2, f) == 2 && sig[0] == 'B' && sig[1] == 'M';
    std::fclose(f);
    if (isBmp)
        return LoadBmpFile(path);
    // A photo's original: its own decoder, turned upright and in sRGB as an import reads it.
    const auto dot = path.rfind('.');
    if (dot != std::string::npos && path.find('/', dot) == std::string::npos &&
        IsPhotoExtension(path.substr(dot)))
        return LoadImageFile(path);
    // Opened by its bytes: a file name need not be UTF-8.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return failed(std::strerror(errno));
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFile::AutoCloseHandle)) {
        ::close(fd);
        return failed(file.errorString().toStdString());
    }
    QImageReader reader(&file);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kMaxSide || size.height() > kMaxSide ||
                           static_cast<std::int64_t>(size.width()) * size.height() > kMaxPixels))
        return failed("the picture is too large");
    const QImage image = reader.read();
    Bitmap bmp = Bitmap::CreateFromImage(image);
    if (bmp.IsEmpty())
        return failed(image.isNull() ? reader.errorString().toStdString()
                                     : std::string("the picture is too large"));
    return bmp;
}

Bitmap ReduceByArea(const Bitmap& picture, int width, int height) {
    if (width <= 0 || height <= 0 || (width >= picture.Width && height >= picture.Height))
        return picture;
    // Qt's smooth scaling of a shrinking picture averages the source pixels under each new one.
    const QImage reduced =
        picture.View().scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return Bitmap::CreateFromImage(reduced);
}

namespace {

// Steps 1-4 of the composition into a target of width x height; fails when the load fails
// (nothing changed then) or when no picture of that size can be made.
base::Status ComposeSlide(Bitmap& target, int width, int height, const SlideSource& slide) {
    const auto photo = LoadSlidePicture(slide.WorkFile);
    if (!photo)
        return base::Fail(photo.error());
    if (target.Width != width || target.Height != height)
        target.SetSize(width, height);
    if (target.IsEmpty())
        return base::Fail("cannot make a frame of " + std::to_string(width) + " x " +
                          std::to_string(height) + " pixels");
    ComposePhoto(target, *photo, slide.BackColor);
    return {};
}

} // namespace

QImage ShowSlideInPreview(const SlideSource* slide, int width, int height) {
    try {
        Bitmap target;
        if (slide == nullptr) {
            target.SetSize(width, height);
            FillColor(target, kClBtnFace);
            return target.CopyToImage();
        }
        if (!ComposeSlide(target, width, height, *slide).ok())
            return QImage();
        return target.CopyToImage();
    } catch (const std::exception&) {
        return QImage();
    }
}

base::Status RenderSlideToFrame(Bitmap& frame, const SlideSource* slide) {
    if (slide == nullptr)
        return base::Fail("no slide to draw");
    if (frame.IsEmpty())
        return base::Fail("no frame to draw the slide on");
    return ComposeSlide(frame, frame.Width, frame.Height, *slide);
}

base::Status PrepareNextFrame(Bitmap& nextFrame, int referenceWidth, int referenceHeight,
                              const SlideSource* slide) {
    if (slide == nullptr)
        return base::Fail("no slide to draw");
    Bitmap composed;
    if (auto done = ComposeSlide(composed, referenceWidth, referenceHeight, *slide); !done)
        return done;
    nextFrame = std::move(composed);
    return {};
}

} // namespace imaging
