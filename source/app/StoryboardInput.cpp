#include "app/StoryboardInput.h"

#include "app/PreviewController.h"
#include "app/StoryboardCommands.h"
#include "app/StoryboardView.h"
#include "project/ui/StripCells.h"
#include "render/StripLayout.h"
#include "ui_MainWindow.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFrame>
#include <QMimeData>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QWheelEvent>

#include <algorithm>
#include <utility>

namespace ui {

StoryboardInput::StoryboardInput(Host host) : QObject(host.Window), host_(std::move(host)) {
    Ui::MainWindow& form = *host_.Form;
    marker_ = new QFrame(form.photoStrip);
    marker_->setObjectName("DropMarker");
    marker_->setFrameShape(QFrame::NoFrame);
    marker_->setAutoFillBackground(true);
    QPalette palette = marker_->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Highlight));
    marker_->setPalette(palette);
    marker_->setAttribute(Qt::WA_TransparentForMouseEvents);
    marker_->hide();

    edgeTimer_ = new QTimer(this);
    edgeTimer_->setInterval(kEdgePagingMs);
    connect(edgeTimer_, &QTimer::timeout, this, &StoryboardInput::PageTowardsEdge);

    form.photoStrip->setAcceptDrops(true);
    for (QWidget* arrow : {static_cast<QWidget*>(form.previousPageButton),
                           static_cast<QWidget*>(form.nextPageButton)})
        arrow->setAcceptDrops(true);
    for (QWidget* w : {form.photoStrip, form.musicStrip, static_cast<QWidget*>(form.timeRuler),
                       static_cast<QWidget*>(form.previousPageButton),
                       static_cast<QWidget*>(form.nextPageButton)})
        w->installEventFilter(this);
    CreateShortcuts();
}

void StoryboardInput::AddShortcut(const QKeySequence& keys, const char* name,
                                  std::function<void()> action) {
    auto* shortcut = new QShortcut(keys, host_.Window);
    shortcut->setObjectName(name);
    shortcut->setContext(Qt::WindowShortcut);
    shortcut->setAutoRepeat(false); // a held key acts once
    connect(shortcut, &QShortcut::activated, this, std::move(action));
}

void StoryboardInput::CreateShortcuts() {
    const Host& h = host_;
    AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_N), "NewShortcut", h.NewShow);
    AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), "OpenShortcut", h.OpenShow);
    AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), "SaveShortcut", h.SaveShow);
    AddShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), "SaveVideoShortcut", h.SaveVideo);
    PreviewController* preview = h.Preview;
    StoryboardCommands* commands = h.Commands;
    StoryboardView* view = h.View;
    const project::ShowModel* show = h.Show;
    AddShortcut(QKeySequence(Qt::Key_F5), "PreviewShortcut", [preview] { preview->start(); });
    // Space starts the preview, and while it plays pauses and resumes it (as the preview's own
    // key handling would: a shortcut takes the key before it).
    AddShortcut(QKeySequence(Qt::Key_Space), "PreviewSpaceShortcut", [preview] {
        if (preview->Running())
            preview->togglePause();
        else
            preview->start();
    });
    AddShortcut(QKeySequence(Qt::Key_Delete), "DeleteShortcut",
                [commands] { commands->deletePhoto(); });
    AddShortcut(QKeySequence(Qt::Key_Left), "PreviousPhotoShortcut",
                [commands, view] { commands->selectPhoto(view->SelectedSlide() - 1); });
    AddShortcut(QKeySequence(Qt::Key_Right), "NextPhotoShortcut",
                [commands, view] { commands->selectPhoto(view->SelectedSlide() + 1); });
    AddShortcut(QKeySequence(Qt::Key_Home), "FirstPhotoShortcut",
                [commands] { commands->selectPhoto(0); });
    AddShortcut(QKeySequence(Qt::Key_End), "LastPhotoShortcut", [commands, show] {
        commands->selectPhoto(static_cast<int>(show->Slides.size()) - 1);
    });
    AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_Left), "MoveLeftShortcut", [commands, view] {
        const int n = view->SelectedSlide();
        commands->MovePhoto(n, n - 1);
    });
    AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_Right), "MoveRightShortcut", [commands, view] {
        const int n = view->SelectedSlide();
        commands->MovePhoto(n, n + 1);
    });
}

