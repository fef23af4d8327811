// The storyboard of the main window: the photo strip (thumbnail, transition cell and "..." button
// per photo), the time ruler, the music strip, the selection and the editor's preview picture.
// It owns its cells, one per item in show order, and follows the document: every insert, removal,
// move or edit the document announces is mirrored in the cells. Thumbnails come from a cache keyed
// by the working file's identity, so a picture given back by an undo shows its own thumbnail
// again. The layout arithmetic is StripLayout's.
#pragma once

#include "app/SlideSelection.h"
#include "app/StoryboardWidgets.h"
#include "app/StripLayout.h"
#include "imaging/Bitmap.h"
#include "project/ShowHistory.h"
#include "project/ShowModel.h"
#include "project/ShowObserver.h"

#include <QColor>
#include <QImage>
#include <QObject>
#include <QPixmap>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QToolButton;
class QWidget;

namespace ui {

class ThumbImage;
class ClickImage;

class StoryboardView final : public QObject, public project::ShowObserver {
    Q_OBJECT

public:
    StoryboardView(QWidget& window, StoryboardWidgets widgets, const project::ShowModel& show);
    ~StoryboardView() override;

    // The thumbnail an import made of the picture now at `path`, so the cell need not read the
    // file again.
    void KeepThumbnail(const std::string& path, const QImage& thumbnail);

    // Where a step of the history puts the selection (the history's OnFocus).
    void FocusItem(project::ItemKind kind, int index);

    // The window's widgets it draws into.
    const StoryboardWidgets& Widgets() const { return widgets_; }
    // The photo strip's width in pixels (it decides how many photos a page shows).
    int StripWidth() const;
    // The selection and the photo strip's page: the view's own state, not the document's. The
    // selected slide is the current one (the last clicked), always among the picked slides; the
    // picked slides are what the commands for several slides act on, in show order.
    int SelectedSlide() const { return selectedSlide_; }
    const std::vector<std::size_t>& PickedSlides() const { return picked_.Picked(); }
    bool IsPicked(std::size_t index) const { return picked_.Has(index); }
    int SelectedSound() const { return selectedSound_; }
    int SlidePage() const { return slidePage_; }
    // The effects dialog's page shown last (0..5), offered again the next time.
    int EffectsPage() const { return effectsPage_; }
    void SetEffectsPage(int page) { effectsPage_ = page; }
    // A new or opened show: the first page, the first photo and track selected.
    void ResetSelection();

    // The document's announcements (project::ShowObserver).
    void ItemInserted(project::ItemKind kind, std::size_t index) override;
    void ItemRemoved(project::ItemKind kind, std::size_t index) override;
    void ItemMoved(project::ItemKind kind, std::size_t from, std::size_t to) override;
    void ItemEdited(project::ItemKind kind, std::size_t index) override;
    void ShowReset() override;

    // The cells' widgets, in show order (tests, the transition hints).
    enum class PhotoPart { Panel, TransitionPanel, Thumb, TransitionCell, Menu };
    enum class TrackPart { Panel, Image, Menu };
    QWidget* PhotoCellWidget(std::size_t index, PhotoPart part) const;
    QWidget* TrackCellWidget(std::size_t index, TrackPart part) const;
    std::size_t PhotoCellCount() const { return photoCells_.size(); }
    std::size_t TrackCellCount() const { return trackCells_.size(); }
    // The thumbnail of photo index without its frame and texts (empty when there is none).
    QPixmap CleanThumbnail(std::size_t index) const;
    // Transition names as tooltips of the transition cells (after a language change).
    void HintTransitionCells();
    // The photos on the strip's page now, and the gap (0 = before the first photo) a photo
    // dropped at x in the strip goes to.
    std::vector<PhotoPlace> PagePhotos() const;
    int DropGapAt(int x) const;
    // Shows the strip at `page` (it becomes the strip's page).
    void LayoutPhotoStrip(int page);
    void LayoutMusicStrip();
    // Turns the strip to the page that shows the selected photo (after an undo or redo).
    void RevealSelectedSlide();
    // Slide index becomes the current one; the picked slides stay when it is among them, else
    // it is picked alone.
    void SelectSlide(int index);
    // A press on the thumbnail of slide index: alone, with Ctrl added or dropped, with Shift the
    // run from the slide clicked last. A plain press on a picked slide keeps the others picked
    // (they may be dragged together) until the button is let go without a drag.
    void PressSlide(int index, Qt::KeyboardModifiers modifiers);
    void ReleaseSlide(int index);
    // Ctrl+A: every slide picked, the current one kept.
    void PickAllSlides();
    // These slides picked, `current` the current one (it is picked too).
    void PickSlides(const std::vector<std::size_t>& picked, int current);
    void SelectSound(int index);
    // Selects photo `index` after turning the strip to the page that shows it.
    void ShowSlide(int index);
    // Turns the strip to the page under which track `index` starts in the music strip.
    void ShowTrack(std::size_t index);
    // The selected slide composed into the editor's preview picture.
    void ShowSelectedInPreview();
    // Tells whether the window is busy with a job; clicks and drags on cells are ignored then.
    std::function<bool()> IsBusy;

