// PNG photos through libpng: every colour type expanded to 8-bit BGR, transparency composited on
// white, interlaced files read in their passes, and the colour chunks (iCCP, or cHRM and gAMA
// without sRGB) converted to sRGB.
#include "imaging/ColorToSrgb.h"
#include "imaging/DecodedPhoto.h"
#include "imaging/ImageLoad.h"
#include "imaging/StdioFile.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <png.h>

namespace imaging {

namespace {

struct MemoryReader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > r->size - r->pos)
        png_error(png, "file is truncated");
    std::memcpy(out, r->data + r->pos, length);
    r->pos += length;
}

// The libpng handles and the buffers of one decode. It lives outside the frame that calls
// setjmp, so libpng's longjmp skips no destructor.
struct PngSession {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<std::uint8_t> pixels; // one BGRA row
    std::vector<std::uint8_t> alpha;  // an interlaced picture's alpha, one byte per pixel
    std::vector<png_bytep> rowPointers;
    std::string failure;
    Bitmap* out = nullptr;
    const DecodeLimits* limits = nullptr;
    ColorToSrgb color;

    ~PngSession() {
        if (png != nullptr)
            png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    }
};

void OnPngError(png_structp png, png_const_charp message) {
    auto* s = static_cast<PngSession*>(png_get_error_ptr(png));
    s->failure = message != nullptr ? message : "error";
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// One row of 8-bit BGRA laid on white into a BGR row.
void CompositeOnWhite(const std::uint8_t* bgra, std::uint8_t* bgr, int width) {
    for (int x = 0; x < width; ++x, bgra += 4, bgr += 3) {
        const unsigned a = bgra[3];
        for (int c = 0; c < 3; ++c)
            bgr[c] = static_cast<std::uint8_t>((bgra[c] * a + 255u * (255u - a) + 127u) / 255u);
    }
}

// The conversion the colour chunks ask for: an embedded profile first; an sRGB chunk, or none at
// all, means sRGB; otherwise the chromaticities and gamma, each defaulting to sRGB's.
ColorToSrgb ColorOf(png_structp png, png_infop info) {
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    if (png_get_valid(png, info, PNG_INFO_iCCP) != 0 &&
        png_get_iCCP(png, info, &name, &compression, &profile, &length) != 0)
        return ColorToSrgb::FromIcc(profile, length);
    if (png_get_valid(png, info, PNG_INFO_sRGB) != 0)
        return {};
    const bool chrm = png_get_valid(png, info, PNG_INFO_cHRM) != 0;
    const bool gama = png_get_valid(png, info, PNG_INFO_gAMA) != 0;
    if (!chrm && !gama)
        return {};
    ColorToSrgb::Chromaticities c{0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06};
    if (chrm)
        png_get_cHRM(png, info, &c.whiteX, &c.whiteY, &c.redX, &c.redY, &c.greenX, &c.greenY,
                     &c.blueX, &c.blueY);
    double gamma = 1.0 / 2.2;
    if (gama)
        png_get_gAMA(png, info, &gamma);
    return ColorToSrgb::FromChromaticities(c, gamma);
}

bool DecodeProtected(PngSession& s) {
    if (setjmp(png_jmpbuf(s.png)))
        return false;
    png_structp png = s.png;
    png_infop info = s.info;
    png_set_user_limits(png, static_cast<png_uint_32>(s.limits->maxSide),
                        static_cast<png_uint_32>(s.limits->maxSide));
    png_read_info(png, info);

    const png_uint_32 w = png_get_image_width(png, info);
    const png_uint_32 h = png_get_image_height(png, info);
    if (!s.limits->Fits(w, h)) {
        s.failure =
            "picture size " + std::to_string(w) + "x" + std::to_string(h) + " is beyond the limits";
        return false;
    }
    s.color = ColorOf(png, info);
    const int colorType = png_get_color_type(png, info);
    const bool hasAlpha =
        (colorType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    png_set_expand(png); // palette to RGB, low-bit grey to 8 bits, tRNS to alpha
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const int channels = png_get_channels(png, info);
    if (channels != (hasAlpha ? 4 : 3) || png_get_bit_depth(png, info) != 8) {
        s.failure = "unexpected pixel layout";
        return false;
    }

    // Without interlacing every row is written whole; the passes of an interlaced picture may
    // leave pixels alone until the last one, so that picture starts zero-filled.
    if (passes == 1)
        s.out->SetSizeUninitialised(static_cast<std::int32_t>(w), static_cast<std::int32_t>(h));
    else
        s.out->SetSize(static_cast<std::int32_t>(w), static_cast<std::int32_t>(h));
    if (s.out->IsEmpty()) {
        s.failure = "out of memory for the picture";
        return false;
    }
    const int width = static_cast<int>(w), height = static_cast<int>(h);
    if (!hasAlpha) {
        // BGR rows go straight into the bitmap, passes and all.
        for (int pass = 0; pass < passes; ++pass)
            for (int y = 0; y < height; ++y)
                png_read_row(png, s.out->Row(y), nullptr);
    } else if (passes == 1) {
        s.pixels.assign(static_cast<std::size_t>(width) * 4, 0);
        for (int y = 0; y < height; ++y) {
            png_read_row(png, s.pixels.data(), nullptr);
            CompositeOnWhite(s.pixels.data(), s.out->Row(y), width);
        }
    } else {
        // Interlaced with alpha: the passes refine rows that are not finished until the last
        // pass. The colour is kept in the bitmap and the alpha in one byte per pixel beside it
        // (4 bytes a pixel in all, not 4 more); each row a pass touches is put together in one
        // BGRA row, refined, and taken apart again.
        const std::size_t w4 = static_cast<std::size_t>(width) * 4;
        s.alpha.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
        s.pixels.assign(w4, 0);
        static const int kFirstRow[7] = {0, 0, 4, 0, 2, 0, 1};
        static const int kRowStep[7] = {8, 8, 8, 4, 4, 2, 2};
        for (int pass = 0; pass < passes; ++pass) {
            for (int y = 0; y < height; ++y) {
                const int current = png_get_current_pass_number(png);
                const bool touched = current >= 0 && current < 7 && y >= kFirstRow[current] &&
                                     (y - kFirstRow[current]) % kRowStep[current] == 0;
                if (!touched) {
                    png_read_row(png, nullptr, nullptr); // libpng skips it
                    continue;
                }
                std::uint8_t* bgr = s.out->Row(y);
                std::uint8_t* a = s.alpha.data() + static_cast<std::size_t>(y) * width;
                std::uint8_t* row = s.pixels.data();
                for (int x = 0; x < width; ++x) {
                    row[4 * x] = bgr[3 * x];
                    row[4 * x + 1] = bgr[3 * x + 1];
                    row[4 * x + 2] = bgr[3 * x + 2];
                    row[4 * x + 3] = a[x];
                }
                png_read_row(png, row, nullptr);
                for (int x = 0; x < width; ++x) {
                    bgr[3 * x] = row[4 * x];
                    bgr[3 * x + 1] = row[4 * x + 1];
                    bgr[3 * x + 2] = row[4 * x + 2];
                    a[x] = row[4 * x + 3];
                }
            }
        }
        for (int y = 0; y < height; ++y) {
            std::uint8_t* bgr = s.out->Row(y);
            const std::uint8_t* a = s.alpha.data() + static_cast<std::size_t>(y) * width;
            for (int x = 0; x < width; ++x) {
                s.pixels[4 * x] = bgr[3 * x];
                s.pixels[4 * x + 1] = bgr[3 * x + 1];
                s.pixels[4 * x + 2] = bgr[3 * x + 2];
                s.pixels[4 * x + 3] = a[x];
            }
            CompositeOnWhite(s.pixels.data(), bgr, width);
        }
    }
    png_read_end(png, nullptr);
    return true;
}

// libpng sizes a text or profile chunk's buffer from its length field before it reads the bytes,
// and only warns when that length is absurd, so a 200-byte file claiming a gigabyte of text would
// be allocated. No single buffer a photo needs is near this size (rows are bounded by the picture
// limits, zlib's windows are small), so larger requests are refused and the chunk skipped.
constexpr std::size_t kMaxPngAllocation = 16u << 20;

png_voidp BoundedMalloc(png_structp, png_alloc_size_t size) {
    return size <= kMaxPngAllocation ? std::malloc(size) : nullptr;
}

void BoundedFree(png_structp, png_voidp p) {
    std::free(p);
}

bool Begin(PngSession& s, Bitmap& bitmap, const DecodeLimits& limits) {
    s.out = &bitmap;
    s.limits = &limits;
    s.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &s, OnPngError, OnPngWarning, nullptr,
                                     BoundedMalloc, BoundedFree);
    if (s.png == nullptr)
        return false;
    s.info = png_create_info_struct(s.png);
    return s.info != nullptr;
}

base::Result<DecodedPhoto> Finish(PngSession& s, Bitmap& bitmap, bool ok) {
    if (!ok)
        return base::Fail("PNG: " + (s.failure.empty() ? "cannot decode" : s.failure));
    return DecodedPhoto{std::move(bitmap), std::move(s.color)};
}

bool HasSignature(const std::uint8_t* data, std::size_t size) {
    return size >= 8 && png_sig_cmp(data, 0, 8) == 0;
}

} // namespace

