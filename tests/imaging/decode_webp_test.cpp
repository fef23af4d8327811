// WebP decoding: lossy and lossless pictures equal to libwebp's own decoder, alpha on white, an
// animation's first frame, the EXIF orientation, and damaged or oversized files refused.
#include "decode_helpers.h"

#include "imaging/ImageLoad.h"

#include "base/Endian.h"

namespace decode_webp_test {

using namespace decode_test;
using imaging::Bitmap;

namespace {

base::Result<Bitmap> FromBytes(const std::vector<std::uint8_t>& bytes) {
    return imaging::LoadImageMemory(imaging::PhotoKind::Webp, bytes.data(), bytes.size());
}

} // namespace

TEST(WebpDecode, LossyAndLosslessEqualLibwebpsOwnDecoder) {
    Scratch s;
    // A photo-like picture with gradients and edges, at an odd size (rows need padding).
    ASSERT_TRUE(s.Run("convert -size 97x61 plasma:red-blue -blur 0x1 -depth 8 src.png"));
    ASSERT_TRUE(s.Run("cwebp -quiet -q 80 src.png -o lossy.webp && dwebp -quiet lossy.webp "
                      "-ppm -o lossy.ppm"));
    ASSERT_TRUE(s.Run("cwebp -quiet -lossless src.png -o lossless.webp"));
    const Bitmap lossy = Load(s, "lossy.webp");
    EXPECT_EQ(lossy.Width, 97);
    EXPECT_EQ(lossy.Height, 61);
    EXPECT_EQ(MaxDifference(lossy, s.Path("lossy.ppm")), 0);
    // Lossless gives the source's pixels back.
    EXPECT_EQ(MaxDifference(Load(s, "lossless.webp"), s.Path("src.png")), 0);
    EXPECT_EQ(imaging::PhotoKindOfExtension(".WebP"), imaging::PhotoKind::Webp);
}

TEST(WebpDecode, AlphaOnWhiteAndAnAnimationsFirstFrame) {
    Scratch s;
    // Left half opaque red, right half see-through; a half-transparent blue strip at the bottom.
    ASSERT_TRUE(s.Run("convert -size 20x10 xc:none -fill red -draw 'rectangle 0,0 9,7' "
                      "-fill 'rgba(0,0,255,0.5)' -draw 'rectangle 0,8 19,9' PNG32:a.png"));
    ASSERT_TRUE(s.Run("cwebp -quiet -lossless -exact a.png -o a.webp"));
    const Bitmap a = Load(s, "a.webp");
    EXPECT_TRUE(Near(PixelAt(a, 2, 2), kRed, 0));
    EXPECT_TRUE(Near(PixelAt(a, 15, 2), kWhite, 0));
    EXPECT_TRUE(Near(PixelAt(a, 15, 9), {127, 127, 255}, 2));

    // Two frames, lime then blue: the first is the picture.
    ASSERT_TRUE(s.Run("convert -size 24x16 xc:lime f1.png && convert -size 24x16 xc:blue f2.png "
                      "&& img2webp -lossless f1.png f2.png -o anim.webp"));
    const Bitmap anim = Load(s, "anim.webp");
    EXPECT_EQ(anim.Width, 24);
    EXPECT_EQ(anim.Height, 16);
    EXPECT_TRUE(Near(PixelAt(anim, 12, 8), kLime, 0));
}

TEST(WebpDecode, ExifOrientationTurnsThePictureUpright) {
    Scratch s;
    ASSERT_TRUE(s.Run(QuadrantsCommand(40, 20, "q.png")));
    ASSERT_TRUE(s.Run("cwebp -quiet -lossless q.png -o q.webp"));
    struct Case {
        std::uint16_t orientation;
        int width;
        Rgb tl, tr, bl, br;
    };
    for (const Case& c :
         {Case{1, 40, kRed, kLime, kBlue, kYellow}, Case{3, 40, kYellow, kBlue, kLime, kRed},
          Case{6, 20, kBlue, kRed, kYellow, kLime}, Case{8, 20, kLime, kYellow, kRed, kBlue}}) {
        SCOPED_TRACE(c.orientation);
        WriteBytes(s.Path("exif.bin"), ExifWithOrientation(c.orientation));
        ASSERT_TRUE(s.Run("webpmux -set exif exif.bin q.webp -o o.webp"));
        const Bitmap b = Load(s, "o.webp");
        EXPECT_EQ(b.Width, c.width);
        ExpectQuadrants(b, c.tl, c.tr, c.bl, c.br, 0);
    }
}

TEST(WebpDecode, DamagedAndOversizedFilesAreRefused) {
    Scratch s;
    ASSERT_TRUE(s.Run("convert -size 64x48 plasma:green-yellow src.png"));
    ASSERT_TRUE(s.Run("cwebp -quiet -q 70 src.png -o p.webp"));
    // An animation, whose extended header carries a canvas size of its own.
    ASSERT_TRUE(s.Run("convert src.png -flip f.png && img2webp -lossy src.png f.png -o x.webp"));
    const std::vector<std::uint8_t> plain = ReadBytes(s.Path("p.webp"));
    const std::vector<std::uint8_t> extended = ReadBytes(s.Path("x.webp"));
    ASSERT_GT(plain.size(), 40u);
    ASSERT_EQ(std::string(extended.begin() + 12, extended.begin() + 16), "VP8X");
    ASSERT_TRUE(FromBytes(plain));
    ASSERT_TRUE(FromBytes(extended));

    // The first chunk claims more bytes than the file holds.
    std::vector<std::uint8_t> longChunk = plain;
    base::StoreLE<std::uint32_t>(&longChunk[16],
                                 base::LoadLE<std::uint32_t>(&longChunk[16]) + 1000);
    const auto wrongLength = FromBytes(longChunk);
    EXPECT_FALSE(wrongLength);
    for (const std::size_t cut :
         {std::size_t{12}, std::size_t{30}, plain.size() / 2, plain.size() - 1}) {
        const auto truncated = FromBytes({plain.begin(), plain.begin() + static_cast<long>(cut)});
        EXPECT_FALSE(truncated) << cut;
    }
    // The canvas rewritten to 16384 x 16384 (stored less one, 24 bits each): 268 megapixels,
    // over the limit, refused before any pixel memory. A still picture is held to the limits too.
    std::vector<std::uint8_t> huge = extended;
    for (const std::size_t at : {std::size_t{24}, std::size_t{27}}) {
        huge[at] = 0xFF;
        huge[at + 1] = 0x3F;
        huge[at + 2] = 0;
    }
    const auto oversized = FromBytes(huge);
    ASSERT_FALSE(oversized);
    EXPECT_NE(oversized.error().find("beyond the limits"), std::string::npos) << oversized.error();
    EXPECT_FALSE(imaging::LoadWebpMemory(plain.data(), plain.size(), {32, 32 * 32}));

    // Through the file loader, the message names the file.
    WriteBytes(s.Path("bad.webp"), longChunk);
    const auto named = imaging::LoadImageFile(s.Path("bad.webp"));
    ASSERT_FALSE(named);
    EXPECT_NE(named.error().find("bad.webp"), std::string::npos) << named.error();
    EXPECT_NE(named.error().find("WebP"), std::string::npos) << named.error();
}

} // namespace decode_webp_test
