// The choices of the settings dialog, kept apart from the widgets: the language files on offer,
// the resolution list and which entry a stored resolution selects, and what OK loads.
#pragma once

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace project {

// The usual photo sizes of the settings dialog, in its order.
QStringList ResolutionChoices();

// The photo sizes the settings dialog offers for a show and which one it selects.
struct ResolutionList {
    QStringList Entries;
    int Selected = 0; // the show's size
};

// The usual sizes, then the show's size and the screen's when either is not among them, so
// neither is ever shown as another size. The show's size is what its photos are fitted to
// (1280x1024 when its text does not parse); a screen of no size adds nothing.
ResolutionList ResolutionChoicesFor(const std::string& showResolution, int screenWidth,
                                    int screenHeight);

// Names of the "*.lng" files (any letter case) in folder, sorted without regard to letter case.
QStringList LanguageFileNames(const QString& folder);

// One language file as the settings dialog offers it: the file and the name the user reads.
struct LanguageChoice {
    QString File; // file name in the language folder, e.g. "english.lng"
    QString Name; // the file's own language name, or File when the file names none
};

// The language name of the file at path: the text of its name key, or its file name when the
// file cannot be read or leaves that key empty.
QString LanguageNameOf(const QString& path);

// The "*.lng" files of folder in LanguageFileNames' order with their names. Two files naming the
// same language are told apart by their file names in brackets.
std::vector<LanguageChoice> LanguageChoices(const QString& folder);

// Index of the entry equal to name without regard to letter case, -1 when none.
int FindLanguageFile(const QStringList& names, const QString& name);

// The language file OK loads: the selected file when "from file" is chosen, otherwise the
// folder's "english.lng" when it exists; "" means the current texts stay.
QString LanguageFileToLoad(const QString& folder, bool fromFile, const QString& selected);

} // namespace project
