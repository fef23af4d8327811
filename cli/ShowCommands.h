// reelpane-cli new and info: make a show from files, print a show as JSON.
#pragma once

#include <QStringList>

namespace cli {

int RunNew(const QStringList& args);
int RunInfo(const QStringList& args);

} // namespace cli
