// HEIF photos (HEIC from phones, and AVIF) through libheif: the primary picture of a file that
// may hold several, with its irot/imir transforms applied by libheif, high bit depths brought to
// 8 bits, alpha laid on white, and its colour (an ICC profile or the nclx colour codes) converted
// to sRGB. libheif's own size limit is set and the size is checked before any pixel memory.
#include "imaging/ColorToSrgb.h"
#include "imaging/DecodedPhoto.h"
#include "imaging/ImageLoad.h"
#include "imaging/PlaceUpright.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include <libheif/heif.h>

namespace imaging {

namespace {

constexpr std::size_t kMaxHeifFileBytes = 256u << 20;
// An ftyp box: its size, "ftyp" and the major brand.
constexpr std::size_t kMinHeifBytes = 12;

struct HeifContextFree {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HeifHandleRelease {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct HeifImageRelease {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct HeifOptionsFree {
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};
struct HeifNclxFree {
    void operator()(heif_color_profile_nclx* n) const { heif_nclx_color_profile_free(n); }
};

// "AVIF" or "HEIF", for the messages: which of the two the file says it is.
std::string HeifKindName(const std::uint8_t* data, std::size_t size) {
    const char* mime =
        heif_get_file_mime_type(data, static_cast<int>(std::min<std::size_t>(size, 64)));
    return mime != nullptr && std::strcmp(mime, "image/avif") == 0 ? "AVIF" : "HEIF";
}

// The colour conversion the picture's tags ask for: an ICC profile first, else the nclx codes,
// looked for on the item and then on the decoded picture (AVIF may carry them in its stream).
ColorToSrgb HeifColor(const heif_image_handle* handle, const heif_image* image) {
    const heif_color_profile_type itemType = heif_image_handle_get_color_profile_type(handle);
    if (itemType == heif_color_profile_type_prof || itemType == heif_color_profile_type_rICC) {
        std::vector<std::uint8_t> icc(heif_image_handle_get_raw_color_profile_size(handle));
        if (!icc.empty() &&
            heif_image_handle_get_raw_color_profile(handle, icc.data()).code == heif_error_Ok)
            return ColorToSrgb::FromIcc(icc.data(), icc.size());
    }
    // libheif may allocate the colour codes even when it then reports an error (a damaged nclx
    // box), so whatever it hands back is owned before the result is looked at.
    heif_color_profile_nclx* raw = nullptr;
    heif_error err = heif_image_handle_get_nclx_color_profile(handle, &raw);
    std::unique_ptr<heif_color_profile_nclx, HeifNclxFree> nclx(raw);
    if (err.code != heif_error_Ok)
        nclx.reset();
    if (!nclx) {
        raw = nullptr;
        err = heif_image_get_nclx_color_profile(image, &raw);
        nclx.reset(raw);
        if (err.code != heif_error_Ok)
            nclx.reset();
    }
    if (!nclx)
        return {};
    return ColorToSrgb::FromCicp(static_cast<int>(nclx->color_primaries),
                                 static_cast<int>(nclx->transfer_characteristics));
}

std::string HeifReason(const heif_error& e) {
    return e.message != nullptr && *e.message != '\0' ? e.message : "cannot decode";
}

} // namespace

base::Result<DecodedPhoto> DecodeHeifMemory(const std::uint8_t* data, std::size_t size,
                                            const DecodeLimits& limits) {
    if (data == nullptr || size < kMinHeifBytes ||
        heif_check_filetype(data, static_cast<int>(std::min<std::size_t>(size, 64))) ==
            heif_filetype_no)
        return base::Fail("HEIF: no HEIF signature");
    const std::string kind = HeifKindName(data, size);
    auto fail = [&kind](const std::string& why) { return base::Fail(kind + ": " + why); };

    const std::unique_ptr<heif_context, HeifContextFree> ctx(heif_context_alloc());
    if (!ctx)
        return fail("out of memory");
    // libheif refuses larger image items while it reads the file's boxes; the check below holds
    // the picture to the exact limits.
    heif_context_set_maximum_image_size_limit(ctx.get(), limits.maxSide + 1);
    heif_error err = heif_context_read_from_memory_without_copy(ctx.get(), data, size, nullptr);
    if (err.code != heif_error_Ok)
        return fail(HeifReason(err));
    heif_image_handle* rawHandle = nullptr;
    err = heif_context_get_primary_image_handle(ctx.get(), &rawHandle);
    const std::unique_ptr<heif_image_handle, HeifHandleRelease> handle(rawHandle);
    if (err.code != heif_error_Ok || !handle)
        return fail(HeifReason(err));

    // The size after the transforms, and the coded size before them, both within the limits.
    const std::int64_t w = heif_image_handle_get_width(handle.get());
    const std::int64_t h = heif_image_handle_get_height(handle.get());
    const std::int64_t iw = heif_image_handle_get_ispe_width(handle.get());
    const std::int64_t ih = heif_image_handle_get_ispe_height(handle.get());
    if (!limits.Fits(w, h) || (iw > 0 && ih > 0 && !limits.Fits(iw, ih)))
        return fail("picture size " + std::to_string(std::max(w, iw)) + "x" +
                    std::to_string(std::max(h, ih)) + " is beyond the limits");

    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const std::unique_ptr<heif_decoding_options, HeifOptionsFree> options(
        heif_decoding_options_alloc());
    if (!options)
        return fail("out of memory");
    options->convert_hdr_to_8bit = 1;
    heif_image* rawImage = nullptr;
    err = heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                            options.get());
    const std::unique_ptr<heif_image, HeifImageRelease> image(rawImage);
    if (err.code != heif_error_Ok || !image)
        return fail(HeifReason(err));
    int stride = 0;
    const std::uint8_t* pixels =
        heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int dw = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int dh = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (pixels == nullptr || stride <= 0 || !limits.Fits(dw, dh) ||
        heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8)
        return fail("the decoded picture has an unexpected layout");

    Bitmap bitmap;
    if (!PlaceUpright({pixels, static_cast<std::size_t>(stride), dw, dh, alpha ? 4 : 3, false}, 1,
                      bitmap))
        return fail("out of memory for the picture");
    return DecodedPhoto{std::move(bitmap), HeifColor(handle.get(), image.get())};
}

base::Result<DecodedPhoto> DecodeHeifFile(const std::string& path) {
    auto bytes = detail::ReadWholeFile(path, kMaxHeifFileBytes);
    if (!bytes)
        return base::Fail(bytes.error());
    auto decoded =
        DecodeHeifMemory(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size(), {});
    if (!decoded)
        return detail::ReadFailure(path, decoded.error());
    return decoded;
}

base::Result<Bitmap> LoadHeifMemory(const std::uint8_t* data, std::size_t size,
                                    const DecodeLimits& limits) {
    return InSrgb(DecodeHeifMemory(data, size, limits));
}

base::Result<Bitmap> LoadHeifFile(const std::string& path) {
    return InSrgb(DecodeHeifFile(path));
}

} // namespace imaging
