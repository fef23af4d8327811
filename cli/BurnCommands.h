// reelpane-cli burn and erase: write files to a disc as a new session, or erase a rewritable
// disc, with progress on a terminal and Ctrl-C as Cancel.
#pragma once

#include <QStringList>

namespace cli {

int RunBurn(const QStringList& args);
int RunErase(const QStringList& args);

} // namespace cli
