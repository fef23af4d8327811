// One edit made on many slides: kinds that do not take it are skipped, one slide that refuses
// refuses the whole edit (named, the draft and the files as they were), pictures drawn anew wait
// in the keep folder; and the moves that gather or shift picked slides give the order asked.
#include "imaging/BmpFile.h"
#include "project/SelectionEdits.h"

#include "GuiApp.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <numeric>

namespace selection_edits_test {

namespace {

class SelectionEditsTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::EnsureGuiApp();
        ASSERT_TRUE(dir.isValid());
        keep = dir.filePath("keep").toStdString() + "/";
        ASSERT_TRUE(QDir().mkpath(QString::fromStdString(keep)));
        photos.Resolution = "160x120";
    }
    void AddPhoto(std::uint8_t grey) {
        imaging::Bitmap b = imaging::Bitmap::CreateSized(160, 120);
        b.Fill(grey, grey, grey);
        const std::string path =
            dir.filePath(QString("w%1.bmp").arg(show.Slides.size())).toStdString();
        ASSERT_TRUE(imaging::SaveBmpFile(path, b));
        project::Slide s = project::Slide::MakeDefault();
        s.WorkFile = path;
        show.Slides.push_back(s);
    }
    std::size_t KeptFiles() const {
        return QDir(QString::fromStdString(keep)).entryList(QDir::Files).size();
    }
    QTemporaryDir dir;
    std::string keep;
    project::PhotoSettings photos;
    project::ShowContent show;
};

// The order a list of moves gives to slides 0..count-1.
std::vector<std::size_t> OrderAfter(const std::vector<project::ShowEdit>& edits,
                                    std::size_t count) {
    std::vector<std::size_t> order(count);
    std::iota(order.begin(), order.end(), 0);
    for (const auto& e : edits) {
        const auto& m = std::get<project::edit::MoveItem>(e);
        const std::size_t id = order[m.From];
        order.erase(order.begin() + static_cast<std::ptrdiff_t>(m.From));
        order.insert(order.begin() + static_cast<std::ptrdiff_t>(m.To), id);
    }
    return order;
}

} // namespace

TEST_F(SelectionEditsTest, AnEditReachesThePickedSlidesThatTakeItOrNoneOfThem) {
    for (std::uint8_t g : {40, 80, 120})
        AddPhoto(g);
    project::Slide title = project::Slide::MakeDefault();
    title.Body = imaging::TitleSettings{};
    title.WorkFile = show.Slides[0].WorkFile;
    show.Slides.push_back(title);

    // Automatic motion: the photos move, the title (no motion of its own) is skipped.
    imaging::Motion autoMotion;
    autoMotion.Mode = imaging::MotionMode::Auto;
    auto moved =
        project::EditSlides(show, {3, 0, 2}, {project::MotionEdit{autoMotion}}, photos, keep);
    ASSERT_TRUE(moved) << moved.error();
    EXPECT_TRUE(moved->empty());
    EXPECT_EQ(show.Slides[0].Ext.Motion.Mode, imaging::MotionMode::Auto);
    EXPECT_EQ(show.Slides[1].Ext.Motion.Mode, imaging::MotionMode::None);
    EXPECT_EQ(show.Slides[2].Ext.Motion.Mode, imaging::MotionMode::Auto);
    EXPECT_EQ(show.Slides[3].Ext.Motion, imaging::Motion{});

    // Light and colour are drawn into one new picture for each slide, which waits in the keep
    // folder; the working files stay.
    const QByteArray before = [&] {
        QFile f(QString::fromStdString(show.Slides[1].WorkFile));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    auto lit = project::EditSlides(
        show, {1, 2}, {project::LightEdit{50, 0, 10.0}, project::ColorEdit{1}}, photos, keep);
    ASSERT_TRUE(lit) << lit.error();
    ASSERT_EQ(lit->size(), 2u);
    EXPECT_EQ((*lit)[0].Index, 1u);
    auto brighter = imaging::LoadBmpFile((*lit)[0].Other.Path());
    ASSERT_TRUE(brighter);
    EXPECT_GT(brighter->Row(60)[240], 80);
    QFile work(QString::fromStdString(show.Slides[1].WorkFile));
    ASSERT_TRUE(work.open(QIODevice::ReadOnly));
    EXPECT_EQ(work.readAll(), before);
    lit->clear();
    EXPECT_EQ(KeptFiles(), 0u);

    // A photo whose picture is gone refuses, named; the others are not changed either.
    QFile::remove(QString::fromStdString(show.Slides[2].WorkFile));
    const project::ShowContent was = show;
    auto refused =
        project::EditSlides(show, {0, 2}, {project::LightEdit{50, 0, 10.0}}, photos, keep);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().find("slide 3"), std::string::npos) << refused.error();
    EXPECT_TRUE(show == was);
    EXPECT_EQ(KeptFiles(), 0u);
    // As are places outside the show and a slide picked twice.
    EXPECT_FALSE(project::EditSlides(show, {7}, {project::BackgroundEdit{1}}, photos, keep));
    EXPECT_FALSE(project::EditSlides(show, {0, 0}, {project::BackgroundEdit{1}}, photos, keep));
    EXPECT_TRUE(show == was);
}

TEST_F(SelectionEditsTest, PickedSlidesAreGatheredShiftedAndTakenOutInOrder) {
    // Gathered at a gap, in their own order; the others keep theirs.
    EXPECT_EQ(OrderAfter(project::MovesToGap({5, 1, 3}, 0, 7), 7),
              (std::vector<std::size_t>{1, 3, 5, 0, 2, 4, 6}));
    EXPECT_EQ(OrderAfter(project::MovesToGap({0, 2}, 7, 7), 7),
              (std::vector<std::size_t>{1, 3, 4, 5, 6, 0, 2}));
    EXPECT_EQ(OrderAfter(project::MovesToGap({1, 4}, 3, 6), 6),
              (std::vector<std::size_t>{0, 2, 1, 4, 3, 5}));
    EXPECT_TRUE(project::MovesToGap({2, 3}, 2, 6).empty()); // already together there
    // Shifted by one, past their neighbours; not past an end.
    EXPECT_EQ(OrderAfter(project::MovesByOne({1, 2, 4}, -1, 6), 6),
              (std::vector<std::size_t>{1, 2, 0, 4, 3, 5}));
    EXPECT_EQ(OrderAfter(project::MovesByOne({1, 2, 4}, 1, 6), 6),
              (std::vector<std::size_t>{0, 3, 1, 2, 5, 4}));
    EXPECT_TRUE(project::MovesByOne({0, 3}, -1, 6).empty());
    EXPECT_TRUE(project::MovesByOne({5}, 1, 6).empty());
    // The picked ones followed through the moves, and through removals (last first).
    const auto moves = project::MovesToGap({5, 1}, 0, 7);
    EXPECT_EQ(project::PlacesAfter({5, 1, 2}, moves), (std::vector<std::size_t>{1, 0, 3}));
    const auto out = project::RemovalsOf({1, 4, 1});
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(std::get<project::edit::RemoveItem>(out[0]).Index, 4u);
    EXPECT_EQ(project::PlacesAfter({0, 1, 3, 4, 6}, out), (std::vector<std::size_t>{0, 2, 4}));
}

} // namespace selection_edits_test
