// The undo history on a real session: every kind of change undone and done again gives back the
// same values and the same working-file bytes, every step makes its change in its redo and the
// document announces it, and the clean mark tells unsaved changes.
#include "imaging/BmpFile.h"
#include "imaging/TestBitmaps.h"
#include "imaging/TransitionKinds.h"
#include "project/Import.h"
#include "project/ShowSession.h"
#include "project/SlideEdits.h"
#include "project/TransitionChoice.h"

#include "GuiApp.h"
#include "Outcomes.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

namespace {

using namespace project;

using testsupport::EnsureGuiApp;

QByteArray Bytes(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// What the document announced while the history worked: where items were put in.
struct Recorder : ShowObserver {
    std::vector<std::size_t> insertedPhotos, insertedTracks;
    int edits = 0;
    void ItemInserted(ItemKind k, std::size_t i) override {
        (k == ItemKind::Photo ? insertedPhotos : insertedTracks).push_back(i);
    }
    void ItemRemoved(ItemKind, std::size_t) override {}
    void ItemMoved(ItemKind, std::size_t, std::size_t) override {}
    void ItemEdited(ItemKind, std::size_t) override { ++edits; }
    void ShowReset() override {}
};

class ShowHistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureGuiApp();
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(session.Open(dir.path().toStdString()).ok());
        PhotoSettings photos;
        photos.Resolution = "160x120";
        ASSERT_TRUE(history().Apply({edit::SetPhotoSettings{photos}}, "photo size"));
        history().Clear();
        show().AddObserver(&heard);
        history().OnFocus = [this](ItemKind kind, int index) {
            (kind == ItemKind::Photo ? focusPhoto : focusTrack) = index;
        };
    }
    void TearDown() override { show().RemoveObserver(&heard); }
    // Where the last step done or undone put the selection (-2: nowhere yet).
    int focusPhoto = -2, focusTrack = -2;
    const ShowModel& show() { return session.Show(); }
    ShowHistory& history() { return session.History(); }

    // Imports a picture of its own (seeded noise) as the import does, recorded as a step.
    std::size_t Import(std::uint32_t seed, int w = 64, int h = 48) {
        const std::string src = dir.filePath(QString("src%1.bmp").arg(seed)).toStdString();
        EXPECT_TRUE(imaging::SaveBmpFile(src, testbmp::Random(w, h, seed)));
        ShowContent scratch;
        auto added = AddPhoto(scratch, session.Files(), show().Photos(), src);
        EXPECT_TRUE(Added(added)) << WhyNot(added);
        const std::size_t index = show().Slides().size();
        EXPECT_TRUE(history().Apply({edit::InsertSlide{index, scratch.Slides.back()}}, "add"));
        return index;
    }
    // A track record whose working copy holds `content`.
    std::size_t AddTrack(const std::string& content, int volume) {
        const std::string file = session.Files().MakeMusicName(".mp3");
        std::ofstream(file) << content;
        auto t = Track::MakeDefault();
        t.WorkFile = file;
        t.Volume = volume;
        const std::size_t index = show().Sounds().size();
        EXPECT_TRUE(history().Apply({edit::InsertTrack{index, t}}, "add track"));
        return index;
    }
    std::vector<QByteArray> PictureBytes() {
        std::vector<QByteArray> out;
        for (const auto& s : show().Slides())
            out.push_back(Bytes(s.WorkFile));
        return out;
    }
    std::vector<std::int32_t> Seconds() {
        std::vector<std::int32_t> out;
        for (const auto& s : show().Slides())
            out.push_back(static_cast<std::int32_t>(s.StillMs / 1000));
        return out;
    }
    QStringList PicturesOnDisk() {
        return QDir(QString::fromStdString(session.Files().PicturesDir())).entryList(QDir::Files);
    }

    QTemporaryDir dir;
    ShowSession session;
    Recorder heard;
};

