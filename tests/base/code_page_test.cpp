// Windows-1251 conversion: every byte survives a round trip, foreign characters become "?".
#include "base/CodePage.h"

#include <gtest/gtest.h>

namespace {

TEST(CodePage, KnownCharactersBothWays) {
    struct Row {
        const char* utf8;
        const char* cp1251;
    };
    const Row rows[] = {
        {"Открыть", "\xce\xf2\xea\xf0\xfb\xf2\xfc"},
        {"ЁёЎўЄєІіЇїҐґ", "\xa8\xb8\xa1\xa2\xaa\xba\xb2\xb3\xaf\xbf\xa5\xb4"},
        {"€‚„…†‡‰‹›‘’“”•–—™№", "\x88\x82\x84\x85\x86\x87\x89\x8b\x9b\x91\x92\x93\x94\x95\x96\x97"
                               "\x99\xb9"},
        {"ЂЃѓЉЊЌЋЏђљњќћџ", "\x80\x81\x83\x8a\x8c\x8d\x8e\x8f\x90\x9a\x9c\x9d\x9e\x9f"},
        {"«»©®°±µ¶·¤¦§¬", "\xab\xbb\xa9\xae\xb0\xb1\xb5\xb6\xb7\xa4\xa6\xa7\xac"},
        {"plain ASCII ~", "plain ASCII ~"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(base::ToCp1251(QString::fromUtf8(r.utf8)), r.cp1251) << r.utf8;
        EXPECT_EQ(base::FromCp1251(r.cp1251), QString::fromUtf8(r.utf8)) << r.utf8;
    }
}

TEST(CodePage, EveryByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const QString text = base::FromCp1251(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(base::ToCp1251(text), all);
    // No two bytes share a character.
    for (int a = 0; a < 256; ++a)
        for (int b = a + 1; b < 256; ++b)
            ASSERT_NE(text[a], text[b]) << a << " " << b;
}

TEST(CodePage, UnrepresentableCharactersBecomeOneQuestionMarkEach) {
    EXPECT_EQ(base::ToCp1251(QString::fromUtf8("a中b")), "a?b");
    EXPECT_EQ(base::ToCp1251(QString::fromUtf8("ü")), "?"); // Latin-1 letters are absent
    // A character outside the basic plane is one "?", not two.
    EXPECT_EQ(base::ToCp1251(QString::fromUtf8("x😀y")), "x?y");
    // A lone surrogate is no character.
    QString broken = "a";
    broken.append(QChar(0xD800));
    EXPECT_EQ(base::ToCp1251(broken), "a?");
    EXPECT_EQ(base::ToCp1251(QString()), "");
}

} // namespace
