// Tag texts in their encodings (UTF-8, UTF-16, single-byte) turned into the UTF-8 in which track
// titles are kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace media {

// Valid UTF-8 is kept; anything else is taken to be Windows-1251 bytes (what older tagging tools
// wrote) and converted.
std::string Utf8Text(std::string_view bytes);
// Single-byte tag text (ID3v1, ID3v2's first encoding), read as Windows-1251 as older tagging
// tools wrote it.
std::string CodePageText(std::string_view bytes);
// UTF-16 up to the first NUL character. With a byte-order mark the mark decides the order,
// otherwise bigEndian does.
std::string Utf16Text(const std::uint8_t* data, std::size_t size, bool bigEndian);

} // namespace media
