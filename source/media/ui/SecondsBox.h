// The spin box of a fade's seconds (0..10 s in tenths), shared by the track dialog and the show
// music dialog.
#pragma once

class QDoubleSpinBox;
class QWidget;

namespace ui {

// Sets a box up for fade seconds, showing `seconds`.
void SetUpSecondsBox(QDoubleSpinBox& box, double seconds);
// A new such box.
QDoubleSpinBox* SecondsBox(double seconds, const char* name, QWidget* parent);

// The seconds the box holds, or `given` while the box still shows it rounded: a finer value
// (set by the console tool) is not changed by opening and closing a dialog.
double BoxSeconds(const QDoubleSpinBox& box, double given);

} // namespace ui
