// DecodedPhoto: a photo decoded and placed upright but not yet brought to sRGB, with the
// conversion its file asks for. The decoders that honour colour profiles hand it back so that a
// caller who shrinks the picture first (an import fits a 12 MP photo to the show's size) converts
// only the pixels it keeps; the Load functions of ImageLoad.h convert at once.
#pragma once

#include "base/Result.h"
#include "imaging/Bitmap.h"
#include "imaging/ColorToSrgb.h"
#include "imaging/ImageLoad.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace imaging {

class DecodedRows;

struct DecodedPhoto {
    Bitmap Pixels;      // in the colour space the file names
    ColorToSrgb ToSrgb; // identity for an untagged or sRGB picture
};

// The decoded photo converted to sRGB, or the decode's failure unchanged.
inline base::Result<Bitmap> InSrgb(base::Result<DecodedPhoto> decoded) {
    if (!decoded)
        return base::Fail(decoded.error());
    decoded->ToSrgb.Apply(decoded->Pixels);
    return std::move(decoded->Pixels);
}

// The decoders whose files may carry a colour profile, failing as their Load twins do.
// The JPEG, WebP and TIFF decoders tell `rows`, when given, of the rows they have finished while
// they decode.
base::Result<DecodedPhoto> DecodeJpegFile(const std::string& path, DecodedRows* rows = nullptr);
base::Result<DecodedPhoto> DecodeJpegMemory(const std::uint8_t* data, std::size_t size,
                                            const DecodeLimits& limits);
base::Result<DecodedPhoto> DecodePngFile(const std::string& path);
base::Result<DecodedPhoto> DecodePngMemory(const std::uint8_t* data, std::size_t size,
                                           const DecodeLimits& limits);
base::Result<DecodedPhoto> DecodeWebpFile(const std::string& path, DecodedRows* rows = nullptr);
base::Result<DecodedPhoto> DecodeWebpMemory(const std::uint8_t* data, std::size_t size,
                                            const DecodeLimits& limits,
                                            DecodedRows* rows = nullptr);
base::Result<DecodedPhoto> DecodeHeifFile(const std::string& path);
base::Result<DecodedPhoto> DecodeHeifMemory(const std::uint8_t* data, std::size_t size,
                                            const DecodeLimits& limits);
base::Result<DecodedPhoto> DecodeTiffFile(const std::string& path, DecodedRows* rows = nullptr);
base::Result<DecodedPhoto> DecodeTiffMemory(const std::uint8_t* data, std::size_t size,
                                            const DecodeLimits& limits,
                                            DecodedRows* rows = nullptr);
base::Result<DecodedPhoto> DecodeJxlFile(const std::string& path);
base::Result<DecodedPhoto> DecodeJxlMemory(const std::uint8_t* data, std::size_t size,
                                           const DecodeLimits& limits);

} // namespace imaging
