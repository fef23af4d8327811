// The storyboard's transition cells: the chooser opened from a slide's cell, and the cells'
// hints in the current language.
#pragma once

#include "project/ShowModel.h"

class QWidget;

namespace ui {

class ViewTable;

// Opens the transition chooser modally for slide `index` and stores what the user saves (in that
// slide or in all of them). Returns true when the show's transitions were changed; the caller
// then lays the photo strip out again.
bool ChooseTransition(project::ShowModel& show, int index, QWidget* parent);

// Gives every photo's transition cell its transition's name as hint.
void HintTransitionCells(const project::ShowModel& show, const ViewTable& views);

} // namespace ui
