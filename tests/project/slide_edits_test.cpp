// The slide edits on real working files: crop, turns, light, colour, caption, the record fields
// each one owns, the copies kept beside the working file and a working file that cannot be
// replaced.
#include "imaging/BmpFile.h"
#include "imaging/TestBitmaps.h"
#include "project/ClipSlides.h"
#include "project/SlideEdits.h"
#include "project/TransitionChoice.h"

#include "GuiApp.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cmath>
#include <csignal>
#include <memory>

#include <sys/resource.h>

namespace slide_edits_test {

namespace {

using imaging::Bitmap;
using testbmp::At;
using testbmp::Px;

using testsupport::EnsureGuiApp;

Bitmap Solid(int w, int h, Px c) {
    Bitmap b = Bitmap::CreateSized(w, h);
    b.Fill(c.b, c.g, c.r);
    return b;
}

class SlideEditsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        photos.Resolution = "400x300";
    }
    // A slide whose working file holds the picture.
    std::size_t AddSlide(const Bitmap& picture) {
        const std::string path =
            dir.filePath(QString("w%1.bmp").arg(show.Slides.size())).toStdString();
        EXPECT_TRUE(imaging::SaveBmpFile(path, picture));
        project::Slide s = project::Slide::MakeDefault();
        s.WorkFile = path;
        show.Slides.push_back(s);
        return show.Slides.size() - 1;
    }
    Bitmap Work(std::size_t i) const {
        auto b = imaging::LoadBmpFile(show.Slides[i].WorkFile);
        EXPECT_TRUE(b) << b.error();
        return b ? std::move(*b) : Bitmap();
    }
    // The core's edit with this show's photo size.
    base::Status Edit(std::size_t i, const project::SlideEdit& edit, Bitmap* thumb = nullptr) {
        return project::ApplySlideEdit(show, i, edit, photos, thumb);
    }
    QTemporaryDir dir;
    project::ShowContent show;
    project::PhotoSettings photos;
};

TEST_F(SlideEditsTest, CropTakesTheRectangleInEitherOrderAndFitsAgain) {
    // Left half red, right half blue, 400 x 300 (already the output size).
    Bitmap picture = Solid(400, 300, {0, 0, 255});
    for (int y = 0; y < 300; ++y)
        for (int x = 200; x < 400; ++x)
            testbmp::Set(picture, x, y, {255, 0, 0});
    const auto a = AddSlide(picture);
    const auto b = AddSlide(picture);
    ASSERT_TRUE(Edit(a, project::CropEdit{220, 50, 320, 100}));
    ASSERT_TRUE(Edit(b, project::CropEdit{320, 100, 220, 50}));
    const Bitmap ca = Work(a);
    // 100 x 50 of the blue half, fitted again to the width 400.
    EXPECT_EQ(ca.Width, 400);
    EXPECT_EQ(ca.Height, 200);
    EXPECT_EQ(At(ca, 0, 0), (Px{255, 0, 0}));
    EXPECT_EQ(At(ca, 399, 199), (Px{255, 0, 0}));
    const Bitmap cb = Work(b);
    ASSERT_EQ(cb.Width, ca.Width);
    ASSERT_EQ(cb.Height, ca.Height);
    for (int y = 0; y < ca.Height; ++y)
        ASSERT_EQ(0, std::memcmp(ca.Row(y), cb.Row(y), static_cast<std::size_t>(ca.Width) * 3));
}

