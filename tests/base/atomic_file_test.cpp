#include "base/AtomicFile.h"

#include "support/FileBytes.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace atomic_file_test {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
protected:
    std::string P(const std::string& name) const {
        return dir.filePath(name.c_str()).toStdString();
    }
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(P(name), std::ios::binary) << text;
    }
    QTemporaryDir dir;
};

// The new bytes replace the old file only on Commit, which keeps the old file's mode; a write
// that is discarded (or whose object goes away uncommitted) leaves the old file and no
// temporary behind.
TEST_F(AtomicFileTest, OnlyACommitReplacesTheFileAndNothingIsLeftBehind) {
    Write("show.qvs", "old");
    ASSERT_EQ(::chmod(P("show.qvs").c_str(), 0640), 0);
    {
        base::AtomicFile file(P("show.qvs"));
        ASSERT_TRUE(file.Open());
        ASSERT_TRUE(file.Write("half", 4));
    } // not committed
    EXPECT_EQ(testsupport::FileBytes(P("show.qvs")), "old");
    base::AtomicFile file(P("show.qvs"));
    ASSERT_TRUE(file.Open());
    ASSERT_TRUE(file.Write("new", 3));
    EXPECT_EQ(testsupport::FileBytes(P("show.qvs")), "old");
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(testsupport::FileBytes(P("show.qvs")), "new");
    struct stat st {};
    ASSERT_EQ(::stat(P("show.qvs").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(
        std::distance(fs::directory_iterator(dir.path().toStdString()), fs::directory_iterator()),
        1);
}

// The named temporary (a video's ".part", which others may watch) writes over a leftover of an
// earlier write that never finished, but never follows a link planted under that name, and a
// folder in place of the target is refused.
TEST_F(AtomicFileTest, ANamedTemporaryReplacesALeftoverButNotALink) {
    Write("reel.mp4.part", "left by a crash");
    base::AtomicFile video(P("reel.mp4"), ".part");
    ASSERT_TRUE(video.Open());
    EXPECT_EQ(video.TempPath(), P("reel.mp4.part"));
    EXPECT_EQ(testsupport::FileBytes(P("reel.mp4.part")), "");
    ASSERT_TRUE(video.Write("frames", 6));
    ASSERT_TRUE(video.Commit(base::AtomicFile::Durability::WriteBack));
    EXPECT_EQ(testsupport::FileBytes(P("reel.mp4")), "frames");
    EXPECT_FALSE(fs::exists(P("reel.mp4.part")));

    Write("elsewhere", "keep me");
    ASSERT_EQ(::symlink(P("elsewhere").c_str(), P("other.mp4.part").c_str()), 0);
    base::AtomicFile linked(P("other.mp4"), ".part");
    const base::Status opened = linked.Open();
    ASSERT_FALSE(opened);
    EXPECT_NE(opened.error().find("other.mp4.part"), std::string::npos) << opened.error();
    EXPECT_EQ(testsupport::FileBytes(P("elsewhere")), "keep me");

    fs::create_directory(P("folder.mp4"));
    base::AtomicFile folder(P("folder.mp4"), ".part");
    EXPECT_FALSE(folder.Open());
    EXPECT_FALSE(fs::exists(P("folder.mp4.part")));
}

} // namespace atomic_file_test
