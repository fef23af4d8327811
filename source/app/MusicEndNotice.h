// The word the window says when an edit makes a show that ended with its music end elsewhere.
//
// The show keeps no mark that it was fitted to its music: fitting only sets times, and neither the
// record nor the extension block has a place for such a mark. What fitting leaves can be seen
// instead: the show ends with its music, within a frame (media::EndsWithTheMusic). So each new
// step is weighed with the show as it was before it (project::ShowHistory::OnStepDone): the show
// ended with its music, the step changed how long it lasts, and now it ends elsewhere. That is a
// fitted show (or one the user timed to end with the music by hand, who wants the word as much).
// An undo or a redo is no new step: it says nothing.
#pragma once

#include "project/ShowContent.h"

#include <QString>

namespace ui {

// The notice for a step that took `before` to `after`, or an empty text when there is none.
QString MusicEndNotice(const project::ShowContent& before, const project::ShowContent& after);

} // namespace ui