TEST_F(SlideEditsTest, CropIsClampedToThePictureAndAnEmptyOneKeepsIt) {
    const Bitmap picture = testbmp::Random(40, 30, 7);
    auto clamped = project::CropPicture(picture, {-10, -5, 10, 1000});
    ASSERT_TRUE(clamped);
    EXPECT_EQ(clamped->Width, 10);
    EXPECT_EQ(clamped->Height, 30);
    EXPECT_EQ(At(*clamped, 9, 29), At(picture, 9, 29));
    auto inner = project::CropPicture(picture, {5, 6, 8, 10});
    ASSERT_TRUE(inner);
    EXPECT_EQ(At(*inner, 0, 0), At(picture, 5, 6));
    EXPECT_EQ(At(*inner, 2, 3), At(picture, 7, 9));
    EXPECT_FALSE(project::CropPicture(picture, {5, 5, 5, 20}));    // a click, no drag
    EXPECT_FALSE(project::CropPicture(picture, {-20, 0, -1, 30})); // wholly in the bars
    EXPECT_FALSE(project::CropPicture(picture, {45, 0, 60, 30}));  // right of the picture

    const auto i = AddSlide(picture);
    EXPECT_FALSE(Edit(i, project::CropEdit{5, 5, 5, 20}));
    const Bitmap kept = Work(i);
    EXPECT_EQ(kept.Width, 40);
    EXPECT_EQ(At(kept, 39, 29), At(picture, 39, 29));
}

TEST_F(SlideEditsTest, TurnsTurnPhotoAndThumbnailAndAreCounted) {
    const Bitmap picture = testbmp::Random(3, 2, 11);
    const auto i = AddSlide(picture);
    Bitmap thumb = testbmp::Random(5, 4, 12);
    const Bitmap thumb0 = thumb;
    ASSERT_TRUE(Edit(i, project::TurnEdit{project::TurnKind::Right}, &thumb));
    Bitmap turned = Work(i);
    ASSERT_EQ(turned.Width, 2);
    ASSERT_EQ(turned.Height, 3);
    // Clockwise: the bottom-left pixel comes to the top-left.
    EXPECT_EQ(At(turned, 0, 0), At(picture, 0, 1));
    EXPECT_EQ(At(turned, 1, 0), At(picture, 0, 0));
    EXPECT_EQ(thumb.Width, 4);
    EXPECT_EQ(thumb.Height, 5);
    EXPECT_EQ(show.Slides[i].Picture.TurnCount, 1);

    ASSERT_TRUE(Edit(i, project::TurnEdit{project::TurnKind::Left}, &thumb));
    turned = Work(i);
    ASSERT_EQ(turned.Width, 3);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(At(turned, x, y), At(picture, x, y));
    EXPECT_EQ(At(thumb, 4, 3), At(thumb0, 4, 3));

    ASSERT_TRUE(Edit(i, project::TurnEdit{project::TurnKind::Mirror}));
    turned = Work(i);
    EXPECT_EQ(At(turned, 0, 1), At(picture, 2, 1));
    EXPECT_EQ(At(turned, 1, 1), At(picture, 1, 1));
    EXPECT_EQ(show.Slides[i].Picture.TurnCount, 3);
}

TEST_F(SlideEditsTest, LightRunsBrightnessThenContrastAboutTheNewMeanThenGamma) {
    // Channel values 40 and 80: brightness 50 adds 64 (104, 144; mean 124); contrast -25
    // halves the distance to that mean (114, 134); gamma 1.0 keeps them.
    Bitmap picture = Solid(2, 1, {40, 40, 40});
    testbmp::Set(picture, 1, 0, {80, 80, 80});
    const auto i = AddSlide(picture);
    Bitmap thumb = picture;
    show.Slides[i].Picture.Brightness = 50;
    ASSERT_TRUE(Edit(i, project::LightEdit{50, -25, 10.0}, &thumb));
    const Bitmap lit = Work(i);
    EXPECT_EQ(At(lit, 0, 0), (Px{114, 114, 114}));
    EXPECT_EQ(At(lit, 1, 0), (Px{134, 134, 134}));
    EXPECT_EQ(At(thumb, 0, 0), (Px{114, 114, 114}));
    // The pending value is spent: applying again would not double the effect.
    EXPECT_EQ(show.Slides[i].Picture.Brightness, 0);

    // Gamma 0.5 turns 128 into 64.
    const auto g = AddSlide(Solid(1, 1, {128, 128, 128}));
    ASSERT_TRUE(Edit(g, project::LightEdit{0, 0, 5.0}));
    EXPECT_EQ(At(Work(g), 0, 0), (Px{64, 64, 64}));
}

