// Opening a project over the open show: the show is replaced only by a file that loaded whole; a
// refused, truncated or half-loaded file leaves it, with its working copies, as it was.
#include "Outcomes.h"
#include "WorkingCopyItems.h"
#include "project/ProjectOpen.h"
#include "project/Records.h"
#include "project/ShowSession.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <filesystem>

namespace project_open_test {

namespace {

using namespace project;

QByteArray ReadAll(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteAll(const std::string& path, const QByteArray& bytes) {
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

struct CancelAt : base::Progress {
    int pumps = 0, cancelAt = -1;
    void Pump() override {
        if (++pumps == cancelAt)
            RequestCancel();
    }
};

class ProjectOpenTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        root = dir.path().toStdString() + "/";
        ASSERT_TRUE(session.Open(dir.path().toStdString()).ok());
        importer.AddPhoto = [this](ShowContent& into, const WorkFiles& files, const PhotoSettings&,
                                   const std::string& p) { return Copy(into, files, p, true); };
        importer.AddTrack = [this](ShowContent& into, const WorkFiles& files,
                                   const std::string& p) { return Copy(into, files, p, false); };
    }
    // Stands in for the import: the file becomes the item's working copy unchanged; a file that
    // starts with "FULL" cannot be written.
    ImportStatus Copy(ShowContent& into, const WorkFiles& files, const std::string& path,
                      bool photo) {
        EXPECT_NE(&into, &show().Content()) << "a load must never import into the open show";
        const QByteArray bytes = ReadAll(path);
        if (bytes.startsWith("FULL"))
            return base::Fail("no space left for the working copy");
        const std::string name = testsupport::WorkingNameFor(files, path, photo);
        WriteAll(name, bytes);
        testsupport::AppendItem(into, name, photo);
        return project::ImportNote{};
    }
    const ShowModel& show() { return session.Show(); }
    void Add(ShowContent& m, const WorkFiles& files, const QByteArray& bytes, int seconds) {
        const std::string name = files.MakePictureName(".bmp");
        WriteAll(name, bytes);
        auto s = Slide::MakeDefault();
        s.WorkFile = name;
        s.StillMs = std::int64_t{seconds} * 1000;
        m.Slides.push_back(s);
    }
    // A saved project of `photos` (their bytes), made from a show of its own.
    std::string SaveProjectOf(const std::vector<QByteArray>& photos, const std::string& name) {
        const WorkFiles files(root + "other/", root + "other/", 4321);
        ShowContent other;
        other.WorkPrefix = 4321;
        EXPECT_TRUE(QDir().mkpath(QString::fromStdString(files.PicturesDir())));
        int seconds = 100;
        for (const auto& p : photos)
            Add(other, files, p, seconds++);
        EXPECT_EQ(outcomes::OutcomeOf(SaveProject(ShowModel(other), root + name, quiet)),
                  SaveOutcome::Saved);
        DiscardShow(other, files);
        return root + name;
    }
    // The open show: two photos whose copies must survive a failed open.
    void MakeOpenShow() {
        ShowContent open;
        Add(open, session.Files(), "old one", 1);
        Add(open, session.Files(), "old two", 2);
        session.Replace(std::move(open));
    }
    void ExpectOpenShowIntact() {
        ASSERT_EQ(show().Slides().size(), 2u);
        EXPECT_EQ(show().Slides()[0].StillMs, 1000);
        EXPECT_EQ(ReadAll(show().Slides()[0].WorkFile), QByteArray("old one"));
        EXPECT_EQ(ReadAll(show().Slides()[1].WorkFile), QByteArray("old two"));
        // Nothing of the failed load is left beside them.
        EXPECT_EQ(QDir(QString::fromStdString(session.Files().PicturesDir()))
                      .entryList(QDir::Files)
                      .size(),
                  2);
        EXPECT_TRUE(QDir(QString::fromStdString(session.Files().MusicDir()))
                        .entryList(QDir::Files)
                        .isEmpty());
    }

    QTemporaryDir dir;
    std::string root;
    ShowSession session;
    OpenImport importer;
    base::NoProgress quiet;
};

TEST_F(ProjectOpenTest, ALoadedFileReplacesTheShowAndItsCopies) {
    MakeOpenShow();
    const std::string oldFile = show().Slides()[0].WorkFile;
    const std::string file = SaveProjectOf({"new one", "new two", "new three"}, "new.qvs");
    const LoadResult r = OpenProjectOver(session, file, quiet, importer);
    ASSERT_EQ(outcomes::OutcomeOf(r), LoadOutcome::Loaded) << outcomes::ErrorOf(r);
    ASSERT_EQ(show().Slides().size(), 3u);
    EXPECT_EQ(ReadAll(show().Slides()[2].WorkFile), QByteArray("new three"));
    EXPECT_EQ(show().Slides()[2].StillMs, 102000);
    EXPECT_FALSE(std::filesystem::exists(oldFile));
    EXPECT_EQ(
        QDir(QString::fromStdString(session.Files().PicturesDir())).entryList(QDir::Files).size(),
        3);
}

TEST_F(ProjectOpenTest, AFileThatFailsHalfWayKeepsTheOpenShow) {
    MakeOpenShow();
    const std::string file = SaveProjectOf({"new one", "FULL: no room", "new three"}, "half.qvs");
    const LoadResult r = OpenProjectOver(session, file, quiet, importer);
    EXPECT_EQ(outcomes::OutcomeOf(r), outcomes::kLoadFailed);
    EXPECT_NE(outcomes::ErrorOf(r).find("photo 2"), std::string::npos) << outcomes::ErrorOf(r);
    ExpectOpenShowIntact();
}

TEST_F(ProjectOpenTest, ATruncatedOrCorruptFileKeepsTheOpenShow) {
    MakeOpenShow();
    const std::string file = SaveProjectOf({"new one", "new two"}, "whole.qvs");
    const QByteArray whole = ReadAll(file);
    for (qsizetype cut : {qsizetype(3), qsizetype(100), whole.size() - 1}) {
        WriteAll(root + "cut.qvs", whole.left(cut));
        const LoadResult r = OpenProjectOver(session, root + "cut.qvs", quiet, importer);
        EXPECT_EQ(outcomes::OutcomeOf(r), outcomes::kLoadFailed) << cut;
        ExpectOpenShowIntact();
    }
    // A photo size that claims more than the file holds.
    QByteArray corrupt = whole;
    const qsizetype sizes = 16 + 2 * qsizetype(sizeof(SlideRecord));
    corrupt[sizes + 7] = char(0x40);
    WriteAll(root + "corrupt.qvs", corrupt);
    EXPECT_FALSE(OpenProjectOver(session, root + "corrupt.qvs", quiet, importer));
    ExpectOpenShowIntact();
}

// A read or write error while a photo is copied out of the file: a directory where the copy
// must go stands in for it.
TEST_F(ProjectOpenTest, ACopyThatCannotBeWrittenKeepsTheOpenShow) {
    MakeOpenShow();
    const std::string file = SaveProjectOf({"new one", "new two"}, "blocked.qvs");
    QFile f(QString::fromStdString(file));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    ProjectHeader header;
    ASSERT_EQ(f.read(reinterpret_cast<char*>(&header), sizeof header), qint64(sizeof header));
    const std::string blocker =
        session.Files().PicturesDir() + std::to_string(header.Prefix.get()) + ".bmp";
    ASSERT_TRUE(std::filesystem::create_directory(blocker));
    const LoadResult r = OpenProjectOver(session, file, quiet, importer);
    EXPECT_EQ(outcomes::OutcomeOf(r), outcomes::kLoadFailed);
    EXPECT_NE(outcomes::ErrorOf(r).find("photo 1"), std::string::npos) << outcomes::ErrorOf(r);
    std::filesystem::remove(blocker);
    ExpectOpenShowIntact();
}

TEST_F(ProjectOpenTest, CancelEmptiesTheShowAsAlways) {
    MakeOpenShow();
    const std::string file = SaveProjectOf({"new one", "new two", "new three"}, "c.qvs");
    CancelAt progress;
    progress.cancelAt = 2;
    const LoadResult r = OpenProjectOver(session, file, progress, importer);
    EXPECT_EQ(outcomes::OutcomeOf(r), LoadOutcome::Cancelled);
    EXPECT_TRUE(show().Slides().empty());
    EXPECT_TRUE(QDir(QString::fromStdString(session.Files().PicturesDir()))
                    .entryList(QDir::Files)
                    .isEmpty());
}

} // namespace

} // namespace project_open_test
