// The naming rules of the disc image: short ISO 9660 names made from long names, Joliet names
// cut to their limit and cleaned of the characters Joliet forbids, and the ECMA-119 order of
// identifiers within a directory and a path table.
#pragma once

#include <QString>

#include <functional>
#include <string>

namespace disc {

// Joliet names are at most this many UTF-16 units (without the ";1" of a file).
constexpr int kJolietNameUnits = 64;
// The longer limit many readers accept; with ";1" it is still one directory record.
constexpr int kJolietLongNameUnits = 103;

// The short name a file (hasExtension true) or directory gets in the ISO 9660 tree: A-Z, 0-9 and
// "_" only, at most 8 characters plus a 3-character extension for files, with a "~N" tail when
// the name had to change. taken(candidate) says whether the directory already holds that name.
// Files always carry the "." of the extension ("README."), as ISO 9660 file identifiers must.
std::string MakeShortName(const QString& longName, bool isFile,
                          const std::function<bool(const std::string&)>& taken);

// The Joliet form of a name: "* / : ; ? \\" and control characters become "_", as does half of a
// surrogate pair; "." and ".." become "_"; a name over maxUnits UTF-16 units is cut keeping its
// extension.
QString CleanJolietName(const QString& name, int maxUnits);

// A name made unique in its directory by a "~N" tail before the extension, still within maxUnits.
// taken(key) answers for the NameKey of a candidate.
QString UniqueJolietName(const QString& clean, int maxUnits,
                         const std::function<bool(const QString&)>& taken);

// The key under which a directory refuses a second entry: Joliet names compare without case.
inline QString NameKey(const QString& jolietName) {
    return jolietName.toUpper();
}

// ECMA-119 order of two identifiers (without the ";1"): the part before the last "." and then the
// extension, each compared as if padded with spaces.
bool IdentifierLess(const std::u16string& a, const std::u16string& b);

// UTF-16 units of a text, and of an ASCII ISO name.
std::u16string Units(const QString& text);
std::u16string Units(const std::string& ascii);

} // namespace disc
