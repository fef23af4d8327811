// PNG and GIF decoding: colour types, bit depths and interlacing expanded to 24 bits,
// transparency landing on white, a GIF's first image placed on its screen, damaged and oversized
// files refused.
#include "decode_helpers.h"

#include "imaging/ImageLoad.h"

#include "base/Endian.h"

#include <zlib.h>

namespace decode_png_gif_test {

using namespace decode_test;
using imaging::Bitmap;

namespace {

bool LoadBytes(const std::vector<std::uint8_t>& bytes, imaging::PhotoKind kind,
               std::string* error = nullptr) {
    const auto b = imaging::LoadImageMemory(kind, bytes.data(), bytes.size());
    if (!b && error != nullptr)
        *error = b.error();
    EXPECT_TRUE(b ? !b->IsEmpty() : !b.error().empty());
    return b.ok();
}

// Rewrites the IHDR size of a PNG and its CRC, so only the size check can refuse it.
std::vector<std::uint8_t> PngWithSize(std::vector<std::uint8_t> png, std::uint32_t w,
                                      std::uint32_t h) {
    base::StoreBE<std::uint32_t>(&png[16], w);
    base::StoreBE<std::uint32_t>(&png[20], h);
    const uLong crc = crc32(0, png.data() + 12, 17);
    base::StoreBE<std::uint32_t>(&png[29], static_cast<std::uint32_t>(crc));
    return png;
}

} // namespace

TEST(PngDecode, ColourTypesAndDepthsExpandToBgr) {
    Scratch s;
    ASSERT_TRUE(s.Run(QuadrantsCommand(40, 20, "rgb.png")));
    ASSERT_TRUE(s.Run(QuadrantsCommand(40, 20, "-depth 16 PNG48:rgb16.png")));
    ASSERT_TRUE(s.Run(QuadrantsCommand(40, 20, "PNG8:pal.png")));
    ASSERT_TRUE(s.Run(QuadrantsCommand(40, 20, "-interlace PNG int.png")));
    for (const char* name : {"rgb.png", "rgb16.png", "pal.png", "int.png"}) {
        SCOPED_TRACE(name);
        const Bitmap b = Load(s, name);
        EXPECT_EQ(b.Width, 40);
        EXPECT_EQ(b.Height, 20);
        ExpectQuadrants(b, kRed, kLime, kBlue, kYellow, 0);
    }
    ASSERT_TRUE(s.Run("convert -size 8x8 xc:gray40 -depth 1 -colorspace Gray -type Bilevel "
                      "g1.png && convert -size 8x8 xc:gray40 -type Grayscale g8.png"));
    const Bitmap g = Load(s, "g8.png");
    EXPECT_TRUE(Near(PixelAt(g, 3, 3), {102, 102, 102}, 1));
    const Bitmap g1 = Load(s, "g1.png");
    const Rgb bit = PixelAt(g1, 3, 3);
    EXPECT_TRUE(bit.r == 0 || bit.r == 255);
    ASSERT_TRUE(s.Run("ffmpeg -loglevel error -f lavfi -i color=c=blue:s=30x10 -frames:v 1 f.png"));
    const Bitmap f = Load(s, "f.png");
    EXPECT_EQ(f.Width, 30);
    EXPECT_TRUE(Near(PixelAt(f, 29, 9), kBlue, 2));
}

TEST(PngDecode, TransparencyLandsOnWhite) {
    Scratch s;
    // Left half opaque red, right half see-through; a half-transparent blue strip at the bottom.
    const std::string draw = "-size 20x10 xc:none -fill red -draw 'rectangle 0,0 9,7' "
                             "-fill 'rgba(0,0,255,0.5)' -draw 'rectangle 0,8 19,9'";
    ASSERT_TRUE(s.Run("convert " + draw + " PNG32:rgba.png"));
    ASSERT_TRUE(s.Run("convert " + draw + " -depth 16 PNG64:rgba16.png"));
    ASSERT_TRUE(s.Run("convert " + draw + " -interlace PNG PNG32:rgbai.png"));
    for (const char* name : {"rgba.png", "rgba16.png", "rgbai.png"}) {
        SCOPED_TRACE(name);
        const Bitmap b = Load(s, name);
        EXPECT_TRUE(Near(PixelAt(b, 2, 2), kRed, 0));
        EXPECT_TRUE(Near(PixelAt(b, 15, 2), kWhite, 0));
        EXPECT_TRUE(Near(PixelAt(b, 15, 9), {127, 127, 255}, 2));
    }
    // A palette with one transparent entry (tRNS), and grey with alpha.
    ASSERT_TRUE(s.Run("convert -size 20x10 xc:none -fill blue -draw 'rectangle 0,0 9,9' "
                      "PNG8:pal.png"));
    const Bitmap p = Load(s, "pal.png");
    EXPECT_TRUE(Near(PixelAt(p, 2, 2), kBlue, 0));
    EXPECT_TRUE(Near(PixelAt(p, 15, 2), kWhite, 0));
    ASSERT_TRUE(s.Run("convert -size 20x10 xc:none -fill black -draw 'rectangle 0,0 9,9' "
                      "-colorspace Gray -define png:color-type=4 ga.png"));
    const Bitmap ga = Load(s, "ga.png");
    EXPECT_TRUE(Near(PixelAt(ga, 2, 2), kBlack, 0));
    EXPECT_TRUE(Near(PixelAt(ga, 15, 2), kWhite, 0));
}

TEST(PngDecode, DamagedAndOversizedFilesAreRefused) {
    Scratch s;
    ASSERT_TRUE(s.Run(QuadrantsCommand(40, 20, "rgb.png")));
    const std::vector<std::uint8_t> png = ReadBytes(s.Path("rgb.png"));
    ASSERT_GT(png.size(), 60u);
    std::string error;
    EXPECT_TRUE(LoadBytes(png, imaging::PhotoKind::Png, &error)) << error;
    for (const std::size_t cut : {std::size_t{4}, std::size_t{30}, png.size() / 2, png.size() - 13})
        EXPECT_FALSE(
            LoadBytes({png.begin(), png.begin() + static_cast<long>(cut)}, imaging::PhotoKind::Png))
            << cut;
    std::vector<std::uint8_t> corrupt = png;
    const std::string text(png.begin(), png.end());
    const std::size_t idat = text.find("IDAT");
    ASSERT_NE(idat, std::string::npos);
    corrupt[idat + 6] ^= 0x55; // inside the image data: its CRC no longer matches
    EXPECT_FALSE(LoadBytes(corrupt, imaging::PhotoKind::Png));
    EXPECT_TRUE(
        LoadBytes(PngWithSize(png, 40, 20), imaging::PhotoKind::Png)); // CRC rewrite is right
    EXPECT_FALSE(LoadBytes(PngWithSize(png, 20001, 1), imaging::PhotoKind::Png, &error));
    EXPECT_FALSE(LoadBytes(PngWithSize(png, 20000, 12000), imaging::PhotoKind::Png, &error));
    EXPECT_NE(error.find("beyond the limits"), std::string::npos) << error;
}

TEST(GifDecode, FirstImageOnItsScreenWithTransparencyOnWhite) {
    Scratch s;
    ASSERT_TRUE(s.Run(QuadrantsCommand(40, 20, "q.gif")));
    ASSERT_TRUE(s.Run(QuadrantsCommand(40, 20, "-interlace GIF qi.gif")));
    for (const char* name : {"q.gif", "qi.gif"}) {
        SCOPED_TRACE(name);
        const Bitmap b = Load(s, name);
        EXPECT_EQ(b.Width, 40);
        EXPECT_EQ(b.Height, 20);
        ExpectQuadrants(b, kRed, kLime, kBlue, kYellow, 0);
    }
    // Transparent right half.
    ASSERT_TRUE(s.Run("convert -size 20x10 xc:none -fill red -draw 'rectangle 0,0 9,9' t.gif"));
    const Bitmap t = Load(s, "t.gif");
    EXPECT_TRUE(Near(PixelAt(t, 2, 2), kRed, 0));
    EXPECT_TRUE(Near(PixelAt(t, 15, 2), kWhite, 0));
    // A 10x10 blue image at (5, 4) on a 30x20 screen; then a second, red frame never shown.
    ASSERT_TRUE(s.Run("convert -size 10x10 xc:blue -set page 30x20+5+4 \\( -size 30x20 xc:red "
                      "-set page 30x20+0+0 \\) -set dispose none anim.gif"));
    const Bitmap a = Load(s, "anim.gif");
    EXPECT_EQ(a.Width, 30);
    EXPECT_EQ(a.Height, 20);
    EXPECT_TRUE(Near(PixelAt(a, 5, 4), kBlue, 0));
    EXPECT_TRUE(Near(PixelAt(a, 14, 13), kBlue, 0));
    EXPECT_TRUE(Near(PixelAt(a, 4, 4), kWhite, 0));
    EXPECT_TRUE(Near(PixelAt(a, 15, 14), kWhite, 0));
    EXPECT_TRUE(Near(PixelAt(a, 29, 19), kWhite, 0));
    // ffmpeg's GIF writer.
    ASSERT_TRUE(s.Run("ffmpeg -loglevel error -f lavfi -i color=c=lime:s=12x6 -frames:v 1 f.gif"));
    const Bitmap f = Load(s, "f.gif");
    EXPECT_EQ(f.Width, 12);
    EXPECT_TRUE(Near(PixelAt(f, 6, 3), kLime, 8));
}

TEST(GifDecode, DamagedAndOversizedFilesAreRefused) {
    Scratch s;
    ASSERT_TRUE(s.Run("convert -size 64x64 plasma:fractal -seed 1 g.gif"));
    const std::vector<std::uint8_t> gif = ReadBytes(s.Path("g.gif"));
    ASSERT_GT(gif.size(), 200u);
    EXPECT_TRUE(LoadBytes(gif, imaging::PhotoKind::Gif));
    for (const std::size_t cut : {std::size_t{6}, std::size_t{20}, gif.size() / 2})
        EXPECT_FALSE(
            LoadBytes({gif.begin(), gif.begin() + static_cast<long>(cut)}, imaging::PhotoKind::Gif))
            << cut;
    std::vector<std::uint8_t> notGif = gif;
    notGif[0] = 'X';
    EXPECT_FALSE(LoadBytes(notGif, imaging::PhotoKind::Gif));
    // A screen of 30000 x 30000 around the small image.
    std::vector<std::uint8_t> big = gif;
    base::StoreLE<std::uint16_t>(&big[6], 30000);
    base::StoreLE<std::uint16_t>(&big[8], 30000);
    std::string error;
    EXPECT_FALSE(LoadBytes(big, imaging::PhotoKind::Gif, &error));
    EXPECT_NE(error.find("beyond the limits"), std::string::npos) << error;
}

} // namespace decode_png_gif_test
