// A collage lays its photos out in cells that stay inside the frame and apart by the gap, in every
// layout and frame shape; each photo fills its own cell and no other, the gaps show the slide's
// background, and the motion inside a cell keeps the photo's faces whole.
#include "GuiApp.h"
#include "imaging/AutoMotion.h"
#include "imaging/BmpFile.h"
#include "project/CollageDrawing.h"
#include "project/CollageSlides.h"
#include "project/ShowSession.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <cstdlib>

namespace collage_test {

using namespace project;

struct Shape {
    int Width, Height;
};
constexpr Shape kShapes[] = {{1920, 1080}, {1080, 1920}, {1080, 1080}};
constexpr CollageLayout kLayouts[] = {CollageLayout::Side, CollageLayout::Stack,
                                      CollageLayout::Grid, CollageLayout::Feature};

TEST(CollageTest, CellsStayInsideTheFrameApartByTheGap) {
    for (const Shape shape : kShapes)
        for (const CollageLayout layout : kLayouts)
            for (std::size_t n = kMinCollagePhotos; n <= kMaxCollagePhotos; ++n) {
                SCOPED_TRACE(std::string(CollageLayoutName(layout)) + " " + std::to_string(n) +
                             " " + std::to_string(shape.Width) + "x" +
                             std::to_string(shape.Height));
                const int w = shape.Width / 4, h = shape.Height / 4; // small enough to paint
                const auto cells = CollageCells(layout, n, w, h, 50);
                ASSERT_EQ(cells.size(), n);
                const int g = static_cast<int>(std::lround(0.05 * std::min(w, h)));
                // Each pixel belongs to at most one cell, grown by the gap less one pixel on each
                // side: cells closer than the gap would overlap once grown.
                std::vector<int> owner(static_cast<std::size_t>(w * h), -1);
                long covered = 0;
                for (std::size_t k = 0; k < n; ++k) {
                    const CollageCell& c = cells[k];
                    ASSERT_GE(c.X, g);
                    ASSERT_GE(c.Y, g);
                    ASSERT_LE(c.X + c.Width, w - g);
                    ASSERT_LE(c.Y + c.Height, h - g);
                    covered += static_cast<long>(c.Width) * c.Height;
                    const int grow = (g - 1) / 2;
                    for (int y = std::max(0, c.Y - grow); y < std::min(h, c.Y + c.Height + grow);
                         ++y)
                        for (int x = std::max(0, c.X - grow); x < std::min(w, c.X + c.Width + grow);
                             ++x) {
                            int& o = owner[static_cast<std::size_t>(y * w + x)];
                            ASSERT_EQ(o, -1) << "cells " << o << " and " << k << " too close";
                            o = static_cast<int>(k);
                        }
                }
                // The cells fill the frame but for the gaps.
                EXPECT_GT(covered, static_cast<long>(w - 2 * g) * (h - 2 * g) * 3 / 4);
                if (layout == CollageLayout::Feature && n > 2) {
                    for (std::size_t k = 1; k < n; ++k)
                        EXPECT_GT(cells[0].Width * cells[0].Height,
                                  cells[k].Width * cells[k].Height);
                }
            }
    EXPECT_TRUE(CollageCells(CollageLayout::Grid, 5, 100, 100, 20).empty());
    EXPECT_TRUE(CollageCells(CollageLayout::Side, 4, 3, 100, 20).empty());
}

class CollageSlidesTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::EnsureGuiApp();
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(session.Open(dir.path().toStdString()).ok());
    }

    // A photo file of one flat colour.
    std::string FlatPhoto(const QString& name, QColor color, int w, int h) {
        QImage image(w, h, QImage::Format_RGB888);
        image.fill(color);
        const QString path = dir.filePath(name);
        EXPECT_TRUE(image.save(path));
        return path.toStdString();
    }

    QTemporaryDir dir;
    ShowSession session;
};

