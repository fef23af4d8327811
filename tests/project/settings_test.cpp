// The settings store and the settings dialog's choices.
#include "project/Settings.h"
#include "project/SettingsChoices.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QSize>
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

TEST(ResolutionChoice, SelectsTheShowsSizeAndAddsUnlistedOnes) {
    const QStringList usual{"800x600",  "1024x768",  "1280x1024", "1600x1200",
                            "1280x720", "1920x1080", "2560x1440", "3840x2160"};
    EXPECT_EQ(project::ResolutionChoices(), usual);
    struct Row {
        const char* show;
        QSize screen;
        QStringList added; // after the usual ones
        int selected;
    };
    const Row rows[] = {
        // A listed show size on a listed screen: the usual list, the show's entry exactly.
        {"1920x1080", {1280, 1024}, {}, 5},
        {"1280x720", {1920, 1080}, {}, 4},
        // Sizes sharing a height with an entry are not taken for it.
        {"1440x1080", {1920, 1080}, {"1440x1080"}, 8},
        {"1920x1200", {1366, 768}, {"1920x1200", "1366x768"}, 8},
        // The screen's size is offered but never selected; once when it is the show's too.
        {"800x600", {1366, 768}, {"1366x768"}, 0},
        {"1366x768", {1366, 768}, {"1366x768"}, 8},
        // A show naming no size fits to 1280 x 1024; a screen of no size adds nothing.
        {"", {0, 0}, {}, 2},
        {"abc", {2560, 1600}, {"2560x1600"}, 2},
    };
    for (const Row& r : rows) {
        const auto list =
            project::ResolutionChoicesFor(r.show, r.screen.width(), r.screen.height());
        EXPECT_EQ(list.Entries, usual + r.added) << r.show;
        EXPECT_EQ(list.Selected, r.selected) << r.show;
    }
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
