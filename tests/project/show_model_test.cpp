// The show document's commands, their announcements, selection rules and working files.
#include "project/Duration.h"
#include "project/Records.h"
#include "project/Resolution.h"
#include "project/ShowModel.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <utility>

namespace show_model_test {

namespace {

using project::IndexAfterMove;
using project::ShowModel;
using project::Slide;
using project::Track;

// Writes down what the document announces, one line per announcement.
struct Recorder : project::ShowObserver {
    std::vector<std::string> said;
    static const char* Name(project::ItemKind k) {
        return k == project::ItemKind::Photo ? "photo" : "track";
    }
    void ItemInserted(project::ItemKind k, std::size_t i) override {
        said.push_back(std::string("insert ") + Name(k) + " " + std::to_string(i));
    }
    void ItemRemoved(project::ItemKind k, std::size_t i) override {
        said.push_back(std::string("remove ") + Name(k) + " " + std::to_string(i));
    }
    void ItemMoved(project::ItemKind k, std::size_t f, std::size_t t) override {
        said.push_back(std::string("move ") + Name(k) + " " + std::to_string(f) + ">" +
                       std::to_string(t));
    }
    void ItemEdited(project::ItemKind k, std::size_t i) override {
        said.push_back(std::string("edit ") + Name(k) + " " + std::to_string(i));
    }
    void ShowReset() override { said.push_back("reset"); }
};

using Said = std::vector<std::string>;

class ShowModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        show.PicturesDir = dir.path().toStdString() + "/";
        show.MusicDir = dir.path().toStdString() + "/";
        show.AddObserver(&recorder);
    }
    // Adds a slide whose ShowSeconds identifies it, with a real working file.
    void AddSlide(int id) {
        auto s = Slide::MakeDefault();
        s.StillMs = std::int64_t{id} * 1000;
        const std::string file = show.MakeWorkName(show.PicturesDir, ".bmp");
        std::ofstream(file) << "x";
        s.WorkFile = file;
        ASSERT_TRUE(show.InsertSlide(show.Slides.size(), s));
    }
    void AddSound(int id) {
        auto t = Track::MakeDefault();
        t.PlaySeconds = id;
        const std::string file = show.MakeWorkName(show.MusicDir, ".mp3");
        std::ofstream(file) << "x";
        t.WorkFile = file;
        ASSERT_TRUE(show.InsertSound(show.Sounds.size(), t));
    }
    std::vector<int> Order() const {
        std::vector<int> ids;
        for (const auto& s : show.Slides)
            ids.push_back(static_cast<std::int32_t>(s.StillMs / 1000));
        return ids;
    }
    Said Heard() { return std::exchange(recorder.said, {}); }
    QTemporaryDir dir;
    ShowModel show;
    Recorder recorder;
};

TEST(Records, DefaultsOfNewItemsPackAsTheRecordSays) {
    const auto record = project::PackSlide(Slide::MakeDefault());
    const auto* raw = reinterpret_cast<const unsigned char*>(&record);
    // Little-endian 10 at offset 0, "Arial" as a ShortString at 2319, 0xFF00000F at 2595, and
    // the interface bytes of older writers (selection, cell handles) zero.
    EXPECT_EQ(raw[0], 10);
    EXPECT_EQ(raw[1], 0);
    EXPECT_EQ(raw[2319], 5);
    EXPECT_EQ(std::memcmp(raw + 2320, "Arial", 5), 0);
    EXPECT_EQ(raw[2595], 0x0F);
    EXPECT_EQ(raw[2598], 0xFF);
    EXPECT_EQ(raw[12], 0);
    for (int i = 2620; i < 2644; ++i)
        EXPECT_EQ(raw[i], 0) << i;
    const Slide back = project::UnpackSlide(record);
    EXPECT_EQ(back, Slide::MakeDefault());
    EXPECT_DOUBLE_EQ(back.Picture.Gamma10, 10.0);
    EXPECT_EQ(back.Caption.Size, 24);
    EXPECT_EQ(back.Caption.Color, 0xFFFFFF);
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
    // A value's text longer than its field is cut when packed, never spilt into the next field.
    Slide long_ = Slide::MakeDefault();
    long_.Caption.Text = std::string(400, 'c');
    const auto packed = project::PackSlide(long_);
    EXPECT_EQ(packed.CaptionText.str(), std::string(255, 'c'));
    EXPECT_EQ(packed.CaptionFont.str(), "Arial");
}

