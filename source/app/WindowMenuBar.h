// The window's menu bar: File, Edit, Photo, Music, Show and Help, holding every command of the
// window with its key. It lists the actions the window already has (its keys, the pop-up menus'
// entries, undo and redo) and adds actions only for the toolbar's commands, which run the same
// functions as the buttons. CreateWindowMenuBar is the one place that decides what each menu
// holds: a new command is one more name in its list.
#pragma once

#include <functional>

class QMainWindow;
class QMenu;

namespace ui {

// The toolbar's commands, which the menu bar gives actions of their own.
struct MenuBarCommands {
    std::function<void()> AddPhotos, AddMusic, Burn, Settings, Help, About, Quit, RefitPhotos;
};

struct WindowMenuBar {
    QMenu* File = nullptr;
    QMenu* Edit = nullptr;
    QMenu* Photo = nullptr;
    QMenu* Music = nullptr;
    QMenu* Show = nullptr;
    QMenu* Help = nullptr;
};

// Fills window's menu bar with the actions and submenus the window holds under the names the
// lists give (the pop-up menus' entries, the window's keys, undo and redo, the recent shows) and
// the commands' new actions. Call after every part it lists exists.
WindowMenuBar CreateWindowMenuBar(QMainWindow& window, MenuBarCommands commands);

// The menus' titles and the texts of the entries no other part names, in the current language.
void ApplyMenuBarTexts(QMainWindow& window, const WindowMenuBar& bar);

} // namespace ui
