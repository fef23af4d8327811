#include "imaging/BmpFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace imaging {

namespace {

std::uint16_t U16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t U32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

constexpr std::uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3,
                        kBiAlphaBitfields = 6;

// One channel of a bit-field pixel: the masked bits widened to 8 bits by repeating them from the
// top (5 bits abcde give abcdeabc), or cut to their top 8 bits when wider.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(std::uint32_t m = 0) : mask(m) {
        if (mask == 0)
            return;
        while (((mask >> shift) & 1u) == 0)
            ++shift;
        while (shift + bits < 32 && ((mask >> (shift + bits)) & 1u) != 0)
            ++bits;
    }
    std::uint8_t operator()(std::uint32_t v) const {
        if (bits == 0)
            return 0;
        const std::uint32_t x = (v >> shift) & ((bits >= 32) ? 0xFFFFFFFFu : ((1u << bits) - 1));
        if (bits >= 8)
            return static_cast<std::uint8_t>(x >> (bits - 8));
        std::uint32_t r = 0;
        for (int pos = 8 - bits; pos > -bits; pos -= bits)
            r |= pos >= 0 ? (x << pos) : (x >> -pos);
        return static_cast<std::uint8_t>(r);
    }
};

struct Palette {
    std::uint8_t bgr[256][3] = {};
    int count = 0;
    const std::uint8_t* At(unsigned index) const {
        static const std::uint8_t black[3] = {0, 0, 0};
        return index < static_cast<unsigned>(count) ? bgr[index] : black;
    }
};

// RLE4/RLE8: decodes into out (already sized and background-filled); rows counted bottom-up
// unless topDown. Stops quietly at the end of the data or on an end-of-bitmap code; codes that
// would run off the picture are clipped.
void DecodeRle(const std::uint8_t* p, const std::uint8_t* end, int bits, bool topDown,
               const Palette& pal, Bitmap& out) {
    std::int64_t x = 0, y = 0; // y counts rows in file order
    const std::int64_t W = out.Width, H = out.Height;
    auto put = [&](unsigned index) {
        if (x < W && y < H) {
            const std::int64_t row = topDown ? y : H - 1 - y;
            std::memcpy(out.Row(static_cast<int>(row)) + x * 3, pal.At(index), 3);
        }
        ++x;
    };
    while (end - p >= 2 && y < H) {
        const unsigned count = p[0], value = p[1];
        p += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count && x < W; ++i) {
                if (bits == 8)
                    put(value);
                else
                    put((i & 1) ? (value & 0x0F) : (value >> 4));
            }
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            return;
        } else if (value == 2) { // delta
            if (end - p < 2)
                return;
            x += p[0];
            y += p[1];
            p += 2;
        } else { // absolute run of `value` pixels, padded to a 16-bit boundary
            const unsigned n = value;
            const std::size_t bytes = bits == 8 ? n : (n + 1) / 2;
            const std::size_t padded = (bytes + 1) & ~static_cast<std::size_t>(1);
            if (static_cast<std::size_t>(end - p) < bytes)
                return;
            for (unsigned i = 0; i < n; ++i) {
                if (bits == 8)
                    put(p[i]);
                else
                    put((i & 1) ? (p[i / 2] & 0x0F) : (p[i / 2] >> 4));
            }
            p += std::min(padded, static_cast<std::size_t>(end - p));
        }
    }
}

} // namespace

