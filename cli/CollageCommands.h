// `edit SHOW --insert-collage N --layout side|stack|grid|feature PHOTO PHOTO [PHOTO PHOTO]
// [--seconds S]`: a collage of those photo files put before slide N (one past the last appends).
#pragma once

#include <QStringList>

namespace cli {

bool IsCollageInsert(const QStringList& args);
int RunCollageInsert(const QStringList& args);

} // namespace cli
