// reelpane-cli's recorder commands.
#pragma once

#include <QStringList>

namespace cli {

// drives: each recorder's list entry, one a line, followed by its medium.
int RunDrives(const QStringList& args);

} // namespace cli
