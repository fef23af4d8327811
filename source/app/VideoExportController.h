// Saving the show as a video from the main window. The export dialog and job are not built yet:
// saveAsVideo() does nothing and Running() stays false.
#pragma once

#include <QObject>

namespace ui {

class VideoExportController final : public QObject {
    Q_OBJECT

public:
    explicit VideoExportController(QObject* parent) : QObject(parent) {}

    // True while a video is written; the window is busy then.
    bool Running() const { return false; }
    void saveAsVideo();
};

} // namespace ui