TEST_F(ShowHistoryTest, CleanMarkFollowsChangesSavesAndUndo) {
    EXPECT_FALSE(history().IsModified());
    Import(1);
    EXPECT_TRUE(history().IsModified());
    history().MarkSaved();
    EXPECT_FALSE(history().IsModified());
    ASSERT_TRUE(history().Undo().ok()); // back before the save: changed again
    EXPECT_TRUE(history().IsModified());
    ASSERT_TRUE(history().Redo().ok());
    EXPECT_FALSE(history().IsModified());
    EXPECT_TRUE(history().CanUndo()); // saving keeps the steps
    history().Clear();
    EXPECT_FALSE(history().IsModified());
    EXPECT_FALSE(history().CanUndo());
    EXPECT_EQ(show().Slides().size(), 1u); // clearing the history leaves the show alone
}

TEST_F(ShowHistoryTest, AddedPhotosGoAndComeBackWithTheirBytes) {
    history().BeginBatch("import");
    for (std::uint32_t seed : {11u, 12u, 13u})
        Import(seed);
    history().EndBatch();
    const auto records = show().Slides();
    const auto bytes = PictureBytes();
    EXPECT_EQ(history().Stack().count(), 1); // one batch, one step
    ASSERT_EQ(show().Slides().size(), 3u);   // the push's redo put them back
    EXPECT_EQ(PictureBytes(), bytes);

    ASSERT_TRUE(history().Undo().ok());
    EXPECT_TRUE(show().Slides().empty());
    EXPECT_TRUE(PicturesOnDisk().isEmpty());

    heard.insertedPhotos.clear();
    ASSERT_TRUE(history().Redo().ok());
    ASSERT_EQ(show().Slides().size(), 3u);
    EXPECT_EQ(PictureBytes(), bytes);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(show().Slides()[i], records[i]) << i;
        EXPECT_EQ(show().Slides()[i].WorkFile, records[i].WorkFile);
    }
    // Each comes back once, in order, announced where it stands.
    EXPECT_EQ(heard.insertedPhotos, (std::vector<std::size_t>{0, 1, 2}));
}

// A new step, alone or a batch, is told once with the show as it was before it; an undo, a redo,
// an edit inside a batch and a refused edit are no new step.
TEST_F(ShowHistoryTest, OnlyANewStepIsToldWithTheShowBeforeIt) {
    std::vector<std::size_t> told; // the photos the show had before each step told
    history().OnStepDone = [&](const ShowContent& before) { told.push_back(before.Slides.size()); };
    Import(31);
    history().BeginBatch("import");
    Import(32);
    Import(33);
    history().EndBatch();
    ASSERT_TRUE(history().Undo().ok());
    ASSERT_TRUE(history().Redo().ok());
    EXPECT_FALSE(history().Apply({edit::RemoveItem{ItemKind::Photo, 9}}, "no such photo"));
    EXPECT_EQ(told, (std::vector<std::size_t>{0, 1}));
    history().OnStepDone = nullptr;
}

TEST_F(ShowHistoryTest, AnEmptyBatchLeavesNoStep) {
    history().BeginBatch("nothing imported");
    history().EndBatch();
    EXPECT_FALSE(history().IsModified());
    EXPECT_FALSE(history().CanUndo());
}

TEST_F(ShowHistoryTest, DeletedPhotoComesBackInItsPlace) {
    for (std::uint32_t seed : {21u, 22u, 23u})
        Import(seed);
    history().Clear();
    const auto records = show().Slides();
    const auto bytes = PictureBytes();
    heard.insertedPhotos.clear();

    const auto next = history().DeleteSlide(1);
    ASSERT_TRUE(next.ok()) << next.error();
    EXPECT_EQ(*next, 1);
    ASSERT_EQ(show().Slides().size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(records[1].WorkFile));
    EXPECT_EQ(PicturesOnDisk().size(), 2); // the copy waits in the history's folder
    EXPECT_TRUE(history().IsModified());

    ASSERT_TRUE(history().Undo().ok());
    ASSERT_EQ(show().Slides().size(), 3u);
    EXPECT_EQ(PictureBytes(), bytes);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(show().Slides()[i], records[i]) << i;
    EXPECT_EQ(focusPhoto, 1); // the photo put back is selected
    EXPECT_EQ(heard.insertedPhotos, (std::vector<std::size_t>{1}));
    EXPECT_FALSE(history().IsModified());

    ASSERT_TRUE(history().Redo().ok());
    EXPECT_EQ(show().Slides().size(), 2u);
    EXPECT_EQ(Bytes(show().Slides()[1].WorkFile), bytes[2]);
}

