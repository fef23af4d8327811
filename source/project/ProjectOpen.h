// Opening a project file over the open show: the file is loaded into a show of its own whose
// working copies land in the open show's folders, and takes the open show's place only when it
// loaded completely. A refused or failed load leaves the open show (records, copies, cells) as it
// was.
#pragma once

#include "project/ProjectFile.h"
#include "project/ShowSession.h"

#include <functional>
#include <string>

namespace project {

struct OpenImport {
    // Imports one file into `into`, the show being loaded (never the open one), its working
    // copy made in `files`; a photo fitted as `photos` say (the open show's settings, with the
    // file's own size where they choose none).
    std::function<ImportStatus(ShowContent& into, const WorkFiles& files,
                               const PhotoSettings& photos, const std::string& path)>
        AddPhoto;
    std::function<ImportStatus(ShowContent& into, const WorkFiles& files, const std::string& path)>
        AddTrack;
    // Measures a loaded track the file stored no loudness for (ImportHooks::MeasureTrack).
    std::function<void(Track& track, base::Progress& progress)> MeasureTrack;
};

// A file loaded beside a show (LoadBeside), not yet in its place.
struct LoadedShow {
    LoadResult Result = base::Fail("the show was not loaded");
    ShowContent Loaded; // the file's show when Result is Loaded, otherwise empty
    // The photo settings its photos came in with: those given, with the size the file names
    // where they named none ("" still when the file names none either: 1280 x 1024).
    PhotoSettings Photos;
};

// The part of an open that may run on a worker thread: loads path into a show of its own whose
// copies are made in the open show's folders (`files` is only read); a load that did not
// complete is removed again.
LoadedShow LoadBeside(const WorkFiles& files, const PhotoSettings& photos, const std::string& path,
                      base::Progress& progress, const OpenImport& importer);
// The part that changes the open show: the loaded show takes its place (loaded), or the show is
// emptied (cancelled); after a failure it stays as it was. The history starts empty.
void TakeLoaded(ShowSession& session, LoadedShow&& loaded);

// Loads path beside the session's show and, when it loaded, puts it in its place (the old copies
// removed). Refused, damaged or failed: the show is untouched and the loaded part is removed
// again. Cancel empties the show, as a cancelled load always has.
LoadResult OpenProjectOver(ShowSession& session, const std::string& path, base::Progress& progress,
                           const OpenImport& importer);

} // namespace project