TEST(FormatDuration, HoursMinutesSeconds) {
    EXPECT_EQ(project::FormatDuration(0), "0:00:00");
    EXPECT_EQ(project::FormatDuration(7), "0:00:07");
    EXPECT_EQ(project::FormatDuration(59), "0:00:59");
    EXPECT_EQ(project::FormatDuration(3600), "1:00:00");
    EXPECT_EQ(project::FormatDuration(4530), "1:15:30");
    EXPECT_EQ(project::FormatDuration(36000 * 10 + 61), "100:01:01");
    // Milliseconds: whole seconds as before, others with their tenths in no more room.
    EXPECT_EQ(project::FormatDurationMs(7000), "0:00:07");
    EXPECT_EQ(project::FormatDurationMs(2249), "0:02.2");
    EXPECT_EQ(project::FormatDurationMs(2250), "0:02.3"); // halves up
    EXPECT_EQ(project::FormatDurationMs(59960), "1:00.0");
    EXPECT_EQ(project::FormatDurationMs(3723400), "1:02:03.4");
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

// A move past either end (the keyboard's move left of the first photo, right of the last)
// changes nothing and says nothing; a move to the neighbour exchanges the two.
// A music option changes the time line and is announced as a reset; the output settings alone
// (a written video's choices) change nothing a view shows and are not announced.
TEST_F(ShowModelTest, OnlyOptionsThatViewsShowAreAnnounced) {
    project::ShowOptions options = show.Options;
    options.Output.Fps = 50;
    show.SetOptions(options);
    EXPECT_EQ(show.Options.Output.Fps, 50);
    EXPECT_EQ(recorder.said, Said{});
    options.EndFadeSeconds = 2.0;
    show.SetOptions(options);
    EXPECT_EQ(recorder.said, Said{"reset"});
}

TEST_F(ShowModelTest, MovesAtTheEndsDoNothing) {
    for (int id = 1; id <= 3; ++id)
        AddSlide(id);
    Heard();
    EXPECT_FALSE(show.MoveSlide(0, static_cast<std::size_t>(-1)));
    EXPECT_FALSE(show.MoveSlide(2, 3));
    EXPECT_EQ(Order(), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(Heard().empty());
    ASSERT_TRUE(show.MoveSlide(1, 2));
    EXPECT_EQ(Order(), (std::vector<int>{1, 3, 2}));
    ASSERT_TRUE(show.MoveSlide(1, 0));
    EXPECT_EQ(Order(), (std::vector<int>{3, 1, 2}));
    EXPECT_EQ(Heard(), (Said{"move photo 1>2", "move photo 1>0"}));
}

TEST_F(ShowModelTest, SwapByDrag) {
    for (int id = 1; id <= 4; ++id)
        AddSlide(id);
    Heard();
    EXPECT_FALSE(show.SwapSlides(2, 2)); // onto itself
    EXPECT_FALSE(show.SwapSlides(0, 1)); // outside 1..count
    EXPECT_FALSE(show.SwapSlides(1, 5));
    EXPECT_EQ(Order(), (std::vector<int>{1, 2, 3, 4}));
    ASSERT_TRUE(show.SwapSlides(4, 1)); // photo 4 dropped on photo 1
    EXPECT_EQ(Order(), (std::vector<int>{4, 2, 3, 1}));
    EXPECT_EQ(Heard(), (Said{"move photo 3>0", "move photo 1>3"}));
    // A view following those two moves keeps a selection between them at its place.
    EXPECT_EQ(IndexAfterMove(IndexAfterMove(1, 3, 0), 1, 3), 1u);
    ASSERT_TRUE(show.SwapSlides(1, 2)); // neighbours: one move is the exchange
    EXPECT_EQ(Order(), (std::vector<int>{2, 4, 3, 1}));
    EXPECT_EQ(Heard(), (Said{"move photo 1>0"}));
}

TEST_F(ShowModelTest, MoveInsertsAndTheRestShift) {
    for (int id = 1; id <= 5; ++id)
        AddSlide(id);
    std::map<int, std::string> files; // id -> working copy
    for (const auto& s : show.Slides)
        files[s.StillMs / 1000] = s.WorkFile;
    // A selection followed with IndexAfterMove stays on its photo (the view's rule).
    const auto followed = [&](std::size_t selected, std::size_t from, std::size_t to) {
        const int id = Order()[selected];
        EXPECT_TRUE(show.MoveSlide(from, to));
        return Order()[IndexAfterMove(selected, from, to)] == id;
    };
    EXPECT_TRUE(followed(0, 0, 4)); // first to last: the selection goes with its photo
    EXPECT_EQ(Order(), (std::vector<int>{2, 3, 4, 5, 1}));
    EXPECT_TRUE(followed(4, 4, 0)); // and back: last to first
    EXPECT_EQ(Order(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(followed(2, 1, 3)); // photo 3, between the two places: shifts left
    EXPECT_EQ(Order(), (std::vector<int>{1, 3, 4, 2, 5}));
    EXPECT_TRUE(followed(4, 3, 1)); // photo 5, outside the moved range: stays
    EXPECT_EQ(Order(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(followed(1, 3, 0)); // photo 2, right of the new place: shifts right
    EXPECT_EQ(Order(), (std::vector<int>{4, 1, 2, 3, 5}));

    // Every item kept its own working copy.
    for (const auto& s : show.Slides)
        EXPECT_EQ(s.WorkFile, files[s.StillMs / 1000]);

    // Nothing changes for a move onto itself or out of range.
    const auto before = Order();
    Heard();
    EXPECT_FALSE(show.MoveSlide(2, 2));
    EXPECT_FALSE(show.MoveSlide(-1, 2));
    EXPECT_FALSE(show.MoveSlide(0, 5));
    EXPECT_FALSE(show.MoveSlide(5, 0));
    EXPECT_EQ(Order(), before);
    EXPECT_TRUE(Heard().empty());
}

TEST_F(ShowModelTest, DeletingTheLastAndTheOnlyPhoto) {
    for (int id = 1; id <= 3; ++id)
        AddSlide(id);
    Heard();
    const std::string lastFile = show.Slides[2].WorkFile;
    ASSERT_TRUE(show.RemoveSlide(2));
    EXPECT_EQ(Order(), (std::vector<int>{1, 2}));
    EXPECT_FALSE(std::filesystem::exists(lastFile));
    EXPECT_EQ(Heard(), (Said{"remove photo 2"}));

    ASSERT_TRUE(show.RemoveSlide(1));
    ASSERT_TRUE(show.RemoveSlide(0));
    EXPECT_TRUE(show.Slides.empty());
    EXPECT_FALSE(show.RemoveSlide(0)); // nothing left to remove
    EXPECT_EQ(Heard(), (Said{"remove photo 1", "remove photo 0"}));
}

TEST_F(ShowModelTest, RemovingSeveralKeepsTheRestInOrder) {
    for (int id = 1; id <= 4; ++id)
        AddSlide(id);
    ASSERT_TRUE(show.RemoveSlide(2));
    ASSERT_TRUE(show.RemoveSlide(0));
    EXPECT_EQ(Order(), (std::vector<int>{2, 4}));
}

TEST_F(ShowModelTest, TracksMoveAndDelete) {
    for (int id = 1; id <= 3; ++id)
        AddSound(id);
    Heard();
    EXPECT_FALSE(show.MoveSound(0, static_cast<std::size_t>(-1)));
    ASSERT_TRUE(show.MoveSound(0, 1));
    EXPECT_EQ(show.Sounds[1].PlaySeconds, 1);
    const std::string file = show.Sounds[2].WorkFile;
    ASSERT_TRUE(show.RemoveSound(2));
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(Heard(), (Said{"move track 0>1", "remove track 2"}));
}

TEST_F(ShowModelTest, InsertAndRemoveInTheMiddle) {
    for (int id = 1; id <= 3; ++id)
        AddSlide(id);
    Heard();
    const std::string middle = show.Slides[1].WorkFile;
    ASSERT_TRUE(show.RemoveSlide(1));
    EXPECT_EQ(Order(), (std::vector<int>{1, 3}));
    EXPECT_FALSE(std::filesystem::exists(middle));
    // The freed name is offered again.
    EXPECT_EQ(show.MakeWorkName(show.PicturesDir, ".bmp"), middle);

    auto s = Slide::MakeDefault();
    s.StillMs = 9000;
    ASSERT_TRUE(show.InsertSlide(0, s));
    EXPECT_EQ(Order(), (std::vector<int>{9, 1, 3}));
    EXPECT_FALSE(show.InsertSlide(4, s));
    EXPECT_FALSE(show.RemoveSlide(3));
    s.StillMs = 8000;
    ASSERT_TRUE(show.SetSlide(2, s));
    EXPECT_FALSE(show.SetSlide(3, s));
    EXPECT_EQ(Order(), (std::vector<int>{9, 1, 8}));
    EXPECT_EQ(Heard(), (Said{"remove photo 1", "insert photo 0", "edit photo 2"}));

    AddSound(1);
    ASSERT_TRUE(show.InsertSound(0, Track::MakeDefault()));
    ASSERT_TRUE(show.RemoveSound(0));
    EXPECT_EQ(show.Sounds.size(), 1u);
    EXPECT_EQ(show.Sounds[0].PlaySeconds, 1);
}

TEST_F(ShowModelTest, ClearRemovesEveryCopyAndIsOneReset) {
    AddSlide(1);
    AddSlide(2);
    AddSound(1);
    show.Options.EndFadeSeconds = 3;
    Heard();
    const std::string f = show.Slides[1].WorkFile;
    show.ClearProject();
    EXPECT_TRUE(show.Slides.empty());
    EXPECT_TRUE(show.Sounds.empty());
    EXPECT_TRUE(show.Options.IsDefault());
    EXPECT_FALSE(std::filesystem::exists(f));
    EXPECT_EQ(Heard(), (Said{"reset"}));
}

// A copy of the document is a value: it announces nothing to the original's views.
TEST_F(ShowModelTest, ACopyHasNoObservers) {
    AddSlide(1);
    Heard();
    ShowModel copy = show;
    copy.SetSlide(0, Slide::MakeDefault());
    copy.MoveSlide(0, 0);
    EXPECT_TRUE(Heard().empty());
    EXPECT_EQ(show.Slides[0].StillMs, 1000);
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
    s.WorkFile = first;
    ASSERT_TRUE(show.InsertSlide(0, s));
    ASSERT_TRUE(show.RemoveSlide(0));
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

} // namespace show_model_test
