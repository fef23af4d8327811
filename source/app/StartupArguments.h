// What the program's command line asks for at start: a show to open (a file manager passes the
// double-clicked file), besides the options of the toolkit and the smoke test.
#pragma once

#include <QString>
#include <QStringList>

namespace ui {

// The files handed over: every argument after the program's own name that is not an option
// ("-..."), and every one after "--"; a "file:" address becomes its local path (one that is not
// local is left out). A file manager passes a show to open, or photos, clips and tracks to add.
QStringList PathsFromArguments(const QStringList& arguments);
// The first of them, "" when none.
QString ShowPathFromArguments(const QStringList& arguments);

} // namespace ui
