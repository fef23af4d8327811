// The settings store and the settings dialog's choices.
#include "project/Settings.h"
#include "project/SettingsChoices.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
    }
    void TearDown() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, {});
    }
    QTemporaryDir dir_;
};

TEST_F(SettingsStoreTest, FreshStoreReadsEmptyValuesAndKeepsWhatIsWritten) {
    auto s = project::ReadSettings();
    ASSERT_TRUE(s);
    EXPECT_TRUE(s->Language.isEmpty());
    EXPECT_TRUE(s->Resolution.isEmpty());
    EXPECT_TRUE(s->SiteURL.isEmpty());
    ASSERT_TRUE(project::WriteSettings("russian.lng", "1024x768"));
    s = project::ReadSettings();
    ASSERT_TRUE(s);
    EXPECT_EQ(s->Language, "russian.lng");
    EXPECT_EQ(s->Resolution, "1024x768");
    // The site address is read but never written by the program.
    EXPECT_TRUE(s->SiteURL.isEmpty());
    QSettings(project::kSettingsOrganization, project::kSettingsApplication)
        .setValue("SiteURL", "https://example.org/");
    EXPECT_EQ(project::ReadSettings()->SiteURL, "https://example.org/");
}

TEST_F(SettingsStoreTest, StoreThatCannotBeWrittenIsNeitherReadNorWritten) {
    // The store's folder would have to be made inside a plain file: no access at all.
    QFile blocker(dir_.filePath("blocked"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.filePath("blocked"));
    EXPECT_FALSE(project::ReadSettings());
    EXPECT_FALSE(project::WriteSettings("english.lng", "800x600"));
}

TEST(ResolutionChoice, SelectsByHeightOnly) {
    EXPECT_EQ(project::ResolutionChoices(),
              QStringList({"800x600", "1024x768", "1280x1024", "1600x1200", "1280x720", "1920x1080",
                           "2560x1440", "3840x2160"}));
    struct Row {
        const char* resolution;
        int index;
    };
    const Row rows[] = {
        {"800x600", 0},   {"1366x768", 1},  {"1024x768", 1},  {"640x1024", 2},
        {"1600x1200", 3}, {"1920x1080", 5}, {"1024", 2},      {"x600", 0},
        {"abc", 2},       {"768x", 2},      {"2x1200", 3},    {"1x7680", 2},
        {"1280x720", 4},  {"3840x2160", 7}, {"1440x2560", 2}, {"4096x2160", 7},
    };
    for (const Row& r : rows)
        EXPECT_EQ(project::ResolutionChoiceFor(r.resolution), r.index) << r.resolution;
}

TEST(ResolutionChoice, FirstRunTakesTheScreenSize) {
    std::string resolution;
    EXPECT_EQ(project::OpenResolution(resolution, 1024, 768), 1);
    EXPECT_EQ(resolution, "1024x768");
    resolution.clear();
    EXPECT_EQ(project::OpenResolution(resolution, 1920, 1080), 5);
    EXPECT_EQ(resolution, "1920x1080");
    // A set resolution stays.
    resolution = "800x600";
    EXPECT_EQ(project::OpenResolution(resolution, 1920, 1200), 0);
    EXPECT_EQ(resolution, "800x600");
}

TEST(LanguageChoice, ListsLanguageFilesSortedWithoutCase) {
    QTemporaryDir dir;
    for (const char* name :
         {"zulu.lng", "Alpha.LNG", "beta.lng", "notes.txt", "lng", "gamma.lng.bak"}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.lng"));
    const QStringList names = project::LanguageFileNames(dir.path());
    EXPECT_EQ(names, QStringList({"Alpha.LNG", "beta.lng", "zulu.lng"}));
    EXPECT_EQ(project::FindLanguageFile(names, "ALPHA.lng"), 0);
    EXPECT_EQ(project::FindLanguageFile(names, "english.lng"), -1);
    EXPECT_TRUE(project::LanguageFileNames(dir.filePath("absent")).isEmpty());
}

TEST(LanguageChoice, OkLoadsTheSelectedFileOrEnglishWhenPresent) {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    EXPECT_EQ(project::LanguageFileToLoad(folder, true, "russian.lng"), folder + "russian.lng");
    // Default without an English file: the current texts stay.
    EXPECT_EQ(project::LanguageFileToLoad(folder, false, "russian.lng"), "");
    QFile f(folder + "english.lng");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_EQ(project::LanguageFileToLoad(folder, false, ""), folder + "english.lng");
}

} // namespace
