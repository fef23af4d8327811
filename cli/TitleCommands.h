// `edit SHOW --insert-title N --text TEXT [--subtitle TEXT] [--backdrop B] [--seconds S]
// [--motion M]`: a title slide put before slide N (one past the last appends).
#pragma once

#include <QStringList>

namespace cli {

bool IsTitleInsert(const QStringList& args);
int RunTitleInsert(const QStringList& args);

} // namespace cli
