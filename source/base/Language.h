// The interface texts of the running program: up to 999 numbered texts from a language file.
// Code names the keys it uses by TextKey; the int forms serve keys computed from a first key.
// A text is used only when the table holds its key; otherwise the built-in text stays. Texts
// added after the language files were first written use FileText, which also knows which keys
// the loaded file actually holds.
#pragma once

#include "base/Result.h"
#include "base/TextKey.h"

#include <QString>

#include <string>
#include <string_view>
#include <vector>

namespace base {

// Number of entries a loaded table holds (keys 1..999).
constexpr int kLanguageKeys = 999;
// The key holding the language's own name ("English", "Русский"), shown where the user picks a
// language file. No interface text uses key 1, and as the lowest key it stands first in a file.
constexpr int kLanguageNameKey = 1;
// Language files larger than this are refused unread; real ones are a few kilobytes.
constexpr std::size_t kMaxLanguageFileBytes = 8 * 1024 * 1024;

struct Language {
    std::vector<std::string> LanguageTable; // entry K-1 holds key K, in Windows-1251 bytes
    std::string LanguageFile;               // file name of the loaded table, "" when none
    std::vector<bool> FileKeys;             // entry K-1 true when the loaded file holds key K

    bool Has(int key) const {
        return key >= 1 && static_cast<std::size_t>(key) <= LanguageTable.size();
    }
    // The text of key, or builtin when the table does not hold the key.
    QString Text(int key, const QString& builtin) const;
    QString Text(int key, const char* builtinUtf8) const {
        return Text(key, QString::fromUtf8(builtinUtf8));
    }
    bool Has(TextKey key) const { return Has(KeyNumber(key)); }
    QString Text(TextKey key, const char* builtinUtf8) const {
        return Text(KeyNumber(key), builtinUtf8);
    }
    QString Text(TextKey key, const QString& builtin) const {
        return Text(KeyNumber(key), builtin);
    }
    // True when the loaded file holds key (a line "key=" with an empty text counts).
    bool FileHolds(int key) const {
        return Has(key) && static_cast<std::size_t>(key) <= FileKeys.size() &&
               FileKeys[static_cast<std::size_t>(key - 1)];
    }
    // The text of key when the loaded file holds it (even when empty), otherwise builtin: older
    // language files lack the newer keys, and their dialogs must not come up blank.
    QString FileText(int key, const QString& builtin) const;
    QString FileText(int key, const char* builtinUtf8) const {
        return FileText(key, QString::fromUtf8(builtinUtf8));
    }
    QString FileText(TextKey key, const char* builtinUtf8) const {
        return FileText(KeyNumber(key), builtinUtf8);
    }
};

// The language-file table built from the lines of a file: exactly kLanguageKeys entries. Keys are
// searched in ascending order, each behind the line of the last key found, so a key that stands
// before an already found one is not found and the first of two equal keys wins. A text is the
// rest of its line after "=", trimmed of blanks and control characters, with every "\n" turned
// into CR LF. A 0x98 byte inside a line ends the line for the search (it is the separator).
// When found is given it receives kLanguageKeys flags: entry K-1 true when the search found K.
std::vector<std::string> ParseLanguageLines(const std::vector<std::string_view>& lines,
                                            std::vector<bool>* found = nullptr);

// Splits file content into lines at LF, CR LF and lone CR. An empty content has no line; a final
// line without a line break still counts.
std::vector<std::string_view> SplitLines(std::string_view content);

// Reads the file at path into language: on success the table holds kLanguageKeys entries,
// FileKeys which of them the file holds and LanguageFile the file's name. A file that cannot be
// read, is too large or holds no line leaves language as it was and fails with the reason.
Status LoadLanguageFile(Language& language, const QString& path);

// The table of the file at path as LoadLanguageFile reads it, without loading it (and in *held
// which keys the file holds); fails when the file cannot be read, is too large or holds no line.
Result<std::vector<std::string>> ReadLanguageTable(const QString& path,
                                                   std::vector<bool>* held = nullptr);

// The one table of the running program.
Language& AppLanguage();

// The running program's text of key, or builtinUtf8 when its table lacks the key.
inline QString Tr(int key, const char* builtinUtf8) {
    return AppLanguage().Text(key, builtinUtf8);
}
inline QString Tr(TextKey key, const char* builtinUtf8) {
    return AppLanguage().Text(key, builtinUtf8);
}

// The language folder beside the program (ends with '/').
QString LanguageFolder();

} // namespace base
