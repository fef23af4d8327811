// The pictures of the main window's buttons and link icons, drawn by the program itself.
#pragma once

namespace Ui {
class MainWindow;
}

namespace ui {

void SetWindowIcons(Ui::MainWindow& form);

} // namespace ui
