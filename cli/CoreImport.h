// How the console tool's loads bring each embedded file back: the core's own photo and track
// imports, without storyboard cells.
#pragma once

#include "media/music/TrackImport.h"
#include "project/Import.h"
#include "project/ProjectFile.h"

namespace cli {

inline project::ImportHooks CoreImport(project::ShowModel& show) {
    project::ImportHooks hooks;
    hooks.AddPhoto = [&show](const std::string& p) -> project::ImportStatus {
        return project::AddPhoto(show, p);
    };
    hooks.AddTrack = [&show](const std::string& p) -> project::ImportStatus {
        return media::AddTrack(show, p, media::TrackLoudnessAtImport::Leave);
    };
    // Tracks keep the loudness their file stored; only the others are measured.
    hooks.MeasureTrack = media::MeasureMissingLoudness;
    return hooks;
}

} // namespace cli
