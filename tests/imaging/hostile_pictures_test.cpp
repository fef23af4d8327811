// Small picture files that ask for a lot: decoders must stay within about twice the final
// picture's memory (measured as the peak resident size of a child process that decodes), refuse
// damaged scans, and the metafile player must refuse a picture past its budget of records and
// drawing work (checked as counts, never as time).
#include "decode_helpers.h"

#include "imaging/ImageLoad.h"
#include "imaging/WmfPlayer.h"

#include "base/Endian.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace hostile_pictures_test {

using namespace decode_test;
using imaging::Bitmap;
using Bytes = std::vector<std::uint8_t>;

namespace {

// How far the resident size grows above where it started while `work` runs, in bytes, read
// from the kernel's high-water mark after resetting it (/proc/self/clear_refs); -1 when the
// kernel offers no reset. Run in this process: a forked child of a threaded test program can
// hang on a lock another thread held.
struct Peak {
    long long growth = -1;
    bool ok = false;
};

long long StatusKb(const char* key) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (f == nullptr)
        return -1;
    char line[256];
    long long value = -1;
    const std::size_t n = std::strlen(key);
    while (std::fgets(line, sizeof line, f) != nullptr)
        if (std::strncmp(line, key, n) == 0)
            value = std::atoll(line + n);
    std::fclose(f);
    return value;
}

Peak PeakGrowth(const std::function<bool()>& work) {
    Bitmap::ReleaseCachedMemory();
    FILE* reset = std::fopen("/proc/self/clear_refs", "w");
    if (reset == nullptr)
        return {};
    const bool cleared = std::fputs("5", reset) >= 0;
    if (std::fclose(reset) != 0 || !cleared)
        return {};
    const long long before = StatusKb("VmRSS:");
    Peak peak;
    peak.ok = work();
    peak.growth = (StatusKb("VmHWM:") - before) * 1024;
    Bitmap::ReleaseCachedMemory();
    return peak;
}

// The bound every decoder keeps: twice the finished picture plus room for the libraries.
constexpr long long kSlack = 48LL << 20;
long long Bound(int w, int h) {
    return 2LL * w * h * 3 + kSlack;
}

// ---- PNG with Adam7 interlacing and alpha, written here with zlib -----------------------------

