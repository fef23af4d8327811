// The one renderer drawn in any order: every frame of a saved show with motion, blends, a
// push, an iris, a soft wipe and a classic wipe, drawn one by one in a shuffled order by fresh
// renderers and by a renderer reused across jumps, is the frame the export's sequence draws.
#include "Outcomes.h"
#include "imaging/BmpFile.h"
#include "imaging/FaceDetect.h"
#include "imaging/ImageLoad.h"
#include "imaging/MotionRender.h"
#include "media/music/TrackImport.h"
#include "media/video/SharpFit.h"
#include "project/Import.h"
#include "project/ProjectFile.h"
#include "project/ProjectOpen.h"
#include "project/ShowSession.h"
#include "render/FrameRenderer.h"
#include "render/PreviewFrames.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace frame_renderer_test {

bool SameBits(const imaging::Bitmap& a, const imaging::Bitmap& b) {
    for (int y = 0; y < a.Height; ++y)
        if (std::memcmp(a.Row(y), b.Row(y), static_cast<std::size_t>(a.Width) * 3) != 0)
            return false;
    return true;
}

// The saved show with motion, blends and classic wipes, loaded into the session.
void LoadSavedShow(project::ShowSession& session) {
    ASSERT_TRUE(session.Open());
    project::OpenImport importer;
    importer.AddPhoto = [](project::ShowContent& into, const project::WorkFiles& files,
                           const project::PhotoSettings& photos, const std::string& p) {
        return project::StatusOf(project::AddPhoto(into, files, photos, p));
    };
    importer.AddTrack = [](project::ShowContent& into, const project::WorkFiles& files,
                           const std::string& p) {
        return project::StatusOf(media::LoadTrack(into, files, p));
    };
    base::NoProgress quiet;
    const auto loaded = project::OpenProjectOver(
        session, REELPANE_TEST_SOURCE_DIR "/tests/data/saved_show/show.qvs", quiet, importer);
    ASSERT_EQ(outcomes::OutcomeOf(loaded), project::LoadOutcome::Loaded)
        << outcomes::ErrorOf(loaded);
}

TEST(FrameRenderer, AnyFrameInAnyOrderIsTheFrameOfTheSequence) {
    project::ShowSession session;
    LoadSavedShow(session);
    const project::ShowModel& show = session.Show();
    // Small frames: a frame drawn out of order steps its classic transition again from the cut,
    // so the test's time grows with the square of the frames, and the pixels count in each step.
    constexpr int kWidth = 160, kHeight = 90;

    for (const bool sharp : {false, true}) {
        SCOPED_TRACE(sharp ? "sharp fit" : "composed as the preview");
        render::RenderOptions options;
        options.Rate = render::FrameRate::Fps(sharp ? 30 : 25);
        if (sharp)
            options.Fit = media::ComposeSharp;
        options.ScratchPath = session.Folders().PicturesDir() + "incoming.bmp";
        render::FrameRenderer walk(show.Slides(), options);
        const std::int64_t count = walk.FrameCount();
        ASSERT_GT(count, 100);
        std::vector<imaging::Bitmap> sequence;
        imaging::Bitmap frame = imaging::Bitmap::CreateSized(kWidth, kHeight);
        for (std::int64_t n = 0; n < count; ++n) {
            walk.Render(frame, n);
            sequence.push_back(frame);
        }
        std::vector<std::int64_t> order(static_cast<std::size_t>(count));
        for (std::int64_t n = 0; n < count; ++n)
            order[static_cast<std::size_t>(n)] = n;
        std::mt19937 random(7);
        std::shuffle(order.begin(), order.end(), random);
        render::FrameRenderer jumping(show.Slides(), options);
        for (std::size_t k = 0; k < order.size(); ++k) {
            const std::int64_t n = order[k];
            imaging::Bitmap drawn = imaging::Bitmap::CreateSized(kWidth, kHeight);
            ASSERT_TRUE(jumping.Render(drawn, n));
            ASSERT_TRUE(SameBits(drawn, sequence[static_cast<std::size_t>(n)])) << "frame " << n;
            if (k % 16 == 0) { // and now and then by a renderer of its own
                render::FrameRenderer fresh(show.Slides(), options);
                imaging::Bitmap alone = imaging::Bitmap::CreateSized(kWidth, kHeight);
                ASSERT_TRUE(fresh.Render(alone, n));
                ASSERT_TRUE(SameBits(alone, sequence[static_cast<std::size_t>(n)]))
                    << "frame " << n << " drawn alone";
            }
        }
    }
}

