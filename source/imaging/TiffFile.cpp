// TIFF photos through libtiff: the first page, any of the layouts libtiff's RGBA reader knows
// (8 or 16 bits, RGB, grey, palette, YCbCr, CMYK), turned upright by the Orientation tag, alpha
// laid on white, and the page's ICC profile converted to sRGB: an RGB page's after decoding, an
// 8-bit CMYK page's from its inks (without a usable profile, CMYK is plain ink arithmetic). The
// file is read from memory with every read and seek bounded, errors kept per file, and libtiff's
// single allocations capped. A page stored top down is read a band of rows at a time, each band
// handed on (DecodedRows) so that its conversion or fitting runs while the rest is read.
#include "imaging/ColorToSrgb.h"
#include "imaging/DecodedPhoto.h"
#include "imaging/DecodedRows.h"
#include "imaging/ImageLoad.h"
#include "imaging/PlaceUpright.h"

#include <algorithm>
#include <bit>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include <tiffio.h>

namespace imaging {

namespace {

constexpr std::size_t kMaxTiffFileBytes = 1024u << 20;
// The byte-order mark, 42 and the first directory's offset.
constexpr std::size_t kMinTiffBytes = 8;
// Rows read at a time from a page stored top down, before rounding up to whole strips or tiles.
constexpr std::uint64_t kTiffBandRows = 64;

// The file's bytes and the reader's place in them; libtiff reads through the functions below.
struct TiffSource {
    const std::uint8_t* data;
    std::uint64_t size;
    std::uint64_t pos;
    std::string failure; // libtiff's first error
};

tmsize_t TiffReadProc(thandle_t h, void* out, tmsize_t n) {
    auto* src = static_cast<TiffSource*>(h);
    if (n < 0)
        return -1;
    const std::uint64_t left = src->pos < src->size ? src->size - src->pos : 0;
    const std::uint64_t take = std::min<std::uint64_t>(left, static_cast<std::uint64_t>(n));
    if (take > 0)
        std::memcpy(out, src->data + src->pos, static_cast<std::size_t>(take));
    src->pos += take;
    return static_cast<tmsize_t>(take);
}

tmsize_t TiffWriteProc(thandle_t, void*, tmsize_t) {
    return -1;
}

toff_t TiffSeekProc(thandle_t h, toff_t offset, int whence) {
    auto* src = static_cast<TiffSource*>(h);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = src->pos;
    else if (whence == SEEK_END)
        base = src->size;
    else if (whence != SEEK_SET)
        return static_cast<toff_t>(-1);
    if (offset > UINT64_MAX - base)
        return static_cast<toff_t>(-1);
    src->pos = base + offset;
    return src->pos;
}

int TiffCloseProc(thandle_t) {
    return 0;
}

toff_t TiffSizeProc(thandle_t h) {
    return static_cast<TiffSource*>(h)->size;
}

int TiffMapProc(thandle_t h, void** base, toff_t* size) {
    auto* src = static_cast<TiffSource*>(h);
    *base = const_cast<std::uint8_t*>(src->data);
    *size = src->size;
    return 1;
}

void TiffUnmapProc(thandle_t, void*, toff_t) {}

int OnTiffError(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
    auto* src = static_cast<TiffSource*>(user);
    if (src->failure.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof(text), fmt, ap);
        src->failure = text;
        (void)module;
    }
    return 1; // handled: nothing on standard error
}

int OnTiffWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct TiffClose {
    void operator()(TIFF* t) const { TIFFClose(t); }
};
struct TiffOptionsFree {
    void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};

bool HasTiffSignature(const std::uint8_t* data, std::size_t size) {
    return size >= kMinTiffBytes &&
           ((data[0] == 'I' && data[1] == 'I' && (data[2] == 42 || data[2] == 43) &&
             data[3] == 0) ||
            (data[0] == 'M' && data[1] == 'M' && data[2] == 0 && (data[3] == 42 || data[3] == 43)));
}

// An 8-bit, four-ink CMYK page stored in strips, pixel by pixel: its rows as stored, C, M, Y, K
// bytes per pixel, into out (w x h x 4 bytes). False for any other layout or a damaged row.
bool ReadCmykStrips(TIFF* tif, std::uint32_t w, std::uint32_t h, std::uint8_t* out) {
    std::uint16_t bits = 0, samples = 0, planar = PLANARCONFIG_CONTIG, inks = INKSET_CMYK;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &inks);
    if (bits != 8 || samples != 4 || planar != PLANARCONFIG_CONTIG || inks != INKSET_CMYK ||
        TIFFIsTiled(tif) || TIFFScanlineSize64(tif) != static_cast<tmsize_t>(w) * 4)
        return false;
    for (std::uint32_t y = 0; y < h; ++y)
        if (TIFFReadScanline(tif, out + static_cast<std::size_t>(y) * w * 4, y, 0) < 0)
            return false;
    return true;
}

