#include "base/FileName.h"

#include <filesystem>
#include <system_error>

namespace base {

namespace {

constexpr char16_t kEscapeBase = 0xDC00; // byte b is carried as U+DC00 + b (b >= 0x80)

// The length of the valid UTF-8 sequence at s[i] and its code point; 0 when the bytes there do
// not begin one (stray continuation, overlong form, surrogate, beyond U+10FFFF, cut short).
std::size_t Utf8Sequence(std::string_view s, std::size_t i, char32_t& cp) {
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = at(i);
    std::size_t n = 0;
    char32_t min = 0;
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        n = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        n = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        n = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > s.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const unsigned char b = at(i + k);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

QString DecodeFileName(std::string_view bytes) {
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    std::size_t i = 0;
    while (i < bytes.size()) {
        char32_t cp = 0;
        const std::size_t n = Utf8Sequence(bytes, i, cp);
        if (n == 0) {
            out += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[i])));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            out += QChar(QChar::highSurrogate(cp));
            out += QChar(QChar::lowSurrogate(cp));
        } else {
            out += QChar(static_cast<char16_t>(cp));
        }
        i += n;
    }
    return out;
}

std::string EncodeFileName(const QString& name) {
    std::string out;
    out.reserve(static_cast<std::size_t>(name.size()));
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t u = name.at(i).unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < name.size() &&
            QChar::isLowSurrogate(name.at(i + 1).unicode())) {
            AppendUtf8(out, QChar::surrogateToUcs4(u, name.at(i + 1).unicode()));
            ++i;
        } else if (u >= kEscapeBase + 0x80 && u <= kEscapeBase + 0xFF) {
            out += static_cast<char>(u - kEscapeBase);
        } else if (QChar::isSurrogate(u)) {
            out += '?'; // half of a pair: no file name can hold it
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

bool EntryExists(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path p(path);
    return std::filesystem::exists(p, ec) || std::filesystem::is_symlink(p, ec);
}

} // namespace base
