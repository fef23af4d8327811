// reelpane-cli frame: one frame of the show, drawn by the renderer the export writes with, as a
// PNG picture (a poster frame, a thumbnail for a web page).
#pragma once

#include <QStringList>

namespace cli {

int RunFrame(const QStringList& args);

} // namespace cli
