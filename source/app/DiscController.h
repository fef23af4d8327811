// Writing and erasing discs from the main window: the write-progress timer (1 s) and the erase
// animation timer (700 ms). The disc dialog is not built yet: writeDisc() does nothing.
#pragma once

#include <QObject>

class QTimer;

namespace ui {

class DiscController final : public QObject {
    Q_OBJECT

public:
    explicit DiscController(QObject* parent);

    QTimer* ProgressTimer = nullptr; // 1000 ms, the write progress
    QTimer* EraseTimer = nullptr;    // 700 ms, the erase animation

    // True while a disc is written or erased; the window is busy then.
    bool Running() const { return false; }
    void writeDisc();
    void stop();
};

} // namespace ui
