#include "app/DiscController.h"

#include <QTimer>

namespace ui {

DiscController::DiscController(QObject* parent) : QObject(parent) {
    ProgressTimer = new QTimer(this);
    ProgressTimer->setObjectName("DiscProgressTimer");
    ProgressTimer->setInterval(1000);
    EraseTimer = new QTimer(this);
    EraseTimer->setObjectName("EraseTimer");
    EraseTimer->setInterval(700);
}

void DiscController::writeDisc() {
    // Not built yet: the disc dialog opens here, modally.
}

void DiscController::stop() {
    ProgressTimer->stop();
    EraseTimer->stop();
}

} // namespace ui
