// Automatic motion framed on faces, with real photographs of people from a package's sample
// data: the detector finds the face, and in every frame of a slide's time, in wide, upright and
// square videos, zooming in or out, the face's box is on screen whole while the picture still
// covers the frame. A landscape photo in an upright video is cropped around the person, where
// the plain rule (the picture's middle) cuts them off.
#include "imaging/AutoMotion.h"
#include "imaging/FaceDetect.h"
#include "imaging/ImageLoad.h"
#include "imaging/MotionSampler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace imaging;

namespace {

const std::string kSamples = "/usr/share/doc/opencv-doc/examples/data/";

Bitmap Sample(const std::string& name) {
    auto loaded = LoadImageFile(kSamples + name);
    EXPECT_TRUE(loaded) << (loaded ? "" : loaded.error());
    return loaded ? std::move(*loaded) : Bitmap();
}

struct Frame {
    int W, H;
    const char* what;
};
constexpr Frame kFrames[] = {{1920, 1080, "16:9"}, {1080, 1920, "9:16"}, {1080, 1080, "1:1"}};
constexpr int kFramesPerSlide = 150; // five seconds at 30 frames a second

// Whether every frame of the motion shows the whole box and only the picture, by the sampler's
// own mapping of the frame's outermost pixel centres (to within half an output pixel).
::testing::AssertionResult EveryFrameHolds(const Motion& m, const Frame& f, const Bitmap& pic,
                                           const FaceBox& box) {
    const int w = pic.Width, h = pic.Height;
    for (int n = 0; n < kFramesPerSlide; ++n) {
        const MotionState st = MotionStateAt(m, n / (kFramesPerSlide - 1.0));
        const double s = std::min(double(f.W) / w, double(f.H) / h) * st.Z;
        const double half = 0.5 / s; // half an output pixel, in picture pixels
        const double left = MotionSampler::PictureX(0, f.W, f.H, w, h, st) - half;
        const double right = MotionSampler::PictureX(f.W - 1, f.W, f.H, w, h, st) + half;
        const double top = MotionSampler::PictureY(0, f.W, f.H, w, h, st) - half;
        const double bottom = MotionSampler::PictureY(f.H - 1, f.W, f.H, w, h, st) + half;
        const double tol = 0.51;
        if (left < -tol || top < -tol || right > w + tol || bottom > h + tol)
            return ::testing::AssertionFailure() << "frame " << n << " shows the background";
        if (box.X * w < left - tol || (box.X + box.W) * w > right + tol || box.Y * h < top - tol ||
            (box.Y + box.H) * h > bottom + tol)
            return ::testing::AssertionFailure()
                   << "frame " << n << " cuts the face: view x " << left << ".." << right << " y "
                   << top << ".." << bottom << ", face x " << box.X * w << ".."
                   << (box.X + box.W) * w << " y " << box.Y * h << ".." << (box.Y + box.H) * h;
    }
    return ::testing::AssertionSuccess();
}

TEST(FaceMotion, EveryFrameOfEveryShapeHoldsTheFacesFound) {
    struct Photo {
        const char* file;
        double faceX, faceY; // a point inside the face, fractions of the picture
    };
    // A footballer in a wide photo (his face about 40 pixels high), and a robot's face at the top
    // of an upright picture.
    for (const Photo p : {Photo{"messi5.jpg", 0.445, 0.33}, Photo{"ml.png", 0.33, 0.37}}) {
        SCOPED_TRACE(p.file);
        const Bitmap pic = Sample(p.file);
        const std::vector<FaceBox> faces = DetectFaces(pic);
        ASSERT_EQ(faces.size(), 1u);
        const FaceBox& face = faces[0];
        EXPECT_TRUE(face.X < p.faceX && p.faceX < face.X + face.W && face.Y < p.faceY &&
                    p.faceY < face.Y + face.H)
            << face.X << "," << face.Y << " " << face.W << "x" << face.H;
        EXPECT_EQ(DetectFaces(pic), faces); // the same every time: an export is repeatable
        for (const Frame f : kFrames)
            for (int slide = 0; slide < 4; ++slide) {
                SCOPED_TRACE(std::string(f.what) + " slide " + std::to_string(slide));
                const Motion m = AutomaticMotion(slide, f.W, f.H, pic.Width, pic.Height, faces);
                EXPECT_TRUE(EveryFrameHolds(m, f, pic, face));
                // It still zooms: in on even slides, out on odd ones.
                EXPECT_EQ(m.End.Z > m.Start.Z, slide % 2 == 0);
            }
    }
}

TEST(FaceMotion, AnUprightCropOfAWidePhotoCentresOnTheFaceNotTheMiddle) {
    // The footballer near the left of a landscape photo (its right part, from x = 150): the
    // middle of it holds no face.
    const Bitmap photo = Sample("messi5.jpg");
    Bitmap wide = Bitmap::CreateSized(photo.Width - 150, photo.Height);
    for (int y = 0; y < photo.Height; ++y)
        std::copy_n(photo.Row(y) + 3 * 150, 3 * wide.Width, wide.Row(y));
    const std::vector<FaceBox> faces = DetectFaces(wide);
    ASSERT_EQ(faces.size(), 1u);
    const FaceBox& face = faces[0];
    const Frame upright{1080, 1920, "9:16"};
    for (int slide = 0; slide < 2; ++slide) {
        const Motion plain = AutomaticMotion(slide, upright.W, upright.H, wide.Width, wide.Height);
        EXPECT_FALSE(EveryFrameHolds(plain, upright, wide, face)) << "the test proves nothing";
        const Motion framed =
            AutomaticMotion(slide, upright.W, upright.H, wide.Width, wide.Height, faces);
        EXPECT_TRUE(EveryFrameHolds(framed, upright, wide, face));
        // The close end of the zoom is centred on the face.
        const MotionState& close = slide % 2 == 0 ? framed.End : framed.Start;
        EXPECT_NEAR(close.Cx, face.X + face.W / 2, 1.0 / wide.Width);
    }
}

TEST(FaceMotion, NoFacesAreFoundWhereThereAreNone) {
    for (const char* file : {"fruits.jpg", "building.jpg", "baboon.jpg"})
        EXPECT_TRUE(DetectFaces(Sample(file)).empty()) << file;
    EXPECT_TRUE(DetectFaces(Bitmap()).empty());
}

} // namespace
