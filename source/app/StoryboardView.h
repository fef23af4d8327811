// The storyboard of the main window: the photo strip (thumbnail, transition cell and "..." button
// per photo), the time ruler, the music strip, the selection and the editor's preview picture.
// Cells are created per record and found again through the records' Views handles; the layout
// arithmetic lives in the core (StripLayout). It is also the undo history's hands: it makes the
// cells of items put back and shows the thumbnails of pictures given back.
#pragma once

#include "imaging/Bitmap.h"
#include "project/HistoryViews.h"
#include "project/ShowHistory.h"
#include "project/ShowModel.h"
#include "project/StripLayout.h"
#include "project/ui/ViewTable.h"

#include <QColor>
#include <QImage>
#include <QObject>

#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace Ui {
class MainWindow;
}

namespace ui {

class StoryboardView final : public QObject, public project::HistoryViews {
    Q_OBJECT

public:
    StoryboardView(QWidget& window, Ui::MainWindow& form, project::ShowModel& show,
                   ViewTable& views);

    // The cells of a newly imported photo / track.
    void CreatePhotoCells(std::size_t index, const QImage& thumbnail);
    void CreateTrackCells(std::size_t index);

    // Exchange of photos sourceTag and targetTag (1-based; the photo menu's "Swap with..."):
    // exchange, lay out, select position sourceTag. With a history the exchange is a step of it.
    void SwapSlides(int sourceTag, int targetTag);
    project::ShowHistory* History = nullptr;

    // The undo history's side (project::HistoryViews).
    imaging::Bitmap Thumbnail(std::size_t index) const override;
    void SetThumbnail(std::size_t index, const imaging::Bitmap& thumbnail) override;
    void CreatePhotoViews(std::size_t index, const imaging::Bitmap& thumbnail) override;
    void CreateTrackViews(std::size_t index) override;
    void ShowChanged() override;
    void LayoutPhotoStrip(int page);
    void LayoutMusicStrip();
    void SelectSlide(int index);
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

private:
    bool UserMayEdit() const { return !IsBusy || !IsBusy(); }
    void RedrawThumbnail(std::size_t index, const QColor& frame);
    void RedrawTrackCell(std::size_t index);
    void DrawRuler();
    // The paging arrows are shown only when there is a page to go to (they keep their room).
    void UpdatePagingArrows();
    // Right-clicks on the widget ask for the item's menu after selecting it.
    template <typename Select> void OfferMenu(QWidget* widget, Select select, bool photo);
    QString TrackHint(const project::Track& t) const;
    QColor ButtonFace() const;

    QWidget& window_;
    Ui::MainWindow& form_;
    project::ShowModel& show_;
    ViewTable& views_;
    std::vector<project::PhotoPlace> VisiblePhotos_;
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