TEST_F(SlideEditsTest, ColourEffectsFollowTheirFormulas) {
    const Px colour{40, 100, 200}; // B, G, R
    const auto sepia = AddSlide(Solid(2, 2, colour));
    const auto negative = AddSlide(Solid(2, 2, colour));
    const auto bw = AddSlide(Solid(1, 1, {255, 255, 255}));
    const auto none = AddSlide(Solid(1, 1, colour));
    ASSERT_TRUE(Edit(sepia, project::ColorEdit{2}));
    ASSERT_TRUE(Edit(negative, project::ColorEdit{3}));
    ASSERT_TRUE(Edit(bw, project::ColorEdit{1}));
    ASSERT_TRUE(Edit(none, project::ColorEdit{0}));
    // s = 340 / 300; weights (109, 96, 63): R 123.5.. -> 124, G 108.8 -> 109, B 71.4 -> 71.
    EXPECT_EQ(At(Work(sepia), 1, 1), (Px{71, 109, 124}));
    EXPECT_EQ(At(Work(negative), 0, 0), (Px{215, 155, 55}));
    EXPECT_EQ(At(Work(bw), 0, 0), (Px{255, 255, 255}));
    EXPECT_EQ(At(Work(none), 0, 0), colour);
    EXPECT_FALSE(Edit(none, project::ColorEdit{4}));
}

TEST_F(SlideEditsTest, RecordOnlyEditsAndRangesRefused) {
    const auto i = AddSlide(Solid(1, 1, {1, 2, 3}));
    ASSERT_TRUE(Edit(i, project::BackgroundEdit{0x00336699}));
    ASSERT_TRUE(Edit(i, project::DurationEdit{42000}));
    EXPECT_EQ(show.Slides[i].BackColor, 0x00336699);
    EXPECT_EQ(show.Slides[i].StillMs, 42000);
    ASSERT_TRUE(Edit(i, project::DurationEdit{2500, 700}));
    EXPECT_EQ(show.Slides[i].TransitionMs, 700);
    EXPECT_FALSE(Edit(i, project::DurationEdit{-1}));
    EXPECT_FALSE(Edit(i, project::DurationEdit{1000, project::kMaxSlideMs + 1}));
    EXPECT_FALSE(Edit(i, project::LightEdit{101, 0, 10}));
    EXPECT_FALSE(Edit(i, project::LightEdit{0, 0, 70.5}));
    EXPECT_FALSE(Edit(5, project::DurationEdit{3000}));
    EXPECT_EQ(show.Slides[i].StillMs, 2500);
}

// A clip plays its trim: a duration edit sets its transition and gives it the still its trim
// leaves between the transitions around it, whatever still it names; FollowTrims gives that
// still again to a clip whose neighbour's transition changed, as a transition chosen does.
TEST_F(SlideEditsTest, AClipsStillFollowsItsTrimThroughEveryRetiming) {
    const auto photo = AddSlide(Solid(1, 1, {1, 2, 3}));
    show.Slides.push_back(show.Slides[photo]);
    project::Slide& clip = show.Slides.back();
    clip.Body = project::ClipSettings{"clip.mp4", "clip.mp4", 6000, 1000, 5000};
    clip.StillMs = 4000;
    const std::size_t c = show.Slides.size() - 1;
    ASSERT_TRUE(Edit(c, project::DurationEdit{2000, 500}));
    EXPECT_EQ(show.Slides[c].StillMs, 3500);
    EXPECT_EQ(show.Slides[c].TransitionMs, 500);
    ASSERT_TRUE(Edit(photo, project::DurationEdit{2000, 1000}));
    EXPECT_EQ(show.Slides[c].StillMs, 3500); // the photo's edit is the photo's alone
    EXPECT_EQ(project::FollowTrims(show), 1u);
    EXPECT_EQ(show.Slides[c].StillMs, 2500);
    EXPECT_EQ(project::FollowTrims(show), 0u);
    EXPECT_EQ(show.Slides[photo].StillMs, 2000);
    // A transition chosen for the photo brings the clip in longer: the clip's still gives way.
    ASSERT_TRUE(project::ApplyTransitionChoice(show, 0, {1, 2000, false}));
    EXPECT_EQ(show.Slides[c].StillMs, 1500);
    EXPECT_EQ(show.Slides[photo].StillMs, 2000);
}

