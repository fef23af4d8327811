// Main window: the six timers and the busy state they keep in step.
#include "project/ControlStates.h"
#include "project/ui/TForm1.h"
#include "ui_TForm1.h"

#include <QCoreApplication>
#include <QTimer>

namespace ui {

void TForm1::CreateTimers() {
    auto make = [this](const char* name, int interval) {
        auto* t = new QTimer(this);
        t->setObjectName(name);
        t->setInterval(interval);
        return t;
    };
    Timer1 = make("Timer1", 30);   // preview issue connects the schedule
    Timer2 = make("Timer2", 10);   // transition issue connects the animation
    Timer3 = make("Timer3", 100);  // always on
    Timer4 = make("Timer4", 1000); // disc issue connects the write progress
    Timer5 = make("Timer5", 700);  // disc issue connects the erase animation
    Timer6 = make("Timer6", 1);
    connect(Timer3, &QTimer::timeout, this, &TForm1::Timer3Timer);
    connect(Timer6, &QTimer::timeout, this, [] { QCoreApplication::processEvents(); });
}

void TForm1::Timer3Timer() {
    const bool busy = (ProgressVisible && ProgressVisible()) || Timer1->isActive();
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