TEST_F(ShowHistoryTest, DeletingTheLastPhotoSelectsNoneAndUndoSelectsItAgain) {
    Import(31);
    const auto next = history().DeleteSlide(0);
    ASSERT_TRUE(next.ok());
    EXPECT_EQ(*next, -1);
    EXPECT_EQ(focusPhoto, -1);
    EXPECT_TRUE(show().Slides().empty());
    EXPECT_FALSE(history().DeleteSlide(0).ok()); // nothing there: refused, no step
    EXPECT_EQ(history().Stack().count(), 2);
    ASSERT_TRUE(history().Undo().ok());
    ASSERT_EQ(show().Slides().size(), 1u);
    EXPECT_EQ(focusPhoto, 0);
}

// An undo whose kept copy is gone says which file it could not put back.
TEST_F(ShowHistoryTest, AnUndoThatCannotPutBackItsFileSaysWhich) {
    Import(42);
    const std::string old = show().Slides()[0].WorkFile;
    ASSERT_TRUE(history().DeleteSlide(0).ok());
    std::error_code ec;
    for (const auto& kept : std::filesystem::directory_iterator(history().KeepFolder()))
        std::filesystem::remove(kept.path(), ec);
    const base::Status undone = history().Undo();
    EXPECT_EQ(outcomes::ErrorOf(undone).rfind("cannot put back " + old + ": ", 0), 0u)
        << outcomes::ErrorOf(undone);
}

TEST_F(ShowHistoryTest, APutBackTakesAFreshNameWhenItsOwnIsTaken) {
    Import(41);
    const std::string old = show().Slides()[0].WorkFile;
    const QByteArray bytes = Bytes(old);
    ASSERT_TRUE(history().DeleteSlide(0).ok());
    std::ofstream(old) << "someone else's file"; // appeared behind the show's back
    ASSERT_TRUE(history().Undo().ok());
    ASSERT_EQ(show().Slides().size(), 1u);
    const std::string now = show().Slides()[0].WorkFile;
    EXPECT_NE(now, old);
    EXPECT_EQ(Bytes(now), bytes);
    EXPECT_EQ(Bytes(old), QByteArray("someone else's file"));
}

TEST_F(ShowHistoryTest, DeletedTrackComesBackWithItsBytesAndVolume) {
    AddTrack("first track", 40);
    AddTrack("second track", 70);
    history().Clear();
    heard.insertedTracks.clear();
    const std::string file = show().Sounds()[0].WorkFile;
    const auto next = history().DeleteTrack(0);
    ASSERT_TRUE(next.ok());
    EXPECT_EQ(*next, 0);
    ASSERT_EQ(show().Sounds().size(), 1u);
    EXPECT_EQ(show().Sounds()[0].Volume, 70);
    EXPECT_FALSE(std::filesystem::exists(file));
    ASSERT_TRUE(history().Undo().ok());
    ASSERT_EQ(show().Sounds().size(), 2u);
    EXPECT_EQ(show().Sounds()[0].WorkFile, file);
    EXPECT_EQ(Bytes(file), QByteArray("first track"));
    EXPECT_EQ(show().Sounds()[0].Volume, 40);
    EXPECT_EQ(heard.insertedTracks, (std::vector<std::size_t>{0}));
}

