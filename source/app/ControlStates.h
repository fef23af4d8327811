// Which of the main window's controls are enabled, from the busy state and the show. The main
// window applies this whenever one of them changes, so the show cannot change under a preview or
// a long operation.
#pragma once

namespace ui {

struct ControlStates {
    bool Panels = true;        // top bar, bottom bar and the storyboard panels
    bool EditButtons = false;  // effect buttons and new/preview/save/write
    bool PreviousPage = false; // strip arrow left
    bool NextPage = false;     // strip arrow right
};

// busy: the progress window is visible or the preview runs.
ControlStates ComputeControlStates(bool busy, int slideCount, int slidePage, int stripWidth);

} // namespace ui
