// Main window: the busy timer and the enabled state it keeps in step.
#include "app/MainWindow.h"
#include "app/TransitionChooser.h"
#include "project/ControlStates.h"
#include "ui_MainWindow.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QTimer>

namespace ui {

void MainWindow::CreateTimers() {
    Storyboard = new StoryboardView(*this, *Form, Show);
    Storyboard->IsBusy = [this] { return Busy(); };
    Storyboard->SetHistory(&History);
    connect(Storyboard, &StoryboardView::photoMenuRequested, this,
            [this] { PhotoMenu->popup(QCursor::pos()); });
    connect(Storyboard, &StoryboardView::trackMenuRequested, this,
            [this] { TrackMenu->popup(QCursor::pos()); });
    connect(Storyboard, &StoryboardView::transitionCellClicked, this, [this](int index) {
        auto change = History.BeginChange();
        const auto thumbnail = [this](std::size_t i) {
            const QPixmap clean = Storyboard->CleanThumbnail(i);
            return clean.isNull() ? imaging::Bitmap()
                                  : imaging::Bitmap::CreateFromImage(clean.toImage());
        };
        if (!change || !ChooseTransition(Show, index, this, thumbnail))
            return;
        History.Commit(std::move(*change), QStringLiteral("transition"));
        Storyboard->LayoutPhotoStrip(Storyboard->SlidePage());
    });
    Preview = new PreviewController(*this);
    Export = new VideoExportController(this);
    Disc = new DiscController(this);
    BusyTimer = new QTimer(this);
    BusyTimer->setObjectName("BusyTimer");
    BusyTimer->setInterval(100);
    connect(BusyTimer, &QTimer::timeout, this, &MainWindow::updateBusyState);
}

void MainWindow::updateBusyState() {
    const bool busy = (ProgressVisible && ProgressVisible()) || Busy();
    const auto s =
        project::ComputeControlStates(busy, static_cast<int>(Show.Slides.size()),
                                      Storyboard->SlidePage(), Form->PhotoStrip->width());
    for (QWidget* w : {static_cast<QWidget*>(Form->Panel1), static_cast<QWidget*>(Form->Panel2),
                       static_cast<QWidget*>(Form->Panel5), static_cast<QWidget*>(Form->Panel6)})
        w->setEnabled(s.Panels);
    for (QWidget* w : {Form->CropButton, Form->CaptionButton, Form->TurnButton, Form->LightButton,
                       Form->ColorButton, Form->TimeButton, Form->NewButton, Form->PreviewButton,
                       Form->SaveButton, Form->DiscButton})
        w->setEnabled(s.EditButtons);
    // Undo and redo change the show: never while it is busy.
    if (UndoAction)
        UndoAction->setEnabled(!busy && History.CanUndo());
    if (RedoAction)
        RedoAction->setEnabled(!busy && History.CanRedo());
    Form->PreviousPageButton->setEnabled(s.PreviousPage);
    Form->NextPageButton->setEnabled(s.NextPage);
}

} // namespace ui
