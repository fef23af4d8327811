// A photo fitted and converted to sRGB in bands while it is still being decoded: the bands made as
// the rows arrive give the same bytes as the whole picture fitted and then converted, whether it
// shrinks, grows, keeps its size or is one pixel wide; real JPEG and WebP files decode to the same
// pixels as the decode-then-fit path; a decode finishes with the same bytes when every worker of
// the pool is busy elsewhere and the bands wait in its queue; and a photo cut short fails cleanly
// with its bands settled before the pixels they read go.
#include "decode_helpers.h"

#include "base/ThreadPool.h"
#include "imaging/ColorToSrgb.h"
#include "imaging/FitWhileDecoding.h"
#include "imaging/ImageLoad.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <future>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace fit_while_decoding_test {

using namespace decode_test;
using imaging::Bitmap;
using imaging::ColorToSrgb;
using imaging::ImageSize;

namespace {

const std::string kAdobe = "/usr/share/color/icc/colord/AdobeRGB1998.icc";

ColorToSrgb AdobeRgb() {
    const std::vector<std::uint8_t> icc = ReadBytes(kAdobe);
    return ColorToSrgb::FromIcc(icc.data(), icc.size());
}

Bitmap Noise(int width, int height) {
    Bitmap b = Bitmap::CreateUninitialised(width, height);
    std::mt19937 random(static_cast<unsigned>(width * 7919 + height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 3 * width; ++x)
            b.Row(y)[x] = static_cast<std::uint8_t>(random() & 0xFF);
    return b;
}

::testing::AssertionResult SameBytes(const Bitmap& got, const Bitmap& want) {
    if (got.Width != want.Width || got.Height != want.Height)
        return ::testing::AssertionFailure()
               << got.Width << "x" << got.Height << " against " << want.Width << "x" << want.Height;
    for (int y = 0; y < got.Height; ++y)
        if (std::memcmp(got.Row(y), want.Row(y), static_cast<std::size_t>(got.Width) * 3) != 0)
            return ::testing::AssertionFailure() << "row " << y << " differs";
    return ::testing::AssertionSuccess();
}

// A decoder's part: the picture's rows written top down a few at a time, the rows still to come
// holding bytes they will not keep, and the fitting told after each step. A pause after each
// gives the pool's workers time to start on the rows told, so a band that reads a row too far
// down reads the bytes that row does not keep.
Bitmap DecodeInSteps(const Bitmap& picture, const ColorToSrgb& color, ImageSize size) {
    imaging::FitWhileDecoding fit([size](int, int) { return size; });
    Bitmap out = Bitmap::CreateUninitialised(picture.Width, picture.Height);
    std::memset(out.Bits, 0xA5, static_cast<std::size_t>(out.ByteSize));
    fit.Begin(out, color);
    constexpr int kStep = 7;
    for (int y = 0; y < picture.Height; y += kStep) {
        const int last = std::min(picture.Height, y + kStep);
        for (int r = y; r < last; ++r)
            std::memcpy(out.Row(r), picture.Row(r), static_cast<std::size_t>(picture.Width) * 3);
        fit.Ready(last);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return fit.Finish(std::move(out), color);
}

// What the picture becomes fitted as a whole and then converted.
Bitmap FittedThenConverted(const Bitmap& picture, const ColorToSrgb& color, ImageSize size) {
    Bitmap out = picture;
    if (size.Width != picture.Width || size.Height != picture.Height) {
        out = Bitmap::CreateUninitialised(size.Width, size.Height);
        picture.ScaleBilinear(out);
    }
    color.Apply(out);
    return out;
}

} // namespace

TEST(FitWhileDecoding, BandsMadeAsRowsArriveEqualTheWholePictureFittedAndConverted) {
    const ColorToSrgb adobe = AdobeRgb();
    ASSERT_FALSE(adobe.IsIdentity());
    struct Case {
        const char* what;
        int width, height;
        ImageSize size;
        bool tagged;
    };
    const Case cases[] = {
        {"shrunk", 1200, 900, {401, 301}, true},
        {"shrunk untagged", 1200, 900, {640, 480}, false},
        {"grown", 300, 200, {900, 601}, true},
        {"kept, converted", 700, 900, {700, 900}, true},
        {"kept, untagged", 700, 900, {700, 900}, false},
        {"one pixel wide", 1, 900, {3, 700}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ColorToSrgb color = c.tagged ? adobe : ColorToSrgb();
        const Bitmap picture = Noise(c.width, c.height);
        EXPECT_TRUE(SameBytes(DecodeInSteps(picture, color, c.size),
                              FittedThenConverted(picture, color, c.size)));
    }
}

// Every band is still queued when Finish comes, since the pool's workers are all held: Finish
// makes them itself rather than wait for a worker, and the queued tasks, run once the workers are
// free and the fitting is gone, leave them alone.
TEST(FitWhileDecoding, FinishMakesTheQueuedBandsItselfWhileEveryWorkerIsBusy) {
    base::ThreadPool& pool = base::ThreadPool::Shared();
    std::mutex mutex;
    std::condition_variable changed;
    int held = 0;
    bool release = false;
    std::vector<std::future<void>> holds;
    for (int i = 0; i < pool.Workers(); ++i)
        holds.push_back(pool.Post([&] {
            std::unique_lock lock(mutex);
            ++held;
            changed.notify_all();
            changed.wait(lock, [&] { return release; });
        }));
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return held == pool.Workers(); });
    }
    const ColorToSrgb adobe = AdobeRgb();
    const Bitmap picture = Noise(900, 700);
    const ImageSize shrunk{301, 233}, kept{900, 700};
    const Bitmap banded[2] = {DecodeInSteps(picture, adobe, shrunk),
                              DecodeInSteps(picture, adobe, kept)};
    {
        const std::lock_guard lock(mutex);
        release = true;
    }
    changed.notify_all();
    for (auto& hold : holds)
        hold.get();
    EXPECT_TRUE(SameBytes(banded[0], FittedThenConverted(picture, adobe, shrunk)));
    EXPECT_TRUE(SameBytes(banded[1], FittedThenConverted(picture, adobe, kept)));
}

