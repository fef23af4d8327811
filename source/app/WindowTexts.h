// The window's texts from the language table: its buttons' captions and hints, the menus'
// actions, and each link icon's hint naming what it opens.
#pragma once

#include <QString>

#include <functional>

namespace Ui {
class MainWindow;
}

namespace ui {

struct WindowMenus;

// linkAddress gives the address behind link icon 6..11.
void ApplyWindowTexts(Ui::MainWindow& form, const WindowMenus& menus,
                      const std::function<QString(int)>& linkAddress);

} // namespace ui
