// Import of photos and tracks into a show, as the main window, the project loader and the console
// tool do it: fitting, working names, thumbnails, dropped folders, damaged files, and the project
// file round trip through the real import. Photos and sounds are made by outside tools.
#include "AudioFiles.h"
#include "Outcomes.h"
#include "imaging/BmpFile.h"
#include "media/music/TrackImport.h"
#include "project/Import.h"
#include "project/ProjectFile.h"
#include "project/ShowSession.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using testing_audio::Quote;
using testing_audio::RunTool;

class ImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir().mkpath(dir.filePath("in")));
        ASSERT_TRUE(session.Open(dir.path().toStdString()).ok());
        work = session.Files();
        work.SetPrefix(42);
        show.WorkPrefix = 42;
    }
    std::string In(const std::string& name) const {
        return dir.filePath(QString::fromStdString("in/" + name)).toStdString();
    }
    // A picture made by ImageMagick.
    std::string Convert(const std::string& args, const std::string& name) const {
        const std::string out = In(name);
        EXPECT_TRUE(RunTool("convert " + args + " " + Quote(out))) << args;
        return out;
    }
    std::size_t FilesIn(const std::string& folder) const {
        return static_cast<std::size_t>(
            QDir(QString::fromStdString(folder)).entryList(QDir::Files).size());
    }
    QTemporaryDir dir;
    project::ShowSession session;
    project::ShowContent show; // the show as values, its copies made by `work`
    project::PhotoSettings photos;
    project::WorkFiles work;
};

TEST(Fitting, TheDocumentedExamples) {
    using imaging::ImageSize;
    EXPECT_EQ(project::FittedSize(4000, 3000, 1024, 768), (ImageSize{1024, 768}));
    EXPECT_EQ(project::FittedSize(3000, 4000, 1024, 768), (ImageSize{576, 768}));
    EXPECT_EQ(project::FittedSize(2000, 800, 1024, 768), (ImageSize{1024, 410}));
    EXPECT_EQ(project::FittedSize(100, 50, 1024, 768), (ImageSize{1024, 512}));
    EXPECT_EQ(project::FittedSize(500, 500, 1280, 1024), (ImageSize{1024, 1024})); // square
    // Halves go to the even neighbour: 1280 * 5 / 16 = 400, 1024 * 3 / 8 = 384, and
    // 1000 * 1 / 8 = 125 exactly; 1002 * 1 / 4 = 250.5 -> 250, 1006 / 4 = 251.5 -> 252.
    EXPECT_EQ(project::FittedSize(4, 1, 1002, 768).Height, 250);
    EXPECT_EQ(project::FittedSize(4, 1, 1006, 768).Height, 252);
}

TEST_F(ImportTest, PhotosOfEveryKindAreFittedAndNamed) {
    photos.Resolution = "1024x768";
    const std::string jpeg = Convert("-size 400x300 xc:red", "a.jpg");
    const std::string png = Convert("-size 300x400 xc:blue", "b.PNG");
    const std::string gif = Convert("-size 200x80 xc:lime", "c.gif");
    const std::string bmp = Convert("-size 64x32 xc:yellow -type truecolor", "d.bmp");
    const std::pair<std::string, imaging::ImageSize> cases[] = {
        {jpeg, {1024, 768}}, {png, {576, 768}}, {gif, {1024, 410}}, {bmp, {1024, 512}}};
    for (const auto& [path, size] : cases) {
        auto added = project::AddPhoto(show, work, photos, path);
        ASSERT_TRUE(project::Added(added)) << path;
        const auto& s = show.Slides[added->Item.Index];
        const auto stored = imaging::LoadBmpFile(s.WorkFile);
        ASSERT_TRUE(stored) << stored.error();
        EXPECT_EQ(stored->Width, size.Width) << path;
        EXPECT_EQ(stored->Height, size.Height) << path;
        EXPECT_EQ(added->Item.Thumbnail.Width, 90);
        EXPECT_EQ(added->Item.Thumbnail.Height, 90);
        EXPECT_EQ(s.StillMs, 10000);
        EXPECT_EQ(s.Caption.Font, "Arial");
    }
    EXPECT_EQ(show.Slides[0].WorkFile, work.PicturesDir() + "42_0001.bmp");
    EXPECT_EQ(show.Slides[3].WorkFile, work.PicturesDir() + "42_0004.bmp");
    // The thumbnail is the centre of the fitted photo: blue for the blue PNG.
    auto again = project::AddPhoto(show, work, photos, png);
    ASSERT_TRUE(project::Added(again));
    const std::uint8_t* centre = again->Item.Thumbnail.Row(45) + 45 * 3;
    EXPECT_GT(centre[0], 200);
    EXPECT_LT(centre[2], 60);
}

