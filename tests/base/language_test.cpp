// The language-file parser and loader: the file format's rules and hostile files.
#include "base/CodePage.h"
#include "base/Language.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <map>

#include <string>
#include <vector>

namespace {

using base::Language;

std::vector<std::string> Parse(std::string_view content) {
    return base::ParseLanguageLines(base::SplitLines(content));
}

class LanguageFileTest : public ::testing::Test {
protected:
    QString Write(const QString& name, const std::string& bytes) {
        const QString path = dir_.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes.data(), static_cast<qint64>(bytes.size()));
        return path;
    }
    QTemporaryDir dir_;
};

TEST(LanguageParse, TwoLinesGiveTwoTextsAndEmptyRest) {
    const auto t = Parse("1=A\r\n2=B\r\n");
    ASSERT_EQ(t.size(), 999u);
    EXPECT_EQ(t[0], "A");
    EXPECT_EQ(t[1], "B");
    for (std::size_t i = 2; i < t.size(); ++i)
        ASSERT_EQ(t[i], "") << "entry " << i;
}

TEST(LanguageParse, TrimsBlanksAndControlsAndTurnsBackslashNIntoCrLf) {
    EXPECT_EQ(Parse("5=  Two\\nlines  \n")[4], "Two\r\nlines");
    // Control characters at the ends go, those inside stay.
    EXPECT_EQ(Parse(std::string("7=\t\x01 in\x02side \x1f\n"))[6], "in\x02side");
    // A trailing "\n" survives trimming and becomes a line break.
    EXPECT_EQ(Parse("8=end\\n \n")[7], "end\r\n");
    // Letters of the upper half are not blanks.
    EXPECT_EQ(Parse("9=\xc0\xe0\xff\n")[8], "\xc0\xe0\xff");
}

TEST(LanguageParse, KeysAreSearchedInAscendingOrderFirstOneWins) {
    // Key 3 before key 2: key 2 is found first and the search goes on behind it, so key 3,
    // standing before it, is missed.
    auto t = Parse("3=three\n2=two\n");
    EXPECT_EQ(t[1], "two");
    EXPECT_EQ(t[2], "");
    // A key found for key 2 moves the search past it; 3 behind it is found.
    t = Parse("2=two\n3=three\n2=again\n");
    EXPECT_EQ(t[1], "two");
    EXPECT_EQ(t[2], "three");
    // Two lines with the same key: the first wins.
    EXPECT_EQ(Parse("4=first\n4=second\n")[3], "first");
}

TEST(LanguageParse, OnlyWholeKeysAtLineStartMatch) {
    // "11=" is not key 1, "x1=" and " 1=" are no entries, "01=" is not key 1 either.
    auto t = Parse("11=eleven\nx1=no\n 1=no\n01=no\n");
    EXPECT_EQ(t[0], "");
    EXPECT_EQ(t[10], "eleven");
    // Keys beyond 999 and keys without "=" are ignored; comments and blank lines too.
    t = Parse("; comment\n\n1000=no\n999 =no\n999=last\n");
    EXPECT_EQ(t[998], "last");
    // The text runs to the end of its line only.
    EXPECT_EQ(Parse("1=\n2=b\n")[0], "");
    EXPECT_EQ(Parse("1=a=b\n")[0], "a=b");
}

TEST(LanguageParse, LineEndingsAndMissingFinalNewline) {
    const std::string lf = "1=one\n2=two\n3=three";
    const std::string crlf = "1=one\r\n2=two\r\n3=three";
    const std::string cr = "1=one\r2=two\r3=three";
    for (const std::string& content : {lf, crlf, cr}) {
        const auto t = Parse(content);
        EXPECT_EQ(t[0], "one");
        EXPECT_EQ(t[1], "two");
        EXPECT_EQ(t[2], "three");
    }
    EXPECT_EQ(base::SplitLines("").size(), 0u);
    EXPECT_EQ(base::SplitLines("\n").size(), 1u);
    EXPECT_EQ(base::SplitLines("a\r\n\r\nb").size(), 3u);
}

TEST(LanguageParse, SeparatorByteInsideATextEndsThatText) {
    // 0x98 is the separator: a text stops there and what follows may be an entry of its own.
    const auto t = Parse("1=ab\x98z\x98"
                         "2=two\n3=c\x98\n");
    EXPECT_EQ(t[0], "ab");
    EXPECT_EQ(t[1], "two");
    EXPECT_EQ(t[2], "c");
    for (const auto& e : t)
        EXPECT_EQ(e.find('\x98'), std::string::npos);
}

