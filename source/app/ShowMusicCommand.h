// The show's music command: the dialog of cross-fade, end fade, even loudness, fitting the photos
// to the music and cutting them on the beat, put into the show as one undo step. The beats are
// found by a job on the worker. What fitting and the beats changed is told in the status line.
#pragma once

#include "app/ControllerHost.h"
#include "project/ShowHistory.h"
#include "project/ShowModel.h"

#include <functional>
#include <string>
#include <utility>

class QWidget;

namespace ui {

class StoryboardView;
class WindowJobs;
struct WindowDialogs;

class ShowMusicCommand {
public:
    // host: the dialog's parent; the show may not change while the window is busy.
    ShowMusicCommand(ControllerHost host, const project::ShowModel& show,
                     project::ShowHistory& history, WindowJobs& jobs, WindowDialogs& dialogs,
                     StoryboardView& storyboard)
        : host_(std::move(host)), show_(show), history_(history), jobs_(jobs), dialogs_(dialogs),
          storyboard_(storyboard) {}

    void Open();

private:
    // The step's end: committed, the strip laid out again, a problem told.
    void Finish(project::ShowHistory::Change change, const std::string& problem);
    ControllerHost host_;
    const project::ShowModel& show_;
    project::ShowHistory& history_;
    WindowJobs& jobs_;
    WindowDialogs& dialogs_;
    StoryboardView& storyboard_;
    bool retimes_ = false; // the step fits the photos or cuts them on the beat
};

} // namespace ui
