// The project file at the byte level: layout, round trips, damaged and hostile files, Cancel,
// and a save that runs out of disk. Imports are simple copies here, so these tests see only the
// file format; the round trip through the real import lives with the import tests.
#include "Outcomes.h"
#include "project/ProjectFile.h"
#include "project/Records.h"
#include "project/ShowSession.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <zlib.h>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ProjectFileFixture.h"

namespace project_file_test {

namespace {

TEST_F(ProjectFileTest, LayoutOfAWrittenFile) {
    MakeShow();
    const std::string file = root + "show.qvs";
    ASSERT_EQ(outcomes::OutcomeOf(SaveProject(ShowModel(show), file, quiet)), SaveOutcome::Saved);
    const QByteArray bytes = ReadAll(file);
    const std::int64_t expected =
        16 + 3 * 2644 + 2 * 2331 + 5 * 8 + 1000 + 700000 + 1 + 600000 + 10;
    ASSERT_EQ(bytes.size(), expected);
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    EXPECT_EQ(base::LoadLE<std::int32_t>(p), 1);
    EXPECT_EQ(base::LoadLE<std::uint32_t>(p + 4), 777u);
    EXPECT_EQ(base::LoadLE<std::int32_t>(p + 8), 3);
    EXPECT_EQ(base::LoadLE<std::int32_t>(p + 12), 2);
    EXPECT_EQ(base::LoadLE<std::int32_t>(p + 16 + 2644), 7); // ShowSeconds of photo 2
    const std::size_t sizes = 16 + 3 * 2644 + 2 * 2331;
    EXPECT_EQ(base::LoadLE<std::int64_t>(p + sizes + 8), 700000);
    EXPECT_EQ(base::LoadLE<std::int64_t>(p + sizes + 24), 600000);
    EXPECT_EQ(bytes.at(static_cast<int>(sizes + 40)), 'a');
    EXPECT_EQ(bytes.at(bytes.size() - 1), 'w');
}

TEST_F(ProjectFileTest, RoundTripKeepsOrderTimesAndTitles) {
    MakeShow();
    const std::string file = root + "show.qvs";
    ASSERT_EQ(outcomes::OutcomeOf(SaveProject(ShowModel(show), file, quiet)), SaveOutcome::Saved);
    ShowContent other;
    std::swap(show, other);
    show.WorkPrefix = 1;
    ScriptedProgress progress;
    const LoadResult r = LoadProject(show, files, file, progress, hooks);
    ASSERT_EQ(outcomes::OutcomeOf(r), LoadOutcome::Loaded) << outcomes::ErrorOf(r);
    ASSERT_EQ(show.Slides.size(), 3u);
    EXPECT_EQ(show.Slides[1].StillMs, 7000);
    EXPECT_EQ(show.Slides[1].TransitionKind, 13);
    EXPECT_EQ(show.Slides[0].TransitionMs, 2000);
    EXPECT_EQ(show.Slides[0].BackColor, 0x123456);
    EXPECT_EQ(show.Slides[1].BackColor, static_cast<int>(0xFF00000F));
    EXPECT_EQ(ReadAll(show.Slides[1].WorkFile), QByteArray(700000, 'b'));
    ASSERT_EQ(show.Sounds.size(), 2u);
    EXPECT_EQ(show.Sounds[0].PlaySeconds, 40);
    EXPECT_EQ(show.Sounds[0].LengthSeconds, 45);
    EXPECT_EQ(show.Sounds[0].Volume, 55);
    EXPECT_EQ(show.Sounds[0].Title, std::string("Первая"));
    EXPECT_EQ(ReadAll(show.Sounds[1].WorkFile), QByteArray(10, 'w'));
    // The prefix of the file names every working file made from now on.
    EXPECT_EQ(show.WorkPrefix, 777u);
    EXPECT_NE(show.Sounds[1].WorkFile.find("/777_"), std::string::npos);
    EXPECT_EQ(imported[0], files.PicturesDir() + "777.bmp");
    EXPECT_EQ(imported[4], files.MusicDir() + "777.WAV");
    EXPECT_EQ(progress.last, 100);
    EXPECT_EQ(progress.closed, 1);
    // Temporary files are gone.
    EXPECT_FALSE(QFile::exists(QString::fromStdString(imported[0])));
}

TEST_F(ProjectFileTest, PhotosOnlyAndTracksOnly) {
    AddSlide(QByteArray(10, 'x'), 1, 0, 0, 0);
    const std::string file = root + "photos.qvs";
    ASSERT_EQ(outcomes::OutcomeOf(SaveProject(ShowModel(show), file, quiet)), SaveOutcome::Saved);
    EXPECT_EQ(ReadAll(file).size(), 16 + 2644 + 8 + 10);

    DiscardShow(show, files);
    AddTrack(QByteArray(10, 'm'), ".mp3", 1, 1, "t");
    const std::string none = root + "tracks.qvs";
    EXPECT_EQ(outcomes::OutcomeOf(SaveProject(ShowModel(show), none, quiet)),
              SaveOutcome::NothingToSave);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(none)));
}

