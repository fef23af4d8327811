// The pictures the storyboard reads from working files: the thumbnail cache keyed by each file's
// identity, and the selected slide composed into the editor's preview picture.
#include "app/StoryboardView.h"
#include "base/Language.h"

#include "imaging/Compose.h"
#include "project/Import.h"
#include "project/PhotoSteps.h"

#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QPainter>

#include <iterator>
#include <sys/stat.h>

namespace ui {

StoryboardView::FileKey StoryboardView::KeyOf(const std::string& path) {
    FileKey key;
    key.Path = path;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        key.Inode = static_cast<unsigned long long>(st.st_ino);
        key.Size = static_cast<long long>(st.st_size);
        key.ModifiedNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL +
                         static_cast<long long>(st.st_mtim.tv_nsec);
    }
    return key;
}

void StoryboardView::KeepThumbnail(const std::string& path, const QImage& thumbnail) {
    if (!thumbnail.isNull())
        thumbnails_[KeyOf(path)] = QPixmap::fromImage(thumbnail);
}

QPixmap StoryboardView::ThumbnailOf(const std::string& path) {
    const FileKey key = KeyOf(path);
    if (const auto found = thumbnails_.find(key); found != thumbnails_.end())
        return found->second;
    QPixmap made;
    if (key.Size >= 0) {
        // An unreadable picture shows as the plain cell; the slide's own checks name the file.
        const auto picture = imaging::LoadSlidePicture(path);
        if (picture && !picture->IsEmpty())
            made = QPixmap::fromImage(project::MakeThumbnail(*picture).CopyToImage());
    }
    if (made.isNull()) {
        made = QPixmap(90, 90);
        made.fill(ButtonFace());
    }
    // Entries of files that changed since are never asked for again: drop them.
    for (auto it = thumbnails_.begin(); it != thumbnails_.end();)
        it = it->first.Path == path ? thumbnails_.erase(it) : std::next(it);
    thumbnails_[key] = made;
    return made;
}

bool StoryboardView::ShowsMovingCaption(const project::Slide& slide) {
    return !slide.Title() && slide.Caption.Motion != imaging::TextMotion::None &&
           !slide.Caption.Text.empty();
}

QPixmap StoryboardView::WithMovingCaption(const QPixmap& thumbnail, const project::Slide& slide) {
    if (!ShowsMovingCaption(slide) || thumbnail.isNull())
        return thumbnail;
    // The thumbnail is the middle square of the working picture: the caption keeps its size on it.
    const QSize work = QImageReader(QString::fromStdString(slide.WorkFile)).size();
    const int side = std::min(work.width(), work.height());
    if (side < 1)
        return thumbnail;
    imaging::Bitmap shown = imaging::Bitmap::CreateFromImage(thumbnail.toImage());
    imaging::DrawShownCaption(shown, project::LookOf(slide.Caption), double(shown.Width) / side);
    return QPixmap::fromImage(shown.CopyToImage());
}

void StoryboardView::ShowSelectedInPreview() {
    // The selected slide composed at previewImage's own size; the empty show is a plain button-face
    // area. The selected photo's picture is kept while its working file stays the same, so a
    // resize or selecting it again composes without reading the file. An unreadable working
    // file leaves previewImage as it was.
    const int width = widgets_.Picture->width();
    const int height = widgets_.Picture->height();
    const auto index = static_cast<std::size_t>(selectedSlide_);
    QImage image;
    if (show_.Slides().empty()) {
        image = imaging::ShowSlideInPreview(nullptr, width, height);
        // A new user's first question: how to begin.
        if (!image.isNull()) {
            QPainter paint(&image);
            paint.setPen(widgets_.Picture->palette().color(QPalette::PlaceholderText));
            paint.setFont(widgets_.Picture->font());
            paint.drawText(image.rect().adjusted(width / 8, 0, -width / 8, 0),
                           Qt::AlignCenter | Qt::TextWordWrap,
                           base::Tr(base::TextKey::EmptyShowHint,
                                    "Для начала добавьте фото и видео кнопкой справа или "
                                    "перетащите их сюда, затем музыку кнопкой под ней."));
        }
    } else {
        if (selectedSlide_ < 0 || index >= show_.Slides().size())
            return;
        const auto& slide = show_.Slides()[index];
        const std::string path = slide.WorkFile;
        const QFileInfo info(QFile::decodeName(path.c_str()));
        const PictureKey key{path, info.size(), info.lastModified().toMSecsSinceEpoch()};
        if (!(key == pictureKey_) || selectedPicture_.IsEmpty()) {
            auto loaded = imaging::LoadSlidePicture(path);
            if (!loaded)
                return;
            selectedPicture_ = std::move(*loaded);
            pictureKey_ = key;
            ++pictureLoads_;
        }
        imaging::Bitmap target;
        target.SetSize(width, height);
        imaging::ComposePhoto(target, selectedPicture_, slide.BackColor);
        // A moving caption is drawn over the frames, not into the picture: shown here as the
        // video shows it once it is in.
        if (ShowsMovingCaption(slide))
            imaging::DrawShownCaption(target, project::LookOf(slide.Caption),
                                      std::min(double(width) / selectedPicture_.Width,
                                               double(height) / selectedPicture_.Height));
        image = target.CopyToImage();
    }
    if (!image.isNull())
        widgets_.Picture->setPixmap(QPixmap::fromImage(image));
}

} // namespace ui
