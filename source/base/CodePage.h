// Conversion between the Windows-1251 code page (the texts of language files, project records
// and settings) and Unicode. Every byte has a character; characters without a byte become "?".
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace base {

// Decodes Windows-1251 bytes. 0x98, which the code page leaves unassigned, becomes U+0098 so
// that every byte sequence survives a round trip.
QString FromCp1251(std::string_view bytes);

// Encodes text as Windows-1251; each character (code point) the code page cannot hold becomes
// one "?".
std::string ToCp1251(const QString& text);

} // namespace base