    // Drops the ruler and the kept photo (the window is closing).
    void ReleasePictures() {
        RulerBitmap_ = QImage();
        selectedPicture_ = imaging::Bitmap();
    }
    // How many times a working picture was read for the preview (for tests and diagnostics).
    int PictureLoads() const { return pictureLoads_; }

Q_SIGNALS:
    // A photo's / track's "..." button was pressed (the item is selected already).
    void photoMenuRequested();
    void trackMenuRequested();
    // A photo's transition cell was clicked (the photo is selected already).
    void transitionCellClicked(int index);
    // A photo's thumbnail / a track's row was double-clicked (the item is selected already).
    void photoDoubleClicked(int index);
    void trackDoubleClicked(int index);
    // The strip was laid out again (its page, its cells or its width changed) or the selection
    // moved: what depends on them (the window's buttons) is brought up to date.
    void viewChanged();

private:
    struct PhotoCell;
    struct TrackCell;
    bool UserMayEdit() const { return !IsBusy || !IsBusy(); }
    std::unique_ptr<PhotoCell> MakePhotoCell();
    std::unique_ptr<TrackCell> MakeTrackCell();
    // The place of the cell holding this widget, -1 when none does.
    int PhotoIndexOf(const QObject* widget) const;
    int TrackIndexOf(const QObject* widget) const;
    // The thumbnail of the picture in `path` as it is now, from the cache or made from the file.
    QPixmap ThumbnailOf(const std::string& path);
    // A caption that moves over the frames, shown as it is once in (the picture does not hold it).
    static bool ShowsMovingCaption(const project::Slide& slide);
    static QPixmap WithMovingCaption(const QPixmap& thumbnail, const project::Slide& slide);
    void RefreshThumbnail(std::size_t index);
    // After a change of the strips: drag tags renumbered, laid out, the selection shown.
    void Refresh();
    // The cell's thumbnail with its number, time and frame: green for the current slide, a wide
    // highlight for a picked one.
    void RedrawThumbnail(std::size_t index);
    // The frames of the cells on the page drawn again for the selection now.
    void RedrawFrames();
    void RedrawTrackCell(std::size_t index);
    void DrawRuler();
    // The paging arrows are shown only when there is a page to go to (they keep their room).
    void UpdatePagingArrows();
    // Right-clicks on the widget ask for the item's menu after selecting it.
    template <typename Select> void OfferMenu(QWidget* widget, Select select, bool photo);
    // The track's length and title; for a track past the show's end, a note saying so.
    QString TrackHint(std::size_t index) const;
    bool PastEnd(std::size_t index) const { return index < pastEnd_.size() && pastEnd_[index]; }
    std::vector<TrackPlace> TrackPlaces() const;
    QColor ButtonFace() const;

    QWidget& window_;
    StoryboardWidgets widgets_;
    const project::ShowModel& show_;
    int selectedSlide_ = 0;
    SlideSelection picked_;
    bool dropOthersOnRelease_ = false; // a plain press on a picked slide of several
    int selectedSound_ = 0;
    int slidePage_ = 0;
    int effectsPage_ = 0;
    std::vector<std::unique_ptr<PhotoCell>> photoCells_;
    std::vector<std::unique_ptr<TrackCell>> trackCells_;
    // Thumbnails by the identity of the file they were made from.
    struct FileKey {
        std::string Path;
        unsigned long long Inode = 0;
        long long Size = -1;
        long long ModifiedNs = 0;
        auto operator<=>(const FileKey&) const = default;
    };
    static FileKey KeyOf(const std::string& path);
    std::map<FileKey, QPixmap> thumbnails_;
    std::vector<PhotoPlace> VisiblePhotos_;
    // The tracks that start at or after the show's end (greyed, with a note), by index.
    std::vector<bool> pastEnd_;
    QImage RulerBitmap_;

    // The selected photo's picture, with what identifies the file it came from.
    struct PictureKey {
        std::string Path;
        qint64 Size = -1;
        qint64 Modified = 0;
        bool operator==(const PictureKey&) const = default;
    };
    imaging::Bitmap selectedPicture_;
    PictureKey pictureKey_;
    int pictureLoads_ = 0;
};

} // namespace ui
