// The show document's commands, their announcements, selection rules and working files.
#include "project/Duration.h"
#include "project/Records.h"
#include "project/Resolution.h"
#include "project/ShowModel.h"
#include "project/ShowSession.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <type_traits>
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
using project::ItemKind;
namespace edit = project::edit;

// The document is closed: it has no public way to change it, and the writer that changes it is
// made only by the history's steps and the session.
template <typename M>
concept HasPublicInsert = requires(M& m) {
    m.InsertSlide(std::size_t{0}, Slide{});
};
template <typename M>
concept HasPublicSet = requires(M& m) {
    m.SetOptions(project::ShowOptions{});
};
static_assert(!HasPublicInsert<ShowModel> && !HasPublicSet<ShowModel>);
static_assert(!std::is_constructible_v<project::ShowWriter, ShowModel&>);
static_assert(
    std::is_const_v<std::remove_reference_t<decltype(std::declval<ShowModel&>().Slides())>>);

// A show in a session of its own: every change goes through the history's Apply.
class ShowModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(session.Open(dir.path().toStdString()));
        session.Show().AddObserver(&recorder);
    }
    void TearDown() override { session.Show().RemoveObserver(&recorder); }
    const ShowModel& show() const { return session.Show(); }
    base::Status Apply(std::vector<project::ShowEdit> edits) {
        return session.History().Apply(std::move(edits), QStringLiteral("test"));
    }
    // Adds a slide whose StillMs identifies it, with a real working file.
    void AddSlide(int id) {
        auto s = Slide::MakeDefault();
        s.StillMs = std::int64_t{id} * 1000;
        s.WorkFile = session.Files().MakePictureName(".bmp");
        std::ofstream(s.WorkFile) << "x";
        ASSERT_TRUE(Apply({edit::InsertSlide{show().Slides().size(), s}}));
    }
    void AddSound(int id) {
        auto t = Track::MakeDefault();
        t.PlaySeconds = id;
        t.WorkFile = session.Files().MakeMusicName(".mp3");
        std::ofstream(t.WorkFile) << "x";
        ASSERT_TRUE(Apply({edit::InsertTrack{show().Sounds().size(), t}}));
    }
    std::vector<int> Order() const {
        std::vector<int> ids;
        for (const auto& s : show().Slides())
            ids.push_back(static_cast<std::int32_t>(s.StillMs / 1000));
        return ids;
    }
    Said Heard() { return std::exchange(recorder.said, {}); }
    QTemporaryDir dir;
    project::ShowSession session;
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
    project::PhotoSettings m;
    for (const char* bad : {"", "x768", "1024x", "abcx768", "1024*768", "0x0"}) {
        m.Resolution = bad;
        m.Size(w, h);
        EXPECT_EQ(w, 1280) << bad;
        EXPECT_EQ(h, 1024) << bad;
    }
    m.Resolution = "800x600123"; // height is read from at most five characters
    m.Size(w, h);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 60012);
}

// A music option changes the time line and is announced as a reset; the output settings alone
// (a written video's choices) change nothing a view shows and are not announced.
TEST_F(ShowModelTest, OnlyOptionsThatViewsShowAreAnnounced) {
    project::ShowOptions options = show().Options();
    options.Output.Fps = 50;
    ASSERT_TRUE(Apply({edit::SetOptions{options}}));
    EXPECT_EQ(show().Options().Output.Fps, 50);
    EXPECT_EQ(recorder.said, Said{});
    options.EndFadeSeconds = 2.0;
    ASSERT_TRUE(Apply({edit::SetOptions{options}}));
    EXPECT_EQ(recorder.said, Said{"reset"});
}

