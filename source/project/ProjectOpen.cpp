#include "project/ProjectOpen.h"

#include <utility>

namespace project {

LoadedShow LoadBeside(const ShowModel& show, const std::string& path, base::Progress& progress,
                      const OpenImport& importer) {
    LoadedShow out;
    ShowModel& loading = out.Loaded;
    loading.PicturesDir = show.PicturesDir;
    loading.MusicDir = show.MusicDir;
    loading.Resolution = show.Resolution;
    loading.WorkPrefix = show.WorkPrefix;

    ImportHooks hooks;
    if (importer.AddPhoto)
        hooks.AddPhoto = [&](const std::string& p) { return importer.AddPhoto(loading, p); };
    if (importer.AddTrack)
        hooks.AddTrack = [&](const std::string& p) { return importer.AddTrack(loading, p); };
    hooks.MeasureTrack = importer.MeasureTrack;
    out.Result = LoadProject(loading, path, progress, hooks);
    if (out.Result.Outcome != LoadOutcome::Loaded)
        loading.ClearProject(); // the part that was loaded, with its copies
    return out;
}

void TakeLoaded(ShowModel& show, LoadedShow&& loaded) {
    if (loaded.Result.Outcome == LoadOutcome::Cancelled)
        show.ClearProject();
    if (loaded.Result.Outcome != LoadOutcome::Loaded)
        return;
    ShowModel& loading = loaded.Loaded;
    show.ClearProject();
    show.WorkPrefix = loading.WorkPrefix;
    if (show.Resolution.empty())
        show.Resolution = loading.Resolution; // the size the file says its photos were made at
    show.ReplaceAll(std::move(loading.Slides), std::move(loading.Sounds), loading.Options);
}

LoadResult OpenProjectOver(ShowModel& show, const std::string& path, base::Progress& progress,
                           const OpenImport& importer) {
    LoadedShow loaded = LoadBeside(show, path, progress, importer);
    LoadResult result = loaded.Result;
    TakeLoaded(show, std::move(loaded));
    return result;
}

} // namespace project
