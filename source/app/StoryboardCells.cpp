// The storyboard's cells made: their widgets, and what a click, a right-click or the menu button
// on them does.
#include "app/StoryboardCells.h"

#include "app/StripLayout.h"

namespace ui {

namespace {

QToolButton* MakeDotsButton(QWidget* parent, int x, int y) {
    auto* b = new QToolButton(parent);
    b->setText("...");
    b->setGeometry(x, y, 18, 18);
    QFont f = b->font();
    f.setPointSize(10);
    f.setBold(true);
    b->setFont(f);
    b->setAutoRaise(false);
    return b;
}

} // namespace

// Defined beside its only callers, the cells made here.
template <typename Select>
void StoryboardView::OfferMenu(QWidget* widget, Select select, bool photo) {
    widget->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(widget, &QWidget::customContextMenuRequested, this, [this, select, photo] {
        if (!UserMayEdit())
            return;
        select();
        if (photo)
            Q_EMIT photoMenuRequested();
        else
            Q_EMIT trackMenuRequested();
    });
}

std::unique_ptr<StoryboardView::PhotoCell> StoryboardView::MakePhotoCell() {
    auto cell = std::make_unique<PhotoCell>();
    cell->Panel.reset(new QWidget(widgets_.PhotoStrip));
    cell->Panel->setGeometry(0, 0, kPhotoCellWidth, 90);
    cell->Panel->hide();
    cell->TransitionPanel.reset(new QWidget(widgets_.PhotoStrip));
    cell->TransitionPanel->setGeometry(0, 0, kTransitionCellWidth, 90);
    cell->TransitionPanel->hide();
    QWidget* photoPanel = cell->Panel.get();

    auto* thumb = new ThumbImage(photoPanel);
    thumb->setGeometry(0, 0, kPhotoCellWidth, 90);
    thumb->setObjectName("ThumbImage");
    auto* spacer = new ClickImage(cell->TransitionPanel.get());
    spacer->setGeometry(0, 0, kTransitionCellWidth, 90);
    spacer->setObjectName("TransitionCell");
    auto* dots = MakeDotsButton(photoPanel, 90 - 19, 90 - 19);
    dots->setObjectName("ThumbMenuButton");
    cell->Thumb = thumb;
    cell->TransitionCell = spacer;
    cell->Menu = dots;

    connect(thumb, &ThumbImage::Pressed, this,
            [this](ThumbImage* self, Qt::KeyboardModifiers modifiers) {
                if (UserMayEdit())
                    PressSlide(PhotoIndexOf(self), modifiers);
            });
    connect(thumb, &ThumbImage::Released, this, [this](ThumbImage* self) {
        if (UserMayEdit())
            ReleaseSlide(PhotoIndexOf(self));
    });
    connect(thumb, &ThumbImage::DoubleClicked, this, [this](ThumbImage* self) {
        if (!UserMayEdit())
            return;
        const int index = PhotoIndexOf(self);
        SelectSlide(index);
        Q_EMIT photoDoubleClicked(index);
    });
    connect(thumb, &ThumbImage::Focused, this, [this](ThumbImage* self) {
        if (UserMayEdit())
            SelectSlide(PhotoIndexOf(self));
    });
    // The photo's menu also opens on a right-click.
    const auto selectPhoto = [this, thumb] { SelectSlide(PhotoIndexOf(thumb)); };
    OfferMenu(thumb, selectPhoto, true);
    OfferMenu(photoPanel, selectPhoto, true);
    dots->setFocusPolicy(Qt::NoFocus); // Tab goes from thumbnail to thumbnail
    connect(spacer, &ClickImage::Clicked, this, [this](ClickImage* self) {
        if (!UserMayEdit())
            return;
        const int clicked = PhotoIndexOf(self);
        SelectSlide(clicked);
        Q_EMIT transitionCellClicked(clicked);
    });
    connect(dots, &QToolButton::clicked, this, [this, dots] {
        if (!UserMayEdit())
            return;
        SelectSlide(PhotoIndexOf(dots));
        Q_EMIT photoMenuRequested();
    });
    return cell;
}

std::unique_ptr<StoryboardView::TrackCell> StoryboardView::MakeTrackCell() {
    auto cell = std::make_unique<TrackCell>();
    cell->Panel.reset(new QWidget(widgets_.MusicStrip));
    QWidget* panel = cell->Panel.get();
    panel->setGeometry(0, 0, kCellWidth, 24);
    auto* image = new ClickImage(panel);
    image->setGeometry(0, 0, kCellWidth, 24);
    image->setObjectName("TrackImage");
    auto* dots = MakeDotsButton(panel, 3, 3);
    dots->setObjectName("TrackMenuButton");
    cell->Image = image;
    cell->Menu = dots;
    connect(image, &ClickImage::Clicked, this, [this](ClickImage* self) {
        if (UserMayEdit())
            SelectSound(TrackIndexOf(self));
    });
    connect(image, &ClickImage::DoubleClicked, this, [this](ClickImage* self) {
        if (!UserMayEdit())
            return;
        const int index = TrackIndexOf(self);
        SelectSound(index);
        Q_EMIT trackDoubleClicked(index);
    });
    connect(dots, &QToolButton::clicked, this, [this, dots] {
        if (!UserMayEdit())
            return;
        SelectSound(TrackIndexOf(dots));
        Q_EMIT trackMenuRequested();
    });
    const auto selectTrack = [this, image] { SelectSound(TrackIndexOf(image)); };
    OfferMenu(image, selectTrack, false);
    OfferMenu(panel, selectTrack, false);
    panel->show();
    return cell;
}

} // namespace ui