TEST(FitWhileDecoding, JpegAndWebpFilesGiveTheDecodeThenFitPixelsAndFailCleanlyWhenCut) {
    Scratch s;
    ASSERT_TRUE(s.Run("convert -size 640x1500 xc:gray +noise Random -depth 8 PNG24:n.png"));
    ASSERT_TRUE(s.Run("convert n.png -quality 92 u.jpg && convert n.png -quality 92 -profile " +
                      kAdobe + " t.jpg"));
    ASSERT_TRUE(s.Run("cwebp -quiet -q 90 n.png -o u.webp && webpmux -set icc " + kAdobe +
                      " u.webp -o t.webp"));
    const auto sizeFor = [](int w, int h) { return ImageSize{w * 2 / 5, h * 2 / 5}; };
    const auto fitAfter = [&](Bitmap& b) {
        Bitmap fitted = Bitmap::CreateUninitialised(b.Width * 2 / 5, b.Height * 2 / 5);
        b.ScaleBilinear(fitted);
        b = std::move(fitted);
    };
    for (const char* name : {"u.jpg", "t.jpg", "u.webp", "t.webp"}) {
        SCOPED_TRACE(name);
        const std::string path = s.Path(name);
        const auto banded = imaging::LoadImageFileFitted(path, sizeFor);
        const auto after = imaging::LoadImageFileResized(path, fitAfter);
        ASSERT_TRUE(banded && after);
        EXPECT_TRUE(SameBytes(*banded, *after));
        const auto whole = imaging::LoadImageFile(path);
        const auto wholeAfter = imaging::LoadImageFileResized(path, nullptr);
        ASSERT_TRUE(whole && wholeAfter);
        EXPECT_TRUE(SameBytes(*whole, *wholeAfter));

        // Cut in the middle of the picture's data, after bands have been handed out.
        std::vector<std::uint8_t> bytes = ReadBytes(path);
        bytes.resize(bytes.size() * 2 / 3);
        const std::string cut = s.Path(std::string("cut-") + name);
        WriteBytes(cut, bytes);
        EXPECT_FALSE(imaging::LoadImageFileFitted(cut, sizeFor));
        EXPECT_FALSE(imaging::LoadImageFile(cut));
    }
}

} // namespace fit_while_decoding_test
