#include "imaging/WmfDib.h"

#include "base/Endian.h"

#include <array>

namespace imaging::wmf {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;

int ShiftOf(std::uint32_t mask) {
    int s = 0;
    while (mask != 0 && (mask & 1u) == 0) {
        mask >>= 1;
        ++s;
    }
    return s;
}

// One channel of a bit-field pixel scaled to 0..255.
int Channel(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0)
        return 0;
    const int shift = ShiftOf(mask);
    const std::uint32_t max = mask >> shift;
    return static_cast<int>(((pixel & mask) >> shift) * 255u / max);
}

} // namespace

QImage DecodeDib(const std::uint8_t* data, std::size_t size, const DecodeLimits& limits) {
    if (data == nullptr || size < 12)
        return {};
    const std::uint32_t headerSize = base::LoadLE<std::uint32_t>(data);
    std::int64_t width = 0, height = 0;
    int bits = 0;
    std::uint32_t compression = kBiRgb, colorsUsed = 0;
    std::size_t entrySize = 4;
    if (headerSize == 12) {
        width = base::LoadLE<std::uint16_t>(data + 4);
        height = base::LoadLE<std::uint16_t>(data + 6);
        bits = base::LoadLE<std::uint16_t>(data + 10);
        entrySize = 3;
    } else if (headerSize >= 40 && headerSize <= size) {
        width = base::LoadLE<std::int32_t>(data + 4);
        height = base::LoadLE<std::int32_t>(data + 8);
        bits = base::LoadLE<std::uint16_t>(data + 14);
        compression = base::LoadLE<std::uint32_t>(data + 16);
        colorsUsed = base::LoadLE<std::uint32_t>(data + 32);
    } else {
        return {};
    }
    const bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (!limits.Fits(width, height))
        return {};
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return {};
    if (compression != kBiRgb && !(compression == kBiBitfields && (bits == 16 || bits == 32)))
        return {};

    std::size_t pos = headerSize;
    std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (bits == 32)
        masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;
    if (compression == kBiBitfields) {
        if (headerSize != 40 && headerSize < 52)
            return {};
        if (headerSize == 40) {
            if (size - pos < 12)
                return {};
            pos += 12;
        }
        for (int i = 0; i < 3; ++i)
            masks[i] = base::LoadLE<std::uint32_t>(data + 40 + 4 * i);
    }
    std::array<QRgb, 256> table{};
    if (bits <= 8) {
        const std::uint32_t full = 1u << bits;
        const std::uint32_t n = colorsUsed == 0 || colorsUsed > full ? full : colorsUsed;
        if ((size - pos) / entrySize < n)
            return {};
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::uint8_t* e = data + pos + i * entrySize;
            table[i] = qRgb(e[2], e[1], e[0]);
        }
        pos += n * entrySize;
    }
    const std::size_t stride = static_cast<std::size_t>((width * bits + 31) / 32) * 4;
    if ((size - pos) / stride < static_cast<std::size_t>(height))
        return {};

    QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    for (int y = 0; y < image.height(); ++y) {
        const int srcRow = topDown ? y : image.height() - 1 - y;
        const std::uint8_t* src = data + pos + stride * static_cast<std::size_t>(srcRow);
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            switch (bits) {
            case 1:
                dst[x] = table[(src[x >> 3] >> (7 - (x & 7))) & 1];
                break;
            case 4:
                dst[x] = table[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
                break;
            case 8:
                dst[x] = table[src[x]];
                break;
            case 24:
                dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
                break;
            case 16:
            case 32: {
                const std::uint32_t p =
                    bits == 16 ? base::LoadLE<std::uint16_t>(src + 2 * x)
                               : base::LoadLE<std::uint32_t>(src + 4 * static_cast<std::size_t>(x));
                dst[x] = qRgb(Channel(p, masks[0]), Channel(p, masks[1]), Channel(p, masks[2]));
                break;
            }
            default:
                break;
            }
        }
    }
    return image;
}

} // namespace imaging::wmf
