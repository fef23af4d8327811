// Colour management: a chart of saturated and skin-tone patches tagged Adobe RGB (an ICC profile
// in every format that carries one) or Display P3 (AVIF's nclx codes) comes in converted to sRGB
// as Little CMS's own tool converts it, visibly unlike the untagged reading, also when it is shrunk
// before the conversion as an import does; a broken profile is ignored with one note and the
// picture still decodes.
#include "decode_helpers.h"

#include "imaging/ColorToSrgb.h"
#include "imaging/ImageLoad.h"

#include <QtGlobal>

#include <cmath>
#include <cstdio>

namespace color_to_srgb_test {

using namespace decode_test;
using imaging::Bitmap;

namespace {

const std::string kAdobe = "/usr/share/color/icc/colord/AdobeRGB1998.icc";

// Saturated colours and three skin tones, chosen so that reading them as Adobe RGB or Display P3
// moves every one of them (a fully saturated primary would clip to itself).
const char* const kPatches[] = {"rgb(200,40,40)",   "rgb(50,160,60)",  "rgb(40,100,200)",
                                "rgb(40,160,160)",  "rgb(170,50,160)", "rgb(210,190,40)",
                                "rgb(224,172,140)", "rgb(141,85,36)",  "rgb(198,134,66)"};
constexpr int kPatchSide = 16;

std::string ChartCommand(const std::string& out) {
    std::string cmd =
        "convert -size " + std::to_string(kPatchSide) + "x" + std::to_string(kPatchSide);
    for (const char* p : kPatches)
        cmd += std::string(" xc:'") + p + "'";
    return cmd + " +append -depth 8 -type TrueColor " + out;
}

void WritePpm(const Bitmap& b, const std::string& path) {
    std::vector<std::uint8_t> bytes;
    const std::string header =
        "P6\n" + std::to_string(b.Width) + " " + std::to_string(b.Height) + "\n255\n";
    bytes.assign(header.begin(), header.end());
    for (int y = 0; y < b.Height; ++y)
        for (int x = 0; x < b.Width; ++x) {
            const Rgb p = PixelAt(b, x, y);
            bytes.insert(bytes.end(),
                         {static_cast<std::uint8_t>(p.r), static_cast<std::uint8_t>(p.g),
                          static_cast<std::uint8_t>(p.b)});
        }
    WriteBytes(path, bytes);
}

// The smallest difference, over the patches' centres, of the channel that differs most: how far
// the tagged reading moved every patch from the untagged one.
int SmallestPatchShift(const Bitmap& a, const Bitmap& b) {
    int smallest = 255;
    for (int i = 0; i < static_cast<int>(std::size(kPatches)); ++i) {
        const int x = i * kPatchSide + kPatchSide / 2, y = kPatchSide / 2;
        const Rgb p = PixelAt(a, x, y), q = PixelAt(b, x, y);
        smallest = std::min(
            smallest, std::max({std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b)}));
    }
    return smallest;
}

int g_warnings = 0;
void CountWarnings(QtMsgType type, const QMessageLogContext&, const QString&) {
    if (type == QtWarningMsg)
        ++g_warnings;
}

// Counts the warnings while it lives.
class WarningCounter {
public:
    WarningCounter() : previous_(qInstallMessageHandler(CountWarnings)) { g_warnings = 0; }
    ~WarningCounter() { qInstallMessageHandler(previous_); }
    int Count() const { return g_warnings; }

private:
    QtMessageHandler previous_;
};

// The chart untagged (u.EXT) and tagged Adobe RGB (t.EXT) in every format that carries a profile.
const char* const kTaggedFormats[] = {"png", "jpg", "webp", "heic", "avif", "tif", "jxl"};
bool MakeTaggedCharts(const Scratch& s) {
    // The same pixels, untagged and tagged, in each format (ImageMagick assigns a profile to a
    // picture that has none, it does not convert).
    return s.Run(ChartCommand("PNG24:u.png")) &&
           s.Run("convert u.png -profile " + kAdobe + " -depth 8 PNG24:t.png") &&
           s.Run("convert u.png -quality 95 -sampling-factor 1x1 u.jpg && convert u.png "
                 "-quality 95 -sampling-factor 1x1 -profile " +
                 kAdobe + " t.jpg") &&
           s.Run("cwebp -quiet -q 90 u.png -o u.webp && webpmux -set icc " + kAdobe +
                 " u.webp -o t.webp") &&
           s.Run("heif-enc -q 90 u.png -o u.heic && heif-enc -q 90 t.png -o t.heic") &&
           s.Run("avifenc -s 8 u.png u.avif && avifenc -s 8 --icc " + kAdobe + " u.png t.avif") &&
           s.Run("convert u.png u.tif && convert t.png t.tif") &&
           s.Run("cjxl u.png -d 0 u.jxl && cjxl t.png -d 0 t.jxl");
}

// How far `tagged` is from the untagged pixels converted by Little CMS's TIFF tool, with the same
// intent and black-point compensation; -1 when the tool fails.
int DifferenceFromTool(const Scratch& s, const Bitmap& untagged, const Bitmap& tagged,
                       const std::string& name) {
    WritePpm(untagged, s.Path("u-" + name + ".ppm"));
    if (!s.Run("ppm2tiff u-" + name + ".ppm u-" + name + ".tif && tificc -i" + kAdobe +
               " '-o*sRGB' -t1 -b u-" + name + ".tif r-" + name + ".tif && convert r-" + name +
               ".tif r-" + name + ".png"))
        return -1;
    return MaxDifference(tagged, s.Path("r-" + name + ".png"));
}

} // namespace

