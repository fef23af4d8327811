// Bringing photos, video clips and music into the show: the add-photos and add-music commands,
// files and folders dropped on the window, and single files added directly. A batch runs on the
// window's job runner and each new item is put into the show as it comes; the batch is one undo
// step. It is given the show, its history, the storyboard view, the job runner and the user's
// dialogs, and from the window only what its host lends.
#pragma once

#include "app/ControllerHost.h"
#include "base/Result.h"
#include "project/Import.h"
#include "project/ShowModel.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>

namespace project {
class ShowHistory;
}

namespace ui {

class StoryboardView;
class WindowJobs;
struct WindowDialogs;

class ImportController final : public QObject {
    Q_OBJECT

public:
    // host: nothing is added while the window is busy. haveWorkingFolders: false, after telling
    // the user why, when the show has no working folders.
    // files: where the imports make their working copies.
    ImportController(QObject* parent, const project::ShowModel& show,
                     const project::WorkFiles& files, project::ShowHistory& history,
                     StoryboardView& view, WindowJobs& jobs, WindowDialogs& dialogs,
                     ControllerHost host, std::function<bool()> haveWorkingFolders);

    // The add-photos and add-music commands: the file dialog, then a batch.
    void addPhotos();
    void addMusic();
    // Files and folders dropped on the window or handed over otherwise: a folder gives its
    // photos and video clips (not its tracks, not its sub-folders); files are taken by kind.
    void AcceptDroppedPaths(const QStringList& paths);

    // One file of each kind (a photo or a video clip; a track) imported at once, on this thread,
    // with its storyboard cells; true
    // when an item was added, Failed() when its working copy could not be written.
    project::ImportStatus AddPhoto(const QString& path);
    project::ImportStatus AddTrack(const QString& path);
    // Hands the thumbnails an import makes to the storyboard's cache.
    project::ThumbnailMade ThumbnailsToView();

    // Brings files in one by one with addOne as a job on the worker, in the progress window
    // (item n of N, Cancel): addOne imports a file into a scratch list, and each new item is put
    // into the show here as it comes, through the history. Then the strip shows the first new photo
    // selected, or the first new track. The batch is one undo step.
    using ImportOne = std::function<project::ImportStatus(
        project::ShowContent& into, const project::WorkFiles& files, const std::string& path)>;
    void ImportBatch(const QStringList& files, const ImportOne& addOne);

    // Hears of each photo or clip put into the show from a file: the file and its new slide.
    std::function<void(const QString& path, const project::Slide& slide)> SlidePlaced;

    // The message naming the files an import skipped because they could not be read.
    static QString UnreadableFilesText(const QStringList& names);

private:
    // A photo or track imported, put at the end of the show as one of its additions (in a
    // batch, part of its step). False, its working copy removed again, when it was refused.
    base::Status PlaceImportedPhoto(const project::Slide& slide);
    base::Status PlaceImportedTrack(const project::Track& track);
    // The import of one file of either kind into `into` (the batches' addOne).
    ImportOne ImportPhotos();
    ImportOne ImportTracks();
    // The strip turns to the page of a photo just added at the end, and selects it.
    void ShowAddedPhoto(std::size_t index);

    const project::ShowModel& show_;
    const project::WorkFiles& files_;
    project::ShowHistory& history_;
    StoryboardView& view_;
    WindowJobs& jobs_;
    WindowDialogs& dialogs_;
    ControllerHost host_;
    std::function<bool()> haveWorkingFolders_;
};

} // namespace ui
