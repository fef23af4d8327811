// TIFF decoding through libtiff: 8 and 16 bits, RGB, grey, CMYK, tiles and the first page of
// several, the Orientation tag, and damaged or oversized files refused; a tall page read in bands
// of strips or tiles of any height, converted while it is read.
#include "decode_helpers.h"

#include "imaging/ColorToSrgb.h"
#include "imaging/ImageLoad.h"

#include "base/Endian.h"

#include <cstring>

namespace decode_tiff_test {

using namespace decode_test;
using imaging::Bitmap;

TEST(TiffDecode, LayoutsDepthsTilesAndTheFirstPage) {
    Scratch s;
    ASSERT_TRUE(s.Run("convert -size 61x41 plasma:red-blue -blur 0x1 -depth 8 src.png"));
    ASSERT_TRUE(s.Run("convert src.png -compress lzw rgb.tif"));
    ASSERT_TRUE(s.Run("convert src.png -depth 16 -compress zip rgb16.tif"));
    ASSERT_TRUE(s.Run("convert src.png -define tiff:tile-geometry=16x16 tiled.tif"));
    ASSERT_TRUE(s.Run("convert src.png -flip other.png && convert src.png other.png pages.tif"));
    for (const char* name : {"rgb.tif", "rgb16.tif", "tiled.tif", "pages.tif"}) {
        SCOPED_TRACE(name);
        const Bitmap b = Load(s, name);
        EXPECT_EQ(b.Width, 61);
        EXPECT_EQ(b.Height, 41);
        EXPECT_EQ(MaxDifference(b, s.Path("src.png")), 0);
    }
    // Grey equals ImageMagick's grey; CMYK is turned back by plain ink arithmetic.
    ASSERT_TRUE(s.Run("convert src.png -colorspace Gray -depth 8 grey.tif && convert grey.tif "
                      "-colorspace Gray PNG24:grey.png"));
    EXPECT_EQ(MaxDifference(Load(s, "grey.tif"), s.Path("grey.png")), 0);
    ASSERT_TRUE(s.Run("convert src.png -colorspace CMYK cmyk.tif"));
    const int cmyk = MaxDifference(Load(s, "cmyk.tif"), s.Path("src.png"));
    EXPECT_GE(cmyk, 0);
    EXPECT_LE(cmyk, 2);
    for (const char* ext : {".tif", ".TIFF"})
        EXPECT_EQ(imaging::PhotoKindOfExtension(ext), imaging::PhotoKind::Tiff) << ext;
}

// A page several bands tall, stored in strips of one row, of a height that does not divide a band,
// in one strip, in tiles and in planes: every row read once and in its place, and a tagged page
// converted as it is read gives what the whole page converted afterwards gives.
TEST(TiffDecode, TallPagesAreReadInBandsOfWholeStripsOrTiles) {
    Scratch s;
    const std::string adobe = "/usr/share/color/icc/colord/AdobeRGB1998.icc";
    ASSERT_TRUE(s.Run("convert -size 97x700 plasma:red-blue -depth 8 +noise Random src.png"));
    const std::vector<std::uint8_t> icc = ReadBytes(adobe);
    const imaging::ColorToSrgb toSrgb = imaging::ColorToSrgb::FromIcc(icc.data(), icc.size());
    ASSERT_FALSE(toSrgb.IsIdentity());
    const char* layouts[][2] = {
        {"strips1", "-define tiff:rows-per-strip=1 -compress lzw"},
        {"strips7", "-define tiff:rows-per-strip=7 -compress zip"},
        {"onestrip", "-define tiff:rows-per-strip=700 -compress none"},
        {"tiles", "-define tiff:tile-geometry=32x48"},
        {"planes", "-interlace plane -define tiff:rows-per-strip=5"},
    };
    for (const auto& [name, options] : layouts) {
        SCOPED_TRACE(name);
        const std::string plain = std::string(name) + ".tif", tagged = std::string(name) + "-t.tif";
        ASSERT_TRUE(s.Run("convert src.png " + std::string(options) + " " + plain));
        ASSERT_TRUE(s.Run("convert src.png -profile " + adobe + " " + options + " " + tagged));
        Bitmap b = Load(s, plain);
        EXPECT_EQ(MaxDifference(b, s.Path("src.png")), 0);
        toSrgb.Apply(b);
        const auto converted = imaging::LoadImageFile(s.Path(tagged));
        ASSERT_TRUE(converted) << converted.error();
        ASSERT_EQ(converted->Height, b.Height);
        for (int y = 0; y < b.Height; ++y)
            ASSERT_EQ(std::memcmp(converted->Row(y), b.Row(y), std::size_t{97} * 3), 0) << y;
    }
}

// A print-ready CMYK page with its press profile: its inks go through that profile to sRGB, as
// ImageMagick's own colour management turns them back with the same intent (relative
// colorimetric with black-point compensation); the plain ink arithmetic would miss by far more. A
// profile that is not CMYK falls back on the arithmetic.
TEST(TiffDecode, CmykWithItsProfileComesThroughThatProfile) {
    const char* profile = "/usr/share/color/icc/ghostscript/default_cmyk.icc";
    ASSERT_TRUE(std::ifstream(profile).good()) << "no CMYK profile: install-deps.sh installs one";
    Scratch s;
    ASSERT_TRUE(s.Run("convert -size 48x32 plasma:red-blue -blur 0x1 -depth 8 "
                      "-profile /usr/share/color/icc/colord/sRGB.icc src.png"));
    ASSERT_TRUE(
        s.Run(std::string("convert src.png -profile ") + profile + " -compress lzw press.tif"));
    ASSERT_TRUE(s.Run("convert press.tif -intent relative -black-point-compensation "
                      "-profile /usr/share/color/icc/colord/sRGB.icc -strip "
                      "PNG24:back.png"));
    ASSERT_TRUE(s.Run("convert press.tif +profile '*' plain.tif"));
    const imaging::Bitmap managed = Load(s, "press.tif");
    const int viaProfile = MaxDifference(managed, s.Path("back.png"));
    EXPECT_GE(viaProfile, 0);
    EXPECT_LE(viaProfile, 3);
    // Without its profile the same inks come out visibly different.
    EXPECT_GT(MaxDifference(Load(s, "plain.tif"), s.Path("back.png")), 12);
}

TEST(TiffDecode, OrientationTagTurnsThePictureUpright) {
    Scratch s;
    ASSERT_TRUE(s.Run(QuadrantsCommand(40, 20, "q.tif")));
    struct Case {
        int orientation;
        int width;
        Rgb tl, tr, bl, br;
    };
    for (const Case& c :
         {Case{1, 40, kRed, kLime, kBlue, kYellow}, Case{4, 40, kBlue, kYellow, kRed, kLime},
          Case{6, 20, kBlue, kRed, kYellow, kLime}, Case{8, 20, kLime, kYellow, kRed, kBlue}}) {
        SCOPED_TRACE(c.orientation);
        ASSERT_TRUE(
            s.Run("cp q.tif o.tif && tiffset -s 274 " + std::to_string(c.orientation) + " o.tif"));
        const Bitmap b = Load(s, "o.tif");
        EXPECT_EQ(b.Width, c.width);
        ExpectQuadrants(b, c.tl, c.tr, c.bl, c.br, 0);
    }
}

TEST(TiffDecode, DamagedAndOversizedFilesAreRefused) {
    Scratch s;
    ASSERT_TRUE(s.Run("convert -size 64x48 plasma:green-yellow -depth 8 src.png && convert src.png "
                      "a.tif"));
    const std::vector<std::uint8_t> tif = ReadBytes(s.Path("a.tif"));
    ASSERT_TRUE(imaging::LoadTiffMemory(tif.data(), tif.size()));
    // ImageMagick writes the directory after the pixels: a cut loses the directory, or its
    // entries (cut just after the count).
    const std::size_t directory = base::LoadLE<std::uint32_t>(&tif[4]);
    ASSERT_LT(directory + 10, tif.size());
    for (const std::size_t cut : {std::size_t{8}, std::size_t{100}, tif.size() / 2, directory + 10})
        EXPECT_FALSE(imaging::LoadTiffMemory(tif.data(), cut)) << cut;
    const auto limited = imaging::LoadTiffMemory(tif.data(), tif.size(), {32, 32 * 32});
    ASSERT_FALSE(limited);
    EXPECT_NE(limited.error().find("beyond the limits"), std::string::npos) << limited.error();

    // A header claiming 100000 x 100000, refused by the size check; the message names the file.
    ASSERT_TRUE(s.Run("cp a.tif huge.tif && tiffset -s 256 100000 huge.tif && tiffset -s 257 "
                      "100000 huge.tif"));
    const auto huge = imaging::LoadImageFile(s.Path("huge.tif"));
    ASSERT_FALSE(huge);
    EXPECT_NE(huge.error().find("huge.tif"), std::string::npos) << huge.error();
    EXPECT_NE(huge.error().find("100000x100000"), std::string::npos) << huge.error();
}

} // namespace decode_tiff_test