bool StoryboardInput::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Wheel:
        return Wheel(static_cast<QWheelEvent*>(event));
    case QEvent::DragEnter:
    case QEvent::DragMove:
        return DragOver(watched, static_cast<QDragMoveEvent*>(event));
    case QEvent::DragLeave:
        EndDrag();
        return false;
    case QEvent::Drop:
        return Drop(watched, static_cast<QDropEvent*>(event));
    default:
        return false;
    }
}

bool StoryboardInput::Wheel(QWheelEvent* event) {
    const QPoint angle = event->angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    if (delta == 0)
        return false;
    // A turn the other way forgets what the last one left over.
    if ((delta > 0) != (wheelRest_ > 0))
        wheelRest_ = 0;
    wheelRest_ += delta;
    while (wheelRest_ >= kWheelStep) {
        wheelRest_ -= kWheelStep;
        host_.Commands->previousStripPage();
    }
    while (wheelRest_ <= -kWheelStep) {
        wheelRest_ += kWheelStep;
        host_.Commands->nextStripPage();
    }
    event->accept();
    return true;
}

bool StoryboardInput::DragOver(QObject* watched, QDragMoveEvent* event) {
    const QMimeData* data = event->mimeData();
    if (ThumbImage::DraggedTag(data) == 0) {
        // Files dragged over the storyboard are the window's, as anywhere else on it.
        if (data->hasUrls() && host_.Window->acceptDrops() && !host_.Busy())
            event->acceptProposedAction();
        else
            event->ignore();
        return true;
    }
    if (host_.Busy()) {
        EndDrag();
        event->ignore();
        return true;
    }
    event->acceptProposedAction();
    Ui::MainWindow& form = *host_.Form;
    if (watched == form.previousPageButton || watched == form.nextPageButton) {
        edgeDirection_ = watched == form.previousPageButton ? -1 : 1;
        dragX_ = edgeDirection_ < 0 ? 0 : form.photoStrip->width();
    } else {
        dragX_ = event->position().toPoint().x();
        const int width = form.photoStrip->width();
        edgeDirection_ = dragX_ < kEdgeZone ? -1 : (dragX_ >= width - kEdgeZone ? 1 : 0);
    }
    if (edgeDirection_ == 0)
        edgeTimer_->stop();
    else if (!edgeTimer_->isActive())
        edgeTimer_->start();
    PlaceMarker();
    return true;
}

bool StoryboardInput::Drop(QObject* watched, QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    const int tag = ThumbImage::DraggedTag(data);
    EndDrag();
    if (tag == 0) {
        if (!data->hasUrls() || host_.Busy())
            return true;
        QStringList paths;
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                paths << url.toLocalFile();
        event->acceptProposedAction();
        host_.DropFiles(paths);
        return true;
    }
    if (host_.Busy()) {
        event->ignore();
        return true;
    }
    Ui::MainWindow& form = *host_.Form;
    int x = event->position().toPoint().x();
    if (watched == form.previousPageButton)
        x = 0;
    else if (watched == form.nextPageButton)
        x = form.photoStrip->width();
    const int gap =
        render::DropGap(*host_.Show, form.photoStrip->width(), host_.View->SlidePage(), x);
    event->acceptProposedAction();
    host_.Commands->MovePhoto(tag - 1, render::MoveTargetOfGap(tag - 1, gap));
    return true;
}

void StoryboardInput::EndDrag() {
    edgeTimer_->stop();
    edgeDirection_ = 0;
    marker_->hide();
}

void StoryboardInput::PageTowardsEdge() {
    if (edgeDirection_ < 0)
        host_.Commands->previousStripPage();
    else if (edgeDirection_ > 0)
        host_.Commands->nextStripPage();
    PlaceMarker();
}

void StoryboardInput::PlaceMarker() {
    const project::ShowModel& show = *host_.Show;
    const int width = host_.Form->photoStrip->width();
    const auto visible = render::PhotoStripPlaces(show, width, host_.View->SlidePage());
    if (visible.empty()) {
        marker_->hide();
        return;
    }
    const int gap = render::DropGap(show, width, host_.View->SlidePage(), dragX_);
    const int left = (gap - visible.front().Index) * render::kCellWidth - 2;
    marker_->setGeometry(std::clamp(left, 0, std::max(0, width - 4)), 0, 4, 90);
    marker_->show();
    marker_->raise();
}

} // namespace ui
