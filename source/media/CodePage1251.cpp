#include "media/CodePage1251.h"

#include <QList>

#include <array>

namespace media {

namespace {

// Unicode of the bytes 0x80..0xFF; 0x98 has no character.
constexpr std::array<char16_t, 128> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F};

char ToByte(char32_t c) {
    if (c < 0x80)
        return static_cast<char>(c);
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == c && c != 0xFFFD)
            return static_cast<char>(0x80 + i);
    return '?';
}

// Decodes one UTF-8 sequence at s[i]; false when it is not well formed.
bool NextUtf8(std::string_view s, std::size_t& i, char32_t& c) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    int extra = 0;
    if (b0 < 0x80) {
        c = b0;
    } else if ((b0 & 0xE0) == 0xC0) {
        c = b0 & 0x1F;
        extra = 1;
    } else if ((b0 & 0xF0) == 0xE0) {
        c = b0 & 0x0F;
        extra = 2;
    } else if ((b0 & 0xF8) == 0xF0) {
        c = b0 & 0x07;
        extra = 3;
    } else {
        return false;
    }
    if (i + static_cast<std::size_t>(extra) >= s.size())
        return false;
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((b & 0xC0) != 0x80)
            return false;
        c = (c << 6) | (b & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (c < kMin[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return false;
    i += static_cast<std::size_t>(extra) + 1;
    return true;
}

} // namespace

QString Cp1251ToQString(std::string_view bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out.append(b < 0x80 ? QChar(b) : QChar(kHigh[b - 0x80]));
    }
    return out;
}

std::string QStringToCp1251(const QString& text) {
    std::string out;
    for (char32_t c : text.toUcs4())
        out.push_back(ToByte(c));
    return out;
}

std::string Utf8ToCp1251(std::string_view bytes) {
    std::string out;
    char32_t c = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        if (!NextUtf8(bytes, i, c))
            return std::string(bytes);
        out.push_back(ToByte(c));
    }
    return out;
}

std::string Utf16ToCp1251(const std::uint8_t* data, std::size_t size, bool bigEndian) {
    std::size_t i = 0;
    if (size >= 2 &&
        ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF))) {
        bigEndian = data[0] == 0xFE;
        i = 2;
    }
    std::string out;
    for (; i + 1 < size; i += 2) {
        char32_t c = bigEndian ? (char32_t{data[i]} << 8) | data[i + 1]
                               : (char32_t{data[i + 1]} << 8) | data[i];
        if (c == 0)
            break;
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < size) {
            const char32_t lo = bigEndian ? (char32_t{data[i + 2]} << 8) | data[i + 3]
                                          : (char32_t{data[i + 3]} << 8) | data[i + 2];
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
                i += 2;
            }
        }
        out.push_back(ToByte(c));
    }
    return out;
}

} // namespace media
