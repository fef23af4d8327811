#include "base/CodePage.h"

#include <array>
#include <cstdint>

namespace base {

namespace {

// Unicode of the bytes 0x80..0xBF; 0xC0..0xFF are the Cyrillic letters U+0410..U+044F in order.
constexpr std::array<char16_t, 64> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

char16_t Decode(unsigned char byte) {
    if (byte < 0x80)
        return byte;
    if (byte < 0xC0)
        return kHigh[byte - 0x80];
    return static_cast<char16_t>(0x0410 + (byte - 0xC0));
}

int Encode(char32_t c) {
    if (c < 0x80)
        return static_cast<int>(c);
    if (c >= 0x0410 && c <= 0x044F)
        return static_cast<int>(0xC0 + (c - 0x0410));
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == c)
            return static_cast<int>(0x80 + i);
    return -1;
}

} // namespace

QString FromCp1251(std::string_view bytes) {
    QString text;
    text.resize(static_cast<qsizetype>(bytes.size()));
    QChar* out = text.data();
    for (std::size_t i = 0; i < bytes.size(); ++i)
        out[i] = QChar(Decode(static_cast<unsigned char>(bytes[i])));
    return text;
}

std::string ToCp1251(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (const char32_t c : text.toStdU32String()) {
        const int b = Encode(c);
        bytes.push_back(b < 0 ? '?' : static_cast<char>(b));
    }
    return bytes;
}

} // namespace base
