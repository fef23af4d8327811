#include "app/StoryboardInput.h"

#include "app/MainWindow.h"
#include "project/StripLayout.h"
#include "project/ui/StripCells.h"
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

StoryboardInput::StoryboardInput(MainWindow& window) : QObject(&window), window_(window) {
    Ui::MainWindow& form = *window_.Form;
    marker_ = new QFrame(form.PhotoStrip);
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

    form.PhotoStrip->setAcceptDrops(true);
    for (QWidget* arrow : {static_cast<QWidget*>(form.PreviousPageButton),
                           static_cast<QWidget*>(form.NextPageButton)})
        arrow->setAcceptDrops(true);
    for (QWidget* w : {form.PhotoStrip, form.MusicStrip, static_cast<QWidget*>(form.Image5),
                       static_cast<QWidget*>(form.PreviousPageButton),
                       static_cast<QWidget*>(form.NextPageButton)})
        w->installEventFilter(this);
    CreateShortcuts();
}

void StoryboardInput::AddShortcut(const QKeySequence& keys, const char* name,
                                  std::function<void()> action) {
    auto* shortcut = new QShortcut(keys, &window_);
    shortcut->setObjectName(name);
    shortcut->setContext(Qt::WindowShortcut);
    shortcut->setAutoRepeat(false); // a held key acts once
    connect(shortcut, &QShortcut::activated, this, std::move(action));
}

void StoryboardInput::CreateShortcuts() {
    MainWindow& w = window_;
    AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_N), "NewShortcut", [&w] { w.newProject(); });
    AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), "OpenShortcut", [&w] { w.openProject(); });
    AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), "SaveShortcut", [&w] { w.saveProject(); });
    AddShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), "SaveVideoShortcut",
                [&w] { w.Export->saveAsVideo(); });
    AddShortcut(QKeySequence(Qt::Key_F5), "PreviewShortcut", [&w] { w.Preview->start(); });
    // Space starts the preview, and while it plays pauses and resumes it (as the preview's own
    // key handling would: a shortcut takes the key before it).
    AddShortcut(QKeySequence(Qt::Key_Space), "PreviewSpaceShortcut", [&w] {
        if (w.Preview->Running())
            w.Preview->togglePause();
        else
            w.Preview->start();
    });
    AddShortcut(QKeySequence(Qt::Key_Delete), "DeleteShortcut",
                [&w] { w.Commands->deletePhoto(); });
    AddShortcut(QKeySequence(Qt::Key_Left), "PreviousPhotoShortcut",
                [&w] { w.Commands->selectPhoto(w.Storyboard->SelectedSlide() - 1); });
    AddShortcut(QKeySequence(Qt::Key_Right), "NextPhotoShortcut",
                [&w] { w.Commands->selectPhoto(w.Storyboard->SelectedSlide() + 1); });
    AddShortcut(QKeySequence(Qt::Key_Home), "FirstPhotoShortcut",
                [&w] { w.Commands->selectPhoto(0); });
    AddShortcut(QKeySequence(Qt::Key_End), "LastPhotoShortcut",
                [&w] { w.Commands->selectPhoto(static_cast<int>(w.Show.Slides.size()) - 1); });
    AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_Left), "MoveLeftShortcut", [&w] {
        const int n = w.Storyboard->SelectedSlide();
        w.Commands->MovePhoto(n, n - 1);
    });
    AddShortcut(QKeySequence(Qt::CTRL | Qt::Key_Right), "MoveRightShortcut", [&w] {
        const int n = w.Storyboard->SelectedSlide();
        w.Commands->MovePhoto(n, n + 1);
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
        window_.Commands->previousStripPage();
    }
    while (wheelRest_ <= -kWheelStep) {
        wheelRest_ += kWheelStep;
        window_.Commands->nextStripPage();
    }
    event->accept();
    return true;
}

bool StoryboardInput::DragOver(QObject* watched, QDragMoveEvent* event) {
    const QMimeData* data = event->mimeData();
    if (ThumbImage::DraggedTag(data) == 0) {
        // Files dragged over the storyboard are the window's, as anywhere else on it.
        if (data->hasUrls() && window_.acceptDrops() && !window_.Busy())
            event->acceptProposedAction();
        else
            event->ignore();
        return true;
    }
    if (window_.Busy()) {
        EndDrag();
        event->ignore();
        return true;
    }
    event->acceptProposedAction();
    Ui::MainWindow& form = *window_.Form;
    if (watched == form.PreviousPageButton || watched == form.NextPageButton) {
        edgeDirection_ = watched == form.PreviousPageButton ? -1 : 1;
        dragX_ = edgeDirection_ < 0 ? 0 : form.PhotoStrip->width();
    } else {
        dragX_ = event->position().toPoint().x();
        const int width = form.PhotoStrip->width();
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
        if (!data->hasUrls() || window_.Busy())
            return true;
        QStringList paths;
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                paths << url.toLocalFile();
        event->acceptProposedAction();
        window_.AcceptDroppedPaths(paths);
        return true;
    }
    if (window_.Busy()) {
        event->ignore();
        return true;
    }
    Ui::MainWindow& form = *window_.Form;
    int x = event->position().toPoint().x();
    if (watched == form.PreviousPageButton)
        x = 0;
    else if (watched == form.NextPageButton)
        x = form.PhotoStrip->width();
    const int gap = project::DropGap(window_.Show, form.PhotoStrip->width(),
                                     window_.Storyboard->SlidePage(), x);
    event->acceptProposedAction();
    window_.Commands->MovePhoto(tag - 1, project::MoveTargetOfGap(tag - 1, gap));
    return true;
}

void StoryboardInput::EndDrag() {
    edgeTimer_->stop();
    edgeDirection_ = 0;
    marker_->hide();
}

void StoryboardInput::PageTowardsEdge() {
    if (edgeDirection_ < 0)
        window_.Commands->previousStripPage();
    else if (edgeDirection_ > 0)
        window_.Commands->nextStripPage();
    PlaceMarker();
}

void StoryboardInput::PlaceMarker() {
    const project::ShowModel& show = window_.Show;
    const int width = window_.Form->PhotoStrip->width();
    const auto visible = project::PhotoStripPlaces(show, width, window_.Storyboard->SlidePage());
    if (visible.empty()) {
        marker_->hide();
        return;
    }
    const int gap = project::DropGap(show, width, window_.Storyboard->SlidePage(), dragX_);
    const int left = (gap - visible.front().Index) * project::kCellWidth - 2;
    marker_->setGeometry(std::clamp(left, 0, std::max(0, width - 4)), 0, 4, 90);
    marker_->show();
    marker_->raise();
}

} // namespace ui
