// What the program's command line asks for at start: a show to open (a file manager passes the
// double-clicked file), besides the options of the toolkit and the smoke test.
#pragma once

#include <QString>
#include <QStringList>

namespace ui {

// The show to open: the first argument after the program's own name that is not an option
// ("-..."), or the argument after "--"; a "file:" address becomes its local path. "" when none.
QString ShowPathFromArguments(const QStringList& arguments);

} // namespace ui
