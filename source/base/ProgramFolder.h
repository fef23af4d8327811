// The program folder: where language/ and help/ are found. In the build tree it is the
// executable's own folder; in an installed tree it is <prefix>/share/reelpane.
#pragma once

#include <QString>

namespace base {

// Ends with '/'.
QString ProgramFolder();

// Overrides the folder (tests point it at a folder of their own); an empty text restores the
// normal lookup.
void SetProgramFolderForTesting(const QString& folder);

} // namespace base
