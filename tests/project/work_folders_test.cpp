// The working folders: private to the user, per running instance, never a planted link.
#include "project/WorkFolders.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string RootOf(const QTemporaryDir& tmp) {
    return tmp.path().toStdString() + "/reelpane-" + std::to_string(::getuid());
}

TEST(WorkFolders, PrivateFoldersAreCreated) {
    QTemporaryDir tmp;
    project::WorkFolders wf;
    const base::Status claimed = wf.Claim(tmp.path().toStdString());
    ASSERT_TRUE(claimed) << claimed.error();
    EXPECT_TRUE(project::WorkFolders::IsPrivateDir(RootOf(tmp)));
    EXPECT_TRUE(fs::is_directory(wf.PicturesDir()));
    EXPECT_TRUE(fs::is_directory(wf.MusicDir()));
    EXPECT_EQ(wf.PicturesDir().back(), '/');
    EXPECT_EQ(wf.PicturesDir().rfind(RootOf(tmp), 0), 0u);
    wf.Release();
    EXPECT_FALSE(fs::exists(wf.InstanceDir()));
}

TEST(WorkFolders, PlantedLinkIsNeverUsed) {
    QTemporaryDir tmp;
    QTemporaryDir elsewhere;
    fs::create_symlink(elsewhere.path().toStdString(), RootOf(tmp));
    project::WorkFolders wf;
    const base::Status claimed = wf.Claim(tmp.path().toStdString());
    ASSERT_TRUE(claimed) << claimed.error();
    EXPECT_EQ(wf.PicturesDir().rfind(RootOf(tmp) + "/", 0), std::string::npos);
    EXPECT_TRUE(fs::is_empty(elsewhere.path().toStdString()));
    std::ofstream(wf.PicturesDir() + "0001.bmp") << "x";
    EXPECT_TRUE(fs::is_empty(elsewhere.path().toStdString()));
}

TEST(WorkFolders, FolderOpenToOthersIsNotUsed) {
    QTemporaryDir tmp;
    ASSERT_EQ(::mkdir(RootOf(tmp).c_str(), 0777), 0);
    ASSERT_EQ(::chmod(RootOf(tmp).c_str(), 0777), 0);
    project::WorkFolders wf;
    ASSERT_TRUE(wf.Claim(tmp.path().toStdString()).ok());
    EXPECT_EQ(wf.PicturesDir().rfind(RootOf(tmp) + "/", 0), std::string::npos);
    EXPECT_TRUE(project::WorkFolders::IsPrivateDir(fs::path(wf.InstanceDir()).parent_path()));
}

