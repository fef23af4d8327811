// Main window: adding photos and music from the file dialogs and from files dropped on the window.
#include "app/MainWindow.h"
#include "app/WindowJobs.h"
#include "base/FileName.h"
#include "base/Language.h"
#include "imaging/ImageLoad.h"
#include "media/TrackImport.h"
#include "media/ui/ProgressWindow.h"
#include "project/Import.h"
#include "ui_MainWindow.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <optional>

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

} // namespace

project::ThumbnailMade MainWindow::SeedThumbnail() {
    // An import on the worker hands the picture to the window's thread, ahead of the item it
    // belongs to; one on the window's thread seeds the cache at once.
    QPointer<MainWindow> window(this);
    return [window](const std::string& workFile, const imaging::Bitmap& thumbnail) {
        if (!window)
            return;
        QImage image = thumbnail.CopyToImage();
        if (QThread::currentThread() == window->thread()) {
            window->Storyboard->SeedThumbnail(workFile, image);
            return;
        }
        QMetaObject::invokeMethod(
            window.data(),
            [window, workFile, image = std::move(image)] {
                if (window && window->Storyboard)
                    window->Storyboard->SeedThumbnail(workFile, image);
            },
            Qt::QueuedConnection);
    };
}

project::ImportStatus MainWindow::AddPhoto(const QString& path) {
    BusyCursor busy;
    auto added = project::AddPhoto(Show, base::EncodeFileName(path), SeedThumbnail());
    if (!added)
        return added;
    History.PhotoAdded(added->Index);
    ShowAddedPhoto(Show.Slides.size() - 1);
    return added;
}

project::ImportStatus MainWindow::AddTrack(const QString& path) {
    const auto index = media::AddTrack(Show, base::EncodeFileName(path));
    if (!index)
        return index;
    History.TrackAdded(*index);
    Storyboard->LayoutMusicStrip();
    Storyboard->ShowTrack(*index);
    return index;
}

void MainWindow::addPhotos() {
    if (Busy() || !HaveWorkingFolders())
        return;
    QStringList files;
    if (AskPhotoFiles) {
        files = AskPhotoFiles();
    } else {
        QFileDialog dialog(this);
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setNameFilters({"Graphics (*.png *.gif *.jpg *.jpeg *.bmp *.wmf)",
                               "JPEG (*.jpg *.jpeg)", "GIF (*.gif)", "PNG (*.png)",
                               "Bitmap (*.bmp)", "Metafile (*.wmf)"});
        dialog.setDefaultSuffix("jpg");
        dialog.setDirectory(StartFolder(QStringLiteral("Photos")));
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        // A picture preview beside the list.
        auto* preview = new QLabel(&dialog);
        preview->setFixedSize(200, 200);
        preview->setAlignment(Qt::AlignCenter);
        preview->setFrameShape(QFrame::StyledPanel);
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
            grid->addWidget(preview, 1, grid->columnCount(), grid->rowCount() - 1, 1);
        connect(&dialog, &QFileDialog::currentChanged, preview, [preview](const QString& file) {
            QImageReader reader(file);
            reader.setAutoTransform(true);
            const QSize size = reader.size();
            if (size.isValid())
                reader.setScaledSize(size.scaled(200, 200, Qt::KeepAspectRatio));
            const QImage image = reader.read();
            preview->setPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
        });
        if (dialog.exec() == QDialog::Accepted)
            files = dialog.selectedFiles();
        if (!files.isEmpty())
            RememberFolder(QStringLiteral("Photos"), files.first());
    }
    ImportBatch(files, [seed = SeedThumbnail()](project::ShowModel& into, const std::string& file) {
        return project::ImportStatus(project::AddPhoto(into, file, seed));
    });
}

