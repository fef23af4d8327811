// Picks the decoder from a photo's extension, and the BMP loader until the project's own BMP
// reader is wired in.
#include "imaging/ImageLoad.h"

#include "imaging/BmpFile.h"

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

bool LoadBmpPhotoMemory(Bitmap& bitmap, const std::uint8_t* data, std::size_t size,
                        std::string* error, const DecodeLimits& limits) {
    bitmap = Bitmap();
    if (data == nullptr)
        return detail::Fail(error, "BMP: no data");
    BmpReadLimits bmpLimits;
    bmpLimits.MaxSide = limits.maxSide;
    bmpLimits.MaxPixels = limits.maxPixels;
    std::string why;
    if (!DecodeBmp(data, size, bitmap, &why, bmpLimits))
        return detail::Fail(error, "BMP: " + why);
    return true;
}

bool LoadBmpPhotoFile(Bitmap& bitmap, const std::string& path, std::string* error) {
    bitmap = Bitmap();
    std::string why;
    if (!LoadBmpFile(path, bitmap, &why))
        return detail::Fail(error, "BMP: " + why);
    return true;
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

bool LoadImageFile(Bitmap& bitmap, const std::string& path, std::string* error) {
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
    bitmap = Bitmap();
    return detail::Fail(error, "not a photo extension: " + path);
}

bool LoadImageMemory(Bitmap& bitmap, PhotoKind kind, const std::uint8_t* data, std::size_t size,
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
    bitmap = Bitmap();
    return detail::Fail(error, "unknown photo kind");
}

} // namespace imaging
