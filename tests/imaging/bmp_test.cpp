// BMP reading and writing: round trips, files written by ImageMagick at test time, hand-made
// RLE4/RLE8, top-down, 16/32-bit bit-field and OS/2 files, and malformed input.
#include "TestBitmaps.h"

#include "imaging/BmpFile.h"

#include <gtest/gtest.h>

#include "support/FileBytes.h"
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

using namespace imaging;
using namespace testbmp;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A BITMAPINFOHEADER file: header, palette (BGR0 entries), optional masks, then pixel bytes.
Bytes MakeBmp(int w, int h, int bits, std::uint32_t compression, const Bytes& palette,
              const Bytes& pixels, const Bytes& masks = {}) {
    Bytes f(54);
    f[0] = 'B';
    f[1] = 'M';
    const std::size_t off = 54 + masks.size() + palette.size();
    Put32(f, 2, static_cast<std::uint32_t>(off + pixels.size()));
    Put32(f, 10, static_cast<std::uint32_t>(off));
    Put32(f, 14, 40);
    Put32(f, 18, static_cast<std::uint32_t>(w));
    Put32(f, 22, static_cast<std::uint32_t>(h));
    Put16(f, 26, 1);
    Put16(f, 28, static_cast<std::uint32_t>(bits));
    Put32(f, 30, compression);
    Put32(f, 34, static_cast<std::uint32_t>(pixels.size()));
    Put32(f, 46, static_cast<std::uint32_t>(palette.size() / 4));
    f.insert(f.end(), masks.begin(), masks.end());
    f.insert(f.end(), palette.begin(), palette.end());
    f.insert(f.end(), pixels.begin(), pixels.end());
    return f;
}

// Decodes into out (left alone on a failure, whose reason goes to err).
bool Decode(const Bytes& f, Bitmap& out, std::string* err = nullptr) {
    auto decoded = DecodeBmp(f.data(), f.size());
    if (!decoded) {
        if (err != nullptr)
            *err = decoded.error();
        return false;
    }
    out = std::move(*decoded);
    return true;
}

Bytes ReadAll(const fs::path& p) {
    return testsupport::FileBytes<Bytes>(p.string());
}

bool HaveConvert() {
    return std::system("convert -version > /dev/null 2>&1") == 0;
}

// A bitmap using only `colours` distinct colours, in blocks and noise.
Bitmap FewColours(int w, int h, int colours, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<Px> pal;
    for (int i = 0; i < colours; ++i)
        pal.push_back(Px{static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
                         static_cast<std::uint8_t>(rng())});
    if (colours == 2)
        pal = {Px{0, 0, 0}, Px{255, 255, 255}};
    Bitmap b = Bitmap::CreateSized(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::size_t k = (x / 7 + y / 5) % 3 == 0 ? rng() % colours : (x / 4) % colours;
            Set(b, x, y, pal[k]);
        }
    return b;
}

class BmpImageMagick : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveConvert())
            GTEST_SKIP() << "ImageMagick convert not installed";
        dir_ = fs::temp_directory_path() / ("reelpane_bmp_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        if (!dir_.empty())
            fs::remove_all(dir_, ec);
    }
    // Writes src, has ImageMagick convert it with `options` into a BMP, decodes that with our
    // reader and with ImageMagick (to raw RGB), and compares. Returns the header's bit count and
    // compression.
    std::pair<int, int> Check(const Bitmap& src, const std::string& options,
                              bool expectSame = true) {
        const fs::path in = dir_ / "in.bmp", out = dir_ / "out.bmp", raw = dir_ / "out.rgb";
        EXPECT_TRUE(SaveBmpFile(in.string(), src));
        const std::string cmd =
            "convert '" + in.string() + "' " + options + ":'" + out.string() + "' 2>/dev/null";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
        EXPECT_EQ(std::system(("convert '" + out.string() + "' -depth 8 rgb:'" + raw.string() +
                               "' 2>/dev/null")
                                  .c_str()),
                  0);
        const Bytes file = ReadAll(out), rgb = ReadAll(raw);
        Bitmap got;
        std::string err;
        EXPECT_TRUE(Decode(file, got, &err)) << options << ": " << err;
        EXPECT_EQ(got.Width, src.Width);
        EXPECT_EQ(got.Height, src.Height);
        EXPECT_EQ(rgb.size(), static_cast<std::size_t>(src.Width) * src.Height * 3);
        if (got.Width == src.Width && got.Height == src.Height &&
            rgb.size() >= got.Width * 3u * got.Height) {
            for (int y = 0; y < got.Height; ++y)
                for (int x = 0; x < got.Width; ++x) {
                    const std::uint8_t* m =
                        rgb.data() + (static_cast<std::size_t>(y) * got.Width + x) * 3;
                    const Px im{m[2], m[1], m[0]};
                    EXPECT_EQ(At(got, x, y), im) << options << " at " << x << "," << y;
                    if (expectSame) {
                        EXPECT_EQ(At(got, x, y), At(src, x, y))
                            << options << " at " << x << "," << y;
                    }
                    if (::testing::Test::HasFailure())
                        return {-1, -1};
                }
        }
        const int bits = file.size() > 30 ? (file[14] == 12 ? file[24] : file[28]) : 0;
        const int compression = file.size() > 34 && file[14] != 12 ? file[30] : 0;
        return {bits, compression};
    }
    fs::path dir_;
};

} // namespace

