// How the console tool's loads bring each embedded file back: the core's own photo and track
// imports, without storyboard cells.
#pragma once

#include "media/music/TrackImport.h"
#include "project/Import.h"
#include "project/ProjectOpen.h"

namespace cli {

inline project::OpenImport CoreImport() {
    project::OpenImport hooks;
    hooks.AddPhoto = [](project::ShowContent& into, const project::WorkFiles& files,
                        const project::PhotoSettings& photos,
                        const std::string& p) -> project::ImportStatus {
        return project::StatusOf(project::AddPhoto(into, files, photos, p));
    };
    hooks.AddTrack = [](project::ShowContent& into, const project::WorkFiles& files,
                        const std::string& p) -> project::ImportStatus {
        return project::StatusOf(
            media::AddTrack(into, files, p, media::TrackLoudnessAtImport::Leave));
    };
    // Tracks keep the loudness their file stored; only the others are measured.
    hooks.MeasureTrack = media::MeasureMissingLoudness;
    return hooks;
}

} // namespace cli
