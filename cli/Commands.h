// Dispatch of reelpane-cli's commands.
#pragma once

#include <QStringList>

namespace cli {

// Runs the command named by args[1]; returns the process exit status.
int Run(const QStringList& args);

// An integer within lo..hi from an argument; false, leaving out as it was, otherwise.
bool ParseInt(const QString& text, int lo, int hi, int& out);

} // namespace cli
