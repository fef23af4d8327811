// Opening a project file over the open show: the file is loaded into a show of its own that
// shares the open show's working folders, and takes the open show's place only when it loaded
// completely. A refused or failed load leaves the open show (records, copies, cells) as it was.
#pragma once

#include "project/ProjectFile.h"

#include <functional>
#include <string>

namespace project {

struct OpenImport {
    // Imports one file into `into`, the show being loaded (never the open one).
    std::function<ImportStatus(ShowModel& into, const std::string& path)> AddPhoto;
    std::function<ImportStatus(ShowModel& into, const std::string& path)> AddTrack;
    // Measures a loaded track the file stored no loudness for (ImportHooks::MeasureTrack).
    std::function<void(Track& track, base::Progress& progress)> MeasureTrack;
};

// A file loaded beside a show (LoadBeside), not yet in its place.
struct LoadedShow {
    LoadResult Result;
    ShowModel Loaded; // the file's show when Result is Loaded, otherwise empty
};

// The part of an open that may run on a worker thread: loads path into a show of its own that
// shares `show`'s working folders (only read); a load that did not complete is removed again.
LoadedShow LoadBeside(const ShowModel& show, const std::string& path, base::Progress& progress,
                      const OpenImport& importer);
// The part that changes the open show: the loaded show takes its place (Loaded), or the show is
// emptied (Cancelled); otherwise it stays as it was.
void TakeLoaded(ShowModel& show, LoadedShow&& loaded);

// Loads path beside `show` and, when it loaded, replaces the show's items with it (the old copies
// and cells removed; page 0, first photo and track selected). Refused, damaged or failed: `show`
// is untouched and the loaded part is removed again. Cancel empties `show`, as a cancelled load
// always has.
LoadResult OpenProjectOver(ShowModel& show, const std::string& path, base::Progress& progress,
                           const OpenImport& importer);

} // namespace project
