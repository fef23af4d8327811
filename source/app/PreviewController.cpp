#include "app/PreviewController.h"

#include <QTimer>

namespace ui {

PreviewController::PreviewController(QObject* parent) : QObject(parent) {
    ScheduleTimer = new QTimer(this);
    ScheduleTimer->setObjectName("PreviewTimer");
    ScheduleTimer->setInterval(30);
    TransitionTimer = new QTimer(this);
    TransitionTimer->setObjectName("TransitionTimer");
    TransitionTimer->setInterval(10);
}

bool PreviewController::Running() const {
    return ScheduleTimer->isActive();
}

void PreviewController::start() {
    // Not built yet: the full-screen preview starts here.
}

void PreviewController::stop() {
    ScheduleTimer->stop();
    TransitionTimer->stop();
}

} // namespace ui
