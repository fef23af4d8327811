// Short ISO 9660 names, Joliet names and the ECMA-119 order of identifiers.
#include "disc/iso/IsoNames.h"

#include <gtest/gtest.h>

#include <set>

using disc::CleanJolietName;
using disc::IdentifierLess;
using disc::MakeShortName;
using disc::UniqueJolietName;

namespace {

bool Legal83(const std::string& name, bool isFile) {
    const std::size_t dot = name.find('.');
    if (isFile != (dot != std::string::npos))
        return false;
    const std::string stem = isFile ? name.substr(0, dot) : name;
    const std::string ext = isFile ? name.substr(dot + 1) : "";
    auto legal = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '~';
    };
    return !stem.empty() && stem.size() <= 8 && ext.size() <= 3 &&
           std::all_of(stem.begin(), stem.end(), legal) &&
           std::all_of(ext.begin(), ext.end(), legal);
}

} // namespace

TEST(ShortNames, LegalNamesStayAndOthersGetATail) {
    std::set<std::string> dir;
    auto taken = [&](const std::string& s) { return dir.count(s) != 0; };
    auto add = [&](const QString& n, bool file) {
        const std::string s = MakeShortName(n, file, taken);
        EXPECT_TRUE(Legal83(s, file)) << s;
        EXPECT_TRUE(dir.insert(s).second) << "not unique: " << s;
        return s;
    };
    EXPECT_EQ(add("photo.jpg", true), "PHOTO.JPG");
    EXPECT_EQ(add("README", true), "README.");
    EXPECT_EQ(add("My Photos", false), "MYPHOT~1");
    EXPECT_EQ(add("my photos!", false), "MYPHOT~2");
    EXPECT_EQ(add("slideshow-final.mpeg", true), "SLIDES~1.MPE");
    EXPECT_EQ(add("slideshow-first.mpeg", true), "SLIDES~2.MPE");
    EXPECT_EQ(add(".profile", true), "PROFILE.");
    EXPECT_EQ(add("Фото.jpg", true), "____~1.JPG");
    EXPECT_EQ(add("v1.2.txt", true), "V12~1.TXT");
    // A legal name that is taken gets a tail too.
    EXPECT_EQ(add("PHOTO.JPG", true), "PHOTO~1.JPG");
}

TEST(ShortNames, TailGrowsIntoTheNameAfterNine) {
    std::set<std::string> dir;
    auto taken = [&](const std::string& s) { return dir.count(s) != 0; };
    std::string last;
    for (int i = 0; i < 120; ++i) {
        last = MakeShortName(QStringLiteral("holiday picture %1.jpg").arg(i), true, taken);
        ASSERT_TRUE(Legal83(last, true)) << last;
        ASSERT_TRUE(dir.insert(last).second) << last;
    }
    EXPECT_EQ(last, "HOLI~120.JPG");
}

TEST(JolietNames, ForbiddenCharactersAndCutsKeepingTheExtension) {
    EXPECT_EQ(CleanJolietName("a*b/c:d;e?f\\g\th.txt", 64), "a_b_c_d_e_f_g_h.txt");
    EXPECT_EQ(CleanJolietName("Мои фото.jpg", 64), "Мои фото.jpg");
    const QString longName = QString(70, u'n') + ".jpeg";
    const QString cut = CleanJolietName(longName, 64);
    EXPECT_EQ(cut.size(), 64);
    EXPECT_TRUE(cut.endsWith(".jpeg"));
    EXPECT_EQ(CleanJolietName(QString(200, u'x'), 103).size(), 103);
    // An "extension" as long as the limit allows is part of the name and is cut with it.
    const QString noExt = "a." + QString(100, u'e');
    EXPECT_EQ(CleanJolietName(noExt, 64), noExt.left(64));
    // The halves of a character outside the basic plane are never parted.
    QString pairs;
    for (int i = 0; i < 40; ++i)
        pairs += QString::fromUcs4(U"\U0001F600");
    const QString cutPairs = CleanJolietName(pairs, 64);
    EXPECT_LE(cutPairs.size(), 64);
    EXPECT_FALSE(cutPairs.back().isHighSurrogate());
}

TEST(JolietNames, UniqueTailStaysWithinTheLimit) {
    std::set<QString> keys{disc::NameKey(QString(60, u'a') + ".txt")};
    auto taken = [&](const QString& k) { return keys.count(k) != 0; };
    const QString clash = QString(60, u'A') + ".TXT"; // the same name without case
    const QString unique = UniqueJolietName(clash, 64, taken);
    EXPECT_NE(disc::NameKey(unique), disc::NameKey(clash));
    EXPECT_LE(unique.size(), 64);
    EXPECT_TRUE(unique.endsWith("~1.TXT"));
    EXPECT_EQ(UniqueJolietName("free.txt", 64, taken), "free.txt");
}

TEST(IdentifierOrder, NamePartThenExtensionPaddedWithSpaces) {
    auto less = [](const char* a, const char* b) {
        return IdentifierLess(disc::Units(std::string(a)), disc::Units(std::string(b)));
    };
    EXPECT_TRUE(less("A.TXT", "AB.TXT")); // "A " before "AB"
    EXPECT_TRUE(less("AB.TXT", "A_.TXT") == ('B' < '_'));
    EXPECT_TRUE(less("A.Z", "AA.A")); // the name part decides before the extension
    EXPECT_TRUE(less("A.", "A.B"));
    EXPECT_FALSE(less("A.B", "A.B"));
    EXPECT_TRUE(less("DIR", "DIR1"));
}
