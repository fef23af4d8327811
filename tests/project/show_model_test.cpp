// The show model's list operations, selection rules and working files.
#include "project/Duration.h"
#include "project/ShowModel.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

namespace {

using project::ShowModel;
using project::Slide;
using project::Track;

// Records what the model asks of the storyboard.
struct FakeHost : project::ViewHost {
    std::vector<project::ViewHandle> destroyed;
    std::map<project::ViewHandle, std::string> names;
    std::map<project::ViewHandle, int> tags;
    void DestroyView(project::ViewHandle h) override { destroyed.push_back(h); }
    void RenameView(project::ViewHandle h, const std::string& n) override { names[h] = n; }
    void SetViewTag(project::ViewHandle h, int t) override { tags[h] = t; }
};

class ShowModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        show.PicturesDir = dir.path().toStdString() + "/";
        show.MusicDir = dir.path().toStdString() + "/";
        show.Host = &host;
    }
    // Adds a slide whose ShowSeconds identifies it, with a real working file and six handles.
    void AddSlide(int id) {
        auto s = Slide::MakeDefault();
        s.ShowSeconds = id;
        const std::string file = show.MakeWorkName(show.PicturesDir, ".bmp");
        std::ofstream(file) << "x";
        s.WorkFile.assign(file);
        for (int v = 0; v < 6; ++v)
            s.Views[v] = static_cast<std::uint32_t>(id * 10 + v);
        show.Slides.push_back(s);
    }
    void AddSound(int id) {
        auto t = Track::MakeDefault();
        t.PlaySeconds = id;
        const std::string file = show.MakeWorkName(show.MusicDir, ".mp3");
        std::ofstream(file) << "x";
        t.WorkFile.assign(file);
        for (int v = 0; v < 3; ++v)
            t.Views[v] = static_cast<std::uint32_t>(1000 + id * 10 + v);
        show.Sounds.push_back(t);
    }
    std::vector<int> Order() const {
        std::vector<int> ids;
        for (const auto& s : show.Slides)
            ids.push_back(s.ShowSeconds);
        return ids;
    }
    QTemporaryDir dir;
    ShowModel show;
    FakeHost host;
};

TEST(Records, DefaultsOfNewItems) {
    const auto s = Slide::MakeDefault();
    const auto* raw = reinterpret_cast<const unsigned char*>(&s);
    // Little-endian 10 at offset 0, "Arial" as a ShortString at 2319, 0xFF00000F at 2595.
    EXPECT_EQ(raw[0], 10);
    EXPECT_EQ(raw[1], 0);
    EXPECT_EQ(raw[2319], 5);
    EXPECT_EQ(std::memcmp(raw + 2320, "Arial", 5), 0);
    EXPECT_EQ(raw[2595], 0x0F);
    EXPECT_EQ(raw[2598], 0xFF);
    EXPECT_DOUBLE_EQ(s.Gamma10, 10.0);
    EXPECT_EQ(s.CaptionSize, 24);
    EXPECT_EQ(s.CaptionColor, 0xFFFFFF);
    EXPECT_EQ(Track::MakeDefault().Volume, 100);
}

TEST(Records, TextFieldsNeverReadPastTheirBytes) {
    project::ZString<8> z;
    EXPECT_FALSE(z.assign("123456789"));
    EXPECT_EQ(z.str(), "1234567");
    std::memset(z.data.data(), 'A', 8); // no terminator at all
    EXPECT_EQ(z.str(), "AAAAAAAA");
    project::ShortString<255> s;
    s.assign(std::string(300, 'q'));
    EXPECT_EQ(s.length, 255);
    EXPECT_EQ(s.str().size(), 255u);
}

TEST(FormatDuration, HoursMinutesSeconds) {
    EXPECT_EQ(project::FormatDuration(0), "0:00:00");
    EXPECT_EQ(project::FormatDuration(7), "0:00:07");
    EXPECT_EQ(project::FormatDuration(59), "0:00:59");
    EXPECT_EQ(project::FormatDuration(3600), "1:00:00");
    EXPECT_EQ(project::FormatDuration(4530), "1:15:30");
    EXPECT_EQ(project::FormatDuration(36000 * 10 + 61), "100:01:01");
}

TEST(Resolution, ParsedLikeTheImport) {
    int w = 0, h = 0;
    EXPECT_TRUE(project::ParseResolution("1024x768", w, h));
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 768);
    ShowModel m;
    for (const char* bad : {"", "x768", "1024x", "abcx768", "1024*768", "0x0"}) {
        m.Resolution = bad;
        m.ResolutionSize(w, h);
        EXPECT_EQ(w, 1280) << bad;
        EXPECT_EQ(h, 1024) << bad;
    }
    m.Resolution = "800x600123"; // height is read from at most five characters
    m.ResolutionSize(w, h);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 60012);
}