TEST(Bmp, RoundTripOddSizes) {
    std::uint32_t seed = 1;
    for (auto [w, h] : std::vector<std::pair<int, int>>{
             {1, 1}, {1, 9}, {9, 1}, {2, 2}, {3, 2}, {5, 3}, {1023, 7}, {640, 480}}) {
        const Bitmap src = Random(w, h, seed++);
        const Bytes f = EncodeBmp(src);
        EXPECT_EQ(f.size(), 54 + static_cast<std::size_t>(((w * 3 + 3) / 4) * 4) * h);
        Bitmap back;
        std::string err;
        ASSERT_TRUE(Decode(f, back, &err)) << err;
        EXPECT_EQ(Diff(back, src), "") << w << "x" << h;
    }
}

TEST(Bmp, WrittenHeaderIsPlain24BitBottomUp) {
    Bitmap b = Bitmap::CreateSized(3, 2);
    Set(b, 0, 0, Px{1, 2, 3}); // top-left
    Set(b, 0, 1, Px{4, 5, 6}); // bottom-left
    const Bytes f = EncodeBmp(b);
    ASSERT_EQ(f.size(), 54u + 12 * 2);
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[14], 40);
    EXPECT_EQ(f[22], 2); // positive height
    EXPECT_EQ(f[28], 24);
    EXPECT_EQ(f[30], 0);
    EXPECT_EQ(f[54], 4); // first stored row is the bottom one
    EXPECT_EQ(f[54 + 12], 1);
}

