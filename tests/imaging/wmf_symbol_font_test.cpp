// The symbol font's code page: the signs equations draw in it must come out as the characters
// they are, or they vanish or turn into Latin letters.
#include "imaging/WmfSymbolFont.h"

#include <gtest/gtest.h>

namespace {

TEST(SymbolFont, EquationSignsMapToTheirCharacters) {
    struct Row {
        std::uint8_t byte;
        char16_t want;
    };
    const Row rows[] = {
        {0x2D, u'−'}, {0x6D, u'μ'}, {0xD7, u'⋅'}, {0xE5, u'∑'}, {0x44, u'Δ'}, {0x72, u'ρ'},
        {0x27, u'∋'}, {0x2A, u'∗'}, {0x40, u'≅'}, {0x5C, u'∴'}, {0x5E, u'⊥'}, {0xA5, u'∞'},
        {0xB6, u'∂'}, {0xC7, u'∩'}, {0xD6, u'√'}, {0xF2, u'∫'}, {0xE6, u'⎛'}, {0xFE, u'⎭'},
        {0x30, u'0'}, {0x28, u'('}, {0x2B, u'+'}, {0x3D, u'='},
    };
    for (const Row& r : rows)
        EXPECT_EQ(imaging::SymbolToUnicode(r.byte), r.want) << std::hex << int(r.byte);
}

TEST(SymbolFont, EveryByteOfTheFontHasACharacterOfItsOwn) {
    // Apart from the degree and plus-minus signs, which are the same in both, and the empty
    // slot 0xF0, no byte may fall back to its Latin-1 letter: a byte above 0xA0 mapping to
    // itself would show a Latin letter instead of a sign.
    for (int c = 0xA0; c <= 0xFE; ++c) {
        if (c == 0xF0 || c == 0xB0 || c == 0xB1)
            continue;
        EXPECT_NE(imaging::SymbolToUnicode(static_cast<std::uint8_t>(c)), char16_t(c))
            << std::hex << c;
    }
    for (int c = 'a'; c <= 'z'; ++c)
        EXPECT_GE(imaging::SymbolToUnicode(static_cast<std::uint8_t>(c)), u'α') << char(c);
}

TEST(SymbolFont, TheSymbolCharsetOrFaceSelectsTheCodePage) {
    EXPECT_TRUE(imaging::IsSymbolFont(2, QStringLiteral("Times New Roman")));
    EXPECT_TRUE(imaging::IsSymbolFont(0, QStringLiteral("symbol")));
    EXPECT_FALSE(imaging::IsSymbolFont(0, QStringLiteral("Arial")));
    EXPECT_FALSE(imaging::SymbolTextFamilies().contains(QStringLiteral("Symbol")));
}

} // namespace
