// Autosave: the timing rule, a snapshot that keeps the bytes of its moment while the show goes
// on changing, and which recovery files are offered at start.
#include "Outcomes.h"
#include "project/Autosave.h"
#include "project/ProjectFile.h"
#include "project/ShowSession.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utime.h>

namespace {

using namespace std::chrono_literals;
using project::AutosavePolicy;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(AutosavePolicy, WaitsForAPauseNeverSoonerThanAMinuteAndAtMostFiveMinutes) {
    const AutosavePolicy::Timing timing; // 60 s, 300 s, 3 s quiet
    AutosavePolicy policy(timing);
    const auto t0 = AutosavePolicy::Clock::time_point{} + 1000s;
    EXPECT_FALSE(policy.Due(t0));
    policy.Changed(t0);
    EXPECT_FALSE(policy.Due(t0 + 1s)); // still editing
    EXPECT_TRUE(policy.Due(t0 + 3s));  // the first save after a pause
    policy.Written(t0 + 3s);
    EXPECT_FALSE(policy.Pending());

    policy.Changed(t0 + 10s);
    EXPECT_FALSE(policy.Due(t0 + 40s)); // quiet, but within a minute of the last save
    EXPECT_TRUE(policy.Due(t0 + 63s));
    policy.Written(t0 + 63s);

    // Edits every second without a pause: written five minutes after the first one.
    for (int s = 70; s < 370; ++s) {
        policy.Changed(t0 + std::chrono::seconds(s));
        EXPECT_FALSE(policy.Due(t0 + std::chrono::seconds(s))) << s;
    }
    policy.Changed(t0 + 370s);
    EXPECT_TRUE(policy.Due(t0 + 370s));
    // A save by the user settles what was pending.
    policy.Settled();
    EXPECT_FALSE(policy.Due(t0 + 500s));
}

class AutosaverTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        // The recovery files go to the user's state folder: this test's own.
        qputenv("XDG_STATE_HOME", (tmp.path() + "/state").toLocal8Bit());
        ASSERT_TRUE(session.Open(tmp.path().toStdString()));
        project::ShowContent show;
        for (const char* bytes : {"first picture", "second picture"}) {
            project::Slide s = project::Slide::MakeDefault();
            s.WorkFile = session.Files().MakePictureName(".bmp");
            WriteAll(s.WorkFile, bytes);
            show.Slides.push_back(s);
        }
        session.Replace(std::move(show));
        root = session.Folders().RootDir();
    }

    // The photo bytes a project file holds, in order.
    static std::vector<std::string> PhotosIn(const std::string& file) {
        project::ShowSession other;
        EXPECT_TRUE(other.Open());
        std::vector<std::string> photos;
        project::ImportHooks hooks;
        hooks.AddPhoto = [&](const std::string& p) {
            photos.push_back(ReadAll(p));
            return project::ImportStatus(project::ImportNote::Skip("counted"));
        };
        hooks.AddTrack = [](const std::string&) {
            return project::ImportStatus(project::ImportNote::Skip("none"));
        };
        base::NoProgress quiet;
        project::ShowContent loaded;
        project::WorkFiles files = other.Files();
        (void)project::LoadProject(loaded, files, file, quiet, hooks);
        return photos;
    }

    QTemporaryDir tmp;
    project::ShowSession session;
    std::string root;
};

TEST_F(AutosaverTest, TheSnapshotKeepsItsMomentWhileTheShowChanges) {
    project::Autosaver saver(session.Folders().InstanceDir());
    ASSERT_EQ(outcomes::OutcomeOf(saver.Start(session.Show(), "/shows/trip.qvs")),
              project::Autosaver::StartOutcome::Started);
    // The edit replaces the working file at once, as an effect does, while the worker writes.
    const std::string work = session.Show().Slides()[0].WorkFile;
    WriteAll(work + ".new", "edited picture");
    std::rename((work + ".new").c_str(), work.c_str());
    saver.Wait();
    ASSERT_EQ(outcomes::ErrorOf(saver.LastWrite()), "");
    EXPECT_EQ(PhotosIn(saver.Files().Show),
              (std::vector<std::string>{"first picture", "second picture"}));
    EXPECT_EQ(ReadAll(saver.Files().ShowPath), "/shows/trip.qvs");
    // In the user's state folder, not beside the temporary working folders.
    EXPECT_EQ(saver.Files().Show.rfind(tmp.path().toStdString() + "/state/reelpane/recovery-", 0),
              0u);
    // The snapshot's links are gone once written.
    EXPECT_FALSE(std::filesystem::exists(session.Folders().InstanceDir() + "/autosave-1"));

    // A running instance's file is never offered; once it has ended it is, with its count.
    EXPECT_TRUE(project::FindRecoveries(root).empty());
    const project::RecoveryFiles files = saver.Files();
    session.Close();
    const auto offers = project::FindRecoveries(root);
    ASSERT_EQ(offers.size(), 1u);
    EXPECT_EQ(offers[0].PhotoCount, 2);
    EXPECT_EQ(offers[0].OriginalShow, "/shows/trip.qvs");
    EXPECT_EQ(offers[0].Files.Show, files.Show);
}

TEST_F(AutosaverTest, AShowSavedAfterItsRecoveryFileIsNotOffered) {
    const std::string show = tmp.path().toStdString() + "/saved.qvs";
    project::RecoveryFiles files;
    {
        project::Autosaver saver(session.Folders().InstanceDir());
        ASSERT_EQ(outcomes::OutcomeOf(saver.Start(session.Show(), show)),
                  project::Autosaver::StartOutcome::Started);
        saver.Wait();
        files = saver.Files();
    }
    session.Close();
    WriteAll(show, "saved later");
    const time_t later = ::time(nullptr) + 100; // saved after the autosave
    const utimbuf times{later, later};
    ASSERT_EQ(::utime(show.c_str(), &times), 0);
    EXPECT_TRUE(project::FindRecoveries(root).empty());
    EXPECT_FALSE(std::filesystem::exists(files.Show));
    EXPECT_FALSE(std::filesystem::exists(files.ShowPath));
}

} // namespace
