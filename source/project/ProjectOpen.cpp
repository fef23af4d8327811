#include "project/ProjectOpen.h"

#include <utility>

namespace project {

LoadedShow LoadBeside(const WorkFiles& files, const PhotoSettings& photos, const std::string& path,
                      base::Progress& progress, const OpenImport& importer) {
    LoadedShow out;
    ShowContent& loading = out.Loaded;
    // The loaded show's names take the file's prefix; the open show's store stays as it is.
    WorkFiles loadingFiles = files;
    PhotoSettings loadingPhotos = photos;

    ImportHooks hooks;
    hooks.PhotoSizeKnown = [&](const std::string& size) {
        if (loadingPhotos.Resolution.empty())
            loadingPhotos.Resolution = size;
    };
    if (importer.AddPhoto)
        hooks.AddPhoto = [&](const std::string& p) {
            return importer.AddPhoto(loading, loadingFiles, loadingPhotos, p);
        };
    if (importer.AddTrack)
        hooks.AddTrack = [&](const std::string& p) {
            return importer.AddTrack(loading, loadingFiles, p);
        };
    hooks.MeasureTrack = importer.MeasureTrack;
    out.Result = LoadProject(loading, loadingFiles, path, progress, hooks);
    out.Photos = loadingPhotos;
    if (!out.Result || out.Result->Outcome != LoadOutcome::Loaded)
        DiscardShow(loading, loadingFiles); // the part that was loaded, with its copies
    return out;
}

void TakeLoaded(ShowSession& session, LoadedShow&& loaded) {
    if (!loaded.Result)
        return;
    if (loaded.Result->Outcome == LoadOutcome::Cancelled) {
        session.New();
        return;
    }
    std::optional<PhotoSettings> photos;
    // The settings the photos came in with: the file's size where none was chosen.
    if (!(loaded.Photos == session.Show().Photos()))
        photos = loaded.Photos;
    session.Replace(std::move(loaded.Loaded), photos);
}

LoadResult OpenProjectOver(ShowSession& session, const std::string& path, base::Progress& progress,
                           const OpenImport& importer) {
    LoadedShow loaded =
        LoadBeside(session.Files(), session.Show().Photos(), path, progress, importer);
    LoadResult result = loaded.Result;
    TakeLoaded(session, std::move(loaded));
    return result;
}

} // namespace project