TEST(Bmp, SaveAndLoadFile) {
    const fs::path p =
        fs::temp_directory_path() / ("reelpane_rt_" + std::to_string(::getpid()) + ".bmp");
    const Bitmap src = Random(123, 45, 77);
    ASSERT_TRUE(SaveBmpFile(p.string(), src));
    const auto back = LoadBmpFile(p.string());
    ASSERT_TRUE(back) << back.error();
    EXPECT_EQ(Diff(*back, src), "");
    fs::remove(p);
    const auto gone = LoadBmpFile(p.string());
    ASSERT_FALSE(gone);
    EXPECT_EQ(gone.error(), "cannot read " + p.string() + ": " + std::strerror(ENOENT));
    // A file cut short names itself and what the decoder found wrong.
    const Bytes whole = EncodeBmp(src);
    std::FILE* f = std::fopen(p.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(whole.data(), 1, whole.size() / 2, f);
    std::fclose(f);
    const auto cut = LoadBmpFile(p.string());
    ASSERT_FALSE(cut);
    EXPECT_EQ(cut.error(), "cannot read " + p.string() + ": truncated BMP pixel data");
    fs::remove(p);
    // Writing into a missing folder names the file and the system's reason.
    const std::string nowhere = (p.parent_path() / "reelpane-missing-dir" / "x.bmp").string();
    const auto unwritten = SaveBmpFile(nowhere, src);
    ASSERT_FALSE(unwritten);
    EXPECT_EQ(unwritten.error(), "cannot create " + nowhere + ": " + std::strerror(ENOENT));
}

TEST(Bmp, TopDownRows) {
    const Bitmap src = Random(5, 4, 3);
    Bytes f = EncodeBmp(src);
    Put32(f, 22, static_cast<std::uint32_t>(-4));
    // Store the rows top-down instead.
    for (int y = 0; y < 4; ++y)
        std::memcpy(f.data() + 54 + y * 16, src.Row(y), 15);
    Bitmap back;
    ASSERT_TRUE(Decode(f, back));
    EXPECT_EQ(Diff(back, src), "");
}

TEST(Bmp, PaletteDepthsHandMade) {
    const Bytes pal = {10, 20, 30, 0, 40, 50, 60, 0, 70, 80, 90, 0, 1, 2, 3, 0};
    // 1 bit: 10 pixels 1010011110 -> two bytes, padded to 4.
    {
        const Bytes px = {0b10100111, 0b10000000, 0, 0};
        Bitmap b;
        ASSERT_TRUE(Decode(MakeBmp(10, 1, 1, 0, Bytes(pal.begin(), pal.begin() + 8), px), b));
        const int bitsv[10] = {1, 0, 1, 0, 0, 1, 1, 1, 1, 0};
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(At(b, x, 0), (bitsv[x] ? Px{40, 50, 60} : Px{10, 20, 30})) << x;
    }
    // 4 bit: 3 pixels 2,1,3.
    {
        const Bytes px = {0x21, 0x30, 0, 0};
        Bitmap b;
        ASSERT_TRUE(Decode(MakeBmp(3, 1, 4, 0, pal, px), b));
        EXPECT_EQ(At(b, 0, 0), (Px{70, 80, 90}));
        EXPECT_EQ(At(b, 1, 0), (Px{40, 50, 60}));
        EXPECT_EQ(At(b, 2, 0), (Px{1, 2, 3}));
    }
    // 8 bit, two rows bottom-up, an index beyond the palette reads as black.
    {
        const Bytes px = {0, 1, 0, 0, 3, 200, 0, 0};
        Bitmap b;
        ASSERT_TRUE(Decode(MakeBmp(2, 2, 8, 0, pal, px), b));
        EXPECT_EQ(At(b, 0, 1), (Px{10, 20, 30}));
        EXPECT_EQ(At(b, 1, 1), (Px{40, 50, 60}));
        EXPECT_EQ(At(b, 0, 0), (Px{1, 2, 3}));
        EXPECT_EQ(At(b, 1, 0), (Px{0, 0, 0}));
    }
}

TEST(Bmp, Rle8AndRle4HandMade) {
    const Bytes pal = {10, 20, 30, 0, 40, 50, 60, 0, 70, 80, 90, 0, 1, 2, 3, 0};
    // RLE8, 4x3: row 0 (bottom): run 3 of index 1, then absolute 1 pixel? (absolute needs >= 3)
    //   -> run 3 x 1, run 1 x 2, EOL; row 1: absolute 3 pixels 2,1,0 (+pad), EOL;
    //   then delta (1, 1) to row 2 column 1 and one pixel of 3, EOB.
    {
        const Bytes px = {3, 1, 1, 2, 0, 0, 0, 3, 2, 1, 0, 0, 0, 0, 0, 2, 1, 0, 1, 3, 0, 1};
        Bitmap b;
        std::string err;
        ASSERT_TRUE(Decode(MakeBmp(4, 3, 8, 1, pal, px), b, &err)) << err;
        // File row 0 is the bottom (y = 2).
        EXPECT_EQ(At(b, 0, 2), (Px{40, 50, 60}));
        EXPECT_EQ(At(b, 2, 2), (Px{40, 50, 60}));
        EXPECT_EQ(At(b, 3, 2), (Px{70, 80, 90}));
        EXPECT_EQ(At(b, 0, 1), (Px{70, 80, 90}));
        EXPECT_EQ(At(b, 1, 1), (Px{40, 50, 60}));
        EXPECT_EQ(At(b, 2, 1), (Px{10, 20, 30}));
        EXPECT_EQ(At(b, 3, 1), (Px{10, 20, 30})); // skipped: palette entry 0
        EXPECT_EQ(At(b, 1, 0), (Px{1, 2, 3}));
        EXPECT_EQ(At(b, 0, 0), (Px{10, 20, 30}));
    }
    // RLE4, 5x1: run of 5 alternating 1,2 then EOB.
    {
        const Bytes px = {5, 0x12, 0, 1};
        Bitmap b;
        ASSERT_TRUE(Decode(MakeBmp(5, 1, 4, 2, pal, px), b));
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(At(b, x, 0), (x % 2 == 0 ? Px{40, 50, 60} : Px{70, 80, 90})) << x;
    }
    // RLE4 absolute: 3 pixels 3,0,2 -> bytes 0x30 0x20, padded to a word.
    {
        const Bytes px = {0, 3, 0x30, 0x20, 0, 1};
        Bitmap b;
        ASSERT_TRUE(Decode(MakeBmp(3, 1, 4, 2, pal, px), b));
        EXPECT_EQ(At(b, 0, 0), (Px{1, 2, 3}));
        EXPECT_EQ(At(b, 1, 0), (Px{10, 20, 30}));
        EXPECT_EQ(At(b, 2, 0), (Px{70, 80, 90}));
    }
    // Runs that overflow the picture are clipped, not written out of bounds.
    {
        const Bytes px = {255, 1, 255, 1, 0, 2, 255, 255, 200, 3, 0, 200, 1, 2, 3};
        Bitmap b;
        EXPECT_TRUE(Decode(MakeBmp(3, 2, 8, 1, pal, px), b));
    }
}

TEST(Bmp, SixteenAndThirtyTwoBit) {
    // 16-bit default 5-5-5: pure red 0x7C00, one green step 0x0020, white 0x7FFF.
    {
        const Bytes px = {0x00, 0x7C, 0x20, 0x00, 0xFF, 0x7F, 0, 0};
        Bitmap b;
        ASSERT_TRUE(Decode(MakeBmp(3, 1, 16, 0, {}, px), b));
        EXPECT_EQ(At(b, 0, 0), (Px{0, 0, 255}));
        EXPECT_EQ(At(b, 1, 0), (Px{0, 8, 0}));
        EXPECT_EQ(At(b, 2, 0), (Px{255, 255, 255}));
    }
    // 16-bit 5-6-5 bit fields after a 40-byte header: green 6 bits 0b000011 -> 0x0C | 0 = 12.
    {
        Bytes masks(12);
        Put32(masks, 0, 0xF800);
        Put32(masks, 4, 0x07E0);
        Put32(masks, 8, 0x001F);
        const Bytes px = {0x60, 0x00, 0x1F, 0x00};
        Bitmap b;
        ASSERT_TRUE(Decode(MakeBmp(2, 1, 16, 3, {}, px, masks), b));
        EXPECT_EQ(At(b, 0, 0), (Px{0, 12, 0}));
        EXPECT_EQ(At(b, 1, 0), (Px{255, 0, 0}));
    }
    // 32-bit BI_RGB: BGRX.
    {
        const Bytes px = {1, 2, 3, 99, 4, 5, 6, 99};
        Bitmap b;
        ASSERT_TRUE(Decode(MakeBmp(2, 1, 32, 0, {}, px), b));
        EXPECT_EQ(At(b, 0, 0), (Px{1, 2, 3}));
        EXPECT_EQ(At(b, 1, 0), (Px{4, 5, 6}));
    }
}

TEST(Bmp, MalformedInputIsRefused) {
    const Bitmap src = Random(8, 8, 5);
    const Bytes good = EncodeBmp(src);
    std::string err;
    Bitmap out;
    EXPECT_FALSE(DecodeBmp(nullptr, 0));
    EXPECT_FALSE(Decode(Bytes(good.begin(), good.begin() + 20), out, &err));
    Bytes bad = good;
    bad[0] = 'X';
    EXPECT_FALSE(Decode(bad, out, &err));
    // Truncated pixel data.
    EXPECT_FALSE(Decode(Bytes(good.begin(), good.end() - 1), out, &err));
    EXPECT_EQ(err, "truncated BMP pixel data");
    // Oversized: refused before any allocation.
    bad = good;
    Put32(bad, 18, 20001);
    EXPECT_FALSE(Decode(bad, out, &err));
    EXPECT_EQ(err, "BMP picture too large");
    bad = good;
    Put32(bad, 18, 20000);
    Put32(bad, 22, 20000); // 400 MP > 200 MP
    EXPECT_FALSE(Decode(bad, out, &err));
    bad = good;
    Put32(bad, 18, 0x80000000u);
    EXPECT_FALSE(Decode(bad, out, &err));
    bad = good;
    Put32(bad, 22, 0x80000000u); // INT_MIN height
    EXPECT_FALSE(Decode(bad, out, &err));
    // Zero width, bad bit count, bad compression, bad header size, offset beyond the end.
    for (auto [at, value, is16] :
         std::vector<std::tuple<int, std::uint32_t, bool>>{{18, 0, false},
                                                           {28, 7, true},
                                                           {30, 4, false},
                                                           {30, 9, false},
                                                           {14, 5, false},
                                                           {14, 0xFFFFFFF0u, false},
                                                           {10, 0xFFFFFF00u, false},
                                                           {10, 20, false},
                                                           {26, 2, true}}) {
        bad = good;
        if (is16)
            Put16(bad, static_cast<std::size_t>(at), value);
        else
            Put32(bad, static_cast<std::size_t>(at), value);
        EXPECT_FALSE(Decode(bad, out, &err)) << at << " = " << value;
        EXPECT_FALSE(err.empty());
    }
    EXPECT_TRUE(out.IsEmpty()); // never touched
    // A palette file with no palette at all.
    EXPECT_FALSE(Decode(MakeBmp(2, 1, 8, 0, {}, {0, 0, 0, 0}), out, &err));
}

TEST(Bmp, LimitsCanBeLowered) {
    const Bytes f = EncodeBmp(Random(100, 100, 1));
    BmpReadLimits small;
    small.MaxPixels = 5000;
    EXPECT_FALSE(DecodeBmp(f.data(), f.size(), small));
    EXPECT_TRUE(DecodeBmp(f.data(), f.size()));
}

TEST_F(BmpImageMagick, TrueColour) {
    const Bitmap src = Random(37, 23, 21);
    EXPECT_EQ(Check(src, "-type truecolor BMP3"), std::make_pair(24, 0));
    EXPECT_EQ(Check(src, "-type truecolor BMP"), std::make_pair(24, 0));  // V5 header
    EXPECT_EQ(Check(src, "-type truecolor BMP2"), std::make_pair(24, 0)); // OS/2 core header
    const Bitmap wide = Random(1023, 7, 22);
    EXPECT_EQ(Check(wide, "-type truecolor BMP3"), std::make_pair(24, 0));
}

TEST_F(BmpImageMagick, ThirtyTwoBitWithAlpha) {
    const Bitmap src = Random(37, 23, 23);
    EXPECT_EQ(Check(src, "-alpha set -type truecoloralpha BMP"), std::make_pair(32, 3));
}

TEST_F(BmpImageMagick, SixteenBit) {
    const Bitmap src = Random(37, 23, 24);
    EXPECT_EQ(Check(src, "-define bmp:subtype=RGB565 BMP", false), std::make_pair(16, 3));
    EXPECT_EQ(Check(src, "-define bmp:subtype=RGB555 BMP", false), std::make_pair(16, 3));
}

TEST_F(BmpImageMagick, PaletteAndRle) {
    const Bitmap c200 = FewColours(37, 23, 200, 31);
    EXPECT_EQ(Check(c200, "-type palette -compress none BMP3"), std::make_pair(8, 0));
    EXPECT_EQ(Check(c200, "-type palette -compress RLE BMP3"), std::make_pair(8, 1));
    EXPECT_EQ(Check(c200, "-type palette BMP2"), std::make_pair(8, 0));
    const Bitmap c12 = FewColours(37, 23, 12, 32);
    EXPECT_EQ(Check(c12, "-type palette -compress none BMP3"), std::make_pair(4, 0));
    EXPECT_EQ(Check(c12, "-type palette -compress RLE BMP3"), std::make_pair(8, 1));
    const Bitmap c2 = FewColours(37, 23, 2, 33);
    EXPECT_EQ(Check(c2, "-type palette -compress none BMP3"), std::make_pair(1, 0));
    const Bitmap big = FewColours(1023, 77, 50, 34);
    EXPECT_EQ(Check(big, "-type palette -compress RLE BMP3"), std::make_pair(8, 1));
}
