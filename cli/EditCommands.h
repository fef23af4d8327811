// reelpane-cli edit: the effects of the effects dialog applied to slides of a saved show.
#pragma once

#include <QStringList>

namespace cli {

int RunEdit(const QStringList& args);

} // namespace cli
