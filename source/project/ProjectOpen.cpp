#include "project/ProjectOpen.h"

#include <utility>

namespace project {

LoadResult OpenProjectOver(ShowModel& show, const std::string& path, base::Progress& progress,
                           const OpenImport& importer) {
    ShowModel loading;
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
    const LoadResult result = LoadProject(loading, path, progress, hooks);

    if (result.Outcome != LoadOutcome::Loaded) {
        loading.ClearProject(); // the part that was loaded, with its copies
        if (result.Outcome == LoadOutcome::Cancelled)
            show.ClearProject();
        return result;
    }
    show.ClearProject();
    show.WorkPrefix = loading.WorkPrefix;
    show.ReplaceAll(std::move(loading.Slides), std::move(loading.Sounds), loading.Options);
    return result;
}

} // namespace project