void PutChunk(Bytes& out, const char* type, const Bytes& data) {
    const std::size_t at = out.size();
    out.resize(at + 8);
    base::StoreBE<std::uint32_t>(&out[at], static_cast<std::uint32_t>(data.size()));
    std::memcpy(&out[at + 4], type, 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
    if (!data.empty()) // zlib answers 0 for a null buffer
        crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
    out.resize(out.size() + 4);
    base::StoreBE<std::uint32_t>(&out[out.size() - 4], static_cast<std::uint32_t>(crc));
}

using RgbaAt = std::function<std::uint32_t(int x, int y)>; // 0xAABBGGRR

Bytes InterlacedRgbaPng(int w, int h, const RgbaAt& pixel) {
    static const int kX0[7] = {0, 4, 0, 2, 0, 1, 0}, kY0[7] = {0, 0, 4, 0, 2, 0, 1};
    static const int kDx[7] = {8, 8, 4, 4, 2, 2, 1}, kDy[7] = {8, 8, 8, 4, 4, 2, 2};
    // Each pass's rows, filter byte first; sized once, as the large picture has 64 MB of them.
    std::size_t rawSize = 0;
    for (int pass = 0; pass < 7; ++pass)
        if (kX0[pass] < w && kY0[pass] < h)
            rawSize +=
                static_cast<std::size_t>((h - kY0[pass] + kDy[pass] - 1) / kDy[pass]) *
                (1 + 4 * static_cast<std::size_t>((w - kX0[pass] + kDx[pass] - 1) / kDx[pass]));
    Bytes raw(rawSize);
    std::uint8_t* at = raw.data();
    for (int pass = 0; pass < 7; ++pass) {
        if (kX0[pass] >= w || kY0[pass] >= h)
            continue;
        for (int y = kY0[pass]; y < h; y += kDy[pass]) {
            *at++ = 0; // no filter
            for (int x = kX0[pass]; x < w; x += kDx[pass]) {
                base::StoreLE<std::uint32_t>(at, pixel(x, y));
                at += 4;
            }
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    Bytes packed(packedSize);
    compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 1);
    packed.resize(packedSize);
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr(13, 0);
    base::StoreBE<std::uint32_t>(&ihdr[0], static_cast<std::uint32_t>(w));
    base::StoreBE<std::uint32_t>(&ihdr[4], static_cast<std::uint32_t>(h));
    ihdr[8] = 8;  // bits
    ihdr[9] = 6;  // RGBA
    ihdr[12] = 1; // Adam7
    PutChunk(png, "IHDR", ihdr);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", {});
    return png;
}

TEST(HostilePictures, InterlacedPngWithAlphaIsExactAndSmall) {
    // Every pixel different, in colour and in alpha, so a pass landing in the wrong place shows.
    const RgbaAt pattern = [](int x, int y) {
        const std::uint32_t r = (x * 5) & 0xFF, g = (y * 3) & 0xFF, b = (x + y) & 0xFF,
                            a = (x * 7 + y * 11) & 0xFF;
        return r | (g << 8) | (b << 16) | (a << 24);
    };
    const Bytes small = InterlacedRgbaPng(37, 23, pattern);
    const auto decoded = imaging::LoadPngMemory(small.data(), small.size());
    ASSERT_TRUE(decoded) << decoded.error();
    const Bitmap& b = *decoded;
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) {
            const std::uint32_t v = pattern(x, y);
            const unsigned a = v >> 24;
            auto on = [&](unsigned c) {
                return static_cast<int>((c * a + 255u * (255u - a) + 127u) / 255u);
            };
            const Rgb want{on(v & 0xFF), on((v >> 8) & 0xFF), on((v >> 16) & 0xFF)};
            ASSERT_TRUE(Near(PixelAt(b, x, y), want, 0)) << x << "," << y;
        }

    const int side = 4000;
    const Bytes big = InterlacedRgbaPng(side, side, [](int, int) { return 0x80FF0000u; });
    const Peak peak = PeakGrowth([&] {
        const auto p = imaging::LoadPngMemory(big.data(), big.size());
        return p && p->Width == side;
    });
    EXPECT_TRUE(peak.ok);
    EXPECT_LE(peak.growth, Bound(side, side));
}

// ---- WMF -------------------------------------------------------------------------------------

class Metafile {
public:
    void Record(std::uint16_t function, std::initializer_list<int> params) {
        const std::size_t at = records_.size();
        records_.resize(at + 6 + 2 * params.size());
        base::StoreLE<std::uint32_t>(&records_[at], static_cast<std::uint32_t>(3 + params.size()));
        base::StoreLE<std::uint16_t>(&records_[at + 4], function);
        std::size_t k = at + 6;
        for (const int p : params) {
            base::StoreLE<std::uint16_t>(&records_[k], static_cast<std::uint16_t>(p));
            k += 2;
        }
    }
    // A placeable metafile of w x h pixels (96 units per inch), logical units = pixels.
    Bytes Bytes_(int w, int h) const {
        Bytes out(22, 0);
        base::StoreLE<std::uint32_t>(&out[0], 0x9AC6CDD7);
        base::StoreLE<std::int16_t>(&out[10], static_cast<std::int16_t>(w));
        base::StoreLE<std::int16_t>(&out[12], static_cast<std::int16_t>(h));
        base::StoreLE<std::uint16_t>(&out[14], 96);
        out.resize(40, 0);
        base::StoreLE<std::uint16_t>(&out[22], 1);
        base::StoreLE<std::uint16_t>(&out[24], 9);
        base::StoreLE<std::uint16_t>(&out[26], 0x300);
        base::StoreLE<std::uint16_t>(&out[32], 4); // objects
        out.insert(out.end(), records_.begin(), records_.end());
        out.insert(out.end(), {3, 0, 0, 0, 0, 0});
        return out;
    }

private:
    Bytes records_;
};

enum : std::uint16_t {
    kSetBkMode = 0x0102,
    kSelectObject = 0x012D,
    kDeleteObject = 0x01F0,
    kCreatePen = 0x02FA,
    kCreateBrush = 0x02FC,
    kExcludeClipRect = 0x0415,
    kEllipse = 0x0418,
    kRectangle = 0x041B,
};

TEST(HostilePictures, LargeMetafileDrawsIntoThePictureItself) {
    // The 56-byte shape of the crafted file: a placeable header, one ellipse.
    const int side = 4000;
    Metafile m;
    m.Record(kEllipse, {side, side, 0, 0});
    const Bytes wmf = m.Bytes_(side, side);
    const Peak peak = PeakGrowth([&] {
        const auto b = imaging::LoadWmfMemory(wmf.data(), wmf.size());
        return b && b->Width == side;
    });
    EXPECT_TRUE(peak.ok);
    EXPECT_LE(peak.growth, Bound(side, side));
}

TEST(HostilePictures, ManyExcludedRectanglesClipExactlyWithinTheBudget) {
    // 10 000 little holes along the diagonal, then a red fill over everything.
    const int side = 1000;
    Metafile m;
    m.Record(kCreateBrush, {0, 0x00FF, 0, 0}); // solid red
    m.Record(kSelectObject, {0});
    m.Record(kCreatePen, {5, 0, 0, 0, 0}); // null pen
    m.Record(kSelectObject, {1});
    for (int i = 0; i < 10000; ++i) {
        const int x = (i * 7) % (side - 4), y = (i * 13) % (side - 4);
        m.Record(kExcludeClipRect, {y + 2, x + 2, y, x});
    }
    m.Record(kRectangle, {side, side, 0, 0});
    const Bytes wmf = m.Bytes_(side, side);
    const auto decoded = imaging::LoadWmfMemory(wmf.data(), wmf.size());
    ASSERT_TRUE(decoded) << decoded.error();
    const Bitmap& b = *decoded;
    EXPECT_TRUE(Near(PixelAt(b, 0, 0), kWhite, 0)); // the first hole
    EXPECT_TRUE(Near(PixelAt(b, 1, 1), kWhite, 0));
    EXPECT_TRUE(Near(PixelAt(b, 3, 1), kRed, 0));
    EXPECT_TRUE(Near(PixelAt(b, 7, 13), kWhite, 0)); // the second
    EXPECT_TRUE(Near(PixelAt(b, 500, 2), kRed, 0));
}

TEST(HostilePictures, MetafilePastItsBudgetIsRefused) {
    const int side = 2000;
    auto ellipses = [&](int count) {
        Metafile m;
        for (int i = 0; i < count; ++i)
            m.Record(kEllipse, {side, side, 0, 0});
        return m.Bytes_(side, side);
    };
    // A hundred full-picture ellipses is a lot of drawing, but a picture.
    const Bytes some = ellipses(100);
    const auto drawn = imaging::LoadWmfMemory(some.data(), some.size());
    EXPECT_TRUE(drawn) << drawn.error();
    // Twenty thousand is 80 billion pixels of work.
    const Bytes many = ellipses(20000);
    const auto refused = imaging::LoadWmfMemory(many.data(), many.size());
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().find("WMF"), std::string::npos);

    // Records that draw nothing still count.
    Metafile idle;
    for (std::uint64_t i = 0; i <= imaging::wmf::WmfPlayer::kMaxRecords; ++i)
        idle.Record(kSetBkMode, {1});
    const Bytes endless = idle.Bytes_(10, 10);
    EXPECT_FALSE(imaging::LoadWmfMemory(endless.data(), endless.size()));
}

