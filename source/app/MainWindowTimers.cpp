// Main window: the six timers and the busy state they keep in step.
#include "app/MainWindow.h"
#include "project/ControlStates.h"
#include "ui_MainWindow.h"

#include <QCoreApplication>
#include <QTimer>

namespace ui {

void MainWindow::CreateTimers() {
    auto make = [this](const char* name, int interval) {
        auto* t = new QTimer(this);
        t->setObjectName(name);
        t->setInterval(interval);
        return t;
    };
    PreviewTimer = make("PreviewTimer", 30);             // the preview schedule
    TransitionTimer = make("TransitionTimer", 10);       // the transition animation
    BusyTimer = make("BusyTimer", 100);                  // always on
    DiscProgressTimer = make("DiscProgressTimer", 1000); // the disc-write progress
    EraseTimer = make("EraseTimer", 700);                // the erase animation
    PumpTimer = make("PumpTimer", 1);
    connect(BusyTimer, &QTimer::timeout, this, &MainWindow::updateBusyState);
    connect(PumpTimer, &QTimer::timeout, this, [] { QCoreApplication::processEvents(); });
}

void MainWindow::updateBusyState() {
    const bool busy = (ProgressVisible && ProgressVisible()) || PreviewTimer->isActive();
    const auto s = project::ComputeControlStates(busy, static_cast<int>(Show.Slides.size()),
                                                 Show.SlidePage, Form->Panel16->width());
    for (QWidget* w : {static_cast<QWidget*>(Form->Panel1), static_cast<QWidget*>(Form->Panel2),
                       static_cast<QWidget*>(Form->Panel5), static_cast<QWidget*>(Form->Panel6)})
        w->setEnabled(s.Panels);
    for (QWidget* w : {Form->ToolButton1, Form->ToolButton2, Form->ToolButton3, Form->ToolButton4,
                       Form->ToolButton5, Form->ToolButton6, Form->ToolButton7, Form->ToolButton9,
                       Form->ToolButton10, Form->ToolButton11})
        w->setEnabled(s.EditButtons);
    Form->SpeedButton1->setEnabled(s.PreviousPage);
    Form->SpeedButton2->setEnabled(s.NextPage);
}

} // namespace ui