// Motion lives in the extension and touches no file; a state out of range is refused whole.
TEST_F(SlideEditsTest, MotionEditStoresStatesAndRefusesOutOfRange) {
    const auto i = AddSlide(Solid(4, 3, {1, 2, 3}));
    const QByteArray bytes = [&] {
        QFile f(QString::fromStdString(show.Slides[i].WorkFile));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    imaging::Motion manual;
    manual.Mode = imaging::MotionMode::Manual;
    manual.Start = {0.5, 0.5, 1.0};
    manual.End = {0.3, 0.4, 1.6};
    manual.Easing = imaging::MotionEasing::Ease;
    ASSERT_TRUE(Edit(i, project::MotionEdit{manual}));
    EXPECT_EQ(show.Slides[i].Ext.Motion, manual);

    for (const imaging::MotionState bad :
         {imaging::MotionState{1.2, 0.5, 1.0}, imaging::MotionState{0.5, -0.1, 1.0},
          imaging::MotionState{0.5, 0.5, 0.9}, imaging::MotionState{0.5, 0.5, 10.5},
          imaging::MotionState{std::nan(""), 0.5, 1.0}}) {
        imaging::Motion m = manual;
        m.End = bad;
        EXPECT_FALSE(Edit(i, project::MotionEdit{m}));
    }
    imaging::Motion unknown = manual;
    unknown.Mode = static_cast<imaging::MotionMode>(7);
    EXPECT_FALSE(Edit(i, project::MotionEdit{unknown}));
    EXPECT_EQ(show.Slides[i].Ext.Motion, manual);

    // No motion forgets the states, so the slide needs no extension data again.
    imaging::Motion none = manual;
    none.Mode = imaging::MotionMode::None;
    ASSERT_TRUE(Edit(i, project::MotionEdit{none}));
    EXPECT_TRUE(show.Slides[i].Ext.IsDefault());
    QFile f(QString::fromStdString(show.Slides[i].WorkFile));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), bytes);
}

TEST_F(SlideEditsTest, AFailedWriteNamesTheFileAndKeepsPictureAndRecord) {
    const Bitmap picture = testbmp::Random(6, 4, 3);
    const auto i = AddSlide(picture);
    const std::string work = show.Slides[i].WorkFile;
    // The new picture is written beside the working file first; a file-size limit (as a full
    // disk would) stops it half-way.
    Bitmap thumb = testbmp::Random(3, 3, 4);
    const Bitmap thumb0 = thumb;
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto done = Edit(i, project::TurnEdit{project::TurnKind::Right}, &thumb);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    ASSERT_FALSE(done);
    // No half-written picture is left beside it.
    const QFileInfo info(QString::fromStdString(work));
    EXPECT_EQ(info.dir().entryList(QDir::Files | QDir::Hidden).filter(info.fileName()),
              QStringList{info.fileName()});
    EXPECT_NE(done.error().find(work), std::string::npos);
    const Bitmap kept = Work(i);
    EXPECT_EQ(kept.Width, 6);
    EXPECT_EQ(At(kept, 5, 3), At(picture, 5, 3));
    EXPECT_EQ(show.Slides[i].Picture.TurnCount, 0);
    EXPECT_EQ(At(thumb, 2, 0), At(thumb0, 2, 0));
}

