// Language files offered by their own language names rather than their file names.
#include "base/Language.h"
#include "project/SettingsChoices.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

const QString kSource = QStringLiteral(REELPANE_TEST_SOURCE_DIR);

class LanguageNamesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString Write(const QString& name, const QByteArray& content) {
        const QString path = dir_.path() + "/" + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return path;
    }
    QTemporaryDir dir_;
};

TEST_F(LanguageNamesTest, ShippedFilesNameTheirLanguages) {
    EXPECT_EQ(project::LanguageNameOf(kSource + "/language/english.lng"), "English");
    EXPECT_EQ(project::LanguageNameOf(kSource + "/language/russian.lng"),
              QString::fromUtf8("Русский"));
    // Every shipped file carries the name, and the interface texts are still where they were.
    for (const char* file : {"english.lng", "russian.lng"}) {
        base::Language language;
        ASSERT_TRUE(base::LoadLanguageFile(language, kSource + "/language/" + file));
        EXPECT_FALSE(language.Text(base::kLanguageNameKey, "").isEmpty()) << file;
        EXPECT_FALSE(language.Text(2, "").isEmpty()) << file;
        EXPECT_FALSE(language.Text(944, "").isEmpty()) << file;
    }
}

TEST_F(LanguageNamesTest, FileNameStandsInWhenTheFileNamesNoLanguage) {
    // No name key, an empty one, only blanks, an unreadable file: the file name.
    EXPECT_EQ(project::LanguageNameOf(Write("old.lng", "2=Open\r\n3=Preview\r\n")), "old.lng");
    EXPECT_EQ(project::LanguageNameOf(Write("empty.lng", "1=\r\n2=Open\r\n")), "empty.lng");
    EXPECT_EQ(project::LanguageNameOf(Write("blank.lng", "1=  \t \r\n")), "blank.lng");
    EXPECT_EQ(project::LanguageNameOf(Write("nothing.lng", "")), "nothing.lng");
    EXPECT_EQ(project::LanguageNameOf(dir_.path() + "/missing.lng"), "missing.lng");
    // Key 11 is not the name key, and the name is read in the files' code page.
    EXPECT_EQ(project::LanguageNameOf(Write("eleven.lng", "11=Caption\r\n")), "eleven.lng");
    EXPECT_EQ(
        project::LanguageNameOf(Write("uk.lng", "1=\xD3\xEA\xF0\xE0\xBF\xED\xF1\xFC\xEA\xE0\r\n")),
        QString::fromUtf8("Українська"));
    // A line break written into the name is not carried into a one-line list entry.
    EXPECT_EQ(project::LanguageNameOf(Write("two.lng", "1=Deutsch\\n(Schweiz)\r\n")),
              "Deutsch (Schweiz)");
}

TEST_F(LanguageNamesTest, ChoicesKeepFileOrderAndTellEqualNamesApart) {
    Write("b.lng", "1=English\r\n");
    Write("A.lng", "1=Francais\r\n");
    Write("c.lng", "1=english\r\n");
    Write("d.lng", "2=Open\r\n");
    Write("notes.txt", "1=Not a language\r\n");
    const auto choices = project::LanguageChoices(dir_.path());
    ASSERT_EQ(choices.size(), 4u);
    EXPECT_EQ(choices[0].File, "A.lng");
    EXPECT_EQ(choices[0].Name, "Francais");
    EXPECT_EQ(choices[1].File, "b.lng");
    EXPECT_EQ(choices[1].Name, "English (b.lng)");
    EXPECT_EQ(choices[2].File, "c.lng");
    EXPECT_EQ(choices[2].Name, "english (c.lng)");
    EXPECT_EQ(choices[3].File, "d.lng");
    EXPECT_EQ(choices[3].Name, "d.lng");
    EXPECT_TRUE(project::LanguageChoices(dir_.path() + "/none").empty());
}

} // namespace