TEST_F(ImportTest, DefaultResolutionAndLabelReuse) {
    const std::string jpeg = Convert("-size 400x300 xc:red", "a.jpg");
    for (const char* resolution : {"", "big", "1280x"}) {
        photos.Resolution = resolution;
        auto added = project::AddPhoto(show, work, photos, jpeg);
        ASSERT_TRUE(project::Added(added));
        const auto stored = imaging::LoadBmpFile(show.Slides.back().WorkFile);
        ASSERT_TRUE(stored) << stored.error();
        EXPECT_EQ(stored->Width, 1280) << resolution;
        EXPECT_EQ(stored->Height, 960) << resolution;
    }
    // Deleting the first photo frees label 0001 for the next one.
    work.Remove(show.Slides[0].WorkFile);
    show.Slides.erase(show.Slides.begin());
    ASSERT_TRUE(project::Added(project::AddPhoto(show, work, photos, jpeg)));
    EXPECT_EQ(show.Slides.back().WorkFile, work.PicturesDir() + "42_0001.bmp");
}

TEST_F(ImportTest, DamagedAndForeignFilesAreSkippedSilently) {
    const std::string good = Convert("-size 40x30 xc:red", "good.jpg");
    QFile jpg(QString::fromStdString(good));
    ASSERT_TRUE(jpg.open(QIODevice::ReadOnly));
    const QByteArray bytes = jpg.readAll();
    for (const char* name : {"cut.jpg", "cut.png", "cut.gif", "cut.bmp", "cut.wmf", "text.txt"}) {
        QFile f(QString::fromStdString(In(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes.left(bytes.size() / 3));
        f.close();
        EXPECT_FALSE(project::Added(project::AddPhoto(show, work, photos, In(name)))) << name;
    }
    EXPECT_FALSE(project::Added(project::AddPhoto(show, work, photos, In("missing.jpg"))));
    EXPECT_TRUE(show.Slides.empty());
    EXPECT_EQ(FilesIn(work.PicturesDir()), 0u);
}

TEST_F(ImportTest, DroppedFolderGivesItsPhotosOnly) {
    Convert("-size 40x30 xc:red", "b.jpg");
    Convert("-size 40x30 xc:blue", "a.png");
    ASSERT_TRUE(QDir().mkpath(dir.filePath("in/sub")));
    Convert("-size 40x30 xc:lime", "sub/c.gif");
    ASSERT_TRUE(RunTool("sox -n -r 8000 -c 1 " + Quote(In("song.wav")) + " synth 1 sine 300"));
    ASSERT_TRUE(RunTool("cp " + Quote(In("song.wav")) + " " + Quote(In("song.mp3"))));
    const auto photos = project::PhotosInFolder(dir.filePath("in").toStdString());
    ASSERT_EQ(photos.size(), 2u);
    EXPECT_EQ(std::filesystem::path(photos[0]).filename(), "a.png");
    EXPECT_EQ(std::filesystem::path(photos[1]).filename(), "b.jpg");
}

TEST_F(ImportTest, TracksGetTitleLengthAndACopy) {
    testing_audio::LoadRealLibrary();
    auto& files = testing_audio::AudioFiles::Get();
    const std::string wav = files.Wav("import7.wav", 7.4);
    const std::string mp3 = files.Mp3("import7.mp3", wav, "-b 128 --tt Tune --ta Band");
    auto index = media::AddTrack(show, work, mp3);
    ASSERT_TRUE(project::Added(index));
    const auto& t = show.Sounds[index->Item];
    EXPECT_EQ(t.Title, "Band - Tune");
    EXPECT_EQ(t.LengthSeconds, 7);
    EXPECT_EQ(t.PlaySeconds, 7);
    EXPECT_EQ(t.Volume, 100);
    EXPECT_EQ(t.WorkFile, work.MusicDir() + "42_0001.mp3");
    ASSERT_TRUE(project::Added(media::AddTrack(show, work, wav)));
    EXPECT_EQ(show.Sounds[1].Title, "import7"); // no tags: the name without ".wav"
    // A broken track or a foreign extension adds nothing and leaves no copy behind.
    QFile junk(QString::fromStdString(In("junk.ogg")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("OggS but not really");
    junk.close();
    EXPECT_FALSE(project::Added(media::AddTrack(show, work, In("junk.ogg"))));
    EXPECT_FALSE(project::Added(media::AddTrack(show, work, wav + ".flac")));
    EXPECT_EQ(show.Sounds.size(), 2u);
    EXPECT_EQ(FilesIn(work.MusicDir()), 2u);
}

// Saved and opened again through the real import: order, times, colours, titles and volumes
// come back, and effects drawn into the working copies come back as the same pixels.
TEST_F(ImportTest, ProjectRoundTripThroughTheImport) {
    testing_audio::LoadRealLibrary();
    photos.Resolution = "1280x1024";
    ASSERT_TRUE(project::Added(
        project::AddPhoto(show, work, photos, Convert("-size 640x512 plasma:", "p1.png"))));
    ASSERT_TRUE(
        project::AddPhoto(show, work, photos, Convert("-size 300x400 gradient:", "p2.jpg")));
    show.Slides[0].StillMs = 3000;
    show.Slides[0].TransitionKind = 6;
    show.Slides[0].TransitionMs = 2000;
    show.Slides[1].BackColor = 0x00336699;
    // A "caption" drawn into the first working copy.
    auto loadedFirst = imaging::LoadBmpFile(show.Slides[0].WorkFile);
    ASSERT_TRUE(loadedFirst) << loadedFirst.error();
    imaging::Bitmap first = std::move(*loadedFirst);
    for (int y = 10; y < 30; ++y)
        std::fill_n(first.Row(y) + 30, 300, std::uint8_t{255});
    ASSERT_TRUE(imaging::SaveBmpFile(show.Slides[0].WorkFile, first));
    show.Slides[0].Caption.Text = "Hello";

    auto& files = testing_audio::AudioFiles::Get();
    const std::string wav = files.Wav("round.wav", 3);
    ASSERT_TRUE(project::Added(
        media::AddTrack(show, work, files.Mp3("round.mp3", wav, "-b 96 --tt Round"))));
    show.Sounds[0].PlaySeconds = 2;
    show.Sounds[0].Volume = 35;

    const std::string file = dir.filePath("round.qvs").toStdString();
    base::NoProgress quiet;
    ASSERT_EQ(
        outcomes::OutcomeOf(project::SaveProject(project::ShowModel(show, photos), file, quiet)),
        project::SaveOutcome::Saved);

    project::ShowContent loaded;
    project::DiscardShow(show, work);
    project::ImportHooks hooks;
    hooks.AddPhoto = [&](const std::string& p) -> project::ImportStatus {
        return project::StatusOf(project::AddPhoto(loaded, work, photos, p));
    };
    hooks.AddTrack = [&](const std::string& p) -> project::ImportStatus {
        return project::StatusOf(media::AddTrack(loaded, work, p));
    };
    ASSERT_EQ(outcomes::OutcomeOf(project::LoadProject(loaded, work, file, quiet, hooks)),
              project::LoadOutcome::Loaded);
    ASSERT_EQ(loaded.Slides.size(), 2u);
    EXPECT_EQ(loaded.Slides[0].StillMs, 3000);
    EXPECT_EQ(loaded.Slides[0].TransitionKind, 6);
    EXPECT_EQ(loaded.Slides[0].TransitionMs, 2000);
    EXPECT_EQ(loaded.Slides[1].BackColor, 0x00336699);
    EXPECT_EQ(loaded.Slides[0].Caption.Text, "Hello"); // the caption drawn into the photo
    const auto loadedBack = imaging::LoadBmpFile(loaded.Slides[0].WorkFile);
    ASSERT_TRUE(loadedBack) << loadedBack.error();
    const imaging::Bitmap& back = *loadedBack;
    ASSERT_EQ(back.Width, first.Width);
    ASSERT_EQ(back.Height, first.Height);
    for (int y = 0; y < back.Height; ++y)
        ASSERT_EQ(std::memcmp(back.Row(y), first.Row(y), static_cast<std::size_t>(back.Width) * 3),
                  0)
            << "row " << y;
    ASSERT_EQ(loaded.Sounds.size(), 1u);
    EXPECT_EQ(loaded.Sounds[0].Title, "Round");
    EXPECT_EQ(loaded.Sounds[0].PlaySeconds, 2);
    EXPECT_EQ(loaded.Sounds[0].Volume, 35);
    EXPECT_EQ(loaded.WorkPrefix, 42u);
}

// Opening a show keeps the loudness its file stored (even one no meter would give the track) and
// decodes only the track the file has none for.
TEST_F(ImportTest, AnOpenKeepsStoredLoudnessAndMeasuresOnlyTheRest) {
    testing_audio::LoadRealLibrary();
    auto& files = testing_audio::AudioFiles::Get();
    ASSERT_TRUE(project::Added(
        project::AddPhoto(show, work, photos, Convert("-size 40x30 xc:red", "one.png"))));
    ASSERT_TRUE(project::Added(media::AddTrack(show, work, files.Wav("stored.wav", 2))));
    ASSERT_TRUE(project::Added(media::AddTrack(show, work, files.Wav("unstored.wav", 3))));
    ASSERT_TRUE(show.Sounds[1].Ext.HasLoudness); // measured at import
    const project::TrackExtension measured = show.Sounds[1].Ext;
    show.Sounds[0].Ext.LoudnessLufs = -37.25;
    show.Sounds[0].Ext.TruePeakDb = -12.5;
    show.Sounds[1].Ext = {};
    // Loudness is stored while even loudness, the feature that uses it, is on.
    project::ShowOptions even;
    even.EvenLoudness = true;
    show.Options = even;
    const std::string file = dir.filePath("loudness.qvs").toStdString();
    base::NoProgress quiet;
    ASSERT_EQ(
        outcomes::OutcomeOf(project::SaveProject(project::ShowModel(show, photos), file, quiet)),
        project::SaveOutcome::Saved);

    project::ShowContent loaded;
    project::DiscardShow(show, work);
    std::vector<std::string> measuredFiles;
    project::ImportHooks hooks;
    hooks.AddPhoto = [&](const std::string& p) -> project::ImportStatus {
        return project::StatusOf(project::AddPhoto(loaded, work, photos, p));
    };
    hooks.AddTrack = [&](const std::string& p) -> project::ImportStatus {
        return project::StatusOf(
            media::AddTrack(loaded, work, p, media::TrackLoudnessAtImport::Leave));
    };
    hooks.MeasureTrack = [&](project::Track& t, base::Progress& progress) {
        measuredFiles.push_back(t.WorkFile);
        media::MeasureMissingLoudness(t, progress);
    };
    ASSERT_EQ(outcomes::OutcomeOf(project::LoadProject(loaded, work, file, quiet, hooks)),
              project::LoadOutcome::Loaded);
    ASSERT_EQ(loaded.Sounds.size(), 2u);
    EXPECT_TRUE(loaded.Sounds[0].Ext.HasLoudness);
    EXPECT_EQ(loaded.Sounds[0].Ext.LoudnessLufs, -37.25);
    EXPECT_EQ(loaded.Sounds[0].Ext.TruePeakDb, -12.5);
    EXPECT_EQ(measuredFiles, std::vector<std::string>{loaded.Sounds[1].WorkFile});
    EXPECT_EQ(loaded.Sounds[1].Ext, measured);
}

// Runs body in a child process whose files may not grow past limit bytes (a full disk for every
// write); the child's answer ("" when all held) comes back through a pipe.
std::string WithFileLimit(rlim_t limit, const std::function<std::string()>& body) {
    int fds[2];
    if (::pipe(fds) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit r{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &r);
        const std::string answer = body();
        ::write(fds[1], answer.data(), answer.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string answer;
    char buf[1024];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
        answer.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "the child ended abnormally";
    return answer;
}

// A working copy that cannot be written (a full disk) is a failure with the reason, not a file
// it cannot read: nothing is added and nothing is left in the working folders. A file it cannot
// decode is still only skipped.
TEST_F(ImportTest, AWorkingCopyThatCannotBeWrittenIsAFailure) {
    testing_audio::LoadRealLibrary();
    const std::string photo = Convert("-size 64x32 xc:yellow -type truecolor", "small.bmp");
    const std::string wav = testing_audio::AudioFiles::Get().Wav("ten.wav", 10); // 1.7 MB
    QFile junk(QString::fromStdString(In("junk.jpg")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a JPEG");
    junk.close();
    const std::string answer = WithFileLimit(1 << 20, [&]() -> std::string {
        const auto added = project::AddPhoto(show, work, photos, photo); // 1280 x 640: 2.4 MB
        if (outcomes::ImportKindOf(added) != outcomes::ImportKind::Failed)
            return "photo: not a failure";
        if (project::WhyNot(added).find("File too large") == std::string::npos)
            return "photo: " + project::WhyNot(added);
        const auto track = media::AddTrack(show, work, wav);
        if (outcomes::ImportKindOf(track) != outcomes::ImportKind::Failed)
            return "track: not a failure";
        if (project::WhyNot(track).find("File too large") == std::string::npos)
            return "track: " + project::WhyNot(track);
        if (!show.Slides.empty() || !show.Sounds.empty())
            return "an item was added";
        if (FilesIn(work.PicturesDir()) != 0 || FilesIn(work.MusicDir()) != 0)
            return "a partial working copy was left";
        if (outcomes::ImportKindOf(project::AddPhoto(show, work, photos, In("junk.jpg"))) !=
            outcomes::ImportKind::Skipped)
            return "an undecodable photo is not skipped";
        return std::string();
    });
    EXPECT_EQ(answer, "");
}

// Opening a show whose working copies cannot be written fails with the reason instead of
// opening with photos missing.
TEST_F(ImportTest, AnOpenThatCannotWriteTheWorkingCopiesFails) {
    // Two small photos in the file, fitted again to 1024 x 1024 (3 MB each) when opened where
    // the setting chooses 1280 x 1024 (a chosen size wins over the one the file keeps).
    photos.Resolution = "64x32";
    ASSERT_TRUE(project::Added(
        project::AddPhoto(show, work, photos, Convert("-size 100x100 xc:red", "a.png"))));
    ASSERT_TRUE(project::Added(
        project::AddPhoto(show, work, photos, Convert("-size 60x60 xc:blue", "b.png"))));
    const std::string file = dir.filePath("two.qvs").toStdString();
    base::NoProgress quiet;
    ASSERT_EQ(
        outcomes::OutcomeOf(project::SaveProject(project::ShowModel(show, photos), file, quiet)),
        project::SaveOutcome::Saved);
    project::DiscardShow(show, work);
    photos.Resolution = "1280x1024";
    const std::string answer = WithFileLimit(1 << 20, [&]() -> std::string {
        project::ImportHooks hooks;
        hooks.AddPhoto = [&](const std::string& p) -> project::ImportStatus {
            return project::StatusOf(project::AddPhoto(show, work, photos, p));
        };
        const auto r = project::LoadProject(show, work, file, quiet, hooks);
        if (outcomes::OutcomeOf(r) != outcomes::kLoadFailed || !!r)
            return "the open did not fail";
        if (outcomes::ErrorOf(r).find("photo 1") == std::string::npos ||
            outcomes::ErrorOf(r).find("File too large") == std::string::npos)
            return "message: " + outcomes::ErrorOf(r);
        if (!show.Slides.empty() || FilesIn(work.PicturesDir()) != 0)
            return "a partial show was left";
        return std::string();
    });
    EXPECT_EQ(answer, "");
}

// Past the last working name the import is refused with a message; the copy that holds that
// name is never deleted or overwritten.
TEST_F(ImportTest, ImportsStopWhenTheWorkingNamesRunOut) {
    testing_audio::LoadRealLibrary();
    const std::string wav = testing_audio::AudioFiles::Get().Wav("short.wav", 1);
    const std::string photo = Convert("-size 40x30 xc:red", "p.png");
    for (const std::string& folder : {work.PicturesDir(), work.MusicDir()})
        for (int i = 1; i <= project::kMaxWorkNames; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "42_%04d.%s", i,
                          folder == work.PicturesDir() ? "bmp" : "wav");
            std::ofstream(folder + name) << "copy " << i;
        }
    const auto added = project::AddPhoto(show, work, photos, photo);
    EXPECT_EQ(outcomes::ImportKindOf(added), outcomes::ImportKind::Failed);
    EXPECT_NE(project::WhyNot(added).find("9999"), std::string::npos) << project::WhyNot(added);
    const auto track = media::AddTrack(show, work, wav);
    EXPECT_EQ(outcomes::ImportKindOf(track), outcomes::ImportKind::Failed);
    EXPECT_TRUE(show.Slides.empty());
    EXPECT_TRUE(show.Sounds.empty());
    for (const std::string& last :
         {work.PicturesDir() + "42_9999.bmp", work.MusicDir() + "42_9999.wav"}) {
        std::ifstream in(last);
        std::string text;
        std::getline(in, text);
        EXPECT_EQ(text, "copy 9999") << last;
    }
}

// File names are bytes: a photo and a track whose names are Latin-1, not UTF-8, come in, also
// from a folder.
TEST_F(ImportTest, NamesThatAreNotUtf8) {
    testing_audio::LoadRealLibrary();
    const std::string plain = Convert("-size 400x300 xc:red", "plain.jpg");
    const std::string cafe = In("caf\xe9.jpg");
    ASSERT_EQ(::rename(plain.c_str(), cafe.c_str()), 0);
    const std::string folder = In("d\xe9j\xe0");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(::rename(Convert("-size 30x40 xc:blue", "q.png").c_str(),
                       (folder + "/\xe9t\xe9.png").c_str()),
              0);
    const std::string wav = testing_audio::AudioFiles::Get().Wav("latin.wav", 2);
    const std::string track = In("m\xfasica.wav");
    ASSERT_TRUE(std::filesystem::copy_file(wav, track));

    const auto photo = project::AddPhoto(show, work, photos, cafe);
    ASSERT_TRUE(project::Added(photo)) << project::WhyNot(photo);
    const std::vector<std::string> inFolder = project::PhotosInFolder(folder);
    ASSERT_EQ(inFolder, std::vector<std::string>{folder + "/\xe9t\xe9.png"});
    ASSERT_TRUE(project::Added(project::AddPhoto(show, work, photos, inFolder[0])));
    const auto added = media::AddTrack(show, work, track);
    ASSERT_TRUE(project::Added(added)) << project::WhyNot(added);
    EXPECT_EQ(show.Sounds[added->Item].LengthSeconds, 2);
    // The name; the byte that is not UTF-8 shows as the replacement character (the record keeps
    // "?" for it).
    EXPECT_EQ(show.Sounds[added->Item].Title, "m\uFFFDsica");
    EXPECT_EQ(show.Slides.size(), 2u);
}

} // namespace
