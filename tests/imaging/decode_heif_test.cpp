// HEIC and AVIF decoding through libheif: pictures equal to the formats' own decoders, alpha on
// white, the primary picture of a file holding several, the irot transform, and damaged or
// oversized files refused.
#include "decode_helpers.h"

#include "imaging/ImageLoad.h"

#include "base/Endian.h"

namespace decode_heif_test {

using namespace decode_test;
using imaging::Bitmap;

namespace {

base::Result<Bitmap> FromBytes(const std::vector<std::uint8_t>& bytes) {
    return imaging::LoadImageMemory(imaging::PhotoKind::Heif, bytes.data(), bytes.size());
}

} // namespace

TEST(HeifDecode, HeicAndAvifEqualTheirOwnDecoders) {
    Scratch s;
    ASSERT_TRUE(s.Run("convert -size 96x64 plasma:red-blue -blur 0x1 -depth 8 src.png"));
    ASSERT_TRUE(s.Run("heif-enc -q 90 src.png -o a.heic && heif-convert a.heic heic.png"));
    ASSERT_TRUE(s.Run("avifenc -s 8 src.png a.avif && avifdec a.avif avif.png"));
    const Bitmap heic = Load(s, "a.heic");
    EXPECT_EQ(heic.Width, 96);
    EXPECT_EQ(heic.Height, 64);
    EXPECT_EQ(MaxDifference(heic, s.Path("heic.png")), 0);
    // avifdec converts YUV to RGB in its own code; it and libheif round a level apart.
    const int avif = MaxDifference(Load(s, "a.avif"), s.Path("avif.png"));
    EXPECT_GE(avif, 0);
    EXPECT_LE(avif, 1);
    for (const char* ext : {".heic", ".HEIF", ".hif", ".Avif"})
        EXPECT_EQ(imaging::PhotoKindOfExtension(ext), imaging::PhotoKind::Heif) << ext;
}

TEST(HeifDecode, AlphaOnWhiteAndThePrimaryOfSeveralPictures) {
    Scratch s;
    ASSERT_TRUE(s.Run("convert -size 32x16 xc:none -fill red -draw 'rectangle 0,0 15,15' "
                      "PNG32:a.png && heif-enc -L -p chroma=444 --matrix_coefficients=0 a.png "
                      "-o a.heic"));
    const Bitmap a = Load(s, "a.heic");
    EXPECT_TRUE(Near(PixelAt(a, 4, 8), kRed, 2));
    EXPECT_TRUE(Near(PixelAt(a, 28, 8), kWhite, 2));
    // Two pictures in one file; the first written is the primary one.
    ASSERT_TRUE(s.Run(
        "convert -size 32x16 xc:lime PNG24:g.png && convert -size 48x16 xc:blue PNG24:b.png && "
        "heif-enc -q 90 g.png b.png -o two.heic"));
    const Bitmap two = Load(s, "two.heic");
    EXPECT_EQ(two.Width, 32);
    EXPECT_TRUE(Near(PixelAt(two, 16, 8), kLime, 6));
}

TEST(HeifDecode, TenBitPicturesComeDownToEightBits) {
    Scratch s;
    // heif-enc makes a 10-bit HEIC from a 16-bit PNG.
    ASSERT_TRUE(s.Run(QuadrantsCommand(64, 32, "-depth 16 PNG48:q16.png")));
    ASSERT_TRUE(s.Run("heif-enc -q 95 q16.png -o q10.heic"));
    const Bitmap b = Load(s, "q10.heic");
    EXPECT_EQ(b.Width, 64);
    ExpectQuadrants(b, kRed, kLime, kBlue, kYellow, 8);
}

TEST(HeifDecode, IrotTurnsThePictureUpright) {
    // Debian's heif-enc writes no transforms; avifenc's irot is the same HEIF property.
    Scratch s;
    ASSERT_TRUE(s.Run(QuadrantsCommand(40, 20, "q.png")));
    ASSERT_TRUE(s.Run("avifenc -l q.png q.avif && avifenc -l --irot 1 q.png ccw.avif && "
                      "avifenc -l --irot 2 q.png half.avif"));
    const Bitmap straight = Load(s, "q.avif");
    EXPECT_EQ(straight.Width, 40);
    ExpectQuadrants(straight, kRed, kLime, kBlue, kYellow, 2);
    const Bitmap ccw = Load(s, "ccw.avif"); // a quarter turn anticlockwise
    EXPECT_EQ(ccw.Width, 20);
    EXPECT_EQ(ccw.Height, 40);
    ExpectQuadrants(ccw, kLime, kYellow, kRed, kBlue, 2);
    ExpectQuadrants(Load(s, "half.avif"), kYellow, kBlue, kLime, kRed, 2);
}

TEST(HeifDecode, DamagedAndOversizedFilesAreRefused) {
    Scratch s;
    ASSERT_TRUE(s.Run("convert -size 64x48 plasma:green-yellow -depth 8 src.png"));
    ASSERT_TRUE(s.Run("heif-enc -q 50 src.png -o a.heic && avifenc -s 8 src.png a.avif"));
    const std::vector<std::uint8_t> heic = ReadBytes(s.Path("a.heic"));
    const std::vector<std::uint8_t> avif = ReadBytes(s.Path("a.avif"));
    ASSERT_TRUE(FromBytes(heic));
    ASSERT_TRUE(FromBytes(avif));

    // Every image-size property rewritten to claim 100000 x 100000.
    std::vector<std::uint8_t> huge = heic;
    const std::string text(huge.begin(), huge.end());
    int claims = 0;
    for (std::size_t at = text.find("ispe"); at != std::string::npos && at + 16 <= huge.size();
         at = text.find("ispe", at + 4), ++claims) {
        base::StoreBE<std::uint32_t>(&huge[at + 8], 100000);
        base::StoreBE<std::uint32_t>(&huge[at + 12], 100000);
    }
    ASSERT_GT(claims, 0);
    const auto oversized = FromBytes(huge);
    ASSERT_FALSE(oversized);
    EXPECT_NE(oversized.error().find("HEIF"), std::string::npos) << oversized.error();
    EXPECT_NE(oversized.error().find("limit"), std::string::npos) << oversized.error();

    for (const std::size_t cut :
         {std::size_t{8}, std::size_t{40}, avif.size() / 2, avif.size() - 1}) {
        const auto truncated = FromBytes({avif.begin(), avif.begin() + static_cast<long>(cut)});
        EXPECT_FALSE(truncated) << cut;
    }
    EXPECT_FALSE(FromBytes(ReadBytes(s.Path("src.png"))));
    // The real size against smaller limits: refused before decoding, by the size check.
    const auto limited = imaging::LoadHeifMemory(avif.data(), avif.size(), {32, 32 * 32});
    ASSERT_FALSE(limited);
    EXPECT_NE(limited.error().find("AVIF"), std::string::npos) << limited.error();

    // Through the file loader, the message names the file.
    WriteBytes(s.Path("cut.avif"),
               {avif.begin(), avif.begin() + static_cast<long>(avif.size() / 2)});
    const auto named = imaging::LoadImageFile(s.Path("cut.avif"));
    ASSERT_FALSE(named);
    EXPECT_NE(named.error().find("cut.avif"), std::string::npos) << named.error();
}

} // namespace decode_heif_test