TEST_F(ProjectFileTest, FormatNumbers) {
    MakeShow();
    const std::string file = root + "show.qvs";
    ASSERT_EQ(outcomes::OutcomeOf(SaveProject(ShowModel(show), file, quiet)), SaveOutcome::Saved);
    QByteArray bytes = ReadAll(file);
    for (std::int32_t version : {2, 0, -5}) {
        base::StoreLE<std::int32_t>(reinterpret_cast<std::uint8_t*>(bytes.data()), version);
        WriteAll(root + "v.qvs", bytes);
        ShowContent target;
        target.Slides.push_back(Slide::MakeDefault()); // an open show
        const LoadResult r = LoadProject(target, files, root + "v.qvs", quiet, {});
        if (version == 2) {
            EXPECT_EQ(outcomes::OutcomeOf(r), outcomes::kLoadFailed);
            EXPECT_TRUE(!r);
            EXPECT_EQ(target.Slides.size(), 1u); // kept
        } else {
            EXPECT_EQ(outcomes::OutcomeOf(r), LoadOutcome::Loaded) << version;
        }
    }
}

// A file cut at any field boundary or inside the data is refused before the open show is
// touched, so the user keeps the show they had.
TEST_F(ProjectFileTest, CutFilesAreRefusedAndTheOpenShowStays) {
    MakeShow();
    const std::string file = root + "show.qvs";
    ASSERT_EQ(outcomes::OutcomeOf(SaveProject(ShowModel(show), file, quiet)), SaveOutcome::Saved);
    const QByteArray bytes = ReadAll(file);
    const int records = 16 + 3 * 2644 + 2 * 2331;
    std::vector<int> cuts = {0,
                             3,
                             4,
                             8,
                             12,
                             15,
                             16,
                             16 + 2644,
                             16 + 2 * 2644 + 100,
                             records - 1,
                             records,
                             records + 8,
                             records + 39,
                             records + 40,
                             records + 41,
                             records + 40 + 1000,
                             static_cast<int>(bytes.size()) - 1};
    for (int cut : cuts) {
        WriteAll(root + "cut.qvs", bytes.left(cut));
        ShowContent target;
        target.Slides.push_back(Slide::MakeDefault());
        const LoadResult r = LoadProject(target, files, root + "cut.qvs", quiet, hooks);
        EXPECT_EQ(outcomes::OutcomeOf(r), outcomes::kLoadFailed) << "cut at " << cut;
        EXPECT_FALSE(outcomes::ErrorOf(r).empty());
        EXPECT_EQ(target.Slides.size(), 1u) << "cut at " << cut;
    }
    ShowContent target;
    EXPECT_EQ(outcomes::OutcomeOf(LoadProject(target, files, root + "missing.qvs", quiet, hooks)),
              outcomes::kLoadFailed);
}