TEST(HostilePictures, ObjectTableReusesTheLowestFreeSlot) {
    QImage canvas(4, 4, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    imaging::wmf::WmfPlayer player(painter, QSizeF(4, 4), QPointF(0, 0), QSizeF(4, 4), 3, {});
    auto play = [&](std::uint16_t function, std::initializer_list<int> params) {
        Bytes bytes;
        for (const int p : params) {
            bytes.push_back(static_cast<std::uint8_t>(p & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>((p >> 8) & 0xFF));
        }
        player.Play(function, imaging::wmf::Params(bytes.data(), bytes.size() / 2));
    };
    // Far more objects than the table declares: they grow it, and each add stays cheap.
    for (int i = 0; i < 200000; ++i)
        play(kCreatePen, {5, 0, 0, 0, 0});
    // Slots 1 and 7 freed; a new brush goes to 1, the lowest.
    play(kDeleteObject, {7});
    play(kDeleteObject, {1});
    play(kCreateBrush, {0, 0xFF00, 0, 0}); // solid green... in slot 1
    play(kSelectObject, {1});
    play(kCreateBrush, {0, 0x0000, 0x00FF, 0}); // solid blue, in slot 7
    play(kSelectObject, {7});
    play(kRectangle, {4, 2, 0, 0});
    painter.end();
    EXPECT_EQ(QColor(canvas.pixel(1, 1)), QColor(0, 0, 255));
    EXPECT_LT(player.Work(), imaging::wmf::WmfPlayer::kMaxWork);
    EXPECT_EQ(player.Records(), 200007u);
}

// ---- JPEG, GIF, BMP --------------------------------------------------------------------------

TEST(HostilePictures, JpegWhoseScanEndsEarlyIsRefused) {
    QImage small(16, 16, QImage::Format_RGB32);
    small.fill(QColor(200, 40, 40));
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(small.save(&buffer, "JPEG"));
    Bytes jpeg(data.begin(), data.end());
    // Patch the frame header (SOF0) to 14000 x 14000: the scan then stops after one block row.
    std::size_t sof = 0;
    for (std::size_t i = 2; i + 9 < jpeg.size() && sof == 0; ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0)
            sof = i;
    ASSERT_NE(sof, 0u);
    base::StoreBE<std::uint16_t>(&jpeg[sof + 5], 14000);
    base::StoreBE<std::uint16_t>(&jpeg[sof + 7], 14000);
    const Peak peak =
        PeakGrowth([&] { return imaging::LoadJpegMemory(jpeg.data(), jpeg.size()).ok(); });
    EXPECT_FALSE(peak.ok);
    // Refused long before the 588 MB the header claims; the bound leaves room for the
    // sanitizers' redzones and quarantine, which keep freed rows counted.
    EXPECT_LE(peak.growth, 128LL << 20);
    // The file as written still decodes.
    const Bytes whole(data.begin(), data.end());
    const auto decoded = imaging::LoadJpegMemory(whole.data(), whole.size());
    EXPECT_TRUE(decoded) << decoded.error();
}

TEST(HostilePictures, TinyGifAndRleBmpWithHugeCanvasesStayWithinTheBound) {
    const int w = 8000, h = 5000;
    // A 35-byte GIF: a large logical screen with one 1x1 image.
    Bytes gif = {'G',  'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0x80, 0, 0, 0,    0,    0, 0xFF, 0xFF,
                 0xFF, ',', 0,   0,   0,   0,   1, 0, 1, 0, 0,    2, 2, 0x44, 0x01, 0, ';'};
    base::StoreLE<std::uint16_t>(&gif[6], w);
    base::StoreLE<std::uint16_t>(&gif[8], h);
    // An RLE8 BMP of the same size whose data is one end-of-bitmap code.
    Bytes bmp(54 + 1024 + 2, 0);
    bmp[0] = 'B';
    bmp[1] = 'M';
    base::StoreLE<std::uint32_t>(&bmp[2], static_cast<std::uint32_t>(bmp.size()));
    base::StoreLE<std::uint32_t>(&bmp[10], 54 + 1024);
    base::StoreLE<std::uint32_t>(&bmp[14], 40);
    base::StoreLE<std::int32_t>(&bmp[18], w);
    base::StoreLE<std::int32_t>(&bmp[22], h);
    base::StoreLE<std::uint16_t>(&bmp[26], 1);
    base::StoreLE<std::uint16_t>(&bmp[28], 8);
    base::StoreLE<std::uint32_t>(&bmp[30], 1); // RLE8
    bmp[54 + 1024 + 1] = 1;                    // 00 01: end of bitmap
    for (const auto& [name, file, kind] : {std::tuple{"gif", gif, imaging::PhotoKind::Gif},
                                           std::tuple{"bmp", bmp, imaging::PhotoKind::Bmp}}) {
        SCOPED_TRACE(name);
        const Peak peak = PeakGrowth([&, &file = file, kind = kind] {
            const auto b = imaging::LoadImageMemory(kind, file.data(), file.size());
            return b && b->Width == w;
        });
        EXPECT_TRUE(peak.ok);
        EXPECT_LE(peak.growth, Bound(w, h));
    }
}

} // namespace

} // namespace hostile_pictures_test
