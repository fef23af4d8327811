#include "project/Language.h"

namespace project {

QString Language::Text(int key, const QString& builtin) const {
    if (!Has(key))
        return builtin;
    // TODO(settings issue): convert from the Windows-1251 code page.
    return QString::fromLatin1(LanguageTable[static_cast<std::size_t>(key - 1)]);
}

Language& AppLanguage() {
    static Language language;
    return language;
}

} // namespace project
