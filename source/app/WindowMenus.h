// The window's three pop-up menus (photo, track, save), their actions named for the language
// table and the tests, and wired to the commands they run. The photo's menu lists every edit of
// a photo, each with its icon and its shortcut (which works in the whole window), beside Delete
// and Move.
#pragma once

#include "base/TextKey.h"

#include <QKeySequence>

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
                              std::function<void()> openShowMusic,
                              std::function<void()> chooseTransition);

// The photo edits the photo's menu lists: the effects dialog's page each opens (kChooser: the
// transition chooser), its icon, the action's name, its text and its shortcut.
struct PhotoEditEntry {
    static constexpr int kChooser = -1;
    int Page;
    int Icon; // the page whose icon it shows; kChooser: a transition's; 7: a colour swatch
    const char* Name;
    base::TextKey Text;
    const char* Builtin; // the text before a language is chosen
    QKeyCombination Keys;
};
extern const PhotoEditEntry kPhotoEditEntries[9];

} // namespace ui
