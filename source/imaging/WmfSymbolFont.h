// The symbol font's code page in Unicode: metafiles (equations above all) draw Greek letters,
// operators and bracket pieces as single bytes in that font; mapped to Unicode they read right
// in any ordinary font, which is also what they are drawn in (a font that fontconfig offers
// under the symbol font's name may keep its own private encoding and show nothing).
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace imaging {

// The character of a byte of the symbol font; bytes the font leaves empty map to themselves.
char16_t SymbolToUnicode(std::uint8_t c);

// True for a font drawn through the symbol code page: the symbol charset or the face "Symbol".
bool IsSymbolFont(int charset, const QString& face);

// The families mapped symbol text is drawn in, in order of preference.
QStringList SymbolTextFamilies();

} // namespace imaging
