#include "app/ImportController.h"

#include "app/StoryboardView.h"
#include "app/StripLayout.h"
#include "app/WindowDialogs.h"
#include "app/WindowJobs.h"
#include "base/FileName.h"
#include "base/Language.h"
#include "base/ui/ProgressWindow.h"
#include "imaging/ImageLoad.h"
#include "media/music/TrackImport.h"
#include "media/video/ClipImport.h"
#include "project/ShowHistory.h"

#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QThread>

#include <memory>

using base::TextKey;

namespace ui {

namespace {

// The hourglass while one photo is imported.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// A file that comes in as a slide: a photo or a video clip.
bool IsSlideExtension(const std::string& ext) {
    return imaging::IsPhotoExtension(ext) || project::IsClipExtension(ext);
}

} // namespace

ImportController::ImportController(QObject* parent, const project::ShowModel& show,
                                   const project::WorkFiles& files, project::ShowHistory& history,
                                   StoryboardView& view, WindowJobs& jobs, WindowDialogs& dialogs,
                                   ControllerHost host, std::function<bool()> haveWorkingFolders)
    : QObject(parent), show_(show), files_(files), history_(history), view_(view), jobs_(jobs),
      dialogs_(dialogs), host_(std::move(host)),
      haveWorkingFolders_(std::move(haveWorkingFolders)) {}

project::ThumbnailMade ImportController::ThumbnailsToView() {
    // An import on the worker hands the picture to the window's thread, ahead of the item it
    // belongs to; one on the window's thread fills the cache at once.
    QPointer<ImportController> self(this);
    return [self](const std::string& workFile, const imaging::Bitmap& thumbnail) {
        if (!self)
            return;
        QImage image = thumbnail.CopyToImage();
        if (QThread::currentThread() == self->thread()) {
            self->view_.KeepThumbnail(workFile, image);
            return;
        }
        QMetaObject::invokeMethod(
            self.data(),
            [self, workFile, image = std::move(image)] {
                if (self)
                    self->view_.KeepThumbnail(workFile, image);
            },
            Qt::QueuedConnection);
    };
}

project::ImportStatus ImportController::AddPhoto(const QString& path) {
    BusyCursor busy;
    project::ShowContent scratch;
    const project::ImportStatus added = ImportPhotos()(scratch, files_, base::EncodeFileName(path));
    if (project::Added(added)) {
        if (auto placed = PlaceImportedPhoto(scratch.Slides.back()); !placed)
            return base::Fail(placed.error());
        if (SlidePlaced)
            SlidePlaced(path, scratch.Slides.back());
    }
    return added;
}

project::ImportStatus ImportController::AddTrack(const QString& path) {
    project::ShowContent scratch;
    const project::ImportStatus added = ImportTracks()(scratch, files_, base::EncodeFileName(path));
    if (project::Added(added))
        if (auto placed = PlaceImportedTrack(scratch.Sounds.back()); !placed)
            return base::Fail(placed.error());
    return added;
}

ImportController::ImportOne ImportController::ImportPhotos() {
    return [photos = show_.Photos(), toView = ThumbnailsToView()](project::ShowContent& into,
                                                                  const project::WorkFiles& files,
                                                                  const std::string& file) {
        return project::StatusOf(media::AddPhotoOrClip(into, files, photos, file, toView,
                                                       project::FaceSearch::Find,
                                                       project::OriginalCopy::Keep));
    };
}

ImportController::ImportOne ImportController::ImportTracks() {
    return
        [](project::ShowContent& into, const project::WorkFiles& files, const std::string& file) {
            return project::StatusOf(media::AddTrack(into, files, file));
        };
}

void ImportController::addPhotos() {
    if (host_.IsBusy() || !haveWorkingFolders_())
        return;
    const QStringList files = dialogs_.AskPhotoFiles();
    ImportBatch(files, ImportPhotos());
}

void ImportController::addMusic() {
    if (host_.IsBusy() || !haveWorkingFolders_())
        return;
    const QStringList files = dialogs_.AskTrackFiles();
    ImportBatch(files, ImportTracks());
}

void ImportController::AcceptDroppedPaths(const QStringList& paths) {
    if (host_.IsBusy() || paths.isEmpty() || !haveWorkingFolders_())
        return;
    QStringList files;
    for (const QString& path : paths) {
        if (QFileInfo(path).isDir()) {
            for (const std::string& photo : project::PhotosInFolder(base::EncodeFileName(path)))
                files << base::DecodeFileName(photo);
        } else {
            files << path;
        }
    }
    ImportBatch(files, [photos = ImportPhotos(), tracks = ImportTracks()](
                           project::ShowContent& into, const project::WorkFiles& files,
                           const std::string& file) {
        const std::string ext = project::ExtensionOf(file);
        if (IsSlideExtension(ext))
            return photos(into, files, file);
        if (project::IsTrackExtension(ext))
            return tracks(into, files, file);
        return project::ImportStatus(project::ImportNote::Skip("not a photo or a track"));
    });
}

void ImportController::ImportBatch(const QStringList& files, const ImportOne& addOne) {
    if (files.isEmpty())
        return;
    // The whole batch is one step, pushed once the job is over, so undo is offered at once.
    history_.BeginBatch(QStringLiteral("add files"));
    const std::size_t firstPhoto = show_.Slides().size();
    const std::size_t firstTrack = show_.Sounds().size();
    project::ImportBatchOptions options;
    for (const QString& file : files)
        options.Paths.push_back(base::EncodeFileName(file));
    // The worker imports into a scratch list (its working copies land in the show's folders)
    // and hands every new item to the window's thread, which puts it into the show and the
    // strip as it comes.
    struct Batch {
        project::ShowContent Scratch;
        // The worker's own copy of the store: its names are searched apart from the window's.
        project::WorkFiles Files;
        QStringList Unreadable; // photos and tracks that could not be read, named once after
        project::ImportBatchResult Result;
    };
    auto batch = std::make_shared<Batch>();
    batch->Files = files_;
    options.AddOne = [this, batch, addOne](const std::string& path) {
        project::ShowContent& scratch = batch->Scratch;
        const std::size_t photos = scratch.Slides.size();
        const std::size_t tracks = scratch.Sounds.size();
        auto status = addOne(scratch, batch->Files, path);
        if (project::Added(status) && scratch.Slides.size() > photos) {
            jobs_.Post([this, slide = scratch.Slides.back(), path] {
                if (PlaceImportedPhoto(slide).ok() && SlidePlaced)
                    SlidePlaced(base::DecodeFileName(path), slide);
            });
        } else if (project::Added(status) && scratch.Sounds.size() > tracks) {
            // A track the show refuses is left out with its working copy, as a photo is.
            jobs_.Post([this, track = scratch.Sounds.back()] {
                static_cast<void>(PlaceImportedTrack(track));
            });
        } else if (status && !status->Added) {
            const std::string ext = project::ExtensionOf(path);
            if (IsSlideExtension(ext) || project::IsTrackExtension(ext))
                batch->Unreadable << QFileInfo(base::DecodeFileName(path)).fileName();
        }
        return status;
    };
    const bool started = jobs_.Start(
        [batch, options](WindowProgress& progress) {
            batch->Result = project::ImportFiles(options, progress);
        },
        [this, batch, firstPhoto, firstTrack] {
            // The pixel blocks kept for the next photo of the batch go back to the system.
            imaging::Bitmap::ReleaseCachedMemory();
            // The step is pushed (its redo puts the new items in) before the selection.
            history_.EndBatch();
            // The strip lands on the first new photo, selected; tracks alone turn it to the first
            // new one.
            if (show_.Slides().size() > firstPhoto)
                view_.ShowSlide(static_cast<int>(firstPhoto));
            else if (show_.Sounds().size() > firstTrack)
                view_.ShowTrack(firstTrack);
            if (!batch->Result.Stopped)
                dialogs_.ShowMessage(QString::fromLocal8Bit(batch->Result.Stopped.error().c_str()));
            else if (!batch->Unreadable.isEmpty())
                dialogs_.ShowMessage(UnreadableFilesText(batch->Unreadable));
        });
    if (!started)
        history_.EndBatch(); // another job runs: nothing is imported
}

base::Status ImportController::PlaceImportedPhoto(const project::Slide& slide) {
    const std::size_t index = show_.Slides().size();
    if (auto done =
            history_.Apply({project::edit::InsertSlide{index, slide}}, QStringLiteral("add photo"));
        !done) {
        files_.Remove(slide.WorkFile);
        return done;
    }
    ShowAddedPhoto(index);
    return {};
}

void ImportController::ShowAddedPhoto(std::size_t index) {
    const long long perPage = view_.StripWidth() / kCellWidth;
    int page = view_.SlidePage();
    if (static_cast<long long>(show_.Slides().size()) > perPage * (page + 1))
        ++page;
    view_.LayoutPhotoStrip(page);
    view_.SelectSlide(static_cast<int>(index));
}

base::Status ImportController::PlaceImportedTrack(const project::Track& track) {
    const std::size_t index = show_.Sounds().size();
    if (auto done =
            history_.Apply({project::edit::InsertTrack{index, track}}, QStringLiteral("add track"));
        !done) {
        files_.Remove(track.WorkFile);
        return done;
    }
    view_.LayoutMusicStrip();
    view_.ShowTrack(index);
    return {};
}

QString ImportController::UnreadableFilesText(const QStringList& names) {
    const QString list = names.join(QStringLiteral(", "));
    if (names.size() == 1)
        return base::Tr(TextKey::FileNotRead, "Файл не удалось прочитать: %1").arg(list);
    return base::Tr(TextKey::FilesNotRead, "Не удалось прочитать файлы (%1): %2")
        .arg(names.size())
        .arg(list);
}

} // namespace ui