// Reads a page stored top down into `out` (sized for it) through libtiff's RGBA reader, a band
// of rows at a time, telling `rows` (when given) of each band placed. The bands are whole strips
// or tiles, so that libtiff decodes none twice, and one band's RGBA rows are all the memory the
// read takes besides the bitmap. False, with why (1024 bytes) set when libtiff says, on failure.
bool ReadUprightBands(TIFF* tif, Bitmap& out, const ColorToSrgb& color, DecodedRows* rows,
                      char* why) {
    TIFFRGBAImage image;
    if (!TIFFRGBAImageBegin(&image, tif, 1, why))
        return false;
    struct End {
        TIFFRGBAImage* image;
        ~End() { TIFFRGBAImageEnd(image); }
    } const end{&image};
    image.req_orientation = ORIENTATION_TOPLEFT;
    const auto w = static_cast<std::uint32_t>(out.Width);
    const auto h = static_cast<std::uint32_t>(out.Height);
    std::uint32_t unit = 0;
    const bool known = TIFFIsTiled(tif) ? TIFFGetField(tif, TIFFTAG_TILELENGTH, &unit)
                                        : TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &unit);
    const std::uint64_t whole = known && unit > 0 ? unit : 1;
    const auto band = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(h, (kTiffBandRows + whole - 1) / whole * whole));
    const std::unique_ptr<std::uint32_t[]> raster(new (std::nothrow)
                                                      std::uint32_t[std::size_t{w} * band]);
    if (!raster) {
        std::snprintf(why, 1024, "out of memory for the picture");
        return false;
    }
    if (rows != nullptr)
        rows->Begin(out, color);
    for (std::uint32_t y = 0; y < h; y += band) {
        const std::uint32_t n = std::min(band, h - y);
        image.row_offset = static_cast<int>(y);
        if (!TIFFRGBAImageGet(&image, raster.get(), w, n))
            return false;
        PlaceRows({reinterpret_cast<const std::uint8_t*>(raster.get()), std::size_t{w} * 4,
                   static_cast<int>(w), static_cast<int>(n), 4, false},
                  out, static_cast<int>(y));
        if (rows != nullptr)
            rows->Ready(static_cast<int>(y + n));
    }
    return true;
}

} // namespace

