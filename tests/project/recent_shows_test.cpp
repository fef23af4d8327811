// The recent-shows list: order, limit, one entry per file, its menu texts, and its place in the
// settings store.
#include "project/RecentShows.h"
#include "project/Settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>
#include <QSize>
#include <QTemporaryDir>

namespace {

QString Abs(const QString& name) {
    return QDir::cleanPath(QDir::current().absoluteFilePath(name));
}

TEST(RecentShows, NewestFirstOneEntryPerFileCutToTheLimit) {
    QStringList list;
    for (int i = 1; i <= 10; ++i)
        list = project::AddRecentShow(list, QStringLiteral("/shows/%1.qvs").arg(i));
    ASSERT_EQ(list.size(), project::kRecentShowsLimit);
    EXPECT_EQ(list.first(), "/shows/10.qvs");
    EXPECT_EQ(list.last(), "/shows/3.qvs");

    // Opening a listed show again moves it to the top instead of listing it twice; the same file
    // written another way is the same entry.
    list = project::AddRecentShow(list, "/shows/old/../5.qvs");
    EXPECT_EQ(list.size(), project::kRecentShowsLimit);
    EXPECT_EQ(list.first(), "/shows/5.qvs");
    EXPECT_EQ(list.count("/shows/5.qvs"), 1);
    EXPECT_EQ(list[1], "/shows/10.qvs");
    EXPECT_EQ(list.last(), "/shows/3.qvs");

    // A relative path is kept absolute, so the list still holds after the folder changes.
    list = project::AddRecentShow(list, "here.qvs", 3);
    EXPECT_EQ(list, QStringList({Abs("here.qvs"), "/shows/5.qvs", "/shows/10.qvs"}));

    // An empty path adds nothing; empty entries of a damaged list are dropped.
    EXPECT_EQ(project::AddRecentShow({"", "/a.qvs", ""}, ""), QStringList({"/a.qvs"}));
}

TEST(RecentShows, RemoveDropsEveryFormOfTheFile) {
    const QStringList list = {"/a.qvs", "/b.qvs", "/c.qvs"};
    EXPECT_EQ(project::RemoveRecentShow(list, "/x/../b.qvs"), QStringList({"/a.qvs", "/c.qvs"}));
    EXPECT_EQ(project::RemoveRecentShow(list, "/none.qvs"), list);
}

TEST(RecentShows, EntryTextNumbersTheNameAndShowsAmpersands) {
    EXPECT_EQ(project::RecentShowEntryText(0, "/home/u/Summer.qvs"), "&1 Summer.qvs");
    EXPECT_EQ(project::RecentShowEntryText(7, "/x/Tom & Jerry.qvs"), "&8 Tom && Jerry.qvs");
    EXPECT_EQ(project::RecentShowEntryText(9, "/x/ten.qvs"), "10 ten.qvs");
}

class RecentShowsStoreTest : public ::testing::Test {
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

TEST_F(RecentShowsStoreTest, ListIsKeptBesideTheOtherValues) {
    EXPECT_TRUE(project::ReadRecentShows().isEmpty());
    // Names with the store's own separators and non-Latin letters come back as written.
    const QStringList shows = {"/home/u/Лето, море.qvs", "/home/u/a=b;c.qvs", "/x/y.qvs"};
    ASSERT_TRUE(project::WriteRecentShows(shows));
    EXPECT_EQ(project::ReadRecentShows(), shows);
    // A single show, and an emptied list.
    ASSERT_TRUE(project::WriteRecentShows({"/only, one.qvs"}));
    EXPECT_EQ(project::ReadRecentShows(), QStringList({"/only, one.qvs"}));
    ASSERT_TRUE(project::WriteRecentShows({}));
    EXPECT_TRUE(project::ReadRecentShows().isEmpty());

    // Writing the list leaves the language and resolution alone.
    ASSERT_TRUE(project::WriteSettings("english.lng", "800x600"));
    ASSERT_TRUE(project::WriteRecentShows(shows));
    EXPECT_EQ(project::ReadSettings()->Language, "english.lng");
    EXPECT_EQ(project::ReadSettings()->Resolution, "800x600");
}

TEST_F(RecentShowsStoreTest, AValueOfAnotherKindCountsAsNoList) {
    QSettings(project::kSettingsOrganization, project::kSettingsApplication)
        .setValue("RecentShows", 42);
    // Stored by hand as a number: read back as the text "42", one entry. A list that is not
    // text at all (a size) is no list.
    EXPECT_EQ(project::ReadRecentShows(), QStringList({"42"}));
    QSettings(project::kSettingsOrganization, project::kSettingsApplication)
        .setValue("RecentShows", QSize(3, 4));
    EXPECT_TRUE(project::ReadRecentShows().isEmpty());
}

} // namespace