// A list of edits is checked whole before any is made: one that does not fit refuses the list,
// leaving the show, its announcements and its history as they were.
TEST_F(ShowModelTest, AListThatDoesNotFitChangesNothing) {
    for (int id = 1; id <= 3; ++id)
        AddSlide(id);
    Heard();
    const int steps = session.History().Stack().count();
    auto s = Slide::MakeDefault();
    for (auto edits : std::vector<std::vector<project::ShowEdit>>{
             {edit::MoveItem{ItemKind::Photo, 0, 1}, edit::MoveItem{ItemKind::Photo, 2, 3}},
             {edit::MoveItem{ItemKind::Photo, 1, 1}},
             {edit::RemoveItem{ItemKind::Photo, 0}, edit::SetSlide{2, s}}, // 2 is gone by then
             {edit::InsertSlide{4, s}},
             {edit::ExchangeItems{ItemKind::Track, 0, 1}},
             {edit::SetTrack{0, Track::MakeDefault()}}}) {
        EXPECT_FALSE(Apply(std::move(edits)));
    }
    EXPECT_EQ(Order(), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(Heard().empty());
    EXPECT_EQ(session.History().Stack().count(), steps);
}

TEST_F(ShowModelTest, ExchangeIsAnnouncedAsTwoMoves) {
    for (int id = 1; id <= 4; ++id)
        AddSlide(id);
    Heard();
    ASSERT_TRUE(Apply({edit::ExchangeItems{ItemKind::Photo, 3, 0}})); // photo 4 dropped on 1
    EXPECT_EQ(Order(), (std::vector<int>{4, 2, 3, 1}));
    EXPECT_EQ(Heard(), (Said{"move photo 3>0", "move photo 1>3"}));
    // A view following those two moves keeps a selection between them at its place.
    EXPECT_EQ(IndexAfterMove(IndexAfterMove(1, 3, 0), 1, 3), 1u);
    ASSERT_TRUE(Apply({edit::ExchangeItems{ItemKind::Photo, 0, 1}})); // neighbours: one move
    EXPECT_EQ(Order(), (std::vector<int>{2, 4, 3, 1}));
    EXPECT_EQ(Heard(), (Said{"move photo 1>0"}));
    ASSERT_TRUE(session.History().Undo().ok());
    ASSERT_TRUE(session.History().Undo().ok());
    EXPECT_EQ(Order(), (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(ShowModelTest, MoveInsertsAndTheRestShift) {
    for (int id = 1; id <= 5; ++id)
        AddSlide(id);
    std::map<int, std::string> files; // id -> working copy
    for (const auto& s : show().Slides())
        files[s.StillMs / 1000] = s.WorkFile;
    // A selection followed with IndexAfterMove stays on its photo (the view's rule).
    const auto followed = [&](std::size_t selected, std::size_t from, std::size_t to) {
        const int id = Order()[selected];
        EXPECT_TRUE(Apply({edit::MoveItem{ItemKind::Photo, from, to}}));
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
    for (const auto& s : show().Slides())
        EXPECT_EQ(s.WorkFile, files[s.StillMs / 1000]);
}

// A list of edits is one step: made in order, announced once each, undone in reverse with the
// working copies of what it took out back at their names.
TEST_F(ShowModelTest, SeveralEditsAreOneStepUndoneWhole) {
    for (int id = 1; id <= 3; ++id)
        AddSlide(id);
    AddSound(1);
    Heard();
    const std::string middle = show().Slides()[1].WorkFile;
    auto s = Slide::MakeDefault();
    s.StillMs = 9000;
    s.WorkFile = session.Files().MakePictureName(".bmp");
    std::ofstream(s.WorkFile) << "y";
    auto changed = show().Slides()[2];
    changed.StillMs = 8000;
    const int steps = session.History().Stack().count();
    ASSERT_TRUE(Apply({edit::RemoveItem{ItemKind::Photo, 1}, edit::InsertSlide{0, s},
                       edit::SetSlide{2, changed}, edit::RemoveItem{ItemKind::Track, 0}}));
    EXPECT_EQ(Order(), (std::vector<int>{9, 1, 8}));
    EXPECT_FALSE(std::filesystem::exists(middle)); // kept aside by the step, not deleted
    EXPECT_TRUE(show().Sounds().empty());
    EXPECT_EQ(Heard(),
              (Said{"remove photo 1", "insert photo 0", "edit photo 2", "remove track 0"}));
    EXPECT_EQ(session.History().Stack().count(), steps + 1);

    ASSERT_TRUE(session.History().Undo().ok());
    EXPECT_EQ(Order(), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(std::filesystem::exists(middle));
    EXPECT_EQ(show().Slides()[1].WorkFile, middle);
    EXPECT_EQ(show().Sounds().size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(s.WorkFile)); // the inserted photo's copy is aside
    ASSERT_TRUE(session.History().Redo().ok());
    EXPECT_EQ(Order(), (std::vector<int>{9, 1, 8}));
    EXPECT_TRUE(std::filesystem::exists(show().Slides()[0].WorkFile));
}

// A new show takes the old one's copies with it in one announcement; the document deleted
// nothing by itself before.
TEST_F(ShowModelTest, NewRemovesEveryCopyAndIsOneReset) {
    AddSlide(1);
    AddSlide(2);
    AddSound(1);
    const std::string f = show().Slides()[1].WorkFile;
    ASSERT_TRUE(Apply({edit::RemoveItem{ItemKind::Photo, 0}}));
    Heard();
    session.New();
    EXPECT_TRUE(show().Slides().empty());
    EXPECT_TRUE(show().Sounds().empty());
    EXPECT_TRUE(show().Options().IsDefault());
    EXPECT_FALSE(std::filesystem::exists(f));
    EXPECT_FALSE(session.History().CanUndo());
    EXPECT_EQ(Heard(), (Said{"reset"}));
}

TEST_F(ShowModelTest, WorkNamesTakeTheFirstFreeNumber) {
    project::WorkFiles files(session.Files().PicturesDir(), session.Files().MusicDir(), 4242);
    const std::string dirPath = files.PicturesDir();
    const std::string first = files.MakePictureName(".bmp");
    EXPECT_EQ(first, dirPath + "4242_0001.bmp");
    std::ofstream(first) << "x";
    std::ofstream(dirPath + "4242_0003.bmp") << "x";
    EXPECT_EQ(files.MakePictureName(".bmp"), dirPath + "4242_0002.bmp");
    // A name freed by the store is used again.
    files.Remove(first);
    EXPECT_FALSE(std::filesystem::exists(first));
    EXPECT_EQ(files.MakePictureName(".bmp"), dirPath + "4242_0001.bmp");
}

// Past the last of the 9 999 names there is no name, never one that is taken; each extension
// and prefix counts on its own, and a purge frees them all.
TEST_F(ShowModelTest, WorkNamesRunOutInsteadOfReusingATakenOne) {
    project::WorkFiles files(session.Files().PicturesDir(), session.Files().MusicDir(), 7);
    const std::string dirPath = files.PicturesDir();
    for (int i = 1; i <= project::kMaxWorkNames; ++i) {
        const std::string name = files.MakePictureName(".bmp");
        ASSERT_EQ(name.size(), dirPath.size() + std::string("7_0000.bmp").size()) << i;
        std::ofstream(name) << "x";
    }
    EXPECT_TRUE(std::filesystem::exists(dirPath + "7_9999.bmp"));
    EXPECT_EQ(files.MakePictureName(".bmp"), "");
    EXPECT_EQ(files.MakePictureName(".bmp"), "");
    EXPECT_EQ(files.MakePictureName(".wav"), dirPath + "7_0001.wav");
    files.SetPrefix(8);
    EXPECT_EQ(files.MakePictureName(".bmp"), dirPath + "8_0001.bmp");
    files.SetPrefix(7);
    std::filesystem::remove(dirPath + "7_0500.bmp");
    files.Remove(std::string());
    EXPECT_EQ(files.MakePictureName(".bmp"), dirPath + "7_0500.bmp");
}

TEST_F(ShowModelTest, PurgeLeavesSubFoldersAlone) {
    const std::string dirPath = session.Files().PicturesDir();
    std::ofstream(dirPath + "a.bmp") << "x";
    std::filesystem::create_directory(dirPath + "sub");
    std::ofstream(dirPath + "sub/b.bmp") << "x";
    session.Files().Purge();
    EXPECT_FALSE(std::filesystem::exists(dirPath + "a.bmp"));
    EXPECT_TRUE(std::filesystem::exists(dirPath + "sub/b.bmp"));
}

} // namespace

} // namespace show_model_test
