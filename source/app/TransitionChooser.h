// The transition chooser opened from a slide's transition cell.
#pragma once

#include "imaging/Bitmap.h"
#include "project/ShowModel.h"

#include <functional>
#include <vector>

class QWidget;

namespace ui {

// The thumbnail of slide i (an empty bitmap when there is none).
using ThumbnailOf = std::function<imaging::Bitmap(std::size_t i)>;

// Opens the transition chooser modally for slide `index`, its sample playing from that slide's
// thumbnail to the next one's (the show's first after the last), and stores what the user saves
// (in that slide or in all of them). Returns true when the show's transitions were changed; the
// caller then lays the photo strip out again.
// picked: the slides picked on the storyboard; with several, the chooser offers to give the
// choice to all of them.
bool ChooseTransition(project::ShowContent& show, int index, QWidget* parent,
                      const ThumbnailOf& thumbnail = {},
                      const std::vector<std::size_t>& picked = {});

} // namespace ui
