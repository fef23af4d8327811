// Dispatch of reelpane-cli's commands.
#pragma once

#include <QStringList>

namespace cli {

// Runs the command named by args[1]; returns the process exit status.
int Run(const QStringList& args);

} // namespace cli
