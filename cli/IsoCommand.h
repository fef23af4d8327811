// reelpane-cli iso: files and folders as an ISO 9660 + Joliet image file.
#pragma once

#include <QStringList>

namespace cli {

int RunIso(const QStringList& args);

} // namespace cli