void MainWindow::addMusic() {
    if (Busy() || !HaveWorkingFolders())
        return;
    QStringList files;
    if (AskTrackFiles) {
        files = AskTrackFiles();
    } else {
        QFileDialog dialog(this);
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setNameFilters({"Sound (*.mp3 *.ogg *.wav)"});
        dialog.setDefaultSuffix("mp3");
        dialog.setDirectory(StartFolder(QStringLiteral("Music")));
        if (dialog.exec() == QDialog::Accepted)
            files = dialog.selectedFiles();
        if (!files.isEmpty())
            RememberFolder(QStringLiteral("Music"), files.first());
    }
    ImportBatch(files, [](project::ShowModel& into, const std::string& file) {
        return project::ImportStatus(media::AddTrack(into, file));
    });
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (acceptDrops() && !Busy() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    // A drop that lands while a job runs (the drag began before) is refused, not imported into
    // the middle of it.
    if (Busy()) {
        event->ignore();
        return;
    }
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    event->acceptProposedAction();
    AcceptDroppedPaths(paths);
}

void MainWindow::AcceptDroppedPaths(const QStringList& paths) {
    if (Busy() || paths.isEmpty() || !HaveWorkingFolders())
        return;
    // A folder gives its photos (not its tracks, not its sub-folders); files are taken by kind.
    QStringList files;
    for (const QString& path : paths) {
        if (QFileInfo(path).isDir()) {
            for (const std::string& photo : project::PhotosInFolder(base::EncodeFileName(path)))
                files << base::DecodeFileName(photo);
        } else {
            files << path;
        }
    }
    ImportBatch(files, [seed = SeedThumbnail()](project::ShowModel& into, const std::string& file) {
        const std::string ext = project::ExtensionOf(file);
        if (imaging::IsPhotoExtension(ext))
            return project::ImportStatus(project::AddPhoto(into, file, seed));
        if (project::IsTrackExtension(ext))
            return project::ImportStatus(media::AddTrack(into, file));
        return project::ImportStatus::Skip("not a photo or a track");
    });
}

void MainWindow::ImportBatch(const QStringList& files, const ImportOne& addOne) {
    if (files.isEmpty())
        return;
    // The whole batch is one step, pushed once the job is over, so undo is offered at once.
    History.BeginBatch(QStringLiteral("add files"));
    const std::size_t firstPhoto = Show.Slides.size();
    const std::size_t firstTrack = Show.Sounds.size();
    project::ImportBatchOptions options;
    for (const QString& file : files)
        options.Paths.push_back(base::EncodeFileName(file));
    // The worker imports into a copy of the show (its working copies land in the same folders)
    // and hands every new item to the window's thread, which puts it into the show and the
    // strip as it comes.
    struct Batch {
        project::ShowModel Scratch;
        QStringList Unreadable; // photos and tracks that could not be read, named once after
        project::ImportBatchResult Result;
    };
    auto batch = std::make_shared<Batch>(Batch{Show, {}, {}});
    options.AddOne = [this, batch, addOne](const std::string& path) {
        project::ShowModel& scratch = batch->Scratch;
        const std::size_t photos = scratch.Slides.size();
        const std::size_t tracks = scratch.Sounds.size();
        auto status = addOne(scratch, path);
        if (status.Added() && scratch.Slides.size() > photos) {
            Jobs->Post([this, slide = scratch.Slides.back()] { PlaceImportedPhoto(slide); });
        } else if (status.Added() && scratch.Sounds.size() > tracks) {
            Jobs->Post([this, track = scratch.Sounds.back()] { PlaceImportedTrack(track); });
        } else if (status.Outcome == project::ImportOutcome::Skipped) {
            const std::string ext = project::ExtensionOf(path);
            if (imaging::IsPhotoExtension(ext) || project::IsTrackExtension(ext))
                batch->Unreadable << QFileInfo(base::DecodeFileName(path)).fileName();
        }
        return status;
    };
    const bool ran = Jobs->RunAndWait(
        [batch, options](WindowProgress& progress) {
            batch->Result = project::ImportFiles(options, progress);
        },
        [this, batch, firstPhoto, firstTrack] {
            // The pixel blocks kept for the next photo of the batch go back to the system.
            imaging::Bitmap::ReleaseCachedMemory();
            // The step is pushed (its redo puts the new items in) before the selection.
            History.EndBatch();
            // The strip lands on the first new photo, selected; tracks alone turn it to the first
            // new one.
            if (Show.Slides.size() > firstPhoto)
                Storyboard->ShowSlide(static_cast<int>(firstPhoto));
            else if (Show.Sounds.size() > firstTrack)
                Storyboard->ShowTrack(firstTrack);
            if (batch->Result.Stopped.Failed())
                ShowMessage(QString::fromLocal8Bit(batch->Result.Stopped.Error.c_str()));
            else if (!batch->Unreadable.isEmpty())
                ShowMessage(UnreadableFilesText(batch->Unreadable));
        });
    if (!ran)
        History.EndBatch(); // another job runs: nothing was imported
}

void MainWindow::PlaceImportedPhoto(const project::Slide& slide) {
    const std::size_t index = Show.Slides.size();
    if (!Show.InsertSlide(index, slide))
        return;
    History.PhotoAdded(index);
    ShowAddedPhoto(index);
}

void MainWindow::ShowAddedPhoto(std::size_t index) {
    const long long perPage = Form->PhotoStrip->width() / project::kCellWidth;
    int page = Storyboard->SlidePage();
    if (static_cast<long long>(Show.Slides.size()) > perPage * (page + 1))
        ++page;
    Storyboard->LayoutPhotoStrip(page);
    Storyboard->SelectSlide(static_cast<int>(index));
}

void MainWindow::PlaceImportedTrack(const project::Track& track) {
    const std::size_t index = Show.Sounds.size();
    if (!Show.InsertSound(index, track))
        return;
    History.TrackAdded(index);
    Storyboard->LayoutMusicStrip();
    Storyboard->ShowTrack(index);
}

QString MainWindow::UnreadableFilesText(const QStringList& names) {
    const QString list = names.join(QStringLiteral(", "));
    if (names.size() == 1)
        return base::Tr(TextKey::FileNotRead, "Файл не удалось прочитать: %1").arg(list);
    return base::Tr(TextKey::FilesNotRead, "Не удалось прочитать файлы (%1): %2")
        .arg(names.size())
        .arg(list);
}

} // namespace ui
