// `edit SHOW --slide N [--trim START,END] [--clip-volume V | --mute | --unmute]`: a clip's trim
// (seconds, to the millisecond; END may be "end") and its sound.
#pragma once

#include <QStringList>

namespace cli {

bool IsClipEdit(const QStringList& args);
int RunClipEdit(const QStringList& args);

} // namespace cli
