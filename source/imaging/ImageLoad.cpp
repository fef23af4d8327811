// Picks the decoder from a photo's extension, and the BMP loader until the project's own BMP
// reader is wired in.
#include "imaging/ImageLoad.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <limits>

namespace imaging {

namespace detail {

bool Fail(std::string* error, const std::string& message) {
    if (error != nullptr)
        *error = message;
    return false;
}

bool ReadWholeFile(const std::string& path, std::string& out, std::size_t maxBytes,
                   std::string* error) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return Fail(error, "cannot open " + path);
    const std::streamoff size = in.tellg();
    if (size < 0)
        return Fail(error, "cannot read " + path);
    if (static_cast<std::uint64_t>(size) > maxBytes)
        return Fail(error, "file too large: " + path);
    out.resize(static_cast<std::size_t>(size));
    in.seekg(0);
    if (size > 0 && !in.read(out.data(), size))
        return Fail(error, "cannot read " + path);
    return true;
}

} // namespace detail

namespace {

// BMP files through Qt's reader: the size is checked from the header before the pixels are
// allocated. To be replaced by the project's own BMP reader (BmpFile.h, ReadBmpFile) once it
// lands; only these two functions change then.
bool ReadBmpWithQt(TFastBMP& bitmap, QIODevice& device, const DecodeLimits& limits,
                   std::string* error) {
    bitmap = TFastBMP();
    QImageReader reader(&device, "bmp");
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (!size.isValid())
        return detail::Fail(error, "BMP: " + reader.errorString().toStdString());
    if (!limits.Fits(size.width(), size.height()))
        return detail::Fail(error, "BMP: picture size " + std::to_string(size.width()) + "x" +
                                       std::to_string(size.height()) + " is beyond the limits");
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return detail::Fail(error, "BMP: " + reader.errorString().toStdString());
    if (image.hasAlphaChannel()) {
        // Lay 32-bit BMPs with alpha on white, like the other formats' transparency.
        QImage white(image.size(), QImage::Format_RGB32);
        white.fill(Qt::white);
        QPainter(&white).drawImage(0, 0, image);
        image = white;
    }
    bitmap = TFastBMP::CreateFromImage(image);
    if (bitmap.IsEmpty())
        return detail::Fail(error, "BMP: out of memory for the picture");
    return true;
}

} // namespace

bool LoadBmpPhotoMemory(TFastBMP& bitmap, const std::uint8_t* data, std::size_t size,
                        std::string* error, const DecodeLimits& limits) {
    if (data == nullptr || size > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return detail::Fail(error, "BMP: no data");
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return ReadBmpWithQt(bitmap, buffer, limits, error);
}

bool LoadBmpPhotoFile(TFastBMP& bitmap, const std::string& path, std::string* error) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        bitmap = TFastBMP();
        return detail::Fail(error, "BMP: cannot open " + path);
    }
    return ReadBmpWithQt(bitmap, file, DecodeLimits{}, error);
}

PhotoKind PhotoKindOfExtension(const std::string& ext) {
    std::string up = ext;
    std::transform(up.begin(), up.end(), up.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (up == ".JPG" || up == ".JPEG")
        return PhotoKind::Jpeg;
    if (up == ".PNG")
        return PhotoKind::Png;
    if (up == ".GIF")
        return PhotoKind::Gif;
    if (up == ".BMP")
        return PhotoKind::Bmp;
    if (up == ".WMF")
        return PhotoKind::Wmf;
    return PhotoKind::None;
}

bool IsPhotoExtension(const std::string& ext) {
    return PhotoKindOfExtension(ext) != PhotoKind::None;
}

bool LoadImageFile(TFastBMP& bitmap, const std::string& path, std::string* error) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    const std::string ext = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                                ? ""
                                : path.substr(dot);
    switch (PhotoKindOfExtension(ext)) {
    case PhotoKind::Jpeg:
        return LoadJpegFile(bitmap, path, error);
    case PhotoKind::Png:
        return LoadPngFile(bitmap, path, error);
    case PhotoKind::Gif:
        return LoadGifFile(bitmap, path, error);
    case PhotoKind::Bmp:
        return LoadBmpPhotoFile(bitmap, path, error);
    case PhotoKind::Wmf:
        return LoadWmfFile(bitmap, path, error);
    case PhotoKind::None:
        break;
    }
    bitmap = TFastBMP();
    return detail::Fail(error, "not a photo extension: " + path);
}

bool LoadImageMemory(TFastBMP& bitmap, PhotoKind kind, const std::uint8_t* data, std::size_t size,
                     std::string* error, const DecodeLimits& limits) {
    switch (kind) {
    case PhotoKind::Jpeg:
        return LoadJpegMemory(bitmap, data, size, error, limits);
    case PhotoKind::Png:
        return LoadPngMemory(bitmap, data, size, error, limits);
    case PhotoKind::Gif:
        return LoadGifMemory(bitmap, data, size, error, limits);
    case PhotoKind::Bmp:
        return LoadBmpPhotoMemory(bitmap, data, size, error, limits);
    case PhotoKind::Wmf:
        return LoadWmfMemory(bitmap, data, size, error, limits);
    case PhotoKind::None:
        break;
    }
    bitmap = TFastBMP();
    return detail::Fail(error, "unknown photo kind");
}

} // namespace imaging