TEST_F(ShowHistoryTest, MovesAndSwapsUndoToTheSameOrder) {
    for (std::uint32_t seed : {51u, 52u, 53u, 54u})
        Import(seed);
    for (std::size_t i = 0; i < 4; ++i) {
        Slide s = show().Slides()[i];
        s.StillMs = std::int64_t{static_cast<std::int32_t>(i + 1)} * 1000;
        ASSERT_TRUE(history().Apply({edit::SetSlide{i, s}}, "seconds"));
    }
    history().Clear();

    ASSERT_TRUE(history().MoveSlide(0, 3, {0, 3})); // a drag that inserts after the last
    EXPECT_EQ(Seconds(), (std::vector<std::int32_t>{2, 3, 4, 1}));
    EXPECT_EQ(focusPhoto, 3);
    ASSERT_TRUE(history().SwapSlides(0, 2, {3, 0}));
    EXPECT_EQ(Seconds(), (std::vector<std::int32_t>{4, 3, 2, 1}));
    ASSERT_TRUE(history().MoveSlide(3, 1, {0, 1}));
    EXPECT_EQ(Seconds(), (std::vector<std::int32_t>{4, 1, 3, 2}));
    EXPECT_FALSE(history().MoveSlide(1, 1, {1, 1}));
    EXPECT_FALSE(history().MoveSlide(0, 4, {0, 0}));
    EXPECT_EQ(history().Stack().count(), 3);

    ASSERT_TRUE(history().Undo().ok());
    EXPECT_EQ(Seconds(), (std::vector<std::int32_t>{4, 3, 2, 1}));
    ASSERT_TRUE(history().Undo().ok());
    EXPECT_EQ(Seconds(), (std::vector<std::int32_t>{2, 3, 4, 1}));
    ASSERT_TRUE(history().Undo().ok());
    EXPECT_EQ(Seconds(), (std::vector<std::int32_t>{1, 2, 3, 4}));
    EXPECT_EQ(focusPhoto, 0); // the selection the first move was given as its before
    ASSERT_TRUE(history().Redo().ok());
    ASSERT_TRUE(history().Redo().ok());
    ASSERT_TRUE(history().Redo().ok());
    EXPECT_EQ(Seconds(), (std::vector<std::int32_t>{4, 1, 3, 2}));

    AddTrack("a", 1);
    AddTrack("b", 2);
    AddTrack("c", 3);
    ASSERT_TRUE(history().MoveTrack(2, 0, {1, 0}));
    EXPECT_EQ(focusTrack, 0);
    EXPECT_EQ(show().Sounds()[0].Volume, 3);
    EXPECT_EQ(show().Sounds()[2].Volume, 2);
    ASSERT_TRUE(history().Undo().ok());
    EXPECT_EQ(focusTrack, 1);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(show().Sounds()[static_cast<std::size_t>(i)].Volume, i + 1);
}

