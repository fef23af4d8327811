// Photo decoding: one loader per file kind (JPEG, PNG, GIF, BMP, WMF, WebP, HEIF
// and AVIF, TIFF, JPEG XL), chosen by
// the upper-cased extension, each turning a file or a block of bytes into a 24-bit sRGB Bitmap.
#pragma once

#include "base/Result.h"
#include "imaging/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace imaging {

// The largest picture a decoder accepts. Checked from the file's header before any pixel memory
// is allocated; the fuzzers pass smaller limits to stay fast.
struct DecodeLimits {
    std::int32_t maxSide = kMaxSide;
    std::int64_t maxPixels = kMaxPixels;

    bool Fits(std::int64_t width, std::int64_t height) const {
        return width >= 1 && height >= 1 && width <= maxSide && height <= maxSide &&
               width * height <= maxPixels;
    }
};

enum class PhotoKind { None, Jpeg, Png, Gif, Bmp, Wmf, Webp, Heif, Tiff, Jxl };

// The decoder for an extension with its dot (".jpg", ".JPEG"...), compared upper-cased.
PhotoKind PhotoKindOfExtension(const std::string& ext);
bool IsPhotoExtension(const std::string& ext);

// Decodes the file at path with the decoder its extension names. A failure names the file and
// the reason: the system's (cannot open) or the decoder's (what is wrong with the bytes).
base::Result<Bitmap> LoadImageFile(const std::string& path);
// Decodes the file like LoadImageFile, fitted to the size sizeFor(width, height) gives for the
// upright picture (the bilinear scaler of Bitmap::ScaleBilinear; null keeps the size). Only the
// fitted pixels are converted to sRGB, and the fitting and the conversion run in bands on the
// thread pool while a JPEG, WebP or TIFF is still being decoded (FitWhileDecoding.h).
base::Result<Bitmap> LoadImageFileFitted(const std::string& path,
                                         const std::function<ImageSize(int, int)>& sizeFor);
// Decodes the file like LoadImageFile, but first hands the pixels, upright and still in the colour
// space the file names, to `resize` (an import fits the photo to the show's size there), and then
// converts what it left to sRGB. A tagged 4:3 12 MP photo fitted to a 1920x1080 show thus has
// under a quarter of its pixels converted (1920x1440), to a 1280x1024 show a tenth. Mixing
// neighbours before the conversion rather than after changes only pixels that blend different
// colours, most where one of them lies outside sRGB: the mix is clipped to sRGB once instead of
// each colour before mixing.
base::Result<Bitmap> LoadImageFileResized(const std::string& path,
                                          const std::function<void(Bitmap&)>& resize);
// Decodes bytes held in memory; a failure gives the decoder's reason ("JPEG: ...").
base::Result<Bitmap> LoadImageMemory(PhotoKind kind, const std::uint8_t* data, std::size_t size,
                                     const DecodeLimits& limits = {});

// The decoders one by one.
base::Result<Bitmap> LoadJpegFile(const std::string& path);
base::Result<Bitmap> LoadJpegMemory(const std::uint8_t* data, std::size_t size,
                                    const DecodeLimits& limits = {});
base::Result<Bitmap> LoadPngFile(const std::string& path);
base::Result<Bitmap> LoadPngMemory(const std::uint8_t* data, std::size_t size,
                                   const DecodeLimits& limits = {});
base::Result<Bitmap> LoadGifFile(const std::string& path);
base::Result<Bitmap> LoadGifMemory(const std::uint8_t* data, std::size_t size,
                                   const DecodeLimits& limits = {});
base::Result<Bitmap> LoadBmpPhotoFile(const std::string& path);
base::Result<Bitmap> LoadBmpPhotoMemory(const std::uint8_t* data, std::size_t size,
                                        const DecodeLimits& limits = {});
base::Result<Bitmap> LoadWmfFile(const std::string& path);
base::Result<Bitmap> LoadWmfMemory(const std::uint8_t* data, std::size_t size,
                                   const DecodeLimits& limits = {});
// HEIC/HEIF and AVIF, both read by libheif.
base::Result<Bitmap> LoadHeifFile(const std::string& path);
base::Result<Bitmap> LoadHeifMemory(const std::uint8_t* data, std::size_t size,
                                    const DecodeLimits& limits = {});
base::Result<Bitmap> LoadJxlFile(const std::string& path);
base::Result<Bitmap> LoadJxlMemory(const std::uint8_t* data, std::size_t size,
                                   const DecodeLimits& limits = {});
base::Result<Bitmap> LoadTiffFile(const std::string& path);
base::Result<Bitmap> LoadTiffMemory(const std::uint8_t* data, std::size_t size,
                                    const DecodeLimits& limits = {});
base::Result<Bitmap> LoadWebpFile(const std::string& path);
base::Result<Bitmap> LoadWebpMemory(const std::uint8_t* data, std::size_t size,
                                    const DecodeLimits& limits = {});

namespace detail {
// "cannot read PATH: reason", the one shape of a file loader's failure.
base::Error ReadFailure(const std::string& path, const std::string& reason);
// A file that cannot be opened: the path and the system's reason (errno, read right after).
base::Error OpenFailure(const std::string& path);
// Reads a whole file of at most maxBytes; a failure names the file and the system's reason.
base::Result<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes);
} // namespace detail

} // namespace imaging