base::Result<Bitmap> DecodeBmp(const std::uint8_t* data, std::size_t size,
                               const BmpReadLimits& limits) {
    if (data == nullptr || size < 14 + 12)
        return base::Fail("not a BMP file (too short)");
    if (data[0] != 'B' || data[1] != 'M')
        return base::Fail("not a BMP file (no BM signature)");
    const std::uint32_t offBits = U32(data + 10);
    const std::uint8_t* h = data + 14;
    const std::uint32_t hsize = U32(h);
    if (hsize < 12 || hsize > size - 14)
        return base::Fail("bad BMP header size");
    std::int64_t width, height;
    std::uint32_t planes, bits, compression = kBiRgb, clrUsed = 0;
    bool core = hsize == 12;
    if (core) {
        width = U16(h + 4);
        height = U16(h + 6);
        planes = U16(h + 8);
        bits = U16(h + 10);
    } else {
        if (hsize < 16)
            return base::Fail("bad BMP header size");
        width = static_cast<std::int32_t>(U32(h + 4));
        height = static_cast<std::int32_t>(U32(h + 8));
        planes = U16(h + 12);
        bits = U16(h + 14);
        if (hsize >= 20)
            compression = U32(h + 16);
        if (hsize >= 36)
            clrUsed = U32(h + 32);
    }
    const bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (planes != 1)
        return base::Fail("bad BMP plane count");
    if (width < 1 || height < 1)
        return base::Fail("empty or negative BMP size");
    if (width > limits.MaxSide || height > limits.MaxSide || width * height > limits.MaxPixels)
        return base::Fail("BMP picture too large");

    const bool rle = compression == kBiRle8 || compression == kBiRle4;
    if (compression == kBiRle8 && bits != 8)
        return base::Fail("RLE8 needs 8 bits per pixel");
    if (compression == kBiRle4 && bits != 4)
        return base::Fail("RLE4 needs 4 bits per pixel");
    const bool fields = compression == kBiBitfields || compression == kBiAlphaBitfields;
    if (fields && bits != 16 && bits != 32)
        return base::Fail("bit fields need 16 or 32 bits per pixel");
    if (!rle && !fields && compression != kBiRgb)
        return base::Fail("unsupported BMP compression");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return base::Fail("unsupported BMP bit count");

    std::size_t pos = 14 + hsize;
    // Bit-field masks: inside a V2+ header, or three DWORDs after a 40-byte header.
    Channel red, green, blue;
    if (bits == 16 || bits == 32) {
        if (fields) {
            const std::uint8_t* m;
            if (hsize >= 52) {
                m = h + 40;
            } else {
                if (size - pos < 12)
                    return base::Fail("truncated BMP bit-field masks");
                m = data + pos;
                pos += compression == kBiAlphaBitfields ? 16 : 12;
                if (pos > size)
                    return base::Fail("truncated BMP bit-field masks");
            }
            red = Channel(U32(m));
            green = Channel(U32(m + 4));
            blue = Channel(U32(m + 8));
        } else if (bits == 16) {
            red = Channel(0x7C00);
            green = Channel(0x03E0);
            blue = Channel(0x001F);
        } else {
            red = Channel(0x00FF0000);
            green = Channel(0x0000FF00);
            blue = Channel(0x000000FF);
        }
    }

    Palette pal;
    if (bits <= 8) {
        const std::uint32_t maxColors = 1u << bits;
        std::uint32_t n = clrUsed == 0 ? maxColors : std::min(clrUsed, maxColors);
        const std::size_t entry = core ? 3 : 4;
        // Some writers put fewer entries than they claim: take what fits before the pixels.
        const std::size_t limit = offBits != 0 && offBits <= size ? offBits : size;
        const std::size_t fits = (limit - std::min(limit, pos)) / entry;
        n = static_cast<std::uint32_t>(std::min<std::size_t>(n, fits));
        if (n == 0)
            return base::Fail("BMP palette missing");
        for (std::uint32_t i = 0; i < n; ++i)
            std::memcpy(pal.bgr[i], data + pos + i * entry, 3);
        pal.count = static_cast<int>(n);
        pos += static_cast<std::size_t>(n) * entry;
    }
    if (offBits != 0) {
        if (offBits >= size)
            return base::Fail("BMP pixel data offset beyond the file");
        if (offBits < 14 + hsize)
            return base::Fail("BMP pixel data offset inside the header");
        pos = offBits;
    }
    const std::uint8_t* pixels = data + pos;
    const std::size_t available = size - std::min(size, pos);
    const std::int64_t W = width, H = height;
    const std::size_t stride = ((static_cast<std::size_t>(W) * bits + 31) / 32) * 4;
    if (!rle && stride * static_cast<std::size_t>(H) > available)
        return base::Fail("truncated BMP pixel data");

    // Every pixel is written below: the RLE case fills the picture first.
    Bitmap bmp =
        Bitmap::CreateUninitialised(static_cast<std::int32_t>(W), static_cast<std::int32_t>(H));
    if (bmp.IsEmpty())
        return base::Fail("BMP picture too large");

    if (rle) {
        // Pixels a run skips keep the colour of palette entry 0.
        const std::uint8_t* bg = pal.At(0);
        bmp.Fill(bg[0], bg[1], bg[2]);
        DecodeRle(pixels, pixels + available, static_cast<int>(bits), topDown, pal, bmp);
        return bmp;
    }

    for (std::int64_t fileRow = 0; fileRow < H; ++fileRow) {
        const std::uint8_t* s = pixels + static_cast<std::size_t>(fileRow) * stride;
        std::uint8_t* d = bmp.Row(static_cast<int>(topDown ? fileRow : H - 1 - fileRow));
        switch (bits) {
        case 24:
            std::memcpy(d, s, static_cast<std::size_t>(W) * 3);
            break;
        case 32:
            if (!fields) {
                for (std::int64_t x = 0; x < W; ++x, d += 3, s += 4) {
                    d[0] = s[0];
                    d[1] = s[1];
                    d[2] = s[2];
                }
                break;
            }
            for (std::int64_t x = 0; x < W; ++x, d += 3, s += 4) {
                const std::uint32_t v = U32(s);
                d[0] = blue(v);
                d[1] = green(v);
                d[2] = red(v);
            }
            break;
        case 16:
            for (std::int64_t x = 0; x < W; ++x, d += 3, s += 2) {
                const std::uint32_t v = U16(s);
                d[0] = blue(v);
                d[1] = green(v);
                d[2] = red(v);
            }
            break;
        default: { // 1, 4, 8: palette indexes, most significant bits first
            const unsigned perByte = 8 / bits;
            const unsigned mask = (1u << bits) - 1;
            for (std::int64_t x = 0; x < W; ++x, d += 3) {
                const unsigned byte = s[x / perByte];
                const unsigned shift =
                    static_cast<unsigned>(8 - bits * (1 + static_cast<unsigned>(x % perByte)));
                std::memcpy(d, pal.At((byte >> shift) & mask), 3);
            }
            break;
        }
        }
    }
    return bmp;
}