TEST_F(ShowHistoryTest, DurationsTransitionsAndVolumesAreUndone) {
    for (std::uint32_t seed : {61u, 62u})
        Import(seed);
    AddTrack("t", 100);
    history().Clear();
    const auto before = show().Slides();

    auto change = history().BeginChange();
    ASSERT_TRUE(change.ok());
    ShowContent& draft = change->Draft;
    ASSERT_TRUE(ApplyTransitionChoice(draft, 0, {5, 0, true}));
    Slide& second = draft.Slides[1];
    second.StillMs = 42000;
    second.Ext.Motion.Mode = imaging::MotionMode::Auto; // extension data is undone like the rest
    draft.Sounds[0].Volume = 25;
    draft.Sounds[0].Ext.FadeInSeconds = 1.5;
    draft.Options.EndFadeSeconds = 3;
    const Slide edited = second;
    heard.edits = 0;
    EXPECT_EQ(show().Slides()[1], before[1]); // the draft is no part of the show
    ASSERT_EQ(outcomes::OutcomeOf(history().Commit(std::move(*change), "several")),
              ShowHistory::CommitOutcome::Committed);
    // The step's redo made the change, announced once for each item (the options: a reset).
    EXPECT_EQ(heard.edits, 3);
    EXPECT_EQ(show().Slides()[1], edited);

    ASSERT_TRUE(history().Undo().ok());
    for (std::size_t i = 0; i < 2; ++i)
        EXPECT_EQ(show().Slides()[i], before[i]) << i;
    EXPECT_EQ(show().Sounds()[0].Volume, 100);
    EXPECT_EQ(show().Sounds()[0].Ext.FadeInSeconds, 0.0);
    EXPECT_TRUE(show().Options().IsDefault());
    ASSERT_TRUE(history().Redo().ok());
    EXPECT_EQ(show().Slides()[0].TransitionKind, 5);
    EXPECT_EQ(show().Slides()[1].TransitionKind, 5);
    EXPECT_EQ(show().Slides()[0].TransitionMs, 3000);
    EXPECT_EQ(show().Slides()[1].StillMs, 42000);
    EXPECT_EQ(show().Slides()[1].Ext.Motion.Mode, imaging::MotionMode::Auto);
    EXPECT_EQ(show().Sounds()[0].Volume, 25);
    EXPECT_EQ(show().Sounds()[0].Ext.FadeInSeconds, 1.5);
    EXPECT_EQ(show().Options().EndFadeSeconds, 3.0);

    // A change that changes nothing is no step.
    auto idle = history().BeginChange(0);
    ASSERT_TRUE(idle.ok());
    EXPECT_EQ(outcomes::OutcomeOf(history().Commit(std::move(*idle), "nothing")),
              ShowHistory::CommitOutcome::Unchanged);
    EXPECT_EQ(history().Stack().count(), 1);
    // A draft of a show that changed meanwhile is refused, not laid over the newer show.
    auto stale = history().BeginChange();
    ASSERT_TRUE(stale.ok());
    stale->Draft.Slides[0].StillMs = 1000;
    ASSERT_TRUE(history().DeleteSlide(1).ok());
    EXPECT_EQ(outcomes::ErrorOf(history().Commit(std::move(*stale), "stale")),
              "the show changed while it was being edited");
    EXPECT_NE(show().Slides()[0].StillMs, 1000);
}

// The console tool and the window make motion and newer transitions through the same core
// functions inside one change; undo takes both back, extension included.
TEST_F(ShowHistoryTest, MotionAndNewerTransitionsAreUndone) {
    Import(71);
    history().Clear();
    const Slide before = show().Slides()[0];
    auto change = history().BeginChange(0);
    ASSERT_TRUE(change.ok());
    imaging::Motion motion;
    motion.Mode = imaging::MotionMode::Manual;
    motion.End = {0.25, 0.75, 2.0};
    ASSERT_TRUE(ApplySlideEdit(change->Draft, 0, MotionEdit{motion}, show().Photos()));
    ASSERT_TRUE(ApplyTransitionChoice(change->Draft, 0, {imaging::kTransitionIris, 2, false}));
    ASSERT_EQ(outcomes::OutcomeOf(history().Commit(std::move(*change), "motion")),
              ShowHistory::CommitOutcome::Committed);
    const Slide after = show().Slides()[0];
    EXPECT_EQ(after.Ext.Motion, motion);
    EXPECT_EQ(after.Ext.TransitionKind, imaging::kTransitionIris);

    ASSERT_TRUE(history().Undo().ok());
    EXPECT_EQ(show().Slides()[0], before);
    ASSERT_TRUE(history().Redo().ok());
    EXPECT_EQ(show().Slides()[0], after);
}

