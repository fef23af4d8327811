// Bringing a music track into the show: a working copy in the music folder, its title from the
// tags and its length measured by the audio library.
#pragma once

#include "project/Import.h"
#include "project/ShowModel.h"

#include <cstdint>
#include <string>

namespace media {

// Imports one audio file as a new last track; the item is its index. Skipped when the extension
// is not a track's, the audio library is not loaded, or the file cannot be read or decoded;
// Failed when its working copy cannot be written. An existing working copy is never replaced.
project::Imported<std::size_t> AddTrack(project::ShowModel& show, const std::string& path);

// The same for a track of a show being loaded: a track that cannot be decoded still gets its
// record (length 0) with its working copy, so the loader gives it its stored play time and every
// later track keeps its place; the export then plays it as silence and names it.
project::Imported<std::size_t> LoadTrack(project::ShowModel& show, const std::string& path);

// Length of an audio file in whole seconds (rounded), or -1 when it cannot be opened.
std::int64_t MeasureTrackSeconds(const std::string& path);

} // namespace media
