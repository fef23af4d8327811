// Frame composition: the documented examples and failure handling.
#include "TestBitmaps.h"

#include "imaging/BmpFile.h"
#include "imaging/Colors.h"
#include "imaging/Compose.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace compose_test {

using namespace imaging;
using namespace testbmp;
namespace fs = std::filesystem;

namespace {

class Compose : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("reelpane_compose_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    SlideSource MakeSlide(const Bitmap& photo, std::int32_t back, const std::string& name) {
        const std::string path = (dir_ / name).string();
        EXPECT_TRUE(SaveBmpFile(path, photo));
        return SlideSource{path, back};
    }
    fs::path dir_;
};

// Every pixel outside [x0, x1) x [y0, y1) has the colour.
void ExpectBars(const Bitmap& f, int x0, int y0, int x1, int y1, Px colour) {
    for (int y = 0; y < f.Height; ++y)
        for (int x = 0; x < f.Width; ++x)
            if (x < x0 || x >= x1 || y < y0 || y >= y1) {
                ASSERT_EQ(At(f, x, y), colour) << x << "," << y;
            }
}

// The photo region equals `inner` placed at (x, y).
void ExpectInner(const Bitmap& f, const Bitmap& inner, int x0, int y0) {
    for (int y = 0; y < inner.Height; ++y)
        for (int x = 0; x < inner.Width; ++x)
            ASSERT_EQ(At(f, x0 + x, y0 + y), At(inner, x, y)) << x << "," << y;
}

const std::int32_t kRed = 0x000000FF; // 0x00BBGGRR
const Px kRedPx{0, 0, 255};

} // namespace

TEST_F(Compose, LandscapeFillsTheFrameExactly) {
    const Bitmap photo = Random(4000, 3000, 1);
    const SlideSource s = MakeSlide(photo, kRed, "a.bmp");
    Bitmap frame = Bitmap::CreateSized(640, 480);
    ASSERT_TRUE(RenderSlideToFrame(frame, &s));
    Bitmap scaled = Bitmap::CreateSized(640, 480);
    photo.ScaleBilinear(scaled);
    EXPECT_EQ(Diff(frame, scaled), "");
}

TEST_F(Compose, PortraitIsCentredWithBars) {
    const Bitmap photo = Random(3000, 4000, 2);
    const SlideSource s = MakeSlide(photo, kRed, "b.bmp");
    Bitmap frame = Bitmap::CreateSized(640, 480);
    ASSERT_TRUE(RenderSlideToFrame(frame, &s));
    Bitmap scaled = Bitmap::CreateSized(360, 480);
    photo.ScaleBilinear(scaled);
    ExpectInner(frame, scaled, 140, 0);
    ExpectBars(frame, 140, 0, 500, 480, kRedPx);
}

TEST_F(Compose, SmallPhotoIsDrawnUnscaled) {
    const Bitmap photo = Random(320, 240, 3);
    const SlideSource s = MakeSlide(photo, 0x00336699, "c.bmp");
    Bitmap frame = Bitmap::CreateSized(640, 480);
    ASSERT_TRUE(RenderSlideToFrame(frame, &s));
    ExpectInner(frame, photo, 160, 120);
    ExpectBars(frame, 160, 120, 480, 360, Px{0x33, 0x66, 0x99});
}

TEST_F(Compose, FullWidthPhotoIsScaledToItsOwnSizeAndCentred) {
    const Bitmap photo = Random(640, 200, 4);
    const SlideSource s = MakeSlide(photo, kRed, "d.bmp");
    Bitmap frame = Bitmap::CreateSized(640, 480);
    ASSERT_TRUE(RenderSlideToFrame(frame, &s));
    ExpectInner(frame, photo, 0, 140);
    ExpectBars(frame, 0, 140, 640, 340, kRedPx);
}

TEST_F(Compose, BackColorChangesOnlyTheBars) {
    const Bitmap photo = Random(300, 400, 5);
    SlideSource s = MakeSlide(photo, kRed, "e.bmp");
    Bitmap a = Bitmap::CreateSized(200, 100), b = Bitmap::CreateSized(200, 100);
    ASSERT_TRUE(RenderSlideToFrame(a, &s));
    s.BackColor = 0x00FF0000;
    ASSERT_TRUE(RenderSlideToFrame(b, &s));
    const ImageSize fit = FitSize(300, 400, 200, 100);
    EXPECT_EQ(fit, (ImageSize{75, 100}));
    const int x0 = (200 - 75) / 2;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) {
            const bool inPhoto = x >= x0 && x < x0 + 75;
            if (inPhoto) {
                ASSERT_EQ(At(a, x, y), At(b, x, y));
            } else {
                ASSERT_EQ(At(b, x, y), (Px{255, 0, 0}));
            }
        }
}

