// JPEG decoding: sizes and colours of photos made by outside tools, EXIF orientations turning
// the picture upright, and damaged or oversized files refused.
#include "decode_helpers.h"

#include "imaging/ExifOrientation.h"
#include "imaging/ImageLoad.h"

#include "base/Endian.h"

#include <cerrno>
#include <cstring>

namespace decode_jpeg_test {

using namespace decode_test;
using imaging::Bitmap;

namespace {

// An APP1 EXIF segment holding only the orientation, in either TIFF byte order.
std::vector<std::uint8_t> ExifSegment(int orientation, bool bigEndian) {
    std::vector<std::uint8_t> tiff(26, 0);
    auto u16 = [&](std::size_t at, std::uint16_t v) {
        bigEndian ? base::StoreBE<std::uint16_t>(&tiff[at], v)
                  : base::StoreLE<std::uint16_t>(&tiff[at], v);
    };
    auto u32 = [&](std::size_t at, std::uint32_t v) {
        bigEndian ? base::StoreBE<std::uint32_t>(&tiff[at], v)
                  : base::StoreLE<std::uint32_t>(&tiff[at], v);
    };
    tiff[0] = tiff[1] = bigEndian ? 'M' : 'I';
    u16(2, 42);
    u32(4, 8);       // IFD0 right after the header
    u16(8, 1);       // one entry
    u16(10, 0x0112); // orientation
    u16(12, 3);      // SHORT
    u32(14, 1);
    u16(18, static_cast<std::uint16_t>(orientation));
    u32(22, 0); // no next IFD
    static const std::uint8_t kHead[10] = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
    std::vector<std::uint8_t> seg(sizeof(kHead) + tiff.size());
    std::copy(std::begin(kHead), std::end(kHead), seg.begin());
    std::copy(tiff.begin(), tiff.end(), seg.begin() + sizeof(kHead));
    base::StoreBE<std::uint16_t>(&seg[2], static_cast<std::uint16_t>(seg.size() - 2));
    return seg;
}

std::vector<std::uint8_t> WithSegmentAfterSoi(std::vector<std::uint8_t> jpeg,
                                              const std::vector<std::uint8_t>& seg) {
    jpeg.insert(jpeg.begin() + 2, seg.begin(), seg.end());
    return jpeg;
}

// Offset of the first SOF0/SOF2 marker; height at +5, width at +7.
std::size_t FindSof(const std::vector<std::uint8_t>& jpeg) {
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2))
            return i;
    return 0;
}

bool Decode(Bitmap& out, const std::vector<std::uint8_t>& bytes, std::string* error = nullptr) {
    auto decoded = imaging::LoadJpegMemory(bytes.data(), bytes.size());
    if (!decoded && error != nullptr)
        *error = decoded.error();
    out = decoded ? std::move(*decoded) : Bitmap();
    return decoded.ok();
}

// Loads a file into b, keeping the reason of a failure in error.
bool LoadFile(Bitmap& b, base::Result<Bitmap> loaded, std::string& error) {
    error = loaded ? std::string() : loaded.error();
    b = loaded ? std::move(*loaded) : Bitmap();
    return loaded.ok();
}

class JpegDecode : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scratch.Run(QuadrantsCommand(64, 48, "-quality 95 q.jpg")));
        quadrants = ReadBytes(scratch.Path("q.jpg"));
        ASSERT_GT(quadrants.size(), 100u);
    }
    Scratch scratch;
    std::vector<std::uint8_t> quadrants;
};

} // namespace