TEST(ColorToSrgb, AdobeRgbProfilesInEveryFormatMatchLittleCmsOwnTool) {
    Scratch s;
    ASSERT_TRUE(MakeTaggedCharts(s));
    for (const char* ext : kTaggedFormats) {
        SCOPED_TRACE(ext);
        const std::string e = ext;
        const Bitmap untagged = Load(s, "u." + e);
        const Bitmap tagged = Load(s, "t." + e);
        const int fromTool = DifferenceFromTool(s, untagged, tagged, e);
        EXPECT_GE(fromTool, 0);
        EXPECT_LE(fromTool, 2);
        EXPECT_GT(SmallestPatchShift(tagged, untagged), 8);
    }
}

// An import shrinks a photo before converting it: the shrunk pixels are converted as Little CMS's
// tool converts them, and match the whole picture converted and then shrunk everywhere but where
// two patches meet.
TEST(ColorToSrgb, APhotoShrunkBeforeItsConversionIsConvertedExactly) {
    Scratch s;
    ASSERT_TRUE(MakeTaggedCharts(s));
    const auto halve = [](Bitmap& b) {
        Bitmap half = Bitmap::CreateUninitialised(b.Width / 2, b.Height / 2);
        b.ScaleBilinear(half);
        b = std::move(half);
    };
    for (const char* ext : kTaggedFormats) {
        SCOPED_TRACE(ext);
        const std::string e = ext;
        auto untagged = imaging::LoadImageFileResized(s.Path("u." + e), halve);
        auto tagged = imaging::LoadImageFileResized(s.Path("t." + e), halve);
        ASSERT_TRUE(untagged && tagged);
        ASSERT_EQ(tagged->Width, static_cast<int>(std::size(kPatches)) * kPatchSide / 2);
        const int fromTool = DifferenceFromTool(s, *untagged, *tagged, "half-" + e);
        EXPECT_GE(fromTool, 0);
        EXPECT_LE(fromTool, 2);
        // Within the patches the order makes no difference; the pixels that blend two patches
        // may differ (a mix clipped to sRGB once, against two colours clipped and then mixed).
        Bitmap convertedFirst = Load(s, "t." + e);
        halve(convertedFirst);
        const int side = kPatchSide / 2;
        for (int y = 0; y < tagged->Height; ++y)
            for (int x = 0; x < tagged->Width; ++x) {
                if (x % side == 0 || x % side == side - 1)
                    continue;
                ASSERT_TRUE(Near(PixelAt(*tagged, x, y), PixelAt(convertedFirst, x, y), 2))
                    << x << "," << y;
            }
    }
}

