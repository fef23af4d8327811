// Bringing a music track into the show: a working copy in the music folder, its title from the
// tags, its length measured by the audio library and its loudness by the loudness meter.
#pragma once

#include "base/Result.h"
#include "media/music/LoudnessMeter.h"
#include "project/Import.h"
#include "project/ShowModel.h"

#include <cstdint>
#include <string>

namespace media {

// Whether an import measures the track's loudness (a user's import) or leaves it to the caller
// (a show being loaded, whose file may hold it already).
enum class TrackLoudnessAtImport { Measure, Leave };

// Imports one audio file as a new last track of `show`, its working copy made in `files`, its
// loudness measured (left unknown when it cannot be) unless told to leave it; the item is its
// index. Skipped when the extension is not a track's, the audio library is not loaded, or the file
// cannot be read or decoded; Failed when its working copy cannot be written. An existing working
// copy is never replaced.
project::ImportResult<std::size_t>
AddTrack(project::ShowContent& show, const project::WorkFiles& files, const std::string& path,
         TrackLoudnessAtImport loudness = TrackLoudnessAtImport::Measure);

// The same for a track of a show being loaded: a track that cannot be decoded still gets its
// record (length 0) with its working copy, so the loader gives it its stored play time and every
// later track keeps its place; the export then plays it as silence and names it. Its loudness is
// not measured: the loader keeps the stored one or asks MeasureMissingLoudness.
project::ImportResult<std::size_t>
LoadTrack(project::ShowContent& show, const project::WorkFiles& files, const std::string& path);

// Measures the working copy of a track that has no loudness yet (the loader's MeasureTrack);
// a track that has one, or cannot be measured (silence, undecodable), is left as it is.
void MeasureMissingLoudness(project::Track& track, base::Progress& progress);

// The integrated loudness and true peak of an audio file, decoded once.
base::Result<TrackLoudness> MeasureTrackLoudness(const std::string& path);

// Length of an audio file in milliseconds (rounded), or -1 when it cannot be opened.
std::int64_t MeasureTrackMs(const std::string& path);

// Length of an audio file in whole seconds (rounded), or -1 when it cannot be opened.
std::int64_t MeasureTrackSeconds(const std::string& path);

} // namespace media
