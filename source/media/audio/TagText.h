// Tag texts in Unicode encodings (UTF-8, UTF-16) turned into the Windows-1251 bytes in which
// track titles are kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace media {

// Valid UTF-8 is converted; anything else is taken to be code-page bytes already and kept.
std::string Utf8ToCp1251(std::string_view bytes);
// UTF-16 up to the first NUL character. With a byte-order mark the mark decides the order,
// otherwise bigEndian does.
std::string Utf16ToCp1251(const std::uint8_t* data, std::size_t size, bool bigEndian);

} // namespace media
