// The window's three pop-up menus (photo, track, save), their actions named for the language
// table and the tests, and wired to the commands they run.
#pragma once

#include <functional>

class QMenu;
class QWidget;

namespace ui {

class ShowFileController;
class StoryboardCommands;
class VideoExportController;

struct WindowMenus {
    QMenu* Photo = nullptr;
    QMenu* Track = nullptr;
    QMenu* Save = nullptr;
};

// Made as children of `parent`, which also parents the swap question.
WindowMenus CreateWindowMenus(QWidget* parent, StoryboardCommands& commands,
                              ShowFileController& files, VideoExportController& exporter,
                              std::function<void()> openShowMusic);

} // namespace ui
