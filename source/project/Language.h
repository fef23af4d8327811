// The interface texts of the running program: up to 999 numbered texts from a language file.
// A text is used only when the table holds its key; otherwise the built-in text stays.
#pragma once

#include <QString>

#include <string>
#include <vector>

namespace project {

struct Language {
    std::vector<std::string> LanguageTable; // entry K-1 holds key K, in code-page bytes
    std::string LanguageFile;               // file name of the loaded table, "" when none

    bool Has(int key) const {
        return key >= 1 && static_cast<std::size_t>(key) <= LanguageTable.size();
    }
    // The text of key, or builtin when the table does not hold the key.
    QString Text(int key, const QString& builtin) const;
};

// The one table of the running program.
Language& AppLanguage();

} // namespace project
