// File names carried through a QString: bytes that are not UTF-8 survive the round trip, text
// that is UTF-8 reads as itself.
#include "base/FileName.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using base::DecodeFileName;
using base::EncodeFileName;

TEST(FileName, Utf8ReadsAsText) {
    for (const char* name : {"", "photo.jpg", "Фото 1.png", "日本.bmp", "\xf0\x9f\x8e\xb5.mp3"}) {
        EXPECT_EQ(DecodeFileName(name), QString::fromUtf8(name)) << name;
        EXPECT_EQ(EncodeFileName(QString::fromUtf8(name)), name) << name;
    }
}

TEST(FileName, OtherBytesSurviveTheRoundTrip) {
    // Latin-1, a cut sequence, an overlong '/', an encoded surrogate, beyond U+10FFFF, a stray
    // continuation byte and the encoding of U+DCE9 itself (which must not decode to 0xE9).
    const std::string cases[] = {"caf\xe9.jpg",      "\xd0",   "\xc0\xaf",     "\xed\xa0\x80",
                                 "\xf4\x90\x80\x80", "a\x80z", "\xed\xb3\xa9", "\xff\xfe"};
    for (const std::string& bytes : cases) {
        const QString decoded = DecodeFileName(bytes);
        EXPECT_EQ(EncodeFileName(decoded), bytes) << bytes;
        // None of them holds a valid sequence: one character per byte.
        EXPECT_EQ(decoded.size(), static_cast<qsizetype>(bytes.size())) << bytes;
    }
    EXPECT_EQ(DecodeFileName("caf\xe9"), QString("caf") + QChar(0xDCE9));
    std::mt19937 random(7);
    for (int i = 0; i < 2000; ++i) {
        std::string bytes(random() % 12, '\0');
        for (char& c : bytes)
            c = static_cast<char>(1 + random() % 255);
        ASSERT_EQ(EncodeFileName(DecodeFileName(bytes)), bytes);
    }
}

TEST(FileName, HalfAPairCannotBeAName) {
    EXPECT_EQ(EncodeFileName(QString("a") + QChar(0xD83D) + "b"), "a?b");
    EXPECT_EQ(EncodeFileName(QString(QChar(0xDC10))), "?");
}

} // namespace
