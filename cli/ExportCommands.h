// reelpane-cli export and codecs: the show written as a video through the export job, and the
// compressor lines with those the export offers.
#pragma once

#include <QStringList>

namespace cli {

int RunExport(const QStringList& args);
int RunCodecs(const QStringList& args);

} // namespace cli