// Each effect rewrites the working picture: undo gives back the bytes and the values it
// replaced, redo the edited ones.
TEST_F(ShowHistoryTest, EveryEffectIsUndoneByteForByte) {
    Import(71, 96, 64);
    history().Clear();
    const std::vector<std::pair<const char*, SlideEdit>> edits = {
        {"crop", CropEdit{4, 4, 60, 40}},
        {"caption", CaptionEdit{"Hello", "Arial", 20, 0x00FFFF, 1, 2, 3}},
        {"turn right", TurnEdit{TurnKind::Right}},
        {"mirror", TurnEdit{TurnKind::Mirror}},
        {"light", LightEdit{30, 10, 14.0}},
        {"sepia", ColorEdit{2}},
        {"negative", ColorEdit{3}},
        {"background", BackgroundEdit{0x123456}},
        {"seconds", DurationEdit{17000}},
    };
    std::vector<QByteArray> pictures{Bytes(show().Slides()[0].WorkFile)};
    std::vector<Slide> records{show().Slides()[0]};
    for (const auto& [name, edit] : edits) {
        auto change = history().BeginChange(0);
        ASSERT_TRUE(change.ok()) << name;
        ASSERT_TRUE(ApplySlideEdit(change->Draft, 0, edit, show().Photos()).ok()) << name;
        ASSERT_EQ(outcomes::OutcomeOf(history().Commit(std::move(*change), name)),
                  ShowHistory::CommitOutcome::Committed)
            << name;
        pictures.push_back(Bytes(show().Slides()[0].WorkFile));
        records.push_back(show().Slides()[0]);
    }
    // Every picture edit made a different picture, so the checks below can tell them apart.
    EXPECT_NE(pictures[1], pictures[0]);
    EXPECT_NE(pictures[3], pictures[2]);

    for (std::size_t k = edits.size(); k-- > 0;) {
        ASSERT_TRUE(history().Undo().ok());
        EXPECT_EQ(Bytes(show().Slides()[0].WorkFile), pictures[k]) << edits[k].first;
        EXPECT_EQ(show().Slides()[0], records[k]) << edits[k].first;
    }
    EXPECT_FALSE(history().IsModified());
    for (std::size_t k = 1; k <= edits.size(); ++k) {
        ASSERT_TRUE(history().Redo().ok());
        EXPECT_EQ(Bytes(show().Slides()[0].WorkFile), pictures[k]) << edits[k - 1].first;
        EXPECT_EQ(show().Slides()[0], records[k]) << edits[k - 1].first;
    }
    // Only the working copy is in the pictures folder; the other versions are the history's.
    EXPECT_EQ(PicturesOnDisk().size(), 1);
}

TEST_F(ShowHistoryTest, ClearingTheHistoryRemovesWhatItKept) {
    Import(81);
    Import(82);
    ASSERT_TRUE(history().DeleteSlide(0).ok());
    auto change = history().BeginChange(0);
    ASSERT_TRUE(change.ok());
    ASSERT_TRUE(ApplySlideEdit(change->Draft, 0, ColorEdit{3}, show().Photos()).ok());
    ASSERT_EQ(outcomes::OutcomeOf(history().Commit(std::move(*change), "negative")),
              ShowHistory::CommitOutcome::Committed);
    const QDir keep(QString::fromStdString(history().KeepFolder()));
    EXPECT_EQ(keep.entryList(QDir::Files).size(), 2); // the deleted photo, the replaced picture
    history().Clear();
    EXPECT_TRUE(keep.entryList(QDir::Files).isEmpty());
    session.Close();
    EXPECT_FALSE(keep.exists());
}

TEST(ShowHistoryWithoutFolder, StepsThatKeepFilesAreRefused) {
    QTemporaryDir dir;
    ShowModel show;
    WorkFiles files;
    ShowHistory history(show, files);
    const std::string file = dir.filePath("w.bmp").toStdString();
    std::ofstream(file) << "picture";
    auto s = Slide::MakeDefault();
    s.WorkFile = file;
    EXPECT_FALSE(history.Apply({edit::InsertSlide{0, s}}, "add"));
    EXPECT_TRUE(show.Slides().empty());
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_FALSE(history.IsModified());
    // Values alone keep no file: they go through.
    ShowOptions options;
    options.EndFadeSeconds = 2;
    EXPECT_TRUE(history.Apply({edit::SetOptions{options}}, "fade"));
    EXPECT_TRUE(history.IsModified());
}

} // namespace