TEST(LanguageParse, NulAndLongLinesAreOrdinaryBytes) {
    std::string content("1=a\0b\n", 6);
    const std::string longText(100000, 'w');
    content += "2=" + longText + "\n3=after\n";
    // A key line of 100 000 digits is no key and does not overflow anything.
    content += std::string(100000, '9') + "=x\n4=four\n";
    const auto t = Parse(content);
    EXPECT_EQ(t[0], std::string("a\0b", 3));
    EXPECT_EQ(t[1], longText);
    EXPECT_EQ(t[2], "after");
    EXPECT_EQ(t[3], "four");
}

TEST(LanguageText, FallbackAndCodePage) {
    Language l;
    EXPECT_EQ(l.Text(2, "built-in"), "built-in");
    l.LanguageTable = Parse("2=\xce\xf2\xea\xf0\xfb\xf2\xfc\n"); // "Открыть" in Windows-1251
    EXPECT_EQ(l.Text(2, "x"), QString::fromUtf8("Открыть"));
    // Held but empty: the empty text is used, not the built-in one.
    EXPECT_EQ(l.Text(3, "built-in"), "");
    EXPECT_EQ(l.Text(0, "low"), "low");
    EXPECT_EQ(l.Text(1000, "high"), "high");
}

TEST(LanguageText, FileTextFallsBackOnlyForKeysTheFileLacks) {
    std::vector<bool> found;
    const auto table = base::ParseLanguageLines(
        base::SplitLines("970=Size\n968=\n969=\xcf\xf0\xe8\n971=  \n"), &found);
    ASSERT_EQ(found.size(), 999u);
    // Keys are searched in ascending order: 968 and 969 are found behind the line of 970, which
    // stands before them and is missed; 968 and 971 are held with empty texts.
    EXPECT_TRUE(found[967]);
    EXPECT_TRUE(found[968]);
    EXPECT_FALSE(found[969]);
    EXPECT_TRUE(found[970]);
    EXPECT_EQ(std::count(found.begin(), found.end(), true), 3);

    Language l;
    EXPECT_EQ(l.FileText(969, "built-in"), "built-in"); // nothing loaded
    l.LanguageTable = table;
    // A table without the file's keys (set by hand) counts as holding none.
    EXPECT_EQ(l.FileText(969, "built-in"), "built-in");
    l.FileKeys = found;
    EXPECT_EQ(l.FileText(968, "built-in"), ""); // held and empty: stays empty
    EXPECT_EQ(l.FileText(969, "x"), QString::fromUtf8("При"));
    EXPECT_EQ(l.FileText(970, "built-in"), "built-in");
    EXPECT_EQ(l.FileText(971, "built-in"), "");
    EXPECT_EQ(l.FileText(972, "built-in"), "built-in");
    EXPECT_EQ(l.FileText(0, "low"), "low");
    EXPECT_EQ(l.FileText(1000, "high"), "high");
    // The older lookup keeps its rule: an absent key of a loaded table is empty.
    EXPECT_EQ(l.Text(972, "built-in"), "");
    // An emptied table (the window closing) holds no key any more.
    l.LanguageTable.clear();
    EXPECT_EQ(l.FileText(968, "built-in"), "built-in");
}

TEST_F(LanguageFileTest, LoadSetsTableAndFileName) {
    Language l;
    const QString path = Write("mine.lng", "1=A\n2=B");
    const base::Status loaded = base::LoadLanguageFile(l, path);
    ASSERT_TRUE(loaded) << loaded.error();
    EXPECT_EQ(l.LanguageFile, "mine.lng");
    ASSERT_EQ(l.LanguageTable.size(), 999u);
    EXPECT_EQ(l.LanguageTable[1], "B");
}

