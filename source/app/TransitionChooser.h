// The transition chooser opened from a slide's transition cell.
#pragma once

#include "project/ShowModel.h"

class QWidget;

namespace ui {

// Opens the transition chooser modally for slide `index` and stores what the user saves (in that
// slide or in all of them). Returns true when the show's transitions were changed; the caller
// then lays the photo strip out again.
bool ChooseTransition(project::ShowModel& show, int index, QWidget* parent);

} // namespace ui