base::Result<DecodedPhoto> DecodeTiffMemory(const std::uint8_t* data, std::size_t size,
                                            const DecodeLimits& limits, DecodedRows* rows) {
    if (data == nullptr || !HasTiffSignature(data, size))
        return base::Fail("TIFF: no TIFF signature");
    TiffSource source{data, size, 0, {}};
    auto fail = [&source](const std::string& why) {
        return base::Fail("TIFF: " + (source.failure.empty() ? why : source.failure));
    };
    const std::unique_ptr<TIFFOpenOptions, TiffOptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options)
        return fail("out of memory");
    // No single buffer libtiff needs for a picture within the limits (a strip, a tile, a
    // directory) is near this; a header claiming more is refused before it is allocated.
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), limits.maxPixels * 8 + (16 << 20));
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnTiffError, &source);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnTiffWarning, &source);
    const std::unique_ptr<TIFF, TiffClose> tif(
        TIFFClientOpenExt("photo", "r", &source, TiffReadProc, TiffWriteProc, TiffSeekProc,
                          TiffCloseProc, TiffSizeProc, TiffMapProc, TiffUnmapProc, options.get()));
    if (!tif)
        return fail("the file's header is damaged");

    std::uint32_t w = 0, h = 0;
    if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &w) ||
        !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &h))
        return fail("the first page has no size");
    if (!limits.Fits(w, h))
        return fail("picture size " + std::to_string(w) + "x" + std::to_string(h) +
                    " is beyond the limits");
    std::uint16_t orientation = ORIENTATION_TOPLEFT, photometric = 0;
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_ORIENTATION, &orientation);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric);
    if (orientation < 1 || orientation > 8)
        orientation = ORIENTATION_TOPLEFT;

    char why[1024] = "";
    if (!TIFFRGBAImageOK(tif.get(), why))
        return fail(why[0] != '\0' ? why : "a layout libtiff cannot read");
    // libtiff's reader gives R, G, B, A bytes per pixel on a little-endian machine.
    static_assert(std::endian::native == std::endian::little);
    std::uint32_t iccSize = 0;
    void* icc = nullptr;
    const bool hasIcc =
        TIFFGetField(tif.get(), TIFFTAG_ICCPROFILE, &iccSize, &icc) && icc != nullptr;
    // A CMYK page is made sRGB while it is read (through its profile, or by ink arithmetic).
    const ColorToSrgb color =
        photometric != PHOTOMETRIC_SEPARATED && hasIcc
            ? ColorToSrgb::FromIcc(static_cast<const std::uint8_t*>(icc), iccSize)
            : ColorToSrgb();

    Bitmap bitmap;
    if (orientation == ORIENTATION_TOPLEFT && !(photometric == PHOTOMETRIC_SEPARATED && hasIcc)) {
        // The common page, stored top down: read into the bitmap's rows a band at a time.
        bitmap.SetSizeUninitialised(static_cast<int>(w), static_cast<int>(h));
        if (bitmap.IsEmpty())
            return fail("out of memory for the picture");
        if (!ReadUprightBands(tif.get(), bitmap, color, rows, why)) {
            if (rows != nullptr)
                rows->Abandon(); // the work on the rows ends before the bitmap goes
            return fail(why[0] != '\0' ? why : "the picture's data is damaged or truncated");
        }
        return DecodedPhoto{std::move(bitmap), color};
    }

    const std::size_t pixels = static_cast<std::size_t>(w) * h;
    const std::unique_ptr<std::uint32_t[]> raster(new (std::nothrow) std::uint32_t[pixels]);
    if (!raster)
        return fail("out of memory for the picture");
    // Asked for the file's own orientation, libtiff flips nothing and gives the rows as stored;
    // the turn to upright (including the transposing orientations it does not do) is made below.
    // An 8-bit CMYK page in strips with its profile is read as stored inks and converted through
    // that profile; everything else through libtiff's reader.
    const bool cmyk =
        photometric == PHOTOMETRIC_SEPARATED && hasIcc &&
        ReadCmykStrips(tif.get(), w, h, reinterpret_cast<std::uint8_t*>(raster.get())) &&
        ColorToSrgb::CmykToRgbaInPlace(static_cast<const std::uint8_t*>(icc), iccSize,
                                       reinterpret_cast<std::uint8_t*>(raster.get()), pixels);
    if (!cmyk && !TIFFReadRGBAImageOriented(tif.get(), w, h, raster.get(), orientation, 1))
        return fail("the picture's data is damaged or truncated");

    if (!PlaceUpright({reinterpret_cast<const std::uint8_t*>(raster.get()),
                       static_cast<std::size_t>(w) * 4, static_cast<int>(w), static_cast<int>(h), 4,
                       false},
                      orientation, bitmap))
        return fail("out of memory for the picture");
    return DecodedPhoto{std::move(bitmap), color};
}

base::Result<DecodedPhoto> DecodeTiffFile(const std::string& path, DecodedRows* rows) {
    auto bytes = detail::ReadWholeFile(path, kMaxTiffFileBytes);
    if (!bytes)
        return base::Fail(bytes.error());
    auto decoded = DecodeTiffMemory(reinterpret_cast<const std::uint8_t*>(bytes->data()),
                                    bytes->size(), {}, rows);
    if (!decoded)
        return detail::ReadFailure(path, decoded.error());
    return decoded;
}

base::Result<Bitmap> LoadTiffMemory(const std::uint8_t* data, std::size_t size,
                                    const DecodeLimits& limits) {
    return InSrgb(DecodeTiffMemory(data, size, limits));
}

base::Result<Bitmap> LoadTiffFile(const std::string& path) {
    return InSrgb(DecodeTiffFile(path));
}

} // namespace imaging