namespace {

constexpr std::size_t kBmpHeader = 54;

// The file and info headers of a 24-bit bottom-up BMP of the bitmap (not empty).
void PutBmpHeader(std::uint8_t* f, const Bitmap& bitmap) {
    // Rows are Width*3 bytes padded to 4, the same as the bitmap's own stride.
    const std::size_t image =
        static_cast<std::size_t>(bitmap.RowStride) * static_cast<std::size_t>(bitmap.Height);
    std::memset(f, 0, kBmpHeader);
    f[0] = 'B';
    f[1] = 'M';
    Put32(f + 2, static_cast<std::uint32_t>(kBmpHeader + image));
    Put32(f + 10, kBmpHeader);
    Put32(f + 14, 40);
    Put32(f + 18, static_cast<std::uint32_t>(bitmap.Width));
    Put32(f + 22, static_cast<std::uint32_t>(bitmap.Height)); // positive: bottom-up
    Put16(f + 26, 1);
    Put16(f + 28, 24);
    Put32(f + 30, kBiRgb);
    Put32(f + 34, static_cast<std::uint32_t>(image));
    Put32(f + 38, 2835); // 72 dpi
    Put32(f + 42, 2835);
}

} // namespace

std::vector<std::uint8_t> EncodeBmp(const Bitmap& bitmap) {
    std::vector<std::uint8_t> file;
    if (bitmap.IsEmpty())
        return file;
    const std::size_t stride = static_cast<std::size_t>(bitmap.RowStride);
    file.assign(kBmpHeader + stride * static_cast<std::size_t>(bitmap.Height), 0);
    std::uint8_t* f = file.data();
    PutBmpHeader(f, bitmap);
    for (std::int32_t y = 0; y < bitmap.Height; ++y)
        std::memcpy(f + kBmpHeader + static_cast<std::size_t>(bitmap.Height - 1 - y) * stride,
                    bitmap.Row(y), static_cast<std::size_t>(bitmap.Width) * 3);
    return file;
}

base::Result<Bitmap> LoadBmpFile(const std::string& path) {
    const auto failed = [&path](const std::string& reason) {
        return base::Fail("cannot read " + path + ": " + reason);
    };
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!f)
        return failed(std::strerror(errno));
    if (std::fseek(f.get(), 0, SEEK_END) != 0)
        return failed(std::strerror(errno));
    const long length = std::ftell(f.get());
    if (length < 0)
        return failed(std::strerror(errno));
    // The largest honest BMP: 200 megapixels at 32 bits plus headers and a palette.
    constexpr long long kMaxFile = kMaxPixels * 4 + (1 << 20);
    if (static_cast<long long>(length) > kMaxFile)
        return failed("BMP file too large");
    std::rewind(f.get());
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    if (length > 0 && std::fread(bytes.data(), 1, bytes.size(), f.get()) != bytes.size())
        return failed(std::ferror(f.get()) ? std::strerror(errno) : "the file ended early");
    auto decoded = DecodeBmp(bytes.data(), bytes.size());
    if (!decoded)
        return failed(decoded.error());
    return decoded;
}

base::Status SaveBmpFile(const std::string& path, const Bitmap& bitmap) {
    if (bitmap.IsEmpty())
        return base::Fail("cannot write " + path + ": the picture is empty");
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return base::Fail("cannot create " + path + ": " + std::strerror(errno));
    // The rows go out bottom-up through one stream buffer; no copy of the whole file is built.
    std::setvbuf(f, nullptr, _IOFBF, std::size_t{1} << 16);
    std::uint8_t header[kBmpHeader];
    PutBmpHeader(header, bitmap);
    bool ok = std::fwrite(header, 1, kBmpHeader, f) == kBmpHeader;
    const std::size_t rowBytes = static_cast<std::size_t>(bitmap.Width) * 3;
    const std::size_t pad = static_cast<std::size_t>(bitmap.RowStride) - rowBytes;
    const std::uint8_t zeros[4] = {};
    for (std::int32_t y = bitmap.Height - 1; ok && y >= 0; --y)
        ok = std::fwrite(bitmap.Row(y), 1, rowBytes, f) == rowBytes &&
             (pad == 0 || std::fwrite(zeros, 1, pad, f) == pad);
    int why = ok ? 0 : errno;
    const bool closed = std::fclose(f) == 0;
    if (ok && !closed)
        why = errno;
    if (!ok || !closed) {
        std::remove(path.c_str());
        return base::Fail("cannot write " + path + ": " +
                          (why != 0 ? std::strerror(why) : "short write"));
    }
    return {};
}

} // namespace imaging