TEST_F(JpegDecode, ToolMadePhotosKeepSizeAndColours) {
    Bitmap b;
    std::string error;
    ASSERT_TRUE(LoadFile(b, imaging::LoadImageFile(scratch.Path("q.jpg")), error)) << error;
    EXPECT_EQ(b.Width, 64);
    EXPECT_EQ(b.Height, 48);
    ExpectQuadrants(b, kRed, kLime, kBlue, kYellow);

    // Progressive and greyscale files from cjpeg, named with an upper-case extension.
    ASSERT_TRUE(
        scratch.Run("convert q.jpg q.ppm && cjpeg -progressive -quality 95 -outfile P.JPEG q.ppm"));
    ASSERT_TRUE(LoadFile(b, imaging::LoadImageFile(scratch.Path("P.JPEG")), error)) << error;
    ExpectQuadrants(b, kRed, kLime, kBlue, kYellow);
    ASSERT_TRUE(scratch.Run("cjpeg -grayscale -outfile g.jpg q.ppm"));
    ASSERT_TRUE(LoadFile(b, imaging::LoadJpegFile(scratch.Path("g.jpg")), error)) << error;
    const Rgb grey = PixelAt(b, 48, 36); // yellow as luma: about 226
    EXPECT_TRUE(Near(grey, {226, 226, 226}, 8));

    // A CMYK file (Adobe's inverted form) comes out in RGB.
    ASSERT_TRUE(scratch.Run("convert q.jpg -colorspace CMYK -quality 95 c.jpg"));
    ASSERT_TRUE(LoadFile(b, imaging::LoadJpegFile(scratch.Path("c.jpg")), error)) << error;
    ExpectQuadrants(b, kRed, kLime, kBlue, kYellow, 40);

    // A frame from ffmpeg, odd-sized.
    ASSERT_TRUE(scratch.Run("ffmpeg -loglevel error -f lavfi -i color=c=blue:s=34x18 -frames:v 1 "
                            "-q:v 2 f.jpg"));
    ASSERT_TRUE(LoadFile(b, imaging::LoadJpegFile(scratch.Path("f.jpg")), error)) << error;
    EXPECT_EQ(b.Width, 34);
    EXPECT_EQ(b.Height, 18);
    EXPECT_TRUE(Near(PixelAt(b, 33, 17), kBlue, 30));
}

TEST_F(JpegDecode, ExifOrientationTurnsThePhotoUpright) {
    struct Case {
        int orientation;
        Rgb tl, tr, bl, br;
    };
    const Case cases[] = {
        {1, kRed, kLime, kBlue, kYellow}, {2, kLime, kRed, kYellow, kBlue},
        {3, kYellow, kBlue, kLime, kRed}, {4, kBlue, kYellow, kRed, kLime},
        {5, kRed, kBlue, kLime, kYellow}, {6, kBlue, kRed, kYellow, kLime},
        {7, kYellow, kLime, kBlue, kRed}, {8, kLime, kYellow, kRed, kBlue},
    };
    for (const Case& c : cases) {
        for (const bool big : {false, true}) {
            SCOPED_TRACE("orientation " + std::to_string(c.orientation) + (big ? " MM" : " II"));
            Bitmap b;
            std::string error;
            ASSERT_TRUE(
                Decode(b, WithSegmentAfterSoi(quadrants, ExifSegment(c.orientation, big)), &error))
                << error;
            const bool swapped = c.orientation >= 5;
            EXPECT_EQ(b.Width, swapped ? 48 : 64);
            EXPECT_EQ(b.Height, swapped ? 64 : 48);
            ExpectQuadrants(b, c.tl, c.tr, c.bl, c.br);
        }
    }
}

TEST(ExifOrientation, MalformedSegmentsMeanUpright) {
    const std::vector<std::uint8_t> good = ExifSegment(6, false);
    const std::uint8_t* payload = good.data() + 4;
    const std::size_t size = good.size() - 4;
    EXPECT_EQ(imaging::ExifOrientation(payload, size), 6);
    // Every truncation of the segment reads nothing past its end (ASan watches) and gives 1.
    for (std::size_t n = 0; n < 6 + 20; ++n) {
        std::vector<std::uint8_t> cut(payload, payload + n);
        EXPECT_EQ(imaging::ExifOrientation(cut.data(), cut.size()), 1) << n;
    }
    std::vector<std::uint8_t> bad(payload, payload + size);
    bad[6 + 4] = 0xF0; // IFD0 offset far past the end
    EXPECT_EQ(imaging::ExifOrientation(bad.data(), bad.size()), 1);
    bad.assign(payload, payload + size);
    bad[6 + 8] = 0xFF; // entry count larger than the segment
    bad[6 + 9] = 0xFF;
    EXPECT_EQ(imaging::ExifOrientation(bad.data(), bad.size()), 6); // the first entry still reads
    bad.assign(payload, payload + size);
    bad[6 + 18] = 9; // out of range
    EXPECT_EQ(imaging::ExifOrientation(bad.data(), bad.size()), 1);
    bad[0] = 'X';
    EXPECT_EQ(imaging::ExifOrientation(bad.data(), bad.size()), 1);
}