// The preview's frames drawn ahead on a worker are the renderer's frames, taken in the order a
// clock asks for them: on time, after a pause, after a jump ahead and after one back; frames the
// clock passed are dropped, and a preview stopped while its worker draws ends at once.
TEST(PreviewFrames, TheClocksFrameIsTheRenderersFrame) {
    project::ShowSession session;
    LoadSavedShow(session);
    const project::ShowModel& show = session.Show();
    const auto rate = render::FrameRate::Fps(60);
    render::RenderOptions options;
    options.Rate = rate;
    options.ScratchPath = session.Folders().PicturesDir() + "expected.bmp";
    render::FrameRenderer expected(show.Slides(), options);
    render::PreviewFrames frames(show.Slides(), 160, 90, rate,
                                 session.Folders().PicturesDir() + "preview.bmp");
    ASSERT_EQ(frames.FrameCount(), expected.FrameCount());
    for (const std::int64_t n : {0, 1, 2, 3, 9, 10, 400, 401, 130, 131, 779}) {
        ASSERT_TRUE(frames.WaitFor(n, 10000)) << n;
        auto frame = frames.Take(n);
        ASSERT_TRUE(frame) << n;
        EXPECT_EQ(frame->Index, n);
        imaging::Bitmap want = imaging::Bitmap::CreateSized(160, 90);
        expected.Render(want, n);
        EXPECT_TRUE(SameBits(frame->Picture, want)) << "frame " << n;
        frames.Recycle(std::move(frame->Picture));
        EXPECT_FALSE(frames.Take(n - 1)); // what the clock has passed is gone
    }
    // Jumps were not drawn frame by frame: far fewer frames than the show has.
    EXPECT_LT(frames.Drawn(), 200);
    render::PreviewFrames stopped(show.Slides(), 640, 360, rate,
                                  session.Folders().PicturesDir() + "stopped.bmp");
}

// A slide that moves automatically is framed on its faces in the renderer's frames: found on the
// working picture when the show does not hold them (one saved before they were looked for), not
// looked for when the show says the picture was searched and has none.
TEST(FrameRenderer, AutomaticMotionFramesTheFacesOfTheWorkingPicture) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto photo = imaging::LoadImageFile("/usr/share/doc/opencv-doc/examples/data/messi5.jpg");
    ASSERT_TRUE(photo) << photo.error();
    const std::string work = dir.filePath("photo.bmp").toStdString();
    ASSERT_TRUE(imaging::SaveBmpFile(work, *photo));
    const std::vector<imaging::FaceBox> faces = imaging::DetectFaces(*photo);
    ASSERT_FALSE(faces.empty());

    project::Slide slide = project::Slide::MakeDefault();
    slide.WorkFile = work;
    slide.StillMs = 2000;
    slide.Ext.Motion.Mode = imaging::MotionMode::Auto;
    const auto drawn = [&](const std::vector<project::Slide>& slides,
                           const std::vector<imaging::FaceBox>& framedOn) {
        render::RenderOptions options;
        options.Rate = render::FrameRate::Fps(30);
        options.ScratchPath = dir.filePath("incoming.bmp").toStdString();
        render::FrameRenderer renderer(slides, options);
        imaging::Bitmap frame = imaging::Bitmap::CreateSized(180, 320); // upright
        EXPECT_TRUE(renderer.Render(frame, 45));
        imaging::Bitmap want = imaging::Bitmap::CreateSized(180, 320);
        imaging::ComposeMovingPhoto(want, *photo, renderer.BackColor(0), slide.Ext.Motion,
                                    render::ShowTimeline::MotionProgress(renderer.Spans(), 0, 45),
                                    0, framedOn);
        EXPECT_TRUE(SameBits(frame, want));
        return frame;
    };
    const imaging::Bitmap framed = drawn({slide}, faces);
    slide.Photo()->Faces = std::vector<imaging::FaceBox>{};
    const imaging::Bitmap plain = drawn({slide}, {});
    EXPECT_FALSE(SameBits(framed, plain)) << "the faces change nothing";
}

} // namespace frame_renderer_test
