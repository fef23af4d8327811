// GIF photos through giflib: the first image of the file drawn onto its logical screen at the
// image's offset, on white; transparent pixels stay white. Later frames are never read.
#include "imaging/ImageLoad.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include <gif_lib.h>

namespace imaging {

namespace {

// Where no GIF has any business: files larger than this are refused before reading.
constexpr std::size_t kMaxGifFileBytes = 512u << 20;

struct MemoryReader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int length) {
    auto* r = static_cast<MemoryReader*>(gif->UserData);
    if (length <= 0)
        return 0;
    const std::size_t n = std::min(static_cast<std::size_t>(length), r->size - r->pos);
    std::memcpy(out, r->data + r->pos, n);
    r->pos += n;
    return static_cast<int>(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int ignored = 0;
        DGifCloseFile(gif, &ignored);
    }
};
using GifPtr = std::unique_ptr<GifFileType, GifCloser>;

std::string GifError(int code) {
    const char* text = GifErrorString(code);
    return std::string("GIF: ") + (text != nullptr ? text : "cannot decode");
}

// Reads the extension blocks before the first image; remembers its transparent colour index.
bool SkipExtension(GifFileType* gif, int& transparent) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        return false;
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr) {
        GraphicsControlBlock gcb{};
        if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
            transparent = gcb.TransparentColor;
    }
    while (block != nullptr) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return false;
    }
    return true;
}

// Row order of the four passes of an interlaced image.
std::vector<int> RowOrder(int height, bool interlaced) {
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(height));
    if (!interlaced) {
        for (int y = 0; y < height; ++y)
            rows.push_back(y);
        return rows;
    }
    static const int kStart[4] = {0, 4, 2, 1};
    static const int kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < height; y += kStep[pass])
            rows.push_back(y);
    return rows;
}

// The first image of the file on its screen, or the decoder's reason.
base::Result<Bitmap> Decode(GifFileType* gif, const DecodeLimits& limits) {
    int transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            return base::Fail(GifError(gif->Error));
        if (type == TERMINATE_RECORD_TYPE)
            return base::Fail("GIF: the file holds no image");
        if (type == EXTENSION_RECORD_TYPE) {
            if (!SkipExtension(gif, transparent))
                return base::Fail(GifError(gif->Error));
            continue;
        }
        if (type == IMAGE_DESC_RECORD_TYPE)
            break;
    }
    if (DGifGetImageDesc(gif) == GIF_ERROR)
        return base::Fail(GifError(gif->Error));

    const GifImageDesc& desc = gif->Image;
    const std::int64_t left = desc.Left, top = desc.Top, iw = desc.Width, ih = desc.Height;
    if (!limits.Fits(iw, ih))
        return base::Fail("GIF: image size " + std::to_string(iw) + "x" + std::to_string(ih) +
                          " is beyond the limits");
    // A screen smaller than its image (some writers leave it 0x0) grows to hold it.
    const std::int64_t sw = std::max<std::int64_t>(gif->SWidth, left + iw);
    const std::int64_t sh = std::max<std::int64_t>(gif->SHeight, top + ih);
    if (!limits.Fits(sw, sh))
        return base::Fail("GIF: screen size " + std::to_string(sw) + "x" + std::to_string(sh) +
                          " is beyond the limits");
    const ColorMapObject* map = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
    if (map == nullptr || map->Colors == nullptr || map->ColorCount < 1)
        return base::Fail("GIF: no colour table");

    // Every row is painted white below before the image goes on it.
    Bitmap bitmap;
    bitmap.SetSizeUninitialised(static_cast<std::int32_t>(sw), static_cast<std::int32_t>(sh));
    if (bitmap.IsEmpty())
        return base::Fail("GIF: out of memory for the picture");
    for (int y = 0; y < bitmap.Height; ++y)
        std::memset(bitmap.Row(y), 0xFF, static_cast<std::size_t>(bitmap.Width) * 3);

    std::vector<GifPixelType> line(static_cast<std::size_t>(iw));
    for (const int row : RowOrder(static_cast<int>(ih), desc.Interlace)) {
        if (DGifGetLine(gif, line.data(), static_cast<int>(iw)) == GIF_ERROR)
            return base::Fail(GifError(gif->Error));
        std::uint8_t* dst = bitmap.Row(static_cast<int>(top) + row) + left * 3;
        for (std::int64_t x = 0; x < iw; ++x, dst += 3) {
            const int index = line[static_cast<std::size_t>(x)];
            if (index == transparent)
                continue;
            if (index >= map->ColorCount) {
                dst[0] = dst[1] = dst[2] = 0;
                continue;
            }
            const GifColorType& c = map->Colors[index];
            dst[0] = c.Blue;
            dst[1] = c.Green;
            dst[2] = c.Red;
        }
    }
    return bitmap;
}

} // namespace

base::Result<Bitmap> LoadGifMemory(const std::uint8_t* data, std::size_t size,
                                   const DecodeLimits& limits) {
    if (data == nullptr || size < 13)
        return base::Fail("GIF: file too short");
    MemoryReader reader{data, size, 0};
    int code = 0;
    GifPtr gif(DGifOpen(&reader, ReadFromMemory, &code));
    if (!gif)
        return base::Fail(GifError(code));
    return Decode(gif.get(), limits);
}

base::Result<Bitmap> LoadGifFile(const std::string& path) {
    auto bytes = detail::ReadWholeFile(path, kMaxGifFileBytes);
    if (!bytes)
        return base::Fail(bytes.error());
    auto loaded =
        LoadGifMemory(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size());
    if (!loaded)
        return detail::ReadFailure(path, loaded.error());
    return loaded;
}

} // namespace imaging