TEST_F(ProjectFileTest, HostileCountsSizesAndExtensions) {
    QByteArray header(16, '\0');
    auto* h = reinterpret_cast<std::uint8_t*>(header.data());
    base::StoreLE<std::int32_t>(h, 1);
    base::StoreLE<std::int32_t>(h + 8, 2000000000);
    WriteAll(root + "huge.qvs", header);
    ShowContent target;
    EXPECT_EQ(outcomes::OutcomeOf(LoadProject(target, files, root + "huge.qvs", quiet, hooks)),
              outcomes::kLoadFailed);
    base::StoreLE<std::int32_t>(h + 8, -1);
    WriteAll(root + "neg.qvs", header);
    EXPECT_EQ(outcomes::OutcomeOf(LoadProject(target, files, root + "neg.qvs", quiet, hooks)),
              outcomes::kLoadFailed);

    // Track records naming a path, "..", a long or a foreign extension are skipped; the tracks
    // after them still load at the right place.
    AddSlide(QByteArray(5, 'p'), 1, 0, 0, 0);
    for (const char* ext : {".mp3", ".exe", ".ogg"})
        AddTrack(QByteArray(3, ext[1]), ext, 1, 1, ext);
    ASSERT_EQ(outcomes::OutcomeOf(SaveProject(ShowModel(show), root + "ext.qvs", quiet)),
              SaveOutcome::Saved);
    QByteArray bytes = ReadAll(root + "ext.qvs");
    const std::string first = "C:\\x\\track.mp3/../../../../etc";
    const std::string second = "C:\\music\\..\\..\\evil.exe";
    std::memcpy(bytes.data() + 16 + 2644 + 14, first.c_str(), first.size() + 1);
    std::memcpy(bytes.data() + 16 + 2644 + 2331 + 14, second.c_str(), second.size() + 1);
    WriteAll(root + "ext.qvs", bytes);
    ShowContent other;
    imported.clear();
    std::swap(show, other);
    ASSERT_EQ(outcomes::OutcomeOf(LoadProject(show, files, root + "ext.qvs", quiet, hooks)),
              LoadOutcome::Loaded);
    ASSERT_EQ(show.Sounds.size(), 1u);
    EXPECT_EQ(show.Sounds[0].Title, ".ogg");
    EXPECT_EQ(ReadAll(show.Sounds[0].WorkFile), QByteArray(3, 'o'));
}

TEST_F(ProjectFileTest, WindowsWrittenPathsAreIgnored) {
    AddSlide(QByteArray(5, 'p'), 4, 1, 1, 0);
    AddTrack(QByteArray(3, 'q'), ".ogg", 9, 80, "x");
    show.Slides[0].WorkFile = "C:\\Documents and Settings\\user\\Temp\\pictures\\1_0001.bmp";
    show.Sounds[0].WorkFile = "C:\\Temp\\music\\1_0001.OGG";
    // Sizes are measured from the paths, so write the file by hand from the records.
    QByteArray bytes(16, '\0');
    auto* h = reinterpret_cast<std::uint8_t*>(bytes.data());
    base::StoreLE<std::int32_t>(h, 1);
    base::StoreLE<std::uint32_t>(h + 4, 31337);
    base::StoreLE<std::int32_t>(h + 8, 1);
    base::StoreLE<std::int32_t>(h + 12, 1);
    const SlideRecord slide = PackSlide(show.Slides[0]);
    const TrackRecord track = PackTrack(show.Sounds[0]);
    bytes.append(reinterpret_cast<const char*>(&slide), 2644);
    bytes.append(reinterpret_cast<const char*>(&track), 2331);
    base::le_i64 five(5), three(3);
    bytes.append(reinterpret_cast<const char*>(&five), 8);
    bytes.append(reinterpret_cast<const char*>(&three), 8);
    bytes.append("ppppp").append("qqq");
    WriteAll(root + "win.qvs", bytes);
    show.Slides.clear();
    show.Sounds.clear();
    ASSERT_EQ(outcomes::OutcomeOf(LoadProject(show, files, root + "win.qvs", quiet, hooks)),
              LoadOutcome::Loaded);
    ASSERT_EQ(show.Sounds.size(), 1u);
    EXPECT_EQ(imported.back(), files.MusicDir() + "31337.OGG");
    EXPECT_EQ(show.Sounds[0].PlaySeconds, 9);
}

TEST_F(ProjectFileTest, UndecodableItemsAreSkipped) {
    AddSlide("BAD photo", 9, 9, 9, 9);
    AddSlide(QByteArray(4, 'g'), 2, 3, 4, 5);
    ASSERT_EQ(outcomes::OutcomeOf(SaveProject(ShowModel(show), root + "skip.qvs", quiet)),
              SaveOutcome::Saved);
    ShowContent other;
    std::swap(show, other);
    ASSERT_EQ(outcomes::OutcomeOf(LoadProject(show, files, root + "skip.qvs", quiet, hooks)),
              LoadOutcome::Loaded);
    ASSERT_EQ(show.Slides.size(), 1u);
    EXPECT_EQ(show.Slides[0].StillMs, 2000); // the stored fields of the skipped one are unused
}

