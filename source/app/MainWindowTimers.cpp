// Main window: the controllers it hands its duties to, each given only what it needs, and the
// busy timer with the enabled state it keeps in step.
#include "app/MainWindow.h"
#include "app/UndoControls.h"
#include "project/ControlStates.h"
#include "ui_MainWindow.h"

#include <QAction>
#include <QTimer>

namespace ui {

void MainWindow::CreateControllers() {
    PreviewHost preview;
    preview.Window = this;
    preview.Picture = Form->Image1;
    preview.PictureFrame = Form->Panel4;
    preview.EditorParts = {Form->Panel2, Form->Panel3, Form->Panel1};
    preview.Progress = [this] { return ProgressView; };
    preview.Rewind = [this] {
        Storyboard->LayoutPhotoStrip(0);
        Storyboard->SelectSlide(0);
    };
    preview.Busy = [this] { return Busy(); };
    preview.Restored = [this] {
        if (!Busy())
            Storyboard->ShowSelectedInPreview();
    };
    Preview = new PreviewController(this, Show, std::move(preview));
    Export = new VideoExportController(this);
    ControllerHost disc;
    disc.DialogParent = this;
    disc.BeginJob = [this](base::Progress& job) -> std::shared_ptr<void> {
        return std::make_shared<JobScope>(*this, job);
    };
    Disc = new DiscController(this, std::move(disc));
}

void MainWindow::CreateTimers() {
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
    if (Undo)
        Undo->UpdateEnabled(busy);
    Form->PreviousPageButton->setEnabled(s.PreviousPage);
    Form->NextPageButton->setEnabled(s.NextPage);
}

} // namespace ui
