// Picks the decoder from a photo's extension; the shared shape of a file loader's failure.
#include "imaging/ImageLoad.h"

#include "imaging/BmpFile.h"
#include "imaging/DecodedPhoto.h"
#include "imaging/FitWhileDecoding.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>

namespace imaging {

namespace detail {

base::Error ReadFailure(const std::string& path, const std::string& reason) {
    return base::Fail("cannot read " + path + ": " + reason);
}

base::Error OpenFailure(const std::string& path) {
    return ReadFailure(path, std::strerror(errno));
}

base::Result<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return OpenFailure(path);
    const std::streamoff size = in.tellg();
    if (size < 0)
        return ReadFailure(path, std::strerror(errno));
    if (static_cast<std::uint64_t>(size) > maxBytes)
        return ReadFailure(path, "the file is larger than any photo (" + std::to_string(size) +
                                     " bytes)");
    std::string out(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    if (size > 0 && !in.read(out.data(), size))
        return ReadFailure(path, errno != 0 ? std::strerror(errno) : "the file ended early");
    return out;
}

} // namespace detail

base::Result<Bitmap> LoadBmpPhotoMemory(const std::uint8_t* data, std::size_t size,
                                        const DecodeLimits& limits) {
    if (data == nullptr)
        return base::Fail("BMP: no data");
    BmpReadLimits bmpLimits;
    bmpLimits.MaxSide = limits.maxSide;
    bmpLimits.MaxPixels = limits.maxPixels;
    auto decoded = DecodeBmp(data, size, bmpLimits);
    if (!decoded)
        return base::Fail("BMP: " + decoded.error());
    return decoded;
}

base::Result<Bitmap> LoadBmpPhotoFile(const std::string& path) {
    return LoadBmpFile(path);
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
    if (up == ".WEBP")
        return PhotoKind::Webp;
    if (up == ".HEIC" || up == ".HEIF" || up == ".HIF" || up == ".AVIF")
        return PhotoKind::Heif;
    if (up == ".TIF" || up == ".TIFF")
        return PhotoKind::Tiff;
    if (up == ".JXL")
        return PhotoKind::Jxl;
    return PhotoKind::None;
}

bool IsPhotoExtension(const std::string& ext) {
    return PhotoKindOfExtension(ext) != PhotoKind::None;
}

namespace {

// A picture whose decoder has already brought it to sRGB (or whose format has no colour tags).
base::Result<DecodedPhoto> InSrgbAlready(base::Result<Bitmap> decoded) {
    if (!decoded)
        return base::Fail(decoded.error());
    return DecodedPhoto{std::move(*decoded), {}};
}

// Decodes the file; the JPEG, WebP and TIFF decoders tell `rows` of their rows as they are done.
base::Result<DecodedPhoto> DecodeImageFile(const std::string& path, DecodedRows* rows) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    const std::string ext = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                                ? ""
                                : path.substr(dot);
    switch (PhotoKindOfExtension(ext)) {
    case PhotoKind::Jpeg:
        return DecodeJpegFile(path, rows);
    case PhotoKind::Png:
        return DecodePngFile(path);
    case PhotoKind::Gif:
        return InSrgbAlready(LoadGifFile(path));
    case PhotoKind::Bmp:
        return InSrgbAlready(LoadBmpPhotoFile(path));
    case PhotoKind::Wmf:
        return InSrgbAlready(LoadWmfFile(path));
    case PhotoKind::Webp:
        return DecodeWebpFile(path, rows);
    case PhotoKind::Heif:
        return DecodeHeifFile(path);
    case PhotoKind::Tiff:
        return DecodeTiffFile(path, rows);
    case PhotoKind::Jxl:
        return DecodeJxlFile(path);
    case PhotoKind::None:
        break;
    }
    return detail::ReadFailure(path, "not a photo extension");
}

} // namespace

base::Result<Bitmap> LoadImageFile(const std::string& path) {
    return LoadImageFileFitted(path, nullptr);
}

base::Result<Bitmap> LoadImageFileFitted(const std::string& path,
                                         const std::function<ImageSize(int, int)>& sizeFor) {
    FitWhileDecoding fit(sizeFor);
    auto decoded = DecodeImageFile(path, &fit);
    if (!decoded)
        return base::Fail(decoded.error());
    return fit.Finish(std::move(decoded->Pixels), decoded->ToSrgb);
}

base::Result<Bitmap> LoadImageFileResized(const std::string& path,
                                          const std::function<void(Bitmap&)>& resize) {
    auto decoded = DecodeImageFile(path, nullptr);
    if (decoded && resize)
        resize(decoded->Pixels);
    return InSrgb(std::move(decoded));
}

base::Result<Bitmap> LoadImageMemory(PhotoKind kind, const std::uint8_t* data, std::size_t size,
                                     const DecodeLimits& limits) {
    switch (kind) {
    case PhotoKind::Jpeg:
        return LoadJpegMemory(data, size, limits);
    case PhotoKind::Png:
        return LoadPngMemory(data, size, limits);
    case PhotoKind::Gif:
        return LoadGifMemory(data, size, limits);
    case PhotoKind::Bmp:
        return LoadBmpPhotoMemory(data, size, limits);
    case PhotoKind::Wmf:
        return LoadWmfMemory(data, size, limits);
    case PhotoKind::Webp:
        return LoadWebpMemory(data, size, limits);
    case PhotoKind::Heif:
        return LoadHeifMemory(data, size, limits);
    case PhotoKind::Tiff:
        return LoadTiffMemory(data, size, limits);
    case PhotoKind::Jxl:
        return LoadJxlMemory(data, size, limits);
    case PhotoKind::None:
        break;
    }
    return base::Fail("unknown photo kind");
}

} // namespace imaging