// A second instance (another process) must leave the first one's copies alone, and the folder
// of an instance that has ended is cleared by the next start.
TEST(WorkFolders, SecondInstanceKeepsTheFirstOnesFiles) {
    QTemporaryDir tmp;
    const std::string root = tmp.path().toStdString();
    project::WorkFolders first;
    ASSERT_TRUE(first.Claim(root).ok());
    const std::string mine = first.PicturesDir() + "1_0001.bmp";
    std::ofstream(mine) << "photo";

    int pipeFd[2];
    ASSERT_EQ(::pipe(pipeFd), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        project::WorkFolders second;
        const bool ok = second.Claim(root).ok();
        std::ofstream(second.PicturesDir() + "2_0001.bmp") << "other";
        const std::string dir = second.InstanceDir();
        // Leave without Release(), as a crashed instance would.
        ::write(pipeFd[1], dir.c_str(), dir.size());
        ::_exit(ok && second.PicturesDir() != first.PicturesDir() ? 0 : 1);
    }
    ::close(pipeFd[1]);
    char buf[4096] = {};
    const auto n = ::read(pipeFd[0], buf, sizeof buf - 1);
    ::close(pipeFd[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(fs::exists(mine)); // the second instance did not touch the first one's copy
    const std::string deadDir(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
    ASSERT_TRUE(fs::exists(deadDir));

    // A later start (a third instance, another process) clears the folder of the instance that
    // is gone, but not the one of the instance that still runs.
    const pid_t third = ::fork();
    ASSERT_GE(third, 0);
    if (third == 0) {
        project::WorkFolders wf;
        const bool ok = wf.Claim(root).ok();
        ::_exit(ok && !fs::exists(deadDir) && fs::exists(mine) ? 0 : 1);
    }
    ::waitpid(third, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(fs::exists(deadDir));
    EXPECT_TRUE(fs::exists(mine));
}

// Runs body in a child process (a separate instance) and returns its exit status.
int InChild(const std::function<bool()>& body) {
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0)
        ::_exit(body() ? 0 : 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A TMPDIR that does not exist falls back to /tmp instead of a folder at the root.
TEST(WorkFolders, MissingTmpdirFallsBackToTmp) {
    const int status = InChild([] {
        ::setenv("TMPDIR", "/nonexistent/reelpane-test-tmp", 1);
        project::WorkFolders wf;
        if (!wf.Claim(std::string()).ok())
            return false;
        const bool under =
            wf.InstanceDir().rfind("/tmp/reelpane-", 0) == 0 && fs::is_directory(wf.PicturesDir());
        wf.Release();
        return under;
    });
    EXPECT_EQ(status, 0);
}

// When the usual folder is taken, the private folder made instead is used again by later runs,
// and what crashed runs left in it (and in any other such folder of the user) is removed; a
// folder of that name that is not private to the user is never touched.
TEST(WorkFolders, LeftoversInFallbackFoldersAreCleared) {
    QTemporaryDir tmp;
    QTemporaryDir elsewhere;
    const std::string root = tmp.path().toStdString();
    fs::create_symlink(elsewhere.path().toStdString(), RootOf(tmp));

    // A run that is killed: its copies stay behind.
    int pipeFd[2];
    ASSERT_EQ(::pipe(pipeFd), 0);
    ASSERT_EQ(InChild([&] {
                  project::WorkFolders crashed;
                  if (!crashed.Claim(root).ok())
                      return false;
                  std::ofstream(crashed.PicturesDir() + "1_0001.bmp") << "962 MB of photos";
                  const std::string dir = crashed.InstanceDir();
                  return ::write(pipeFd[1], dir.c_str(), dir.size()) ==
                         static_cast<ssize_t>(dir.size());
              }),
              0);
    ::close(pipeFd[1]);
    char buf[4096] = {};
    const auto n = ::read(pipeFd[0], buf, sizeof buf - 1);
    ::close(pipeFd[0]);
    const std::string crashedDir(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
    ASSERT_TRUE(fs::exists(crashedDir + "/pictures/1_0001.bmp"));
    const std::string fallback = fs::path(crashedDir).parent_path().string();

    // A second private fallback folder with the leftovers of another dead run, and one that
    // belongs to someone else.
    const std::string second = RootOf(tmp) + "-zzzzzz";
    ASSERT_EQ(::mkdir(second.c_str(), 0700), 0);
    ASSERT_TRUE(fs::create_directories(second + "/99999-1/pictures"));
    std::ofstream(second + "/99999-1/pictures/2_0001.bmp") << "more";
    const std::string foreign = RootOf(tmp) + "-AAAAAA";
    ASSERT_EQ(::mkdir(foreign.c_str(), 0700), 0);
    ASSERT_TRUE(fs::create_directories(foreign + "/88888-1"));
    // Another owner where that is allowed, else open to others: either way not private.
    if (::chown(foreign.c_str(), 54321, 54321) != 0) {
        ASSERT_EQ(::chmod(foreign.c_str(), 0755), 0);
    }

    project::WorkFolders next;
    ASSERT_TRUE(next.Claim(root).ok());
    EXPECT_EQ(fs::path(next.InstanceDir()).parent_path().string(), fallback);
    EXPECT_FALSE(fs::exists(crashedDir));
    EXPECT_FALSE(fs::exists(second + "/99999-1"));
    EXPECT_TRUE(fs::exists(foreign + "/88888-1"));
    EXPECT_TRUE(fs::is_empty(elsewhere.path().toStdString()));
    next.Release();
}

} // namespace