TEST_F(CollageSlidesTest, EachPhotoFillsItsCellAndTheGapsShowTheBackground) {
    const QColor colors[] = {QColor(200, 30, 30), QColor(30, 200, 30), QColor(30, 30, 200),
                             QColor(220, 220, 40)};
    std::vector<std::string> files;
    for (int k = 0; k < 4; ++k)
        files.push_back(
            FlatPhoto(QString("flat%1.png").arg(k), colors[k], 400 + 200 * k, 300 + 100 * (3 - k)));
    PhotoSettings photos;
    photos.BackColor = 0x101010;
    auto made = MakeCollageFromFiles(files, CollageLayout::Grid, session.Files(), photos);
    ASSERT_TRUE(made) << made.error();
    ASSERT_TRUE(made->Collage());
    EXPECT_EQ(made->Collage()->Photos.size(), 4u);
    EXPECT_EQ(made->Collage()->Photos[2].Name, "flat2.png");
    EXPECT_EQ(made->BackColor, 0x101010);
    // The record's picture is drawn at the photo size.
    const auto record = imaging::LoadBmpFile(made->WorkFile);
    ASSERT_TRUE(record);
    EXPECT_GT(record->Width, 0);

    std::vector<imaging::Bitmap> pictures;
    std::vector<CollagePicture> shown;
    for (const Shape shape : kShapes) {
        const auto cells = CollageCells(CollageLayout::Grid, 4, shape.Width / 2, shape.Height / 2,
                                        made->Collage()->Gap);
        ASSERT_EQ(cells.size(), 4u);
        pictures.clear();
        shown.clear();
        for (std::size_t k = 0; k < 4; ++k) {
            auto p = DrawCollagePhoto(made->Collage()->Photos[k], cells[k].Width, cells[k].Height);
            ASSERT_TRUE(p) << p.error();
            pictures.push_back(std::move(*p));
        }
        for (auto& p : pictures)
            shown.push_back({&p, nullptr});
        imaging::Bitmap frame = imaging::Bitmap::CreateSized(shape.Width / 2, shape.Height / 2);
        for (const double u : {0.0, 0.5, 1.0}) {
            DrawCollage(frame, *made->Collage(), shown, u, made->BackColor);
            const QImage image = frame.CopyToImage();
            const auto near = [](QColor a, QColor b) {
                return std::abs(a.red() - b.red()) <= 3 && std::abs(a.green() - b.green()) <= 3 &&
                       std::abs(a.blue() - b.blue()) <= 3;
            };
            for (std::size_t k = 0; k < 4; ++k) {
                const CollageCell& c = cells[k];
                // Every pixel of the cell is its photo's colour: the photo covers it all the
                // time it moves.
                for (int y = c.Y; y < c.Y + c.Height; y += 7)
                    for (int x = c.X; x < c.X + c.Width; x += 7)
                        ASSERT_TRUE(near(image.pixelColor(x, y), colors[k]))
                            << "cell " << k << " at " << x << "," << y << " u " << u;
                // Just outside it, the gap's background.
                ASSERT_TRUE(
                    near(image.pixelColor(c.X - 1, c.Y + c.Height / 2), QColor(16, 16, 16)));
                ASSERT_TRUE(
                    near(image.pixelColor(c.X + c.Width / 2, c.Y + c.Height), QColor(16, 16, 16)));
            }
        }
    }

    // A new layout and order is one edit, checked; the record picture is drawn again.
    CollageSettings changed = *made->Collage();
    std::swap(changed.Photos[0], changed.Photos[3]);
    changed.Layout = CollageLayout::Feature;
    ShowContent show;
    show.Slides.push_back(*made);
    ASSERT_TRUE(EditCollage(show, 0, changed, photos));
    EXPECT_EQ(*show.Slides[0].Collage(), changed);
    changed.Photos.resize(1);
    EXPECT_FALSE(EditCollage(show, 0, changed, photos));
    EXPECT_EQ(show.Slides[0].Collage()->Photos.size(), 4u);
    // A file that is not a photo is refused and leaves no working copy behind.
    const auto before = QDir(QString::fromStdString(session.Files().PicturesDir())).count();
    EXPECT_FALSE(MakeCollageFromFiles({files[0], dir.filePath("none.jpg").toStdString()},
                                      CollageLayout::Side, session.Files(), photos));
    EXPECT_EQ(QDir(QString::fromStdString(session.Files().PicturesDir())).count(), before);
}

TEST_F(CollageSlidesTest, AFaceStaysWholeInItsCellInEveryShape) {
    const std::string people = "/usr/share/doc/opencv-doc/examples/data/messi5.jpg";
    const std::vector<std::string> files = {FlatPhoto("a.png", QColor(90, 90, 90), 640, 480),
                                            people,
                                            FlatPhoto("b.png", QColor(40, 90, 140), 480, 640)};
    auto made = MakeCollageFromFiles(files, CollageLayout::Feature, session.Files(), {});
    ASSERT_TRUE(made) << made.error();
    const CollagePhoto& photo = made->Collage()->Photos[1];
    ASSERT_EQ(photo.Faces.size(), 1u);
    for (const Shape shape : kShapes) {
        const auto cells = CollageCells(made->Collage()->Layout, 3, shape.Width, shape.Height,
                                        made->Collage()->Gap);
        auto picture = DrawCollagePhoto(photo, cells[1].Width, cells[1].Height);
        ASSERT_TRUE(picture);
        const imaging::Motion motion =
            CollagePhotoMotion(*made->Collage(), 1, cells[1], picture->Width, picture->Height);
        EXPECT_FALSE(motion.IsStill());
        // Faces are kept in fractions of the picture, as the motion takes them.
        EXPECT_TRUE(imaging::MotionHoldsBox(motion, cells[1].Width, cells[1].Height, picture->Width,
                                            picture->Height, photo.Faces[0]))
            << shape.Width << "x" << shape.Height;
    }
}

} // namespace collage_test