base::Result<DecodedPhoto> DecodePngMemory(const std::uint8_t* data, std::size_t size,
                                           const DecodeLimits& limits) {
    if (data == nullptr || !HasSignature(data, size))
        return base::Fail("PNG: no PNG signature");
    MemoryReader reader{data, size, 0};
    Bitmap bitmap;
    PngSession s;
    if (!Begin(s, bitmap, limits))
        return base::Fail("PNG: out of memory");
    png_set_read_fn(s.png, &reader, ReadFromMemory);
    return Finish(s, bitmap, DecodeProtected(s));
}

base::Result<DecodedPhoto> DecodePngFile(const std::string& path) {
    StdioFile file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return detail::OpenFailure(path);
    std::uint8_t sig[8];
    if (std::fread(sig, 1, sizeof(sig), file.get()) != sizeof(sig) ||
        !HasSignature(sig, sizeof(sig)))
        return detail::ReadFailure(path, "PNG: no PNG signature");
    const DecodeLimits limits;
    Bitmap bitmap;
    PngSession s;
    if (!Begin(s, bitmap, limits))
        return detail::ReadFailure(path, "PNG: out of memory");
    png_init_io(s.png, file.get());
    png_set_sig_bytes(s.png, 8);
    auto loaded = Finish(s, bitmap, DecodeProtected(s));
    if (!loaded)
        return detail::ReadFailure(path, loaded.error());
    return loaded;
}

base::Result<Bitmap> LoadPngMemory(const std::uint8_t* data, std::size_t size,
                                   const DecodeLimits& limits) {
    return InSrgb(DecodePngMemory(data, size, limits));
}

base::Result<Bitmap> LoadPngFile(const std::string& path) {
    return InSrgb(DecodePngFile(path));
}

} // namespace imaging
