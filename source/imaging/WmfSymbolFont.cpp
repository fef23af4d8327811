#include "imaging/WmfSymbolFont.h"

#include <QStringList>

#include <array>

namespace imaging {

namespace {

constexpr int kSymbolCharset = 2;

// 0x20..0x7F: ASCII punctuation and digits stay, letters are Greek, and a few signs differ.
constexpr std::array<char16_t, 96> kLow = {
    u' ', u'!', u'∀', u'#', u'∃', u'%', u'&', u'∋', u'(', u')', u'∗', u'+', u',', u'−', u'.', u'/',
    u'0', u'1', u'2', u'3', u'4', u'5', u'6', u'7', u'8', u'9', u':', u';', u'<', u'=', u'>', u'?',
    u'≅', u'Α', u'Β', u'Χ', u'Δ', u'Ε', u'Φ', u'Γ', u'Η', u'Ι', u'ϑ', u'Κ', u'Λ', u'Μ', u'Ν', u'Ο',
    u'Π', u'Θ', u'Ρ', u'Σ', u'Τ', u'Υ', u'ς', u'Ω', u'Ξ', u'Ψ', u'Ζ', u'[', u'∴', u']', u'⊥', u'_',
    u'‾', u'α', u'β', u'χ', u'δ', u'ε', u'φ', u'γ', u'η', u'ι', u'ϕ', u'κ', u'λ', u'μ', u'ν', u'ο',
    u'π', u'θ', u'ρ', u'σ', u'τ', u'υ', u'ϖ', u'ω', u'ξ', u'ψ', u'ζ', u'{', u'|', u'}', u'∼', 0x7F};

// 0xA0..0xFF: operators, arrows, set signs and the pieces of tall brackets, braces and integrals.
// 0xF0 is empty in the font.
constexpr std::array<char16_t, 96> kHigh = {
    u'€', u'ϒ', u'′', u'≤', u'⁄', u'∞', u'ƒ', u'♣', u'♦', u'♥',  u'♠', u'↔',  u'←', u'↑',
    u'→', u'↓', u'°', u'±', u'″', u'≥', u'×', u'∝', u'∂', u'•',  u'÷', u'≠',  u'≡', u'≈',
    u'…', u'⏐', u'⎯', u'↵', u'ℵ', u'ℑ', u'ℜ', u'℘', u'⊗', u'⊕',  u'∅', u'∩',  u'∪', u'⊃',
    u'⊇', u'⊄', u'⊂', u'⊆', u'∈', u'∉', u'∠', u'∇', u'®', u'©',  u'™', u'∏',  u'√', u'⋅',
    u'¬', u'∧', u'∨', u'⇔', u'⇐', u'⇑', u'⇒', u'⇓', u'◊', u'〈', u'®', u'©',  u'™', u'∑',
    u'⎛', u'⎜', u'⎝', u'⎡', u'⎢', u'⎣', u'⎧', u'⎨', u'⎩', u'⎪',  0xF0, u'〉', u'∫', u'⌠',
    u'⎮', u'⌡', u'⎞', u'⎟', u'⎠', u'⎤', u'⎥', u'⎦', u'⎫', u'⎬',  u'⎭', 0xFF};

} // namespace

char16_t SymbolToUnicode(std::uint8_t c) {
    if (c >= 0x20 && c < 0x80)
        return kLow[c - 0x20];
    if (c >= 0xA0)
        return kHigh[c - 0xA0];
    return static_cast<char16_t>(c);
}

bool IsSymbolFont(int charset, const QString& face) {
    return charset == kSymbolCharset ||
           face.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0;
}

QStringList SymbolTextFamilies() {
    return {QStringLiteral("DejaVu Serif"), QStringLiteral("Liberation Serif"),
            QStringLiteral("DejaVu Sans"), QStringLiteral("serif")};
}

} // namespace imaging
