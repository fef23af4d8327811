// A show saved before originals were kept finds them again on disk: each file is matched to the
// photo whose working picture it makes (turned as the photo was, its caption drawn on), a photo
// whose working picture holds an edit the steps cannot say keeps it, and the refit draws the
// matched photos again at a new size as one step that undo takes back whole.
#include "GuiApp.h"
#include "imaging/BmpFile.h"
#include "imaging/Compose.h"
#include "project/Import.h"
#include "project/OriginalMatch.h"
#include "project/PhotoRefit.h"
#include "project/ShowSession.h"
#include "project/SlideEdits.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdlib>

namespace photo_refit_test {

using namespace project;

// A picture of its own: a gradient in the seed's colours with a disc where the seed puts it.
QImage Picture(int w, int h, int seed) {
    QImage image(w, h, QImage::Format_RGB888);
    QLinearGradient gradient(0, 0, w, h);
    gradient.setColorAt(0, QColor::fromHsv((seed * 70) % 360, 200, 230));
    gradient.setColorAt(1, QColor::fromHsv((seed * 70 + 150) % 360, 160, 60));
    QPainter painter(&image);
    painter.fillRect(image.rect(), gradient);
    painter.setBrush(QColor::fromHsv((seed * 70 + 90) % 360, 255, 255));
    painter.drawEllipse(QPointF(w * (0.2 + 0.15 * seed), h * 0.35), w * 0.12, w * 0.12);
    return image;
}

double MeanDifference(const imaging::Bitmap& a, const imaging::Bitmap& b) {
    EXPECT_EQ(a.Width, b.Width);
    EXPECT_EQ(a.Height, b.Height);
    double sum = 0;
    for (int y = 0; y < a.Height; ++y)
        for (int x = 0; x < 3 * a.Width; ++x)
            sum += std::abs(a.Row(y)[x] - b.Row(y)[x]);
    return sum / (3.0 * a.Width * a.Height);
}

class PhotoRefitTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::EnsureGuiApp(); // captions are laid out with the system's fonts
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(session.Open(dir.path().toStdString()).ok());
        photos.Resolution = "320x240";
        ASSERT_TRUE(session.History().Apply({edit::SetPhotoSettings{photos}}, "photo size"));
        ASSERT_TRUE(QDir().mkpath(dir.filePath("album")));
        ASSERT_TRUE(Picture(800, 600, 1).save(Album("harbour.png")));
        ASSERT_TRUE(Picture(600, 800, 2).save(Album("tower.jpg"), nullptr, 92));
        ASSERT_TRUE(Picture(800, 600, 3).save(Album("beach.png")));
        ASSERT_TRUE(Picture(800, 600, 4).save(Album("other.png"))); // in no slide
        QFile broken(Album("broken.jpg"));
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write("\xFF\xD8\xFF\xE0 not a photo");
        broken.close();
        // The show as a program that kept no originals made it.
        for (const char* name : {"harbour.png", "tower.jpg", "beach.png"}) {
            ShowContent scratch;
            auto added = AddPhoto(scratch, session.Files(), photos, Album(name).toStdString());
            ASSERT_TRUE(Added(added)) << WhyNot(added);
            ASSERT_FALSE(scratch.Slides.back().Original());
            ASSERT_TRUE(session.History().Apply(
                {edit::InsertSlide{session.Show().Slides().size(), scratch.Slides.back()}}, "add"));
        }
        Slide turned = Slides()[0];
        ASSERT_TRUE(EditSlide(turned, TurnEdit{TurnKind::Right}, photos));
        CaptionEdit caption;
        caption.Text = "Harbour";
        caption.Color = 0x00FFFF; // yellow
        caption.VAlign = 3;
        ASSERT_TRUE(EditSlide(turned, caption, photos));
        Slide brighter = Slides()[2];
        ASSERT_TRUE(EditSlide(brighter, LightEdit{40, 0, 10.0}, photos));
        ASSERT_TRUE(session.History().Apply(
            {edit::SetSlide{0, std::move(turned)}, edit::SetSlide{2, std::move(brighter)}},
            "edit"));
    }
    QString Album(const char* name) { return dir.filePath(QString("album/") + name); }
    const std::vector<Slide>& Slides() { return session.Show().Slides(); }
    QStringList PicturesOnDisk() {
        return QDir(QString::fromStdString(session.Files().PicturesDir())).entryList(QDir::Files);
    }

    QTemporaryDir dir;
    ShowSession session;
    PhotoSettings photos;
};