TEST_F(ShowModelTest, MovesAtTheEndsDoNothing) {
    for (int id = 1; id <= 3; ++id)
        AddSlide(id);
    show.SelectedSlide = 0;
    EXPECT_FALSE(show.MoveSlideLeft());
    show.SelectedSlide = 2;
    EXPECT_FALSE(show.MoveSlideRight());
    EXPECT_EQ(Order(), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(host.names.empty());
}

TEST_F(ShowModelTest, MoveRightKeepsTheSelectionOnThePosition) {
    for (int id = 1; id <= 3; ++id)
        AddSlide(id);
    show.SelectedSlide = 1;
    ASSERT_TRUE(show.MoveSlideRight());
    EXPECT_EQ(Order(), (std::vector<int>{1, 3, 2}));
    EXPECT_EQ(show.SelectedSlide, 1); // now on the neighbour that moved there
    // The controls follow their records and are named after the new positions.
    EXPECT_EQ(host.names[32], "ThumbImage_1");
    EXPECT_EQ(host.names[22], "ThumbImage_2");
    EXPECT_EQ(host.names[25], "ThumbButton_2");
    EXPECT_EQ(host.names[34], "ThumbSpacerImage_1");
    EXPECT_EQ(host.tags[12], 1);
    EXPECT_EQ(host.tags[32], 2);
    EXPECT_EQ(host.tags[22], 3);
    ASSERT_TRUE(show.MoveSlideLeft());
    EXPECT_EQ(Order(), (std::vector<int>{3, 1, 2}));
}

TEST_F(ShowModelTest, SwapByDrag) {
    for (int id = 1; id <= 3; ++id)
        AddSlide(id);
    EXPECT_FALSE(show.SwapSlides(2, 2)); // onto itself
    EXPECT_FALSE(show.SwapSlides(0, 1)); // outside 1..count
    EXPECT_FALSE(show.SwapSlides(1, 4));
    EXPECT_EQ(Order(), (std::vector<int>{1, 2, 3}));
    ASSERT_TRUE(show.SwapSlides(3, 1)); // photo 3 dropped on photo 1
    EXPECT_EQ(Order(), (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(host.tags[32], 1);
    EXPECT_EQ(host.tags[12], 3);
}

TEST_F(ShowModelTest, MoveInsertsAndTheRestShift) {
    for (int id = 1; id <= 5; ++id)
        AddSlide(id);
    std::map<int, std::string> files; // id -> working copy
    for (const auto& s : show.Slides)
        files[s.ShowSeconds] = s.WorkFile.str();
    show.SelectedSlide = 0;

    ASSERT_TRUE(show.MoveSlide(0, 4)); // first to last
    EXPECT_EQ(Order(), (std::vector<int>{2, 3, 4, 5, 1}));
    EXPECT_EQ(show.SelectedSlide, 4);  // the selection went with its photo
    ASSERT_TRUE(show.MoveSlide(4, 0)); // and back: last to first
    EXPECT_EQ(Order(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(show.SelectedSlide, 0);

    show.SelectedSlide = 2; // photo 3, between the two places: shifts left with the others
    ASSERT_TRUE(show.MoveSlide(1, 3));
    EXPECT_EQ(Order(), (std::vector<int>{1, 3, 4, 2, 5}));
    EXPECT_EQ(show.SelectedSlide, 1);
    show.SelectedSlide = 4; // photo 5, outside the moved range: stays
    ASSERT_TRUE(show.MoveSlide(3, 1));
    EXPECT_EQ(Order(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(show.SelectedSlide, 4);
    show.SelectedSlide = 1; // photo 2, right of the new place: shifts right
    ASSERT_TRUE(show.MoveSlide(3, 0));
    EXPECT_EQ(Order(), (std::vector<int>{4, 1, 2, 3, 5}));
    EXPECT_EQ(show.SelectedSlide, 2);

    // Every record kept its own working copy; cells are named and tagged after their places.
    for (const auto& s : show.Slides)
        EXPECT_EQ(s.WorkFile.str(), files[s.ShowSeconds]);
    EXPECT_EQ(host.names[40 + 2], "ThumbImage_0");
    EXPECT_EQ(host.names[40 + 5], "ThumbButton_0");
    EXPECT_EQ(host.names[30 + 4], "ThumbSpacerImage_3");
    EXPECT_EQ(host.tags[42], 1);
    EXPECT_EQ(host.tags[12], 2);
    EXPECT_EQ(host.tags[32], 4);
    EXPECT_EQ(host.tags[52], 5);

    // Nothing changes for a move onto itself or out of range.
    const auto before = Order();
    EXPECT_FALSE(show.MoveSlide(2, 2));
    EXPECT_FALSE(show.MoveSlide(-1, 2));
    EXPECT_FALSE(show.MoveSlide(0, 5));
    EXPECT_FALSE(show.MoveSlide(5, 0));
    EXPECT_EQ(Order(), before);
    EXPECT_EQ(show.SelectedSlide, 2);
}

TEST_F(ShowModelTest, DeletingTheLastAndTheOnlyPhoto) {
    for (int id = 1; id <= 3; ++id)
        AddSlide(id);
    const std::string lastFile = show.Slides[2].WorkFile.str();
    show.SelectedSlide = 2;
    EXPECT_EQ(show.DeleteSelectedSlide(), 1); // the new last photo is selected next
    EXPECT_EQ(Order(), (std::vector<int>{1, 2}));
    EXPECT_FALSE(std::filesystem::exists(lastFile));
    // Its cells are destroyed: thumbnail, clean copy, icon, button, then both panels.
    EXPECT_EQ(host.destroyed, (std::vector<project::ViewHandle>{32, 33, 34, 35, 30, 31}));

    show.Slides.resize(1);
    show.SelectedSlide = 0;
    EXPECT_EQ(show.DeleteSelectedSlide(), -1);
    EXPECT_TRUE(show.Slides.empty());
    show.SelectedSlide = 0;
    EXPECT_EQ(show.DeleteSelectedSlide(), -2); // nothing selected any more
}

TEST_F(ShowModelTest, CompactRenamesTheRest) {
    for (int id = 1; id <= 4; ++id)
        AddSlide(id);
    show.Slides[0].Deleted = 1;
    show.Slides[2].Deleted = 1;
    show.CompactSlides();
    EXPECT_EQ(Order(), (std::vector<int>{2, 4}));
    EXPECT_EQ(host.names[22], "ThumbImage_0");
    EXPECT_EQ(host.names[42], "ThumbImage_1");
    EXPECT_EQ(host.tags[42], 2);
}

TEST_F(ShowModelTest, TracksMoveAndDelete) {
    for (int id = 1; id <= 3; ++id)
        AddSound(id);
    show.SelectedSound = 0;
    EXPECT_FALSE(show.MoveSoundLeft());
    ASSERT_TRUE(show.MoveSoundRight());
    EXPECT_EQ(show.Sounds[1].PlaySeconds, 1);
    EXPECT_EQ(host.names[1011], "SoundImage_1");
    EXPECT_EQ(host.names[1022], "SoundButton_0");
    show.SelectedSound = 2;
    const std::string file = show.Sounds[2].WorkFile.str();
    EXPECT_EQ(show.DeleteSelectedSound(), 1);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(host.destroyed, (std::vector<project::ViewHandle>{1031, 1032, 1030}));
}

// Moving one photo to another place (a drag that inserts) shifts the ones between, and their
// cells are named and tagged after their new places.
TEST_F(ShowModelTest, MoveInsertsAndTheCellsFollow) {
    for (int id = 1; id <= 5; ++id)
        AddSlide(id);
    ASSERT_TRUE(show.MoveSlide(1, 3));
    EXPECT_EQ(Order(), (std::vector<int>{1, 3, 4, 2, 5}));
    EXPECT_EQ(host.names[22], "ThumbImage_3");
    EXPECT_EQ(host.names[32], "ThumbImage_1");
    EXPECT_EQ(host.tags[42], 3);
    ASSERT_TRUE(show.MoveSlide(4, 0));
    EXPECT_EQ(Order(), (std::vector<int>{5, 1, 3, 4, 2}));
    EXPECT_EQ(host.names[55], "ThumbButton_0");
    EXPECT_EQ(host.tags[22], 5);
    EXPECT_FALSE(show.MoveSlide(2, 2));
    EXPECT_FALSE(show.MoveSlide(0, 5));
    EXPECT_EQ(Order(), (std::vector<int>{5, 1, 3, 4, 2}));
    for (int id = 1; id <= 3; ++id)
        AddSound(id);
    ASSERT_TRUE(show.MoveSound(0, 2));
    EXPECT_EQ(show.Sounds[2].PlaySeconds, 1);
    EXPECT_EQ(host.names[1011], "SoundImage_2");
}

TEST_F(ShowModelTest, InsertAndRemoveInTheMiddle) {
    for (int id = 1; id <= 3; ++id)
        AddSlide(id);
    const std::string middle = show.Slides[1].WorkFile.str();
    ASSERT_TRUE(show.RemoveSlide(1));
    EXPECT_EQ(Order(), (std::vector<int>{1, 3}));
    EXPECT_FALSE(std::filesystem::exists(middle));
    EXPECT_EQ(host.destroyed, (std::vector<project::ViewHandle>{22, 23, 24, 25, 20, 21}));
    EXPECT_EQ(host.names[32], "ThumbImage_1");
    // The freed name is offered again.
    EXPECT_EQ(show.MakeWorkName(show.PicturesDir, ".bmp"), middle);

    auto s = Slide::MakeDefault();
    s.ShowSeconds = 9;
    ASSERT_TRUE(show.InsertSlide(0, s));
    EXPECT_EQ(Order(), (std::vector<int>{9, 1, 3}));
    EXPECT_EQ(host.names[12], "ThumbImage_1");
    EXPECT_EQ(host.names[32], "ThumbImage_2");
    EXPECT_EQ(host.tags[32], 3);
    EXPECT_FALSE(show.InsertSlide(4, s));
    EXPECT_FALSE(show.RemoveSlide(3));

    AddSound(1);
    ASSERT_TRUE(show.InsertSound(0, Track::MakeDefault()));
    EXPECT_EQ(host.names[1012], "SoundButton_1");
    ASSERT_TRUE(show.RemoveSound(0));
    EXPECT_EQ(host.names[1012], "SoundButton_0");
    EXPECT_EQ(show.Sounds.size(), 1u);
}

TEST_F(ShowModelTest, ClearRemovesEveryCopyAndCell) {
    AddSlide(1);
    AddSlide(2);
    AddSound(1);
    show.SlidePage = 3;
    const std::string f = show.Slides[1].WorkFile.str();
    show.ClearProject();
    EXPECT_TRUE(show.Slides.empty());
    EXPECT_TRUE(show.Sounds.empty());
    EXPECT_EQ(show.SlidePage, 0);
    EXPECT_FALSE(std::filesystem::exists(f));
    EXPECT_EQ(host.destroyed.size(), 6u + 6u + 3u);
}

TEST_F(ShowModelTest, WorkNamesTakeTheFirstFreeNumber) {
    show.WorkPrefix = 4242;
    const std::string first = show.MakeWorkName(show.PicturesDir, ".bmp");
    EXPECT_EQ(first, show.PicturesDir + "4242_0001.bmp");
    std::ofstream(first) << "x";
    std::ofstream(show.PicturesDir + "4242_0003.bmp") << "x";
    EXPECT_EQ(show.MakeWorkName(show.PicturesDir, ".bmp"), show.PicturesDir + "4242_0002.bmp");
    // A label freed by deleting its photo is used again.
    auto s = Slide::MakeDefault();
    s.WorkFile.assign(first);
    show.Slides.push_back(s);
    show.SelectedSlide = 0;
    show.DeleteSelectedSlide();
    EXPECT_FALSE(std::filesystem::exists(first));
    EXPECT_EQ(show.MakeWorkName(show.PicturesDir, ".bmp"), show.PicturesDir + "4242_0001.bmp");
}

// Past the last of the 9 999 names there is no name, never one that is taken; each extension
// and prefix counts on its own, and a clear frees them all.
TEST_F(ShowModelTest, WorkNamesRunOutInsteadOfReusingATakenOne) {
    show.WorkPrefix = 7;
    for (int i = 1; i <= project::kMaxWorkNames; ++i) {
        const std::string name = show.MakeWorkName(show.PicturesDir, ".bmp");
        ASSERT_EQ(name.size(), show.PicturesDir.size() + std::string("7_0000.bmp").size()) << i;
        std::ofstream(name) << "x";
    }
    EXPECT_TRUE(std::filesystem::exists(show.PicturesDir + "7_9999.bmp"));
    EXPECT_EQ(show.MakeWorkName(show.PicturesDir, ".bmp"), "");
    EXPECT_EQ(show.MakeWorkName(show.PicturesDir, ".bmp"), "");
    EXPECT_EQ(show.MakeWorkName(show.PicturesDir, ".wav"), show.PicturesDir + "7_0001.wav");
    show.WorkPrefix = 8;
    EXPECT_EQ(show.MakeWorkName(show.PicturesDir, ".bmp"), show.PicturesDir + "8_0001.bmp");
    show.WorkPrefix = 7;
    std::filesystem::remove(show.PicturesDir + "7_0500.bmp");
    show.ClearProject();
    EXPECT_EQ(show.MakeWorkName(show.PicturesDir, ".bmp"), show.PicturesDir + "7_0500.bmp");
}

TEST_F(ShowModelTest, PurgeLeavesSubFoldersAlone) {
    std::ofstream(show.PicturesDir + "a.bmp") << "x";
    std::filesystem::create_directory(show.PicturesDir + "sub");
    std::ofstream(show.PicturesDir + "sub/b.bmp") << "x";
    show.PurgeWorkFolders();
    EXPECT_FALSE(std::filesystem::exists(show.PicturesDir + "a.bmp"));
    EXPECT_TRUE(std::filesystem::exists(show.PicturesDir + "sub/b.bmp"));
}

} // namespace
