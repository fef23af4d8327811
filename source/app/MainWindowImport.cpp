// Main window: adding photos and music from the file dialogs and from files dropped on the window.
#include "app/MainWindow.h"
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
#include <QStandardPaths>
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

// The files of one add or drop become one step of the undo history.
class HistoryBatch {
public:
    HistoryBatch(project::ShowHistory& history, const QString& text) : history_(history) {
        history_.BeginBatch(text);
    }
    ~HistoryBatch() { history_.EndBatch(); }
    HistoryBatch(const HistoryBatch&) = delete;
    HistoryBatch& operator=(const HistoryBatch&) = delete;

private:
    project::ShowHistory& history_;
};

} // namespace

project::ThumbnailMade MainWindow::SeedThumbnail() {
    return [this](const std::string& workFile, const imaging::Bitmap& thumbnail) {
        Storyboard->SeedThumbnail(workFile, thumbnail.CopyToImage());
    };
}

project::ImportStatus MainWindow::AddPhoto(const QString& path) {
    auto added = project::AddPhoto(Show, base::EncodeFileName(path), SeedThumbnail());
    if (!added)
        return added;
    History.PhotoAdded(added->Index);
    const long long perPage = Form->PhotoStrip->width() / project::kCellWidth;
    if (static_cast<long long>(Show.Slides.size()) > perPage * (Show.SlidePage + 1))
        ++Show.SlidePage;
    Storyboard->LayoutPhotoStrip(Show.SlidePage);
    Storyboard->SelectSlide(static_cast<int>(Show.Slides.size()) - 1);
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
    ImportBatch(files, [this](const QString& file) {
        BusyCursor busy;
        return AddPhoto(file);
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
    ImportBatch(files, [this](const QString& file) { return AddTrack(file); });
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
    ImportBatch(files, [this](const QString& file) {
        const std::string ext = project::ExtensionOf(base::EncodeFileName(file));
        if (imaging::IsPhotoExtension(ext)) {
            BusyCursor busy;
            return AddPhoto(file);
        }
        if (project::IsTrackExtension(ext))
            return AddTrack(file);
        return project::ImportStatus::Skip("not a photo or a track");
    });
}

void MainWindow::ImportBatch(const QStringList& files,
                             const std::function<project::ImportStatus(const QString&)>& addOne) {
    if (files.isEmpty())
        return;
    // The whole batch is one step, pushed once the job is over, so undo is offered at once.
    auto step = std::make_optional<HistoryBatch>(History, QStringLiteral("add files"));
    const std::size_t firstPhoto = Show.Slides.size();
    const std::size_t firstTrack = Show.Sounds.size();
    project::ImportBatchOptions options;
    for (const QString& file : files)
        options.Paths.push_back(base::EncodeFileName(file));
    // Photos and tracks that could not be read are skipped and named once, after the batch.
    QStringList unreadable;
    options.AddOne = [this, &addOne, &unreadable](const std::string& path) {
        const QString file = base::DecodeFileName(path);
        auto status = addOne(file);
        if (status.Outcome == project::ImportOutcome::Skipped) {
            const std::string ext = project::ExtensionOf(path);
            if (imaging::IsPhotoExtension(ext) || project::IsTrackExtension(ext))
                unreadable << QFileInfo(file).fileName();
        }
        repaint();
        return status;
    };
    project::ImportBatchResult result;
    {
        WindowProgress progress(*ProgressView);
        JobScope job(*this, progress);
        result = project::ImportFiles(options, progress);
    }
    // The pixel blocks kept for the next photo of the batch go back to the system.
    imaging::Bitmap::ReleaseCachedMemory();
    step.reset(); // the step is pushed (its redo puts the new items in) before the selection
    // The strip lands on the first new photo, selected; tracks alone turn it to the first new one.
    if (Show.Slides.size() > firstPhoto)
        Storyboard->ShowSlide(static_cast<int>(firstPhoto));
    else if (Show.Sounds.size() > firstTrack)
        Storyboard->ShowTrack(firstTrack);
    if (result.Stopped.Failed())
        ShowMessage(QString::fromLocal8Bit(result.Stopped.Error.c_str()));
    else if (!unreadable.isEmpty())
        ShowMessage(UnreadableFilesText(unreadable));
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