TEST_F(PhotoRefitTest, OriginalsFoundOnDiskAreDrawnAtTheNewSizeAsOneStep) {
    base::NoProgress progress;
    auto search =
        FindOriginals(Slides(), PhotosInFolder(dir.filePath("album").toStdString()), progress);
    ASSERT_TRUE(search) << search.error();
    EXPECT_EQ(search->Looked, 3u);
    EXPECT_EQ(search->Unreadable, 1u);
    // The turned and captioned harbour and the untouched tower are found; the brightened beach,
    // whose working picture says more than its file, is not.
    ASSERT_EQ(search->Found.size(), 2u);
    const FoundOriginal& harbour = search->Found[0];
    EXPECT_EQ(harbour.Slide, 0u);
    EXPECT_EQ(harbour.File, Album("harbour.png").toStdString());
    ASSERT_EQ(harbour.Steps.size(), 2u);
    EXPECT_EQ(std::get<TurnEdit>(harbour.Steps[0]).Turn, TurnKind::Right);
    EXPECT_EQ(std::get<CaptionStep>(harbour.Steps[1]).Caption.Text, "Harbour");
    EXPECT_EQ(search->Found[1].Slide, 1u);
    EXPECT_EQ(search->Found[1].File, Album("tower.jpg").toStdString());
    EXPECT_TRUE(search->Found[1].Steps.empty());

    const std::vector<Slide> before = Slides();
    const auto oldHarbour = imaging::LoadBmpFile(before[0].WorkFile);
    ASSERT_TRUE(oldHarbour);
    RefitOptions options;
    options.Photos.Resolution = "640x480";
    options.Attach = search->Found;
    options.KeepFolder = session.History().KeepFolder();
    auto refit = RefitPhotos(Slides(), session.Show().Photos(), session.Files(), options, progress);
    ASSERT_TRUE(refit) << refit.error();
    EXPECT_EQ(refit->Attached, 2u);
    EXPECT_EQ(refit->Redrawn, 2u);
    EXPECT_EQ(refit->Kept, 1u);
    ASSERT_TRUE(
        session.History().Apply(std::move(refit->Edits), "refit", std::move(refit->Pictures)));

    EXPECT_EQ(session.Show().Photos().Resolution, "640x480");
    ASSERT_FALSE(Slides()[0].DrawableOriginal().empty());
    EXPECT_EQ(Slides()[0].Original()->Name, "harbour.png");
    EXPECT_EQ(Slides()[0].WorkFile, before[0].WorkFile); // its cell keeps its number
    const auto newHarbour = imaging::LoadBmpFile(Slides()[0].WorkFile);
    ASSERT_TRUE(newHarbour);
    EXPECT_EQ(newHarbour->Width, 360); // the turned 600 x 800 fitted to 640 x 480
    EXPECT_EQ(newHarbour->Height, 480);
    // The same picture, caption and all, at twice the size.
    EXPECT_LT(
        MeanDifference(imaging::ReduceByArea(*newHarbour, oldHarbour->Width, oldHarbour->Height),
                       *oldHarbour),
        4.0);
    EXPECT_EQ(Slides()[2], before[2]); // kept as it was

    ASSERT_TRUE(session.History().Undo().ok());
    EXPECT_EQ(Slides(), before);
    EXPECT_EQ(session.Show().Photos().Resolution, "320x240");
    const auto undone = imaging::LoadBmpFile(Slides()[0].WorkFile);
    ASSERT_TRUE(undone);
    EXPECT_EQ(MeanDifference(*undone, *oldHarbour), 0.0);
}

TEST_F(PhotoRefitTest, ACancelledRefitLeavesNoFileBehind) {
    const QStringList onDisk = PicturesOnDisk();
    base::NoProgress progress;
    RefitOptions options;
    options.Photos.Resolution = "640x480";
    auto search = FindOriginals(
        Slides(), {Album("harbour.png").toStdString(), Album("tower.jpg").toStdString()}, progress);
    ASSERT_TRUE(search);
    options.Attach = search->Found;
    options.KeepFolder = session.History().KeepFolder();
    // Stops after the first photo was drawn: what it made is taken away again.
    struct StopAfterOne : base::Progress {
        int items = 0;
        void SetItem(int, int) override {
            if (++items == 2)
                RequestCancel();
        }
    } stop;
    auto refit = RefitPhotos(Slides(), session.Show().Photos(), session.Files(), options, stop);
    EXPECT_FALSE(refit);
    EXPECT_EQ(PicturesOnDisk(), onDisk);
}

} // namespace photo_refit_test
