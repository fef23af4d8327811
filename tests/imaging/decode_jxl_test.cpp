// JPEG XL decoding through libjxl: lossless and lossy pictures equal to the library's own
// decoder, alpha on white, an animation's first frame, and damaged or oversized files refused.
#include "decode_helpers.h"

#include "imaging/ImageLoad.h"

namespace decode_jxl_test {

using namespace decode_test;
using imaging::Bitmap;

TEST(JxlDecode, LossyAndLosslessEqualLibjxlsOwnDecoder) {
    Scratch s;
    ASSERT_TRUE(s.Run("convert -size 61x41 plasma:red-blue -blur 0x1 -depth 8 PNG24:src.png"));
    ASSERT_TRUE(s.Run("cjxl src.png -d 0 lossless.jxl && cjxl src.png -d 1 lossy.jxl && "
                      "djxl lossy.jxl --bits_per_sample=8 lossy.png"));
    const Bitmap lossless = Load(s, "lossless.jxl");
    EXPECT_EQ(lossless.Width, 61);
    EXPECT_EQ(lossless.Height, 41);
    EXPECT_EQ(MaxDifference(lossless, s.Path("src.png")), 0);
    const int lossy = MaxDifference(Load(s, "lossy.jxl"), s.Path("lossy.png"));
    EXPECT_GE(lossy, 0);
    EXPECT_LE(lossy, 1);
    EXPECT_EQ(imaging::PhotoKindOfExtension(".JXL"), imaging::PhotoKind::Jxl);
}

// A lossy picture of a photo tagged with a profile is kept in the codec's own colour space: it
// comes in as libjxl's own decoder writes it in sRGB, shadows included (not by way of 8-bit
// linear values, which lose the dark steps of a gradient).
TEST(JxlDecode, ATaggedLossyPictureComesAsLibjxlsOwnSrgb) {
    Scratch s;
    ASSERT_TRUE(s.Run("convert -size 96x64 gradient:black-navy -depth 8 PNG24:g.png && convert "
                      "g.png -profile /usr/share/color/icc/colord/AdobeRGB1998.icc PNG24:t.png && "
                      "cjxl t.png -d 1 t.jxl && djxl t.jxl srgb.png "
                      "--color_space=RGB_D65_SRG_Rel_SRG --bits_per_sample=8"));
    const int difference = MaxDifference(Load(s, "t.jxl"), s.Path("srgb.png"));
    EXPECT_GE(difference, 0);
    EXPECT_LE(difference, 1);
}

TEST(JxlDecode, AlphaOnWhiteAndAnAnimationsFirstFrame) {
    Scratch s;
    ASSERT_TRUE(s.Run("convert -size 20x10 xc:none -fill red -draw 'rectangle 0,0 9,7' "
                      "-fill 'rgba(0,0,255,0.5)' -draw 'rectangle 0,8 19,9' PNG32:a.png && "
                      "cjxl a.png -d 0 a.jxl"));
    const Bitmap a = Load(s, "a.jxl");
    EXPECT_TRUE(Near(PixelAt(a, 2, 2), kRed, 0));
    EXPECT_TRUE(Near(PixelAt(a, 15, 2), kWhite, 0));
    EXPECT_TRUE(Near(PixelAt(a, 15, 9), {127, 127, 255}, 2));
    // Two frames, lime then blue, through an animated GIF: the first is the picture.
    ASSERT_TRUE(s.Run("convert -delay 50 -size 24x16 xc:lime xc:blue anim.gif && "
                      "cjxl anim.gif -d 0 anim.jxl"));
    const Bitmap anim = Load(s, "anim.jxl");
    EXPECT_EQ(anim.Width, 24);
    EXPECT_TRUE(Near(PixelAt(anim, 12, 8), kLime, 0));
}

TEST(JxlDecode, DamagedAndOversizedFilesAreRefused) {
    Scratch s;
    ASSERT_TRUE(s.Run("convert -size 64x48 plasma:green-yellow -depth 8 PNG24:src.png && "
                      "cjxl src.png -d 1 a.jxl"));
    const std::vector<std::uint8_t> jxl = ReadBytes(s.Path("a.jxl"));
    ASSERT_GT(jxl.size(), 40u);
    ASSERT_TRUE(imaging::LoadJxlMemory(jxl.data(), jxl.size()));
    for (const std::size_t cut : {std::size_t{2}, std::size_t{12}, jxl.size() / 2, jxl.size() - 1})
        EXPECT_FALSE(imaging::LoadJxlMemory(jxl.data(), cut)) << cut;
    const auto limited = imaging::LoadJxlMemory(jxl.data(), jxl.size(), {32, 32 * 32});
    ASSERT_FALSE(limited);
    EXPECT_NE(limited.error().find("beyond the limits"), std::string::npos) << limited.error();
    WriteBytes(s.Path("cut.jxl"), {jxl.begin(), jxl.begin() + static_cast<long>(jxl.size() / 2)});
    const auto named = imaging::LoadImageFile(s.Path("cut.jxl"));
    ASSERT_FALSE(named);
    EXPECT_NE(named.error().find("cut.jxl"), std::string::npos) << named.error();
}

} // namespace decode_jxl_test