TEST_F(LanguageFileTest, MissingEmptyOrOversizedFileKeepsThePreviousTable) {
    Language l;
    ASSERT_TRUE(base::LoadLanguageFile(l, Write("good.lng", "1=kept\n")));
    const base::Status absent = base::LoadLanguageFile(l, dir_.filePath("absent.lng"));
    ASSERT_FALSE(absent);
    EXPECT_NE(absent.error().find("cannot open the language file"), std::string::npos);
    const base::Status empty = base::LoadLanguageFile(l, Write("empty.lng", ""));
    ASSERT_FALSE(empty);
    EXPECT_EQ(empty.error(), "the language file holds no line");
    EXPECT_FALSE(base::LoadLanguageFile(l, dir_.path())); // a folder is no file
    const base::Status huge = base::LoadLanguageFile(
        l, Write("huge.lng", std::string(base::kMaxLanguageFileBytes + 1, 'a')));
    ASSERT_FALSE(huge);
    EXPECT_EQ(huge.error(), "the language file is too large");
    EXPECT_EQ(l.LanguageFile, "good.lng");
    EXPECT_EQ(l.LanguageTable[0], "kept");
    EXPECT_TRUE(l.FileHolds(1));
    // A file of one empty line is a file with a line: every entry becomes empty.
    EXPECT_TRUE(base::LoadLanguageFile(l, Write("blank.lng", "\r\n")));
    EXPECT_EQ(l.LanguageFile, "blank.lng");
    EXPECT_EQ(l.LanguageTable.size(), 999u);
    EXPECT_EQ(l.LanguageTable[0], "");
    EXPECT_FALSE(l.FileHolds(1)); // the keys of the previous file are gone with it
}

TEST_F(LanguageFileTest, LoadRecordsWhichKeysTheFileHolds) {
    Language l;
    ASSERT_TRUE(base::LoadLanguageFile(l, Write("new.lng", "968=\r\n970=Size\r\n")));
    EXPECT_EQ(l.FileText(968, "built-in"), "");
    EXPECT_EQ(l.FileText(969, "built-in"), "built-in");
    EXPECT_EQ(l.FileText(970, "built-in"), "Size");
    ASSERT_TRUE(base::LoadLanguageFile(l, Write("old.lng", "1=One\r\n")));
    EXPECT_EQ(l.FileText(970, "built-in"), "built-in");
    EXPECT_EQ(l.FileText(1, "built-in"), "One");
}

TEST_F(LanguageFileTest, ShippedFilesCoverTheSameKeysInAscendingOrder) {
    const QString folder = QStringLiteral(REELPANE_TEST_SOURCE_DIR) + "/language/";
    std::vector<int> keysOf[2];
    int n = 0;
    for (const char* name : {"english.lng", "russian.lng"}) {
        QFile f(folder + name);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name;
        const QByteArray bytes = f.readAll();
        int last = 0;
        for (const auto line : base::SplitLines({bytes.constData(), std::size_t(bytes.size())})) {
            const auto eq = line.find('=');
            if (line.empty() || line[0] < '1' || line[0] > '9' || eq == std::string_view::npos)
                continue;
            const int key = std::stoi(std::string(line.substr(0, eq)));
            EXPECT_GT(key, last) << name << ": keys must ascend";
            last = key;
            keysOf[n].push_back(key);
        }
        Language l;
        ASSERT_TRUE(base::LoadLanguageFile(l, folder + name));
        for (int key : keysOf[n])
            EXPECT_FALSE(l.LanguageTable[std::size_t(key - 1)].empty()) << name << " key " << key;
        ++n;
    }
    EXPECT_EQ(keysOf[0], keysOf[1]);
    // Every key the program names (TextKey, read from its header so none is left out) is a key of
    // the shipped files, and no two names share a number.
    QFile header(QStringLiteral(REELPANE_TEST_SOURCE_DIR) + "/source/base/TextKey.h");
    ASSERT_TRUE(header.open(QIODevice::ReadOnly));
    const QRegularExpression entry(QStringLiteral("^\\s+(\\w+) = (\\d+),$"),
                                   QRegularExpression::MultilineOption);
    std::map<int, QString> named;
    for (auto it = entry.globalMatch(QString::fromUtf8(header.readAll())); it.hasNext();) {
        const auto m = it.next();
        const int key = m.captured(2).toInt();
        EXPECT_TRUE(named.emplace(key, m.captured(1)).second)
            << m.captured(1).toStdString() << " repeats key " << key;
        EXPECT_NE(std::find(keysOf[0].begin(), keysOf[0].end(), key), keysOf[0].end())
            << m.captured(1).toStdString() << " = " << key << " is in no shipped file";
    }
    EXPECT_GT(named.size(), 200u);
    EXPECT_EQ(named[911], "DiscAskErase");
}

} // namespace
