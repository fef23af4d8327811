// No jump at a cut: for every transition kind, drawn by either of the renderer's drivers (a whole
// second steps the classic kinds as ever; 1.4 s draws every kind frame by frame), between two
// photos of fine detail drawn from their originals by the export's sharp fit, the transition's
// first frame is the still before it, and every frame of it is its kind's mix of the two stills
// at its time, so that it ends on the still after it; a cross-fade is a + (b - a) t. (Kind 1 is a
// cut to the slide's colour by its definition: it is held to its mix alone.)
#include "GuiApp.h"
#include "imaging/Bitmap.h"
#include "imaging/SmoothTransition.h"
#include "imaging/TransitionFrame.h"
#include "imaging/TransitionKinds.h"
#include "media/video/SharpFit.h"
#include "project/Import.h"
#include "render/FrameRenderer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace transition_cut_test {

// The largest difference of a channel between two pictures of the same size.
int LargestDifference(const imaging::Bitmap& a, const imaging::Bitmap& b) {
    int most = 0;
    for (int y = 0; y < a.Height; ++y)
        for (int x = 0; x < 3 * a.Width; ++x)
            most = std::max(most, std::abs(a.Row(y)[x] - b.Row(y)[x]));
    return most;
}

struct Cut {
    int Code;
    std::int64_t Ms;
};

std::string Name(const testing::TestParamInfo<Cut>& info) {
    return "kind" + std::to_string(info.param.Code) + "_" + std::to_string(info.param.Ms) + "ms";
}

class TransitionCutTest : public testing::TestWithParam<Cut> {
protected:
    static void SetUpTestSuite() {
        testsupport::EnsureGuiApp();
        dir = new QTemporaryDir;
        const std::string root = dir->path().toStdString() + "/";
        ASSERT_TRUE(QDir().mkpath(dir->filePath("pictures")));
        files = new project::WorkFiles(root + "pictures/", root + "music/", 4);
        show = new project::ShowContent;
        // Two 1600 x 1200 photos with detail at every scale (a fine checker and thin lines over
        // soft bands), larger than their working pictures, on different colours.
        for (int p = 0; p < 2; ++p) {
            QImage photo(1600, 1200, QImage::Format_RGB888);
            for (int y = 0; y < photo.height(); ++y)
                for (int x = 0; x < photo.width(); ++x) {
                    const int fine = ((x + y * (p + 1)) % 3 == 0) * 90;
                    const int band = ((x / 37 + y / (23 + p)) % 2) * 70;
                    photo.setPixel(x, y, qRgb(40 + fine + band, 200 - fine - p * 60, 90 + band));
                }
            const std::string path = dir->filePath(QString("photo%1.png").arg(p)).toStdString();
            ASSERT_TRUE(photo.save(QString::fromStdString(path)));
            project::PhotoSettings photos;
            const auto added =
                project::AddPhoto(*show, *files, photos, path, {}, project::FaceSearch::Skip,
                                  project::OriginalCopy::Keep);
            ASSERT_TRUE(project::Added(added)) << project::WhyNot(added);
            ASSERT_TRUE(show->Slides.back().Original());
            show->Slides.back().StillMs = 1000;
        }
        show->Slides[0].BackColor = 0x00203040;
        show->Slides[1].BackColor = 0x00605040;
    }
    static void TearDownTestSuite() {
        delete show;
        delete files;
        delete dir;
    }

    static QTemporaryDir* dir;
    static project::WorkFiles* files;
    static project::ShowContent* show;
};

QTemporaryDir* TransitionCutTest::dir = nullptr;
project::WorkFiles* TransitionCutTest::files = nullptr;
project::ShowContent* TransitionCutTest::show = nullptr;

TEST_P(TransitionCutTest, TheTransitionLeadsFromOneStillToTheNext) {
    const Cut cut = GetParam();
    std::vector<project::Slide> slides = show->Slides;
    project::Slide& a = slides[0];
    a.TransitionMs = cut.Ms;
    a.TransitionKind = imaging::NearestClassicKind(cut.Code);
    a.Ext.TransitionKind = imaging::IsSmoothTransition(cut.Code) ? cut.Code : 0;

    render::RenderOptions options;
    options.Rate = render::FrameRate::Fps(25);
    options.Fit = media::ComposeSharp;
    options.Scale = media::ScaleSharp;
    options.ScratchPath = dir->filePath("incoming.bmp").toStdString();
    render::FrameRenderer renderer(slides, options);
    ASSERT_EQ(renderer.OwnTransition(0), cut.Ms % 1000 != 0 || cut.Code >= 14);
    const render::SlideSpan& span = renderer.Spans()[0];
    ASSERT_GT(span.End - span.Cut, 10);

    const auto frameAt = [&](std::int64_t n) {
        imaging::Bitmap frame = imaging::Bitmap::CreateSized(480, 270);
        renderer.Render(frame, n);
        return frame;
    };
    const imaging::Bitmap before = frameAt(span.Cut - 1);
    std::vector<imaging::Bitmap> frames;
    for (std::int64_t n = span.Cut; n < span.End; ++n)
        frames.push_back(frameAt(n));
    const imaging::Bitmap after = frameAt(span.End);

    // Kind 1 cuts to the slide's colour for its whole length, by its definition.
    if (cut.Code != imaging::kTransitionBackground) {
        EXPECT_LE(LargestDifference(before, frames.front()), 1) << "a jump at the cut into it";
    }
    // Each frame is the kind's mix at its time of the two stills as they are shown.
    imaging::MovingSlide outgoing, incoming;
    outgoing.Picture = &before;
    outgoing.BackColor = render::FrameColor(a.BackColor);
    incoming.Picture = &after;
    incoming.BackColor = render::FrameColor(slides[1].BackColor);
    imaging::Bitmap want = imaging::Bitmap::CreateSized(480, 270), scratch;
    const double d = static_cast<double>(cut.Ms) / 1000.0;
    for (std::size_t k = 0; k < frames.size(); ++k) {
        const auto n = span.Cut + static_cast<std::int64_t>(k);
        const double t =
            static_cast<double>(render::ShowTimeline::MsOfFrame(n, options.Rate) - span.CutMs) /
            1000.0;
        imaging::ComposeTransitionFrame(want, outgoing, incoming, cut.Code, t, d, scratch);
        ASSERT_LE(LargestDifference(want, frames[k]), 1) << "frame " << k << " at " << t << " s";
        if (cut.Code == imaging::kTransitionCrossfade) {
            const double w = imaging::TransitionProgress(t, d);
            for (int y = 0; y < want.Height; ++y)
                for (int x = 0; x < 3 * want.Width; ++x)
                    ASSERT_NEAR(frames[k].Row(y)[x],
                                before.Row(y)[x] + (after.Row(y)[x] - before.Row(y)[x]) * w, 1.0)
                        << "frame " << k << " at " << x / 3 << "," << y;
        }
    }
}

std::vector<Cut> EveryKind() {
    std::vector<Cut> cuts;
    for (int code = 0; code < imaging::kTransitionCodes; ++code)
        for (const std::int64_t ms : {1000, 1400})
            if (code < 14 || ms == 1400)
                cuts.push_back({code, ms});
    return cuts;
}

INSTANTIATE_TEST_SUITE_P(EveryKind, TransitionCutTest, testing::ValuesIn(EveryKind()), Name);

} // namespace transition_cut_test
