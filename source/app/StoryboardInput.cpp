#include "app/StoryboardInput.h"

#include "app/PreviewController.h"
#include "app/StoryboardCommands.h"
#include "app/StoryboardView.h"
#include "app/StripCells.h"
#include "app/StripLayout.h"

#include <QAction>
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

StoryboardInput::StoryboardInput(ControllerHost host, StoryboardView& view,
                                 StoryboardCommands& commands, PreviewController& preview,
                                 WindowCommands window)
    : QObject(host.DialogParent), host_(std::move(host)), view_(view), commands_(commands),
      preview_(preview), window_(std::move(window)), strip_(view.Widgets()) {
    const StoryboardWidgets& strip = strip_;
    marker_ = new QFrame(strip.PhotoStrip);
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

    strip.PhotoStrip->setAcceptDrops(true);
    for (QWidget* arrow :
         {static_cast<QWidget*>(strip.PreviousPage), static_cast<QWidget*>(strip.NextPage)})
        arrow->setAcceptDrops(true);
    for (QWidget* w :
         {strip.PhotoStrip, strip.MusicStrip, static_cast<QWidget*>(strip.Ruler),
          static_cast<QWidget*>(strip.PreviousPage), static_cast<QWidget*>(strip.NextPage)})
        w->installEventFilter(this);
    CreateShortcuts();
}

void StoryboardInput::AddShortcut(const QKeySequence& keys, const char* name,
                                  std::function<void()> action) {
    // An action of the window, so that the menu bar lists the same command with its key.
    auto* command = new QAction(host_.DialogParent);
    command->setObjectName(name);
    command->setShortcut(keys);
    command->setShortcutContext(Qt::WindowShortcut);
    command->setAutoRepeat(false); // a held key acts once
    host_.DialogParent->addAction(command);
    connect(command, &QAction::triggered, this, std::move(action));
}

void StoryboardInput::CreateShortcuts() {
    const WindowCommands& h = window_;
    AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_N), "NewShortcut", h.NewShow);
    AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), "OpenShortcut", h.OpenShow);
    AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), "SaveShortcut", h.SaveShow);
    PreviewController* preview = &preview_;
    StoryboardCommands* commands = &commands_;
    StoryboardView* view = &view_;
    AddShortcut(QKeySequence(Qt::Key_F5), "PreviewShortcut", [preview] { preview->start(); });
    // Space starts the preview, and while it plays pauses and resumes it (as the preview's own
    // key handling would: a shortcut takes the key before it).
    // The menu bar lists F5 for the preview; Space stays a key of its own.
    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), host_.DialogParent);
    space->setObjectName("PreviewSpaceShortcut");
    space->setContext(Qt::WindowShortcut);
    space->setAutoRepeat(false);
    connect(space, &QShortcut::activated, this, [preview] {
        if (preview->Running())
            preview->togglePause();
        else
            preview->start();
    });
    AddShortcut(QKeySequence(Qt::Key_Left), "PreviousPhotoShortcut",
                [commands, view] { commands->selectPhoto(view->SelectedSlide() - 1); });
    AddShortcut(QKeySequence(Qt::Key_Right), "NextPhotoShortcut",
                [commands, view] { commands->selectPhoto(view->SelectedSlide() + 1); });
    AddShortcut(QKeySequence(Qt::Key_Home), "FirstPhotoShortcut",
                [commands] { commands->selectPhoto(0); });
    AddShortcut(QKeySequence(Qt::Key_End), "LastPhotoShortcut", [commands, view] {
        commands->selectPhoto(static_cast<int>(view->PhotoCellCount()) - 1);
    });
    // Several picked photos move together.
    AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_Left), "MoveLeftShortcut", [commands, view] {
        const int n = view->SelectedSlide();
        if (view->PickedSlides().size() > 1)
            commands->movePhotoLeft();
        else
            commands->MovePhoto(n, n - 1);
    });
    AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_Right), "MoveRightShortcut", [commands, view] {
        const int n = view->SelectedSlide();
        if (view->PickedSlides().size() > 1)
            commands->movePhotoRight();
        else
            commands->MovePhoto(n, n + 1);
    });
    AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_A), "SelectAllShortcut",
                [commands] { commands->selectAllPhotos(); });
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
        commands_.previousStripPage();
    }
    while (wheelRest_ <= -kWheelStep) {
        wheelRest_ += kWheelStep;
        commands_.nextStripPage();
    }
    event->accept();
    return true;
}

bool StoryboardInput::DragOver(QObject* watched, QDragMoveEvent* event) {
    const QMimeData* data = event->mimeData();
    if (ThumbImage::DraggedIndex(data) < 0) {
        // Files dragged over the storyboard are the window's, as anywhere else on it.
        if (data->hasUrls() && host_.DialogParent->acceptDrops() && !host_.Busy())
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
    const StoryboardWidgets& strip = strip_;
    if (watched == strip.PreviousPage || watched == strip.NextPage) {
        edgeDirection_ = watched == strip.PreviousPage ? -1 : 1;
        dragX_ = edgeDirection_ < 0 ? 0 : strip.PhotoStrip->width();
    } else {
        dragX_ = event->position().toPoint().x();
        const int width = strip.PhotoStrip->width();
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
    const int dragged = ThumbImage::DraggedIndex(data);
    EndDrag();
    if (dragged < 0) {
        if (!data->hasUrls() || host_.Busy())
            return true;
        QStringList paths;
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                paths << url.toLocalFile();
        event->acceptProposedAction();
        window_.DropFiles(paths);
        return true;
    }
    if (host_.Busy()) {
        event->ignore();
        return true;
    }
    const StoryboardWidgets& strip = strip_;
    int x = event->position().toPoint().x();
    if (watched == strip.PreviousPage)
        x = 0;
    else if (watched == strip.NextPage)
        x = strip.PhotoStrip->width();
    const int gap = view_.DropGapAt(x);
    event->acceptProposedAction();
    // One of several picked photos takes them all along.
    if (view_.PickedSlides().size() > 1 && view_.IsPicked(static_cast<std::size_t>(dragged)))
        commands_.MovePickedToGap(gap);
    else
        commands_.MovePhoto(dragged, MoveTargetOfGap(dragged, gap));
    return true;
}

void StoryboardInput::EndDrag() {
    edgeTimer_->stop();
    edgeDirection_ = 0;
    marker_->hide();
}

void StoryboardInput::PageTowardsEdge() {
    if (edgeDirection_ < 0)
        commands_.previousStripPage();
    else if (edgeDirection_ > 0)
        commands_.nextStripPage();
    PlaceMarker();
}

void StoryboardInput::PlaceMarker() {
    const int width = strip_.PhotoStrip->width();
    const auto visible = view_.PagePhotos();
    if (visible.empty()) {
        marker_->hide();
        return;
    }
    const int gap = view_.DropGapAt(dragX_);
    const int left = (gap - visible.front().Index) * kCellWidth - 2;
    marker_->setGeometry(std::clamp(left, 0, std::max(0, width - 4)), 0, 4, 90);
    marker_->show();
    marker_->raise();
}

} // namespace ui