TEST(ColorToSrgb, DisplayP3NclxMatchesThePublishedConversion) {
    Scratch s;
    ASSERT_TRUE(s.Run(ChartCommand("PNG24:u.png")));
    ASSERT_TRUE(s.Run("avifenc -s 8 --cicp 1/13/1 u.png srgb.avif && avifenc -s 8 --cicp 12/13/1 "
                      "u.png p3.avif"));
    const Bitmap untagged = Load(s, "srgb.avif");
    const Bitmap p3 = Load(s, "p3.avif");
    // Display P3 to sRGB: both with sRGB's curve, the linear light mixed by the matrix published
    // for the two sets of primaries (same D65 white), then clipped.
    const auto linear = [](double v) {
        v /= 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const auto encode = [](double v) {
        v = std::clamp(v, 0.0, 1.0);
        return 255.0 * (v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055);
    };
    const double m[3][3] = {
        {1.2249, -0.2247, 0.0}, {-0.0420, 1.0419, 0.0}, {-0.0197, -0.0786, 1.0979}};
    for (int y = 0; y < untagged.Height; ++y)
        for (int x = 0; x < untagged.Width; ++x) {
            const Rgb u = PixelAt(untagged, x, y);
            const double l[3] = {linear(u.r), linear(u.g), linear(u.b)};
            Rgb want{};
            int* out[3] = {&want.r, &want.g, &want.b};
            for (int c = 0; c < 3; ++c)
                *out[c] = static_cast<int>(
                    std::lround(encode(m[c][0] * l[0] + m[c][1] * l[1] + m[c][2] * l[2])));
            ASSERT_TRUE(Near(PixelAt(p3, x, y), want, 2)) << x << "," << y;
        }
    EXPECT_GT(SmallestPatchShift(p3, untagged), 8);
}

TEST(ColorToSrgb, PngGammaWithoutAProfileIsHonoured) {
    Scratch s;
    ASSERT_TRUE(s.Run(ChartCommand("PNG24:u.png")));
    // The same pixels said to be linear light (gAMA 1.0, sRGB's chromaticities, no sRGB chunk).
    ASSERT_TRUE(s.Run("convert u.png -set gamma 1.0 PNG24:linear.png"));
    const Bitmap untagged = Load(s, "u.png");
    const Bitmap linear = Load(s, "linear.png");
    // Linear light is encoded with sRGB's curve.
    const auto encode = [](int v) {
        const double x = v / 255.0;
        return static_cast<int>(std::lround(
            255.0 * (x <= 0.0031308 ? 12.92 * x : 1.055 * std::pow(x, 1 / 2.4) - 0.055)));
    };
    for (int i = 0; i < static_cast<int>(std::size(kPatches)); ++i) {
        const int x = i * kPatchSide + kPatchSide / 2, y = kPatchSide / 2;
        const Rgb u = PixelAt(untagged, x, y);
        EXPECT_TRUE(Near(PixelAt(linear, x, y), {encode(u.r), encode(u.g), encode(u.b)}, 2))
            << kPatches[i];
    }
    EXPECT_GT(SmallestPatchShift(linear, untagged), 8);
}

TEST(ColorToSrgb, ABrokenProfileIsIgnoredWithOneNote) {
    Scratch s;
    ASSERT_TRUE(s.Run(ChartCommand("PNG24:u.png")));
    // 600 bytes that claim to be a profile and are not one.
    std::vector<std::uint8_t> junk(600);
    for (std::size_t i = 0; i < junk.size(); ++i)
        junk[i] = static_cast<std::uint8_t>(i * 37 + 11);
    WriteBytes(s.Path("junk.icc"), junk);
    ASSERT_TRUE(s.Run("cwebp -quiet -q 90 u.png -o u.webp && webpmux -set icc junk.icc u.webp "
                      "-o bad.webp"));
    ASSERT_TRUE(s.Run("avifenc -s 8 u.png u.avif && avifenc -s 8 --icc junk.icc u.png bad.avif"));
    for (const char* ext : {"webp", "avif"}) {
        SCOPED_TRACE(ext);
        const Bitmap untagged = Load(s, std::string("u.") + ext);
        WarningCounter warnings;
        const Bitmap bad = Load(s, std::string("bad.") + ext);
        EXPECT_EQ(warnings.Count(), 1);
        WritePpm(untagged, s.Path("u.ppm"));
        EXPECT_EQ(MaxDifference(bad, s.Path("u.ppm")), 0);
    }
}

// A profile whose header names a colour space Little CMS has no name for (a fuzzer's find in a
// WebP): ignored with a note, both as a photo's profile and as a CMYK picture's, and never read
// as Little CMS's enumeration (which the sanitizers' build refuses).
TEST(ColorToSrgb, AProfileNamingAnUnknownColourSpaceIsIgnored) {
    std::vector<std::uint8_t> icc = ReadBytes(kAdobe);
    ASSERT_GT(icc.size(), 128u);
    ASSERT_FALSE(imaging::ColorToSrgb::FromIcc(icc.data(), icc.size()).IsIdentity());
    for (std::size_t i = 16; i < 20; ++i)
        icc[i] = i == 16 ? 0xFC : 0xFF;
    const imaging::ColorToSrgb colour = imaging::ColorToSrgb::FromIcc(icc.data(), icc.size());
    EXPECT_TRUE(colour.IsIdentity());
    EXPECT_NE(colour.Note().find("not an RGB profile"), std::string::npos) << colour.Note();
    std::vector<std::uint8_t> cmyk(4 * 4, 0x40);
    EXPECT_FALSE(imaging::ColorToSrgb::CmykToRgbaInPlace(icc.data(), icc.size(), cmyk.data(), 4));
}

} // namespace color_to_srgb_test
