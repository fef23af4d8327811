// Small text helpers shared by the parsers of records, tags and language files.
#pragma once

#include <string>
#include <string_view>

namespace base {

// Removes blanks and control characters (bytes up to 0x20) at both ends.
inline std::string_view TrimView(std::string_view s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return s.substr(b, e - b);
}

inline std::string Trim(std::string_view s) {
    return std::string(TrimView(s));
}

} // namespace base
