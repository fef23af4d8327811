// The main window's size and place on the screen: at the start the size and place it had when it
// last closed, otherwise its first size centred on the screen; at the close they are remembered.
#pragma once

class QWidget;

namespace ui {

void RestoreWindowPlacement(QWidget& window);
void SaveWindowPlacement(const QWidget& window);

} // namespace ui