TEST_F(Compose, PreviewAndNextFrame) {
    const Bitmap photo = Random(3000, 4000, 6);
    const SlideSource s = MakeSlide(photo, kRed, "f.bmp");
    const QImage preview = ShowSlideInPreview(&s, 640, 480);
    ASSERT_EQ(preview.width(), 640);
    ASSERT_EQ(preview.height(), 480);
    Bitmap frame = Bitmap::CreateSized(640, 480);
    ASSERT_TRUE(RenderSlideToFrame(frame, &s));
    EXPECT_EQ(Diff(Bitmap::CreateFromImage(preview), frame), "");

    Bitmap next;
    ASSERT_TRUE(PrepareNextFrame(next, 640, 480, &s));
    EXPECT_EQ(Diff(next, frame), "");
}

TEST_F(Compose, EmptyShowPreviewIsButtonFace) {
    const QImage preview = ShowSlideInPreview(nullptr, 33, 17);
    ASSERT_EQ(preview.size(), QSize(33, 17));
    const std::uint32_t face = ResolveColor(kClBtnFace); // no application: the fixed fallback
    EXPECT_EQ(face, FallbackSystemColor(15));
    const Bitmap b = Bitmap::CreateFromImage(preview);
    ExpectBars(b, 0, 0, 0, 0,
               Px{static_cast<std::uint8_t>(face >> 16), static_cast<std::uint8_t>(face >> 8),
                  static_cast<std::uint8_t>(face)});
}

TEST_F(Compose, MissingWorkFileLeavesTargetsAlone) {
    const SlideSource s{(dir_ / "missing.bmp").string(), kRed};
    Bitmap frame = Random(64, 48, 7);
    const Bitmap before = frame;
    // The failure names the file, as every failure the user may see does.
    const base::Status rendered = RenderSlideToFrame(frame, &s);
    ASSERT_FALSE(rendered);
    EXPECT_NE(rendered.error().find("missing.bmp"), std::string::npos) << rendered.error();
    EXPECT_EQ(Diff(frame, before), "");
    Bitmap next;
    const base::Status prepared = PrepareNextFrame(next, 64, 48, &s);
    EXPECT_EQ(prepared.error(), rendered.error());
    EXPECT_TRUE(next.IsEmpty());
    EXPECT_TRUE(ShowSlideInPreview(&s, 64, 48).isNull());
    // No slides: the frame is not touched either.
    EXPECT_FALSE(RenderSlideToFrame(frame, nullptr));
    EXPECT_EQ(Diff(frame, before), "");
    // A frame size no picture can have is refused, not drawn into an empty frame.
    const SlideSource good{(dir_ / "good.bmp").string(), kRed};
    ASSERT_TRUE(SaveBmpFile(good.WorkFile, Random(8, 8, 3)));
    EXPECT_FALSE(PrepareNextFrame(next, 0, 48, &good));
    EXPECT_TRUE(next.IsEmpty());
}

TEST_F(Compose, CorruptWorkFileLeavesTargetsAlone) {
    const std::string path = (dir_ / "bad.bmp").string();
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fputs("BM this is not a bitmap at all, just some text", f);
        std::fclose(f);
    }
    const SlideSource s{path, kRed};
    Bitmap frame = Random(16, 16, 8);
    const Bitmap before = frame;
    EXPECT_FALSE(RenderSlideToFrame(frame, &s));
    EXPECT_EQ(Diff(frame, before), "");
}

TEST(Colors, ResolveColor) {
    EXPECT_EQ(ResolveColor(0x00123456), 0x00123456u);
    EXPECT_EQ(ResolveColor(kClBtnFace), 0x00F0F0F0u);
    EXPECT_EQ(ResolveColor(static_cast<std::int32_t>(0xFF000005)), 0x00FFFFFFu); // window
}

} // namespace compose_test
