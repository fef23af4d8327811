// Photo decoding: one loader per file kind (JPEG, PNG, GIF, BMP, WMF), chosen by the upper-cased
// extension, each turning a file or a block of bytes into a 24-bit Bitmap.
#pragma once

#include "imaging/Bitmap.h"

#include <cstddef>
#include <cstdint>
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

enum class PhotoKind { None, Jpeg, Png, Gif, Bmp, Wmf };

// The decoder for an extension with its dot (".jpg", ".JPEG"...), compared upper-cased.
PhotoKind PhotoKindOfExtension(const std::string& ext);
bool IsPhotoExtension(const std::string& ext);

// Decodes the file at path with the decoder its extension names. On failure the bitmap is left
// empty, false is returned and *error (when given) says why.
bool LoadImageFile(Bitmap& bitmap, const std::string& path, std::string* error = nullptr);
bool LoadImageMemory(Bitmap& bitmap, PhotoKind kind, const std::uint8_t* data, std::size_t size,
                     std::string* error = nullptr, const DecodeLimits& limits = {});

// The decoders one by one.
bool LoadJpegFile(Bitmap& bitmap, const std::string& path, std::string* error = nullptr);
bool LoadJpegMemory(Bitmap& bitmap, const std::uint8_t* data, std::size_t size,
                    std::string* error = nullptr, const DecodeLimits& limits = {});
bool LoadPngFile(Bitmap& bitmap, const std::string& path, std::string* error = nullptr);
bool LoadPngMemory(Bitmap& bitmap, const std::uint8_t* data, std::size_t size,
                   std::string* error = nullptr, const DecodeLimits& limits = {});
bool LoadGifFile(Bitmap& bitmap, const std::string& path, std::string* error = nullptr);
bool LoadGifMemory(Bitmap& bitmap, const std::uint8_t* data, std::size_t size,
                   std::string* error = nullptr, const DecodeLimits& limits = {});
bool LoadBmpPhotoFile(Bitmap& bitmap, const std::string& path, std::string* error = nullptr);
bool LoadBmpPhotoMemory(Bitmap& bitmap, const std::uint8_t* data, std::size_t size,
                        std::string* error = nullptr, const DecodeLimits& limits = {});
bool LoadWmfFile(Bitmap& bitmap, const std::string& path, std::string* error = nullptr);
bool LoadWmfMemory(Bitmap& bitmap, const std::uint8_t* data, std::size_t size,
                   std::string* error = nullptr, const DecodeLimits& limits = {});

namespace detail {
// Sets *error when it is given; returns false so callers can `return Fail(error, "...")`.
bool Fail(std::string* error, const std::string& message);
// Reads a whole file of at most maxBytes into out.
bool ReadWholeFile(const std::string& path, std::string& out, std::size_t maxBytes,
                   std::string* error);
} // namespace detail

} // namespace imaging
