// BMP and WMF decoding: BMP photos from ImageMagick, metafiles written here record by record and
// played at their own size, and damaged or oversized files of both kinds refused.
#include "decode_helpers.h"

#include "imaging/ImageLoad.h"

#include "base/Endian.h"

namespace decode_bmp_wmf_test {

using namespace decode_test;
using imaging::Bitmap;

namespace {

// Writes a metafile: optional placeable header, metafile header, records, EOF record.
class WmfWriter {
public:
    void Record(std::uint16_t function, std::initializer_list<int> params) {
        std::vector<std::uint8_t> bytes;
        for (const int p : params) {
            bytes.push_back(static_cast<std::uint8_t>(p & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>((p >> 8) & 0xFF));
        }
        RecordBytes(function, bytes);
    }
    void RecordBytes(std::uint16_t function, std::vector<std::uint8_t> bytes) {
        if (bytes.size() % 2 != 0)
            bytes.push_back(0);
        const std::size_t at = records_.size();
        records_.resize(at + 6);
        base::StoreLE<std::uint32_t>(&records_[at],
                                     static_cast<std::uint32_t>(3 + bytes.size() / 2));
        base::StoreLE<std::uint16_t>(&records_[at + 4], function);
        records_.insert(records_.end(), bytes.begin(), bytes.end());
    }
    std::vector<std::uint8_t> Build(bool placeable, int left, int top, int right, int bottom,
                                    int inch, bool withEof = true) const {
        std::vector<std::uint8_t> out;
        if (placeable) {
            out.resize(22);
            base::StoreLE<std::uint32_t>(&out[0], 0x9AC6CDD7);
            base::StoreLE<std::int16_t>(&out[6], static_cast<std::int16_t>(left));
            base::StoreLE<std::int16_t>(&out[8], static_cast<std::int16_t>(top));
            base::StoreLE<std::int16_t>(&out[10], static_cast<std::int16_t>(right));
            base::StoreLE<std::int16_t>(&out[12], static_cast<std::int16_t>(bottom));
            base::StoreLE<std::uint16_t>(&out[14], static_cast<std::uint16_t>(inch));
        }
        const std::size_t h = out.size();
        out.resize(h + 18);
        base::StoreLE<std::uint16_t>(&out[h], 1);
        base::StoreLE<std::uint16_t>(&out[h + 2], 9);
        base::StoreLE<std::uint16_t>(&out[h + 4], 0x300);
        base::StoreLE<std::uint16_t>(&out[h + 10], 8); // objects
        out.insert(out.end(), records_.begin(), records_.end());
        if (withEof)
            out.insert(out.end(), {3, 0, 0, 0, 0, 0});
        return out;
    }

private:
    std::vector<std::uint8_t> records_;
};

Bitmap Play(const std::vector<std::uint8_t>& wmf, std::string* error = nullptr) {
    auto b = imaging::LoadWmfMemory(wmf.data(), wmf.size());
    if (!b && error != nullptr)
        *error = b.error();
    return b ? std::move(*b) : Bitmap();
}

enum : std::uint16_t {
    kSaveDC = 0x001E,
    kRestoreDC = 0x0127,
    kSelectObject = 0x012D,
    kSetWindowOrg = 0x020B,
    kSetWindowExt = 0x020C,
    kCreatePen = 0x02FA,
    kCreateBrush = 0x02FC,
    kRectangle = 0x041B,
    kEllipse = 0x0418,
    kPolygon = 0x0324,
    kStretchDIBits = 0x0F43,
    kDeleteObject = 0x01F0
};

// A picture 2880 x 1440 twips = 192 x 96 pixels; the left half red (a rectangle), a blue
// ellipse in the right half, drawn with a null pen.
WmfWriter TwoHalves() {
    WmfWriter w;
    w.Record(kSetWindowOrg, {0, 0});
    w.Record(kSetWindowExt, {1440, 2880});
    w.Record(kCreatePen, {5, 0, 0, 0, 0});          // object 0: null pen
    w.Record(kCreateBrush, {0, 0x00FF, 0x0000, 0}); // object 1: red
    w.Record(kCreateBrush, {0, 0x0000, 0x00FF, 0}); // object 2: blue (0x00FF0000)
    w.Record(kSelectObject, {0});
    w.Record(kSelectObject, {1});
    w.Record(kSaveDC, {});
    w.Record(kSelectObject, {2});
    w.Record(kRestoreDC, {-1});               // back to the red brush
    w.Record(kRectangle, {1440, 1440, 0, 0}); // bottom, right, top, left
    w.Record(kSelectObject, {2});
    w.Record(kEllipse, {1440, 2880, 0, 1440});
    return w;
}

} // namespace

TEST(WmfDecode, RecordsDrawnAtTheMetafilesOwnSize) {
    std::string error;
    const Bitmap b = Play(TwoHalves().Build(true, 0, 0, 2880, 1440, 1440), &error);
    ASSERT_FALSE(b.IsEmpty()) << error;
    EXPECT_EQ(b.Width, 192);
    EXPECT_EQ(b.Height, 96);
    EXPECT_TRUE(Near(PixelAt(b, 48, 48), kRed, 0)) << "rectangle with the restored brush";
    EXPECT_TRUE(Near(PixelAt(b, 144, 48), kBlue, 0)) << "ellipse centre";
    EXPECT_TRUE(Near(PixelAt(b, 99, 3), kWhite, 0)) << "outside the ellipse";
    EXPECT_TRUE(Near(PixelAt(b, 188, 92), kWhite, 0));

    // Without the placeable header the window extent, taken as twips when large, gives the size.
    const Bitmap n = Play(TwoHalves().Build(false, 0, 0, 0, 0, 0), &error);
    ASSERT_FALSE(n.IsEmpty()) << error;
    EXPECT_EQ(n.Width, 192);
    EXPECT_EQ(n.Height, 96);
    EXPECT_TRUE(Near(PixelAt(n, 48, 48), kRed, 0));
}

TEST(WmfDecode, WindowMappingFlipsAndShifts) {
    // y grows upwards: the window starts at y 1440 with a negative extent; the rectangle in the
    // lower logical half lands at the bottom of the picture.
    WmfWriter w;
    w.Record(kSetWindowOrg, {1440, 100});
    w.Record(kSetWindowExt, {-1440, 2880});
    w.Record(kCreatePen, {5, 0, 0, 0, 0});
    w.Record(kCreateBrush, {0, 0xFF00, 0x0000, 0}); // lime
    w.Record(kSelectObject, {0});
    w.Record(kSelectObject, {1});
    w.Record(kRectangle, {0, 100 + 2880, 720, 100});
    // A triangle with its right angle at the top left of the picture.
    w.Record(kCreateBrush, {0, 0x00FF, 0x0000, 0});
    w.Record(kSelectObject, {2});
    w.Record(kPolygon, {3, 100, 1440, 100 + 1440, 1440, 100, 720});
    const Bitmap b = Play(w.Build(true, 0, 0, 2880, 1440, 1440));
    ASSERT_EQ(b.Width, 192);
    EXPECT_TRUE(Near(PixelAt(b, 96, 80), kLime, 0));
    EXPECT_TRUE(Near(PixelAt(b, 150, 20), kWhite, 0));
    EXPECT_TRUE(Near(PixelAt(b, 5, 5), kRed, 0));
    EXPECT_TRUE(Near(PixelAt(b, 90, 40), kWhite, 0)); // beyond the hypotenuse
}

TEST(WmfDecode, StretchDIBitsPlacesABottomUpBitmap) {
    // A 2 x 2 24-bit DIB: bottom row blue, yellow; top row red, lime (rows padded to 8 bytes).
    std::vector<std::uint8_t> dib(40 + 16, 0);
    base::StoreLE<std::uint32_t>(&dib[0], 40);
    base::StoreLE<std::int32_t>(&dib[4], 2);
    base::StoreLE<std::int32_t>(&dib[8], 2);
    base::StoreLE<std::uint16_t>(&dib[12], 1);
    base::StoreLE<std::uint16_t>(&dib[14], 24);
    const std::uint8_t rows[16] = {255, 0, 0, 0, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0};
    std::copy(std::begin(rows), std::end(rows), dib.begin() + 40);
    std::vector<std::uint8_t> params(22, 0);
    base::StoreLE<std::uint32_t>(&params[0], 0xCC0020); // SRCCOPY
    const std::int16_t fields[] = {0, 2, 2, 0, 0, 1440, 2880, 0, 0};
    for (std::size_t i = 0; i < 9; ++i)
        base::StoreLE<std::int16_t>(&params[4 + 2 * i], fields[i]);
    params.insert(params.end(), dib.begin(), dib.end());
    WmfWriter w;
    w.RecordBytes(kStretchDIBits, params);
    const Bitmap b = Play(w.Build(true, 0, 0, 2880, 1440, 1440));
    ASSERT_EQ(b.Width, 192);
    ExpectQuadrants(b, kRed, kLime, kBlue, kYellow, 0);

    // The same DIB cut short is skipped, not read past.
    WmfWriter cut;
    params.resize(params.size() - 6);
    cut.RecordBytes(kStretchDIBits, params);
    const Bitmap c = Play(cut.Build(true, 0, 0, 2880, 1440, 1440));
    ASSERT_EQ(c.Width, 192);
    EXPECT_TRUE(Near(PixelAt(c, 48, 24), kWhite, 0));
}

TEST(WmfDecode, DamagedAndOversizedFilesAreRefused) {
    const std::vector<std::uint8_t> good = TwoHalves().Build(true, 0, 0, 2880, 1440, 1440);
    std::string error;
    EXPECT_FALSE(Play(good).IsEmpty());
    for (const std::size_t cut :
         {std::size_t{10}, std::size_t{30}, good.size() / 2, good.size() - 6, good.size() - 1}) {
        EXPECT_TRUE(Play({good.begin(), good.begin() + static_cast<long>(cut)}, &error).IsEmpty())
            << cut;
    }
    EXPECT_TRUE(Play(TwoHalves().Build(true, 0, 0, 2880, 1440, 1440, false)).IsEmpty());
    EXPECT_TRUE(Play(TwoHalves().Build(true, 0, 0, 2880, 1440, 0)).IsEmpty()); // no inch
    std::vector<std::uint8_t> zeroSize = good;
    zeroSize[22 + 18] = zeroSize[22 + 19] = 0; // first record claims 0 words
    EXPECT_TRUE(Play(zeroSize).IsEmpty());
    std::vector<std::uint8_t> notWmf = good;
    notWmf[22] = 7;
    EXPECT_TRUE(Play(notWmf).IsEmpty());
    // 32000 units at one unit per inch: 3 million pixels a side.
    EXPECT_TRUE(Play(TwoHalves().Build(true, 0, 0, 32000, 100, 1), &error).IsEmpty());
    EXPECT_NE(error.find("beyond the limits"), std::string::npos) << error;
    // A record that names objects far outside the table and polygons with more points than
    // bytes still plays, drawing nothing wrong.
    WmfWriter w;
    w.Record(kSelectObject, {9999});
    w.Record(kDeleteObject, {60000});
    w.Record(kPolygon, {5000, 0, 0});
    w.Record(kRestoreDC, {-40});
    EXPECT_FALSE(Play(w.Build(true, 0, 0, 96, 96, 96), &error).IsEmpty()) << error;
}

TEST(BmpDecode, ToolMadeBitmapsAndDamage) {
    Scratch s;
    ASSERT_TRUE(s.Run(QuadrantsCommand(40, 20, "-type TrueColor BMP3:q.bmp")));
    ASSERT_TRUE(s.Run(QuadrantsCommand(40, 20, "-type Palette BMP3:P.BMP")));
    for (const char* name : {"q.bmp", "P.BMP"}) {
        const auto loaded = imaging::LoadImageFile(s.Path(name));
        ASSERT_TRUE(loaded) << loaded.error();
        const Bitmap& b = *loaded;
        EXPECT_EQ(b.Width, 40);
        EXPECT_EQ(b.Height, 20);
        ExpectQuadrants(b, kRed, kLime, kBlue, kYellow, 0);
    }
    const std::vector<std::uint8_t> bmp = ReadBytes(s.Path("q.bmp"));
    EXPECT_FALSE(imaging::LoadBmpPhotoMemory(bmp.data(), 30));
    std::vector<std::uint8_t> big = bmp;
    base::StoreLE<std::int32_t>(&big[18], 30000);
    const auto refused = imaging::LoadBmpPhotoMemory(big.data(), big.size());
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error(), "BMP: BMP picture too large");
}

} // namespace decode_bmp_wmf_test