TEST_F(ProjectFileTest, CancelDuringSaveKeepsTheOldFile) {
    MakeShow();
    const std::string file = root + "keep.qvs";
    WriteAll(file, "previous version");
    ScriptedProgress progress;
    int pumps = 0;
    progress.onPump = [&] {
        if (++pumps == 3)
            progress.RequestCancel();
    };
    EXPECT_EQ(outcomes::OutcomeOf(SaveProject(ShowModel(show), file, progress)),
              SaveOutcome::Cancelled);
    EXPECT_EQ(ReadAll(file), QByteArray("previous version"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.qvs"}); // no temp left
    EXPECT_EQ(show.Slides.size(), 3u);
    EXPECT_EQ(progress.closed, 1);
}

TEST_F(ProjectFileTest, CancelDuringLoadLeavesAnEmptyShow) {
    MakeShow();
    ASSERT_EQ(outcomes::OutcomeOf(SaveProject(ShowModel(show), root + "c.qvs", quiet)),
              SaveOutcome::Saved);
    ScriptedProgress progress;
    progress.onPump = [&] {
        if (show.Slides.size() == 1)
            progress.RequestCancel();
    };
    const LoadResult r = LoadProject(show, files, root + "c.qvs", progress, hooks);
    EXPECT_EQ(outcomes::OutcomeOf(r), LoadOutcome::Cancelled);
    EXPECT_FALSE(!r);
    EXPECT_TRUE(show.Slides.empty());
    EXPECT_TRUE(show.Sounds.empty());
    EXPECT_TRUE(QDir(QString::fromStdString(files.PicturesDir())).entryList(QDir::Files).isEmpty());
}

// A save that hits the file-size limit (as a full disk would) reports the error and leaves the
// previous file as it was. Runs in a child so the limit stays there.
TEST_F(ProjectFileTest, FullDiskKeepsThePreviousFile) {
    MakeShow();
    const std::string file = root + "full.qvs";
    WriteAll(file, "the good old show");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{100000, 100000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        base::NoProgress none;
        const SaveResult r = SaveProject(ShowModel(show), file, none);
        ::_exit(outcomes::OutcomeOf(r) == outcomes::kSaveFailed && !outcomes::ErrorOf(r).empty()
                    ? 0
                    : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadAll(file), QByteArray("the good old show"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"full.qvs"});
}

// Every file in the test folder, hidden ones (a temporary file of the save) included.
QStringList FilesIn(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// A save whose working copy has vanished fails with a message naming it and leaves the project
// file that was there as it was: it never writes a file that lists a missing item.
TEST_F(ProjectFileTest, SaveWithAVanishedWorkingCopyFails) {
    MakeShow();
    const std::string file = root + "keep.qvs";
    WriteAll(file, "the show as it was");
    const std::string gone = show.Sounds[1].WorkFile;
    ASSERT_TRUE(QFile::remove(QString::fromStdString(gone)));
    ScriptedProgress progress;
    const SaveResult r = SaveProject(ShowModel(show), file, progress);
    EXPECT_EQ(outcomes::OutcomeOf(r), outcomes::kSaveFailed);
    EXPECT_NE(outcomes::ErrorOf(r).find(gone), std::string::npos) << outcomes::ErrorOf(r);
    EXPECT_NE(outcomes::ErrorOf(r).find("track 2"), std::string::npos) << outcomes::ErrorOf(r);
    EXPECT_EQ(ReadAll(file), QByteArray("the show as it was"));
    EXPECT_EQ(FilesIn(dir), QStringList{"keep.qvs"});
    EXPECT_EQ(progress.opened, progress.closed);
}

// A path that exists and is not a regular file is refused and left as it was; a link is
// followed, so the file it names gets the show and the link stays.
TEST_F(ProjectFileTest, SaveRefusesWhatIsNotARegularFileAndFollowsLinks) {
    MakeShow();
    const std::string fifo = root + "pipe.qvs";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(root + "folder.qvs")));
    ASSERT_EQ(::symlink((root + "pipe.qvs").c_str(), (root + "to-pipe.qvs").c_str()), 0);
    for (const std::string& target : {fifo, root + "folder.qvs", root + "to-pipe.qvs"}) {
        const SaveResult r = SaveProject(ShowModel(show), target, quiet);
        EXPECT_EQ(outcomes::OutcomeOf(r), outcomes::kSaveFailed) << target;
        EXPECT_NE(outcomes::ErrorOf(r).find("not a regular file"), std::string::npos)
            << outcomes::ErrorOf(r);
    }
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    ASSERT_EQ(::lstat((root + "folder.qvs").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));

    // A link (relative, through a second link) to a file with its own mode.
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(root + "real")));
    WriteAll(root + "real/show.qvs", "old");
    ASSERT_EQ(::chmod((root + "real/show.qvs").c_str(), 0640), 0);
    ASSERT_EQ(::symlink("real/show.qvs", (root + "inner.qvs").c_str()), 0);
    ASSERT_EQ(::symlink("inner.qvs", (root + "outer.qvs").c_str()), 0);
    ASSERT_EQ(outcomes::OutcomeOf(SaveProject(ShowModel(show), root + "outer.qvs", quiet)),
              SaveOutcome::Saved);
    ASSERT_EQ(::lstat((root + "outer.qvs").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::lstat((root + "real/show.qvs").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadAll(root + "real/show.qvs").size(), ReadAll(root + "outer.qvs").size());
    EXPECT_GT(ReadAll(root + "real/show.qvs").size(), 1000);
}

// Opening a FIFO answers at once (it would wait for a writer forever); a folder is refused too.
TEST_F(ProjectFileTest, LoadRefusesWhatIsNotARegularFileWithoutWaiting) {
    const std::string fifo = root + "pipe.qvs";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(root + "folder.qvs")));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(10); // a load that blocks ends the child by SIGALRM
        for (const std::string& path : {fifo, root + "folder.qvs"}) {
            ShowContent target;
            target.Slides.push_back(Slide::MakeDefault());
            const LoadResult r = LoadProject(target, files, path, quiet, hooks);
            if (outcomes::OutcomeOf(r) != outcomes::kLoadFailed ||
                outcomes::ErrorOf(r).find("not a regular file") == std::string::npos ||
                target.Slides.size() != 1)
                ::_exit(1);
        }
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "the load blocked";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// A load that fails half-way (the second photo's working copy cannot be written) fails with the
// import's message and leaves an empty show and empty working folders, not a show that lacks a
// photo; the progress is closed.
TEST_F(ProjectFileTest, LoadThatFailsHalfWay) {
    AddSlide(QByteArray(10, 'a'), 3, 0, 0, 0);
    AddSlide("FULL: no room for this one", 4, 0, 0, 0);
    AddSlide(QByteArray(10, 'c'), 5, 0, 0, 0);
    AddTrack(QByteArray(10, 'm'), ".mp3", 4, 50, "t");
    ASSERT_EQ(outcomes::OutcomeOf(SaveProject(ShowModel(show), root + "half.qvs", quiet)),
              SaveOutcome::Saved);
    ScriptedProgress progress;
    const LoadResult r = LoadProject(show, files, root + "half.qvs", progress, hooks);
    EXPECT_EQ(outcomes::OutcomeOf(r), outcomes::kLoadFailed);
    EXPECT_TRUE(!r);
    EXPECT_NE(outcomes::ErrorOf(r).find("photo 2"), std::string::npos) << outcomes::ErrorOf(r);
    EXPECT_NE(outcomes::ErrorOf(r).find("no space left"), std::string::npos)
        << outcomes::ErrorOf(r);
    EXPECT_TRUE(show.Slides.empty());
    EXPECT_TRUE(show.Sounds.empty());
    EXPECT_EQ(imported.size(), 2u); // nothing after the failure was imported
    EXPECT_TRUE(QDir(QString::fromStdString(files.PicturesDir())).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(QDir(QString::fromStdString(files.MusicDir())).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(progress.closed, 1);
}

// The same when copying a photo out of the file hits a full disk: the reason travels up.
TEST_F(ProjectFileTest, LoadThatRunsOutOfDiskHalfWay) {
    AddSlide(QByteArray(1000, 'a'), 3, 0, 0, 0);
    AddSlide(QByteArray(300000, 'b'), 4, 0, 0, 0);
    ASSERT_EQ(outcomes::OutcomeOf(SaveProject(ShowModel(show), root + "big.qvs", quiet)),
              SaveOutcome::Saved);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{100000, 100000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const LoadResult r = LoadProject(show, files, root + "big.qvs", quiet, hooks);
        const bool ok = outcomes::OutcomeOf(r) == outcomes::kLoadFailed &&
                        outcomes::ErrorOf(r).find("photo 2") != std::string::npos &&
                        outcomes::ErrorOf(r).find("File too large") != std::string::npos &&
                        show.Slides.empty();
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(ProjectFileNames, StoredTrackExtensions) {
    for (const char* ok : {".mp3", ".OGG", ".Wav"})
        EXPECT_TRUE(IsStoredTrackExtension(ok)) << ok;
    for (const char* bad : {"", ".", ".mp", ".mp3x", "/.mp3", "..", ".exe", ".mp3/"})
        EXPECT_FALSE(IsStoredTrackExtension(bad)) << bad;
}

} // namespace

} // namespace project_file_test