TEST_F(JpegDecode, DamagedFilesAreRefused) {
    Bitmap b;
    std::string error;
    const std::vector<std::uint8_t> half(
        quadrants.begin(), quadrants.begin() + static_cast<long>(quadrants.size() / 2));
    EXPECT_FALSE(Decode(b, half, &error));
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_NE(error.find("JPEG"), std::string::npos);

    std::vector<std::uint8_t> noFrame = quadrants;
    const std::size_t sof = FindSof(noFrame);
    ASSERT_NE(sof, 0u);
    noFrame[sof + 5] = noFrame[sof + 6] = 0; // height 0
    EXPECT_FALSE(Decode(b, noFrame));

    std::vector<std::uint8_t> garbage = quadrants;
    for (std::size_t i = 2; i < 200 && i < garbage.size(); ++i)
        garbage[i] = static_cast<std::uint8_t>(i * 37);
    EXPECT_FALSE(Decode(b, garbage));
    EXPECT_FALSE(Decode(b, {}));

    WriteBytes(scratch.Path("empty.jpg"), {});
    // A file's failure names the file and the reason: the decoder's, or the system's.
    const auto empty = imaging::LoadImageFile(scratch.Path("empty.jpg"));
    ASSERT_FALSE(empty);
    EXPECT_EQ(empty.error().rfind("cannot read " + scratch.Path("empty.jpg") + ": JPEG: ", 0), 0u)
        << empty.error();
    const auto missing = imaging::LoadImageFile(scratch.Path("missing.jpg"));
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error(),
              "cannot read " + scratch.Path("missing.jpg") + ": " + std::strerror(ENOENT));
    // Cut short halfway: the decoder's reason for the early end, with the file's name.
    WriteBytes(scratch.Path("cut.jpg"), half);
    const auto cut = imaging::LoadJpegFile(scratch.Path("cut.jpg"));
    ASSERT_FALSE(cut);
    EXPECT_NE(cut.error().find(scratch.Path("cut.jpg") + ": JPEG: Premature end"),
              std::string::npos)
        << cut.error();
}

TEST_F(JpegDecode, OversizedDimensionsAreRefusedFromTheHeader) {
    const std::size_t sof = FindSof(quadrants);
    ASSERT_NE(sof, 0u);
    struct Size {
        std::uint16_t w, h;
    };
    // Over 20000 a side, and 20000 x 15000 = 300 megapixels.
    for (const Size s : {Size{30000, 10}, Size{10, 20001}, Size{20000, 15000}}) {
        std::vector<std::uint8_t> big = quadrants;
        base::StoreBE<std::uint16_t>(&big[sof + 5], s.h);
        base::StoreBE<std::uint16_t>(&big[sof + 7], s.w);
        Bitmap b;
        std::string error;
        EXPECT_FALSE(Decode(b, big, &error));
        EXPECT_NE(error.find("beyond the limits"), std::string::npos) << error;
    }
}

TEST(PhotoExtensions, DecoderChosenByUpperCasedExtension) {
    using imaging::PhotoKind;
    EXPECT_EQ(imaging::PhotoKindOfExtension(".jpg"), PhotoKind::Jpeg);
    EXPECT_EQ(imaging::PhotoKindOfExtension(".JpEg"), PhotoKind::Jpeg);
    EXPECT_EQ(imaging::PhotoKindOfExtension(".png"), PhotoKind::Png);
    EXPECT_EQ(imaging::PhotoKindOfExtension(".GIF"), PhotoKind::Gif);
    EXPECT_EQ(imaging::PhotoKindOfExtension(".bmp"), PhotoKind::Bmp);
    EXPECT_EQ(imaging::PhotoKindOfExtension(".Wmf"), PhotoKind::Wmf);
    EXPECT_FALSE(imaging::IsPhotoExtension(".mp3"));
    EXPECT_FALSE(imaging::IsPhotoExtension("jpg"));
    EXPECT_FALSE(imaging::IsPhotoExtension(""));
    EXPECT_FALSE(imaging::LoadImageFile("/tmp/some.dir/noext"));
}

// The JPEG and PNG headers these tests forge are big-endian; the helpers must write them so.
TEST(BigEndianFields, StoreWritesMostSignificantByteFirst) {
    std::uint8_t b[4] = {};
    base::StoreBE<std::uint32_t>(b, 0x01020304);
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(b[3], 4);
    EXPECT_EQ(base::LoadBE<std::uint32_t>(b), 0x01020304u);
    base::be_u16 field = 0xABCD;
    EXPECT_EQ(field.bytes[0], 0xAB);
    EXPECT_EQ(field.get(), 0xABCD);
}

} // namespace decode_jpeg_test
