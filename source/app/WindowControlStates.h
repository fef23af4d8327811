// The enabled state of the window's panels and buttons, applied from the computed control states
// (the busy state and the show): the show cannot change under a preview or a long operation.
#pragma once

namespace Ui {
class MainWindow;
}

namespace ui {

struct ControlStates;

void ApplyControlStates(Ui::MainWindow& form, const ControlStates& states);

} // namespace ui
