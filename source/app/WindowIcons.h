// The pictures of the main window's buttons and link icons, and the program's own icon, drawn by
// the program itself.
#pragma once

class QWidget;

namespace Ui {
class MainWindow;
}

namespace ui {

void SetWindowIcons(Ui::MainWindow& form);
// The program's picture at every size a desktop asks for, as window's icon.
void SetProgramIcon(QWidget& window);

} // namespace ui
