// The full-screen preview of the main window: its schedule timer (30 ms) and transition timer
// (10 ms). Starting, stopping and the playback state are not built yet: start() does nothing
// and Running() stays false.
#pragma once

#include <QObject>

class QTimer;

namespace ui {

class PreviewController final : public QObject {
    Q_OBJECT

public:
    explicit PreviewController(QObject* parent);

    QTimer* ScheduleTimer = nullptr;   // 30 ms, the show's schedule
    QTimer* TransitionTimer = nullptr; // 10 ms, the transition animation

    // True while the preview plays; the window is busy then.
    bool Running() const;
    void start();
    void stop();
};

} // namespace ui
