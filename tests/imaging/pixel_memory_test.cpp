// Reuse of freed pixel blocks: zero-filled pictures stay zero-filled, uninitialised ones still get
// zero row padding, decoders and scalers write every pixel of a reused dirty block, two live
// pictures never share a block, and the streamed BMP writer gives the same bytes as EncodeBmp.
#include "TestBitmaps.h"
#include "decode_helpers.h"

#include "imaging/BmpFile.h"
#include "imaging/ImageLoad.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

using imaging::Bitmap;
using namespace testbmp;

namespace {

// 1001 pixels wide: one byte of padding per row; 1001 x 400 is just over a megabyte.
constexpr int kW = 1001;
constexpr int kH = 400;

// Frees a picture of w x h whose every byte (padding too) is 0xAB; returns its old address.
const std::uint8_t* FreeDirty(int w, int h) {
    Bitmap b = Bitmap::CreateSized(w, h);
    std::memset(b.Bits, 0xAB, static_cast<std::size_t>(b.ByteSize));
    return b.Bits;
}

bool PaddingIsZero(const Bitmap& b) {
    for (int y = 0; y < b.Height; ++y)
        for (int i = 0; i < b.RowPad; ++i)
            if (b.Row(y)[b.Width * 3 + i] != 0)
                return false;
    return true;
}

TEST(PixelMemory, ZeroFilledPictureIsZeroOnAReusedBlock) {
    Bitmap::ReleaseCachedMemory();
    const std::uint8_t* old = FreeDirty(kW, kH);
    const Bitmap b = Bitmap::CreateSized(kW, kH);
    EXPECT_EQ(b.Bits, old); // the freed block came back
    for (int i = 0; i < b.ByteSize; ++i)
        ASSERT_EQ(b.Bits[i], 0) << "byte " << i;
}

TEST(PixelMemory, UninitialisedPictureHasZeroPaddingOnAReusedBlock) {
    Bitmap::ReleaseCachedMemory();
    const std::uint8_t* old = FreeDirty(kW, kH);
    const Bitmap b = Bitmap::CreateUninitialised(kW, kH);
    EXPECT_EQ(b.Bits, old);
    ASSERT_EQ(b.RowPad, 1);
    EXPECT_TRUE(PaddingIsZero(b));
}

TEST(PixelMemory, MuchLargerBlockIsNotSpentOnASmallPicture) {
    Bitmap::ReleaseCachedMemory();
    const std::uint8_t* old = FreeDirty(kW, 3 * kH);
    const Bitmap b = Bitmap::CreateUninitialised(kW, kH);
    EXPECT_NE(b.Bits, old);
    // A picture of about the size of the kept block does get it.
    const Bitmap c = Bitmap::CreateUninitialised(kW, 3 * kH - 10);
    EXPECT_EQ(c.Bits, old);
}

TEST(PixelMemory, ResizingKeepsNoOldPixels) {
    Bitmap b = Bitmap::CreateSized(kW, kH);
    std::memset(b.Bits, 0xAB, static_cast<std::size_t>(b.ByteSize));
    b.SetSize(kW, kH); // its own block goes back and comes again
    for (int i = 0; i < b.ByteSize; ++i)
        ASSERT_EQ(b.Bits[i], 0) << "byte " << i;
}

TEST(PixelMemory, LivePicturesNeverShareABlockAcrossThreads) {
    Bitmap::ReleaseCachedMemory();
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 25; ++i) {
                const int h = kH + ((t * 7 + i * 13) % 5) * 40;
                Bitmap b = Bitmap::CreateUninitialised(kW, h);
                const auto mark = static_cast<std::uint8_t>(t * 50 + i);
                for (int y = 0; y < b.Height; ++y)
                    std::memset(b.Row(y), mark, static_cast<std::size_t>(b.Width) * 3);
                std::this_thread::yield();
                for (int y = 0; y < b.Height; y += 37)
                    for (int x = 0; x < b.Width * 3; x += 101)
                        if (b.Row(y)[x] != mark)
                            ++failures;
            }
        });
    }
    for (std::thread& th : threads)
        th.join();
    EXPECT_EQ(failures.load(), 0);
}

TEST(PixelMemory, CopyOfAPictureIsExact) {
    const Bitmap src = Random(kW, kH, 5);
    FreeDirty(kW, kH);
    const Bitmap copy(src);
    ASSERT_EQ(copy.ByteSize, src.ByteSize);
    EXPECT_EQ(std::memcmp(copy.Bits, src.Bits, static_cast<std::size_t>(src.ByteSize)), 0);
}

TEST(PixelMemory, OnePixelWideScaleFillsADirtyTarget) {
    const Bitmap src = Random(1, 7, 9);
    Bitmap clean = Bitmap::CreateSized(kW, kH);
    src.ScaleBilinear(clean);
    FreeDirty(kW, kH);
    Bitmap dirty = Bitmap::CreateUninitialised(kW, kH);
    src.ScaleBilinear(dirty);
    EXPECT_EQ(std::memcmp(clean.Bits, dirty.Bits, static_cast<std::size_t>(clean.ByteSize)), 0);
}

TEST(PixelMemory, DecodersWriteEveryPixelOfADirtyBlock) {
    const decode_test::Scratch scratch;
    // 601 x 600: over a megabyte decoded, with row padding.
    ASSERT_TRUE(scratch.Run("convert -size 601x600 plasma:fractal -seed 3 p.ppm && "
                            "cjpeg -quality 90 -outfile p.jpg p.ppm && convert p.ppm p.png && "
                            "convert p.ppm -type TrueColor BMP3:p.bmp"));
    for (const char* name : {"p.jpg", "p.png", "p.bmp"}) {
        auto loaded = imaging::LoadImageFile(scratch.Path(name));
        ASSERT_TRUE(loaded) << loaded.error();
        Bitmap first = std::move(*loaded);
        ASSERT_EQ(first.Width, 601);
        const std::vector<std::uint8_t> want(first.Bits, first.Bits + first.ByteSize);
        std::memset(first.Bits, 0xAB, want.size());
        first = Bitmap(); // the dirty block goes back to be reused
        auto loadedAgain = imaging::LoadImageFile(scratch.Path(name));
        ASSERT_TRUE(loadedAgain) << loadedAgain.error();
        const Bitmap& again = *loadedAgain;
        ASSERT_EQ(static_cast<std::size_t>(again.ByteSize), want.size());
        EXPECT_EQ(std::memcmp(again.Bits, want.data(), want.size()), 0) << name;
    }
}

TEST(BmpWrite, StreamedFileEqualsEncodedBytes) {
    const decode_test::Scratch scratch;
    for (const int w : {1, 2, 3, 4, 5, 1001}) {
        const Bitmap b = Random(w, 13, static_cast<std::uint32_t>(w));
        const std::string path = scratch.Path("s.bmp");
        ASSERT_TRUE(imaging::SaveBmpFile(path, b));
        EXPECT_EQ(decode_test::ReadBytes(path), imaging::EncodeBmp(b)) << "width " << w;
    }
}

TEST(BmpWrite, EmptyBitmapWritesNoFile) {
    const decode_test::Scratch scratch;
    const std::string path = scratch.Path("e.bmp");
    const auto saved = imaging::SaveBmpFile(path, Bitmap());
    ASSERT_FALSE(saved);
    EXPECT_NE(saved.error().find(path), std::string::npos) << saved.error();
    EXPECT_TRUE(decode_test::ReadBytes(path).empty());
}

} // namespace