TEST_F(SlideEditsTest, CaptionDrawsShadowThenColourAndStoresItsFields) {
    EnsureGuiApp();
    const Px grey{128, 128, 128};
    const auto i = AddSlide(Solid(300, 200, grey));
    project::CaptionEdit caption;
    caption.Text = "ЖЖ";
    caption.Size = 24;
    caption.Color = 0x0000FF; // red
    ASSERT_TRUE(Edit(i, caption));
    const Bitmap drawn = Work(i);
    int redMinX = 1000, redMinY = 1000, redMaxX = -1, redMaxY = -1;
    int blackMaxX = -1, blackMaxY = -1, blackMinX = 1000;
    for (int y = 0; y < drawn.Height; ++y)
        for (int x = 0; x < drawn.Width; ++x) {
            const Px p = At(drawn, x, y);
            if (p == Px{0, 0, 255}) {
                redMinX = std::min(redMinX, x);
                redMinY = std::min(redMinY, y);
                redMaxX = std::max(redMaxX, x);
                redMaxY = std::max(redMaxY, y);
            } else if (p == Px{0, 0, 0}) {
                blackMinX = std::min(blackMinX, x);
                blackMaxX = std::max(blackMaxX, x);
                blackMaxY = std::max(blackMaxY, y);
            }
        }
    ASSERT_GE(redMaxX, 0) << "no red text drawn";
    ASSERT_GE(blackMaxX, 0) << "no black shadow drawn";
    // The colour sits 24 / 12 = 2 pixels up and left of the black text cell at (12, 12).
    EXPECT_EQ(blackMaxX - redMaxX, 2);
    EXPECT_EQ(blackMaxY - redMaxY, 2);
    EXPECT_GE(redMinX, 10);
    EXPECT_LE(redMinX, 13);
    EXPECT_GE(blackMinX, 12);
    EXPECT_GE(redMinY, 10);
    EXPECT_LE(redMinY, 10 + 32); // within the 32-pixel text cell
    EXPECT_EQ(At(drawn, 299, 199), grey);
    EXPECT_EQ(show.Slides[i].Caption.Text, caption.Text);
    EXPECT_EQ(show.Slides[i].Caption.Color, 0x0000FF);

    // Bottom-right places the text cell 12 pixels inside that corner.
    const auto j = AddSlide(Solid(300, 200, grey));
    caption.HAlign = 3;
    caption.VAlign = 3;
    ASSERT_TRUE(Edit(j, caption));
    const Bitmap corner = Work(j);
    int maxX = -1, maxY = -1;
    for (int y = 0; y < corner.Height; ++y)
        for (int x = 0; x < corner.Width; ++x)
            if (At(corner, x, y) == Px{0, 0, 0}) {
                maxX = std::max(maxX, x);
                maxY = std::max(maxY, y);
            }
    EXPECT_LE(maxX, 300 - 12);
    EXPECT_GT(maxX, 300 - 12 - 6);
    EXPECT_LE(maxY, 200 - 12);
    EXPECT_GT(maxY, 200 - 12 - 16);
}

// Captions in any script: letters the chosen font lacks (Greek and CJK in "Arial", which is
// Liberation Sans here) are drawn through the system's font fallback, each as its own glyph and
// not as the same missing-glyph box; text that is not UTF-8 or is too long is refused.
TEST_F(SlideEditsTest, CaptionsDrawAnyScriptThroughFontFallback) {
    EnsureGuiApp();
    const Px grey{128, 128, 128};
    const Bitmap blank = Solid(200, 120, grey);
    const auto drawn = [&](const char* utf8) {
        Bitmap picture = blank;
        project::CaptionEdit caption;
        caption.Text = utf8;
        caption.Font = "Arial";
        caption.Size = 40;
        imaging::DrawCaption(picture, project::LookOf(caption));
        return picture.CopyToImage();
    };
    const QImage none = blank.CopyToImage();
    for (const auto& [a, b] : {std::pair{"Ж", "Щ"}, {"λ", "Ω"}, {"東", "京"}, {"é", "ü"}}) {
        SCOPED_TRACE(a);
        const QImage first = drawn(a), second = drawn(b);
        EXPECT_NE(first, none) << "nothing drawn";
        EXPECT_NE(first, second) << "both drawn as the same box";
    }

    project::CaptionEdit bad;
    bad.Text = "caf\xe9"; // Latin-1, not UTF-8
    EXPECT_FALSE(project::ValidateEdit(bad));
    project::CaptionEdit longest;
    longest.Text.clear();
    for (int k = 0; k < imaging::kMaxCaptionCharacters; ++k)
        longest.Text += "東"; // 3 bytes each: the limit counts characters, not bytes
    EXPECT_TRUE(project::ValidateEdit(longest));
    longest.Text += "x";
    EXPECT_FALSE(project::ValidateEdit(longest));
}

} // namespace

} // namespace slide_edits_test
