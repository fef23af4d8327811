// reelpane-cli edit with --track N, --all-tracks or --show: a track's volume and fades, and the
// show's music options, "fit photos to the music" and "change photos on the beat".
#pragma once

#include <QStringList>

namespace cli {

// True when the edit's arguments ask for a track or show edit rather than a photo edit.
bool IsMusicEdit(const QStringList& args);

int RunMusicEdit(const QStringList& args);

} // namespace cli
