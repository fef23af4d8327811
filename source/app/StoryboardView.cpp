#include "app/StoryboardView.h"

#include "app/StoryboardCells.h"

#include "app/ControlStates.h"
#include "app/SlideMarks.h"
#include "app/StripCells.h"
#include "app/StripLayout.h"
#include "app/TransitionIcons.h"
#include "base/Language.h"
#include "imaging/TransitionNames.h"
#include "project/Duration.h"
#include "project/TransitionChoice.h"

#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QPolygonF>
#include <QScreen>
#include <QToolButton>

#include <algorithm>

using base::TextKey;

namespace ui {

namespace {

const QColor kGreen(0x00, 0xFF, 0x00);
// A picked slide's wide frame.
const QColor kPicked(0x1E, 0x78, 0xE6);
constexpr int kPickedFrame = 3;
// A track past the show's end: greyed.
const QColor kPastEndFill(0xE4, 0xE4, 0xE4);

QFont BoldFont(int points) {
    QFont f("Arial");
    f.setPointSize(points);
    f.setBold(true);
    return f;
}

// Text with its top-left corner at (x, y), as the cells place their labels.
void TextAt(QPainter& p, int x, int y, const QString& text) {
    p.drawText(QRect(x, y, 1000, 100), Qt::AlignLeft | Qt::AlignTop, text);
}

void Frame(QPixmap& pm, const QColor& color) {
    QPainter p(&pm);
    p.setPen(color);
    p.drawRect(0, 0, pm.width() - 1, pm.height() - 1);
}

// A filled triangle pointing left or right, 12 x 28.
QIcon PagingArrow(bool right, const QColor& color) {
    QPixmap pm(12, 28);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    const QPolygonF triangle = right ? QPolygonF({QPointF(2, 4), QPointF(11, 14), QPointF(2, 24)})
                                     : QPolygonF({QPointF(10, 4), QPointF(1, 14), QPointF(10, 24)});
    p.drawPolygon(triangle);
    return QIcon(pm);
}

} // namespace

StoryboardView::StoryboardView(QWidget& window, StoryboardWidgets widgets,
                               const project::ShowModel& show)
    : QObject(&window), window_(window), widgets_(widgets), show_(show) {
    RulerBitmap_ = QImage(1, 24, QImage::Format_RGB32);
    for (QToolButton* arrow : {widgets_.PreviousPage, widgets_.NextPage}) {
        QSizePolicy policy = arrow->sizePolicy();
        policy.setRetainSizeWhenHidden(true); // hiding one never widens the strip
        arrow->setSizePolicy(policy);
    }
    // Arrows drawn as large as their buttons, so that they are seen and hit.
    widgets_.PreviousPage->setArrowType(Qt::NoArrow);
    widgets_.NextPage->setArrowType(Qt::NoArrow);
    widgets_.PreviousPage->setIcon(
        PagingArrow(false, window_.palette().color(QPalette::ButtonText)));
    widgets_.NextPage->setIcon(PagingArrow(true, window_.palette().color(QPalette::ButtonText)));
    for (QToolButton* arrow : {widgets_.PreviousPage, widgets_.NextPage})
        arrow->setIconSize(QSize(12, 28));
    show_.AddObserver(this);
    for (std::size_t i = 0; i < show_.Slides().size(); ++i)
        photoCells_.push_back(MakePhotoCell());
    for (std::size_t j = 0; j < show_.Sounds().size(); ++j)
        trackCells_.push_back(MakeTrackCell());
}

StoryboardView::~StoryboardView() {
    show_.RemoveObserver(this);
}

QColor StoryboardView::ButtonFace() const {
    return window_.palette().color(QPalette::Button);
}

void StoryboardView::RefreshThumbnail(std::size_t index) {
    if (index >= photoCells_.size() || index >= show_.Slides().size())
        return;
    QPixmap framed =
        WithMovingCaption(ThumbnailOf(show_.Slides()[index].WorkFile), show_.Slides()[index]);
    DrawSlideMarks(framed, show_.Slides()[index]);
    Frame(framed, Qt::black);
    photoCells_[index]->Clean = framed;
    photoCells_[index]->Thumb->setPixmap(framed);
    photoCells_[index]->Menu->move(framed.width() - 19, framed.height() - 19);
}

int StoryboardView::PhotoIndexOf(const QObject* widget) const {
    for (std::size_t i = 0; i < photoCells_.size(); ++i) {
        const PhotoCell& c = *photoCells_[i];
        if (widget == c.Thumb || widget == c.TransitionCell || widget == c.Menu ||
            widget == c.Panel.get() || widget == c.TransitionPanel.get())
            return static_cast<int>(i);
    }
    return -1;
}

int StoryboardView::TrackIndexOf(const QObject* widget) const {
    for (std::size_t j = 0; j < trackCells_.size(); ++j) {
        const TrackCell& c = *trackCells_[j];
        if (widget == c.Image || widget == c.Menu || widget == c.Panel.get())
            return static_cast<int>(j);
    }
    return -1;
}

QWidget* StoryboardView::PhotoCellWidget(std::size_t index, PhotoPart part) const {
    if (index >= photoCells_.size())
        return nullptr;
    const PhotoCell& c = *photoCells_[index];
    switch (part) {
    case PhotoPart::Panel:
        return c.Panel.get();
    case PhotoPart::TransitionPanel:
        return c.TransitionPanel.get();
    case PhotoPart::Thumb:
        return c.Thumb;
    case PhotoPart::TransitionCell:
        return c.TransitionCell;
    case PhotoPart::Menu:
        return c.Menu;
    }
    return nullptr;
}

QWidget* StoryboardView::TrackCellWidget(std::size_t index, TrackPart part) const {
    if (index >= trackCells_.size())
        return nullptr;
    const TrackCell& c = *trackCells_[index];
    switch (part) {
    case TrackPart::Panel:
        return c.Panel.get();
    case TrackPart::Image:
        return c.Image;
    case TrackPart::Menu:
        return c.Menu;
    }
    return nullptr;
}

QPixmap StoryboardView::CleanThumbnail(std::size_t index) const {
    return index < photoCells_.size() ? photoCells_[index]->Clean : QPixmap();
}

void StoryboardView::HintTransitionCells() {
    for (std::size_t i = 0; i < photoCells_.size() && i < show_.Slides().size(); ++i)
        photoCells_[i]->TransitionCell->setToolTip(
            imaging::TransitionName(project::SlideTransitionCode(show_.Slides()[i])));
}

void StoryboardView::FocusItem(project::ItemKind kind, int index) {
    if (kind == project::ItemKind::Photo)
        SelectSlide(index);
    else
        SelectSound(index);
}

void StoryboardView::ResetSelection() {
    selectedSlide_ = 0;
    picked_.Only(0);
    selectedSound_ = 0;
    slidePage_ = 0;
}

void StoryboardView::ItemInserted(project::ItemKind kind, std::size_t index) {
    if (kind == project::ItemKind::Photo) {
        index = std::min(index, photoCells_.size());
        photoCells_.insert(photoCells_.begin() + static_cast<std::ptrdiff_t>(index),
                           MakePhotoCell());
        // The picked slides and the current one stay on their slides, which shift along.
        picked_.Inserted(index);
        if (photoCells_.size() > 1 && selectedSlide_ >= static_cast<int>(index))
            ++selectedSlide_;
        RefreshThumbnail(index);
    } else {
        index = std::min(index, trackCells_.size());
        trackCells_.insert(trackCells_.begin() + static_cast<std::ptrdiff_t>(index),
                           MakeTrackCell());
    }
    Refresh();
}

void StoryboardView::ItemRemoved(project::ItemKind kind, std::size_t index) {
    if (kind == project::ItemKind::Photo && index < photoCells_.size()) {
        photoCells_.erase(photoCells_.begin() + static_cast<std::ptrdiff_t>(index));
        // The slide leaves the selection; the others stay on their slides. The current one, when
        // it went, is the picked one nearest to its place (or the slide now at its place).
        picked_.Removed(index);
        if (selectedSlide_ > static_cast<int>(index))
            --selectedSlide_;
        selectedSlide_ =
            std::clamp(selectedSlide_, 0, std::max(0, static_cast<int>(photoCells_.size()) - 1));
        if (picked_.Count() > 0 && !picked_.Has(static_cast<std::size_t>(selectedSlide_)))
            selectedSlide_ =
                static_cast<int>(picked_.Nearest(static_cast<std::size_t>(selectedSlide_)));
    }
    if (kind == project::ItemKind::Track && index < trackCells_.size())
        trackCells_.erase(trackCells_.begin() + static_cast<std::ptrdiff_t>(index));
    // The preview keeps no picture of a photo that is gone.
    selectedPicture_ = imaging::Bitmap();
    pictureKey_ = PictureKey{};
    Refresh();
}

namespace {

template <typename T> void MoveCell(std::vector<T>& cells, std::size_t from, std::size_t to) {
    if (from == to || from >= cells.size() || to >= cells.size())
        return;
    const auto at = [&](std::size_t i) { return cells.begin() + static_cast<std::ptrdiff_t>(i); };
    if (from < to)
        std::rotate(at(from), at(from + 1), at(to + 1));
    else
        std::rotate(at(to), at(from), at(from + 1));
}

} // namespace

void StoryboardView::ItemMoved(project::ItemKind kind, std::size_t from, std::size_t to) {
    if (kind == project::ItemKind::Photo) {
        MoveCell(photoCells_, from, to);
        picked_.Moved(from, to);
        // The selection follows its photo: the moved one, or a neighbour that shifted by one.
        if (selectedSlide_ >= 0)
            selectedSlide_ = static_cast<int>(
                project::IndexAfterMove(static_cast<std::size_t>(selectedSlide_), from, to));
    } else
        MoveCell(trackCells_, from, to);
    Refresh();
}

void StoryboardView::ItemEdited(project::ItemKind kind, std::size_t index) {
    if (kind == project::ItemKind::Photo) {
        // The working picture may hold another picture now (an effect, an undo of one).
        RefreshThumbnail(index);
        selectedPicture_ = imaging::Bitmap();
        pictureKey_ = PictureKey{};
    }
    Refresh();
}

void StoryboardView::ShowReset() {
    photoCells_.clear();
    trackCells_.clear();
    for (std::size_t i = 0; i < show_.Slides().size(); ++i) {
        photoCells_.push_back(MakePhotoCell());
        RefreshThumbnail(i);
    }
    for (std::size_t j = 0; j < show_.Sounds().size(); ++j)
        trackCells_.push_back(MakeTrackCell());
    // An emptied show starts again at the first page.
    if (show_.Slides().empty()) {
        selectedSlide_ = 0;
        slidePage_ = 0;
    }
    picked_.Clamp(show_.Slides().size());
    selectedSlide_ =
        std::clamp(selectedSlide_, 0, std::max(0, static_cast<int>(show_.Slides().size()) - 1));
    if (show_.Sounds().empty())
        selectedSound_ = 0;
    selectedPicture_ = imaging::Bitmap();
    pictureKey_ = PictureKey{};
    Refresh();
}

void StoryboardView::Refresh() {
    for (std::size_t i = 0; i < photoCells_.size(); ++i)
        photoCells_[i]->Thumb->setProperty("Index", static_cast<int>(i)); // drag source place
    LayoutPhotoStrip(slidePage_);
    SelectSlide(selectedSlide_);
    SelectSound(selectedSound_);
}

void StoryboardView::RedrawThumbnail(std::size_t index) {
    if (index >= photoCells_.size())
        return;
    const auto& s = show_.Slides()[index];
    QLabel* thumb = photoCells_[index]->Thumb;
    QPixmap pm = photoCells_[index]->Clean;
    {
        QPainter p(&pm);
        p.setFont(BoldFont(8));
        const QString label = QString::fromStdString(PlaceLabel(index));
        const QString time = QString::fromStdString(project::FormatDurationMs(s.StillMs));
        p.setPen(Qt::black);
        TextAt(p, 7, 7, label);
        TextAt(p, 7, pm.height() - 18, time);
        p.setPen(kGreen);
        TextAt(p, 6, 6, label);
        TextAt(p, 6, pm.height() - 19, time);
    }
    if (picked_.Has(index) && picked_.Count() > 1) {
        QPainter p(&pm);
        p.setPen(Qt::NoPen);
        p.setBrush(kPicked);
        const int w = pm.width();
        const int h = pm.height();
        p.drawRect(0, 0, w, kPickedFrame);
        p.drawRect(0, h - kPickedFrame, w, kPickedFrame);
        p.drawRect(0, 0, kPickedFrame, h);
        p.drawRect(w - kPickedFrame, 0, kPickedFrame, h);
    }
    const bool current = selectedSlide_ == static_cast<int>(index);
    if (current || !picked_.Has(index) || picked_.Count() < 2)
        Frame(pm, current ? kGreen : QColor(Qt::black));
    thumb->setPixmap(pm);
    // The number read aloud as it is drawn (and read by the tests).
    thumb->setAccessibleName(QString::fromStdString(PlaceLabel(index)));
}

void StoryboardView::LayoutPhotoStrip(int page) {
    slidePage_ = page;
    VisiblePhotos_ = PhotoStripPlaces(show_, widgets_.PhotoStrip->width(), page);
    // A thumbnail with the keyboard focus that goes off the strip lets the focus go: hidden with
    // it, it would hand it to the next thumbnail as a Tab does, which selects that photo.
    const int focused = PhotoIndexOf(QApplication::focusWidget());
    const bool stays = std::any_of(VisiblePhotos_.begin(), VisiblePhotos_.end(),
                                   [focused](const PhotoPlace& p) { return p.Index == focused; });
    if (focused >= 0 && !stays)
        QApplication::focusWidget()->clearFocus();
    for (std::size_t i = 0; i < photoCells_.size(); ++i) {
        const bool shown =
            std::any_of(VisiblePhotos_.begin(), VisiblePhotos_.end(),
                        [i](const PhotoPlace& p) { return p.Index == static_cast<int>(i); });
        if (!shown) {
            photoCells_[i]->Panel->hide();
            photoCells_[i]->TransitionPanel->hide();
        }
    }
    for (const auto& place : VisiblePhotos_) {
        const auto index = static_cast<std::size_t>(place.Index);
        if (index >= photoCells_.size())
            break;
        const auto& s = show_.Slides()[index];
        QWidget* photoPanel = photoCells_[index]->Panel.get();
        QWidget* transitionPanel = photoCells_[index]->TransitionPanel.get();
        QLabel* spacer = photoCells_[index]->TransitionCell;
        RedrawThumbnail(index);
        photoPanel->move(place.Left, 0);
        transitionPanel->move(place.Left + kPhotoCellWidth, 0);
        photoPanel->show();
        transitionPanel->show();

        QPixmap cell(transitionPanel->size());
        cell.fill(ButtonFace());
        {
            QPainter p(&cell);
            const QPixmap icon = TransitionIcon(project::SlideTransitionCode(s), 32, ButtonFace());
            p.drawPixmap((cell.width() - icon.width()) / 2, (cell.height() - icon.height()) / 2,
                         icon);
            p.setFont(BoldFont(7));
            p.setPen(Qt::black);
            TextAt(p, 7, cell.height() - 19,
                   QString::fromStdString(project::FormatDurationMs(s.TransitionMs)));
        }
        spacer->setPixmap(cell);
        spacer->setToolTip(imaging::TransitionName(project::SlideTransitionCode(s)));
    }
    DrawRuler();
    LayoutMusicStrip();
    UpdatePagingArrows();
    Q_EMIT viewChanged();
}

int StoryboardView::StripWidth() const {
    return widgets_.PhotoStrip->width();
}

std::vector<PhotoPlace> StoryboardView::PagePhotos() const {
    return PhotoStripPlaces(show_, widgets_.PhotoStrip->width(), slidePage_);
}

int StoryboardView::DropGapAt(int x) const {
    return DropGap(show_, widgets_.PhotoStrip->width(), slidePage_, x);
}

void StoryboardView::UpdatePagingArrows() {
    const auto states = ComputeControlStates(false, static_cast<int>(show_.Slides().size()),
                                             slidePage_, widgets_.PhotoStrip->width());
    widgets_.PreviousPage->setVisible(states.PreviousPage);
    widgets_.NextPage->setVisible(states.NextPage);
}

void StoryboardView::ShowSlide(int index) {
    const int count = static_cast<int>(show_.Slides().size());
    if (index < 0 || index >= count)
        return;
    const int page = PageOfSlide(widgets_.PhotoStrip->width(), count, index);
    if (page != slidePage_) {
        slidePage_ = page;
        LayoutPhotoStrip(page);
    }
    SelectSlide(index);
}

void StoryboardView::ShowTrack(std::size_t index) {
    if (index >= show_.Sounds().size())
        return;
    const int page = PageOfTrack(show_, index, widgets_.PhotoStrip->width());
    if (page != slidePage_) {
        slidePage_ = page;
        LayoutPhotoStrip(page);
    }
}

void StoryboardView::DrawRuler() {
    const int width = qMax(1, widgets_.Ruler->width());
    const int height = 24;
    RulerBitmap_ = QImage(width, height, QImage::Format_RGB32);
    RulerBitmap_.fill(widgets_.RulerPanel->palette().color(QPalette::Window));
    QPainter p(&RulerBitmap_);
    p.setPen(Qt::black);
    p.drawLine(kArrowWidth, height - 4, width - kArrowWidth, height - 4);
    for (int k = 1; kArrowWidth + 12 * (k - 1) < width - 18; ++k)
        p.drawPoint(kArrowWidth + 12 * k, height - 5);
    p.setFont(BoldFont(7));
    for (const auto& mark : RulerMarks(show_, VisiblePhotos_)) {
        p.drawLine(mark.X, height - 4, mark.X, 16);
        TextAt(p, mark.X - 10, 3, QString::fromStdString(project::FormatDurationMs(mark.Ms)));
    }
    // Past the show's end the ruler goes on in time: each late track's start, in grey.
    p.setPen(Qt::darkGray);
    for (const TrackPlace& place : TrackPlaces())
        if (place.Visible && place.PastEnd) {
            const int x = place.Left + kArrowWidth;
            p.drawLine(x, height - 4, x, 16);
            TextAt(p, x + 2, 3, QString::fromStdString(project::FormatDurationMs(place.StartMs)));
        }
    p.end();
    widgets_.Ruler->setPixmap(QPixmap::fromImage(RulerBitmap_));
}

QString StoryboardView::TrackHint(std::size_t index) const {
    const project::Track& t = show_.Sounds()[index];
    const QString text = QString::fromStdString(project::FormatDuration(t.PlaySeconds)) + " " +
                         QString::fromStdString(t.Title);
    if (!PastEnd(index))
        return text;
    return base::Tr(TextKey::TrackPastEnd, "после конца показа") + QStringLiteral(": ") + text;
}

std::vector<TrackPlace> StoryboardView::TrackPlaces() const {
    const int screenWidth = window_.screen() ? window_.screen()->geometry().width() : 1280;
    return MusicStripPlaces(show_, VisiblePhotos_, screenWidth, widgets_.MusicStrip->width());
}

void StoryboardView::RedrawTrackCell(std::size_t index) {
    if (index >= trackCells_.size())
        return;
    QWidget* panel = trackCells_[index]->Panel.get();
    QLabel* image = trackCells_[index]->Image;
    QWidget* dots = trackCells_[index]->Menu;
    image->setGeometry(0, 0, panel->width(), panel->height());
    QPixmap pm(qMax(1, panel->width()), qMax(1, panel->height()));
    // A track past the show's end is not heard: greyed, its note first.
    const bool past = PastEnd(index);
    pm.fill(past ? kPastEndFill : ButtonFace());
    const QString text = TrackHint(index);
    {
        QPainter p(&pm);
        p.setPen(past ? QColor(Qt::darkGray) : QColor(Qt::black));
        p.setFont(BoldFont(8));
        TextAt(p, 24, 5, text);
    }
    Frame(pm, selectedSound_ == static_cast<int>(index) ? kGreen
                                                        : (past ? QColor(Qt::gray) : Qt::black));
    image->setPixmap(pm);
    const QString hint =
        past ? text + QStringLiteral("\n") +
                   base::Tr(TextKey::TrackPastEndHint,
                            "Начинается после конца показа, поэтому не звучит: удлините показ или "
                            "подгоните фото под музыку.")
             : text;
    panel->setToolTip(hint);
    image->setToolTip(hint);
    if (dots)
        dots->setToolTip(hint);
}

void StoryboardView::LayoutMusicStrip() {
    const auto places = TrackPlaces();
    pastEnd_.assign(places.size(), false);
    for (std::size_t u = 0; u < places.size(); ++u)
        pastEnd_[u] = places[u].PastEnd;
    for (std::size_t u = 0; u < show_.Sounds().size() && u < trackCells_.size(); ++u) {
        QWidget* panel = trackCells_[u]->Panel.get();
        if (!places[u].Visible) {
            panel->hide();
            continue;
        }
        panel->setGeometry(places[u].Left, 0, qMax(1, places[u].Width), 24);
        RedrawTrackCell(u);
        panel->show();
    }
}

void StoryboardView::RedrawFrames() {
    std::vector<bool> onPage(photoCells_.size(), false);
    for (const auto& place : VisiblePhotos_) {
        const auto i = static_cast<std::size_t>(place.Index);
        if (i < photoCells_.size() && i < show_.Slides().size() &&
            !photoCells_[i]->Clean.isNull()) {
            RedrawThumbnail(i);
            onPage[i] = true;
        }
    }
    // The cells off the page keep their drawing and take the current slide's frame only; they
    // are drawn whole when their page is shown.
    for (std::size_t i = 0; i < photoCells_.size(); ++i) {
        QLabel* thumb = photoCells_[i]->Thumb;
        if (onPage[i] || thumb->pixmap().isNull())
            continue;
        QPixmap pm = thumb->pixmap();
        Frame(pm, static_cast<int>(i) == selectedSlide_ ? kGreen : QColor(Qt::black));
        thumb->setPixmap(pm);
    }
}

void StoryboardView::SelectSound(int index) {
    if (index < 0 || index >= static_cast<int>(show_.Sounds().size()))
        return;
    selectedSound_ = index;
    for (std::size_t u = 0; u < show_.Sounds().size() && u < trackCells_.size(); ++u)
        if (trackCells_[u]->Panel->isVisible())
            RedrawTrackCell(u);
    Q_EMIT viewChanged();
}

void StoryboardView::RevealSelectedSlide() {
    const int perPage = widgets_.PhotoStrip->width() / kCellWidth;
    if (perPage <= 0 || show_.Slides().empty())
        return;
    const int page =
        std::clamp(SelectedSlide(), 0, static_cast<int>(show_.Slides().size()) - 1) / perPage;
    if (page == SlidePage())
        return;
    LayoutPhotoStrip(page);
    SelectSlide(SelectedSlide());
}

} // namespace ui
